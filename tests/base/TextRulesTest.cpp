#include "base/TextRules.h"

#include <gtest/gtest.h>

#include <string>

TEST(TextRulesTest, Trim_EndsOnlyAndTextsOfNothingButBlanks)
{
    EXPECT_EQ("a b", Trim(" \ta b\t "));
    EXPECT_EQ("", Trim(" \t \t"));
    EXPECT_EQ("", Trim(""));
    EXPECT_EQ("x", Trim("x"));
    EXPECT_EQ("a\" b", Trim("\" a\" b\"", " \t\"")) << "only the ends lose the characters";
    EXPECT_EQ("a ", TrimLeft("  a "));
    EXPECT_EQ("  a", TrimRight("  a \t"));
    EXPECT_EQ("", TrimLeft("   "));
    EXPECT_EQ("", TrimRight("   "));
}

TEST(TextRulesTest, AsciiCase_FoldsLettersOnlyAndNeverADoubleByteCharacter)
{
    // 0x83 0x61 is one code page 932 character whose trail byte is 'a': a fold of bytes >= 0x80 or of
    // trail bytes through the C library could change it; the ASCII rules change only 'a'-'z'.
    const std::string doubleByte = "\x83\x61";
    EXPECT_EQ("ABC-1_Z\xE4", AsciiUpper(std::string("abC-1_z\xE4")));
    EXPECT_EQ("abc-1_z\xC4", AsciiLower(std::string("ABc-1_Z\xC4")));
    EXPECT_EQ("\x83" "A", AsciiUpper(doubleByte)) << "the ASCII rule is byte-wise by design";
    EXPECT_TRUE(EqualsAsciiNoCase("Ct_Run", "CT_RUN"));
    EXPECT_FALSE(EqualsAsciiNoCase("CT_RUN", "CT_RUNX"));
    EXPECT_FALSE(EqualsAsciiNoCase("\xE4", "\xC4")) << "letters outside ASCII are not folded";
    EXPECT_TRUE(EqualsAsciiNoCase("", ""));
    const char* key = "Program_Name";
    EXPECT_TRUE(EqualsAsciiNoCase(key, "PROGRAM_NAME")) << "zero-terminated texts compare alike";
    EXPECT_FALSE(EqualsAsciiNoCase(key, "PROGRAM_NAM"));
    EXPECT_FALSE(EqualsAsciiNoCase("", key));
    EXPECT_TRUE(StartsWithAsciiNoCase("ct_copy_file", "CT_"));
    EXPECT_TRUE(StartsWithAsciiNoCase("CT_", ""));
    EXPECT_FALSE(StartsWithAsciiNoCase("CT", "CT_"));
}

TEST(TextRulesTest, WithCrLf_BareLineFeedsOnly)
{
    EXPECT_EQ("a\r\nb\r\nc\r\n", WithCrLf("a\nb\r\nc\n"));
    EXPECT_EQ("\r\n\r\n", WithCrLf("\n\n")) << "a line feed at the start too";
    EXPECT_EQ("\r\r\n", WithCrLf("\r\r\n")) << "a lone carriage return stays";
    EXPECT_EQ("", WithCrLf(""));
}

TEST(TextRulesTest, FillPlaceholder_FirstPlaceholderOnly_OtherPercentSignsKept)
{
    EXPECT_EQ("Installing Driver...", FillPlaceholder("Installing %s...", "Driver"));
    EXPECT_EQ("A 100% B %s", FillPlaceholder("A 100% %s %s", "B")) << "only the first %s; a lone % stays";
    EXPECT_EQ("no placeholder", FillPlaceholder("no placeholder", "x"));
    EXPECT_EQ("%d and 50%", FillPlaceholder("%d and %s", "50%")) << "the filled text is not read again";
}
