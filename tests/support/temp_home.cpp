#include "temp_home.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testing_support {

namespace {

void save(const char* name, std::string& value, bool& had) {
    const char* current = std::getenv(name);
    had = current != nullptr;
    if (had) value = current;
}

void restore(const char* name, const std::string& value, bool had) {
    if (had) {
        setenv(name, value.c_str(), 1);
    } else {
        unsetenv(name);
    }
}

}  // namespace

TempHome::TempHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vexon-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    save("HOME", savedHome_, hadHome_);
    save("XDG_CONFIG_HOME", savedConfig_, hadConfig_);
    save("XDG_DATA_HOME", savedData_, hadData_);
    setenv("HOME", root_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
}

TempHome::~TempHome() {
    restore("HOME", savedHome_, hadHome_);
    restore("XDG_CONFIG_HOME", savedConfig_, hadConfig_);
    restore("XDG_DATA_HOME", savedData_, hadData_);
    std::error_code ignored;
    // Read-only folders left by a test must not block the clean-up.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_, ignored)) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(root_, ignored);
}

std::filesystem::path TempHome::registryStore() const {
    return root_ / "config" / "winreg" / "registry.reg";
}

std::filesystem::path TempHome::windowsFolder() const {
    return root_ / "data" / "winreg" / "windows";
}

void TempHome::writeRegistry(std::string_view body) const {
    writeFile(registryStore(), "REGEDIT4\r\n\r\n" + std::string(body));
}

std::string regString(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path.string());
    backdate(path);
}

void backdate(const std::filesystem::path& path) {
    timespec times[2];
    clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= 2;
    times[1] = times[0];
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace testing_support
