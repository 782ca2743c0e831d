#include "base/Text.h"

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
