#include "registry/registry_functions.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/box/box.h"
#include "platform/registry/registry.h"
#include "platform/text/utf8.h"
#include "platform/ui/message_box.h"
#include "tests/support/captured_boxes.h"
#include "tests/support/temp_home.h"

namespace {

using RegistryFunctions::ReadRegistryString;
using RegistryFunctions::RegistryResult;
using testing_support::CapturedBoxes;
using testing_support::TempHome;

const std::wstring VexonKey = L"HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path";

RegistryResult lookUp(const std::wstring& path, const std::wstring& value) {
    std::wstring copy = path;
    return ReadRegistryString(copy, value);
}

class RegistryFunctionsTest : public testing::Test {
protected:
    // Set as brenix sets it: the lookup's box must carry it too.
    void SetUp() override { platform::ui::setProgramTitle("Test Title"); }
    TempHome home;
    CapturedBoxes boxes;
};

TEST_F(RegistryFunctionsTest, RootKeyFromNameKnowsTheSevenNamesExactly) {
    using RegistryFunctions::RootKeyFromName;
    EXPECT_EQ(RootKeyFromName(L"HKEY_CLASSES_ROOT"), 0x80000000u);
    EXPECT_EQ(RootKeyFromName(L"HKEY_CURRENT_USER"), 0x80000001u);
    EXPECT_EQ(RootKeyFromName(L"HKEY_LOCAL_MACHINE"), 0x80000002u);
    EXPECT_EQ(RootKeyFromName(L"HKEY_USERS"), 0x80000003u);
    EXPECT_EQ(RootKeyFromName(L"HKEY_PERFORMANCE_DATA"), 0x80000004u);
    EXPECT_EQ(RootKeyFromName(L"HKEY_CURRENT_CONFIG"), 0x80000005u);
    EXPECT_EQ(RootKeyFromName(L"HKEY_DYN_DATA"), 0x80000006u);
    EXPECT_EQ(RootKeyFromName(L"HKEY_Current_User"), 0u);
    EXPECT_EQ(RootKeyFromName(L"HKEY_CURRENT_USER "), 0u);
    EXPECT_EQ(RootKeyFromName(L""), 0u);
}

TEST_F(RegistryFunctionsTest, SplitLeavesTheSubKeyInTheCallersPath) {
    std::wstring path = VexonKey;
    std::uint32_t root = 0;
    RegistryFunctions::SplitRegistryPath(path, root);
    EXPECT_EQ(root, 0x80000001u);
    EXPECT_EQ(path, L"Software\\Harvane\\Vexon\\path");

    path = L"HKEY_LOCAL_MACHINE";
    RegistryFunctions::SplitRegistryPath(path, root);
    EXPECT_EQ(root, 0x80000002u);
    EXPECT_EQ(path, L"");
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
        const std::wstring name = platform::text::fromUtf8(root);
        EXPECT_EQ(lookUp(name + L"\\Test", L"where"), name);
    }
    EXPECT_EQ(lookUp(L"HKEY_LOCAL_MACHINE", L"top"), std::wstring(L"at the root"));
    for (const char* unknown :
         {"HKEY_Current_User\\Test", "HKEY_\\Test", "HKEY_", "HKEY_CU\\Test"}) {
        SCOPED_TRACE(unknown);
        EXPECT_EQ(lookUp(platform::text::fromUtf8(unknown), L"where"), std::nullopt);
    }
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(RegistryFunctionsTest, MalformedPathShowsTheMessageAndKeepsThePath) {
    home.writeRegistry("[HKEY_CURRENT_USER\\Software]\n\"v\"=\"x\"\n");
    ASSERT_EQ(lookUp(L"HKEY_CURRENT_USER\\Software", L"v"), std::wstring(L"x"));
    for (const std::wstring& malformed :
         {std::wstring(L"hkey_current_user\\Software"), std::wstring(L"HKCU\\Software"),
          std::wstring(L" HKEY_CURRENT_USER\\Software"),
          std::wstring(L"HKEY_CURRENT_USER\\Software\\"), std::wstring(L"HKEY"),
          std::wstring(L"")}) {
        SCOPED_TRACE(platform::text::toUtf8(malformed));
        const auto shownBefore = boxes.boxes().size();
        std::wstring path = malformed;
        EXPECT_EQ(ReadRegistryString(path, L"v"), std::nullopt);
        EXPECT_EQ(path, malformed);
        ASSERT_EQ(boxes.boxes().size(), shownBefore + 1);
        const auto& box = boxes.boxes().back();
        EXPECT_EQ(box.text, QString::fromStdWString(L"Incorrect Format:\n\n" + malformed));
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
        {"corvane.ini", std::wstring(L"/opt/lumiq/Corvane.ini")},
        {"CORVANE.INI", std::wstring(L"/opt/lumiq/Corvane.ini")},
        {"fits", platform::text::fromUtf8(chars254)},
        {"too long", std::wstring(L"Error")},
        {"trailing", std::wstring(L"text   ")},
        {"leading", std::wstring(L"text")},
        {"blanks", std::wstring(L"")},
        {"empty", std::wstring(L"")},
        {"no data", std::wstring(L"")},
        {"utf8", std::wstring(L"Gr\u00F6\u00DFe \u2013 \u00B5")},
        {"dword", std::wstring(L"abc")},  // the value's type is not looked at
        {"error", std::wstring(L"Error")},
        {"missing", std::wstring(L"Error")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        std::wstring path = VexonKey;
        EXPECT_EQ(ReadRegistryString(path, platform::text::fromUtf8(row.value)), row.expected);
        EXPECT_EQ(path, L"Software\\Harvane\\Vexon\\path");
        EXPECT_EQ(platform::registry::OpenKeyCount(), 0u);
    }
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(RegistryFunctionsTest, MissingKeyOrStoreGivesTheMarker) {
    EXPECT_EQ(lookUp(VexonKey, L"corvane.ini"), std::wstring(L"Error"));
    home.writeRegistry("[HKEY_CURRENT_USER\\Software\\Harvane]\n");
    EXPECT_EQ(lookUp(VexonKey, L"corvane.ini"), std::wstring(L"Error"));
    EXPECT_EQ(platform::registry::OpenKeyCount(), 0u);
}

}  // namespace
