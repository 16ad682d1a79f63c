// Parser of the ".reg" export format into a table of keys and values.
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

struct RegStore {
    // Full key paths such as "HKEY_CURRENT_USER\SOFTWARE\HARVANE".
    std::map<std::string, ValueTable> keys;

    // True when `path` is a root name or a key of the store (a parent of a stored key
    // exists too, as an import creates it).
    bool hasKey(const std::string& path) const;
};

// Parses a whole file: UTF-8 (with or without BOM) or UTF-16LE with BOM, behind
// either export header. Returns nothing when the header is missing, since the
// registry editor refuses such a file too. Malformed lines are skipped.
std::optional<RegStore> parseRegFile(std::string_view bytes);

// The canonical name of a root key for its handle, or empty for another value.
std::string_view rootName(std::uint32_t handle);

}  // namespace platform::registry
