// The registry lookup on any store: the bytes become the store file of a private
// folder, and a value is looked up through the program's own function.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "registry/registry_functions.h"

namespace {

std::string storePath;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char folder[] = "/tmp/vexon-lookup-fuzz-XXXXXX";
    if (mkdtemp(folder) == nullptr) std::abort();
    setenv("XDG_CONFIG_HOME", folder, 1);
    mkdir((std::string(folder) + "/winreg").c_str(), 0700);
    storePath = std::string(folder) + "/winreg/registry.reg";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = open(storePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size)) std::abort();
    close(fd);
    // Dated back: a store written moments ago would be waited for.
    const timespec old[2] = {{1, 0}, {1, 0}};
    utimensat(AT_FDCWD, storePath.c_str(), old, 0);
    for (const wchar_t* value : {L"v", L"setup", L""}) {
        std::wstring path = L"HKEY_CURRENT_USER\\Software\\T";
        RegistryFunctions::ReadRegistryString(path, value);
    }
    return 0;
}
