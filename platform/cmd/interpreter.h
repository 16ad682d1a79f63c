// The command interpreter stand-in: runs the ".cmd" scripts that the programs write.
#pragma once

#include <iosfwd>
#include <string>

namespace platform::cmd {

// Exit status of a line that names nothing the interpreter can run.
inline constexpr int NotRecognized = 9009;

// Runs the script at the local path `script` line by line, as cmd does for the lines
// these scripts hold: blank lines and "rem" lines are skipped; "@" before a line keeps
// it from being echoed and "echo off" / "echo on" switch echoing; a line that names an
// existing file (the whole line, spaces included, backslashes as separators) opens that
// document with the desktop's association, xdg-open, and waits for it; any other line
// is reported on `errors` as not recognized. Echoed lines go to `output` behind a
// prompt. Returns the status of the last line run (NotRecognized for an unknown one),
// or 1 when the script cannot be read.
int runScript(const std::string& script, std::ostream& output, std::ostream& errors);

}  // namespace platform::cmd
