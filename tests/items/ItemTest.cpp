#include "items/Item.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Text.h"
#include "base/UserMessage.h"
#include "command/CmdOperator.h"
#include "command/CommandEnv.h"
#include "command/CommandRecord.h"
#include "items/ItemTestSupport.h"
#include "support/UserMessageRecorder.h"

namespace
{
// An item whose install program exists.
std::string ProgramItem(const std::string& section, const std::string& name, const std::string& extra = "")
{
    return "[" + section + "]\r\nDISPLAY_NAME = " + name + "\r\nINST_CMD = $SRC_DIR$\\inst.exe\r\n" + extra;
}

class ItemTest : public ItemProductTest
{
protected:
    void SetUp() override
    {
        ItemProductTest::SetUp();
        ASSERT_TRUE(Write("inst.exe", "MZ") && Write("uninst.exe", "MZ")) << "the item programs exist";
    }

    CItem& Items()
    {
        if (!m_items)
        {
            m_items = std::make_unique<CItem>(m_log, *m_env);
        }
        return *m_items;
    }

    std::unique_ptr<CItem> m_items;
};
}  // namespace

TEST_F(ItemTest, ReadItems_AvailabilityValidityVariantsAndLogLines)
{
    ASSERT_TRUE(Write("variant.exe", "MZ"));
    const std::string unsupported = "[UNSUP]\r\nDISPLAY_NAME = Unsup\r\nINST_CMD = $SRC_DIR$\\inst.exe\r\n"
                                    "UNSUPPORTED_OS = foo ,, ";
    // The platform word is known only after start-up: write the data file twice.
    ASSERT_TRUE(Start(""));
    const std::string platform = m_env->GetOsDefine();
    std::string lowered = platform;
    for (char& c : lowered)
    {
        c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
    }
    ASSERT_TRUE(Start("[ITEM_INFO]\r\nUTIL\r\nUNSUP\r\nMANUAL\r\nMISSING\r\nVARIANT\r\nDRV\r\nutil\r\n" +
                      ProgramItem("UTIL", "Utility") + unsupported + " " + lowered + " \r\n" +
                      "[MANUAL]\r\nDISPLAY_NAME = Manual\r\n" +
                      ProgramItem("VARIANT", "Variant", "INST_CMD." + platform + " = $SRC_DIR$\\variant.exe\r\n") +
                      ProgramItem("DRV", "Driver", "DRIVER_NAME = KP-3100 PCL 6\r\n")));
    (void)m_logTexts.Take();

    EXPECT_TRUE(Items().ReadItems());
    const std::vector<std::string> lines = m_logTexts.Take();
    const char* expected[] = {"Utility item is available!!",
                              " UNSUP is not available in this OS(" ,
                              "[Manual] Inf name[] and installation command[] are invalid!!!",
                              "Manual item is not available!!",
                              "MISSING item is invalid because inf, install command and display name are empty",
                              "Variant item is available!!",
                              "Item [util] is listed more than once; it is read once",
                              "OVRA Option is ON"};
    for (const char* line : expected)
    {
        const std::string text = line[1] == 'U' ? std::string(line) + platform + ")" : line;
        EXPECT_TRUE(Contains(lines, text)) << "log line: " << text;
    }
    ASSERT_EQ(3, Items().GetCount()) << "UTIL, VARIANT and DRV: the second entry util is left out";
    EXPECT_EQ(0, Items().FindItem("util")) << "names compare without regard to case";
    EXPECT_EQ(m_src + "\\variant.exe", Items().GetItemAt(1)->instCmd) << "the platform variant comes first";
    EXPECT_EQ(nullptr, Items().GetItemAt(3));
    EXPECT_EQ(-1, Items().FindItem("UNSUP"));
    EXPECT_TRUE(m_env->GetOptions().ovra) << "a PCL driver switches OVRA on";
    EXPECT_EQ(CHECK_UNCHK, Items().GetItemAt(0)->checkState) << "no DEFAULT_INST_TYPE: UNCHK";
    EXPECT_EQ(kWaitRegIntNotGiven, Items().GetItemAt(0)->waitRegIntData);

    Items().GetItemAt(0)->selected = 1;
    EXPECT_TRUE(Items().ReadItems()) << "read again, as a later run on the same collection does";
    ASSERT_EQ(3, Items().GetCount()) << "the list is replaced, not extended";
    EXPECT_EQ(0, Items().GetItemAt(0)->selected) << "the first item is a fresh record";
    EXPECT_EQ(2, Items().FindItem("DRV"));
    EXPECT_FALSE(Items().ReadItems("NO_SUCH_LIST"));
    EXPECT_EQ(0, Items().GetCount()) << "a list that cannot be read leaves no item of an earlier one";
}

