// wincmd [--descriptor N] SCRIPT: runs a ".cmd" script as the command interpreter would;
// with --descriptor, the script's bytes come from the open descriptor N, which the
// program that wrote the script handed over.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "interpreter.h"

int main(int argc, char** argv) {
    int descriptor = -1;
    if (argc == 4 && std::strcmp(argv[1], "--descriptor") == 0) {
        char* end = nullptr;
        descriptor = static_cast<int>(std::strtol(argv[2], &end, 10));
        if (*argv[2] == '\0' || *end != '\0' || descriptor < 0) descriptor = -2;
        argv += 2;
        argc -= 2;
    }
    if (argc != 2 || descriptor < -1) {
        std::fprintf(stderr, "usage: wincmd [--descriptor N] SCRIPT\n");
        return 2;
    }
    const auto script = platform::cmd::readScript(argv[1], descriptor);
    if (!script) {
        std::cerr << "The system cannot find the path specified.\n";
        return 1;
    }
    // The exit status keeps only its low byte: 9009 arrives as 49, as on any POSIX system.
    return platform::cmd::runScript(*script, std::cout, std::cerr);
}
