// Looking up a registry value from a path written as one text, such as
// L"HKEY_CURRENT_USER\Software\Harvane\Vexon\path". Texts are wide-character strings, as
// the programs hold them; they cross into the platform as UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace RegistryFunctions {

// The outcome of one lookup: the value's text; the marker text "Error" when the key
// cannot be opened or the value cannot be read; or empty (no text) when the path is
// malformed or names no known root key.
using RegistryResult = std::optional<std::wstring>;

// The outcome taken as text, as callers take it: empty becomes the empty text.
inline std::wstring AsText(const RegistryResult& result) { return result.value_or(std::wstring()); }

// The predefined handle of a root key name (L"HKEY_CURRENT_USER" gives 0x80000001),
// compared exactly (case and all); 0 for any other text.
std::uint32_t RootKeyFromName(const std::wstring& name);

// Splits `path` into its root key and sub-key. A well-formed path (it starts with
// "HKEY_" and does not end with a backslash) is replaced by its sub-key (empty for a
// root name alone) and `rootKey` is set to the root's handle, 0 for an unknown name.
// A malformed path shows "Incorrect Format:" and the path in a box (platform::box, so
// that no GUI is loaded unless it is shown), stays unchanged, and sets `rootKey` to 0.
void SplitRegistryPath(std::wstring& path, std::uint32_t& rootKey);

// Reads the value `valueName` of the key `path`. Leaves `path` as SplitRegistryPath
// does, so a caller that needs the text again passes a copy. At most 255 bytes of
// data are read; spaces at either end are stripped and the terminating zero dropped.
RegistryResult ReadRegistryString(std::wstring& path, const std::wstring& valueName);

}  // namespace RegistryFunctions
