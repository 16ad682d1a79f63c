#include "temporary.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace platform::file {

namespace {

StepHook stepHook = nullptr;

std::string prefixFor(const std::string& name) { return "." + name + ".vexon-"; }

std::string randomSuffix() {
    unsigned char random[6];
    if (getrandom(random, sizeof random, GRND_NONBLOCK) != sizeof random) {
        static std::atomic<unsigned> counter{0};
        const unsigned value = static_cast<unsigned>(getpid()) * 2654435761u + counter++;
        for (std::size_t i = 0; i < sizeof random; ++i)
            random[i] = static_cast<unsigned char>(value >> (i % 4 * 8));
    }
    char text[2 * sizeof random + 1];
    for (std::size_t i = 0; i < sizeof random; ++i)
        std::snprintf(text + 2 * i, 3, "%02x", random[i]);
    return text;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

void setStepHook(StepHook hook) { stepHook = hook; }

bool allowed(Step step, std::string_view bytes) {
    const int failure = stepHook != nullptr ? stepHook(step, bytes) : 0;
    if (failure != 0) errno = failure;
    return failure == 0;
}

Temporary::~Temporary() {
    if (!name_.empty()) unlinkat(folderFd_, name_.c_str(), 0);
    if (fd_ >= 0) close(fd_);
}

bool Temporary::create(int folderFd, const std::string& name, mode_t mode) {
    folderFd_ = folderFd;
    for_ = name;
    if (!allowed(Step::CreateTemporary)) return false;
    fd_ = openat(folderFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    if (fd_ >= 0) {
        flock(fd_, LOCK_EX | LOCK_NB);
        return true;
    }
    // Older kernels (EISDIR) and some file systems (EOPNOTSUPP) offer no unnamed files.
    if (errno != EOPNOTSUPP && errno != EISDIR) return false;
    for (int tries = 0; tries < 100; ++tries) {
        const std::string candidate = prefixFor(name) + randomSuffix();
        fd_ = openat(folderFd, candidate.c_str(),
                     O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd_ < 0 && errno == EEXIST) continue;
        if (fd_ < 0) return false;
        name_ = candidate;
        // A sweep may have taken the fresh file before the lock: start again then.
        struct stat opened, named;
        if (flock(fd_, LOCK_EX | LOCK_NB) == 0 && fstat(fd_, &opened) == 0 &&
            fstatat(folderFd, candidate.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            sameFile(opened, named)) {
            return true;
        }
        close(fd_);
        fd_ = -1;
        name_.clear();
    }
    errno = EEXIST;
    return false;
}

bool Temporary::link(const std::string& as) {
    // Linking an unnamed file by its descriptor needs a privilege; through /proc it
    // does not.
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    if (linkat(AT_FDCWD, self.c_str(), folderFd_, as.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != ENOENT) return false;
    return linkat(fd_, "", folderFd_, as.c_str(), AT_EMPTY_PATH) == 0;
}

bool Temporary::name() {
    if (!allowed(Step::Name)) return false;
    if (!name_.empty()) return true;
    for (int tries = 0; tries < 100; ++tries) {
        const std::string candidate = prefixFor(for_) + randomSuffix();
        if (link(candidate)) {
            name_ = candidate;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool Temporary::linkAs(const std::string& target) {
    if (!allowed(Step::Name)) return false;
    if (name_.empty()) return link(target);
    return linkat(folderFd_, name_.c_str(), folderFd_, target.c_str(), 0) == 0;
}

void removeStaleTemporaries(int folderFd, const std::string& name) {
    const int listFd = openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) return;
    DIR* folder = fdopendir(listFd);
    if (folder == nullptr) {
        close(listFd);
        return;
    }
    const std::string prefix = prefixFor(name);
    while (const dirent* entry = readdir(folder)) {
        if (std::string_view(entry->d_name).substr(0, prefix.size()) != prefix) continue;
        const int fd = openat(folderFd, entry->d_name,
                              O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) continue;
        struct stat opened, named;
        // A living writer holds its temporary file locked.
        if (fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == geteuid() &&
            flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            fstatat(folderFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            sameFile(opened, named)) {
            unlinkat(folderFd, entry->d_name, 0);
        }
        close(fd);
    }
    closedir(folder);
}

}  // namespace platform::file
