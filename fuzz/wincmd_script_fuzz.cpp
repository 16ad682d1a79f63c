// The interpreter stand-in on any script, in an empty folder, with an xdg-open on PATH
// that does nothing.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "platform/cmd/interpreter.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char folder[] = "/tmp/vexon-wincmd-fuzz-XXXXXX";
    if (mkdtemp(folder) == nullptr) std::abort();
    const std::string opener = std::string(folder) + "/xdg-open";
    std::ofstream(opener) << "#!/bin/sh\nexit 0\n";
    chmod(opener.c_str(), 0700);
    setenv("PATH", folder, 1);
    if (chdir(folder) != 0) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::ostringstream output, errors;
    platform::cmd::runScript(std::string_view(reinterpret_cast<const char*>(data), size), output,
                             errors);
    return 0;
}
