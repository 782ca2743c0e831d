#include "env/SystemRequirement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/MessageBoxWatcher.h"

namespace
{
const char* const kNoFreeSpace200 =
    "The available Disk space is not enough. Please increase available disk space about \"200MB\" and try again.";

// Helper entries that answer as told and remember how they were asked.
struct FakeHelpers
{
    DWORD freeSpace = 0;
    DWORD portCount = 0;
    int calls = 0;
    std::string lastPath = "(never asked)";

    SystemRequirementHelpers Make()
    {
        SystemRequirementHelpers helpers;
        helpers.getDiskFreeSpace = [this](const char* path) {
            ++calls;
            lastPath = path;
            return freeSpace;
        };
        helpers.getDevicePort = [this](char* ports, DWORD* count) {
            ++calls;
            ports[CSystemRequirement::kPortBufferSize - 1] = '\0';   // the whole buffer is writable
            *count = portCount;
        };
        return helpers;
    }
};

std::string UniqueCaption()
{
    return "KvTest Requirement " + std::to_string(::GetCurrentProcessId());
}
}  // namespace

TEST(SystemRequirementTest, FreeSpace_KnownAndBelowRequired_Refuses)
{
    FakeHelpers fake;
    fake.freeSpace = 150;
    SystemRequirementValues values;
    values.freeSpace = 200;
    const CSystemRequirement check(true, values, "WXP", "Program", fake.Make());

    EXPECT_EQ(CSystemRequirement::kMsgNoFreeSpace, check.FindUnmetRequirement(false)) << "150 MB free, 200 needed";
    EXPECT_EQ("", fake.lastPath) << "the requirement check asks about the empty path";
    EXPECT_EQ(kNoFreeSpace200, check.MessageText(CSystemRequirement::kMsgNoFreeSpace)) << "200MB in place of %s";
    EXPECT_FALSE(check.CheckFreeSpace("D:\\Target", false)) << "the same answer for a given path";
    EXPECT_EQ("D:\\Target", fake.lastPath) << "the helper is asked about that path";

    fake.freeSpace = 200;
    EXPECT_EQ(CSystemRequirement::kNoMessage, check.FindUnmetRequirement(false)) << "exactly enough passes";
    fake.freeSpace = 0;
    EXPECT_TRUE(check.CheckFreeSpace("D:\\Target", true)) << "0: the helper had no answer";
    const CSystemRequirement noHelper(true, values, "WXP", "Program", SystemRequirementHelpers());
    EXPECT_EQ(CSystemRequirement::kNoMessage, noHelper.FindUnmetRequirement(true))
        << "without the helper library the space check passes and no port count is read";
}

TEST(SystemRequirementTest, UnsupportedOs_ListCutAtSpacesAndCommas_MatchesWithoutCase)
{
    SystemRequirementValues values;
    values.unsupportedOs = "W95, W98 ME";
    const auto unmet = [&values](const char* osDefine) {
        return CSystemRequirement(true, values, osDefine, "Program", SystemRequirementHelpers())
            .FindUnmetRequirement(false);
    };
    EXPECT_EQ(CSystemRequirement::kMsgNotSupportedOs, unmet("me")) << "ME is listed";
    EXPECT_EQ(CSystemRequirement::kNoMessage, unmet("WXP")) << "WXP is not";
    EXPECT_EQ(CSystemRequirement::kNoMessage, unmet("W9")) << "a piece must match whole";
    values.unsupportedOs = "\t\" w2k,,WXP \"\t";
    EXPECT_EQ(CSystemRequirement::kMsgNotSupportedOs, unmet("W2K")) << "quotes, tabs, spaces trimmed at the ends";
    EXPECT_EQ(CSystemRequirement::kNoMessage, unmet("")) << "an unknown OS never matches the empty piece";

    const CSystemRequirement me(true, values, "W2K", "Program", SystemRequirementHelpers());
    EXPECT_EQ("This Windows Version is not supported.\r\nThe Setup program will be terminated.",
              me.MessageText(CSystemRequirement::kMsgNotSupportedOs))
        << "the default refusal text";
}

