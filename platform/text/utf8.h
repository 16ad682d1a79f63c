// Conversions between the programs' wide-character texts and the UTF-8 bytes that the
// platform layer speaks (the "ANSI code page" of this platform).
#pragma once

#include <string>
#include <string_view>

namespace platform::text {

// Appends the code point `c` to `bytes` as UTF-8; `c` must be a Unicode scalar value.
void appendUtf8(std::string& bytes, char32_t c);

// `text` as UTF-8. A wchar_t that is no Unicode scalar value becomes U+FFFD.
std::string toUtf8(std::wstring_view text);

// `bytes` decoded from UTF-8, one wchar_t per code point. A malformed sequence becomes
// U+FFFD, one per byte that starts no valid sequence.
std::wstring fromUtf8(std::string_view bytes);

}  // namespace platform::text
