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

// The file's text, and what was found in it, kept while the file stays the same:
// brenix's load makes four calls on one section of one file.
class LoadedText {
public:
    // The text of `fileName` (a UTF-16LE file decoded), or nullptr when it cannot be read.
    const std::string* load(std::string_view fileName) {
        const std::string* bytes =
            file_.read(paths::toLocalPath(fileName, paths::BareName::InWindowsFolder));
        if (bytes == nullptr) return nullptr;
        if (file_.version() != version_) {
            version_ = file_.version();
            sectionName_.clear();
            if (isUtf16(*bytes)) text::utf16ToUtf8(std::string_view(*bytes).substr(2), decoded_);
        }
        return isUtf16(*bytes) ? &decoded_ : bytes;
    }

    // Where `section` starts in the text that load() gave last.
    std::optional<std::size_t> findSection(std::string_view text, std::string_view section) {
        if (sectionName_.empty() || !text::equalsIgnoringCase(sectionName_, section)) {
            sectionName_ = section;
            sectionHeader_ = profile::findSection(text, section);
        }
        return sectionHeader_;
    }

private:
    file::CachedFile file_;
    std::uint64_t version_ = 0;
    std::string decoded_;
    std::string sectionName_;  // empty: none looked up yet in this version
    std::optional<std::size_t> sectionHeader_;
};

thread_local LoadedText loaded;

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
    const std::string* text = loaded.load(fileName);
    if (text == nullptr) return 0;
    const auto header = loaded.findSection(*text, trimBlanks(sectionName));
    return header ? copySection(*text, *header, buffer, size) : 0;
}

std::uint32_t GetPrivateProfileString(std::string_view sectionName, std::string_view key,
                                      std::string_view defaultValue, char* buffer,
                                      std::uint32_t size, std::string_view fileName) {
    std::optional<std::string_view> found;
    if (const std::string* text = loaded.load(fileName)) {
        if (const auto header = loaded.findSection(*text, trimBlanks(sectionName)))
            found = findValue(*text, *header, trimBlanks(key));
    }
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