TEST(SystemRequirementTest, Usb_CountMinusOne_OrderOfChecks_InactiveCheck)
{
    FakeHelpers fake;
    fake.portCount = static_cast<DWORD>(-1);
    SystemRequirementValues values;
    const CSystemRequirement usb(true, values, "WXP", "Program", fake.Make());
    EXPECT_EQ(CSystemRequirement::kNoMessage, usb.FindUnmetRequirement(false)) << "no USB check without USB only";
    EXPECT_EQ(1, fake.calls) << "only the free space was asked";
    EXPECT_EQ(CSystemRequirement::kMsgUsbNotAvailable, usb.FindUnmetRequirement(true)) << "count -1";
    EXPECT_EQ("USB Devic is not available. Please check the configuration of system and BIOS then USB device as "
              "available status and try again.",
              usb.MessageText(CSystemRequirement::kMsgUsbNotAvailable))
        << "the default USB text, written as the product always has";
    fake.portCount = 0;
    EXPECT_EQ(CSystemRequirement::kNoMessage, usb.FindUnmetRequirement(true)) << "no device yet is no failure";

    fake.portCount = static_cast<DWORD>(-1);
    fake.freeSpace = 1;
    values.freeSpace = 2;
    values.unsupportedOs = "WXP";
    const CSystemRequirement all(true, values, "WXP", "Program", fake.Make());
    EXPECT_EQ(CSystemRequirement::kMsgNoFreeSpace, all.FindUnmetRequirement(true)) << "free space first";
    fake.freeSpace = 2;
    EXPECT_EQ(CSystemRequirement::kMsgNotSupportedOs, all.FindUnmetRequirement(true)) << "then the OS, then USB";

    fake.calls = 0;
    const CSystemRequirement inactive(false, values, "WXP", "Program", fake.Make());
    EXPECT_TRUE(inactive.CheckRequirements(true)) << "without a SYSTEM_REQUIREMENT section everything passes";
    EXPECT_EQ(0, fake.calls) << "and no helper is asked";
    EXPECT_TRUE(CSystemRequirement::IsCheckActive({"OPTION", "system_requirement_old"}))
        << "a section named SYSTEM_REQUIREMENT_OLD activates the check too";
    EXPECT_FALSE(CSystemRequirement::IsCheckActive({"OPTION", "SYSTEM_REQUIRE", "MENT"})) << "names are not joined";
}

TEST(SystemRequirementTest, MessageText_DataFileTextNeverFormattedAsPrintf)
{
    SystemRequirementValues values;
    values.freeSpace = 4096;
    values.msgNoFreeSpace = "Need %s (%d%% of %s) %n%x";
    values.msgUsbNotAvailable = std::string(20000, 'u');
    const CSystemRequirement check(true, values, "WXP", "Program", SystemRequirementHelpers());
    EXPECT_EQ("Need 4096MB (%d% of %s) %n%x", check.MessageText(CSystemRequirement::kMsgNoFreeSpace))
        << "only the first %s is replaced, %% gives %, other conversions stay as written";
    EXPECT_EQ(CSystemRequirement::kMessageBufferSize - 1,
              check.MessageText(CSystemRequirement::kMsgUsbNotAvailable).size())
        << "texts are held in 16,384-byte buffers";
    EXPECT_EQ("", check.MessageText(4)) << "type 4 has no text";
}

TEST(SystemRequirementTest, CheckRequirements_ShowsTheRealBoxCaptionedWithTheProgramName)
{
    if (!CMessageBoxWatcher::HasDisplay())
    {
        GTEST_SKIP() << "no display for message boxes";
    }
    FakeHelpers fake;
    fake.freeSpace = 150;
    SystemRequirementValues values;
    values.freeSpace = 200;
    const CSystemRequirement check(true, values, "WXP", UniqueCaption(), fake.Make());
    CMessageBoxWatcher watcher(check.Caption());

    EXPECT_FALSE(check.CheckRequirements(false)) << "150 MB free of 200 needed";
    check.ShowRequirementMessage(4);
    check.ShowRequirementMessage(CSystemRequirement::kNoMessage);
    EXPECT_FALSE(check.CheckFreeSpace("D:\\", false)) << "fails, without a box when not asked";
    values.msgNotSupportedOs = "Not here.";
    values.unsupportedOs = "WXP";
    fake.freeSpace = 0;
    const CSystemRequirement os(true, values, "WXP", check.Caption(), fake.Make());
    EXPECT_FALSE(os.CheckRequirements(false)) << "WXP is refused";

    const std::vector<std::string> texts = watcher.Texts();
    ASSERT_EQ(2u, texts.size()) << "one box per failed check, none for types 0 and 4 or when not asked";
    EXPECT_EQ(kNoFreeSpace200, texts[0]) << "the box shows the free-space text";
    EXPECT_EQ("Not here.", texts[1]) << "the box shows the data file's refusal text";
}
