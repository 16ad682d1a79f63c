// The command interpreter stand-in: runs the ".cmd" scripts that the programs write.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace platform::cmd {

// Exit status of a line that names nothing the interpreter can run.
inline constexpr int NotRecognized = 9009;

// The whole script: read from `descriptor` when it is open (>= 0), which is then
// closed, else from the local path `path`. Nothing, with errno set, when it cannot be
// read. Nothing of the script stays open while it runs, so the programs that it starts
// inherit no descriptor of it.
std::optional<std::string> readScript(const std::string& path, int descriptor);

// Runs the script `bytes` line by line, as cmd does for the lines these scripts hold:
// blank lines and "rem" lines are skipped; "@" before a line keeps it from being echoed
// and "echo off" / "echo on" switch echoing; a line that names an existing file (the
// whole line, spaces included, backslashes as separators) opens that document with the
// desktop's association, xdg-open, by its absolute path (so that it can never read as
// an option), and waits for it; any other line, and one with a zero byte in it, is
// reported on `errors` as not recognized. Echoed lines go to `output` behind a prompt.
// Returns the status of the last line run (NotRecognized for an unknown one).
int runScript(std::string_view bytes, std::ostream& output, std::ostream& errors);

}  // namespace platform::cmd
