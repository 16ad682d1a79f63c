#include "lectavo/form1.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <filesystem>
#include <optional>

#include "platform/ui/message_box.h"
#include "tests/support/captured_boxes.h"
#include "tests/support/recording_xdg_open.h"
#include "tests/support/temp_home.h"

namespace {

namespace fs = std::filesystem;
using testing_support::CapturedBoxes;
using testing_support::readFile;
using testing_support::RecordingXdgOpen;
using testing_support::TempHome;
using testing_support::writeFile;

const QString FailureText = QStringLiteral(
    "Error locating manual.  Please make sure that the 'HarvaneManual.pdf' file is located in the "
    "'Lumiq\\man\\' directory.");

class LectavoTest : public testing::Test {
protected:
    void SetUp() override {
        platform::ui::setProgramTitle("Quorvel");
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
        const std::string opened = calls.back().substr(calls.back().find('|') + 1);
        EXPECT_EQ(fs::path(opened).is_absolute() ? fs::path(opened) : work() / opened,
                  home.root() / row.opened);
        fs::remove_all(home.root() / row.manualFolder);
    }
    EXPECT_EQ(QCoreApplication::instance(), nullptr) << "the success path brought the GUI up";
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
    giveManual(driveC() / "Lumiq/man");  // where "C:\Lumiq\setup" would find it
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        setSetup(row.setup);
        const auto before = boxes.boxes().size();
        EXPECT_EQ(Form1::Form_Load(), 1);
        ASSERT_EQ(boxes.boxes().size(), before + 1);
        EXPECT_EQ(boxes.boxes().back().text, FailureText);
        EXPECT_EQ(boxes.boxes().back().style, 16);
        EXPECT_EQ(boxes.boxes().back().caption, "Quorvel");
    }
    EXPECT_FALSE(fs::exists(work() / "man"));
    EXPECT_FALSE(fs::exists(driveC() / "Lumiq/sman"));
    EXPECT_FALSE(fs::exists(driveC() / "Lumiq/man/StartManual.cmd"));
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
