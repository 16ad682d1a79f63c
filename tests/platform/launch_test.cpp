#include "platform/launch/launch.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "tests/support/recording_xdg_open.h"
#include "tests/support/temp_home.h"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::TempHome;

// A program that reports how it was started, once it has finished.
class LaunchTest : public testing::Test {
protected:
    void SetUp() override {
        // It waits until the test lets it go, so that a launcher that waited for it
        // would be seen to.
        testing_support::writeFile(
            probe(),
            "#!/bin/sh\n"
            "for i in $(seq 100); do [ -e '" +
                go().string() +
                "' ] && break; sleep 0.05; done\n"
                "fds=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2 | tr '\\n' ' ')\n"
                "{ echo \"args:$#\"\n"
                "  echo \"pid:$$\"\n"
                "  echo \"sid:$(cut -d' ' -f6 /proc/$$/stat)\"\n"
                "  echo \"fds:$fds\"\n"
                "  echo \"blocked:$(grep SigBlk /proc/$$/status | cut -f2)\"\n"
                "  for fd in /proc/$$/fd/*; do echo \"open:$(readlink $fd)\"; done\n"
                "} > '" +
                (home.root() / "report.tmp").string() +
                "'\n"
                "mv '" +
                (home.root() / "report.tmp").string() + "' '" + report().string() + "'\n");
        fs::permissions(probe(), fs::perms::owner_all);
    }
    fs::path probe() const { return home.root() / "my tools" / "probe.sh"; }
    fs::path report() const { return home.root() / "report.txt"; }
    fs::path go() const { return home.root() / "go"; }
    std::string waitForReport() const {
        testing_support::writeFile(go(), "");
        for (int i = 0; i < 250 && !fs::exists(report()); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return readFile(report());
    }
    TempHome home;
};

TEST_F(LaunchTest, StartsHiddenInANewSessionWithoutWaiting) {
    // A blocked signal must not reach the program.
    sigset_t blocked, saved;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    sigprocmask(SIG_BLOCK, &blocked, &saved);
    testing_support::writeFile(home.root() / "canary", "");
    const int open = ::open((home.root() / "canary").c_str(), O_RDONLY);  // no close-on-exec
    const pid_t started = platform::launch::startHidden(probe().string());
    ::close(open);
    sigprocmask(SIG_SETMASK, &saved, nullptr);
    ASSERT_GT(started, 0);
    EXPECT_FALSE(fs::exists(report())) << "the launch waited for the program";
    const std::string text = waitForReport();
    EXPECT_NE(text.find("args:0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("pid:" + std::to_string(started) + "\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("sid:" + std::to_string(getsid(0)) + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("fds:/dev/null /dev/null /dev/null \n"), std::string::npos) << text;
    EXPECT_NE(text.find("blocked:0000000000000000\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("canary"), std::string::npos) << text;
}

// Blanks in the path are part of it: a file at a prefix of the path is never taken
// for the program, and no words are split off as arguments.
TEST_F(LaunchTest, TheWholeCommandLineIsOnePath) {
    const fs::path prefix = home.root() / "my";
    testing_support::writeFile(
        prefix, "#!/bin/sh\ntouch '" + (home.root() / "prefix ran").string() + "'\n");
    fs::permissions(prefix, fs::perms::owner_all);
    for (const std::string& line : {probe().string(), "  \"" + probe().string() + "\"  "}) {
        SCOPED_TRACE(line);
        fs::remove(report());
        fs::remove(go());
        ASSERT_GT(platform::launch::startHidden(line), 0);
        EXPECT_NE(waitForReport().find("args:0\n"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(home.root() / "prefix ran"));
}

// A script runs in the interpreter, which reads it from the descriptor it is handed,
// not from the path.
TEST_F(LaunchTest, AScriptRunsFromTheDescriptorItIsHanded) {
    testing_support::RecordingXdgOpen xdgOpen(home.root());
    for (const char* name : {"manual.pdf", "planted.pdf"})
        testing_support::writeFile(home.root() / name, "%PDF");
    testing_support::writeFile(home.root() / "written.cmd",
                               "@echo off\r\n" + (home.root() / "manual.pdf").string() + "\r\n");
    testing_support::writeFile(home.root() / "Start Manual.cmd",
                               "@echo off\r\n" + (home.root() / "planted.pdf").string() + "\r\n");
    const int content = ::open((home.root() / "written.cmd").c_str(), O_RDONLY | O_CLOEXEC);
    const pid_t started =
        platform::launch::startHidden((home.root() / "Start Manual.cmd").string(), content);
    ::close(content);
    ASSERT_GT(started, 0);
    const auto calls = xdgOpen.calls(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].ends_with("|" + (home.root() / "manual.pdf").string())) << calls[0];
}

TEST_F(LaunchTest, LeavesNoChildBehind) {
    ASSERT_GT(platform::launch::startHidden(probe().string()), 0);
    waitForReport();
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(LaunchTest, ReportsAProgramThatCannotStart) {
    errno = 0;
    EXPECT_EQ(platform::launch::startHidden((home.root() / "missing program").string()), 0);
    EXPECT_EQ(errno, ENOENT);
    fs::permissions(probe(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(platform::launch::startHidden(probe().string()), 0);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(platform::launch::startHidden(""), 0);
}

}  // namespace
