#include "registry_functions.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/registry/registry.h"
#include "platform/ui/message_box.h"

namespace RegistryFunctions {

namespace reg = platform::registry;

std::uint32_t RootKeyFromName(const QString& name) {
    struct Root {
        const char* name;
        std::uint32_t handle;
    };
    static constexpr std::array<Root, 7> roots = {{
        {"HKEY_CLASSES_ROOT", reg::ClassesRoot},
        {"HKEY_CURRENT_USER", reg::CurrentUser},
        {"HKEY_LOCAL_MACHINE", reg::LocalMachine},
        {"HKEY_USERS", reg::Users},
        {"HKEY_PERFORMANCE_DATA", reg::PerformanceData},
        {"HKEY_CURRENT_CONFIG", reg::CurrentConfig},
        {"HKEY_DYN_DATA", reg::DynData},
    }};
    for (const auto& root : roots) {
        if (name == QLatin1String(root.name)) return root.handle;
    }
    return 0;
}

void SplitRegistryPath(QString& path, std::uint32_t& rootKey) {
    if (!path.startsWith(QLatin1String("HKEY_")) || path.endsWith(QLatin1Char('\\'))) {
        platform::ui::showMessageBox(QStringLiteral("Incorrect Format:\n\n") + path);
        rootKey = 0;
        return;
    }
    const auto slash = path.indexOf(QLatin1Char('\\'));
    if (slash < 0) {
        rootKey = RootKeyFromName(path);
        path.clear();
    } else {
        rootKey = RootKeyFromName(path.left(slash));
        path = path.mid(slash + 1);
    }
}

RegistryResult ReadRegistryString(QString& path, const QString& valueName) {
    std::uint32_t root = 0;
    SplitRegistryPath(path, root);
    if (root == 0) return std::nullopt;

    reg::Key key = 0;
    if (reg::OpenKey(root, path.toUtf8().toStdString(), &key) != reg::Success) {
        return QStringLiteral("Error");
    }
    constexpr std::uint32_t BufferSize = 255;
    std::array<unsigned char, BufferSize> buffer;
    buffer.fill(' ');
    std::uint32_t size = BufferSize;
    const long status =
        reg::QueryValue(key, valueName.toUtf8().toStdString(), nullptr, buffer.data(), &size);
    reg::CloseKey(key);
    if (status != reg::Success) return QStringLiteral("Error");

    // All counting happens on bytes, before decoding, so that the cut can neither
    // split a multi-byte character nor keep the terminating zero.
    std::string_view text(reinterpret_cast<const char*>(buffer.data()), buffer.size());
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return QString();
    text = text.substr(first, text.find_last_not_of(' ') + 1 - first);
    // Leading spaces are stripped from the text, so they must not count against the
    // reported size either, or the zero would be kept. Empty data gives the empty text.
    const auto keep = std::clamp<long long>(static_cast<long long>(size) - 1 - first, 0,
                                            static_cast<long long>(text.size()));
    text = text.substr(0, static_cast<std::size_t>(keep));
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace RegistryFunctions
