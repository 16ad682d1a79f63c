#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/registry/reg_store.h"
#include "platform/registry/registry.h"
#include "tests/support/temp_home.h"

namespace {

namespace reg = platform::registry;
using testing_support::TempHome;

const std::filesystem::path Fixtures = FIXTURES_DIR;

struct Read {
    long status = -1;
    std::uint32_t type = 0;
    std::string data;
};

// Opens `subKey` under HKEY_CURRENT_USER and reads `name` into a 255-byte buffer.
Read readValue(std::string_view subKey, std::string_view name) {
    Read read;
    reg::Key key = 0;
    read.status = reg::OpenKey(reg::CurrentUser, subKey, &key);
    if (read.status != reg::Success) return read;
    std::array<unsigned char, 255> buffer{};
    std::uint32_t size = buffer.size();
    read.status = reg::QueryValue(key, name, &read.type, buffer.data(), &size);
    if (read.status == reg::Success) read.data.assign(reinterpret_cast<char*>(buffer.data()), size);
    reg::CloseKey(key);
    return read;
}

bool keyOpens(reg::Key root, std::string_view subKey) {
    reg::Key key = 0;
    if (reg::OpenKey(root, subKey, &key) != reg::Success) return false;
    reg::CloseKey(key);
    return true;
}

TEST(RegistryStoreTest, StoreLivesUnderXdgConfigHome) {
    TempHome home;
    EXPECT_EQ(reg::storePath(), home.registryStore().string());
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(reg::storePath(), (home.root() / ".config/winreg/registry.reg").string());
}

TEST(RegistryStoreTest, MissingFileOrHeaderIsAnEmptyRegistry) {
    TempHome home;
    EXPECT_FALSE(keyOpens(reg::CurrentUser, ""));
    testing_support::writeFile(home.registryStore(), "[HKEY_CURRENT_USER\\A]\n\"v\"=\"x\"\n");
    EXPECT_FALSE(keyOpens(reg::CurrentUser, "A"));
}

// Neither may hang the lookup nor read without end.
TEST(RegistryStoreTest, AFifoOrADeviceAtTheStoreIsAnEmptyRegistryAtOnce) {
    TempHome home;
    std::filesystem::create_directories(home.registryStore().parent_path());
    ASSERT_EQ(mkfifo(home.registryStore().c_str(), 0600), 0);
    EXPECT_FALSE(keyOpens(reg::CurrentUser, ""));
    std::filesystem::remove(home.registryStore());
    std::filesystem::create_symlink("/dev/zero", home.registryStore());
    EXPECT_FALSE(keyOpens(reg::CurrentUser, ""));
}

TEST(RegistryStoreTest, DecodesEachValueForm) {
    TempHome home;
    home.writeRegistry(
        "[HKEY_CURRENT_USER\\Forms]\r\n"
        "@=\"default\"\r\n"
        "\"escaped\"=\"C:\\\\Lumiq \\\"quoted\\\"\"\r\n"
        "\"quote\\\"name\"=\"odd name\"\r\n"
        "\"number\"=dword:0000002a\r\n"
        "\"binary\"=hex:01,02,ff\r\n"
        "\"empty binary\"=hex:\r\n"
        "\"typed\"=hex(2):41,42,00\r\n"
        "\"long\"=hex:01,02,\\\r\n"
        "  03,04\r\n");
    struct Row {
        const char* name;
        std::uint32_t type;
        std::string data;
    };
    const Row rows[] = {
        {"", reg::TypeString, std::string("default\0", 8)},
        {"escaped", reg::TypeString, std::string("C:\\Lumiq \"quoted\"\0", 18)},
        {"quote\"name", reg::TypeString, std::string("odd name\0", 9)},
        {"number", reg::TypeDword, std::string("\x2a\0\0\0", 4)},
        {"binary", reg::TypeBinary, "\x01\x02\xff"},
        {"empty binary", reg::TypeBinary, ""},
        {"typed", reg::TypeExpandString, std::string("AB\0", 3)},
        {"long", reg::TypeBinary, "\x01\x02\x03\x04"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Read read = readValue("Forms", row.name);
        ASSERT_EQ(read.status, reg::Success);
        EXPECT_EQ(read.type, row.type);
        EXPECT_EQ(read.data, row.data);
    }
}

TEST(RegistryStoreTest, NamesMatchWithoutRegardToCase) {
    TempHome home;
    home.writeRegistry("[HKEY_CURRENT_USER\\Software\\Harvane]\n\"Corvane.INI\"=\"x\"\n");
    EXPECT_EQ(readValue("SOFTWARE\\harvane", "corvane.ini").status, reg::Success);
    EXPECT_EQ(readValue("Software\\Harvane", "corvane").status, reg::FileNotFound);
}

TEST(RegistryStoreTest, OpensRootsParentsAndKeysButNotMissingOnes) {
    TempHome home;
    home.writeRegistry("[HKEY_CURRENT_USER\\Software\\Harvane\\Vexon]\n");
    EXPECT_TRUE(keyOpens(reg::CurrentUser, ""));
    EXPECT_TRUE(keyOpens(reg::LocalMachine, ""));
    EXPECT_TRUE(keyOpens(reg::CurrentUser, "Software"));
    EXPECT_TRUE(keyOpens(reg::CurrentUser, "Software\\Harvane\\Vexon"));
    EXPECT_FALSE(keyOpens(reg::CurrentUser, "Software\\Harv"));
    EXPECT_FALSE(keyOpens(reg::CurrentUser, "Software\\Harvane\\Vexon\\path"));
    EXPECT_FALSE(keyOpens(reg::CurrentUser, "\\Software"));
    EXPECT_FALSE(keyOpens(reg::CurrentUser, "Software\\\\Harvane"));
    EXPECT_FALSE(keyOpens(reg::LocalMachine, "Software"));
    EXPECT_FALSE(keyOpens(0x12345678, ""));

    reg::Key parent = 0;
    ASSERT_EQ(reg::OpenKey(reg::CurrentUser, "Software", &parent), reg::Success);
    EXPECT_TRUE(keyOpens(parent, "Harvane\\Vexon"));
    reg::CloseKey(parent);
}

TEST(RegistryStoreTest, DeletionsApplyInFileOrder) {
    TempHome home;
    home.writeRegistry(
        "[HKEY_CURRENT_USER\\Gone\\Child]\n\"v\"=\"x\"\n"
        "[-HKEY_CURRENT_USER\\Gone]\n"
        "\"after deletion\"=\"ignored\"\n"
        "[HKEY_CURRENT_USER\\Kept]\n\"dropped\"=\"x\"\n\"readded\"=\"old\"\n"
        "[HKEY_CURRENT_USER\\Kept]\n\"dropped\"=-\n\"readded\"=-\n\"readded\"=\"new\"\n"
        "[HKEY_CURRENT_USER\\Back]\n[-HKEY_CURRENT_USER\\Back]\n[HKEY_CURRENT_USER\\Back]\n");
    EXPECT_FALSE(keyOpens(reg::CurrentUser, "Gone"));
    EXPECT_FALSE(keyOpens(reg::CurrentUser, "Gone\\Child"));
    EXPECT_EQ(readValue("Kept", "dropped").status, reg::FileNotFound);
    EXPECT_EQ(readValue("Kept", "readded").data, std::string("new\0", 4));
    EXPECT_TRUE(keyOpens(reg::CurrentUser, "Back"));
}

TEST(RegistryStoreTest, QueryFollowsTheWindowsBufferContract) {
    TempHome home;
    home.writeRegistry("[HKEY_CURRENT_USER\\K]\n\"v\"=\"abcd\"\n");
    reg::Key key = 0;
    ASSERT_EQ(reg::OpenKey(reg::CurrentUser, "K", &key), reg::Success);

    std::uint32_t size = 0;
    EXPECT_EQ(reg::QueryValue(key, "v", nullptr, nullptr, &size), reg::Success);
    EXPECT_EQ(size, 5u);

    std::array<unsigned char, 8> buffer;
    buffer.fill('#');
    size = 4;
    EXPECT_EQ(reg::QueryValue(key, "v", nullptr, buffer.data(), &size), reg::MoreData);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), "########");

