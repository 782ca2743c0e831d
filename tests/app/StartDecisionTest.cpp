// The start-up decisions as plain functions: command-line tokens and switches, the start section a
// command line leads to on a product, and the OS_Ver value each Windows records.

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

using Sections = std::vector<std::string>;

std::string Describe(const StartChoice& choice)
{
    if (choice.runMode == RUN_NONE)
    {
        return "none";
    }
    const size_t dot = choice.section.find(".RESOLVED");
    return (dot == std::string::npos ? "unresolved " + choice.section : choice.section.substr(0, dot)) + "=" +
           std::to_string(choice.runMode);
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

TEST(StartDecisionTest, CommandLineAndProductSections_ChooseTheStartSectionAndRunMode)
{
    struct Row
    {
        const char* commandLine;
        bool cd;
        Sections product;                                     // the start sections the configuration has
        const char* expected;                                 // "SECTION=run mode", or "none"
    };
    const Sections everything = {"INSTALL_START_INFO", "UNINST_START_INFO", "REINST_START_INFO",
                                 "REINST_START_INFO_CD", "REINST_START_INFO_LOCAL", "DELETEALL_START_INFO"};
    const Row rows[] = {
        {"", false, everything, "INSTALL_START_INFO=1"},
        {"/S", true, everything, "INSTALL_START_INFO=1"},
        {"/U", false, everything, "UNINST_START_INFO=2"},
        {"/D", false, everything, "DELETEALL_START_INFO=6"},
        {"/R", true, everything, "REINST_START_INFO_CD=5"},
        {"/R", false, everything, "REINST_START_INFO_LOCAL=5"},
        {"/R", false, {"REINST_START_INFO_CD", "REINST_START_INFO", "INSTALL_START_INFO"}, "REINST_START_INFO=3"},
        {"/R", true, {"UNINST_START_INFO", "INSTALL_START_INFO"}, "UNINST_START_INFO=2"},
        {"/U", false, {"REINST_START_INFO_LOCAL", "REINST_START_INFO_CD", "INSTALL_START_INFO"},
         "REINST_START_INFO_LOCAL=4"},
        {"/U", true, {"REINST_START_INFO_LOCAL", "REINST_START_INFO_CD"}, "REINST_START_INFO_CD=5"},
        {"/U", false, {"REINST_START_INFO", "INSTALL_START_INFO"}, "REINST_START_INFO=3"},
        {"/U", false, {"INSTALL_START_INFO"}, "INSTALL_START_INFO=1"},
        {"/D", true, {"UNINST_START_INFO", "INSTALL_START_INFO"}, "UNINST_START_INFO=2"},
        {"/D", false, {"REINST_START_INFO_CD", "REINST_START_INFO_LOCAL", "INSTALL_START_INFO"},
         "INSTALL_START_INFO=1"},
        {"/R /U", false, {"UNINST_START_INFO", "REINST_START_INFO"}, "UNINST_START_INFO=2"},
        {"", false, {"UNINST_START_INFO", "REINST_START_INFO", "DELETEALL_START_INFO"}, "none"},
        {"/U", true, {}, "none"},
    };
    for (const Row& row : rows)
    {
        const int runMode = ParseCommandLineText(row.commandLine).runMode;
        const auto resolve = [&row](const char* candidate, std::string& section) {
            for (const std::string& name : row.product)
            {
                if (name == candidate)
                {
                    section = name + ".RESOLVED";             // the variant the configuration really has
                    return true;
                }
            }
            return false;
        };
        const StartChoice choice = FindStartSection(runMode, row.cd, resolve);
        EXPECT_EQ(row.expected, Describe(choice))
            << "command line '" << row.commandLine << "'" << (row.cd ? " from a CD" : " from another drive");
    }
}

TEST(StartDecisionTest, OsVerValue_WhatEachWindowsRecords)
{
    struct Row
    {
        const char* system;
        DWORD platformId;
        DWORD major;
        DWORD minor;
        DWORD expected;
    };
    const Row rows[] = {
        {"Windows 95", VER_PLATFORM_WIN32_WINDOWS, 4, 0, 1},   {"Windows 98", VER_PLATFORM_WIN32_WINDOWS, 4, 10, 1},
        {"Windows Me", VER_PLATFORM_WIN32_WINDOWS, 4, 90, 1},  {"NT 3.51", VER_PLATFORM_WIN32_NT, 3, 51, 2},
        {"NT 4", VER_PLATFORM_WIN32_NT, 4, 0, 2},              {"Windows 2000", VER_PLATFORM_WIN32_NT, 5, 0, 3},
        {"Windows XP", VER_PLATFORM_WIN32_NT, 5, 1, 3},        {"Windows 7", VER_PLATFORM_WIN32_NT, 6, 1, 3},
    };
    for (const Row& row : rows)
    {
        OsVersionInfo info;
        info.platformId = row.platformId;
        info.majorVersion = row.major;
        info.minorVersion = row.minor;
        int osCode = 0;
        int osClass = 0;
        ASSERT_TRUE(ClassifyOsVersion(info, osCode, osClass)) << row.system;
        EXPECT_EQ(row.expected, OsVerValue(osClass)) << row.system;
    }
}
