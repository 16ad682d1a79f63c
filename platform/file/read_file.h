// Reading a whole file that another program may be rewriting at the same moment.
#pragma once

#include <optional>
#include <string>

namespace platform::file {

// The whole content of the local regular file `path` (symbolic links followed), or
// nothing with errno set. The open never blocks, so a FIFO or a device at the path fails
// at once: EISDIR for a folder, EINVAL for anything else that is not a regular file,
// EFBIG for a file over 256 MiB. A file changed moments ago (a rewrite in progress) is
// read once it has stood still for 100 ms; one that never stands still within 600 ms
// fails with EBUSY. A change that this process wrote itself is read at once.
std::optional<std::string> readFile(const std::string& path);

}  // namespace platform::file
