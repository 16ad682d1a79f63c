// Internal to platform/file: the temporary file that takes a new content before it
// replaces the old one, and the test hook that may fail any step of a write.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

#include "write_file.h"

namespace platform::file {

// Asks the test hook whether `step` may run; false with errno set when it must fail.
bool allowed(Step step, std::string_view bytes = {});

// An open temporary file in a folder, unnamed or named. Closing it removes a name it
// still holds, so a failed write leaves nothing behind.
class Temporary {
public:
    Temporary() = default;
    ~Temporary();
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    // Creates it in the folder open at `folderFd`, for the file `name`, with `mode`
    // (the umask applies). It is unnamed where the file system offers that, else named
    // ".<name>.vexon-<random>"; it is locked (flock) while it lives, which tells
    // removeStaleTemporaries that its writer is alive.
    bool create(int folderFd, const std::string& name, mode_t mode);
    // Gives it a fresh temporary name, just before it is renamed.
    bool name();
    // Gives it the name `target`, which must not exist yet (EEXIST otherwise).
    bool linkAs(const std::string& target);
    // The temporary name, once it has one.
    const std::string& currentName() const { return name_; }
    // The name now belongs to the file that replaced the old one.
    void releaseName() { name_.clear(); }
    int fd() const { return fd_; }

private:
    bool link(const std::string& as);

    int folderFd_ = -1;
    int fd_ = -1;
    std::string for_;
    std::string name_;
};

// Removes the temporary files of `name` in the folder open at `folderFd` that this
// user's writers, killed before their rename, left behind (files that no living writer
// holds locked).
void removeStaleTemporaries(int folderFd, const std::string& name);

}  // namespace platform::file
