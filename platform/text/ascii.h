// Small text helpers for the byte texts of the platform layer. Case is folded for ASCII
// letters only, which is how names in registry, profile and script files are compared.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace platform::text {

constexpr char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string upperAscii(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) { return upperAscii(c); });
    return out;
}

inline bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return upperAscii(x) == upperAscii(y);
           });
}

inline bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

inline bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           equalsIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

// A blank, as the profile, registry and script files know it: a space or a tab (the
// "C" locale's isspace would take line ends and more).
constexpr bool isBlank(char32_t c) { return c == ' ' || c == '\t'; }

// Without the blanks at its start.
constexpr std::string_view skipBlanks(std::string_view text) {
    while (!text.empty() && isBlank(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    return text;
}

// Without the blanks at either end.
constexpr std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

}  // namespace platform::text
