#include "write_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <thread>

#include "stable_read.h"
#include "temporary.h"

namespace platform::file {

namespace {

constexpr int MaximumAttempts = 8;
constexpr auto LockWait = std::chrono::seconds(2);

enum class Result {
    Done,
    Failed,      // errno is set
    Changed,     // the file changed under the edit: start again on a fresh read
    Reopen,      // the name was taken by another file before the read: open that one
    CannotKeep,  // a rename would lose what the file is: rewrite it in place
};

// Closes the descriptor it owns.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

struct Place {
    std::string folder;
    std::string name;
};

Place split(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

bool hasWriteBit(const struct stat& info) { return (info.st_mode & 0222) != 0; }

bool failWith(int error) {
    errno = error;
    return false;
}

Result failed(int error) {
    errno = error;
    return Result::Failed;
}

// Follows a chain of symbolic links to the file it names (which may not exist yet). A
// link in a sticky or world-writable folder that belongs to neither this user nor the
// folder's owner is refused, as the kernel's protected_symlinks rule does; the kernel
// cannot apply it here, since the writer follows the link itself.
bool followLinks(std::string& path) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat link;
        if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return true;
        const Place place = split(path);
        struct stat folder;
        if (stat(place.folder.c_str(), &folder) != 0) return false;
        if ((folder.st_mode & (S_ISVTX | S_IWOTH)) != 0 && link.st_uid != geteuid() &&
            link.st_uid != folder.st_uid) {
            return failWith(EACCES);
        }
        char target[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
        if (length <= 0) return length == 0 ? failWith(ENOENT) : false;
        std::string next(target, static_cast<std::size_t>(length));
        if (next.front() != '/' && place.folder != ".") next = place.folder + "/" + next;
        path = next;
    }
    return failWith(ELOOP);
}

bool writeAll(int fd, std::string_view bytes) {
    if (!allowed(Step::Write, bytes)) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count =
            pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return false;
        done += static_cast<std::size_t>(count);
    }
    return true;
}

// Waits, within a bound, for the advisory lock that every writer of ours holds for a
// whole edit. Where the file system offers no locks, goes on without.
bool lockForEdit(int fd) {
    const auto deadline = std::chrono::steady_clock::now() + LockWait;
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno == EINTR) continue;
        if (errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL) return true;
        if (errno != EWOULDBLOCK) return false;
        if (std::chrono::steady_clock::now() > deadline) return failWith(EBUSY);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool isWritableFolder(int folderFd) {
    struct stat folder;
    return fstat(folderFd, &folder) == 0 && hasWriteBit(folder) &&
           faccessat(folderFd, ".", W_OK | X_OK, AT_EACCESS) == 0;
}

// Whether `name` in the folder still names the file that was read, unchanged.
bool isUnchanged(int folderFd, const std::string& name, const Identity& read) {
    struct stat now;
    return fstatat(folderFd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
           Identity::of(now) == read;
}

void rememberWritten(int fd) {
    struct stat written;
    if (fstat(fd, &written) == 0) rememberOwnWrite(Identity::of(written));
}

// After the rename the new content is in place; a folder that cannot be flushed may
// still lose the rename in a crash, which the caller must hear about.
Result finishRename(int folderFd, const std::string& name, const Temporary& temporary) {
    rememberWritten(temporary.fd());
    if (!allowed(Step::SyncFolder) || fsync(folderFd) != 0) return Result::Failed;
    removeStaleTemporaries(folderFd, name);
    return Result::Done;
}

Result replaceByRename(int folderFd, const std::string& name, const struct stat& info,
                       const Identity& read, std::string_view bytes) {
    Temporary temporary;
    if (!temporary.create(folderFd, name, 0600)) {
        return errno == EACCES || errno == EPERM ? Result::CannotKeep : Result::Failed;
    }
    const mode_t mode = info.st_mode & 07777;
    if (!writeAll(temporary.fd(), bytes)) return Result::Failed;
    struct stat made;
    if (fstat(temporary.fd(), &made) != 0) return Result::Failed;
    if (made.st_uid != info.st_uid || made.st_gid != info.st_gid) {
        if (!allowed(Step::SetOwner)) return Result::Failed;
        if (fchown(temporary.fd(), info.st_uid, info.st_gid) != 0) {
            return errno == EPERM ? Result::CannotKeep : Result::Failed;
        }
    }
    // After the owner: a change of owner clears the set-user and set-group bits.
    if (!allowed(Step::SetMode) || fchmod(temporary.fd(), mode) != 0) return Result::Failed;
    if (!allowed(Step::Sync) || fsync(temporary.fd()) != 0) return Result::Failed;
    if (!temporary.name()) return Result::Failed;
    if (!isUnchanged(folderFd, name, read)) return Result::Changed;
    if (!allowed(Step::Rename)) return Result::Failed;
    const char* temporaryName = temporary.currentName().c_str();
    // Exchanging the two names leaves what the file was at that very instant under the
    // temporary name: a rewrite by another program between the check above and the
    // rename cannot slip through. Where the file system cannot exchange, a plain rename
    // leaves that moment open.
    if (renameat2(folderFd, temporaryName, folderFd, name.c_str(), RENAME_EXCHANGE) == 0) {
        if (!isUnchanged(folderFd, temporaryName, read)) {
            // Put the other program's file back, unless yet another writer came between.
            struct stat ours, named;
            if (fstat(temporary.fd(), &ours) == 0 &&
                fstatat(folderFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                Identity::of(ours).sameFile(Identity::of(named))) {
                renameat2(folderFd, temporaryName, folderFd, name.c_str(), RENAME_EXCHANGE);
            }
            return Result::Changed;
        }
        // The old file, now under the temporary name, goes.
        if (unlinkat(folderFd, temporaryName, 0) != 0) return Result::Failed;
    } else if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        return errno == EACCES || errno == EPERM ? Result::CannotKeep : Result::Failed;
    } else if (renameat(folderFd, temporaryName, folderFd, name.c_str()) != 0) {
        return errno == EACCES || errno == EPERM ? Result::CannotKeep : Result::Failed;
    }
    temporary.releaseName();
    return finishRename(folderFd, name, temporary);
}

Result rewriteInPlace(int fd, int folderFd, const std::string& name, const Identity& read,
                      const std::string& old, std::string_view bytes) {
    struct stat now;
    if (fstat(fd, &now) != 0) return Result::Failed;
    if (!(Identity::of(now) == read) || !isUnchanged(folderFd, name, read)) return Result::Changed;
    // Room first, so that a full disk fails before the first byte changes.
    if (bytes.size() > old.size()) {
        if (!allowed(Step::Reserve)) return Result::Failed;
        if (fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes.size())) != 0 &&
            errno != EOPNOTSUPP && errno != ENOSYS) {
            return Result::Failed;
        }
    }
    if (writeAll(fd, bytes) && allowed(Step::Truncate) &&
        ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && allowed(Step::Sync) &&
        fsync(fd) == 0) {
        rememberWritten(fd);
        return Result::Done;
    }
    const int failure = errno;
    // Put the old bytes back, straight through the system calls.
    std::size_t done = 0;
    while (done < old.size()) {
        const ssize_t count =
            pwrite(fd, old.data() + done, old.size() - done, static_cast<off_t>(done));
        if (count <= 0 && errno != EINTR) break;
        if (count > 0) done += static_cast<std::size_t>(count);
    }
    [[maybe_unused]] const int truncated = ftruncate(fd, static_cast<off_t>(old.size()));
    fsync(fd);
    errno = failure;
    return Result::Failed;
}

