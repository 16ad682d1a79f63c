// An xdg-open placed first on PATH that records what it was asked to open, one line per
// call: the current folder, a '|', then its arguments.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

class RecordingXdgOpen {
public:
    explicit RecordingXdgOpen(const std::filesystem::path& folder);
    ~RecordingXdgOpen();
    RecordingXdgOpen(const RecordingXdgOpen&) = delete;
    RecordingXdgOpen& operator=(const RecordingXdgOpen&) = delete;

    // The calls recorded so far, after waiting up to `seconds` for at least `count`.
    std::vector<std::string> calls(std::size_t count = 0, double seconds = 5) const;
    // Where the open descriptors of every call led, one line each (its own script's
    // included, which the shell keeps open).
    std::string descriptorTargets() const;

private:
    std::filesystem::path descriptorRecord() const;
    std::filesystem::path record_;
    std::string savedPath_;
};

}  // namespace testing_support
