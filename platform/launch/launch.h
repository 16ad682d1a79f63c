// Starting a command line with a hidden window, without waiting for it.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace platform::launch {

// Starts the program that `commandLine` names, as the Windows launch does: a quoted
// first word is the program; otherwise the shortest run of leading words that names an
// existing file is (so an unquoted path with spaces works), or else the first word,
// looked up on PATH. The words after it are its arguments. A ".cmd" or ".bat" script
// runs in the interpreter stand-in beside the running program. Paths may be
// Windows-style (platform::paths, bare names in the current folder).
//
// "Hidden" here: the program runs in a new session with no terminal, its standard
// streams on /dev/null, and no shell in between. It is not waited for, and it is
// never left behind as a zombie. Returns its process ID, or 0 with errno set when it
// cannot be started.
pid_t startHidden(std::string_view commandLine);

// The interpreter stand-in that runs scripts: "wincmd" in the running program's folder.
std::string interpreterPath();

}  // namespace platform::launch
