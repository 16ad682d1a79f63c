// Stand-ins for the Windows profile (INI file) functions, in their ANSI forms.
//
// The Windows rules, as the spectrometer application reads the same file: section and
// key names match without regard to case (ASCII), and blanks around them, in the file
// and in the names given, do not count; blanks around values are ignored on read; a
// line whose first non-blank character is ';' is a comment; a section header ends at
// its first ']'; CR, LF and CR LF all end a line; zero bytes at the end of a file are
// no entry; a UTF-8 byte order mark is not skipped (the first line then holds no
// section), a UTF-16LE file with its byte order mark is read and written as such; of
// duplicate sections or keys the first one counts, on read and on write.
// Deliberately unlike Windows, which rewrites the whole file with CR LF: a write keeps
// every other byte, and the file's own line ends (an LF file stays LF).
// Each call reads the file once and scans it once, with no table of its lines.
// A file name goes through platform::paths, a bare name into the Windows folder.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform::profile {

// GetPrivateProfileSectionA: copies the entries of `section` as "key=value" texts,
// each ended by a zero, plus a final zero, into `buffer` of `size` bytes. Returns the
// bytes copied with each entry's zero but without the final one, as Windows counts;
// 0 when the file or the section is missing or the section holds no entry; size - 2
// when the entries do not fit (they are cut and the buffer ends with two zeros).
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
// entry; a missing section is added at the end (before zero bytes that end the file);
// a missing file is created (with CRLF line ends). Every other byte of the file stays
// as it was, line ends included, except that a last line without a line end gets one
// when it is updated or a line follows it, as Windows ends every line it writes. The
// edit goes through platform::file::updateFile: a settled read, the lock of our
// writers, an atomic replace that never undoes a change made since the read, and its
// read-only and link rules. Returns false, with errno set and the file unchanged, when
// the file cannot be written (see updateFile for the one exception), or (EINVAL) when a
// name or the value would not stay one entry: a line break or zero byte anywhere, an
// empty key, '=' in the key, a key beginning with ';' or '[' (it would read as a
// comment, a header or nothing), ']' in the section.
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, std::string_view fileName);

}  // namespace platform::profile