TEST_F(ItemTest, ReadItems_ListSizesAndLimits)
{
    ASSERT_TRUE(Start("[OPTION]\r\nOVRA = 0\r\n[ITEM_INFO]\r\n[OTHER]\r\nA = 1\r\n" +
                      ProgramItem("DRV", "Driver", "DRIVER_NAME = KP PCL\r\n")));
    EXPECT_TRUE(Items().ReadItems()) << "an empty list section is read";
    EXPECT_EQ(0, Items().GetCount());
    EXPECT_FALSE(Items().ReadItems("NO_SUCH_LIST")) << "a missing list section";
    EXPECT_EQ("", Items().GetListSection()) << "the stored name is cleared";
    EXPECT_EQ("ADD_REG.UNINSTKEY", Items().GetOsUninstallSection());
    EXPECT_TRUE(Items().ReadItems("OTHER")) << "a list of a section that is no item";
    EXPECT_EQ(0, Items().GetCount()) << "A = 1 names no item section";

    std::string list = "[ITEM_INFO]\r\n";
    std::string sections;
    for (int index = 0; index < 500; ++index)
    {
        list += "I" + std::to_string(index) + "\r\n";
        sections += ProgramItem("I" + std::to_string(index), "Item " + std::to_string(index));
    }
    const std::string longText(kItemTextMax + 100, 't');
    // WIDE: lines each within the reader's limit, together more than an item's lines may hold.
    const std::string wideText(3500, 'w');
    std::string wideLines;
    for (const char* key : {"TOOLTIP", "DESCRIPTION", "INST_DESC", "REMOVE_DESC", "REPAIR_DESC"})
    {
        wideLines += std::string(key) + " = " + wideText + "\r\n";
    }
    ASSERT_TRUE(Start("[PROGRAM_INFO]\r\nOS_UNINST_REG_KEY = MY_UNINST\r\n" + list + "LONG\r\nWIDE\r\n" + sections +
                      ProgramItem("WIDE", "Wide", wideLines) +
                      ProgramItem("LONG", "Long", "TOOLTIP = " + longText + "\r\nDESCRIPTION = " + longText + "\r\n")));
    m_items.reset();
    EXPECT_TRUE(Items().ReadItems());
    ASSERT_EQ(502, Items().GetCount()) << "500 items, one with over-long values and one with many long lines";
    EXPECT_EQ("MY_UNINST", Items().GetOsUninstallSection());
    const ITEM_RECORD* item = Items().GetItemAt(500);
    EXPECT_LE(item->tooltip.size(), kItemTextMax) << "an over-long value never exceeds the limit";
    EXPECT_LE(item->installDesc.size(), kItemTextMax);
    (void)m_logTexts.Take();
    EXPECT_TRUE(Items().WriteItemHistory(Items().GetItemAt(0), 0));
    EXPECT_FALSE(Items().WriteItemHistory(Items().GetItemAt(501), 501)) << "its parameters cannot be read";
    EXPECT_TRUE(ReadKeyValues(ItemKey("WIDE")).empty()) << "no record without its parameters";
    const std::vector<std::string> lines = m_logTexts.Take();
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(),
                                     "Item [WIDE]: its lines do not fit in 16384 characters; no record is written"));
    EXPECT_FALSE(m_env->GetOptions().ovra) << "OVRA given as 0 stays off";
}

