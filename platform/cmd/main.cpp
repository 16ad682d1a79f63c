// wincmd SCRIPT: runs a ".cmd" script as the command interpreter would.
#include <cstdio>
#include <iostream>

#include "interpreter.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: wincmd SCRIPT\n");
        return 2;
    }
    // The exit status keeps only its low byte: 9009 arrives as 49, as on any POSIX system.
    return platform::cmd::runScript(argv[1], std::cout, std::cerr);
}
