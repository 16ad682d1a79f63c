#include "read_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "stable_read.h"

namespace platform::file {

namespace {

// Opens `path` and reads it once it has settled, opening it again when the path names
// another file meanwhile; `identity` is what was read.
bool readSettledPath(const std::string& path, std::string& bytes, Identity& identity) {
    Settling settling;
    for (;;) {
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) return false;
        const ReadOutcome outcome = readSettled(fd, path, settling, bytes, identity);
        const int failure = errno;
        close(fd);
        if (outcome == ReadOutcome::Read) return true;
        errno = outcome == ReadOutcome::Failed ? failure : EBUSY;
        if (outcome == ReadOutcome::Failed || settling.expired()) return false;
    }
}

}  // namespace

bool readFileInto(const std::string& path, std::string& bytes) {
    Identity identity;
    return readSettledPath(path, bytes, identity);
}

std::optional<std::string> readFile(const std::string& path) {
    std::string bytes;
    if (!readFileInto(path, bytes)) return std::nullopt;
    return bytes;
}

const std::string* CachedFile::read(const std::string& path) {
    struct stat info;
    if (identity_ && path == path_ && stat(path.c_str(), &info) == 0 &&
        Identity::of(info) == *identity_) {
        return &bytes_;
    }
    identity_.reset();
    Identity identity;
    if (!readSettledPath(path, bytes_, identity)) return nullptr;
    path_ = path;
    identity_ = identity;
    ++version_;
    return &bytes_;
}

}  // namespace platform::file
