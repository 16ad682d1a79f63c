// Rewrites an INI file the way the spectrometer application does: whole, at any time,
// without any lock, either in place (truncate, then the bytes in pieces with short
// pauses) or by writing a temporary file and renaming it over the file.
#pragma once

#include <atomic>
#include <string>
#include <thread>

class IniRewriter {
public:
    enum class Mode { InPlace, Rename };

    // Starts rewriting `path` `ratePerSecond` times a second. Each rewrite raises the
    // counter "Counter" of the section "[VexonSim]", which nobody else writes, so that
    // a rewrite by someone else that carried an older counter shows as an undone update.
    IniRewriter(std::string path, Mode mode, double ratePerSecond);
    // Stops and logs the totals: "rewrites: N, undone: M".
    ~IniRewriter();
    IniRewriter(const IniRewriter&) = delete;
    IniRewriter& operator=(const IniRewriter&) = delete;

private:
    void run();
    void rewriteOnce();

    std::string path_;
    Mode mode_;
    double rate_;
    std::atomic<bool> stopping_{false};
    long long counter_ = -1;  // what the last rewrite stored; -1 before the first
    long long rewrites_ = 0;
    long long undone_ = 0;
    long long failures_ = 0;
    std::thread thread_;
};
