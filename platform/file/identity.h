// What a file is at one moment, as far as a change to it shows.
#pragma once

#include <sys/stat.h>

#include <ctime>

namespace platform::file {

// A rename gives another inode, a rewrite in place another size or modification time
// (nanoseconds).
struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified = {};

    static Identity of(const struct stat& info);
    bool sameFile(const Identity& other) const {
        return device == other.device && inode == other.inode;
    }
    bool operator==(const Identity& other) const;
};

}  // namespace platform::file
