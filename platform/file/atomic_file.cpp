#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace platform::file {

namespace {

WriteFunction writeFunction = ::write;

// The final target of a chain of symbolic links (which may not exist yet).
bool resolveLinks(std::string& path) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info;
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
        char target[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
        if (length < 0) return false;
        std::string next(target, static_cast<std::size_t>(length));
        if (next.front() != '/') {
            const auto slash = path.rfind('/');
            if (slash != std::string::npos) next = path.substr(0, slash + 1) + next;
        }
        path = next;
    }
    errno = ELOOP;
    return false;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = writeFunction(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

mode_t defaultMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::optional<std::string> readFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string bytes;
    char chunk[8192];
    ssize_t count;
    while ((count = read(fd, chunk, sizeof chunk)) != 0) {
        if (count < 0) {
            if (errno == EINTR) continue;
            const int failure = errno;
            close(fd);
            errno = failure;
            return std::nullopt;
        }
        bytes.append(chunk, static_cast<std::size_t>(count));
    }
    close(fd);
    return bytes;
}

void setWriteFunction(WriteFunction write) { writeFunction = write != nullptr ? write : ::write; }

bool replaceFile(const std::string& path, std::string_view bytes) {
    std::string target = path;
    if (target.empty()) {
        errno = ENOENT;
        return false;
    }
    if (!resolveLinks(target)) return false;

    struct stat info;
    const bool exists = stat(target.c_str(), &info) == 0;
    if (exists) {
        if (!S_ISREG(info.st_mode)) {
            errno = EISDIR;
            return false;
        }
        if ((info.st_mode & 0222) == 0 || access(target.c_str(), W_OK) != 0) {
            errno = EACCES;
            return false;
        }
    } else if (errno != ENOENT) {
        return false;
    }

    const auto slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    // A folder without any write bit is read-only for root too.
    struct stat folderInfo;
    if (stat(folder.c_str(), &folderInfo) == 0 && (folderInfo.st_mode & 0222) == 0) {
        errno = EACCES;
        return false;
    }
    std::string temporary = folder + (slash == std::string::npos ? "/." : ".") + name + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return false;

    const mode_t mode = exists ? (info.st_mode & 07777) : defaultMode();
    bool ok = writeAll(fd, bytes) && fsync(fd) == 0 && fchmod(fd, mode) == 0;
    if (ok && exists && (info.st_uid != geteuid() || info.st_gid != getegid())) {
        // Only root can hand the file back to its owner; others keep their own.
        [[maybe_unused]] const int ignored = fchown(fd, info.st_uid, info.st_gid);
    }
    int failure = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (ok) {
        if (rename(temporary.c_str(), target.c_str()) == 0) {
            const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
            if (dir >= 0) {
                fsync(dir);
                close(dir);
            }
            return true;
        }
        failure = errno;
    }
    unlink(temporary.c_str());
    errno = failure;
    return false;
}

}  // namespace platform::file
