#include <gtest/gtest.h>

#include <string>

#include "platform/text/ascii.h"
#include "platform/text/utf16.h"

namespace {

using platform::text::utf16ToUtf8;
using platform::text::utf8ToUtf16;

// ASCII goes sixteen units at a time; a character outside it at any place of such a
// run, or a pair of surrogates across its end, must come out as the plain way gives.
TEST(Utf16Test, EveryCharacterAtEveryPlaceOfARun) {
    for (const std::string character : {"\xC3\xB6", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\x7F"}) {
        for (std::size_t length = 0; length <= 40; ++length) {
            for (std::size_t at = 0; at <= length; ++at) {
                std::string text(length, 'a');
                text.insert(at, character);
                SCOPED_TRACE(text);
                EXPECT_EQ(utf16ToUtf8(utf8ToUtf16(text)), text);
            }
        }
    }
}

TEST(Utf16Test, BrokenUnitsBecomeReplacementCharacters) {
    const std::string replacement = "\xEF\xBF\xBD";
    const std::string run(15, 'a');
    struct Row {
        const char* name;
        std::string bytes;
        std::string expected;
    } const rows[] = {
        {"a high surrogate alone at a run's end", utf8ToUtf16(run) + std::string("\x3D\xD8", 2),
         run + replacement},
        {"a high surrogate before a plain unit",
         utf8ToUtf16(run) + std::string("\x3D\xD8", 2) + utf8ToUtf16(run), run + replacement + run},
        {"a low surrogate alone", std::string("\x00\xDE", 2) + utf8ToUtf16(run), replacement + run},
        {"an odd last byte", utf8ToUtf16(run + "b") + "c", run + "b"},
        {"a zero unit in a run", utf8ToUtf16(run) + std::string("\0\0", 2) + utf8ToUtf16(run),
         run + std::string(1, '\0') + run},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(utf16ToUtf8(row.bytes), row.expected);
    }
}

// Eight characters are compared at a time; every byte at every place must count as
// the plain comparison counts it: letters without regard to case, nothing else folded
// ('`' is not '@', '{' not '['), bytes from 0x80 as they are (a name in UTF-8).
TEST(AsciiTest, CommonStartIgnoringCaseCountsAsThePlainComparison) {
    const auto plain = [](std::string_view text, std::string_view upper) {
        std::size_t i = 0;
        while (i < text.size() && i < upper.size() &&
               platform::text::upperAscii(text[i]) == upper[i])
            ++i;
        return i;
    };
    const struct {
        std::string upper, text;
    } rows[] = {
        {"AZHKEY_CURRENT_USER\\SOFT@WA[RE", "azhkey_Current_user\\Soft@wa[re"},
        {"HK\xC3\x96Y_CURRENT_USER\\\xC3\x96L", "hk\xC3\x96y_current_user\\\xC3\x96l"},
    };
    for (const auto& row : rows) {
        for (const std::size_t length : {row.text.size() - 9, row.text.size()}) {
            for (std::size_t at = 0; at < length; ++at) {
                for (int byte = 0; byte < 256; ++byte) {
                    std::string text = row.text.substr(0, length);
                    text[at] = static_cast<char>(byte);
                    SCOPED_TRACE(testing::Message() << "byte " << byte << " at " << at);
                    EXPECT_EQ(platform::text::commonStartIgnoringCase(text, row.upper),
                              plain(text, row.upper));
                }
            }
        }
    }
}

}  // namespace
