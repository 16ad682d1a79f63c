#include "platform/launch/launch.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/support/temp_home.h"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::TempHome;

// A program that reports how it was started, once it has finished.
class LaunchTest : public testing::Test {
protected:
    void SetUp() override {
        testing_support::writeFile(
            probe(),
            "#!/bin/sh\n"
            "fds=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2 | tr '\\n' ' ')\n"
            "{ echo \"args:$#:$1:$2\"\n"
            "  echo \"pid:$$\"\n"
            "  echo \"sid:$(cut -d' ' -f6 /proc/$$/stat)\"\n"
            "  echo \"fds:$fds\"\n"
            "  echo \"fd $1:$(readlink /proc/$$/fd/$1)\"\n"
            "} > '" +
                (home.root() / "report.tmp").string() +
                "'\n"
                "mv '" +
                (home.root() / "report.tmp").string() + "' '" + report().string() + "'\n");
        fs::permissions(probe(), fs::perms::owner_all);
    }
    fs::path probe() const { return home.root() / "my tools" / "probe.sh"; }
    fs::path report() const { return home.root() / "report.txt"; }
    std::string waitForReport() const {
        for (int i = 0; i < 250 && !fs::exists(report()); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return readFile(report());
    }
    TempHome home;
};

TEST_F(LaunchTest, StartsHiddenInANewSessionWithoutWaiting) {
    const pid_t started = platform::launch::startHidden(probe().string() + " first second");
    ASSERT_GT(started, 0);
    const std::string text = waitForReport();
    EXPECT_NE(text.find("args:2:first:second\n"), std::string::npos) << text;
    EXPECT_NE(text.find("pid:" + std::to_string(started) + "\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("sid:" + std::to_string(getsid(0)) + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("fds:/dev/null /dev/null /dev/null \n"), std::string::npos) << text;
}

TEST_F(LaunchTest, QuotedProgramTakesTheRestAsArguments) {
    ASSERT_GT(platform::launch::startHidden("\"" + probe().string() + "\" one"), 0);
    EXPECT_NE(waitForReport().find("args:1:one:\n"), std::string::npos);
}

TEST_F(LaunchTest, InheritsNoFilesOfTheCaller) {
    testing_support::writeFile(home.root() / "canary", "");
    const int open = ::open((home.root() / "canary").c_str(), O_RDONLY);
    ASSERT_GE(open, 3);
    ASSERT_GT(platform::launch::startHidden(probe().string() + " " + std::to_string(open)), 0);
    const std::string text = waitForReport();
    ::close(open);
    EXPECT_EQ(text.find("canary"), std::string::npos) << text;
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
