// Read-only stand-in for the Windows registry calls, over a ".reg" text store.
//
// The store is the file $XDG_CONFIG_HOME/winreg/registry.reg (default
// ~/.config/winreg/registry.reg) in the format that the Windows registry editor
// exports. It is read again at every OpenKey, so nothing survives between lookups.
// Texts are UTF-8 bytes, as the ANSI forms of the calls take them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::registry {

using Key = std::uint32_t;

// The predefined root keys, with the handle values that Windows gives them.
inline constexpr Key ClassesRoot = 0x80000000;
inline constexpr Key CurrentUser = 0x80000001;
inline constexpr Key LocalMachine = 0x80000002;
inline constexpr Key Users = 0x80000003;
inline constexpr Key PerformanceData = 0x80000004;
inline constexpr Key CurrentConfig = 0x80000005;
inline constexpr Key DynData = 0x80000006;

// Status codes, as the Windows calls return them.
inline constexpr long Success = 0;
inline constexpr long FileNotFound = 2;   // ERROR_FILE_NOT_FOUND
inline constexpr long InvalidHandle = 6;  // ERROR_INVALID_HANDLE
inline constexpr long BadPathname = 161;  // ERROR_BAD_PATHNAME
inline constexpr long MoreData = 234;     // ERROR_MORE_DATA

// Value types, as the registry reports them.
inline constexpr std::uint32_t TypeString = 1;        // REG_SZ
inline constexpr std::uint32_t TypeExpandString = 2;  // REG_EXPAND_SZ
inline constexpr std::uint32_t TypeBinary = 3;        // REG_BINARY
inline constexpr std::uint32_t TypeDword = 4;         // REG_DWORD
inline constexpr std::uint32_t TypeMultiString = 7;   // REG_MULTI_SZ

// The path of the store file, from the environment at the moment of the call.
std::string storePath();

// RegOpenKeyExA for reading: opens subKey (backslash-separated, any case) under the
// root key `root`; an empty subKey opens the root itself, and backslashes that end it
// do not count. Returns Success and sets *opened; BadPathname for a sub-key that
// begins with a backslash; FileNotFound when the store, the root or the key is missing.
// The store is read and scanned once. An opened key holds a snapshot of its values
// until CloseKey.
long OpenKey(Key root, std::string_view subKey, Key* opened);

// RegQueryValueExA: reads the value `name` (any case; empty for the default value)
// of an opened key. On entry *size is the buffer's length in bytes. On Success the
// data stands at the start of `data`, the bytes after it are untouched, and *size
// holds its length (a string with its terminating zero). Data larger than the
// buffer gives MoreData with *size set to the length needed and the buffer
// untouched; a null `data` asks for the size only. A missing value gives FileNotFound,
// with *size set to 0 when `data` is null and untouched otherwise. `type` may be null.
long QueryValue(Key key, std::string_view name, std::uint32_t* type, unsigned char* data,
                std::uint32_t* size);

// RegCloseKey: releases an opened key. Closing a root key does nothing.
long CloseKey(Key key);

// How many keys are open now; lets a test see that every open was closed.
std::size_t OpenKeyCount();

}  // namespace platform::registry
