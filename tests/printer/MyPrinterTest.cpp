#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "env/Platform.h"
#include "printer/MyPrinter.h"
#include "support/LogLines.h"
#include "support/TempDir.h"
#include "support/TestHelpers.h"

namespace
{
PRINTER_RECORD Record(const std::string& driver, const std::string& printer, int itemIndex)
{
    PRINTER_RECORD record;
    record.driverName = driver;
    record.printerName = printer;
    record.infPath = "C:\\src\\" + driver + ".inf";
    record.portName = "LPT1:";
    record.itemIndex = itemIndex;
    return record;
}

class MyPrinterListTest : public ::testing::Test
{
protected:
    MyPrinterListTest() : m_override(m_dir.Path()) { (void)m_log.OpenLogFile(); }

    CTempDir m_dir;
    CTempDirOverride m_override;
    CLog m_log;
    CMyPrinter m_printers{m_log};
};
}  // namespace

TEST_F(MyPrinterListTest, AddGetPut_TenRecordsAtMostAndPositionsBounded)
{
    for (int i = 0; i < 11; ++i)
    {
        const bool added = m_printers.AddRecord(Record("Drv" + std::to_string(i), "Prn", 20 + i));
        EXPECT_EQ(i < 10, added) << "record " << i << ": only ten are held";
    }
    EXPECT_EQ(10, m_printers.GetCount());
    EXPECT_EQ(9, m_printers.GetRecord(9).position) << "the position is the index in the list";
    EXPECT_EQ("Drv9", m_printers.GetRecord(9).driverName);
    for (int position : {-1, 10, 1000})
    {
        const PRINTER_RECORD empty = m_printers.GetRecord(position);
        EXPECT_TRUE(empty.driverName.empty() && empty.position == -1 && empty.itemIndex == -1)
            << "position " << position << " gives an empty record";
        PRINTER_RECORD outside = Record("X", "Y", 1);
        outside.position = position;
        EXPECT_FALSE(m_printers.PutRecord(outside)) << "position " << position << " stores nothing";
    }
    PRINTER_RECORD changed = m_printers.GetRecord(3);
    changed.printerName = std::string(20000, 'n');
    EXPECT_TRUE(m_printers.PutRecord(changed));
    EXPECT_EQ(CMyPrinter::kMaxText, m_printers.GetRecord(3).printerName.size()) << "texts are cut, not overrun";

    m_printers.ClearList();
    EXPECT_EQ(0, m_printers.GetCount());
    EXPECT_EQ(-1, m_printers.GetRecord(0).itemIndex) << "cleared records are empty";
    EXPECT_TRUE(m_printers.AddRecord(Record("A", "B", 1))) << "room again after clearing";
}

TEST_F(MyPrinterListTest, LookupsByItemDriverAndPort)
{
    PRINTER_RECORD first = Record("Alpha Drv", "Alpha", 4);
    PRINTER_RECORD second = Record("Beta Drv", "Beta", 7);
    second.defaultPrinter = true;
    ASSERT_TRUE(m_printers.AddRecord(first) && m_printers.AddRecord(second));

    EXPECT_EQ("Beta", m_printers.GetDefaultPrinterName()) << "the first default-flagged record's printer name";
    EXPECT_EQ("Beta Drv", m_printers.GetDefaultPrinterCandidate()) << "its driver name";
    EXPECT_TRUE(m_printers.MarkInstalled("BETA drv")) << "driver names compare without regard to case";
    EXPECT_FALSE(m_printers.MarkInstalled("Gamma Drv"));
    EXPECT_TRUE(m_printers.GetRecord(1).installed && !m_printers.GetRecord(0).installed);

    std::string port = "untouched";
    EXPECT_FALSE(m_printers.GetPortForItem(-1, &port)) << "-1 is no item";
    EXPECT_FALSE(m_printers.GetPortForItem(5, &port)) << "no record for item 5";
    EXPECT_EQ("untouched", port) << "the out-parameter is written only on success";
    EXPECT_TRUE(m_printers.ReplacePort("lpt1:", "IP_10.0.0.5"));
    EXPECT_TRUE(m_printers.GetPortForItem(4, &port));
    EXPECT_EQ("IP_10.0.0.5", port) << "the first record with the old port gets the new one";
    EXPECT_TRUE(m_printers.GetPortForItem(7, &port));
    EXPECT_EQ("LPT1:", port) << "only the first";
    EXPECT_FALSE(m_printers.ReplacePort("COM9:", "X"));

    CLogLines lines(m_log);
    EXPECT_FALSE(m_printers.SetPortOfAllPrinters("", true)) << "an empty port is refused";
    EXPECT_TRUE(m_printers.SetPortOfAllPrinters("USB001", true));
    EXPECT_TRUE(Contains(lines.New(), "Set all printer port as USB001 , 1"));
    EXPECT_TRUE(m_printers.GetRecord(0).portValid && m_printers.GetRecord(1).portName == "USB001");
    m_printers.ClearPortValidFlags();
    EXPECT_FALSE(m_printers.GetRecord(0).portValid || m_printers.GetRecord(1).portValid);

    m_printers.ClearList();
    ASSERT_TRUE(m_printers.AddRecord(first));
    EXPECT_EQ("", m_printers.GetDefaultPrinterName()) << "no default-flagged record";
    EXPECT_EQ("Alpha", m_printers.GetDefaultPrinterCandidate()) << "the first record's printer name instead";
}

