#include "reg_store.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/text/ascii.h"
#include "platform/text/lines.h"
#include "platform/text/utf16.h"

namespace platform::registry {

namespace {

using text::skipBlanks;
using text::trimBlanks;

constexpr std::array<std::string_view, 7> RootNames = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};
constexpr std::uint32_t FirstRootHandle = 0x80000000;

constexpr std::uint32_t StringType = 1;
constexpr std::uint32_t BinaryType = 3;
constexpr std::uint32_t DwordType = 4;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    const char upper = text::upperAscii(c);
    return upper >= 'A' && upper <= 'F' ? upper - 'A' + 10 : -1;
}

// How many hex digits `s` starts with.
std::size_t hexDigits(std::string_view s) {
    std::size_t n = 0;
    while (n < s.size() && hexDigit(s[n]) >= 0) ++n;
    return n;
}

std::uint32_t hexValue(std::string_view digits) {
    std::uint32_t n = 0;
    for (const char c : digits) n = n * 16 + static_cast<std::uint32_t>(hexDigit(c));
    return n;
}

// After a value's data the import allows blanks and a ';' comment, nothing else.
bool onlyCommentFollows(std::string_view rest) {
    rest = skipBlanks(rest);
    return rest.empty() || rest.front() == ';';
}

// A quoted text with the escapes \\ and \" from the start of `s`; on return `s` holds
// what follows the closing quote. The escape \0 makes it no text.
std::optional<std::string> takeQuoted(std::string_view& s) {
    if (s.empty() || s.front() != '"') return std::nullopt;
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            s.remove_prefix(i + 1);
            return out;
        }
        if (c == '\\' && i + 1 < s.size()) {
            const char escaped = s[i + 1];
            if (escaped == '0') return std::nullopt;
            if (escaped == '\\' || escaped == '"') {
                out += escaped;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return std::nullopt;
}

// "aa,bb," hex bytes into `out`, running on over continuation lines taken from `lines`.
bool parseHexBytes(std::string_view s, text::Lines& lines, std::string& out) {
    for (;;) {
        s = skipBlanks(s);
        if (s.empty() || s.front() == ';') return true;
        if (s.front() == '\\') {
            if (!onlyCommentFollows(s.substr(1))) return false;
            // The next line that is neither blank nor a ';' comment goes on; a '#'
            // comment there ends the value unread.
            text::Line line;
            do {
                if (!lines.next(line)) return false;
                s = skipBlanks(lines.textOf(line));
            } while (s.empty() || s.front() == ';');
            if (s.front() == '#') return false;
            continue;
        }
        const std::size_t digits = hexDigits(s);
        if (digits == 0 || digits > 2) return false;
        out += static_cast<char>(hexValue(s.substr(0, digits)));
        s = skipBlanks(s.substr(digits));
        if (s.empty() || s.front() == ';') return true;
        // A backslash must follow a comma.
        if (s.front() != ',') return false;
        s.remove_prefix(1);
    }
}

bool isStringType(std::uint32_t type) { return type == 1 || type == 2 || type == 7; }

// The data part of a value line: "text", dword:, hex:, hex(N):.
std::optional<StoredValue> parseData(std::string_view data, bool unicodeExport,
                                     text::Lines& lines) {
    if (data.starts_with('"')) {
        auto text = takeQuoted(data);
        if (!text || !onlyCommentFollows(data)) return std::nullopt;
        return StoredValue{StringType, *text + '\0'};
    }
    if (data.starts_with("dword:")) {
        data.remove_prefix(6);
        const std::size_t digits = hexDigits(data);
        if (digits == 0 || digits > 8 || !onlyCommentFollows(data.substr(digits))) {
            return std::nullopt;
        }
        const std::uint32_t n = hexValue(data.substr(0, digits));
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((n >> (8 * i)) & 0xFF);
        return StoredValue{DwordType, bytes};
    }
    std::uint32_t type = BinaryType;
    if (data.starts_with("hex(")) {
        const std::size_t digits = hexDigits(data.substr(4));
        if (digits == 0 || digits > 8 || data.substr(4 + digits, 2) != "):") return std::nullopt;
        type = hexValue(data.substr(4, digits));
        data.remove_prefix(4 + digits + 2);
    } else if (data.starts_with("hex:")) {
        data.remove_prefix(4);
    } else {
        return std::nullopt;
    }
    std::string bytes;
    if (!parseHexBytes(data, lines, bytes)) return std::nullopt;
    if (isStringType(type)) {
        // A string type gets its terminating zero where the data lacks it; a version 5
        // export holds it as UTF-16LE, which the ANSI query returns as UTF-8.
        if (unicodeExport) {
            if (bytes.size() % 2 != 0) bytes += '\0';
            if (bytes.size() < 2 || bytes[bytes.size() - 1] != 0 || bytes[bytes.size() - 2] != 0)
                bytes.append(2, '\0');
            bytes = text::utf16ToUtf8(bytes);
        } else if (bytes.empty() || bytes.back() != '\0') {
            bytes += '\0';
        }
    }
    return StoredValue{type, std::move(bytes)};
}

// The canonical upper-case path of a key line's name, or nothing for a bad name.
// Backslashes that end the name do not count, as the import ignores them.
std::optional<std::string> canonicalKeyPath(std::string_view path) {
    while (path.ends_with('\\')) path.remove_suffix(1);
    std::string folded = text::upperAscii(path);
    const std::string_view root = std::string_view(folded).substr(0, folded.find('\\'));
    bool known = false;
    for (const auto name : RootNames) known = known || name == root;
    if (!known || folded.find("\\\\") != std::string::npos) return std::nullopt;
    return folded;
}

// Whether hex data could run on over the line that starts at `to`: whether the last
// line before it that is neither blank nor a ';' comment (looked for no further back
// than `from`, where a line starts afresh) has a backslash with only blanks, or blanks
// and a ';' comment, behind it. It looks at that one line, back to front, not at every
// line between.
bool mayRunOnto(std::string_view text, std::size_t from, std::size_t to) {
    const char* const first = text.data() + from;
    const char* at = text.data() + to;
    const auto isLineEnd = [](char c) { return c == '\n' || c == '\r'; };
    for (;;) {
        // Back over line ends, blank lines and the blanks that end the line before.
        while (at > first &&
               (isLineEnd(at[-1]) || text::isBlank(static_cast<unsigned char>(at[-1]))))
            --at;
        if (at == first) return false;
        if (at[-1] == '\\') return true;
        const auto length = static_cast<std::size_t>(at - first);
        const char* start = static_cast<const char*>(memrchr(first, '\n', length));
        start = start == nullptr ? first : start + 1;
        if (const void* cr = memrchr(start, '\r', static_cast<std::size_t>(at - start)))
            start = static_cast<const char*>(cr) + 1;
        // Without a ';' the line can neither be a comment nor end in "\ ;comment".
        const std::string_view line = trimBlanks({start, static_cast<std::size_t>(at - start)});
        std::size_t semicolon = line.find(';');
        if (semicolon == std::string_view::npos) return false;
        if (semicolon != 0) {
            for (; semicolon != std::string_view::npos; semicolon = line.find(';', semicolon + 1)) {
                if (trimBlanks(line.substr(0, semicolon)).ends_with('\\')) return true;
            }
            return false;
        }
        at = start;
    }
}

// Where the '[' of the key line at `lineStart` stands, after any blanks.
std::size_t bracketOf(std::string_view text, std::size_t lineStart) {
    return text.size() - text::skipBlanks(text.substr(lineStart)).size();
}

// Whether the key line at `lineStart` shows in its first characters that it names
// neither `path` (upper-case, without line ends) nor a key above or below it: its name
// and `path` differ at a place where the name goes on (it does not end there with ']'
// or the line). Most key lines of a store are told apart this way, without finding
// where they end.
bool cannotConcern(std::string_view text, std::size_t lineStart, std::string_view path) {
    std::size_t at = bracketOf(text, lineStart) + 1;
    if (at < text.size() && text[at] == '-') ++at;
    const std::size_t common = text::commonStartIgnoringCase(text.substr(at), path);
    if (common == path.size() || at + common == text.size()) return false;
    const char differing = text[at + common];
    return differing != ']' && differing != '\r' && differing != '\n';
}

// Where the scan outside the key goes on from `lineStart` (the start of a line that is
// read afresh): at the next key line that may concern `path`, or, when hex data could
// run on over that line, at `lineStart` itself to read each line up to it; `*keyLine`
// is then where that key line starts. Key lines that cannot concern `path` are passed
// over unread: whether hex data takes such a line or not, the line after it is read
// afresh outside the key.
std::size_t nextLineToRead(std::string_view text, std::size_t lineStart, std::string_view path,
                           std::size_t* keyLine) {
    std::size_t searchFrom = lineStart;
    for (;;) {
        *keyLine = text::bracketLineStart(text, searchFrom);
        if (*keyLine == text.size()) return *keyLine;
        if (!cannotConcern(text, *keyLine, path))
            return mayRunOnto(text, lineStart, *keyLine) ? lineStart : *keyLine;
        lineStart = *keyLine;
        searchFrom = bracketOf(text, *keyLine) + 1;
    }
}

// Whether the key `path` is `key` itself or one of its sub-keys.
bool isWithin(std::string_view path, std::string_view key) {
    return path.starts_with(key) && (path.size() == key.size() || path[key.size()] == '\\');
}

}  // namespace

