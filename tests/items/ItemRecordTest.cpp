#include "items/ItemRecord.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "items/InfInfo.h"
#include "items/InstallHistory.h"
#include "items/UninstallRecords.h"

// What a DEFAULT_INST_TYPE word does to its item: whether the selection list shows it and how, and
// whether an install run selects it without the list.
TEST(ItemRecordTest, CheckStateWords_DecideListingAndSelection)
{
    const struct
    {
        const char* word;
        int listed;                                           // the row with no item filter
        bool selected;
    } cases[] = {{"NO", LIST_NOT_LISTED, false},       {"all", LIST_NOT_LISTED, true},
                 {"Chk", LIST_CHECKED, true},          {"UNCHK", LIST_UNCHECKED, false},
                 {"graychk", LIST_CHECKED_FIXED, true}, {"DEVCHK", LIST_UNCHECKED, false},
                 {"CHECKED", LIST_NOT_LISTED, false},  {"", LIST_NOT_LISTED, false},
                 {"CHK ", LIST_NOT_LISTED, false}};
    for (const auto& each : cases)
    {
        const int state = CheckStateFromWord(each.word);
        EXPECT_EQ(each.listed, ListStateForItem(state, false, 0)) << "word [" << each.word << "]";
        EXPECT_EQ(each.selected, IsSelectingCheckState(state)) << "word [" << each.word << "]";
    }
    EXPECT_TRUE(IsDeviceCheckWord("devchk")) << "DEVCHK is recognised in any case";
    EXPECT_FALSE(IsDeviceCheckWord("chk"));
}

TEST(ItemRecordTest, DeviceCheckState_NeedsManufacturerModelAndDeviceString)
{
    const struct
    {
        const char* id;
        const char* deviceString;
        int state;
    } cases[] = {{"MFG:Acme;MDL:KP-3100;DES:Laser", "laser", 2},
                 {"mfg:acme;mdl:kp-3100;", "KP", 2},
                 {"MFG:Acme;MDL:KP-3100;DES:Laser", "Inkjet", 0},
                 {"MFG:Other;MDL:KP-3100;DES:Laser", "Laser", 0}};
    for (const auto& each : cases)
    {
        EXPECT_EQ(each.state, DeviceCheckState(each.id, "ACME", "kp-3100", each.deviceString)) << each.id;
    }
}

TEST(ItemRecordTest, ApplyParameterLines_JoinsKeepsTrailingBlankOfSecondAndSkipsShortLines)
{
    ITEM_RECORD item;
    ApplyParameterLines({"INST_PARAM = /a", "inst_param = /b", "INST_PARAM2 = /x", "INST_PARAM2 = /y",
                         "INST_PARAM=", "UNINST_PARAM = ", "REINST_PARAM = /r", "DISPLAY_NAME = Driver",
                         "REINST_PARAM2 = /q=1"},
                        item);
    EXPECT_EQ("/a /b", item.instParam) << "two lines joined by one blank, none at the end";
    EXPECT_EQ("/x /y ", item.instParam2) << "the alternate parameter keeps its trailing blank";
    EXPECT_TRUE(item.instParam2Given);
    EXPECT_EQ("", item.uninstParam) << "an empty value is skipped";
    EXPECT_FALSE(item.uninstParam2Given);
    EXPECT_EQ("/r", item.reinstParam);
    EXPECT_EQ("/q=1 ", item.reinstParam2) << "only the first = splits";

    ITEM_RECORD longItem;
    ApplyParameterLines({"INST_PARAM = " + std::string(kItemTextMax, 'p'), "INST_PARAM = /more"}, longItem);
    EXPECT_EQ(std::string(kItemTextMax, 'p'), longItem.instParam) << "cut at the limit; nothing more appended";
}

TEST(ItemRecordTest, ItemFilterFromText_SumsTheThreeParts)
{
    const struct
    {
        const char* text;
        int filter;
    } cases[] = {{"", 0},
                 {"normal", 0},
                 {"NOT_INST|UNCHK|TYPE_INST", 0x12},
                 {"INST", 1},
                 {"ALL CHK TYPE_UNINST", 0x121},   // TYPE_UNINST holds the word INST, found before ALL
                 {"UNCHK", 0x10},
                 {"INST TYPE_REINST", 0x201}};
    for (const auto& each : cases)
    {
        EXPECT_EQ(each.filter, ItemFilterFromText(each.text)) << each.text;
    }
}

TEST(ItemRecordTest, ListStateForItem_FilterAndCheckState)
{
    const struct
    {
        int checkState;
        bool installed;
        int filter;
        int state;
    } cases[] = {
        {CHECK_NO, false, 0, -1},          {CHECK_ALL, false, 0, -1},       {CHECK_CHK, false, 0, 1},
        {CHECK_UNCHK, false, 0, 0},        {CHECK_GRAYCHK, false, 0, 2},    {7, false, 0, 0},
        {CHECK_CHK, false, 0x12, 0},       {CHECK_CHK, true, 0x12, -1},     {CHECK_UNCHK, true, 0x21, 1},
        {CHECK_UNCHK, false, 0x21, -1},    {CHECK_CHK, false, 0x10, 1},     {CHECK_NO, true, 0x23, 1},
        {CHECK_GRAYCHK, true, 0x3, 2},
    };
    for (const auto& each : cases)
    {
        EXPECT_EQ(each.state, ListStateForItem(each.checkState, each.installed, each.filter))
            << "check " << each.checkState << " installed " << each.installed << " filter " << each.filter;
    }
}

