// Changing files that other programs read, and may rewrite themselves without locking,
// so that a reader sees the old content or the new one, never a torn file.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform::file {

// Computes a file's new content into `next` (empty on entry) from its current one
// (nullptr: the file is missing). False (with errno set) abandons the write. The
// buffers are kept between writes, so that a large file costs no fresh memory each time.
using Edit = std::function<bool(const std::string* current, std::string& next)>;

// Read-modify-replace of the local file `path`, beside a program that does not lock:
// - The file is read once it has settled (see readFile), under an advisory lock
//   (flock) that every writer of ours takes, so our writers never interleave. Where the
//   file system offers no locks, the write goes on without.
// - The new content goes to an unnamed temporary file in the same folder (a named one
//   where unnamed files are not offered), which is flushed, named and renamed over the
//   file. Right before the rename the file must still be the one that was read (device,
//   inode, size, modification time); otherwise the edit is redone on a fresh read, up to
//   8 times, and then the write fails with EBUSY. A killed write leaves no temporary
//   file for good: the next write removes what a dead writer left.
// - Where a rename cannot keep what the file is (its folder is not writable, its owner
//   or group cannot be given back by this user, it has more than one hard link), the
//   file is rewritten in place instead: space reserved first, the new bytes from the
//   start in one pass, truncated, flushed; a failure puts the old bytes back. Only a
//   crash in that pass can leave a torn file.
// - A missing file is created (its folder must exist) without replacing one that
//   appeared meanwhile; its mode follows the umask.
// - A file without any write bit is never written, even by root, as the Windows
//   read-only attribute binds administrators too (EACCES); nor is one the user may not
//   write, nor one in a folder without any write bit when it must be created.
// - A symbolic link is followed and stays a link, unless it sits in a sticky or
//   world-writable folder and belongs to neither this user nor the folder's owner
//   (EACCES): a link planted by another user is not followed into a file of ours.
// - Mode, owner and group are kept.
// Returns true on success. On failure returns false with errno set, and the file holds
// its old content, with one exception: when the folder cannot be flushed after the
// rename (EIO, say), the new content is in place but may not survive a crash, and the
// write still reports failure, so that the caller says so and may write again.
bool updateFile(const std::string& path, const Edit& edit);

// Replaces whatever stands at the local path `path` (a symbolic link too, which is
// replaced, never written through) with a regular file holding `bytes`, atomically as
// updateFile does. Its folder must exist and have a write bit (EACCES otherwise, even
// for root); an existing regular file without any write bit, or one the user may not
// write, is left alone (EACCES) and its mode is kept. Returns false with errno set, and
// the old entry in place, on failure (with updateFile's exception for the folder flush).
// When `content` is given, it receives on success a read-only, close-on-exec descriptor
// of the file written, which the caller closes: it reads `bytes` whatever is renamed
// over `path` later.
bool replaceFile(const std::string& path, std::string_view bytes, int* content = nullptr);

// The steps of a write, each one system call, for tests that make one fail.
enum class Step {
    CreateTemporary,
    Write,  // the hook sees the bytes of the whole new content
    SetMode,
    SetOwner,
    Sync,
    Name,  // the temporary file gets its name, or a new file its own
    Rename,
    SyncFolder,
    Reserve,  // an in-place rewrite reserves room for a larger content
    Truncate,
};

// Called before each step of every write; a non-zero result makes that step fail with
// that errno, as if its system call had. Nothing (the default) lets every step run.
using StepHook = int (*)(Step step, std::string_view bytes);
void setStepHook(StepHook hook);

}  // namespace platform::file
