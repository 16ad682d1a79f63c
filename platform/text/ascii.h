// Small text helpers for the byte texts of the platform layer. Case is folded for ASCII
// letters only, which is how names in registry, profile and script files are compared.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
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

// How many characters `text`, its ASCII letters upper-cased, has in common with
// `upper` from their start. Eight at a time: names that share a long start (registry
// paths) are compared at memory speed.
inline std::size_t commonStartIgnoringCase(std::string_view text, std::string_view upper) {
    const std::size_t n = std::min(text.size(), upper.size());
    std::size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t ones = 0x0101010101010101;
        for (; i + 8 <= n; i += 8) {
            std::uint64_t word, wanted;
            std::memcpy(&word, text.data() + i, 8);
            std::memcpy(&wanted, upper.data() + i, 8);
            if (word == wanted) continue;
            // A byte of 'a'..'z' gets its 0x20 bit cleared; bytes from 0x80 stay.
            const std::uint64_t low = word & (0x7F * ones);
            const std::uint64_t lower =
                ((low + (0x80 - 'a') * ones) ^ (low + (0x80 - 'z' - 1) * ones)) & ~word &
                (0x80 * ones);
            const std::uint64_t differ = (word ^ (lower >> 2)) ^ wanted;
            if (differ != 0) return i + static_cast<std::size_t>(std::countr_zero(differ)) / 8;
        }
    }
    while (i < n && upperAscii(text[i]) == upper[i]) ++i;
    return i;
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
