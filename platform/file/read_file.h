// Reading a whole file that another program may be rewriting at the same moment.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "identity.h"

namespace platform::file {

// The whole content of the local regular file `path` (symbolic links followed), or
// nothing with errno set. The open never blocks, so a FIFO or a device at the path fails
// at once: EISDIR for a folder, EINVAL for anything else that is not a regular file,
// EFBIG for a file over 256 MiB. A file changed moments ago (a rewrite in progress) is
// read once it has stood still for 100 ms; one that never stands still within 600 ms
// fails with EBUSY. A change that this process wrote itself is read at once.
std::optional<std::string> readFile(const std::string& path);

// readFile into `bytes`, whose memory is reused: a caller that reads the same large
// file again and again (the registry store, at every lookup) costs no fresh pages.
// Returns false with errno set, `bytes` then unspecified.
bool readFileInto(const std::string& path, std::string& bytes);

// The content of one file at a time, read as readFile reads it and kept while the file
// stays the same: a later read of the same path whose status shows the same device,
// inode, size and modification time (nanoseconds) costs one stat. A file read is one
// that had settled, so a later change always shows in its modification time.
class CachedFile {
public:
    // The content of `path`, valid until the next call; nullptr with errno set when it
    // cannot be read (as readFile fails).
    const std::string* read(const std::string& path);
    // Which content the last successful read gave: the number changes whenever the
    // content had to be read anew, so that what a caller made of it can be kept too.
    std::uint64_t version() const { return version_; }

private:
    std::uint64_t version_ = 0;
    std::string path_;
    std::string bytes_;                 // its buffer is reused when another content is read
    std::optional<Identity> identity_;  // of what bytes_ holds; nothing when it holds none
};

}  // namespace platform::file
