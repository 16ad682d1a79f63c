#include "registry.h"

#include <cstring>
#include <map>
#include <mutex>

#include "platform/file/read_file.h"
#include "platform/paths/paths.h"
#include "platform/text/ascii.h"
#include "reg_store.h"

namespace platform::registry {

namespace {

struct OpenedKey {
    std::string path;
    ValueTable values;
};

std::mutex tableMutex;
std::map<Key, OpenedKey> openedKeys;
Key nextHandle = 1;

// The full path of a root or opened key, or empty for an unknown handle.
std::string pathOf(Key key) {
    if (const auto name = rootName(key); !name.empty()) return std::string(name);
    const auto it = openedKeys.find(key);
    return it == openedKeys.end() ? std::string() : it->second.path;
}

}  // namespace

std::string storePath() {
    return paths::xdgFolder("XDG_CONFIG_HOME", ".config") + "/winreg/registry.reg";
}

long OpenKey(Key root, std::string_view subKey, Key* opened) {
    std::lock_guard lock(tableMutex);
    std::string path = pathOf(root);
    if (path.empty()) return InvalidHandle;
    if (!subKey.empty()) {
        // A leading separator is a bad path name and trailing ones do not count, as
        // Windows answers (Wine's advapi32/tests/registry.c and reg/tests/import.c). A
        // doubled one inside names no key here: we found no statement of what Windows
        // does, and refuse rather than guess.
        if (subKey.front() == '\\') return BadPathname;
        while (subKey.ends_with('\\')) subKey.remove_suffix(1);
        if (subKey.find("\\\\") != std::string_view::npos) return FileNotFound;
        path += '\\';
        path += text::upperAscii(subKey);
    }

    // Read at every open; only the memory is kept for the next one.
    thread_local std::string bytes;
    if (!file::readFileInto(storePath(), bytes)) return FileNotFound;
    auto values = readKey(bytes, path);
    if (!values) return FileNotFound;

    const Key handle = nextHandle++;
    openedKeys[handle] = {path, std::move(*values)};
    *opened = handle;
    return Success;
}

long QueryValue(Key key, std::string_view name, std::uint32_t* type, unsigned char* data,
                std::uint32_t* size) {
    std::lock_guard lock(tableMutex);
    const auto it = openedKeys.find(key);
    if (it == openedKeys.end()) return InvalidHandle;
    const auto value = it->second.values.find(text::upperAscii(name));
    if (value == it->second.values.end()) {
        // Windows clears the size when only the size was asked for.
        if (data == nullptr && size != nullptr) *size = 0;
        return FileNotFound;
    }

    const auto& bytes = value->second.data;
    if (type != nullptr) *type = value->second.type;
    if (data != nullptr) {
        if (size == nullptr) return InvalidHandle;
        if (bytes.size() > *size) {
            *size = static_cast<std::uint32_t>(bytes.size());
            return MoreData;
        }
        std::memcpy(data, bytes.data(), bytes.size());
    }
    if (size != nullptr) *size = static_cast<std::uint32_t>(bytes.size());
    return Success;
}

long CloseKey(Key key) {
    std::lock_guard lock(tableMutex);
    if (!rootName(key).empty()) return Success;
    return openedKeys.erase(key) == 1 ? Success : InvalidHandle;
}

std::size_t OpenKeyCount() {
    std::lock_guard lock(tableMutex);
    return openedKeys.size();
}

}  // namespace platform::registry