TEST_F(ItemTest, SetItemLanguage_FallsBackToPrimaryAndSystemLanguage)
{
    ASSERT_TRUE(Start(""));
    const WORD system = m_env->GetLanguage().GetSystemLangId();
    ASSERT_TRUE(Start("[LANGUAGE_ABBR]\r\n0x0407 = DE\r\n0x040C = FR\r\n[LANGUAGE_DIR]\r\n0x0407 = German\r\n"
                      "[PRIMARY]\r\n0X0009 = 0x0407\r\n[SYSTEM]\r\n" +
                      FormatText("0X%04X", system & 0x3FF) + " = 0x040C\r\n[NONE]\r\n0X0411 = 0x0407\r\n"));
    const WORD selected = m_env->GetLanguage().GetLangId();
    ASSERT_EQ(9, selected & 0x3FF) << "no PROGRAM_LANG_INFO: the installer runs in English";
    const struct
    {
        const char* section;
        WORD langId;
        const char* abbr;
        const char* dir;
    } cases[] = {{"PRIMARY", 0x0407, "DE", "German"},
                 {"SYSTEM", 0x040C, "FR", nullptr},
                 {"NONE", selected, nullptr, nullptr},
                 {"", selected, nullptr, nullptr}};
    for (const auto& each : cases)
    {
        ITEM_RECORD item;
        item.itemLangSection = each.section;
        if (std::string(each.section) == "SYSTEM" && (system & 0x3FF) == 9)
        {
            continue;                                         // an English system: the primary key decides
        }
        EXPECT_TRUE(Items().SetItemLanguage(item, selected));
        EXPECT_EQ(each.langId, item.langId) << "ITEM_LANG section [" << each.section << "]";
        if (each.abbr != nullptr)
        {
            EXPECT_EQ(each.abbr, item.langAbbr) << each.section;
        }
        if (each.dir != nullptr)
        {
            EXPECT_EQ(each.dir, item.langDir) << each.section;
        }
    }
}

