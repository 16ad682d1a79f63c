#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "platform/file/read_file.h"
#include "platform/file/write_file.h"
#include "tests/support/as_user.h"
#include "tests/support/temp_home.h"

namespace {

namespace fs = std::filesystem;
namespace file = platform::file;
using file::Step;
using testing_support::readFile;
using testing_support::runAsUser;
using testing_support::TempHome;
using testing_support::TestUser;
using testing_support::writeFile;

file::Edit setTo(std::string bytes) {
    return [bytes](const std::string*, std::string& next) {
        next = bytes;
        return true;
    };
}

struct stat statOf(const fs::path& path) {
    struct stat info = {};
    lstat(path.c_str(), &info);
    return info;
}

class FileTest : public testing::Test {
public:  // the tables' set-up functions reach in
    fs::path path() const { return home.root() / "Corvane.ini"; }
    // The names in the folder of path(): the file and anything a write left beside it.
    std::set<std::string> folderNames() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(path().parent_path()))
            names.insert(entry.path().filename().string());
        return names;
    }
    TempHome home;
};

TEST_F(FileTest, WhatIsNoRegularFileIsRefusedAtOnce) {
    struct Row {
        const char* name;
        std::function<void(const fs::path&)> make;
        int error;
    } const rows[] = {
        {"FIFO", [](const fs::path& p) { mkfifo(p.c_str(), 0600); }, EINVAL},
        {"device", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }, EINVAL},
        {"folder", [](const fs::path& p) { fs::create_directory(p); }, EISDIR},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(path());
        row.make(path());
        errno = 0;
        EXPECT_FALSE(file::readFile(path()).has_value());
        EXPECT_EQ(errno, row.error);
        errno = 0;
        EXPECT_FALSE(file::updateFile(path(), setTo("[S]\r\n")));
        EXPECT_EQ(errno, row.error);
    }
}

TEST_F(FileTest, ReadWaitsForARewriteInProgress) {
    writeFile(path(), "[S]\r\nold=1\r\n");
    const std::string next = "[S]\r\nnew=2\r\n;" + std::string(30, '-') + "\r\n";
    std::atomic<bool> truncated{false};
    // The application truncates, then writes in pieces with pauses between.
    std::thread application([&] {
        const int fd = open(path().c_str(), O_WRONLY | O_TRUNC);
        truncated = true;
        for (std::size_t at = 0; at < next.size(); at += 12) {
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
            EXPECT_GT(write(fd, next.data() + at, std::min<std::size_t>(12, next.size() - at)), 0);
        }
        close(fd);
    });
    while (!truncated) std::this_thread::yield();
    const auto read = file::readFile(path());
    application.join();
    EXPECT_EQ(read, next);
}

// The step that the hook makes fail, and how.
Step failingStep;
int failingError = 0;
int failStep(Step step, std::string_view) { return step == failingStep ? failingError : 0; }

struct FaultScenario {
    const char* name;
    bool exists;                           // the file is there before the write
    std::function<void(FileTest&)> setUp;  // what makes the write take its path
    std::vector<Step> steps;
    bool replace = false;  // lectavo's replaceFile rather than updateFile
};

TEST_F(FileTest, AFailingStepLeavesTheOldFileAndNoTemporary) {
    const std::string old = "[S]\r\nk=1\r\n";
    const std::string longer = "[S]\r\nk=" + std::string(5000, '2') + "\r\n";
    const FaultScenario scenarios[] = {
        {"replace by rename",
         true,
         {},
         {Step::CreateTemporary, Step::Write, Step::SetMode, Step::Sync, Step::Name, Step::Rename}},
        {"rewrite in place (second hard link)",
         true,
         [](FileTest& t) { fs::create_hard_link(t.path(), t.home.root() / "link.ini"); },
         {Step::Reserve, Step::Write, Step::Truncate, Step::Sync}},
        {"new file", false, {}, {Step::CreateTemporary, Step::Write, Step::Sync, Step::Name}},
        {"script replace",
         true,
         {},
         {Step::CreateTemporary, Step::Write, Step::SetMode, Step::Sync, Step::Name, Step::Rename},
         true},
    };
    for (const auto& scenario : scenarios) {
        for (const Step step : scenario.steps) {
            for (const int error : {EIO, ENOSPC}) {
                SCOPED_TRACE(std::string(scenario.name) + ", step " +
                             std::to_string(static_cast<int>(step)) + ", " + strerror(error));
                fs::remove_all(home.root());
                fs::create_directories(home.root());
                if (scenario.exists) writeFile(path(), old);
                if (scenario.setUp) scenario.setUp(*this);
                const auto namesBefore = folderNames();
                failingStep = step;
                failingError = error;
                file::setStepHook(failStep);
                errno = 0;
                const bool written = scenario.replace ? file::replaceFile(path(), longer)
                                                      : file::updateFile(path(), setTo(longer));
                const int writeError = errno;
                file::setStepHook(nullptr);
                EXPECT_FALSE(written);
                EXPECT_EQ(writeError, error);
                EXPECT_EQ(fs::exists(path()), scenario.exists);
                if (scenario.exists) {
                    EXPECT_EQ(readFile(path()), old);
                }
                EXPECT_EQ(folderNames(), namesBefore);
            }
        }
    }
}

