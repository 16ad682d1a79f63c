#include "registry/registry_functions.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/registry/registry.h"
#include "tests/support/captured_boxes.h"
#include "tests/support/temp_home.h"

namespace {

using RegistryFunctions::ReadRegistryString;
using RegistryFunctions::RegistryResult;
using testing_support::CapturedBoxes;
using testing_support::TempHome;

const QString VexonKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path");

RegistryResult lookUp(const QString& path, const QString& value) {
    QString copy = path;
    return ReadRegistryString(copy, value);
}

class RegistryFunctionsTest : public testing::Test {
protected:
    void SetUp() override { platform::ui::setProgramTitle(QStringLiteral("Test Title")); }
    TempHome home;
    CapturedBoxes boxes;
};

TEST_F(RegistryFunctionsTest, RootKeyFromNameKnowsTheSevenNamesExactly) {
    using RegistryFunctions::RootKeyFromName;
    EXPECT_EQ(RootKeyFromName("HKEY_CLASSES_ROOT"), 0x80000000u);
    EXPECT_EQ(RootKeyFromName("HKEY_CURRENT_USER"), 0x80000001u);
    EXPECT_EQ(RootKeyFromName("HKEY_LOCAL_MACHINE"), 0x80000002u);
    EXPECT_EQ(RootKeyFromName("HKEY_USERS"), 0x80000003u);
    EXPECT_EQ(RootKeyFromName("HKEY_PERFORMANCE_DATA"), 0x80000004u);
    EXPECT_EQ(RootKeyFromName("HKEY_CURRENT_CONFIG"), 0x80000005u);
    EXPECT_EQ(RootKeyFromName("HKEY_DYN_DATA"), 0x80000006u);
    EXPECT_EQ(RootKeyFromName("HKEY_Current_User"), 0u);
    EXPECT_EQ(RootKeyFromName("HKEY_CURRENT_USER "), 0u);
    EXPECT_EQ(RootKeyFromName(""), 0u);
}

TEST_F(RegistryFunctionsTest, SplitLeavesTheSubKeyInTheCallersPath) {
    QString path = VexonKey;
    std::uint32_t root = 0;
    RegistryFunctions::SplitRegistryPath(path, root);
    EXPECT_EQ(root, 0x80000001u);
    EXPECT_EQ(path, "Software\\Harvane\\Vexon\\path");

    path = "HKEY_LOCAL_MACHINE";
    RegistryFunctions::SplitRegistryPath(path, root);
    EXPECT_EQ(root, 0x80000002u);
    EXPECT_EQ(path, "");
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(RegistryFunctionsTest, ReadsFromEveryRootAndNothingFromUnknownOnes) {
    std::string store;
    for (const char* root :
         {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
          "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"}) {
        store += "[" + std::string(root) + "\\Test]\n\"where\"=\"" + root + "\"\n";
    }
    store += "[HKEY_LOCAL_MACHINE]\n\"top\"=\"at the root\"\n";
    home.writeRegistry(store);

    for (const char* root :
         {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
          "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"}) {
        SCOPED_TRACE(root);
        EXPECT_EQ(lookUp(QString(root) + "\\Test", "where"), QString(root));
    }
    EXPECT_EQ(lookUp("HKEY_LOCAL_MACHINE", "top"), QString("at the root"));
    for (const char* unknown :
         {"HKEY_Current_User\\Test", "HKEY_\\Test", "HKEY_", "HKEY_CU\\Test"}) {
        SCOPED_TRACE(unknown);
        EXPECT_EQ(lookUp(unknown, "where"), std::nullopt);
    }
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(RegistryFunctionsTest, MalformedPathShowsTheMessageAndKeepsThePath) {
    home.writeRegistry("[HKEY_CURRENT_USER\\Software]\n\"v\"=\"x\"\n");
    ASSERT_EQ(lookUp("HKEY_CURRENT_USER\\Software", "v"), QString("x"));
    for (const QString& malformed :
         {QString("hkey_current_user\\Software"), QString("HKCU\\Software"),
          QString(" HKEY_CURRENT_USER\\Software"), QString("HKEY_CURRENT_USER\\Software\\"),
          QString("HKEY"), QString("")}) {
        SCOPED_TRACE(malformed.toStdString());
        const auto shownBefore = boxes.boxes().size();
        QString path = malformed;
        EXPECT_EQ(ReadRegistryString(path, "v"), std::nullopt);
        EXPECT_EQ(path, malformed);
        ASSERT_EQ(boxes.boxes().size(), shownBefore + 1);
        const auto& box = boxes.boxes().back();
        EXPECT_EQ(box.text, "Incorrect Format:\n\n" + malformed);
        EXPECT_EQ(box.style, 0);
        EXPECT_EQ(box.caption, "Test Title");
    }
}

TEST_F(RegistryFunctionsTest, ValueTextsComeBackAsStored) {
    const std::string chars254(254, 'x');
    const std::string chars255(255, 'y');
    home.writeRegistry(
        "[HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path]\n"
        "\"corvane.ini\"=\"/opt/lumiq/Corvane.ini\"\n"
        "\"fits\"=\"" +
        chars254 +
        "\"\n"
        "\"too long\"=\"" +
        chars255 +
        "\"\n"
        "\"trailing\"=\"text   \"\n"
        "\"leading\"=\"   text\"\n"
        "\"blanks\"=\"    \"\n"
        "\"empty\"=\"\"\n"
        "\"no data\"=hex:\n"
        "\"utf8\"=\"Gr\xC3\xB6\xC3\x9F"
        "e \xE2\x80\x93 \xC2\xB5\"\n"
        "\"dword\"=dword:00636261\n"
        "\"error\"=\"Error\"\n");
    struct Row {
        const char* value;
        RegistryResult expected;
    };
    const Row rows[] = {
        {"corvane.ini", QString("/opt/lumiq/Corvane.ini")},
        {"CORVANE.INI", QString("/opt/lumiq/Corvane.ini")},
        {"fits", QString::fromStdString(chars254)},
        {"too long", QString("Error")},
        {"trailing", QString("text   ")},
        {"leading", QString("text")},
        {"blanks", QString("")},
        {"empty", QString("")},
        {"no data", QString("")},
        {"utf8", QString::fromUtf8("Gr\xC3\xB6\xC3\x9F"
                                   "e \xE2\x80\x93 \xC2\xB5")},
        {"dword", QString("abc")},  // the value's type is not looked at
        {"error", QString("Error")},
        {"missing", QString("Error")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        QString path = VexonKey;
        EXPECT_EQ(ReadRegistryString(path, row.value), row.expected);
        EXPECT_EQ(path, "Software\\Harvane\\Vexon\\path");
        EXPECT_EQ(platform::registry::OpenKeyCount(), 0u);
    }
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(RegistryFunctionsTest, MissingKeyOrStoreGivesTheMarker) {
    EXPECT_EQ(lookUp(VexonKey, "corvane.ini"), QString("Error"));
    home.writeRegistry("[HKEY_CURRENT_USER\\Software\\Harvane]\n");
    EXPECT_EQ(lookUp(VexonKey, "corvane.ini"), QString("Error"));
    EXPECT_EQ(platform::registry::OpenKeyCount(), 0u);
}

TEST_F(RegistryFunctionsTest, ReadsAUtf16WindowsExport) {
    std::filesystem::create_directories(home.registryStore().parent_path());
    std::filesystem::copy_file(
        std::filesystem::path(FIXTURES_DIR) / "registry/windows_export_utf16.reg",
        home.registryStore());
    EXPECT_EQ(lookUp(VexonKey, "corvane.ini"), QString("C:\\Lumiq\\Corvane.ini"));
    EXPECT_EQ(lookUp(VexonKey, "setup"), QString("C:\\Lumiq\\setup"));
    EXPECT_EQ(lookUp(VexonKey, "title"), QString::fromUtf8("Gr\xC3\xB6\xC3\x9F"
                                                           "e \xC2\xB5"));
}

}  // namespace
