#include "read_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "stable_read.h"

namespace platform::file {

std::optional<std::string> readFile(const std::string& path) {
    Settling settling;
    for (;;) {
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) return std::nullopt;
        std::string bytes;
        Identity identity;
        const ReadOutcome outcome = readSettled(fd, path, settling, bytes, identity);
        const int failure = errno;
        close(fd);
        if (outcome == ReadOutcome::Read) return bytes;
        if (outcome == ReadOutcome::Failed) {
            errno = failure;
            return std::nullopt;
        }
        if (settling.expired()) {
            errno = EBUSY;
            return std::nullopt;
        }
    }
}

}  // namespace platform::file
