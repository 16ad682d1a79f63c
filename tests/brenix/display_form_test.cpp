#include "brenix/display_form.h"

#include <gtest/gtest.h>

namespace {

TEST(DisplayFormTest, ShowsNumbersWithTheirSignPlace) {
    struct Row {
        const char* value;
        const char* shown;
    } const rows[] = {
        {"10", " 10"},        {"10.50", " 10.5"},
        {"0.0", " 0"},        {"1250.5", " 1250.5"},
        {"-3.5", "-3.5"},     {"  7  ", " 7"},
        {"\t7\t", " 7"},      {"+4", " 4"},
        {"007.250", " 7.25"}, {".5", " 0.5"},
        {"5.", " 5"},         {"-0.0", " 0"},
        {"-.25", "-0.25"},    {"123456789012345678.123456789", " 123456789012345678.123456789"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(DisplayForm(QString(row.value)), QString(row.shown));
    }
}

TEST(DisplayFormTest, RejectsWhatIsNoNumber) {
    for (const char* text : {"", "   ", "abc", "12,5", "1e3", "1.2.3", ".", "-", "+-1", "- 5",
                             "1 2", "0x10", "10 dB"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(DisplayForm(QString(text)), std::nullopt);
    }
    EXPECT_EQ(DisplayForm(QString(128, QChar(0))), std::nullopt);
}

}  // namespace
