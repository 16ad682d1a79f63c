#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/recording_xdg_open.h"
#include "tests/support/temp_home.h"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::RecordingXdgOpen;
using testing_support::TempHome;
using testing_support::writeFile;

struct Interpreted {
    int status = -1;
    std::string output;
    std::string errors;
};

// Runs wincmd on `script` in the folder `folder`; `options` go before the script, and
// `redirections` to the shell.
Interpreted runInterpreter(const fs::path& folder, const fs::path& script,
                           const std::string& options = "", const std::string& redirections = "") {
    const std::string command = "cd '" + folder.string() + "' && '" WINCMD_PATH "' " + options +
                                " '" + script.string() + "' > '" + (folder / "out").string() +
                                "' 2> '" + (folder / "err").string() + "' " + redirections;
    Interpreted run;
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.output = readFile(folder / "out");
    run.errors = readFile(folder / "err");
    return run;
}

TEST(CmdTest, SkipsCommentsAndOpensTheDocumentLineWhole) {
    TempHome home;
    RecordingXdgOpen xdgOpen(home.root());
    const fs::path folder = home.root() / "Program Files" / "Lumiq" / "man";
    writeFile(folder / "Harvane Manual.pdf", "%PDF-1.4\n");
    const fs::path script = folder / "StartManual.cmd";
    writeFile(script, "@echo off\r\n\r\nrem @echo off\r\n   REM another comment\r\n" +
                          (home.root() / "Program Files\\Lumiq\\man\\Harvane Manual.pdf").string() +
                          "\r\n");
    const Interpreted run = runInterpreter(home.root(), script);
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(xdgOpen.calls(1), std::vector<std::string>{home.root().string() + "|" +
                                                         (folder / "Harvane Manual.pdf").string()});
}

TEST(CmdTest, EchoesLinesUntilEchoIsOff) {
    TempHome home;
    writeFile(home.root() / "s.cmd", "rem first\r\necho off\r\nrem second\r\n");
    const Interpreted run = runInterpreter(home.root(), home.root() / "s.cmd");
    EXPECT_EQ(run.output, "\n" + home.root().string() + ">rem first\n\n" + home.root().string() +
                              ">echo off\n");
}

TEST(CmdTest, ReportsALineItCannotRun) {
    TempHome home;
    RecordingXdgOpen xdgOpen(home.root());
    writeFile(home.root() / "s.cmd", "@echo off\r\nman\\HarvaneManual.pdf\r\n");
    const Interpreted run = runInterpreter(home.root(), home.root() / "s.cmd");
    EXPECT_EQ(run.errors,
              "'man\\HarvaneManual.pdf' is not recognized as an internal or external command, "
              "operable program or batch file.\n");
    EXPECT_EQ(run.status, 9009 & 0xFF);
    EXPECT_TRUE(xdgOpen.calls().empty());
    EXPECT_EQ(runInterpreter(home.root(), home.root() / "missing.cmd").status, 1);
}

TEST(CmdTest, ALineWithAZeroByteNamesNothing) {
    TempHome home;
    RecordingXdgOpen xdgOpen(home.root());
    writeFile(home.root() / "manual", "%PDF-1.4\n");
    constexpr char script[] = "@echo off\r\nmanual\0 and more\r\n";
    writeFile(home.root() / "s.cmd", std::string_view(script, sizeof script - 1));
    const Interpreted run = runInterpreter(home.root(), home.root() / "s.cmd");
    EXPECT_EQ(run.status, 9009 & 0xFF);
    EXPECT_NE(run.errors.find("is not recognized"), std::string::npos);
    EXPECT_TRUE(xdgOpen.calls(0, 0.3).empty());
}

// A relative document beginning with '-' must not read as an option of xdg-open, and
// xdg-open must not inherit the script.
TEST(CmdTest, TheDocumentGoesToXdgOpenAbsoluteAndAlone) {
    TempHome home;
    RecordingXdgOpen xdgOpen(home.root());
    writeFile(home.root() / "-manual.pdf", "%PDF-1.4\n");
    writeFile(home.root() / "s.cmd", "@echo off\r\n-manual.pdf\r\n");
    const Interpreted run = runInterpreter(home.root(), home.root() / "s.cmd");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(xdgOpen.calls(1), std::vector<std::string>{home.root().string() + "|" +
                                                         (home.root() / "-manual.pdf").string()});
    EXPECT_EQ(xdgOpen.descriptorTargets().find("s.cmd"), std::string::npos)
        << xdgOpen.descriptorTargets();
}

// The script's bytes come from the descriptor that its writer handed over, whatever now
// stands at its path.
TEST(CmdTest, ReadsTheScriptFromTheHandedDescriptor) {
    TempHome home;
    RecordingXdgOpen xdgOpen(home.root());
    writeFile(home.root() / "manual.pdf", "%PDF-1.4\n");
    writeFile(home.root() / "written.cmd", "@echo off\r\nmanual.pdf\r\n");
    writeFile(home.root() / "StartManual.cmd", "@echo off\r\nplanted.pdf\r\n");
    const Interpreted run =
        runInterpreter(home.root(), home.root() / "StartManual.cmd", "--descriptor 3",
                       "3< '" + (home.root() / "written.cmd").string() + "'");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(xdgOpen.calls(1), std::vector<std::string>{home.root().string() + "|" +
                                                         (home.root() / "manual.pdf").string()});
    EXPECT_EQ(xdgOpen.descriptorTargets().find("written.cmd"), std::string::npos);
}

}  // namespace
