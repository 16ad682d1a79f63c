#include "profile_text.h"

#include <algorithm>
#include <cstring>

#include "platform/text/ascii.h"
#include "platform/text/lines.h"

namespace platform::profile {

namespace {

using text::Line;
using text::Lines;
using text::trimBlanks;

// What a line is to the profile functions.
struct Meaning {
    enum Kind { Other, Header, Entry } kind = Other;
    std::string_view name;       // the section of a header, the key of an entry (trimmed)
    std::string_view value;      // an entry's value, trimmed; empty without '='
    std::size_t valueBegin = 0;  // where a new value goes: after '=', or the line's end
    bool hasEquals = false;
};

// A section header ends at its first ']', as in Windows ("[DDSB_1] ; board [2]" is
// the section DDSB_1); a '[' line without one is nothing. A line whose first non-blank
// character is ';' is a comment. A UTF-8 byte order mark is not skipped, as Windows
// does not skip it: the first line then holds no section.
Meaning meaningOf(std::string_view all, const Line& line) {
    const std::string_view text = all.substr(line.begin, line.end - line.begin);
    const std::string_view content = trimBlanks(text);
    Meaning meaning;
    if (content.empty() || content.front() == ';') return meaning;
    if (content.front() == '[') {
        const auto close = content.find(']');
        if (close != std::string_view::npos) {
            meaning.kind = Meaning::Header;
            meaning.name = trimBlanks(content.substr(1, close - 1));
        }
        return meaning;
    }
    meaning.kind = Meaning::Entry;
    const auto equals = text.find('=');
    meaning.hasEquals = equals != std::string_view::npos;
    meaning.name = trimBlanks(text.substr(0, equals));
    if (meaning.hasEquals) {
        meaning.value = trimBlanks(text.substr(equals + 1));
        meaning.valueBegin = line.begin + equals + 1;
    } else {
        meaning.valueBegin = line.end;
    }
    return meaning;
}

// Calls `onEntry(line, meaning)` for each entry of the section whose header line
// starts at `header`, until it returns false. Returns the header line.
template <typename OnEntry>
Line walkEntries(std::string_view all, std::size_t header, OnEntry onEntry) {
    Lines lines(all, header);
    Line headerLine, line;
    lines.next(headerLine);
    while (lines.next(line)) {
        const Meaning meaning = meaningOf(all, line);
        if (meaning.kind == Meaning::Header) break;
        if (meaning.kind == Meaning::Entry && !onEntry(line, meaning)) break;
    }
    return headerLine;
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// The line end the file uses (its first), CR LF for a file without one.
std::string_view lineEndOf(std::string_view all) {
    const auto end = all.find_first_of("\r\n");
    if (end == std::string_view::npos || all.compare(end, 2, "\r\n") == 0) return "\r\n";
    return all[end] == '\n' ? "\n" : "\r";
}

}  // namespace

std::optional<std::size_t> findSection(std::string_view text, std::string_view section) {
    Lines lines(text);
    Line line;
    // Only headers count, and only lines that start with '[' can be one: the search
    // jumps between them. Most differ from the one sought in their first character.
    const char first = section.empty() ? '\0' : text::upperAscii(section.front());
    while (lines.nextBracketLine(line)) {
        const std::string_view inner =
            text::skipBlanks(text::skipBlanks(lines.textOf(line)).substr(1));
        if (first != '\0' && (inner.empty() || text::upperAscii(inner.front()) != first)) continue;
        const Meaning meaning = meaningOf(lines.text(), line);
        if (meaning.kind == Meaning::Header && text::equalsIgnoringCase(meaning.name, section))
            return line.begin;
    }
    return std::nullopt;
}

std::optional<std::string_view> findValue(std::string_view text, std::size_t header,
                                          std::string_view key) {
    std::optional<std::string_view> found;
    walkEntries(text, header, [&](const Line&, const Meaning& meaning) {
        if (!text::equalsIgnoringCase(meaning.name, key)) return true;
        found = unquote(meaning.value);
        return false;
    });
    return found;
}

std::uint32_t copySection(std::string_view text, std::size_t header, char* buffer,
                          std::uint32_t size) {
    buffer[0] = buffer[1] = '\0';
    // Entries go straight into the buffer, each ended by a zero; Windows counts those
    // zeros and, when they do not fit, cuts the entries and answers size - 2.
    std::size_t used = 0;
    bool cut = false;
    auto put = [&](std::string_view piece) {
        const std::size_t room = size - 2 - used;
        const std::size_t count = std::min(piece.size(), room);
        std::memcpy(buffer + used, piece.data(), count);
        used += count;
        cut = cut || count < piece.size();
    };
    walkEntries(text, header, [&](const Line&, const Meaning& meaning) {
        put(meaning.name);
        if (meaning.hasEquals) {
            put("=");
            put(meaning.value);
        }
        put(std::string_view("\0", 1));
        return !cut;
    });
    if (cut) {
        buffer[size - 2] = buffer[size - 1] = '\0';
        return size - 2;
    }
    buffer[used] = '\0';
    return static_cast<std::uint32_t>(used);
}

bool isStorable(std::string_view section, std::string_view key, std::string_view value) {
    const auto breaks = [](std::string_view text) {
        return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
    };
    return !breaks(section) && !breaks(key) && !breaks(value) && !key.empty() &&
           key.find('=') == std::string_view::npos && key.front() != ';' && key.front() != '[' &&
           section.find(']') == std::string_view::npos;
}

// `original` with "key=value" stored in `section`, into `out`, every other byte kept. Windows ends
// every line it writes; so a last line without a line end gets one when the new line
// follows it or when it is the line updated.
void writeWithEntry(std::string_view original, std::string_view section, std::string_view key,
                    std::string_view value, std::string& out) {
    const Lines lines(original);
    const std::string_view all = lines.text();
    const std::string_view eol = lineEndOf(all);

    std::optional<Line> header, target, last;
    std::size_t targetValueBegin = 0;
    bool targetHasEquals = false;
    if (const auto headerAt = findSection(all, section)) {
        header = walkEntries(all, *headerAt, [&](const Line& line, const Meaning& meaning) {
            last = line;
            if (!target && text::equalsIgnoringCase(meaning.name, key)) {
                target = line;
                targetValueBegin = meaning.valueBegin;
                targetHasEquals = meaning.hasEquals;
            }
            return true;
        });
    }

    out.reserve(original.size() + section.size() + key.size() + value.size() + 8);
    auto endLine = [&](const Line& line) {
        if (!line.hasLineEnd()) out += eol;
    };
    if (target) {
        out.append(original.substr(0, targetValueBegin));
        if (!targetHasEquals) out += '=';
        out.append(value);
        out.append(original.substr(target->end, target->next - target->end));
        endLine(*target);
        out.append(original.substr(target->next));
        return;
    }
    const std::optional<Line> after = last ? last : header;
    if (after) {
        out.append(original.substr(0, after->next));
        endLine(*after);
        out.append(key).append("=").append(value).append(eol);
        out.append(original.substr(after->next));
        return;
    }
    // A new section at the end of the text, before any zero bytes that end the file.
    out.append(all);
    if (!all.empty() && all.back() != '\n' && all.back() != '\r') out += eol;
    out.append("[").append(section).append("]").append(eol);
    out.append(key).append("=").append(value).append(eol);
    out.append(original.substr(all.size()));
}

}  // namespace platform::profile
