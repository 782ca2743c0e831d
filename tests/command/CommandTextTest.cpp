#include "command/CommandText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/TextRules.h"

namespace
{
// Shift-JIS lead bytes, so that the double-byte rules can be checked without a system code page.
bool ShiftJisLead(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::vector<std::string> Params(const CommandLineParts& parts)
{
    return {parts.params[0], parts.params[1], parts.params[2]};
}
}  // namespace

TEST(CommandTextTest, SplitCommandLine_FollowsTheSectionLineRules)
{
    CommandLineParts parts = SplitCommandLine("CT_EXE_FILE_WAIT = setup.exe , /s");
    EXPECT_EQ("CT_EXE_FILE_WAIT", parts.type);
    EXPECT_EQ((std::vector<std::string>{"setup.exe", "/s", ""}), Params(parts)) << "trimmed, p3 empty";

    parts = SplitCommandLine(" \tCT_DLG_CANCEL\t ");
    EXPECT_EQ("CT_DLG_CANCEL", parts.type) << "a line without '=' is a bare type";
    EXPECT_EQ((std::vector<std::string>{"", "", ""}), Params(parts));

    parts = SplitCommandLine("CT_X = a,,b");
    EXPECT_EQ((std::vector<std::string>{"a", "b", ""}), Params(parts)) << "consecutive commas give no empty token";

    parts = SplitCommandLine("CT_X =,a, ,b");
    EXPECT_EQ((std::vector<std::string>{"a", "", "b"}), Params(parts))
        << "a token of blanks stays, trimmed to empty";
    parts = SplitCommandLine("CT_X = ,a");
    EXPECT_EQ((std::vector<std::string>{"", "a", ""}), Params(parts)) << "so does the blank before a first comma";

    parts = SplitCommandLine("CT_X = 1,2,3,4,5");
    EXPECT_EQ((std::vector<std::string>{"1", "2", "3"}), Params(parts)) << "only the first three tokens are used";

    parts = SplitCommandLine("CT_OPEN_URL = http://host/?a=b");
    EXPECT_EQ("CT_OPEN_URL", parts.type) << "the first '=' splits";
    EXPECT_EQ("http://host/?a=b", parts.params[0]);

    parts = SplitCommandLine("CT_X =");
    EXPECT_EQ("CT_X", parts.type);
    EXPECT_EQ((std::vector<std::string>{"", "", ""}), Params(parts));
}

TEST(CommandTextTest, NamesAndWords_CompareWithoutCaseOfAsciiLettersOnly)
{
    EXPECT_TRUE(EqualsAsciiNoCase("ct_open_dlg", "CT_OPEN_DLG"));
    EXPECT_FALSE(EqualsAsciiNoCase("CT_OPEN_DL", "CT_OPEN_DLG")) << "a prefix is no match";
    EXPECT_FALSE(EqualsAsciiNoCase("CT_OPEN-DLG", "CT_OPEN_DLG")) << "punctuation is compared as it is";
    EXPECT_FALSE(EqualsAsciiNoCase("\xE4", "\xC4")) << "letters above 127 are never folded";
    EXPECT_TRUE(IsCommandText("ct_Exe_File_Wait = a"));
    EXPECT_FALSE(IsCommandText("DLG_CT_MAIN"));
    EXPECT_FALSE(IsCommandText("CT"));

    EXPECT_EQ(0, CancelTypeFromText("resume_exit").value_or(-1));
    EXPECT_EQ(1, CancelTypeFromText("OK_CANCEL").value_or(-1));
    EXPECT_EQ(2, CancelTypeFromText("null").value_or(-1)) << "null in lower case is the NULL type";
    EXPECT_FALSE(CancelTypeFromText("QUIT").has_value()) << "other words leave the type as it is";
    EXPECT_FALSE(CancelTypeFromText("").has_value());

    EXPECT_EQ(1u, SetupTypeFromText("INSTALL"));
    EXPECT_EQ(2u, SetupTypeFromText("Uninst"));
    EXPECT_EQ(3u, SetupTypeFromText("reinst")) << "reinst in lower case is 3";
    EXPECT_EQ(0u, SetupTypeFromText(""));
    EXPECT_EQ(0u, SetupTypeFromText("REINSTALL"));
}

TEST(CommandTextTest, Numbers_RegistryDwordLanguageIdAndInteger)
{
    EXPECT_EQ(16u, ParseRegistryDword("0x10"));
    EXPECT_EQ(10u, ParseRegistryDword("10"));
    EXPECT_EQ(12u, ParseRegistryDword("12abc")) << "leading digits";
    EXPECT_EQ(0u, ParseRegistryDword("abc"));
    EXPECT_EQ(0u, ParseRegistryDword(""));
    EXPECT_EQ(0xFFFFFFFFu, ParseRegistryDword("0XFFFFFFFF"));
    EXPECT_EQ(0x23456789u, ParseRegistryDword("0x123456789")) << "at most eight digits, from the end";
    EXPECT_EQ(0x10u, ParseRegistryDword("0x1G")) << "other characters count as 0";
    EXPECT_EQ(0xABu, ParseRegistryDword("0xa0xb")) << "every 0X is removed";
    EXPECT_EQ(4294967295u, ParseRegistryDword("4294967295"));

    EXPECT_EQ(0x0407, ParseLanguageId("0x0407"));
    EXPECT_EQ(0x0407, ParseLanguageId(" 0X407 "));
    EXPECT_EQ(1031, ParseLanguageId("1031"));
    EXPECT_EQ(0, ParseLanguageId("German"));

    EXPECT_EQ(3, ParseInteger(" 3 "));
    EXPECT_EQ(-2, ParseInteger("-2"));
    EXPECT_EQ(0, ParseInteger("yes")) << "non-numeric text gives 0";
    EXPECT_GT(ParseInteger("99999999999999999999"), 0) << "an overlong number stays a positive value";
}

TEST(CommandTextTest, RegistryValueLine_KeepsCommasInTheData)
{
    RegistryValueLine line = SplitRegistryValueLine(" REG_SZ , Path , C:\\A,B ");
    EXPECT_EQ("REG_SZ", line.type);
    EXPECT_EQ("Path", line.name);
    EXPECT_EQ("C:\\A,B", line.data);

    line = SplitRegistryValueLine("REG_DWORD,Count");
    EXPECT_EQ("Count", line.name);
    EXPECT_EQ("", line.data);

    line = SplitRegistryValueLine("OnlyName");
    EXPECT_EQ("OnlyName", line.type) << "a bare name lands in the first part";
    EXPECT_EQ("", line.name);

    EXPECT_EQ("VALUE", LineKey(" VALUE = a,b"));
    EXPECT_EQ(" a,b", LineValue(" VALUE = a,b"));
    EXPECT_EQ("BARE", LineKey("BARE"));
    EXPECT_EQ("", LineValue("BARE"));

    EXPECT_TRUE(NamesCurrentUser("hkcu"));
    EXPECT_TRUE(NamesCurrentUser("MY_HKCU_ROOT"));
    EXPECT_FALSE(NamesCurrentUser("HKEY_CURRENT_USER")) << "spelled out it does not contain HKCU";
    EXPECT_FALSE(NamesCurrentUser(""));
}

TEST(CommandTextTest, SectionApplies_ChecksPlatformThenLanguageLists)
{
    SectionConditions none;
    EXPECT_TRUE(SectionApplies(none, "WINXP", "EN")) << "no lists: applies";

    SectionConditions conditions;
    conditions.supportedOs = "WIN98, winxp ,WIN2K";
    EXPECT_TRUE(SectionApplies(conditions, "WINXP", "EN")) << "entries trimmed, compared without case";
    EXPECT_FALSE(SectionApplies(conditions, "VISTA", "EN"));
    EXPECT_FALSE(SectionApplies(conditions, "", "EN")) << "an empty platform key is never in a list";

    conditions = SectionConditions();
    conditions.supportedOs = "";
    EXPECT_FALSE(SectionApplies(conditions, "WINXP", "EN")) << "a present but empty supported list excludes all";

    conditions = SectionConditions();
    conditions.unsupportedOs = "WINXP";
    EXPECT_FALSE(SectionApplies(conditions, "winxp", "EN"));
    EXPECT_TRUE(SectionApplies(conditions, "WIN98", "EN"));
    conditions.unsupportedOs = "";
    EXPECT_TRUE(SectionApplies(conditions, "WINXP", "EN")) << "an empty unsupported list excludes nothing";

    conditions = SectionConditions();
    conditions.supportedLang = "GR,FN";
    EXPECT_FALSE(SectionApplies(conditions, "WINXP", "EN"));
    EXPECT_TRUE(SectionApplies(conditions, "WINXP", "fn"));
    conditions.unsupportedLang = "FN";
    EXPECT_FALSE(SectionApplies(conditions, "WINXP", "FN")) << "both language lists are checked";
}

TEST(CommandTextTest, Paths_BackslashesInsideDoubleByteCharactersAreNoSeparators)
{
    EXPECT_EQ("C:\\Prog Dir", WorkingDirectoryOf(" \"C:\\Prog Dir\\setup.exe\" "));
    EXPECT_EQ("", WorkingDirectoryOf("setup.exe"));
    EXPECT_EQ("", WorkingDirectoryOf(""));

    const std::string folder = "C:\\\x83\x5C";                  // a folder named by one character with 0x5C
    EXPECT_EQ("C:\\\x83", WorkingDirectoryOf(folder)) << "read byte by byte the character is cut";
    EXPECT_EQ(folder, WorkingDirectoryOf(folder + "\\a.exe", ShiftJisLead));
    EXPECT_EQ("C:", WorkingDirectoryOf(folder, ShiftJisLead)) << "the second byte is no separator";
    EXPECT_FALSE(PathText::EndsWithSeparator(folder, ShiftJisLead)) << "the folder still needs its backslash";
    EXPECT_TRUE(PathText::EndsWithSeparator(folder, nullptr)) << "read byte by byte it would not";
    EXPECT_TRUE(PathText::EndsWithSeparator(folder + "\\", ShiftJisLead));
    EXPECT_FALSE(PathText::EndsWithSeparator("", nullptr));

    EXPECT_EQ((std::vector<std::string>{"Software", "Kv", "A"}), SplitPathPieces("\\Software\\\\Kv\\A\\"));
    EXPECT_EQ((std::vector<std::string>{"Software", "\x83\x5C" "X"}),
              SplitPathPieces("Software\\\x83\x5C" "X", ShiftJisLead));
}
