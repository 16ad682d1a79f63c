#include "paths.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdlib>

namespace platform::paths {

namespace {

std::string winregFolder() { return xdgFolder("XDG_DATA_HOME", ".local/share") + "/winreg"; }

}  // namespace

std::string xdgFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value == '/') return value;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/" + fallback;
}

std::string windowsFolder() { return winregFolder() + "/windows"; }

bool isRegularFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string toLocalPath(std::string_view path, BareName bareName) {
    std::string local(path);
    for (char& c : local) {
        if (c == '\\') c = '/';
    }
    if (local.empty() || local.front() == '/') return local;

    if (local.size() >= 2 && local[1] == ':' &&
        std::isalpha(static_cast<unsigned char>(local[0]))) {
        const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(local[0])));
        std::string rest = local.substr(2);
        if (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
        return winregFolder() + "/drive_" + drive + "/" + rest;
    }
    if (local.find('/') == std::string::npos && bareName == BareName::InWindowsFolder) {
        return windowsFolder() + "/" + local;
    }
    return local;
}

}  // namespace platform::paths
