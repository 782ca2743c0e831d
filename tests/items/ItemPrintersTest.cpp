#include "items/Item.h"

#include <gtest/gtest.h>

#include <string>

#include "items/ItemTestSupport.h"
#include "printer/MyPrinter.h"
#include "support/TestPrinterQueue.h"

namespace
{
class ItemPrintersTest : public ItemProductTest
{
protected:
    void SetUp() override
    {
        ItemProductTest::SetUp();
        ASSERT_TRUE(Write("inst.exe", "MZ") && Write("drvinst.exe", "MZ") &&
                    Write("drv\\kp.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n"));
    }

    // Twelve printer items P0..P11, all checked but P1; P0 is an INF item with an install parameter.
    std::string PrinterItems(const std::string& extra) const
    {
        std::string text = "[OPTION]\r\nAUTO_PRINTER_CMD = 1\r\n[ITEM_TYPE_INFO]\r\nPRN_TYPE\r\n"
                           "[PRN_TYPE]\r\nCLASS = Printer\r\nINSTALLER = $SRC_DIR$\\drvinst.exe\r\n"
                           "INST_PARAM = /M x /P y /V z\r\nUNINST_PARAM = /quiet\r\n[ITEM_INFO]\r\n";
        std::string sections;
        for (int index = 0; index < 12; ++index)
        {
            const std::string n = std::to_string(index);
            text += "P" + n + "\r\n";
            sections += "[P" + n + "]\r\nDISPLAY_NAME = Printer " + n + "\r\nDRIVER_NAME = " + m_driver + " " + n +
                        "\r\nPRINTER_NAME = Kp " + n + "\r\nDEFAULT_INST_TYPE = " + (index == 1 ? "UNCHK" : "CHK") +
                        "\r\n" +
                        (index == 0 ? "INF_FILE = $SRC_DIR$\\drv\\kp.inf\r\nDEFAULT_PRINTER = 1\r\nINDEX = 2\r\n"
                                    : "INST_CMD = $SRC_DIR$\\inst.exe\r\n");
        }
        return text + sections + extra;
    }

    std::string m_driver = TestQueueName("Items Driver");
};
}  // namespace

