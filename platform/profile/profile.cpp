#include "profile.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/file/read_file.h"
#include "platform/file/write_file.h"
#include "platform/paths/paths.h"
#include "platform/profile/profile_text.h"
#include "platform/text/ascii.h"
#include "platform/text/utf16.h"

namespace platform::profile {

namespace {

using text::trimBlanks;

// A UTF-16LE profile file (with its byte order mark, as Windows writes one) is read
// and written as such; its text is handled as UTF-8 in between.
bool isUtf16(std::string_view bytes) { return text::hasUtf16Bom(bytes); }

// The file's text, from a cache that reads it again only when it changed: brenix's
// load makes four calls on the same file. A UTF-16LE file is decoded.
const std::string* load(std::string_view fileName) {
    thread_local file::CachedFile cache;
    thread_local std::string decoded;
    const std::string* bytes =
        cache.read(paths::toLocalPath(fileName, paths::BareName::InWindowsFolder));
    if (bytes == nullptr || !isUtf16(*bytes)) return bytes;
    text::utf16ToUtf8(std::string_view(*bytes).substr(2), decoded);
    return &decoded;
}

// How many bytes of `text` fit into `room` without cutting a UTF-8 character.
std::size_t fitting(std::string_view text, std::size_t room) {
    if (text.size() <= room) return text.size();
    std::size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

std::uint32_t copyString(std::string_view text, char* buffer, std::uint32_t size) {
    if (size == 0) return 0;
    const std::size_t count = fitting(text, size - 1);
    if (count > 0) std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<std::uint32_t>(count);
}

}  // namespace

std::uint32_t GetPrivateProfileSection(std::string_view sectionName, char* buffer,
                                       std::uint32_t size, std::string_view fileName) {
    if (size < 2) return 0;
    buffer[0] = buffer[1] = '\0';
    const std::string* text = load(fileName);
    if (text == nullptr) return 0;
    return copySection(*text, trimBlanks(sectionName), buffer, size);
}

std::uint32_t GetPrivateProfileString(std::string_view sectionName, std::string_view key,
                                      std::string_view defaultValue, char* buffer,
                                      std::uint32_t size, std::string_view fileName) {
    std::optional<std::string_view> found;
    if (const std::string* text = load(fileName))
        found = findValue(*text, trimBlanks(sectionName), trimBlanks(key));
    if (found) return copyString(*found, buffer, size);
    while (!defaultValue.empty() && defaultValue.back() == ' ') defaultValue.remove_suffix(1);
    return copyString(defaultValue, buffer, size);
}

bool WritePrivateProfileString(std::string_view sectionName, std::string_view key,
                               std::string_view value, std::string_view fileName) {
    sectionName = trimBlanks(sectionName);
    key = trimBlanks(key);
    if (!isStorable(sectionName, key, value)) {
        errno = EINVAL;
        return false;
    }
    return file::updateFile(
        paths::toLocalPath(fileName, paths::BareName::InWindowsFolder),
        [&](const std::string* current, std::string& next) {
            if (current == nullptr || !isUtf16(*current)) {
                writeWithEntry(current != nullptr ? *current : std::string_view(), sectionName, key,
                               value, next);
                return true;
            }
            std::string edited;
            writeWithEntry(text::utf16ToUtf8(std::string_view(*current).substr(2)), sectionName,
                           key, value, edited);
            next = "\xFF\xFE" + text::utf8ToUtf16(edited);
            return true;
        });
}

}  // namespace platform::profile
