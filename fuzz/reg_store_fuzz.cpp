// The registry store's reader on any bytes: no crash, no leak, and the same key read
// twice gives the same values.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/registry/reg_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const char* path : {"HKEY_CURRENT_USER", "HKEY_CURRENT_USER\\SOFTWARE\\T"}) {
        const auto values = platform::registry::readKey(bytes, path);
        const auto again = platform::registry::readKey(bytes, path);
        if (values.has_value() != again.has_value()) __builtin_trap();
        if (values && values->size() != again->size()) __builtin_trap();
    }
    return 0;
}
