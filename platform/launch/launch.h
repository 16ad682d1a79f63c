// Starting a program or a script with a hidden window, without waiting for it.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace platform::launch {

// Starts what `commandLine` names. The command line is one path, less the blanks and
// one pair of quotes around it; it may be Windows-style (platform::paths; a bare name
// is looked up on PATH). Unlike an unquoted Windows command line, no shorter run of
// its words is tried as the program and no words are split off as arguments: that
// search would start a file at a prefix of the path (".../lab" for ".../lab data/x.cmd").
//
// A ".cmd" or ".bat" script runs in the interpreter stand-in, given the local path as
// its one script argument. When `scriptContent` is an open descriptor, the interpreter
// gets it as its descriptor 3 and reads the script from there, not from the path, so
// that a file renamed over the path meanwhile cannot change what runs.
//
// "Hidden": a new session with no terminal, standard streams on /dev/null, no shell in
// between, none of the caller's other descriptors and no blocked signals. The program
// is not waited for and never left behind as a zombie. Returns its process ID, or 0
// with errno set when it cannot be started.
pid_t startHidden(std::string_view commandLine, int scriptContent = -1);

// The interpreter stand-in that runs scripts, relative to the running executable:
// ../libexec/vexon-utilities/wincmd in an installed tree and in the build tree.
std::string interpreterPath();

}  // namespace platform::launch