TEST_F(ItemTest, GetCheckState_InstallTypeWordsAndDeviceCheck)
{
    ASSERT_TRUE(Start("[ITEM_INFO]\r\nA\r\nB\r\nDEV\r\n" +
                      ProgramItem("A", "A", "DEFAULT_INST_TYPE = CHK\r\nEXPRESS = graychk\r\n") +
                      ProgramItem("B", "B", "DEFAULT_INST_TYPE = ALL\r\n") +
                      ProgramItem("DEV", "Dev", "DEFAULT_INST_TYPE = DEVCHK\r\nDEVICE_STRING = Laser\r\n")));
    ASSERT_TRUE(Items().ReadItems());
    ASSERT_EQ(3, Items().GetCount());
    EXPECT_EQ(CHECK_UNCHK, Items().GetItemAt(2)->checkState) << "DEVCHK reads as 3";
    EXPECT_EQ(CHECK_CHK, Items().GetCheckState(0, false)) << "no Install_Type: the stored state";

    ASSERT_EQ(ERROR_SUCCESS, CRegistry::SetValue(Installing().c_str(), "Install_Type", "EXPRESS", HKEY_LOCAL_MACHINE));
    EXPECT_EQ(CHECK_GRAYCHK, Items().GetCheckState(0, false)) << "the install type's key overrides";
    EXPECT_EQ(CHECK_ALL, Items().GetCheckState(1, false)) << "without that key DEFAULT_INST_TYPE";
    EXPECT_EQ(CHECK_GRAYCHK, Items().GetCheckState(0, true)) << "keep returns the stored state";

    const struct
    {
        const char* usbId;
        const char* netId;
        const char* ip;
        int state;
    } devices[] = {{"", "", "", CHECK_UNCHK},
                   {"MFG:Acme;MDL:KP-3100;DES:laser", "", "", CHECK_NO},
                   {"MFG:KvTestItems;MDL:kp-3100;DES:Laser", "", "", CHECK_CHK},
                   {"MFG:KvTestItems;MDL:KP-3100;DES:Inkjet", "", "", CHECK_NO},
                   {"MFG:KvTestItems;MDL:KP-3100;DES:Laser", "", "10.0.0.9", CHECK_UNCHK},
                   {"", "MFG:KvTestItems;MDL:KP-3100 Laser", "10.0.0.9", CHECK_CHK}};
    for (const auto& each : devices)
    {
        // The manufacturer carries the process id; the identifiers name it in full.
        const std::string mfg = ItemTestMfg();
        std::string usb = each.usbId;
        std::string net = each.netId;
        for (std::string* id : {&usb, &net})
        {
            const size_t at = id->find("KvTestItems");
            if (at != std::string::npos)
            {
                id->replace(at, 11, mfg);
            }
        }
        ::SetEnvironmentVariableA("KV_TEST_DEVICE_ID", usb.c_str());
        ::SetEnvironmentVariableA("KV_TEST_NET_DEVICE_ID", net.c_str());
        m_env->SetIp(each.ip);
        EXPECT_EQ(each.state, Items().GetCheckState(2, false)) << "usb [" << usb << "] net [" << net << "]";
    }
    ASSERT_EQ(ERROR_SUCCESS, CRegistry::SetValue(Installing().c_str(), "Install_Type", "NOBODY", HKEY_LOCAL_MACHINE));
    ASSERT_TRUE(Start("[ITEM_INFO]\r\nA\r\n" + ProgramItem("A", "A")));
    m_items.reset();
    ASSERT_TRUE(Items().ReadItems());
    EXPECT_EQ(CHECK_NO, Items().GetCheckState(0, false)) << "an unknown install type and no default: 0";
    EXPECT_TRUE(Items().FillSelectionList(0).empty()) << "so the list is empty";
}