std::string_view rootName(std::uint32_t handle) {
    if (handle < FirstRootHandle || handle >= FirstRootHandle + RootNames.size()) return {};
    return RootNames[handle - FirstRootHandle];
}

std::optional<ValueTable> readKey(std::string_view bytes, std::string_view path, Scan scan) {
    thread_local std::string decoded;  // its memory is reused from lookup to lookup
    if (text::hasUtf16Bom(bytes)) {
        text::utf16ToUtf8(bytes.substr(2), decoded);
        bytes = decoded;
    } else if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    text::Lines lines(bytes);
    text::Line line;
    if (!lines.next(line)) return std::nullopt;
    const std::string_view header = trimBlanks(lines.textOf(line));
    const bool unicodeExport = header == "Windows Registry Editor Version 5.00";
    if (!unicodeExport && header != "REGEDIT4") return std::nullopt;

    const bool isRoot = path.find('\\') == std::string_view::npos;
    bool exists = isRoot;
    bool inKey = false;  // the lines below the current key line belong to `path`
    ValueTable values;
    // Outside the key only key lines that may concern it are read, unless hex data could
    // take such a line: then each line up to it is read. (A path with a line end could
    // match across lines in the first characters of a key line.)
    const bool skipping =
        scan == Scan::Skipping && path.find_first_of("\r\n") == std::string_view::npos;
    std::size_t lineByLineTo = 0;
    for (;;) {
        if (!inKey && skipping && lines.position() >= lineByLineTo)
            lines.seek(nextLineToRead(lines.text(), lines.position(), path, &lineByLineTo));
        if (!lines.next(line)) break;
        const std::string_view content = trimBlanks(lines.textOf(line));
        if (content.empty() || content.front() == ';' || content.front() == '#') continue;
        // A value of another key matters only when its data may run on over the lines
        // that follow, which takes hex data and a backslash.
        if (!inKey && content.front() != '[' &&
            (content.find('\\') == std::string_view::npos ||
             content.find("hex") == std::string_view::npos)) {
            continue;
        }

        if (content.front() == '[') {
            inKey = false;
            if (content.back() != ']') continue;
            std::string_view name = content.substr(1, content.size() - 2);
            const bool deletion = name.starts_with('-');
            if (deletion) name.remove_prefix(1);
            if (name.empty() || text::isBlank(static_cast<unsigned char>(name.front()))) continue;
            // Most key lines concern other keys: neither this key nor one above or below
            // it. That shows in their first characters, without building a path.
            if (text::commonStartIgnoringCase(name, path) < std::min(name.size(), path.size()))
                continue;
            const auto key = canonicalKeyPath(name);
            if (!key) continue;
            if (deletion) {
                if (isWithin(path, *key)) {
                    exists = isRoot;
                    values.clear();
                }
            } else if (isWithin(*key, path)) {
                exists = true;
                inKey = *key == path;
            }
            continue;
        }

        std::string_view rest = content;
        std::string name;
        if (rest.starts_with('@')) {
            rest.remove_prefix(1);
        } else if (auto quoted = takeQuoted(rest)) {
            name = std::move(*quoted);
        } else {
            continue;
        }
        rest = skipBlanks(rest);
        if (!rest.starts_with('=')) continue;
        rest = skipBlanks(rest.substr(1));
        if (rest.starts_with('-')) {
            if (inKey && onlyCommentFollows(rest.substr(1))) values.erase(text::upperAscii(name));
            continue;
        }
        // Parsed in every key, since hex data may take the lines that follow.
        auto value = parseData(rest, unicodeExport, lines);
        if (inKey && value) values[text::upperAscii(name)] = std::move(*value);
    }
    if (!exists) return std::nullopt;
    return values;
}

}  // namespace platform::registry
