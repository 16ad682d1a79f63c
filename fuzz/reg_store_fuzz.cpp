// The registry store's reader on any bytes: no crash, no leak, and passing over lines
// gives exactly what reading every line gives.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/registry/reg_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace reg = platform::registry;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const char* path : {"HKEY_CURRENT_USER", "HKEY_CURRENT_USER\\SOFTWARE\\T"}) {
        const auto skipping = reg::readKey(bytes, path, reg::Scan::Skipping);
        const auto everyLine = reg::readKey(bytes, path, reg::Scan::EveryLine);
        if (skipping.has_value() != everyLine.has_value()) __builtin_trap();
        if (!skipping) continue;
        if (skipping->size() != everyLine->size()) __builtin_trap();
        for (const auto& [name, value] : *skipping) {
            const auto other = everyLine->find(name);
            if (other == everyLine->end() || other->second.type != value.type ||
                other->second.data != value.data)
                __builtin_trap();
        }
    }
    return 0;
}
