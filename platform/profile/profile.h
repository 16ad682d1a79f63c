// Stand-ins for the Windows profile (INI file) functions, in their ANSI forms.
//
// Section and key names match without regard to case (ASCII); blanks around keys and
// values are ignored on read; a line whose first non-blank character is ';' is a
// comment; of duplicate sections or keys the first one counts, on read and on write.
// A file name goes through platform::paths, a bare name into the Windows folder.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform::profile {

// GetPrivateProfileSectionA: copies the entries of `section` as "key=value" texts,
// each ended by a zero, plus a final zero, into `buffer` of `size` bytes. Returns the
// bytes copied without the final zero; 0 when the file or the section is missing or
// the section holds no entry; size - 2 when the entries do not fit (they are cut and
// the buffer ends with two zeros).
std::uint32_t GetPrivateProfileSection(std::string_view section, char* buffer, std::uint32_t size,
                                       std::string_view fileName);

// GetPrivateProfileStringA: copies the value of `key` in `section`, with one pair of
// surrounding quotes removed, into `buffer` of `size` bytes and ends it with a zero.
// A longer value is cut to size - 1 bytes (never inside a UTF-8 character). When the
// file, the section or the key is missing, copies `defaultValue` with its trailing
// blanks removed instead. Returns the bytes copied without the zero.
std::uint32_t GetPrivateProfileString(std::string_view section, std::string_view key,
                                      std::string_view defaultValue, char* buffer,
                                      std::uint32_t size, std::string_view fileName);

// WritePrivateProfileStringA: stores "key=value" in `section`. An existing entry gets
// the new value on its own line; a missing one is added after the section's last
// entry; a missing section is added at the end; a missing file is created (with CRLF
// line ends). Every other byte of the file stays as it was, line ends included. The
// edit goes through platform::file::updateFile: a settled read, the lock of our
// writers, an atomic replace that never undoes a change made since the read, and its
// read-only and link rules. Returns false, with errno set and the file unchanged, when
// the file cannot be written (see updateFile for the one exception), or (EINVAL) when a
// name or the value would not stay one entry: a line break anywhere, an empty key, '='
// in the key, ']' in the section.
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, std::string_view fileName);

}  // namespace platform::profile
