// The rules of the profile functions on a file's text, without the file: what they
// read from it and how a write changes it. Section and key names given here are
// trimmed of blanks already. See profile.h for the rules themselves.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::profile {

// Where the header line of the first `section` (without regard to case) starts in
// `text`; nothing when there is none. The entries of the section follow it.
std::optional<std::size_t> findSection(std::string_view text, std::string_view section);

// The value of the first `key` (without regard to case) among the entries of the
// section whose header line starts at `header`, blanks and one pair of surrounding
// quotes removed; nothing when there is none.
std::optional<std::string_view> findValue(std::string_view text, std::size_t header,
                                          std::string_view key);

// GetPrivateProfileSectionA's copy of the entries of the section whose header line
// starts at `header` into `buffer` of `size` (at least 2) bytes, and its count.
std::uint32_t copySection(std::string_view text, std::size_t header, char* buffer,
                          std::uint32_t size);

// Whether "key=value" in `section` would stay one entry that reads back: no line break
// or zero byte anywhere, a key that is not empty, holds no '=' and does not begin with
// ';' (a comment) or '[' (a header, or with no ']' no line at all), a section without ']'.
bool isStorable(std::string_view section, std::string_view key, std::string_view value);

// `original` with "key=value" stored in `section`, into `out`, every other byte kept
// (a last line without a line end gets one when it is updated or a line follows it).
void writeWithEntry(std::string_view original, std::string_view section, std::string_view key,
                    std::string_view value, std::string& out);

}  // namespace platform::profile
