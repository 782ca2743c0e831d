#include "items/InstallHistory.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "items/Item.h"
#include "items/ItemTestSupport.h"

namespace
{
using Values = std::map<std::string, std::string>;

class InstallHistoryTest : public ItemProductTest
{
protected:
    void SetUp() override
    {
        ItemProductTest::SetUp();
        ASSERT_TRUE(Write("inst.exe", "MZ") && Write("drvinst.exe", "MZ")) << "the programs exist";
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

const char kPrinterItem[] =
    "[PRN]\r\nDISPLAY_NAME = Kp Printer\r\nINST_CMD = $SRC_DIR$\\inst.exe\r\nUNINST_CMD = $SRC_DIR$\\un.exe\r\n"
    "REINST_CMD = $SRC_DIR$\\re.exe\r\nINST_PARAM = /a\r\nINST_PARAM = /b\r\nUNINST_PARAM2 = /u2\r\n"
    "REINST_PARAM = /r\r\nUNINST_KEY = KpUninst\r\nREINST_KEY = KpReinst\r\nWAIT_FILE = C:\\w.txt\r\n"
    "REG_WAIT_KEY = Software\\Kp\r\nREG_WAIT_VALUE = Done\r\nREG_WAIT_INT_DATA = 0\r\nREG_WAIT_STR_DATA = yes\r\n"
    "SUCCESS_RET_VAL = 3\r\nDRIVER_NAME = KvTest Kp Driver\r\nPRINTER_NAME = Kp Office\r\nSHARE_NAME = KPSHARE\r\n"
    "SHARE_PRINTER = 1\r\nDEFAULT_PRINTER = 1\r\nINF_FILE = C:\\none\\kp.inf\r\nINF_9X = 9x.inf\r\nINF_NT = nt.inf\r\n"
    "INF_2K = 2k.inf\r\nINF_XP = xp.inf\r\nDEFAULT_INST_TYPE = CHK\r\nCOPY_FILE = DRV , MANUALS\r\n";
}  // namespace

TEST_F(InstallHistoryTest, WriteItemInfo_ExactItemCopyFileAndShortcutRecords)
{
    ASSERT_TRUE(Start(""));
    const std::string platform = m_env->GetOsDefine();
    ASSERT_TRUE(Start("[ITEM_INFO]\r\nPRN\r\nPRN2\r\nUTIL\r\n" + std::string(kPrinterItem) +
                          "[PRN2]\r\nDISPLAY_NAME = Second\r\nINST_CMD = $SRC_DIR$\\inst.exe\r\nDRIVER_NAME = D2\r\n"
                          "PRINTER_NAME = Kp Lab\r\nDEFAULT_PRINTER = 1\r\nINST_PARAM2 = /alt\r\n"
                          "DEFAULT_INST_TYPE = UNCHK\r\nCOPY_FILE = DRV\r\n"
                          "[UTIL]\r\nDISPLAY_NAME = Util\r\nINST_CMD = $SRC_DIR$\\inst.exe\r\n"
                          "[SHORTCUT_INFO]\r\nSC1\r\nSC_NONAME\r\nsc1\r\n",
                      "[COPY_FILE_INFO]\r\nCOMMON\r\n[COMMON]\r\nSOURCE = a\r\n"
                      "[DRV]\r\nSOURCE = generic\r\n[DRV." + platform +
                          "]\r\nDESCRIPTION = Drivers\r\nSOURCE = $SRC_DIR$\\drv\r\nDESTINATION = C:\\d\r\n"
                          "COPY_SUBDIR = 1\r\nDELETE = 0\r\n"
                          "[SC1]\r\nNAME = Kp Tool\r\nTARGET = \"C:\\Program Files\\Kp\\tool.exe\"\r\nGROUP = desktop\r\n"
                          "ICON_INDEX = 2\r\n[SC_NONAME]\r\nTARGET = x.exe\r\n"));
    ASSERT_TRUE(Items().ReadItems());
    ASSERT_EQ(3, Items().GetCount());
    EXPECT_TRUE(Items().WriteItemInfo());

    const std::string src = m_src;
    const std::string lang = std::to_string(Items().GetItemAt(0)->langId);
    const std::string abbr = Items().GetItemAt(0)->langAbbr;
    const Values printer = {{"Item_Name", "SZ:PRN"},
                            {"InstCmd", "SZ:" + src + "\\inst.exe"},
                            {"UninstCmd", "SZ:" + src + "\\un.exe"},
                            {"ReinstCmd", "SZ:" + src + "\\re.exe"},
                            {"InstParam", "SZ:/a /b"},
                            {"ReinstParam", "SZ:/r"},
                            {"Uninstall_Value_Name", "SZ:KpUninst"},
                            {"Reinstall_Value_Name", "SZ:KpReinst"},
                            {"LangCode", "DW:" + lang},
                            {"LangAbbr", "SZ:" + abbr},
                            {"WaitFile", "SZ:C:\\w.txt"},
                            {"WaitRegKey", "SZ:Software\\Kp"},
                            {"WaitRegValue", "SZ:Done"},
                            {"WaitRegStrData", "SZ:yes"},
                            {"WaitRegIntData", "DW:0"},
                            {"Success_Return", "DW:3"},
                            {"InstallNow", "DW:1"},
                            {"Driver_Name", "SZ:KvTest Kp Driver"},
                            {"Printer", "DW:1"},
                            {"Printer_Name", "SZ:Kp Office"},
                            {"Inf_Path", "SZ:C:\\none\\kp.inf"},
                            {"Win_9x_Inf", "SZ:9x.inf"},
                            {"Win_NT_Inf", "SZ:nt.inf"},
                            {"Win_2K_Inf", "SZ:2k.inf"},
                            {"Share_Name", "SZ:KPSHARE"},
                            {"Share", "DW:1"}};
    EXPECT_EQ(printer, ReadKeyValues(ItemKey("PRN"))) << "every value name and type of a selected printer item";
    EXPECT_EQ((Values{{"Item_Name", "SZ:UTIL"}, {"InstCmd", "SZ:" + src + "\\inst.exe"}, {"LangCode", "DW:" + lang},
                      {"LangAbbr", "SZ:" + abbr}, {"Success_Return", "DW:0"}}),
              ReadKeyValues(ItemKey("UTIL")))
        << "an unselected program item: no InstallNow, no WaitRegIntData";
    EXPECT_EQ("SZ:Kp Lab", ReadKeyValues(Installing())["Default_Printer"]) << "the later default printer wins";

    EXPECT_EQ((Values{{"Description", "SZ:Drivers"}, {"Src", "SZ:" + src + "\\drv"}, {"Dest", "SZ:C:\\d"},
                      {"CopySubDir", "DW:1"}, {"Delete", "DW:0"}}),
              ReadKeyValues(Installing() + "\\CopyFiles\\DRV." + platform))
        << "the platform variant of a selected item's copy section";
    EXPECT_EQ((Values{{"Src", "SZ:a"}, {"Delete", "DW:1"}}), ReadKeyValues(Installing() + "\\CopyFiles\\COMMON"));
    EXPECT_TRUE(ReadKeyValues(Installing() + "\\CopyFiles\\MANUALS").empty()) << "a missing section gets no record";
    EXPECT_EQ((Values{{"Name", "SZ:Kp Tool"}, {"Target", "SZ:\"C:\\Program Files\\Kp\\tool.exe\""},
                      {"Start_in", "SZ:C:\\Program Files\\Kp"}, {"Argument", "SZ:"}, {"Icon_File", "SZ:"},
                      {"Folder_Name", "SZ:"}, {"Icon_Index", "DW:2"}, {"Permission", "DW:0"}, {"Group", "DW:1"},
                      {"Icon_Description", "SZ:"}, {"Delete", "DW:1"}}),
              ReadKeyValues(Installing() + "\\Shortcut\\SC1"));
    EXPECT_TRUE(ReadKeyValues(Installing() + "\\Shortcut\\SC_NONAME").empty()) << "no NAME: skipped";
    EXPECT_EQ(std::vector<std::string>{"SC1"}, Items().GetHistory().GetShortcutNames());
    EXPECT_TRUE(Items().WriteItemInfo()) << "CT_WRITE_ITEM_INFO once more";
    EXPECT_TRUE(Items().WriteShortcutRecords()) << "and the shortcut records of a commit";
    EXPECT_EQ(std::vector<std::string>{"SC1"}, Items().GetHistory().GetShortcutNames())
        << "each shortcut is named once, so it is made and recorded once";

    // The alternate parameters: the "2" value where given (with its trailing blank), else the primary.
    Items().SetAlternateParameter(true);
    EXPECT_TRUE(Items().WriteItemHistory(Items().GetItemAt(0), 0));
    EXPECT_TRUE(Items().WriteItemHistory(Items().GetItemAt(1), 1));
    EXPECT_EQ("SZ:/a /b", ReadKeyValues(ItemKey("PRN"))["InstParam"]);
    EXPECT_EQ("SZ:/u2 ", ReadKeyValues(ItemKey("PRN"))["UninstParam"]);
    EXPECT_EQ("SZ:/alt ", ReadKeyValues(ItemKey("PRN2"))["InstParam"]);
    EXPECT_EQ("SZ:/a /b", ReadKeyValues(ItemKey("PRN"))["InstParam"]) << "a second write does not double them";
    EXPECT_FALSE(Items().WriteItemHistory(nullptr, 0));
}

TEST_F(InstallHistoryTest, FailuresSaveHistoryAndInstalledState)
{
    ASSERT_TRUE(Start("[ITEM_INFO]\r\nA\r\nB\r\nC\r\nD\r\n"
                      "[A]\r\nDISPLAY_NAME = Alpha\r\nINST_CMD = $SRC_DIR$\\inst.exe\r\nUNINST_CMD = $SRC_DIR$\\inst.exe\r\n"
                      "[B]\r\nDISPLAY_NAME = Beta\r\nINST_CMD = $SRC_DIR$\\inst.exe\r\n"
                      "[C]\r\nDISPLAY_NAME = Gamma\r\nINST_CMD = $SRC_DIR$\\inst.exe\r\nUNINST_KEY = GammaKey\r\n"
                      "[D]\r\nDISPLAY_NAME = Delta\r\nINST_CMD = $SRC_DIR$\\inst.exe\r\nUNINST_CMD = x.exe\r\n"
                      "[SHORTCUT_INFO]\r\nSC1\r\n",
                      "[SC1]\r\nNAME = Tool\r\nTARGET = tool.exe\r\n"));
    ASSERT_TRUE(Items().ReadItems());
    EXPECT_FALSE(Items().HasUninstallData()) << "nothing installed yet";
    EXPECT_FALSE(Items().IsInstalled("A", nullptr, false));
    for (int index : {2, 0, 3})
    {
        Items().RecordFailure(index);
    }
    EXPECT_EQ((Values{{"Count", "DW:3"}, {"0", "SZ:C"}, {"1", "SZ:A"}, {"2", "SZ:D"}}),
              ReadKeyValues(Installing() + "\\InstallFail"));
    EXPECT_EQ(3, Items().GetFailureCount());
    EXPECT_EQ("Alpha", Items().GetFailedItemName(1));
    EXPECT_EQ("", Items().GetFailedItemName(3)) << "no such failure";

    Items().WriteAllItemHistories();
    EXPECT_TRUE(Items().WriteShortcutRecords());
    const std::string uninstallInfo = m_env->GetUninstallInfoKey();
    ASSERT_EQ(ERROR_SUCCESS, CRegistry::SetValue(uninstallInfo.c_str(), "GammaKey", "1", HKEY_LOCAL_MACHINE));
    for (const char* section : {"A", "B", "C"})
    {
        ASSERT_EQ(ERROR_SUCCESS, CRegistry::SetValue(ItemKey(section).c_str(), "InstallNow", 2, HKEY_LOCAL_MACHINE));
    }
    ASSERT_EQ(ERROR_SUCCESS, CRegistry::SetValue(m_env->GetInstallingHistoryKey().c_str(), "NumOfFiles", 1,
                                                 HKEY_LOCAL_MACHINE));
    ASSERT_EQ(ERROR_SUCCESS, CRegistry::SetValue(m_env->GetInstallingHistoryKey().c_str(), "File0", "C:\\F.TXT",
                                                 HKEY_LOCAL_MACHINE));
    ASSERT_EQ(ERROR_SUCCESS, CRegistry::SetValue(Installing().c_str(), "Dest_Dir", "C:\\Kp", HKEY_LOCAL_MACHINE));
    Items().SaveHistory();

    const std::string installedItems = Installed() + "\\Items\\";
    EXPECT_EQ("DW:2", ReadKeyValues(installedItems + "A")["InstallNow"]) << "an uninstall command: kept";
    EXPECT_TRUE(ReadKeyValues(installedItems + "B").empty()) << "nothing to uninstall it with: not recorded";
    EXPECT_EQ("SZ:GammaKey", ReadKeyValues(installedItems + "C")["Uninstall_Value_Name"]) << "a live uninstall key";
    EXPECT_TRUE(ReadKeyValues(installedItems + "D").empty()) << "not installed by the helper";
    EXPECT_EQ("SZ:Tool", ReadKeyValues(Installed() + "\\Shortcut\\SC1")["Name"]);
    EXPECT_EQ(ReadKeyValues(Installing())["Dest_Dir"], ReadKeyValues(Installed())["Dest_Dir"]);
    EXPECT_EQ("SZ:C:\\F.TXT", ReadKeyValues(m_env->GetInstalledHistoryKey())["File0"]) << "uninstall records merged";

    m_items.reset();
    ASSERT_TRUE(Items().ReadItems());
    EXPECT_TRUE(Items().GetItemAt(0)->installed && Items().GetItemAt(2)->installed);
    EXPECT_FALSE(Items().GetItemAt(1)->installed);
    EXPECT_TRUE(Items().HasUninstallData());
    EXPECT_TRUE(Items().AnyInstalled());
    Items().SelectInstalledForRemoval();
    EXPECT_TRUE(Items().GetItemAt(0)->selected && !Items().GetItemAt(1)->selected);
    EXPECT_TRUE(Items().DeleteItemHistory(0));
    EXPECT_FALSE(Items().IsInstalled("A", nullptr, false)) << "its Installed record is gone";
    EXPECT_FALSE(Items().DeleteItemHistory(1)) << "B had no Installed record";
}

// A helper may leave its uninstall information as a number: the item is installed, can be removed and
// keeps its record, as with a text.
TEST_F(InstallHistoryTest, UninstallKeyHoldingANumber_InstalledRemovableAndRecorded)
{
    ASSERT_TRUE(Start("[ITEM_INFO]\r\nC\r\n[C]\r\nDISPLAY_NAME = Gamma\r\nINST_CMD = $SRC_DIR$\\inst.exe\r\n"
                      "UNINST_KEY = GammaKey\r\n",
                      ""));
    ASSERT_TRUE(Items().ReadItems());
    ITEM_RECORD& item = *Items().GetItemAt(0);
    EXPECT_FALSE(Items().IsInstalled("C", nullptr, false)) << "no uninstall information yet";
    EXPECT_FALSE(Items().IsValidToUninstall(item, true));

    const std::string uninstallInfo = m_env->GetUninstallInfoKey();
    const BYTE bytes[] = {1, 2};
    ASSERT_EQ(ERROR_SUCCESS, CRegistry::SetRawValue(uninstallInfo.c_str(), "GammaKey", REG_BINARY, bytes,
                                                    sizeof(bytes), HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(Items().IsInstalled("C", nullptr, false)) << "bytes are neither a text nor a number";

    for (const DWORD number : {0ul, 7ul})
    {
        ASSERT_EQ(ERROR_SUCCESS, CRegistry::SetValue(uninstallInfo.c_str(), "GammaKey", number, HKEY_LOCAL_MACHINE));
        EXPECT_TRUE(Items().IsInstalled("C", nullptr, false)) << "a number, even " << number;
        EXPECT_TRUE(Items().IsValidToUninstall(item, true)) << number;
        std::string text;
        EXPECT_TRUE(ReadUninstallInfo(uninstallInfo, "GammaKey", text));
        EXPECT_EQ(std::to_string(number), text);
    }

    Items().WriteAllItemHistories();
    ASSERT_EQ(ERROR_SUCCESS, CRegistry::SetValue(ItemKey("C").c_str(), "InstallNow", 2, HKEY_LOCAL_MACHINE));
    Items().SaveHistory();
    EXPECT_EQ("SZ:GammaKey", ReadKeyValues(Installed() + "\\Items\\C")["Uninstall_Value_Name"])
        << "removable through its number: recorded under Installed";
    std::string untouched = "kept";
    EXPECT_FALSE(ReadUninstallInfo(uninstallInfo, "NoSuchValue", untouched));
    EXPECT_EQ("kept", untouched) << "written only on success";
}

TEST_F(InstallHistoryTest, InfItems_ClassItemTypeTemplatesAndModelSwitch)
{
    ASSERT_TRUE(Write("drv\\kp.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n") &&
                Write("drv\\scan.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Image\r\n") &&
                Write("drv\\bare.inf", "[Strings]\r\nA=b\r\n") && Write("EN.exe", "MZ") && Write("DE.exe", "MZ"));
    ASSERT_TRUE(Start("[ITEM_TYPE_INFO]\r\nNO_INSTALLER\r\nPRN_TYPE\r\nPRN_SECOND\r\n"
                      "[NO_INSTALLER]\r\nCLASS = Printer\r\nINSTALLER = $SRC_DIR$\\missing.exe\r\n"
                      "[PRN_TYPE]\r\nCLASS = printer\r\nINSTALLER = $SRC_DIR$\\drvinst.exe\r\n"
                      "INST_PARAM = /src \"$INF$\" /dest \"$DEST_INF$\" /I 1 /q /l $LANG_ABBR$\r\n"
                      "UNINST_PARAM = /u $SRC_INF$\r\n"
                      "[PRN_SECOND]\r\nCLASS = Printer\r\nINSTALLER = $SRC_DIR$\\inst.exe\r\nREINST_PARAM = /r\r\n"
                      "[LANGUAGE_ABBR]\r\n0x0407 = DE\r\n[ITEM_LANG_DE]\r\n0X0009 = 0x0407\r\n"
                      "[ITEM_INFO]\r\nPRN\r\nNAMED\r\nSCAN\r\nBARE\r\nGONE\r\nLOC\r\n"
                      "[LOC]\r\nDISPLAY_NAME = Local\r\nINST_CMD = $SRC_DIR$\\$LANG_ABBR$.exe\r\n"
                      "ITEM_LANG = ITEM_LANG_DE\r\n"
                      "[PRN]\r\nDISPLAY_NAME = Kp\r\nINF_FILE = $SRC_DIR$\\drv\\kp.inf\r\nDRIVER_NAME = Kp Driver\r\n"
                      "INDEX = 3\r\nITEM_LANG = ITEM_LANG_DE\r\nDEFAULT_INST_TYPE = CHK\r\n"
                      "[NAMED]\r\nDISPLAY_NAME = Named\r\nINF_FILE = $SRC_DIR$\\drv\\kp.inf\r\n"
                      "DRIVER_NAME = \"Kp Named\"\r\n"
                      "[SCAN]\r\nDISPLAY_NAME = Scan\r\nINF_FILE = $SRC_DIR$\\drv\\scan.inf\r\n"
                      "[BARE]\r\nDISPLAY_NAME = Bare\r\nINF_FILE = $SRC_DIR$\\drv\\bare.inf\r\n"
                      "[GONE]\r\nDISPLAY_NAME = Gone\r\nINF_FILE = $SRC_DIR$\\drv\\gone.inf\r\n"));
    (void)m_logTexts.Take();
    ASSERT_TRUE(Items().ReadItems());
    ASSERT_EQ(2u, Items().GetItemTypes().size()) << "a type whose installer is missing is dropped";
    const std::vector<std::string> lines = m_logTexts.Take();
    const std::string src = m_src;
    for (const std::string& line :
         {"there is no matched inf installer section [" + src + "\\drv\\scan.inf]",
          "Get Class Name from " + src + "\\drv\\bare.inf Inf file fail [Bare]",
          "[Gone] Inf name[" + src + "\\drv\\gone.inf] and installation command[] are invalid!!!"})
    {
        EXPECT_TRUE(Contains(lines, line)) << "log line: " << line;
    }
    ASSERT_EQ(3, Items().GetCount()) << "PRN and NAMED are INF items, LOC a program item";
    EXPECT_EQ(src + "\\EN.exe", Items().GetItemAt(2)->instCmd) << "read in the installer's language first";

    const std::string dest = m_env->GetDestInstallDir();
    const ITEM_RECORD* item = Items().GetItemAt(0);
    EXPECT_TRUE(item->infItem);
    EXPECT_EQ(dest + "\\drv\\kp.inf", item->destInfPath);
    EXPECT_EQ(dest + "\\drvinst.exe", item->instCmd) << "the installer under the destination";
    EXPECT_EQ(item->instCmd, item->uninstCmd);
    EXPECT_EQ("", item->reinstCmd) << "the first type of the class wins, and it has no reinstall template";
    EXPECT_EQ("/src \"" + src + "\\drv\\kp.inf\" /dest \"" + dest + "\\drv\\kp.inf\"  /q /l DE /I 3", item->instParam)
        << "templates substituted, expanded in the item language, old /I replaced";
    EXPECT_EQ("/u " + src + "\\drv\\kp.inf /I 3", item->uninstParam);
    EXPECT_EQ("/src \"" + src + "\\drv\\kp.inf\" /dest \"" + dest + "\\drv\\kp.inf\" /I 1 /q /l EN /O \"Kp Named\"",
              Items().GetItemAt(1)->instParam)
        << "no INDEX: the driver name without its quotes in an /O switch";

    EXPECT_TRUE(Items().WriteItemInfo());
    const Values record = ReadKeyValues(ItemKey("PRN"));
    EXPECT_EQ("SZ:" + dest + "\\drvinst.exe", record.at("InstCmd"));
    EXPECT_EQ("SZ:" + item->instParam, record.at("InstParam"));
    EXPECT_EQ("SZ:" + src + "\\drv\\kp.inf", record.at("Inf_Path"));
    EXPECT_EQ("SZ:DE", record.at("LangAbbr"));
    EXPECT_EQ("DW:1031", record.at("LangCode"));
    EXPECT_EQ("SZ:" + src + "\\DE.exe", ReadKeyValues(ItemKey("LOC")).at("InstCmd"))
        << "the history re-reads the command in the item's language";
}
