#include "platform/profile/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/file/write_file.h"
#include "tests/support/temp_home.h"

namespace {

namespace fs = std::filesystem;
namespace profile = platform::profile;
using testing_support::readFile;
using testing_support::TempHome;
using testing_support::writeFile;

class ProfileTest : public testing::Test {
protected:
    fs::path iniPath() const { return home.root() / "Corvane.ini"; }
    void writeIni(const std::optional<std::string>& bytes) const {
        if (bytes) writeFile(iniPath(), *bytes);
    }
    TempHome home;
};

struct StringRead {
    const char* name;
    std::optional<std::string> file;  // nothing: no file at all
    const char* section;
    const char* key;
    std::string expected;
    const char* defaultValue = " ";
    const char* source = "";  // where the Windows result is stated, when not obvious
};

// A UTF-16LE file's bytes, with its byte order mark, for ASCII `text`.
std::string utf16File(std::string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char c : text) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

TEST_F(ProfileTest, GetStringFollowsWindowsRules) {
    const std::string long130(130, 'x');
    const StringRead rows[] = {
        {"plain", "[DDSB_1]\r\nHopFrequency=1250.5\r\n", "DDSB_1", "HopFrequency", "1250.5"},
        {"names in any case", "[ddsb_1]\nATTENUATOR=10\n", "DDSB_1", "Attenuator", "10"},
        {"blanks around", "[ S ]\n\t key  =  10.5 \t\n", "S", "key", "10.5"},
        {"double quotes", "[S]\nk= \"a value \" \n", "S", "k", "a value "},
        {"single quotes", "[S]\nk='x'\n", "S", "k", "x"},
        {"unbalanced quote kept", "[S]\nk=\"x\n", "S", "k", "\"x"},
        {"comment skipped", "[S]\n  ;k=1\nk=2\n", "S", "k", "2"},
        {"commented key only", "[S]\n;k=1\n", "S", "k", ""},
        {"first key wins", "[S]\nk=1\nk=2\n", "S", "k", "1"},
        {"first section wins", "[S]\na=1\n[S]\nk=3\n", "S", "k", ""},
        {"other section", "[T]\nk=1\n[S]\nk=2\n", "S", "k", "2"},
        {"empty value", "[S]\nk=\n", "S", "k", ""},
        {"key without equals", "[S]\nk\n", "S", "k", ""},
        {"missing key", "[S]\nother=1\n", "S", "k", ""},
        {"missing section", "[T]\nk=1\n", "S", "k", ""},
        {"missing file", std::nullopt, "S", "k", ""},
        {"key before any section", "k=1\n[S]\n", "S", "k", ""},
        {"UTF-8 byte order mark is not skipped", "\xEF\xBB\xBF[S]\r\nk=1\r\n", "S", "k", "", " ",
         "reported Windows behaviour: the first section is not found"},
        {"UTF-16LE file", utf16File("[S]\r\nk=wide\r\n"), "S", "k", "wide", " ",
         "reported Windows behaviour"},
        {"no final line end", "[S]\nk=7", "S", "k", "7"},
        {"header ends at its first ]", "[DDSB_1] ; board [2]\r\nk=1\r\n", "DDSB_1", "k", "1", " ",
         "reported Windows behaviour"},
        {"[ without ] is no header", "[S\r\nk=1\r\n", "S", "k", ""},
        {"CR-only line ends", "[section1]\rname1=val1\rname2=\"val2\"\rname4=a\r[section2]\r",
         "section1", "name2", "val2", " ", "Wine kernel32/tests/profile.c, \"CR only\""},
        {"blanks around the names asked", "[sec]\r\nkey=v\r\n", "  sec  ", "\tkey ", "v", " ",
         "reported Windows behaviour"},
        {"cut to size minus one", "[S]\nk=" + long130 + "\n", "S", "k", std::string(126, 'x')},
        {"default without trailing blanks", "[S]\n", "S", "k", "  dflt", "  dflt   "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " " + row.source);
        fs::remove(iniPath());
        writeIni(row.file);
        char buffer[128];
        std::memset(buffer, '#', sizeof buffer);
        const auto n = profile::GetPrivateProfileString(row.section, row.key, row.defaultValue,
                                                        buffer, 127, iniPath().string());
        EXPECT_EQ(n, row.expected.size());
        EXPECT_EQ(std::string(buffer, n), row.expected);
        EXPECT_EQ(buffer[n], '\0');
    }
}

TEST_F(ProfileTest, GetStringNeverCutsInsideACharacter) {
    writeIni("[S]\nk=" + std::string(125, 'x') + "\xC3\xA9\n");  // the é would end at byte 127
    char buffer[128];
    const auto n = profile::GetPrivateProfileString("S", "k", "", buffer, 127, iniPath().string());
    EXPECT_EQ(n, 125u);
}

TEST_F(ProfileTest, BareFileNameIsLookedUpInTheWindowsFolder) {
    writeFile(home.windowsFolder() / "Error", "[S]\nk=found\n");
    char buffer[128];
    EXPECT_EQ(profile::GetPrivateProfileString("S", "k", " ", buffer, 127, "Error"), 5u);
    EXPECT_STREQ(buffer, "found");
}

TEST_F(ProfileTest, GetSectionCountsEntries) {
    std::string big = "[DDSB_1]\n";
    for (int i = 0; i < 30; ++i) big += "Key" + std::to_string(i) + "=some value\n";
    struct Row {
        const char* name;
        std::optional<std::string> file;
        std::uint32_t expected;
    } const rows[] = {
        // Windows counts the zero after each entry (profile.c: 35 for four entries).
        {"one entry", "[DDSB_1]\nfoo=1\n", 6},
        {"trimmed entries", "[DDSB_1]\n a = 1 \nb\n", 6},
        {"entry without a key", "[DDSB_1]\r\n=val5\r\n", 6},
        {"zero bytes at the end are no entry", std::string("[DDSB_1]\r\n\0\0", 12), 0},
        {"header only", "[DDSB_1]\n[DDS_1A]\nAttenuator=30\n", 0},
        {"blanks and comments only", "[DDSB_1]\n\n ; note\n\n", 0},
        {"missing section", "[DDS_1A]\nAttenuator=30\n", 0},
        {"missing file", std::nullopt, 0},
        {"larger than the buffer", big, 253},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(iniPath());
        writeIni(row.file);
        char buffer[255];
        EXPECT_EQ(profile::GetPrivateProfileSection("DDSB_1", buffer, 255, iniPath().string()),
                  row.expected);
        EXPECT_EQ(buffer[row.expected], '\0');
        if (row.expected == 0 || row.expected == 253) {
            EXPECT_EQ(buffer[row.expected + 1], '\0');
        } else {
            EXPECT_EQ(buffer[row.expected - 1], '\0');
        }
    }
    writeIni("[DDSB_1]\n a = 1 \nb\n");
    char buffer[255];
    profile::GetPrivateProfileSection("ddsb_1", buffer, 255, iniPath().string());
    EXPECT_EQ(std::string(buffer, 6), std::string("a=1\0b\0", 6));
}

// Wine's kernel32/tests/profile.c: a 24-byte buffer takes "name1=val1", "name2=" and
// "name", then two zeros, and the count is 22.
TEST_F(ProfileTest, ASectionLargerThanTheBufferIsCutAsWindowsCutsIt) {
    writeIni("[section1]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\n[section2]\r\n");
    char buffer[24];
    EXPECT_EQ(profile::GetPrivateProfileSection("section1", buffer, 24, iniPath().string()), 22u);
    EXPECT_EQ(std::string(buffer, 24), std::string("name1=val1\0name2=\0name\0\0", 24));
}

struct Write {
    const char* name;
    std::optional<std::string> before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

TEST_F(ProfileTest, WriteChangesOnlyWhatItMust) {
    const Write rows[] = {
        {"replace keeps the rest", "; head\r\n[S]\r\nk=1\r\nother=2\r\n", "S", "k", " 5",
         "; head\r\n[S]\r\nk= 5\r\nother=2\r\n"},
        {"replace keeps the key as spelled", "[s]\n  K = 1  \n", "S", "k", "5", "[s]\n  K =5\n"},
        {"first duplicate written", "[S]\nk=1\nk=2\n[S]\nk=3\n", "S", "k", "X",
         "[S]\nk=X\nk=2\n[S]\nk=3\n"},
        {"key without equals", "[S]\nk\n", "S", "k", "1", "[S]\nk=1\n"},
        {"new key after last entry", "[S]\nk=1\n\n[T]\nt=1\n", "S", "new", "v",
         "[S]\nk=1\nnew=v\n\n[T]\nt=1\n"},
        {"new key in empty section", "[S]\n[T]\n", "S", "new", "v", "[S]\nnew=v\n[T]\n"},
        {"commented key is not the key", "[S]\n;k=1\n", "S", "k", "v", "[S]\nk=v\n;k=1\n"},
        {"new section at the end", "[T]\r\nt=1\r\n", "S", "k", "v", "[T]\r\nt=1\r\n[S]\r\nk=v\r\n"},
        // Windows ends every line it writes (profile.c: "...section" gets "\r\n" before
        // the new section); the line end is the file's own.
        {"no final line end, replace", "[S]\nk=1", "S", "k", "2", "[S]\nk=2\n"},
        {"no final line end, new key", "[S]\nk=1", "S", "n", "v", "[S]\nk=1\nn=v\n"},
        {"no final line end, new section", "[T]\nt=1", "S", "k", "v", "[T]\nt=1\n[S]\nk=v\n"},
        {"zeros before the first section kept",
         std::string("Data \0 before \0 first \0 section", 31), "section1", "key1", "string1",
         std::string("Data \0 before \0 first \0 section\r\n[section1]\r\nkey1=string1\r\n", 59)},
        {"zeros at the end stay at the end", std::string("[S]\r\nk=1\r\n\0\0", 12), "T", "t", "v",
         std::string("[S]\r\nk=1\r\n[T]\r\nt=v\r\n\0\0", 22)},
        {"header ends at its first ]", "[DDSB_1] ; board [2]\r\nk=1\r\n", "DDSB_1", "k", "2",
         "[DDSB_1] ; board [2]\r\nk=2\r\n"},
        {"CR-only line ends", "[S]\rk=1\r", "S", "n", "v", "[S]\rk=1\rn=v\r"},
        {"blanks around the names given", std::nullopt, "   sec   ", " k\t", "v",
         "[sec]\r\nk=v\r\n"},
        {"UTF-16LE file stays UTF-16LE", utf16File("[S]\r\nk=1\r\n"), "S", "k", "2",
         utf16File("[S]\r\nk=2\r\n")},
        {"empty value stays an entry", "[S]\nk=1\n", "S", "k", "", "[S]\nk=\n"},
        {"UTF-8 byte order mark: the first section is not found", "\xEF\xBB\xBF[S]\r\nk=1\r\n", "S",
         "k", "2", "\xEF\xBB\xBF[S]\r\nk=1\r\n[S]\r\nk=2\r\n"},
        {"new file gets CRLF", std::nullopt, "DDS_1A", "HopFrequency", " 0",
         "[DDS_1A]\r\nHopFrequency= 0\r\n"},
        {"empty file", "", "S", "k", "v", "[S]\r\nk=v\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(iniPath());
        writeIni(row.before);
        EXPECT_TRUE(profile::WritePrivateProfileString(row.section, row.key, row.value,
                                                       iniPath().string()));
        EXPECT_EQ(readFile(iniPath()), row.after);
    }
}

TEST_F(ProfileTest, WriteRefusesTextsThatWouldNotStayOneEntry) {
    const std::string before = "[S]\nk=1\n";
    writeIni(before);
    using Texts = std::tuple<std::string_view, std::string_view, std::string_view>;
    for (const auto& [section, key, value] :
         std::initializer_list<Texts>{{"S", "k", "1\n[T]"},
                                      {"S", "k", "1\r"},
                                      {"S", "k=x", "1"},
                                      {"S", ";k", "1"},
                                      {"S", "[k]", "1"},
                                      // Found by fuzzing: the line "[k=1" reads as no entry.
                                      {"S", "[k", "1"},
                                      {"S", "k", std::string_view("1\0", 2)},
                                      {"S", "", "1"},
                                      {"S]", "k", "1"},
                                      {"S\n", "k", "1"}}) {
        errno = 0;
        EXPECT_FALSE(profile::WritePrivateProfileString(section, key, value, iniPath().string()));
        EXPECT_EQ(errno, EINVAL);
    }
    EXPECT_EQ(readFile(iniPath()), before);
}

TEST_F(ProfileTest, WriteIntoAMissingFolderFails) {
    errno = 0;
    EXPECT_FALSE(profile::WritePrivateProfileString("S", "k", "v",
                                                    (home.root() / "no/Corvane.ini").string()));
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(ProfileTest, ReadOnlyFileIsLeftUntouchedEvenForRoot) {
    const std::string before = "[S]\nk=1\n";
    writeIni(before);
    fs::permissions(iniPath(),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(profile::WritePrivateProfileString("S", "k", "2", iniPath().string()));
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(readFile(iniPath()), before);
}

}  // namespace
