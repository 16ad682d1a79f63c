#include "recording_xdg_open.h"

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "temp_home.h"

namespace testing_support {

RecordingXdgOpen::RecordingXdgOpen(const std::filesystem::path& folder)
    : record_(folder / "opened.txt") {
    const auto script = folder / "bin" / "xdg-open";
    // Besides its call, it records where each of its open descriptors leads, first, so
    // that both records are there once the call is.
    writeFile(script, "#!/bin/sh\nfor fd in /proc/$$/fd/*; do readlink \"$fd\"; done >> '" +
                          descriptorRecord().string() + "' 2>/dev/null\necho \"$PWD|$*\" >> '" +
                          record_.string() + "'\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    const char* path = std::getenv("PATH");
    savedPath_ = path != nullptr ? path : "";
    setenv("PATH", ((folder / "bin").string() + ":" + savedPath_).c_str(), 1);
}

RecordingXdgOpen::~RecordingXdgOpen() { setenv("PATH", savedPath_.c_str(), 1); }

std::filesystem::path RecordingXdgOpen::descriptorRecord() const {
    return record_.parent_path() / "opened-descriptors.txt";
}

std::string RecordingXdgOpen::descriptorTargets() const { return readFile(descriptorRecord()); }

std::vector<std::string> RecordingXdgOpen::calls(std::size_t count, double seconds) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::vector<std::string> lines;
    do {
        lines.clear();
        std::istringstream text(readFile(record_));
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        if (lines.size() >= count) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return lines;
}

}  // namespace testing_support
