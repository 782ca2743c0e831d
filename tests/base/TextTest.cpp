#include "base/Text.h"
#include "base/TextRules.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

TEST(TextTest, CopyText_TooLong_CutsAndTerminates)
{
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_FALSE(CopyText(buffer, sizeof(buffer), "abcdef")) << "a cut copy must report it";
    EXPECT_STREQ("abc", buffer) << "the cut copy keeps size - 1 bytes and ends with a zero byte";
    EXPECT_TRUE(CopyText(buffer, sizeof(buffer), "abc")) << "exactly size - 1 bytes fit";
    EXPECT_STREQ("abc", buffer);
    EXPECT_TRUE(CopyText(buffer, sizeof(buffer), nullptr)) << "a null source copies as empty text";
    EXPECT_STREQ("", buffer);
    EXPECT_FALSE(CopyText(buffer, 0, "a")) << "a zero-size buffer takes nothing";
}

TEST(TextTest, FormatText_LongerThanAnyFixedBuffer_KeepsEverything)
{
    const std::string part(5000, 'a');
    const std::string text = FormatText("[%s|%d]", part.c_str(), 42);
    EXPECT_EQ(part.size() + 5, text.size()) << "formatted text is not cut";
    EXPECT_EQ("|42]", text.substr(text.size() - 4));
}

TEST(TextTest, SystemCase_FoldsAsTheSystemCodePageDoes)
{
    EXPECT_EQ("PRINTER 1", SystemUpper("printer 1"));
    EXPECT_EQ("", SystemUpper(""));
    EXPECT_TRUE(EqualsSystemNoCase("Kestrow KP-3100", "KESTROW kp-3100"));
    EXPECT_FALSE(EqualsSystemNoCase("LPT1:", "LPT2:"));
    if (::GetACP() == 1252)
    {
        EXPECT_EQ("\xC4", SystemUpper("\xE4")) << "a-umlaut folds in the Western code page";
        EXPECT_TRUE(EqualsSystemNoCase("\xE4", "\xC4"));
    }
}
