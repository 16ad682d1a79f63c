#include "read_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "stable_read.h"

namespace platform::file {

bool readFileInto(const std::string& path, std::string& bytes) {
    Settling settling;
    for (;;) {
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) return false;
        Identity identity;
        const ReadOutcome outcome = readSettled(fd, path, settling, bytes, identity);
        const int failure = errno;
        close(fd);
        if (outcome == ReadOutcome::Read) return true;
        errno = outcome == ReadOutcome::Failed ? failure : EBUSY;
        if (outcome == ReadOutcome::Failed || settling.expired()) return false;
    }
}

std::optional<std::string> readFile(const std::string& path) {
    std::string bytes;
    if (!readFileInto(path, bytes)) return std::nullopt;
    return bytes;
}

const std::string* CachedFile::read(const std::string& path) {
    struct stat info;
    if (valid_ && path == path_ && stat(path.c_str(), &info) == 0 &&
        Stamp{info.st_dev, info.st_ino, info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec} ==
            stamp_) {
        return &bytes_;
    }
    valid_ = false;
    Settling settling;
    for (;;) {
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) return nullptr;
        Identity identity;
        const ReadOutcome outcome = readSettled(fd, path, settling, bytes_, identity);
        const int failure = errno;
        close(fd);
        if (outcome == ReadOutcome::Read) {
            path_ = path;
            stamp_ = {identity.device, identity.inode, identity.size, identity.modified.tv_sec,
                      identity.modified.tv_nsec};
            valid_ = true;
            return &bytes_;
        }
        if (outcome == ReadOutcome::Failed || settling.expired()) {
            errno = outcome == ReadOutcome::Failed ? failure : EBUSY;
            return nullptr;
        }
    }
}

}  // namespace platform::file
