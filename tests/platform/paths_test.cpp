#include "platform/paths/paths.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include "tests/support/temp_home.h"

namespace {

using platform::paths::BareName;
using platform::paths::toLocalPath;

TEST(PathsTest, MapsWindowsStylePathTexts) {
    testing_support::TempHome home;
    const std::string data = (home.root() / "data/winreg").string();
    struct Row {
        const char* path;
        BareName bareName;
        std::string expected;
    } const rows[] = {
        {"/opt/lumiq/Corvane.ini", BareName::InWindowsFolder, "/opt/lumiq/Corvane.ini"},
        {"/opt/lumiq\\man\\StartManual.cmd", BareName::InCurrentFolder,
         "/opt/lumiq/man/StartManual.cmd"},
        {"man\\StartManual.cmd", BareName::InCurrentFolder, "man/StartManual.cmd"},
        {"man\\StartManual.cmd", BareName::InWindowsFolder, "man/StartManual.cmd"},
        {"Error", BareName::InWindowsFolder, data + "/windows/Error"},
        {"Error", BareName::InCurrentFolder, "Error"},
        {"C:\\Lumiq\\Corvane.ini", BareName::InWindowsFolder, data + "/drive_c/Lumiq/Corvane.ini"},
        {"d:/Program Files/x", BareName::InCurrentFolder, data + "/drive_d/Program Files/x"},
        {"", BareName::InWindowsFolder, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(toLocalPath(row.path, row.bareName), row.expected);
    }
}

// Without HOME the store is not looked for at "/.config/...".
TEST(PathsTest, WithoutHomeTheUsersHomeFolderStandsIn) {
    testing_support::TempHome home;
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    const passwd* user = getpwuid(geteuid());
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(platform::paths::xdgFolder("XDG_CONFIG_HOME", ".config"),
              std::string(user->pw_dir) + "/.config");
    setenv("HOME", "relative", 1);
    EXPECT_EQ(platform::paths::xdgFolder("XDG_CONFIG_HOME", ".config"),
              std::string(user->pw_dir) + "/.config");
}

}  // namespace
