#include "lectavo/form1.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "platform/box/box.h"
#include "tests/support/recording_xdg_open.h"
#include "tests/support/temp_home.h"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::RecordingXdgOpen;
using testing_support::TempHome;
using testing_support::writeFile;

const std::string FailureText =
    "Error locating manual.  Please make sure that the 'HarvaneManual.pdf' file is located in the "
    "'Lumiq\\man\\' directory.";

// Captures the boxes shown while it lives.
class CapturedBoxes {
public:
    CapturedBoxes() {
        platform::box::setPresenter(
            [this](const platform::box::Request& request) { boxes_.push_back(request); });
    }
    ~CapturedBoxes() { platform::box::setPresenter({}); }
    const std::vector<platform::box::Request>& boxes() const { return boxes_; }

private:
    std::vector<platform::box::Request> boxes_;
};

// Whether any Qt library is mapped into this process.
bool mapsQt() {
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        if (line.find("libQt6") != std::string::npos) return true;
    }
    return false;
}

// The text after the folder in a recorded xdg-open call: the document it was given.
std::string openedDocument(const std::string& call) { return call.substr(call.find('|') + 1); }
class LectavoTest : public testing::Test {
protected:
    void SetUp() override {
        platform::box::setProgramTitle("Quorvel");
        fs::create_directories(work());
        savedFolder_ = fs::current_path();
        fs::current_path(work());
    }
    void TearDown() override { fs::current_path(savedFolder_); }

    // The registry's "setup" value; nothing leaves the value out.
    void setSetup(const std::optional<std::string>& text) const {
        std::string body = "[HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path]\n";
        if (text) body += "\"setup\"=" + testing_support::regString(*text) + "\n";
        home.writeRegistry(body);
    }
    // The "setup" value as raw bytes (hex(1)), which may hold line breaks and zeros.
    void setSetupBytes(std::string_view bytes) const {
        std::string body = "[HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path]\n\"setup\"=hex(1):";
        char hex[4];
        for (const char c : bytes) {
            std::snprintf(hex, sizeof hex, "%02x,", static_cast<unsigned char>(c));
            body += hex;
        }
        home.writeRegistry(body + "00\n");
    }
    // A manual folder with the manual in it.
    static void giveManual(const fs::path& folder) {
        writeFile(folder / "HarvaneManual.pdf", "%PDF-1.4\n");
    }

    fs::path work() const { return home.root() / "work"; }
    fs::path driveC() const { return home.root() / "data/winreg/drive_c"; }

    TempHome home;
    CapturedBoxes boxes;
    RecordingXdgOpen xdgOpen{home.root()};
    fs::path savedFolder_;
};

