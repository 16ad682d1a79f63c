// Internal to platform/file: a read that waits until the file stands still. Another program may
// rewrite the file in place at any time (truncate, then write in pieces), so bytes read at a moment
// of change are no file.
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <string>

#include "identity.h"

namespace platform::file {

// Remembers the identity of what this process wrote last, so that reading it back
// (Apply's next write) costs no settling time.
void rememberOwnWrite(const Identity& identity);

// Decides when a file has stood still long enough to be read: its last change lies
// further back than the quiet time, or it was seen unchanged for that long. Gives up
// once the whole wait has reached its bound.
class Settling {
public:
    using Clock = std::chrono::steady_clock;
    // The application pauses between the pieces of a rewrite for up to 20 ms, longer
    // when the machine is busy.
    static constexpr std::chrono::milliseconds QuietTime{100};
    static constexpr std::chrono::milliseconds MaximumWait{600};

    Settling();
    // How long to wait before `identity` may be read; zero when it may be read now.
    Clock::duration waitBefore(const Identity& identity);
    bool expired() const { return Clock::now() - start_ > MaximumWait; }

private:
    Clock::time_point start_;
    Identity watched_;
    Clock::time_point watchedSince_;
};

enum class ReadOutcome {
    Read,         // `bytes` and `identity` hold the settled file
    PathChanged,  // the path names another file now: open it again
    Failed,       // errno is set
};

// Reads the whole regular file open at `fd` (whose name is `path`) once it has settled,
// reading no more than the size it found and again whenever the file changed during
// the read. Fails with EISDIR for a folder, EINVAL for anything else that is not a
// regular file, EFBIG beyond MaximumSize and EBUSY when it never settled.
ReadOutcome readSettled(int fd, const std::string& path, Settling& settling, std::string& bytes,
                        Identity& identity);

// Larger files are no configuration or registry file; reading one would only exhaust memory.
constexpr off_t MaximumSize = off_t{256} << 20;

}  // namespace platform::file
