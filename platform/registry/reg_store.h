// Reading one key of a ".reg" export, as the registry editor's import would leave it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace platform::registry {

struct StoredValue {
    std::uint32_t type = 0;
    std::string data;  // the bytes that the ANSI query returns
};

// Names are held upper-cased (text::upperAscii), which is how they match without regard
// to case.
using ValueTable = std::map<std::string, StoredValue>;

// The values of the key `path` (canonical and upper-case: "HKEY_CURRENT_USER\SOFTWARE")
// after importing the whole store `bytes` in file order; nothing when the key does not
// exist then (a root name always exists, a parent of an imported key too) or when the
// store has no valid header, which the registry editor refuses. The store may be UTF-8
// (with or without byte order mark) or UTF-16LE with its byte order mark. It is
// scanned once, and only the asked key's values are kept.
//
// The import's rules: the header ("REGEDIT4" or "Windows Registry Editor Version
// 5.00", blanks before it allowed) is the first line; CR, LF and CR LF end lines; lines
// whose first non-blank character is ';' or '#' are comments; a key line may not have a
// blank right after "[" or "[-", and backslashes that end its name do not count; a
// value line may have blanks around '='; after a value's data only blanks and a ';'
// comment may follow ('#' or anything else drops the value); a string may not hold the
// escape \0; dword data is one to eight hex digits; hex data runs on over lines ending in
// "," then "\" (a ';' comment may follow), skipping blank and ';' comment lines between
// (a '#' comment line there drops the value); hex(1), hex(2) and hex(7) data without a
// final zero gets one. A value or key that breaks these rules is skipped.
//
// Outside the key, most lines are passed over unread (Scan::Skipping): key lines that
// show in their first characters that they concern neither the key nor a key above or
// below it, and the values of other keys unless hex data could run on over a key line
// that matters. Scan::EveryLine reads every line: the plain form of the same rules,
// which the fuzzer holds the skipping to.
enum class Scan { Skipping, EveryLine };
std::optional<ValueTable> readKey(std::string_view bytes, std::string_view path,
                                  Scan scan = Scan::Skipping);

// The canonical name of a root key for its handle, or empty for another value.
std::string_view rootName(std::uint32_t handle);

}  // namespace platform::registry