TEST_F(ItemTest, SelectionList_RowsDescriptionsAndCommit)
{
    ASSERT_TRUE(Start("[ITEM_INFO]\r\nA\r\nB\r\nC\r\nD\r\n" +
                      ProgramItem("A", "Alpha", "DEFAULT_INST_TYPE = CHK\r\nDESCRIPTION = Installs %s.\r\n"
                                                "REMOVE_DESC = Removes %s\r\nTOOLTIP = Tip A\r\n") +
                      ProgramItem("B", "Beta", "DEFAULT_INST_TYPE = ALL\r\n") +
                      ProgramItem("C", "Gamma", "DEFAULT_INST_TYPE = GRAYCHK\r\nDRIVER_NAME = KvNoSuchDriver\r\n") +
                      ProgramItem("D", "Delta", "DEFAULT_INST_TYPE = UNCHK\r\n")));
    ASSERT_TRUE(Items().ReadItems());
    std::vector<ItemListRow> rows = Items().FillSelectionList(0);
    ASSERT_EQ(3u, rows.size()) << "ALL is never listed";
    EXPECT_EQ("Alpha", rows[0].name);
    EXPECT_EQ(LIST_CHECKED, rows[0].state);
    EXPECT_EQ("Installs Alpha.", rows[0].description) << "Setup_Type unreadable counts as install";
    EXPECT_EQ("Tip A", rows[0].tooltip);
    EXPECT_EQ(LIST_CHECKED_FIXED, rows[1].state);
    EXPECT_EQ(LIST_UNCHECKED, rows[2].state);

    ASSERT_EQ(ERROR_SUCCESS, CRegistry::SetValue(Installing().c_str(), "Setup_Type", 2, HKEY_LOCAL_MACHINE));
    EXPECT_EQ("Removes Alpha", Items().FillSelectionList(0)[0].description);
    EXPECT_EQ(4u, Items().FillSelectionList(0x12).size()) << "none installed: NOT_INST lists all, ALL included";
    EXPECT_EQ(LIST_UNCHECKED, Items().FillSelectionList(0x12)[0].state) << "forced unchecked";
    EXPECT_TRUE(Items().FillSelectionList(0x21).empty()) << "INST lists installed items only";
    ASSERT_EQ(ERROR_SUCCESS, CRegistry::SetValue(Installing().c_str(), "Setup_Type", 1, HKEY_LOCAL_MACHINE));

    rows = Items().FillSelectionList(0x12);                   // all four rows, unchecked
    ASSERT_EQ(4u, rows.size());
    SelectionCommit dialog;
    dialog.warningText = "Choose one";
    {
        CUserMessageRecorder boxes(IDOK);
        EXPECT_FALSE(Items().CommitSelection(rows, dialog, nullptr)) << "nothing checked: stay";
        EXPECT_EQ(std::vector<std::string>{"ItemTest|Choose one"}, boxes.shown);
    }
    rows[2].state = LIST_CHECKED;
    dialog.confirmText = "Sure?";
    {
        CUserMessageRecorder boxes(IDNO);
        EXPECT_FALSE(Items().CommitSelection(rows, dialog, nullptr)) << "No to the confirmation: stay";
        EXPECT_EQ(std::vector<std::string>{"ItemTest|Sure?"}, boxes.shown);
    }
    bool printer = false;
    {
        CUserMessageRecorder boxes(IDYES);
        EXPECT_TRUE(Items().CommitSelection(rows, dialog, &printer));
    }
    EXPECT_TRUE(printer) << "Gamma has a driver name";
    const bool selected[] = {false, true, true, false};       // Beta: ALL stays selected in an install
    for (int index = 0; index < 4; ++index)
    {
        EXPECT_EQ(selected[index], Items().GetItemAt(index)->selected) << "item " << index;
        EXPECT_EQ(selected[index] ? "DW:1" : "", ReadKeyValues(ItemKey(Items().GetItemAt(index)->sectionName))["InstallNow"])
            << "InstallNow of item " << index;
    }
    EXPECT_EQ(CHECK_UNCHK, Items().GetItemAt(0)->checkState) << "an unchecked CHK item becomes UNCHK";
    Items().ClearSelection();
    EXPECT_FALSE(Items().GetItemAt(1)->selected);

    // The list a person normally sees leaves the ALL item out; committing it still installs that item,
    // and items of another list (not shown here) keep their selection.
    Items().GetItemAt(2)->selected = true;
    rows = Items().FillSelectionList(0);
    ASSERT_EQ(3u, rows.size());
    rows = {rows[0], rows[2]};                                // Alpha and Delta only
    rows[0].state = LIST_CHECKED;
    {
        CUserMessageRecorder boxes(IDYES);
        EXPECT_TRUE(Items().CommitSelection(rows, SelectionCommit(), &printer));
    }
    EXPECT_TRUE(Items().GetItemAt(0)->selected);
    EXPECT_TRUE(Items().GetItemAt(1)->selected) << "the ALL item, never listed, is in the install";
    EXPECT_EQ("DW:1", ReadKeyValues(ItemKey(Items().GetItemAt(1)->sectionName))["InstallNow"]);
    EXPECT_TRUE(Items().GetItemAt(2)->selected) << "an item of another list is left as it was";
    EXPECT_FALSE(Items().GetItemAt(3)->selected);
    ASSERT_EQ(ERROR_SUCCESS, CRegistry::SetValue(Installing().c_str(), "Setup_Type", 3, HKEY_LOCAL_MACHINE));
    Items().ClearSelection();
    EXPECT_TRUE(Items().CommitSelection(rows, SelectionCommit(), &printer));
    EXPECT_FALSE(Items().GetItemAt(1)->selected) << "a reinstall takes only what was chosen";
}