Result editExisting(int fd, int folderFd, const Place& place, const std::string& path,
                    const Edit& edit, Settling& settling) {
    struct stat info;
    if (fstat(fd, &info) != 0) return Result::Failed;
    if (!S_ISREG(info.st_mode)) return failed(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    if (!hasWriteBit(info)) return failed(EACCES);
    if (!lockForEdit(fd)) return Result::Failed;
    // Another writer may have replaced the file while we waited for the lock.
    struct stat named;
    if (fstatat(folderFd, place.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        !Identity::of(named).sameFile(Identity::of(info))) {
        return Result::Reopen;
    }
    // Kept for the next write of this thread: fresh memory for a large file costs more
    // than copying it (page faults).
    thread_local std::string current, next;
    Identity read;
    switch (readSettled(fd, path, settling, current, read)) {
        case ReadOutcome::Read:
            break;
        case ReadOutcome::PathChanged:
            return Result::Reopen;
        case ReadOutcome::Failed:
            return Result::Failed;
    }
    if (fstat(fd, &info) != 0) return Result::Failed;
    next.clear();
    if (!edit(&current, next)) return Result::Failed;
    if (info.st_nlink == 1 && isWritableFolder(folderFd)) {
        const Result renamed = replaceByRename(folderFd, place.name, info, read, next);
        if (renamed != Result::CannotKeep) return renamed;
    }
    return rewriteInPlace(fd, folderFd, place.name, read, current, next);
}

Result createNew(int folderFd, const std::string& name, const Edit& edit) {
    struct stat folder;
    if (fstat(folderFd, &folder) != 0) return Result::Failed;
    if (!hasWriteBit(folder)) return failed(EACCES);
    std::string next;
    if (!edit(nullptr, next)) return Result::Failed;
    Temporary temporary;
    if (!temporary.create(folderFd, name, 0666)) return Result::Failed;
    if (!writeAll(temporary.fd(), next)) return Result::Failed;
    if (!allowed(Step::Sync) || fsync(temporary.fd()) != 0) return Result::Failed;
    // Another writer may have created the file meanwhile; it is never replaced unread.
    if (!temporary.linkAs(name)) return errno == EEXIST ? Result::Changed : Result::Failed;
    return finishRename(folderFd, name, temporary);
}

}  // namespace

bool updateFile(const std::string& path, const Edit& edit) {
    if (path.empty()) return failWith(ENOENT);
    std::string target = path;
    if (!followLinks(target)) return false;
    const Place place = split(target);
    const Descriptor folder(open(place.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0) return false;
    Settling settling;
    // Losing the file to another writer of ours before the read costs no edit, but
    // time: the bound is the lock's.
    const auto deadline = std::chrono::steady_clock::now() + LockWait;
    for (int edits = 0; edits < MaximumAttempts;) {
        const Descriptor file(openat(folder.get(), place.name.c_str(),
                                     O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW));
        if (file.get() < 0 && errno != ENOENT) return false;
        const Result result =
            file.get() < 0 ? createNew(folder.get(), place.name, edit)
                           : editExisting(file.get(), folder.get(), place, target, edit, settling);
        switch (result) {
            case Result::Done:
                return true;
            case Result::Failed:
            case Result::CannotKeep:  // editExisting rewrites in place instead
                return false;
            case Result::Changed:
                ++edits;
                break;
            case Result::Reopen:
                if (std::chrono::steady_clock::now() > deadline) return failWith(EBUSY);
                break;
        }
    }
    return failWith(EBUSY);
}

bool replaceFile(const std::string& path, std::string_view bytes, int* content) {
    if (path.empty()) return failWith(ENOENT);
    const Place place = split(path);
    const Descriptor folder(open(place.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0) return false;
    struct stat folderInfo;
    if (fstat(folder.get(), &folderInfo) != 0) return false;
    if (!hasWriteBit(folderInfo)) return failWith(EACCES);

    struct stat existing;
    const bool exists =
        fstatat(folder.get(), place.name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && errno != ENOENT) return false;
    const bool regular = exists && S_ISREG(existing.st_mode);
    if (exists && S_ISDIR(existing.st_mode)) return failWith(EISDIR);
    if (regular && (!hasWriteBit(existing) ||
                    faccessat(folder.get(), place.name.c_str(), W_OK, AT_EACCESS) != 0)) {
        return failWith(EACCES);
    }

    Temporary temporary;
    if (!temporary.create(folder.get(), place.name, regular ? 0600 : 0666)) return false;
    if (!writeAll(temporary.fd(), bytes)) return false;
    if (regular) {
        // Only root can hand the file back to its owner; others make it their own.
        struct stat made;
        if (fstat(temporary.fd(), &made) == 0 &&
            (made.st_uid != existing.st_uid || made.st_gid != existing.st_gid) &&
            allowed(Step::SetOwner)) {
            [[maybe_unused]] const int ignored =
                fchown(temporary.fd(), existing.st_uid, existing.st_gid);
        }
        if (!allowed(Step::SetMode) || fchmod(temporary.fd(), existing.st_mode & 07777) != 0)
            return false;
    }
    if (!allowed(Step::Sync) || fsync(temporary.fd()) != 0) return false;
    if (!temporary.name()) return false;
    if (!allowed(Step::Rename) || renameat(folder.get(), temporary.currentName().c_str(),
                                           folder.get(), place.name.c_str()) != 0) {
        return false;
    }
    temporary.releaseName();
    if (finishRename(folder.get(), place.name, temporary) != Result::Done) return false;
    if (content != nullptr) {
        // A fresh open, read-only, of the very file written: the temporary's own
        // descriptor could write.
        const std::string self = "/proc/self/fd/" + std::to_string(temporary.fd());
        *content = open(self.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        if (*content < 0) *content = fcntl(temporary.fd(), F_DUPFD_CLOEXEC, 0);
        if (*content < 0) return false;
    }
    return true;
}

}  // namespace platform::file
