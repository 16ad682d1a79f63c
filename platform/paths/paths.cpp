#include "paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <vector>

namespace platform::paths {

namespace {

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home == '/') return home;
    std::vector<char> buffer(16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return "";
}

std::string winregFolder() { return xdgFolder("XDG_DATA_HOME", ".local/share") + "/winreg"; }

}  // namespace

std::string xdgFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value == '/') return value;
    return homeFolder() + "/" + fallback;
}

std::string besideExecutable(std::string_view relative) {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self);
    if (length <= 0 || length == static_cast<ssize_t>(sizeof self)) return std::string(relative);
    std::string path(self, static_cast<std::size_t>(length));
    path.resize(path.rfind('/') + 1);
    return path.append(relative);
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