TEST_F(ItemTest, Commands_WriteItemInfoAndCheckItem)
{
    ASSERT_TRUE(Start("[ITEM_INFO]\r\nA\r\nB\r\n" + ProgramItem("A", "Alpha", "DEFAULT_INST_TYPE = CHK\r\n") +
                      ProgramItem("B", "Beta", "DEFAULT_INST_TYPE = UNCHK\r\n")));
    CCmdOperator commands(m_log, *m_env, m_env->GetExternalFnt(), HistoryRecorder());
    std::vector<std::string> opened;
    ASSERT_TRUE(commands.Connect("CT_OPEN_DLG", [&opened](const CommandRecord& record) {
        opened.push_back(record.param[0]);
        return true;
    }));
    Items().ConnectCommands(commands);
    EXPECT_TRUE(commands.IsConnected("CT_WRITE_ITEM_INFO") && commands.IsConnected("CT_CHECK_ITEM"));

    {
        CUserMessageRecorder boxes(IDOK);
        EXPECT_TRUE(commands.Execute(MakeCommandRecord("CT_CHECK_ITEM", "ONE_DLG", "MANY_DLG").get()));
        EXPECT_EQ(std::vector<std::string>{"ItemTest|There is no item to be installed!!!!"}, boxes.shown);
    }
    ASSERT_TRUE(Items().ReadItems());
    EXPECT_TRUE(commands.Execute(MakeCommandRecord("CT_CHECK_ITEM", "ONE_DLG", "ct_set_setup_type=REINST").get()));
    EXPECT_EQ(std::vector<std::string>{"MANY_DLG"}, opened) << "no items: parameter 2, a dialog name";
    EXPECT_EQ("DW:3", ReadKeyValues(Installing())["Setup_Type"]) << "two items: parameter 2 run as a command";

    EXPECT_TRUE(commands.Execute(MakeCommandRecord("CT_WRITE_ITEM_INFO").get()));
    EXPECT_TRUE(Items().GetItemAt(0)->selected);
    EXPECT_FALSE(Items().GetItemAt(1)->selected);
    const std::map<std::string, std::string> expected = {
        {"Item_Name", "SZ:A"},  {"InstCmd", "SZ:" + m_src + "\\inst.exe"}, {"LangCode", "DW:9"},
        {"LangAbbr", "SZ:EN"}, {"Success_Return", "DW:0"},                 {"InstallNow", "DW:1"}};
    std::map<std::string, std::string> record = ReadKeyValues(ItemKey("A"));
    record["LangCode"] = record["LangCode"] == "DW:" + std::to_string(m_env->GetLanguage().GetLangId()) ? "DW:9" : record["LangCode"];
    record["LangAbbr"] = record["LangAbbr"] == "SZ:" + m_env->GetLanguage().GetLangAbbr() ? "SZ:EN" : record["LangAbbr"];
    EXPECT_EQ(expected, record) << "the record of a selected program item";
    EXPECT_EQ(0u, ReadKeyValues(ItemKey("B")).count("InstallNow")) << "an unselected item has no InstallNow";

    std::vector<std::string> registrySections;
    ASSERT_TRUE(commands.Connect("CT_ADDREG", [&registrySections](const CommandRecord& record) {
        registrySections.push_back(std::string("add ") + record.param[0]);
        return true;
    }));
    ASSERT_TRUE(commands.Connect("CT_DELREG", [&registrySections](const CommandRecord& record) {
        registrySections.push_back(std::string("delete ") + record.param[0]);
        return true;
    }));
    EXPECT_TRUE(Items().AddOsUninstallKey() && Items().RemoveOsUninstallKey());
    EXPECT_EQ((std::vector<std::string>{"add ADD_REG.UNINSTKEY", "delete ADD_REG.UNINSTKEY"}), registrySections);
}