TEST(ItemRecordTest, SwitchRewrites_ReplaceAnExistingSwitch)
{
    EXPECT_EQ("/M x  /V z /P\"USB001\"", ReplacePortSwitch("/M x /P y /V z", "USB001"))
        << "two blanks stand between the /M and /V parts";
    EXPECT_EQ("/S /P\"LPT1:\"", ReplacePortSwitch("/S", "LPT1:"));
    EXPECT_EQ("/a  /P\"LPT1:\"", ReplacePortSwitch("/a /p old", "LPT1:")) << "no further switch: the rest goes";
    EXPECT_EQ("/q  /z /I 3", AddModelSwitch("/q /I 1 /z", 3, "Driver")) << "the old /I goes, the new one at the end";
    EXPECT_EQ("/q /O \"Kp Driver\"", AddModelSwitch("/q", -1, "  \"Kp Driver\"\t"));
    EXPECT_EQ("/x  /O \"New\"", AddModelSwitch("/x /o \"Old\"", -1, "New")) << "kept text, then blank and /O";
    EXPECT_EQ("/q", AddModelSwitch("/q", -1, "")) << "no driver name, no switch";
    EXPECT_EQ(kItemTextMax, AddModelSwitch(std::string(kItemTextMax, 'a'), 2, "").size()) << "never longer";
}

TEST(ItemRecordTest, TextHelpers)
{
    EXPECT_EQ("Install Kp and Kp", FormatDescription("Install %s and %s", "Kp"));
    EXPECT_EQ("100%", FormatDescription("100%", "Kp")) << "a lone % at the end stays";
    EXPECT_EQ("INST_CMD.WINXP", PlatformVariantKey("INST_CMD", "WINXP"));
    EXPECT_EQ("/f C:\\S\\a.inf C:\\D\\a.inf C:\\S\\a.inf", SubstituteInfWords("/f $INF$ $DEST_INF$ $SRC_INF$",
                                                                           "C:\\S\\a.inf", "C:\\D\\a.inf"));
    EXPECT_EQ("C:\\Dest\\Install\\drv\\a.inf", ReplaceSourceDirectory("c:\\cd\\drv\\a.inf", "C:\\CD", "C:\\Dest\\Install"));
    EXPECT_EQ("D:\\x.inf", ReplaceSourceDirectory("D:\\x.inf", "C:\\CD", "C:\\Dest"));
    EXPECT_EQ("C:\\Program Files\\Kp", ShortcutStartIn("  \"C:\\Program Files\\Kp\\run.exe\" "));
    EXPECT_EQ("", ShortcutStartIn("run.exe"));
    EXPECT_EQ("Software\\V\\P\\Installing\\Items\\DRV", ItemRecordKey("Software\\V\\P\\Installing", "DRV"));
}

// Every function of the items layer that splits or joins paths keeps a double-byte character whole
// (code page 932: 0x95 0x5C is one character whose second byte is the backslash).
TEST(ItemRecordTest, DoubleByteNameEndingInBackslashByte_IsNeverCut)
{
    if (::GetACP() != 932)
    {
        GTEST_SKIP() << "needs the double-byte code page 932 of the system";
    }
    const std::string folder = "C:\\\x95\\";
    const std::string path = folder + "\\x";
    HKEY hive = nullptr;
    std::string valueKey;
    std::string valueName;
    const bool valueParsed = ParseValueEntry("HKEY_LOCAL_MACHINE\\Software\\\x95\\", hive, valueKey, valueName);
    std::string key;
    const bool keyParsed = ParseKeyEntry("HKEY_CURRENT_USER\\\x95\\", hive, key);
    const struct
    {
        const char* what;
        std::string actual;
        std::string expected;
    } cases[] = {
        {"ShortcutStartIn", ShortcutStartIn(" \"" + path + ".exe\" "), folder},
        {"ShortcutStartIn of the folder", ShortcutStartIn(folder), "C:"},
        {"ItemRecordKey", ItemRecordKey("Software\\\x95\\", "DRV"), "Software\\\x95\\\\Items\\DRV"},
        {"ParseValueEntry key", valueParsed ? valueKey : "refused", "Software"},
        {"ParseValueEntry value name", valueParsed ? valueName : "refused", "\x95\\"},
        {"ParseKeyEntry", keyParsed ? key : "refused", "\x95\\"},
        {"ReplaceSourceDirectory", ReplaceSourceDirectory(path, folder, "D:\\Dest"), "D:\\Dest\\x"},
    };
    for (const auto& each : cases)
    {
        EXPECT_EQ(each.expected, each.actual) << each.what;
    }
}
