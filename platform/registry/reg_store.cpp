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

// Whether a line in [from, to) of `text` could run on over the next one: a backslash
// with nothing but blanks, a ';' comment or the line's end behind it.
bool mayRunOn(std::string_view text, std::size_t from, std::size_t to) {
    while (from < to) {
        const void* found = std::memchr(text.data() + from, '\\', to - from);
        if (found == nullptr) return false;
        std::size_t after =
            static_cast<std::size_t>(static_cast<const char*>(found) - text.data()) + 1;
        while (after < text.size() && text::isBlank(static_cast<unsigned char>(text[after])))
            ++after;
        if (after >= text.size() || text[after] == '\r' || text[after] == '\n' ||
            text[after] == ';')
            return true;
        from = after;
    }
    return false;
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

std::optional<ValueTable> readKey(std::string_view bytes, std::string_view path) {
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
    for (;;) {
        // Outside the key only key lines count, unless hex data could take the lines
        // that follow: then each line is read.
        if (!inKey) {
            const std::size_t next = lines.nextBracketLineStart();
            if (!mayRunOn(lines.text(), lines.position(), next)) lines.seek(next);
        }
        if (!lines.next(line)) break;
        const std::string_view raw = lines.textOf(line);
        // A value of another key matters only when its data may run on over the lines
        // that follow, which takes hex data and a backslash.
        if (!inKey && !raw.empty() && raw.front() != '[' &&
            (std::memchr(raw.data(), '\\', raw.size()) == nullptr ||
             raw.find("hex") == std::string_view::npos)) {
            continue;
        }
        const std::string_view content = trimBlanks(raw);
        if (content.empty() || content.front() == ';' || content.front() == '#') continue;

        if (content.front() == '[') {
            inKey = false;
            if (content.back() != ']') continue;
            std::string_view name = content.substr(1, content.size() - 2);
            const bool deletion = name.starts_with('-');
            if (deletion) name.remove_prefix(1);
            if (name.empty() || text::isBlank(static_cast<unsigned char>(name.front()))) continue;
            // Most key lines concern other keys: neither this key nor one above or below
            // it. That shows in their first characters, without building a path.
            const std::size_t common = std::min(name.size(), path.size());
            if (!text::equalsIgnoringCase(name.substr(0, common), path.substr(0, common))) continue;
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
