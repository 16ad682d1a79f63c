// UTF-16LE, the encoding of Windows' "Unicode" files (registry exports, profile files
// that start with its byte order mark), to and from the UTF-8 of the platform layer.
#pragma once

#include <string>
#include <string_view>

namespace platform::text {

// Whether `bytes` starts with the UTF-16LE byte order mark FF FE.
inline bool hasUtf16Bom(std::string_view bytes) { return bytes.starts_with("\xFF\xFE"); }

// UTF-16LE bytes (without a byte order mark) as UTF-8; an unpaired surrogate becomes
// U+FFFD, an odd last byte is dropped.
std::string utf16ToUtf8(std::string_view bytes);
// The same into `out`, whose memory is reused.
void utf16ToUtf8(std::string_view bytes, std::string& out);

// UTF-8 as UTF-16LE bytes, without a byte order mark; a malformed sequence becomes
// U+FFFD.
std::string utf8ToUtf16(std::string_view bytes);

}  // namespace platform::text
