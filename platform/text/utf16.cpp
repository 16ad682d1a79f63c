#include "utf16.h"

#include "utf8.h"

namespace platform::text {

std::string utf16ToUtf8(std::string_view bytes) {
    std::string out;
    utf16ToUtf8(bytes, out);
    return out;
}

void utf16ToUtf8(std::string_view bytes, std::string& out) {
    // Written straight into a buffer of the largest size (three bytes per unit), then
    // cut: a store of many megabytes decodes at memory speed.
    out.resize(bytes.size() / 2 * 3);
    char* to = out.data();
    const auto* from = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        char32_t c = static_cast<char32_t>(from[2 * i] | (from[2 * i + 1] << 8));
        if (c < 0x80) {
            *to++ = static_cast<char>(c);
            continue;
        }
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units) {
            const char32_t low = static_cast<char32_t>(from[2 * i + 2] | (from[2 * i + 3] << 8));
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            } else {
                c = 0xFFFD;
            }
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        std::string encoded;
        appendUtf8(encoded, c);
        for (const char byte : encoded) *to++ = byte;
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
}

std::string utf8ToUtf16(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    auto put = [&](char16_t unit) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    };
    for (const wchar_t c : fromUtf8(bytes)) {
        const auto code = static_cast<char32_t>(c);
        if (code >= 0x10000) {
            put(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            put(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            put(static_cast<char16_t>(code));
        }
    }
    return out;
}

}  // namespace platform::text
