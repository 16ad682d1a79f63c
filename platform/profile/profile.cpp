#include "profile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/file/read_file.h"
#include "platform/file/write_file.h"
#include "platform/paths/paths.h"
#include "platform/text/ascii.h"

namespace platform::profile {

namespace {

using text::trimBlanks;

struct Line {
    std::size_t begin = 0;  // first byte of the line
    std::size_t end = 0;    // first byte of its line end
    std::size_t next = 0;   // first byte of the next line
    std::string_view text;  // the line without its line end
};

struct Entry {
    std::size_t line = 0;
    std::string_view key;
    std::string_view value;      // trimmed; empty for a line without '='
    std::size_t valueBegin = 0;  // where the value may be rewritten: after '=' or at the end
    bool hasEquals = false;
};

struct Section {
    std::string_view name;
    std::size_t headerLine = 0;
    std::vector<Entry> entries;
};

// A view of a file's bytes, which the caller keeps alive as long as the view.
struct Profile {
    std::vector<Line> lines;
    std::vector<Section> sections;

    const Section* find(std::string_view name) const {
        for (const auto& section : sections) {
            if (text::equalsIgnoringCase(section.name, name)) return &section;
        }
        return nullptr;
    }
};

Profile parse(std::string_view all) {
    Profile profile;
    // A UTF-8 byte order mark is not part of the first line's text.
    std::size_t position = all.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (position < all.size()) {
        Line line;
        line.begin = position;
        const auto newline = all.find('\n', position);
        line.next = newline == std::string_view::npos ? all.size() : newline + 1;
        line.end = newline == std::string_view::npos ? all.size() : newline;
        if (line.end > line.begin && all[line.end - 1] == '\r') --line.end;
        line.text = all.substr(line.begin, line.end - line.begin);
        position = line.next;

        const std::size_t index = profile.lines.size();
        profile.lines.push_back(line);
        const std::string_view content = trimBlanks(line.text);
        if (content.empty() || content.front() == ';') continue;
        if (content.front() == '[') {
            const auto close = content.rfind(']');
            if (close != std::string_view::npos) {
                profile.sections.push_back({trimBlanks(content.substr(1, close - 1)), index, {}});
                continue;
            }
        }
        if (profile.sections.empty()) continue;  // entries before any section are unreachable
        Entry entry;
        entry.line = index;
        const auto equals = line.text.find('=');
        entry.hasEquals = equals != std::string_view::npos;
        entry.key = trimBlanks(line.text.substr(0, equals));
        if (entry.hasEquals) {
            entry.value = trimBlanks(line.text.substr(equals + 1));
            entry.valueBegin = line.begin + equals + 1;
        } else {
            entry.valueBegin = line.end;
        }
        profile.sections.back().entries.push_back(entry);
    }
    return profile;
}

std::optional<std::string> load(std::string_view fileName) {
    return file::readFile(paths::toLocalPath(fileName, paths::BareName::InWindowsFolder));
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

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// `original` with "key=value" stored in `sectionName`, every other byte kept.
std::string withEntry(const std::string& original, std::string_view sectionName,
                      std::string_view key, std::string_view value) {
    const Profile profile = parse(original);
    std::string bytes = original;

    const auto firstNewline = bytes.find('\n');
    const std::string eol =
        firstNewline == std::string::npos || (firstNewline > 0 && bytes[firstNewline - 1] == '\r')
            ? "\r\n"
            : "\n";
    const bool endsOpen = !bytes.empty() && bytes.back() != '\n';
    const std::string entryText = std::string(key) + "=" + std::string(value);

    // Inserts `text` as new lines at `position`, the start of a line or the file's end,
    // keeping whether the file ends with a line end.
    auto insertLinesAt = [&](std::size_t position, const std::string& text) {
        if (position == bytes.size() && endsOpen) {
            bytes += eol + text;
        } else {
            bytes.insert(position, text + eol);
        }
    };

    if (const Section* section = profile.find(sectionName)) {
        const auto entry =
            std::find_if(section->entries.begin(), section->entries.end(),
                         [&](const Entry& e) { return text::equalsIgnoringCase(e.key, key); });
        if (entry != section->entries.end()) {
            const Line& line = profile.lines[entry->line];
            // Texts here are built by append: GCC 12 at -O3 warns falsely (-Wrestrict)
            // about "=" + std::string(...).
            const std::string replacement =
                entry->hasEquals ? std::string(value) : std::string("=").append(value);
            bytes.replace(entry->valueBegin, line.end - entry->valueBegin, replacement);
        } else {
            const std::size_t last =
                section->entries.empty() ? section->headerLine : section->entries.back().line;
            insertLinesAt(profile.lines[last].next, entryText);
        }
    } else {
        insertLinesAt(
            bytes.size(),
            std::string("[").append(sectionName).append("]").append(eol).append(entryText));
    }
    return bytes;
}

}  // namespace

std::uint32_t GetPrivateProfileSection(std::string_view sectionName, char* buffer,
                                       std::uint32_t size, std::string_view fileName) {
    if (size < 2) return 0;
    std::string entries;
    if (const auto bytes = load(fileName)) {
        const Profile profile = parse(*bytes);
        if (const Section* section = profile.find(sectionName)) {
            for (const auto& entry : section->entries) {
                entries.append(entry.key);
                if (entry.hasEquals) {
                    entries += '=';
                    entries.append(entry.value);
                }
                entries += '\0';
            }
        }
    }
    if (entries.size() + 1 > size) {
        std::memcpy(buffer, entries.data(), size - 2);
        buffer[size - 2] = buffer[size - 1] = '\0';
        return size - 2;
    }
    std::memcpy(buffer, entries.data(), entries.size());
    buffer[entries.size()] = '\0';
    if (entries.empty()) buffer[1] = '\0';
    return static_cast<std::uint32_t>(entries.empty() ? 0 : entries.size() - 1);
}

std::uint32_t GetPrivateProfileString(std::string_view sectionName, std::string_view key,
                                      std::string_view defaultValue, char* buffer,
                                      std::uint32_t size, std::string_view fileName) {
    if (const auto bytes = load(fileName)) {
        const Profile profile = parse(*bytes);
        if (const Section* section = profile.find(sectionName)) {
            for (const auto& entry : section->entries) {
                if (text::equalsIgnoringCase(entry.key, key))
                    return copyString(unquote(entry.value), buffer, size);
            }
        }
    }
    while (!defaultValue.empty() && defaultValue.back() == ' ') defaultValue.remove_suffix(1);
    return copyString(defaultValue, buffer, size);
}

bool WritePrivateProfileString(std::string_view sectionName, std::string_view key,
                               std::string_view value, std::string_view fileName) {
    if (hasLineBreak(sectionName) || hasLineBreak(key) || hasLineBreak(value) ||
        trimBlanks(key).empty() || key.find('=') != std::string_view::npos ||
        sectionName.find(']') != std::string_view::npos) {
        errno = EINVAL;
        return false;
    }
    return file::updateFile(paths::toLocalPath(fileName, paths::BareName::InWindowsFolder),
                            [&](const std::string* current) -> std::optional<std::string> {
                                return withEntry(current != nullptr ? *current : std::string(),
                                                 sectionName, key, value);
                            });
}

}  // namespace platform::profile