    size = buffer.size();
    EXPECT_EQ(reg::QueryValue(key, "v", nullptr, buffer.data(), &size), reg::Success);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string("abcd\0###", 8));

    // A missing value sets the size to 0 when only the size is asked, and leaves it
    // alone when a buffer is given (registry.c test_query_value_ex).
    size = 0xdeadbeef;
    EXPECT_EQ(reg::QueryValue(key, "missing", nullptr, nullptr, &size), reg::FileNotFound);
    EXPECT_EQ(size, 0u);
    size = buffer.size();
    EXPECT_EQ(reg::QueryValue(key, "missing", nullptr, buffer.data(), &size), reg::FileNotFound);
    EXPECT_EQ(size, buffer.size());

    EXPECT_EQ(reg::CloseKey(key), reg::Success);
    EXPECT_EQ(reg::QueryValue(key, "v", nullptr, nullptr, &size), reg::InvalidHandle);
    EXPECT_EQ(reg::OpenKeyCount(), 0u);
}

TEST(RegistryStoreTest, RereadsTheStoreAtEveryOpen) {
    TempHome home;
    home.writeRegistry("[HKEY_CURRENT_USER\\K]\n\"v\"=\"first\"\n");
    EXPECT_EQ(readValue("K", "v").data, std::string("first\0", 6));
    home.writeRegistry("[HKEY_CURRENT_USER\\K]\n\"v\"=\"second\"\n");
    EXPECT_EQ(readValue("K", "v").data, std::string("second\0", 7));
}

