// The profile functions' reader and writer on any text. The input is the file's text,
// then the section, the key and the value, each after a byte 0x01. Invariants of a
// write that is allowed: the value reads back as written (blanks and one pair of
// quotes removed), and no more than one line of the old text changed.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile/profile_text.h"
#include "platform/text/ascii.h"

namespace {

std::vector<std::string_view> split(std::string_view input) {
    std::vector<std::string_view> parts;
    while (parts.size() < 3) {
        const auto at = input.find('\x01');
        if (at == std::string_view::npos) break;
        parts.push_back(input.substr(0, at));
        input.remove_prefix(at + 1);
    }
    parts.push_back(input);
    while (parts.size() < 4) parts.emplace_back();
    return parts;
}

std::string_view unquoted(std::string_view value) {
    value = platform::text::trimBlanks(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platform::profile;
    const auto parts = split(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string_view text = parts[0];
    const std::string_view section = platform::text::trimBlanks(parts[1]);
    const std::string_view key = platform::text::trimBlanks(parts[2]);
    const std::string_view value = parts[3];

    if (const auto header = findSection(text, section)) {
        char buffer[255], small[24];
        copySection(text, *header, buffer, sizeof buffer);
        copySection(text, *header, small, sizeof small);
        findValue(text, *header, key);
    }

    if (!isStorable(section, key, value)) return 0;
    std::string out;
    writeWithEntry(text, section, key, value, out);
    const auto header = findSection(out, section);
    const auto back = header ? findValue(out, *header, key) : std::nullopt;
    if (!back || *back != unquoted(value)) __builtin_trap();

    std::size_t prefix = 0;
    while (prefix < text.size() && prefix < out.size() && text[prefix] == out[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < text.size() - prefix && suffix < out.size() - prefix &&
           text[text.size() - 1 - suffix] == out[out.size() - 1 - suffix])
        ++suffix;
    const std::string_view replaced = text.substr(prefix, text.size() - prefix - suffix);
    if (replaced.find_first_of("\r\n") != std::string_view::npos) __builtin_trap();
    return 0;
}