TEST_F(ItemPrintersTest, PrinterList_SwitchesAndPortChange)
{
    ASSERT_TRUE(Start(PrinterItems("")));
    CMyPrinter printers(m_log);
    CItem items(m_log, *m_env);
    items.SetPrinterManager(&printers);
    ASSERT_TRUE(items.ReadItems());
    ASSERT_EQ(12, items.GetCount());

    EXPECT_TRUE(items.WriteItemInfo());
    ASSERT_EQ(10, printers.GetCount()) << "eleven checked printer items: the eleventh gets no record";
    const PRINTER_RECORD first = printers.GetRecord(0);
    EXPECT_EQ(m_driver + " 0", first.driverName);
    EXPECT_EQ("Kp 0", first.printerName);
    EXPECT_EQ(m_env->GetDestInstallDir() + "\\drv\\kp.inf", first.infPath) << "the destination INF path";
    EXPECT_TRUE(first.defaultPrinter);
    EXPECT_EQ(0, first.itemIndex);
    EXPECT_EQ(2, printers.GetRecord(1).itemIndex) << "P1 is not checked";
    EXPECT_EQ(1, printers.GetRecord(1).position);
    std::string port;
    EXPECT_FALSE(printers.GetPortForItem(11, &port)) << "P11 is beyond the tenth record";

    // The list exists now, so a second write gives the driver installer's switches before the parameters.
    EXPECT_TRUE(items.WriteItemInfo());
    std::string switches;
    std::string uninstallArgument;
    ASSERT_TRUE(printers.GetDriverInstallerSwitches(0, items.GetItemAt(0)->langAbbr, m_env->GetMdl(),
                                                    m_env->GetVidPid(), &switches));
    ASSERT_TRUE(printers.GetDriverUninstallerArgument(0, &uninstallArgument));
    EXPECT_NE(std::string::npos, switches.find("/P\"FILE:\"")) << switches;
    std::map<std::string, std::string> record = ReadKeyValues(ItemKey("P0"));
    EXPECT_EQ("SZ:" + switches + " /M x /P y /V z /I 2", record["InstParam"]) << "the model switch of INDEX too";
    EXPECT_EQ("SZ:" + uninstallArgument + " /quiet /I 2", record["UninstParam"]);
    EXPECT_EQ("SZ:Kp 0", ReadKeyValues(Installing())["Default_Printer"]);

    items.BuildPrinterList(false);
    EXPECT_EQ(1, printers.GetRecord(1).itemIndex) << "not by check state: P1 has a record";

    EXPECT_FALSE(items.ChangePrinterParameter(0)) << "Setup_Type cannot be read";
    ASSERT_EQ(ERROR_SUCCESS, CRegistry::SetValue(Installing().c_str(), "Setup_Type", 2, HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(items.ChangePrinterParameter(0));
    EXPECT_EQ("/M x /P y /V z /I 2", items.GetItemAt(0)->instParam) << "an uninstall changes nothing";
    ASSERT_EQ(ERROR_SUCCESS, CRegistry::SetValue(Installing().c_str(), "Setup_Type", 1, HKEY_LOCAL_MACHINE));
    ASSERT_TRUE(printers.SetPortOfAllPrinters("USB001", true));
    (void)m_logTexts.Take();
    EXPECT_TRUE(items.ChangePrinterParameter(0));
    EXPECT_FALSE(items.ChangePrinterParameter(12)) << "a bad index";
    const std::string changed = "/M x  /V z /I 2 /P\"USB001\"";
    EXPECT_EQ(changed, items.GetItemAt(0)->instParam) << "the item's own port switch names the new port";
    std::string newSwitches;
    ASSERT_TRUE(printers.GetDriverInstallerSwitches(0, items.GetItemAt(0)->langAbbr, m_env->GetMdl(),
                                                    m_env->GetVidPid(), &newSwitches));
    EXPECT_NE(std::string::npos, newSwitches.find("/P\"USB001\"")) << newSwitches;
    EXPECT_EQ("SZ:" + newSwitches + " " + changed, ReadKeyValues(ItemKey("P0"))["InstParam"])
        << "the record keeps the driver installer's switches, made again with the new port";
    EXPECT_TRUE(Contains(m_logTexts.Take(), "Modify install param of printer[Printer 0] from [/M x /P y /V z /I 2] to [" +
                                                newSwitches + " " + changed + "]"));
}

TEST_F(ItemPrintersTest, IsInstalled_PrinterDriverOrQueue)
{
    ASSERT_TRUE(Start("[ITEM_INFO]\r\nP\r\n[P]\r\nDISPLAY_NAME = Kp\r\nINST_CMD = $SRC_DIR$\\inst.exe\r\nDRIVER_NAME = " +
                      m_driver + "\r\n"));
    CItem items(m_log, *m_env);
    ASSERT_TRUE(items.ReadItems());
    EXPECT_FALSE(items.IsInstalled("P", nullptr, false)) << "no such driver yet";
    CTestPrinterQueues queues(m_driver);
    ASSERT_TRUE(queues.IsAdded()) << "the test driver is installed";
    EXPECT_TRUE(items.IsInstalled("p", nullptr, false)) << "the driver is installed";
    EXPECT_FALSE(items.IsInstalled("P", nullptr, true)) << "no printer uses it yet";
    EXPECT_FALSE(items.AnyInstalled());
    ASSERT_TRUE(queues.Add(TestQueueName("Items Queue")));
    EXPECT_TRUE(items.IsInstalled("P", nullptr, true)) << "a local printer uses the driver";
    EXPECT_TRUE(items.AnyInstalled());
}