TEST_F(FileTest, AFolderThatCannotBeFlushedAfterTheRenameIsAFailure) {
    writeFile(path(), "old");
    failingStep = Step::SyncFolder;
    failingError = EIO;
    file::setStepHook(failStep);
    errno = 0;
    const bool written = file::updateFile(path(), setTo("new"));
    file::setStepHook(nullptr);
    EXPECT_FALSE(written);
    EXPECT_EQ(errno, EIO);
    EXPECT_EQ(readFile(path()), "new") << "the rename happened; only its durability is unknown";
    EXPECT_EQ(folderNames(), std::set<std::string>{"Corvane.ini"});
}

TEST_F(FileTest, AChangeSinceTheReadIsNeverUndone) {
    struct Row {
        const char* name;
        std::function<void(const fs::path&, const std::string&)> application;
    } const rows[] = {
        {"by rename",
         [](const fs::path& p, const std::string& bytes) {
             writeFile(p.string() + ".new", bytes);
             fs::rename(p.string() + ".new", p);
         }},
        {"in place", [](const fs::path& p, const std::string& bytes) { writeFile(p, bytes); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile(path(), "app=1\r\n");
        int edits = 0;
        const bool written =
            file::updateFile(path(), [&](const std::string* current, std::string& next) {
                // The application rewrites the file while the first edit is under way.
                if (++edits == 1) row.application(path(), "app=2\r\n");
                next = *current + "ours=1\r\n";
                return true;
            });
        EXPECT_TRUE(written);
        EXPECT_EQ(edits, 2);
        EXPECT_EQ(readFile(path()), "app=2\r\nours=1\r\n");
    }
}

TEST_F(FileTest, AFileThatNeverStandsStillIsNotWritten) {
    writeFile(path(), "app=0\r\n");
    int edits = 0;
    errno = 0;
    const bool written = file::updateFile(path(), [&](const std::string*, std::string& next) {
        writeFile(path(), "app=" + std::to_string(++edits) + "\r\n");
        next = "ours\r\n";
        return true;
    });
    EXPECT_FALSE(written);
    EXPECT_EQ(errno, EBUSY);
    EXPECT_EQ(readFile(path()), "app=" + std::to_string(edits) + "\r\n");
}

// Each of a few processes adds one to a number in the file, many times over.
TEST_F(FileTest, ConcurrentWritersNeverLoseAnIncrement) {
    writeFile(path(), "0");
    constexpr int Writers = 3, Increments = 15;
    std::vector<pid_t> children;
    for (int w = 0; w < Writers; ++w) {
        const pid_t child = fork();
        if (child == 0) {
            bool ok = true;
            for (int i = 0; i < Increments && ok; ++i) {
                ok = file::updateFile(path(), [](const std::string* current, std::string& next) {
                    next = std::to_string(std::stoi(*current) + 1);
                    return true;
                });
            }
            _exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(readFile(path()), std::to_string(Writers * Increments));
}

TEST_F(FileTest, AKilledWriteLeavesOldOrNewAndNoTemporaryForGood) {
    const std::string a(1 << 20, 'a'), b(1 << 20, 'b');
    writeFile(path(), a);
    std::mt19937 random(12345);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(8);
    int kills = 0, leftBehind = 0;
    while (kills < 300 && std::chrono::steady_clock::now() < deadline) {
        const pid_t child = fork();
        if (child == 0) {
            for (int i = 0;; ++i) file::updateFile(path(), setTo(i % 2 == 0 ? b : a));
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        ++kills;
        const std::string content = readFile(path());
        ASSERT_TRUE(content == a || content == b) << "torn after kill " << kills;
        leftBehind += static_cast<int>(folderNames().size()) - 1;
        // The next writer starts at once, not after waiting for the file to settle.
        testing_support::backdate(path());
    }
    std::printf("%d kills, %d temporary files seen right after a kill\n", kills, leftBehind);
    EXPECT_TRUE(file::updateFile(path(), setTo(a)));
    EXPECT_EQ(folderNames(), std::set<std::string>{"Corvane.ini"});
}

TEST_F(FileTest, StaleTemporariesGoLiveOnesStay) {
    writeFile(path(), "old");
    const fs::path stale = home.root() / ".Corvane.ini.vexon-0123456789ab";
    const fs::path live = home.root() / ".Corvane.ini.vexon-aaaaaaaaaaaa";
    const fs::path foreign = home.root() / ".Corvane.ini.swp";
    for (const auto& p : {stale, live, foreign}) writeFile(p, "x");
    const int liveFd = open(live.c_str(), O_RDONLY);
    ASSERT_EQ(flock(liveFd, LOCK_EX), 0);  // its writer is still at work
    EXPECT_TRUE(file::updateFile(path(), setTo("new")));
    close(liveFd);
    EXPECT_EQ(folderNames(),
              (std::set<std::string>{"Corvane.ini", live.filename(), foreign.filename()}));
}

TEST_F(FileTest, ARenameThatWouldLoseWhatTheFileIsBecomesAnInPlaceRewrite) {
    struct Row {
        const char* name;
        std::function<void(FileTest&)> setUp;
    } const rows[] = {
        {"second hard link",
         [](FileTest& t) { fs::create_hard_link(t.path(), t.home.root() / "link.ini"); }},
        {"folder without a write bit", [](FileTest& t) { chmod(t.home.root().c_str(), 0555); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        chmod(home.root().c_str(), 0700);
        fs::remove(home.root() / "link.ini");
        writeFile(path(), "[S]\r\nk=1\r\n");
        row.setUp(*this);
        const ino_t inode = statOf(path()).st_ino;
        EXPECT_TRUE(file::updateFile(path(), setTo("[S]\r\nk=22\r\n")));
        EXPECT_EQ(statOf(path()).st_ino, inode);
        EXPECT_EQ(readFile(path()), "[S]\r\nk=22\r\n");
        if (fs::exists(home.root() / "link.ini")) {
            EXPECT_EQ(readFile(home.root() / "link.ini"), "[S]\r\nk=22\r\n");
        }
    }
}

TEST_F(FileTest, LinksAreFollowedUnlessPlantedByAnotherUser) {
    const fs::path target = home.root() / "real" / "Corvane.ini";
    writeFile(target, "old");
    chmod(target.c_str(), 0640);
    fs::create_symlink("real/Corvane.ini", path());
    EXPECT_TRUE(file::updateFile(path(), setTo("new")));
    EXPECT_TRUE(fs::is_symlink(path()));
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(statOf(target).st_mode & 07777, 0640u);

    if (!testing_support::canSwitchUser()) GTEST_SKIP() << "planting needs another user";
    const fs::path shared = home.root() / "shared";
    fs::create_directory(shared);
    chmod(shared.c_str(), 01777);
    const fs::path planted = shared / "Corvane.ini";
    fs::create_symlink(target, planted);
    ASSERT_EQ(lchown(planted.c_str(), TestUser::Uid, TestUser::Gid), 0);
    errno = 0;
    EXPECT_FALSE(file::updateFile(planted, setTo("planted")));
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(readFile(target), "new");
    ASSERT_EQ(lchown(planted.c_str(), 0, 0), 0);  // the folder's owner's link is followed
    EXPECT_TRUE(file::updateFile(planted, setTo("owner's link")));
    EXPECT_EQ(readFile(target), "owner's link");
}

TEST_F(FileTest, AnOrdinaryUserWritesWhatTheUserMayAndKeepsOwnerAndGroup) {
    if (!testing_support::canSwitchUser()) GTEST_SKIP() << "switching users needs root";
    struct Row {
        const char* name;
        uid_t fileOwner;
        gid_t fileGroup;
        mode_t fileMode;
        uid_t folderOwner;
        gid_t folderGroup;
        mode_t folderMode;
        int error;  // 0: written
        bool sameInode;
    } const rows[] = {
        {"own file in a folder the user may not write", TestUser::Uid, TestUser::Gid, 0644, 0, 0,
         0755, 0, true},
        {"group-shared file of the application's account", TestUser::ApplicationUid,
         TestUser::SharedGroup, 0664, TestUser::ApplicationUid, TestUser::SharedGroup, 0775, 0,
         true},
        {"own file in the shared group", TestUser::Uid, TestUser::SharedGroup, 0664, TestUser::Uid,
         TestUser::Gid, 0755, 0, false},
        {"read-only file", TestUser::Uid, TestUser::Gid, 0444, TestUser::Uid, TestUser::Gid, 0755,
         EACCES, true},
        {"file of another user", TestUser::ApplicationUid, TestUser::Gid, 0644, TestUser::Uid,
         TestUser::Gid, 0755, EACCES, true},
        {"file the user may write but not read", TestUser::Uid, TestUser::Gid, 0200, TestUser::Uid,
         TestUser::Gid, 0755, EACCES, true},
    };
    chmod(home.root().c_str(), 0755);
    const fs::path folder = home.root() / "lab";
    const fs::path ini = folder / "Corvane.ini";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(folder);
        writeFile(ini, "[S]\r\nk=1\r\n");
        ASSERT_EQ(chown(ini.c_str(), row.fileOwner, row.fileGroup), 0);
        ASSERT_EQ(chmod(ini.c_str(), row.fileMode), 0);
        ASSERT_EQ(chown(folder.c_str(), row.folderOwner, row.folderGroup), 0);
        ASSERT_EQ(chmod(folder.c_str(), row.folderMode), 0);
        const ino_t inode = statOf(ini).st_ino;
        EXPECT_TRUE(runAsUser([&] {
            errno = 0;
            const bool written = file::updateFile(ini, setTo("[S]\r\nk=2\r\n"));
            return row.error == 0 ? written : !written && errno == row.error;
        }));
        const struct stat after = statOf(ini);
        EXPECT_EQ(readFile(ini), row.error == 0 ? "[S]\r\nk=2\r\n" : "[S]\r\nk=1\r\n");
        EXPECT_EQ(after.st_uid, row.fileOwner);
        EXPECT_EQ(after.st_gid, row.fileGroup);
        EXPECT_EQ(after.st_mode & 07777, row.fileMode);
        EXPECT_EQ(after.st_ino == inode, row.sameInode);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);
    }
}

TEST_F(FileTest, ReplaceTakesWhateverStandsAtTheNameButNeverWritesThroughALink) {
    const fs::path victim = home.root() / "victim";
    writeFile(victim, "the user's own file");
    fs::create_symlink(victim, path());
    EXPECT_TRUE(file::replaceFile(path(), "script"));
    EXPECT_FALSE(fs::is_symlink(path()));
    EXPECT_EQ(readFile(path()), "script");
    EXPECT_EQ(readFile(victim), "the user's own file");

    struct Row {
        const char* name;
        std::function<void(FileTest&)> setUp;
        int error;
    } const refused[] = {
        {"read-only file", [](FileTest& t) { chmod(t.path().c_str(), 0444); }, EACCES},
        {"folder without a write bit", [](FileTest& t) { chmod(t.home.root().c_str(), 0555); },
         EACCES},
        {"folder at the name",
         [](FileTest& t) {
             fs::remove(t.path());
             fs::create_directory(t.path());
         },
         EISDIR},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.name);
        chmod(home.root().c_str(), 0700);
        fs::remove_all(path());
        writeFile(path(), "old");
        row.setUp(*this);
        errno = 0;
        EXPECT_FALSE(file::replaceFile(path(), "new"));
        EXPECT_EQ(errno, row.error);
        if (fs::is_regular_file(path())) {
            EXPECT_EQ(readFile(path()), "old");
        }
    }
}

}  // namespace
