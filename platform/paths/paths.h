// Windows-style path texts to local paths.
#pragma once

#include <string>
#include <string_view>

namespace platform::paths {

// Where a bare file name (one without any folder in it) is looked up.
enum class BareName {
    InWindowsFolder,  // as the profile functions do
    InCurrentFolder,  // as file output and process launch do
};

// Maps a path text to a local path. Backslashes and slashes both separate folders;
// an absolute path stays absolute; a drive path such as C:\Lumiq\setup lands under
// $XDG_DATA_HOME/winreg/drive_c/ (default ~/.local/share/winreg/drive_c/); a bare name
// goes where `bareName` says; any other relative path is left relative, so it is taken
// against the current folder. The empty text stays empty.
std::string toLocalPath(std::string_view path, BareName bareName);

// True when the local path `path` names a regular file (symbolic links followed).
bool isRegularFile(const std::string& path);

// The XDG base folder that the variable `variable` names when it holds an absolute
// path, else $HOME/`fallback`: xdgFolder("XDG_CONFIG_HOME", ".config"). Without an
// absolute $HOME, the user's home folder from the password database stands in.
std::string xdgFolder(const char* variable, const char* fallback);

// `relative` taken against the folder of the running executable, such as
// "../libexec/vexon-utilities/wincmd"; just `relative` when that folder is unknown.
std::string besideExecutable(std::string_view relative);

// The stand-in for the Windows folder: $XDG_DATA_HOME/winreg/windows
// (default ~/.local/share/winreg/windows).
std::string windowsFolder();

}  // namespace platform::paths