TEST_F(LectavoTest, WritesTheScriptAndOpensTheManual) {
    struct Row {
        const char* name;
        std::optional<std::string> setup;
        fs::path manualFolder;  // relative to the home; made with the manual in it
        std::string secondLine;
        std::string opened;  // the path xdg-open receives, relative to the home
    } const rows[] = {
        {"worked example", "C:\\Lumiq\\setup", "data/winreg/drive_c/Lumiq/man",
         "C:\\Lumiq\\man\\HarvaneManual.pdf", "data/winreg/drive_c/Lumiq/man/HarvaneManual.pdf"},
        {"spaces in the folder", "C:\\Program Files\\Lumiq\\setup",
         "data/winreg/drive_c/Program Files/Lumiq/man",
         "C:\\Program Files\\Lumiq\\man\\HarvaneManual.pdf",
         "data/winreg/drive_c/Program Files/Lumiq/man/HarvaneManual.pdf"},
        {"the marker Error", std::nullopt, "work/man", "man\\HarvaneManual.pdf",
         "work/man/HarvaneManual.pdf"},
        {"exactly five characters", "abcde", "work/man", "man\\HarvaneManual.pdf",
         "work/man/HarvaneManual.pdf"},
        {"a character outside the basic plane among the last five",
         "C:\\Lumiq\\set\xF0\x9F\x98\x80p", "data/winreg/drive_c/Lumiq/man",
         "C:\\Lumiq\\man\\HarvaneManual.pdf", "data/winreg/drive_c/Lumiq/man/HarvaneManual.pdf"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        setSetup(row.setup);
        giveManual(home.root() / row.manualFolder);
        const auto before = xdgOpen.calls().size();

        EXPECT_EQ(Form1::Form_Load(), 0);
        EXPECT_TRUE(boxes.boxes().empty());
        EXPECT_EQ(readFile(home.root() / row.manualFolder / "StartManual.cmd"),
                  "rem @echo off\r\n" + row.secondLine + "\r\n");
        const auto calls = xdgOpen.calls(before + 1);
        ASSERT_EQ(calls.size(), before + 1);
        EXPECT_EQ(openedDocument(calls.back()), (home.root() / row.opened).string());
        fs::remove_all(home.root() / row.manualFolder);
    }
    EXPECT_FALSE(mapsQt()) << "the success path loaded Qt";
}

TEST_F(LectavoTest, FailsWithTheOneBoxAndWritesNothing) {
    struct Row {
        const char* name;
        std::optional<std::string> setup;
    } const rows[] = {
        {"empty", ""},
        {"one character", "a"},
        {"four characters", "abcd"},
        {"the marker Error without a man folder", std::nullopt},
        {"trailing backslash", "C:\\Lumiq\\setup\\"},
    };
    EXPECT_FALSE(fs::exists(work() / "man"));
    EXPECT_FALSE(fs::exists(driveC() / "Lumiq/sman"));
    EXPECT_FALSE(fs::exists(driveC() / "Lumiq/man/StartManual.cmd"));
    EXPECT_TRUE(xdgOpen.calls(0, 0.3).empty());
}

// A line break would add a line to the script, which the interpreter would run; a zero
// byte would cut the path short, and the script would land elsewhere. Each folder here
// exists, so that only the check stands between the value and a launch.
TEST_F(LectavoTest, AValueWithALineBreakOrAZeroByteIsRefused) {
    const std::string root = home.root().string();
    writeFile(home.root() / "evil", "%PDF-1.4\n");  // what the extra line would open
    const std::string rows[] = {
        root + "/evil\nfolder/setup",
        root + "/evil\r\nfolder/setup",
        root + std::string("/folder\0/setup", 14),
    };
    for (const auto& bytes : rows) {
        SCOPED_TRACE(bytes);
        // Up to a zero byte, as a system call would read the folder.
        const std::string folder = bytes.substr(0, std::min(bytes.find('\0'), bytes.size() - 5));
        giveManual(folder + "/man");
        setSetupBytes(bytes);
        const auto before = boxes.boxes().size();
        EXPECT_EQ(Form1::Form_Load(), 1);
        ASSERT_EQ(boxes.boxes().size(), before + 1);
        EXPECT_EQ(boxes.boxes().back().text, FailureText);
    }
    for (const auto& entry : fs::recursive_directory_iterator(home.root()))
        EXPECT_NE(entry.path().filename(), "StartManual.cmd") << entry.path();
    EXPECT_TRUE(xdgOpen.calls(0, 0.3).empty());
}

TEST_F(LectavoTest, ReplacesAnExistingScriptAndRepeatsByteForByte) {
    setSetup("C:\\Lumiq\\setup");
    giveManual(driveC() / "Lumiq/man");
    const fs::path script = driveC() / "Lumiq/man/StartManual.cmd";
    writeFile(script, "@echo on\r\nstart something else\r\nand a third line\r\n");
    EXPECT_EQ(Form1::Form_Load(), 0);
    const std::string first = readFile(script);
    EXPECT_EQ(first, "rem @echo off\r\nC:\\Lumiq\\man\\HarvaneManual.pdf\r\n");
    EXPECT_EQ(Form1::Form_Load(), 0);
    EXPECT_EQ(readFile(script), first);
    EXPECT_EQ(xdgOpen.calls(2).size(), 2u);
}

TEST_F(LectavoTest, MissingManualIsReportedAfterTheScriptIsWritten) {
    setSetup("C:\\Lumiq\\setup");
    fs::create_directories(driveC() / "Lumiq/man");
    EXPECT_EQ(Form1::Form_Load(), 1);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, FailureText);
    EXPECT_EQ(readFile(driveC() / "Lumiq/man/StartManual.cmd"),
              "rem @echo off\r\nC:\\Lumiq\\man\\HarvaneManual.pdf\r\n");
    EXPECT_TRUE(xdgOpen.calls(0, 0.3).empty());
}