TEST_F(MyPrinterListTest, DriverInstallerSwitches_ByFlags)
{
    struct Case
    {
        bool isDefault;
        bool share;
        bool portValid;
        const char* expected;
    } cases[] = {
        {false, false, false,
         "\"C:\\src\\Drv.inf\" /M\"Model 5\" /V\"VID_1;PID_2\" /L\"ENG\" /N\"My Printer\" /P\"FILE:\""},
        {true, true, true,
         "\"C:\\src\\Drv.inf\" /M\"Model 5\" /V\"VID_1;PID_2\" /L\"ENG\" /N\"My Printer\" /D /S\"PRN1\" /P\"LPT1:\""},
        {false, true, false,
         "\"C:\\src\\Drv.inf\" /M\"Model 5\" /V\"VID_1;PID_2\" /L\"ENG\" /N\"My Printer\" /S\"PRN1\" /P\"FILE:\""},
    };
    for (const Case& c : cases)
    {
        m_printers.ClearList();
        PRINTER_RECORD record = Record("Drv", "My Printer", 2);
        record.defaultPrinter = c.isDefault;
        record.sharePrinter = c.share;
        record.shareName = "PRN1";
        record.portValid = c.portValid;
        ASSERT_TRUE(m_printers.AddRecord(record));
        std::string switches;
        ASSERT_TRUE(m_printers.GetDriverInstallerSwitches(2, "ENG", "Model 5", "VID_1;PID_2", &switches));
        EXPECT_EQ(c.expected, switches);
    }
    std::string argument = "untouched";
    EXPECT_FALSE(m_printers.GetDriverInstallerSwitches(3, "ENG", "M", "V", &argument)) << "no record for item 3";
    EXPECT_FALSE(m_printers.GetDriverUninstallerArgument(-1, &argument));
    EXPECT_EQ("untouched", argument);
    EXPECT_TRUE(m_printers.GetDriverUninstallerArgument(2, &argument));
    EXPECT_EQ("\"C:\\src\\Drv.inf\" /U", argument);
}

TEST_F(MyPrinterListTest, InstalledPrinterNames_FitOrMinusOne)
{
    PRINTER_RECORD a = Record("A", "Printer A", 1);
    PRINTER_RECORD b = Record("B", "Printer B", 2);
    PRINTER_RECORD c = Record("C", "Printer C", 3);
    a.installed = c.installed = true;
    ASSERT_TRUE(m_printers.AddRecord(a) && m_printers.AddRecord(b) && m_printers.AddRecord(c));
    std::vector<std::string> names;
    EXPECT_EQ(2, m_printers.GetInstalledPrinterNames(&names));
    EXPECT_EQ((std::vector<std::string>{"Printer A", "Printer C"}), names) << "installed ones, in list order";

    b.installed = true;
    b.printerName = std::string(CMyPrinter::kMaxText, 'b');   // with its terminator, room for nothing else
    b.position = 1;
    ASSERT_TRUE(m_printers.PutRecord(b));
    names.clear();
    EXPECT_EQ(-1, m_printers.GetInstalledPrinterNames(&names)) << "the next name would not fit";
    EXPECT_TRUE(names.empty()) << "nothing is handed out then";
}

// The printer layer's path pieces keep a double-byte character whole (code page 932: 0x95 0x5C is one
// character whose second byte is the backslash); a forward slash separates too.
TEST(MyPrinterPathTest, DoubleByteNameEndingInBackslashByte_IsNeverCut)
{
    if (::GetACP() != 932)
    {
        GTEST_SKIP() << "needs the double-byte code page 932 of the system";
    }
    const std::string folder = "C:\\\x95\\";
    const struct
    {
        std::string infPath;
        std::string name;
        std::string folder;
    } cases[] = {
        {folder + "\\x.inf", "x.inf", folder},
        {folder, "\x95\\", "C:"},
        {folder + "/x.inf", "x.inf", folder},
        {"\x95\\", "\x95\\", ""},
    };
    for (const auto& each : cases)
    {
        EXPECT_EQ(each.name, InfFileNameOf(each.infPath)) << each.infPath;
        EXPECT_EQ(each.folder, InfFolderOf(each.infPath)) << each.infPath;
    }
}
