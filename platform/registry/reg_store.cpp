#include "reg_store.h"

#include <array>
#include <cctype>
#include <vector>

#include "platform/text/ascii.h"
#include "platform/text/utf16.h"

namespace platform::registry {

namespace {

constexpr std::array<std::string_view, 7> RootNames = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};
constexpr std::uint32_t FirstRootHandle = 0x80000000;

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// Reads a quoted text with the escapes \\ and \" from the start of `s`; on return `s`
// holds what follows the closing quote.
std::optional<std::string> takeQuoted(std::string_view& s) {
    if (s.empty() || s.front() != '"') return std::nullopt;
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            s.remove_prefix(i + 1);
            return out;
        }
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) ++i;
        out += s[i];
    }
    return std::nullopt;
}

std::optional<std::uint32_t> parseHexNumber(std::string_view s, std::size_t maxDigits) {
    if (s.empty() || s.size() > maxDigits) return std::nullopt;
    std::uint32_t n = 0;
    for (const char c : s) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        n = n * 16 + static_cast<std::uint32_t>(std::isdigit(static_cast<unsigned char>(c))
                                                    ? c - '0'
                                                    : std::toupper(c) - 'A' + 10);
    }
    return n;
}

// "aa,bb,cc" with blanks anywhere; an empty list is empty data.
std::optional<std::string> parseHexBytes(std::string_view s) {
    std::string out;
    s = text::trimBlanks(s);
    if (s.empty()) return out;
    while (true) {
        const auto comma = s.find(',');
        const auto byte = parseHexNumber(text::trimBlanks(s.substr(0, comma)), 2);
        if (!byte) return std::nullopt;
        out += static_cast<char>(*byte);
        if (comma == std::string_view::npos) return out;
        s.remove_prefix(comma + 1);
        if (text::trimBlanks(s).empty()) return out;  // a trailing comma
    }
}

bool isStringType(std::uint32_t type) { return type == 1 || type == 2 || type == 7; }

// The data part of a value line: "text", dword:, hex:, hex(N):.
std::optional<StoredValue> parseData(std::string_view data, bool unicodeExport) {
    data = text::trimBlanks(data);
    if (data.starts_with('"')) {
        auto text = takeQuoted(data);
        if (!text || !text::trimBlanks(data).empty()) return std::nullopt;
        return StoredValue{1, *text + '\0'};
    }
    if (data.starts_with("dword:")) {
        const auto n = parseHexNumber(text::trimBlanks(data.substr(6)), 8);
        if (!n) return std::nullopt;
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((*n >> (8 * i)) & 0xFF);
        return StoredValue{4, bytes};
    }
    std::uint32_t type = 3;
    if (data.starts_with("hex(")) {
        const auto close = data.find("):");
        if (close == std::string_view::npos) return std::nullopt;
        const auto n = parseHexNumber(data.substr(4, close - 4), 8);
        if (!n) return std::nullopt;
        type = *n;
        data.remove_prefix(close + 2);
    } else if (data.starts_with("hex:")) {
        data.remove_prefix(4);
    } else {
        return std::nullopt;
    }
    auto bytes = parseHexBytes(data);
    if (!bytes) return std::nullopt;
    // A version 5 export holds string types as UTF-16LE; the ANSI query converts them.
    if (unicodeExport && isStringType(type)) *bytes = text::utf16ToUtf8(*bytes);
    return StoredValue{type, *bytes};
}

// "[HKEY_...\a\b]" to the canonical upper-case path, or nothing for a bad path.
std::optional<std::string> canonicalKeyPath(std::string_view path) {
    if (path.ends_with('\\')) path.remove_suffix(1);
    const std::string folded = text::upperAscii(path);
    const auto slash = folded.find('\\');
    const std::string_view root = std::string_view(folded).substr(0, slash);
    bool known = false;
    for (const auto name : RootNames) known = known || name == root;
    if (!known || folded.find("\\\\") != std::string::npos) return std::nullopt;
    return folded;
}

}  // namespace

std::string_view rootName(std::uint32_t handle) {
    if (handle < FirstRootHandle || handle >= FirstRootHandle + RootNames.size()) return {};
    return RootNames[handle - FirstRootHandle];
}

bool RegStore::hasKey(const std::string& path) const {
    if (path.find('\\') == std::string::npos) {
        for (const auto name : RootNames) {
            if (name == path) return true;
        }
    }
    const auto it = keys.lower_bound(path);
    if (it == keys.end()) return false;
    return it->first == path || it->first.starts_with(path + '\\');
}

std::optional<RegStore> parseRegFile(std::string_view bytes) {
    std::string text;
    if (bytes.starts_with("\xFF\xFE")) {
        text = text::utf16ToUtf8(bytes.substr(2));
    } else {
        if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
        text = bytes;
    }
    const auto lines = splitLines(text);

    std::size_t i = 0;
    while (i < lines.size() && text::trimBlanks(lines[i]).empty()) ++i;
    if (i == lines.size()) return std::nullopt;
    const auto header = text::trimBlanks(lines[i]);
    const bool unicodeExport = header == "Windows Registry Editor Version 5.00";
    if (!unicodeExport && header != "REGEDIT4") return std::nullopt;

    RegStore store;
    ValueTable* current = nullptr;  // null after a bad or deleted key: its values are skipped
    for (++i; i < lines.size(); ++i) {
        std::string line(text::trimBlanks(lines[i]));
        if (line.empty() || line.front() == ';') continue;

        if (line.front() == '[') {
            current = nullptr;
            if (line.back() != ']') continue;
            std::string_view inner = std::string_view(line).substr(1, line.size() - 2);
            const bool deletion = inner.starts_with('-');
            if (deletion) inner.remove_prefix(1);
            const auto path = canonicalKeyPath(text::trimBlanks(inner));
            if (!path) continue;
            if (deletion) {
                auto it = store.keys.lower_bound(*path);
                while (it != store.keys.end() &&
                       (it->first == *path || it->first.starts_with(*path + '\\'))) {
                    it = store.keys.erase(it);
                }
            } else {
                current = &store.keys[*path];
            }
            continue;
        }

        // Hex data may run on over lines that end with a backslash.
        while (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos &&
               i + 1 < lines.size()) {
            line.pop_back();
            line += text::trimBlanks(lines[++i]);
        }
        if (current == nullptr) continue;

        std::string_view rest = line;
        std::string name;
        if (rest.starts_with('@')) {
            rest.remove_prefix(1);
        } else if (auto quoted = takeQuoted(rest)) {
            name = *quoted;
        } else {
            continue;
        }
        rest = text::trimBlanks(rest);
        if (!rest.starts_with('=')) continue;
        rest.remove_prefix(1);
        if (text::trimBlanks(rest) == "-") {
            current->erase(text::upperAscii(name));
        } else if (auto value = parseData(rest, unicodeExport)) {
            (*current)[text::upperAscii(name)] = std::move(*value);
        }
    }
    return store;
}

}  // namespace platform::registry
