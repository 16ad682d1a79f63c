#include "stable_read.h"

#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <optional>
#include <thread>

namespace platform::file {

namespace {

std::mutex ownWriteMutex;
std::optional<Identity> ownWrite;

bool isOwnWrite(const Identity& identity) {
    std::lock_guard lock(ownWriteMutex);
    return ownWrite == identity;
}

std::chrono::nanoseconds sinceEpoch(const timespec& time) {
    return std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec);
}

// Reads up to bytes.size() bytes from the start of `fd`; shrinks `bytes` at an early end.
bool readAll(int fd, std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count =
            pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return false;
        if (count == 0) break;
        done += static_cast<std::size_t>(count);
    }
    bytes.resize(done);
    return true;
}

}  // namespace

Identity Identity::of(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

bool Identity::operator==(const Identity& other) const {
    return sameFile(other) && size == other.size && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec;
}

void rememberOwnWrite(const Identity& identity) {
    std::lock_guard lock(ownWriteMutex);
    ownWrite = identity;
}

Settling::Settling() : start_(Clock::now()) {}

Settling::Clock::duration Settling::waitBefore(const Identity& identity) {
    if (isOwnWrite(identity)) return {};
    // The file system stamps changes with the coarse wall clock.
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    const auto age = sinceEpoch(now) - sinceEpoch(identity.modified);
    if (age >= QuietTime) return {};
    // A recent change, or a stamp from the future (another machine's clock on a shared
    // drive): watch the file stand still instead.
    const auto seen = Clock::now();
    if (!(identity == watched_)) {
        watched_ = identity;
        watchedSince_ = seen;
    }
    const auto stillFor = std::max<Clock::duration>(seen - watchedSince_, std::max(age, {}));
    return stillFor >= QuietTime ? Clock::duration{} : QuietTime - stillFor;
}

ReadOutcome readSettled(int fd, const std::string& path, Settling& settling, std::string& bytes,
                        Identity& identity) {
    for (;;) {
        struct stat before;
        if (fstat(fd, &before) != 0) return ReadOutcome::Failed;
        if (!S_ISREG(before.st_mode)) {
            errno = S_ISDIR(before.st_mode) ? EISDIR : EINVAL;
            return ReadOutcome::Failed;
        }
        if (before.st_size > MaximumSize) {
            errno = EFBIG;
            return ReadOutcome::Failed;
        }
        const Identity found = Identity::of(before);
        const auto wait = settling.waitBefore(found);
        if (wait > Settling::Clock::duration{}) {
            if (settling.expired()) {
                errno = EBUSY;
                return ReadOutcome::Failed;
            }
            std::this_thread::sleep_for(wait);
            continue;
        }
        bytes.resize(static_cast<std::size_t>(before.st_size));
        if (!readAll(fd, bytes)) return ReadOutcome::Failed;

        struct stat after;
        if (fstat(fd, &after) != 0) return ReadOutcome::Failed;
        struct stat named;
        if (stat(path.c_str(), &named) != 0 || !Identity::of(named).sameFile(found)) {
            return ReadOutcome::PathChanged;
        }
        if (Identity::of(after) == found && bytes.size() == static_cast<std::size_t>(found.size)) {
            identity = found;
            return ReadOutcome::Read;
        }
        if (settling.expired()) {
            errno = EBUSY;
            return ReadOutcome::Failed;
        }
    }
}

}  // namespace platform::file