TEST(RegistryStoreTest, ReadsAUtf16WindowsExport) {
    TempHome home;
    std::filesystem::create_directories(home.registryStore().parent_path());
    std::filesystem::copy_file(Fixtures / "registry/windows_export_utf16.reg",
                               home.registryStore());
    const std::string key = "Software\\Harvane\\Vexon\\path";
    EXPECT_EQ(readValue(key, "corvane.ini").data, std::string("C:\\Lumiq\\Corvane.ini\0", 21));
    EXPECT_EQ(readValue(key, "title").data, std::string("Gr\xC3\xB6\xC3\x9F"
                                                        "e \xC2\xB5\0",
                                                        11));
    const Read expand = readValue(key, "expand");
    EXPECT_EQ(expand.type, reg::TypeExpandString);
    EXPECT_EQ(expand.data, std::string("%TEMP%\\x\0", 9));
    EXPECT_EQ(readValue(key, "count").data, std::string("\x2a\0\0\0", 4));
}

TEST(RegistryStoreTest, SkipsMalformedLines) {
    TempHome home;
    std::filesystem::create_directories(home.registryStore().parent_path());
    std::filesystem::copy_file(Fixtures / "registry/malformed_lines.reg", home.registryStore());
    EXPECT_EQ(readValue("Software\\Good", "before").data, std::string("kept\0", 5));
    EXPECT_EQ(readValue("Software\\Good", "after").data, std::string("kept too\0", 9));
    EXPECT_EQ(readValue("Software\\Good\\Sub", "sub").data, std::string("kept\0", 5));
    for (const char* name : {"unterminated", "nodata", "badhex", "baddword", "trailing"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(readValue("Software\\Good", name).status, reg::FileNotFound);
    }
    EXPECT_FALSE(keyOpens(reg::CurrentUser, "Software\\Unclosed"));
}

// What the registry editor's import makes of a store, row by row. Each row's store is
// the header, the key [HKEY_CURRENT_USER\Software\T] (unless the row gives its own
// lines) and the row's lines; the lookup reads the value "v" of Software\T.
TEST(RegistryStoreTest, ImportsAsTheRegistryEditorDoes) {
    TempHome home;
    const std::string key = "[HKEY_CURRENT_USER\\Software\\T]\n";
    struct Row {
        const char* name;
        const char* source;
        std::string store;                // the whole file
        std::optional<std::string> data;  // the bytes of "v"; nothing: no such value or key
    } const rows[] = {
        {"';' comment after a string", "import.c Wine39a",
         "REGEDIT4\n" + key + "\"v\"=\"C:\\\\Lumiq\\\\setup\" ; moved 2024\n",
         std::string("C:\\Lumiq\\setup\0", 15)},
        {"'#' after a string drops it", "import.c Wine10, Wine39c",
         "REGEDIT4\n" + key + "\"v\"=\"x\"  #comment\n", std::nullopt},
        {"'#' comment line", "import.c Wine1-4", "REGEDIT4\n" + key + "#\"v\"=\"x\"\n",
         std::nullopt},
        {"CR-only line ends", "reported Windows behaviour",
         "REGEDIT4\r\r" + std::string("[HKEY_CURRENT_USER\\Software\\T]\r") + "\"v\"=\"x\"\r",
         std::string("x\0", 2)},
        {"hex(1) without a final zero gets one", "reported Windows behaviour",
         "REGEDIT4\n" + key + "\"v\"=hex(1):2f,78\n", std::string("/x\0", 3)},
        {"hex(2) with its zero", "import.c Wine46e",
         "REGEDIT4\n" + key + "\"v\"=hex(2):25,50,41,54,48,25,00\n", std::string("%PATH%\0", 7)},
        {"blank and ';' lines between continuation lines", "import.c Multi-Line10",
         "REGEDIT4\n" + key +
             "\"v\"=hex(7):4c,69,6e,65,20,\\\n  63,6f,6e,\\;comment\n"
             "  63,61,74,\\\n\n  65,6e,\\;comment\n\n  61,74,69,6f,6e,00,00\n",
         std::string("Line concatenation\0\0", 20)},
        {"'#' line between continuation lines drops the value", "import.c Wine14",
         "REGEDIT4\n" + key + "\"v\"=hex(7):4c,69,\\\n  #comment\n  6e,65,00,00\n", std::nullopt},
        {"backslash without a comma before it", "import.c Wine52a, Wine53b",
         "REGEDIT4\n" + key + "\"v\"=hex(2):25,48\\,4f,00\n", std::nullopt},
        {"blanks around '=' and a continuation", "reported Windows behaviour",
         "REGEDIT4\n" + key + "\"v\" = hex:01,\\\n  02\n", std::string("\x01\x02", 2)},
        {"dword, then a ';' comment", "import.c Wine36a",
         "REGEDIT4\n" + key + "\"v\"=dword:1234;5678\n", std::string("\x34\x12\0\0", 4)},
        {"dword, then '#'", "import.c Wine36c", "REGEDIT4\n" + key + "\"v\"=dword:1234#5678\n",
         std::nullopt},
        {"dword of nine digits", "import.c Wine33c", "REGEDIT4\n" + key + "\"v\"=dword:123456789\n",
         std::nullopt},
        {"\\0 in a string", "reported Windows behaviour", "REGEDIT4\n" + key + "\"v\"=\"a\\0b\"\n",
         std::nullopt},
        {"deletion with a ';' comment", "import.c Wine46e",
         "REGEDIT4\n" + key + "\"v\"=\"x\"\n\"v\"=- ;comment\n", std::nullopt},
        {"header on a later line", "import.c \"\\nREGEDIT4\"",
         "\nREGEDIT4\n" + key + "\"v\"=\"x\"\n", std::nullopt},
        {"blanks before the header", "import.c \" REGEDIT4\"",
         " REGEDIT4\n" + key + "\"v\"=\"x\"\n", std::string("x\0", 2)},
        {"more after the header", "import.c Test6", "REGEDIT4 FOO\n" + key + "\"v\"=\"x\"\n",
         std::nullopt},
        {"blank after '['", "import.c Subkey1a",
         "REGEDIT4\n[ HKEY_CURRENT_USER\\Software\\T]\n\"v\"=\"x\"\n", std::nullopt},
        {"blank after '[-' deletes nothing", "import.c Subkey2a",
         "REGEDIT4\n" + key + "\"v\"=\"x\"\n[- HKEY_CURRENT_USER\\Software\\T]\n",
         std::string("x\0", 2)},
        {"backslashes that end a key name", "import.c Subkey1f",
         "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\T\\\\]\n\"v\"=\"x\"\n", std::string("x\0", 2)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " (" + row.source + ")");
        testing_support::writeFile(home.registryStore(), row.store);
        const Read read = readValue("Software\\T", "v");
        if (row.data) {
            EXPECT_EQ(read.status, reg::Success);
            EXPECT_EQ(read.data, *row.data);
        } else {
            EXPECT_EQ(read.status, reg::FileNotFound);
        }
    }
}

// The lookup passes over most lines without reading them; each row's store has a line
// that decides the answer only when it is read (or skipped) rightly. Both scans must
// give the row's value "v" of Software\T.
TEST(RegistryStoreTest, PassingOverLinesGivesWhatReadingEveryLineGives) {
    const std::string header = "REGEDIT4\n", other = "[HKEY_CURRENT_USER\\Software\\Other]\n",
                      key = "[HKEY_CURRENT_USER\\Software\\T]\n", value = "\"v\"=\"x\"\n";
    struct Row {
        const char* name;
        std::string store;
        bool found;  // "v" is "x"
    } const rows[] = {
        {"hex data of another key takes the key line",
         header + other + "\"h\"=hex:01,\\\n" + key + value, false},
        {"... over a blank and a ';' line",
         header + other + "\"h\"=hex:01,\\\n\n ; c\n" + key + value, false},
        {"... with a ';' comment after the backslash",
         header + other + "\"h\"=hex:01,\\ ;c\n" + key + value, false},
        {"a '#' line ends the hex data", header + other + "\"h\"=hex:01,\\\n#c\n" + key + value,
         true},
        {"a string that ends in a backslash", header + other + "\"p\"=\"C:\\\\\"\n" + key + value,
         true},
        {"a key line without a comma before the backslash",
         header + other + "\"h\"=hex:01\\\n" + key + value, true},
        {"a taken key line of another key",
         header + other + "\"h\"=hex:01,\\\n" + "[HKEY_CURRENT_USER\\Software\\U]\n" + key + value,
         true},
        {"a taken deletion of a parent",
         header + key + value + other + "\"h\"=hex:01,\\\n" + "[-HKEY_CURRENT_USER\\Software]\n",
         true},
        {"a deletion of a parent, its name in another case",
         header + key + value + other + "[-hkey_current_user\\SOFTWARE]\n", false},
        {"blanks before '['", header + "  \t" + key + value, true},
        {"blanks before the '[' of another key (found by fuzzing)", header + "  [m\n" + key + value,
         true},
        {"a key whose name begins with the key's",
         header + "[HKEY_CURRENT_USER\\Software\\TT]\n" + value, false},
        {"a sub-key, then the key again",
         header + "[HKEY_CURRENT_USER\\Software\\T\\Sub]\n\"v\"=\"no\"\n" + key + value, true},
        {"CR-only line ends",
         "REGEDIT4\r[HKEY_CURRENT_USER\\Software\\Other]\r\"h\"=hex:01,\\\r"
         "[HKEY_CURRENT_USER\\Software\\T]\r\"v\"=\"x\"\r",
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        for (const auto scan : {reg::Scan::Skipping, reg::Scan::EveryLine}) {
            const auto values = reg::readKey(row.store, "HKEY_CURRENT_USER\\SOFTWARE\\T", scan);
            const bool found =
                values && values->contains("V") && values->at("V").data == std::string("x\0", 2);
            EXPECT_EQ(found, row.found)
                << (scan == reg::Scan::Skipping ? "skipping" : "every line");
        }
    }
}

// How a sub-key's separators are taken: a leading one is a bad path (Wine's
// advapi32/tests/registry.c); trailing ones do not count (import.c verify_key on
// "Subkey1e\\" and "Subkey1f\\\\", keys imported without them).
TEST(RegistryStoreTest, SubKeySeparatorsAtEitherEnd) {
    TempHome home;
    home.writeRegistry("[HKEY_CURRENT_USER\\Software\\T]\n");
    reg::Key key = 0;
    EXPECT_EQ(reg::OpenKey(reg::CurrentUser, "\\Software\\T", &key), reg::BadPathname);
    EXPECT_TRUE(keyOpens(reg::CurrentUser, "Software\\T\\"));
    EXPECT_TRUE(keyOpens(reg::CurrentUser, "Software\\T\\\\"));
    EXPECT_FALSE(keyOpens(reg::CurrentUser, "Software\\T\\U\\"));
}

}  // namespace
