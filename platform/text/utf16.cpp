#include "utf16.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "utf8.h"

namespace platform::text {

std::string utf16ToUtf8(std::string_view bytes) {
    std::string out;
    utf16ToUtf8(bytes, out);
    return out;
}

namespace {

using Bytes16 = std::uint8_t __attribute__((vector_size(16)));

// Sixteen units that are all ASCII, copied from `from` to `to` as sixteen bytes; false
// (nothing copied) when one is not. Most of a Windows export is ASCII, and this takes
// it at memory speed: the low bytes of the units gathered in one shuffle.
bool copyAsciiUnits(const unsigned char* from, char* to) {
    Bytes16 first, second;
    std::memcpy(&first, from, 16);
    std::memcpy(&second, from + 16, 16);
    const Bytes16 low = __builtin_shufflevector(first, second, 0, 2, 4, 6, 8, 10, 12, 14, 16, 18,
                                                20, 22, 24, 26, 28, 30);
    const Bytes16 high = __builtin_shufflevector(first, second, 1, 3, 5, 7, 9, 11, 13, 15, 17, 19,
                                                 21, 23, 25, 27, 29, 31);
    const Bytes16 notAscii = high | (low & 0x80);
    std::uint64_t halves[2];
    std::memcpy(halves, &notAscii, sizeof halves);
    if ((halves[0] | halves[1]) != 0) return false;
    std::memcpy(to, &low, 16);
    return true;
}

}  // namespace

void utf16ToUtf8(std::string_view bytes, std::string& out) {
    // Written straight into a buffer of the largest size (three bytes per unit), then
    // cut.
    out.resize(bytes.size() / 2 * 3);
    char* to = out.data();
    const auto* from = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t units = bytes.size() / 2;
    std::size_t i = 0;
    while (i < units) {
        if (i + 16 <= units && copyAsciiUnits(from + 2 * i, to)) {
            i += 16;
            to += 16;
            continue;
        }
        for (const std::size_t stop = std::min(units, i + 16); i < stop; ++i) {
            char32_t c = static_cast<char32_t>(from[2 * i] | (from[2 * i + 1] << 8));
            if (c < 0x80) {
                *to++ = static_cast<char>(c);
                continue;
            }
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < units) {
                const char32_t low =
                    static_cast<char32_t>(from[2 * i + 2] | (from[2 * i + 3] << 8));
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
