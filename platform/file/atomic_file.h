// Replacing a file's content whole, so that readers see the old file or the new one,
// never a torn one.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace platform::file {

// Replaces the content of the local file `path` with `bytes`, creating it when it is
// missing (its folder must exist). The bytes go to a temporary file in the same folder,
// which is flushed and then renamed over the target. A symbolic link is followed and
// stays a link; an existing file keeps its mode and owner. A file without any write
// permission bit is left alone, even for root, as the Windows read-only attribute
// binds administrators too; so is one the user may not write, and one whose folder
// has no write bit. Returns true on
// success; on failure returns false with errno set, and the target is unchanged.
bool replaceFile(const std::string& path, std::string_view bytes);

// The whole content of the local file `path`, or nothing with errno set.
std::optional<std::string> readFile(const std::string& path);

// The write(2) that replaceFile uses, so that a test can make it fail (a full disk).
using WriteFunction = ssize_t (*)(int fd, const void* data, size_t size);
void setWriteFunction(WriteFunction write);

}  // namespace platform::file