TEST_F(LectavoTest, ReadOnlyScriptOrFolderIsLeftUntouched) {
    setSetup("C:\\Lumiq\\setup");
    const fs::path folder = driveC() / "Lumiq/man";
    giveManual(folder);
    const fs::path script = folder / "StartManual.cmd";
    writeFile(script, "old script\r\n");
    fs::permissions(script, fs::perms::owner_read);
    EXPECT_EQ(Form1::Form_Load(), 1);
    EXPECT_EQ(readFile(script), "old script\r\n");

    fs::remove(script);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(Form1::Form_Load(), 1);
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_FALSE(fs::exists(script));
    EXPECT_EQ(boxes.boxes().size(), 2u);
    EXPECT_TRUE(xdgOpen.calls(0, 0.3).empty());
}

TEST_F(LectavoTest, LeavesNoProcessBehind) {
    setSetup("C:\\Lumiq\\setup");
    giveManual(driveC() / "Lumiq/man");
    ASSERT_EQ(Form1::Form_Load(), 0);
    ASSERT_EQ(xdgOpen.calls(1).size(), 1u);
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "a child of the test is still there";
}

}  // namespace

namespace {

// Another user of a shared manual folder plants things; the manual still opens, and
// only the manual.
class LectavoAttackTest : public LectavoTest {
protected:
    void SetUp() override {
        LectavoTest::SetUp();
        setSetup(folder().string() + "/setup");
        giveManual(folder() / "man");
        writeFile(folder() / "man" / "planted.pdf", "%PDF-1.4\n");
    }
    // A folder whose name has a blank in it, as a lab's shared drive has.
    fs::path folder() const { return home.root() / "lab data"; }
    fs::path script() const { return folder() / "man" / "StartManual.cmd"; }
    std::string manual() const { return (folder() / "man" / "HarvaneManual.pdf").string(); }
};

TEST_F(LectavoAttackTest, APlantedLinkIsReplacedNotWrittenThrough) {
    const fs::path victim = home.root() / "the user's own file";
    writeFile(victim, "precious\n");
    fs::create_symlink(victim, script());
    EXPECT_EQ(Form1::Form_Load(), 0);
    EXPECT_EQ(readFile(victim), "precious\n");
    EXPECT_FALSE(fs::is_symlink(script()));
    ASSERT_EQ(xdgOpen.calls(1).size(), 1u);
    EXPECT_EQ(openedDocument(xdgOpen.calls()[0]), manual());
}

TEST_F(LectavoAttackTest, AProgramAtAPrefixOfThePathIsNotStarted) {
    const fs::path prefixProgram = home.root() / "lab";
    writeFile(prefixProgram, "#!/bin/sh\ntouch '" + (home.root() / "prefix ran").string() + "'\n");
    fs::permissions(prefixProgram, fs::perms::owner_all);
    EXPECT_EQ(Form1::Form_Load(), 0);
    ASSERT_EQ(xdgOpen.calls(1).size(), 1u);
    EXPECT_EQ(openedDocument(xdgOpen.calls()[0]), manual());
    EXPECT_FALSE(fs::exists(home.root() / "prefix ran"));
}

TEST_F(LectavoAttackTest, ARenamingNeighbourCannotChangeWhatRuns) {
    const std::string planted =
        "rem @echo off\r\n" + (folder() / "man/planted.pdf").string() + "\r\n";
    std::atomic<bool> stop{false};
    std::thread neighbour([&] {
        const fs::path theirs = folder() / "man" / ".theirs";
        while (!stop) {
            writeFile(theirs, planted);
            std::error_code ignored;
            fs::rename(theirs, script(), ignored);
        }
    });
    constexpr int Runs = 15;
    for (int run = 0; run < Runs; ++run) EXPECT_EQ(Form1::Form_Load(), 0);
    const auto calls = xdgOpen.calls(Runs);
    stop = true;
    neighbour.join();
    ASSERT_EQ(calls.size(), static_cast<std::size_t>(Runs));
    for (const auto& call : calls) EXPECT_EQ(openedDocument(call), manual());
}

TEST_F(LectavoAttackTest, NothingOfTheScriptReachesTheViewer) {
    EXPECT_EQ(Form1::Form_Load(), 0);
    ASSERT_EQ(xdgOpen.calls(1).size(), 1u);
    // The script's descriptor leads into the manual folder (to the file as it was
    // created, unnamed): nothing there may stay open.
    EXPECT_EQ(xdgOpen.descriptorTargets().find((folder() / "man").string()), std::string::npos)
        << xdgOpen.descriptorTargets();
}

}  // namespace
