#include "registry_functions.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/box/box.h"
#include "platform/registry/registry.h"
#include "platform/text/utf8.h"

namespace RegistryFunctions {

namespace reg = platform::registry;

std::uint32_t RootKeyFromName(const std::wstring& name) {
    struct Root {
        const wchar_t* name;
        std::uint32_t handle;
    };
    static constexpr std::array<Root, 7> roots = {{
        {L"HKEY_CLASSES_ROOT", reg::ClassesRoot},
        {L"HKEY_CURRENT_USER", reg::CurrentUser},
        {L"HKEY_LOCAL_MACHINE", reg::LocalMachine},
        {L"HKEY_USERS", reg::Users},
        {L"HKEY_PERFORMANCE_DATA", reg::PerformanceData},
        {L"HKEY_CURRENT_CONFIG", reg::CurrentConfig},
        {L"HKEY_DYN_DATA", reg::DynData},
    }};
    for (const auto& root : roots) {
        if (name == root.name) return root.handle;
    }
    return 0;
}

void SplitRegistryPath(std::wstring& path, std::uint32_t& rootKey) {
    if (!path.starts_with(L"HKEY_") || path.ends_with(L'\\')) {
        platform::box::show(platform::text::toUtf8(L"Incorrect Format:\n\n" + path));
        rootKey = 0;
        return;
    }
    const auto slash = path.find(L'\\');
    if (slash == std::wstring::npos) {
        rootKey = RootKeyFromName(path);
        path.clear();
    } else {
        rootKey = RootKeyFromName(path.substr(0, slash));
        path.erase(0, slash + 1);
    }
}

RegistryResult ReadRegistryString(std::wstring& path, const std::wstring& valueName) {
    std::uint32_t root = 0;
    SplitRegistryPath(path, root);
    if (root == 0) return std::nullopt;

    reg::Key key = 0;
    if (reg::OpenKey(root, platform::text::toUtf8(path), &key) != reg::Success) return L"Error";
    constexpr std::uint32_t BufferSize = 255;
    std::array<unsigned char, BufferSize> buffer;
    buffer.fill(' ');
    std::uint32_t size = BufferSize;
    const long status =
        reg::QueryValue(key, platform::text::toUtf8(valueName), nullptr, buffer.data(), &size);
    reg::CloseKey(key);
    if (status != reg::Success) return L"Error";

    // All counting happens on bytes, before decoding, so that the cut can neither
    // split a multi-byte character nor keep the terminating zero.
    std::string_view text(reinterpret_cast<const char*>(buffer.data()), buffer.size());
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::wstring();
    text = text.substr(first, text.find_last_not_of(' ') + 1 - first);
    // Leading spaces are stripped from the text, so they must not count against the
    // reported size either, or the zero would be kept. Empty data gives the empty text.
    const auto keep = std::clamp<long long>(static_cast<long long>(size) - 1 - first, 0,
                                            static_cast<long long>(text.size()));
    text = text.substr(0, static_cast<std::size_t>(keep));
    return platform::text::fromUtf8(text);
}

}  // namespace RegistryFunctions
