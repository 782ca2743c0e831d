// The start-up decisions as plain functions: command-line tokens and switches, the start sections tried
// for each run mode, and the OS_Ver value.

#include <gtest/gtest.h>

#include "app/StartDecision.h"
#include "env/Platform.h"

namespace
{
using Tokens = std::vector<std::string>;

std::string Describe(const CommandLineChoice& choice)
{
    std::string text = "mode " + std::to_string(choice.runMode) + (choice.silent ? " silent" : "");
    for (const CommandLineSetting& setting : choice.settings)
    {
        text += std::string(" ") + setting.letter + "[" + setting.value + "]";
    }
    return text;
}

std::string Describe(const std::vector<StartSectionCandidate>& candidates)
{
    std::string text;
    for (const StartSectionCandidate& candidate : candidates)
    {
        text += std::string(text.empty() ? "" : " ") + candidate.section + "=" + std::to_string(candidate.runMode);
    }
    return text;
}
}  // namespace

TEST(StartDecisionTest, SplitSwitchTokens_EverySlashAndDash_CutsTokens)
{
    EXPECT_EQ((Tokens{"s ", "u"}), SplitSwitchTokens("/s /u")) << "the blank stays with the token before it";
    EXPECT_EQ((Tokens{"AC:\\Program Files\\My", "Printer ", "S"}),
              SplitSwitchTokens("/AC:\\Program Files\\My-Printer /S"))
        << "a '-' inside a value cuts it";
    EXPECT_EQ((Tokens{"S", "D"}), SplitSwitchTokens("//S---D")) << "runs of separators count as one";
    EXPECT_EQ((Tokens{"leading", "x"}), SplitSwitchTokens("leading-x"))
        << "text before the first separator is a token";
    EXPECT_EQ(Tokens{}, SplitSwitchTokens("")) << "nothing";
    EXPECT_EQ((Tokens{" ", " "}), SplitSwitchTokens(" -/- ")) << "blanks between separators are tokens of their own";
}

TEST(StartDecisionTest, ParseCommandLineText_Switches_ByFirstCharacterAnyCase)
{
    struct Row
    {
        const char* text;
        const char* expected;
    };
    const Row rows[] = {
        {"", "mode 1"},
        {"/s /u", "mode 2 silent"},
        {"/u /r", "mode 3"},
        {"/R /U /D", "mode 6"},
        {"/D /U", "mode 2"},
        {"/Sd", "mode 1 silent"},
        {"/ s", "mode 1"},
        {"/x /Zebra /Q", "mode 1"},
        {"/AC:\\Program Files\\My-Printer", "mode 1 A[C:\\Program Files\\My] P[rinter]"},
        {"/a \t\"C:\\Dir\"\t /S", "mode 1 silent A[C:\\Dir]"},
        {"/L0x0407 /p\"LPT2:\" /A", "mode 1 L[0x0407] P[LPT2:] A[]"},
        {"/P FILE: /l 1031 /r", "mode 3 P[FILE:] L[1031]"},
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(row.expected, Describe(ParseCommandLineText(row.text))) << "command line '" << row.text << "'";
    }
}

TEST(StartDecisionTest, StartSectionCandidates_EveryModeAndSource_InTableOrder)
{
    struct Row
    {
        int mode;
        bool cd;
        const char* expected;
    };
    const Row rows[] = {
        {RUN_REINSTALL, true,
         "REINST_START_INFO_CD=5 REINST_START_INFO=3 UNINST_START_INFO=2 INSTALL_START_INFO=1"},
        {RUN_REINSTALL, false,
         "REINST_START_INFO_LOCAL=5 REINST_START_INFO=3 UNINST_START_INFO=2 INSTALL_START_INFO=1"},
        {RUN_UNINSTALL, true,
         "UNINST_START_INFO=2 REINST_START_INFO=3 REINST_START_INFO_CD=5 INSTALL_START_INFO=1"},
        {RUN_UNINSTALL, false,
         "UNINST_START_INFO=2 REINST_START_INFO=3 REINST_START_INFO_LOCAL=4 INSTALL_START_INFO=1"},
        {RUN_DELETE_ALL, true,
         "DELETEALL_START_INFO=6 REINST_START_INFO=3 UNINST_START_INFO=2 INSTALL_START_INFO=1"},
        {RUN_DELETE_ALL, false,
         "DELETEALL_START_INFO=6 REINST_START_INFO=3 UNINST_START_INFO=2 INSTALL_START_INFO=1"},
        {RUN_INSTALL, true, "INSTALL_START_INFO=1"},
        {RUN_SCRIPT, false, "INSTALL_START_INFO=1"},
        {RUN_NONE, false, "INSTALL_START_INFO=1"},
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(row.expected, Describe(StartSectionCandidates(row.mode, row.cd)))
            << "mode " << row.mode << (row.cd ? " from a CD" : " from another drive");
    }
}

TEST(StartDecisionTest, OsVerValue_ByOsClass)
{
    EXPECT_EQ(1u, OsVerValue(OSCLASS_9X)) << "Windows 9x";
    EXPECT_EQ(2u, OsVerValue(OSCLASS_NT4)) << "NT 3 and 4";
    EXPECT_EQ(3u, OsVerValue(OSCLASS_NT5)) << "2000 and later";
    EXPECT_EQ(3u, OsVerValue(OSCLASS_WIN32S)) << "anything else";
}
