// The printer manager against the spooler itself: queues made as a driver installer makes them, every
// change checked by enumerating the spooler.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "env/Platform.h"
#include "env/SourceMedia.h"
#include "printer/MyPrinter.h"
#include "support/LogLines.h"
#include "support/TempDir.h"
#include "support/TestHelpers.h"
#include "support/TestPrinterQueue.h"

namespace
{
bool ContainsPrefix(const std::vector<std::string>& lines, const std::string& prefix)
{
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.compare(0, prefix.size(), prefix) == 0; });
}

std::string SystemDefault()
{
    char name[MAX_PATH + 1] = {};
    DWORD size = sizeof(name);
    return ::GetDefaultPrinterA(name, &size) ? name : "";
}

class PrinterSpoolerTest : public ::testing::Test
{
protected:
    PrinterSpoolerTest() : m_override(m_dir.Path()), m_queues(TestQueueName("Driver"))
    {
        (void)m_log.OpenLogFile();
        PrinterSystem system;
        (void)GetOsVersionCode(system.osCode, system.osClass);
        m_printers.SetSystem(system);
    }

    void SetClass(int osClass, int osCode)
    {
        PrinterSystem system = m_printers.GetSystem();
        system.osClass = osClass;
        system.osCode = osCode;
        m_printers.SetSystem(system);
    }

    // A record of a queue the driver installer has created under the driver name.
    PRINTER_RECORD Installed(const std::string& queue, const std::string& printerName, int itemIndex)
    {
        PRINTER_RECORD record;
        record.driverName = queue;
        record.printerName = printerName;
        record.itemIndex = itemIndex;
        record.installed = true;
        return record;
    }

    CTempDir m_dir;
    CTempDirOverride m_override;
    CLog m_log;
    CLogLines m_lines{m_log};
    CTestPrinterQueues m_queues;
    CMyPrinter m_printers{m_log};
};
}  // namespace

TEST_F(PrinterSpoolerTest, SetDefaultPrinter_EachSystemFamily)
{
    ASSERT_TRUE(m_queues.IsAdded()) << "AddPrinterDriverEx error " << ::GetLastError();
    const std::string one = TestQueueName("Default One");
    const std::string two = TestQueueName("Default Two");
    ASSERT_TRUE(m_queues.Add(one) && m_queues.Add(two)) << "AddPrinter error " << ::GetLastError();

    // The running family first: what the installer does on this system.
    int osCode = 0;
    int osClass = 0;
    ASSERT_TRUE(GetOsVersionCode(osCode, osClass));
    EXPECT_TRUE(m_printers.SetDefaultPrinter(one)) << "running family " << osClass;
    if (osClass == OSCLASS_9X)
    {
        EXPECT_NE(0u, FindTestQueue(one).attributes & PRINTER_ATTRIBUTE_DEFAULT) << "the 9x default attribute";
    }
    else
    {
        EXPECT_EQ(one, SystemDefault()) << "the running system's default printer";
    }
    EXPECT_TRUE(Contains(m_lines.New(), "Set Default Printer (" + one + ") Success"));

    SetClass(OSCLASS_NT5, OS_WINXP);
    EXPECT_TRUE(m_printers.SetDefaultPrinter(two));
    EXPECT_EQ(two, SystemDefault()) << "SetDefaultPrinterA";

    CMyPrinter::OptionalEntries missing;
    missing.setDefaultPrinter = "KvNoSuchSetDefaultPrinter";
    m_printers.SetOptionalEntries(missing);
    const bool byRegistry = m_printers.SetDefaultPrinter(one);
    std::string device;
    const bool hasDevice = ReadRegistryText(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices",
                                            one.c_str(), device) == ERROR_SUCCESS && !device.empty();
    ASSERT_TRUE(hasDevice) << "the spooler keeps the queue's device entry for the current user";
    EXPECT_TRUE(byRegistry) << "without SetDefaultPrinterA the registry way";
    EXPECT_EQ(one, SystemDefault()) << "the registry way, seen by the spooler";

    SetClass(OSCLASS_NT4, OS_NT4);
    EXPECT_TRUE(m_printers.SetDefaultPrinter(two)) << "NT 4: the registry way";
    char written[MAX_PATH + 1] = {};
    ::GetProfileStringA("Windows", "Device", "", written, MAX_PATH);
    std::string twoDevice;
    (void)ReadRegistryText(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices", two.c_str(),
                           twoDevice);
    EXPECT_EQ(two + "," + twoDevice, written) << "Device = printer,device entry";
    EXPECT_EQ(two, SystemDefault());

    m_lines.New();
    SetClass(OSCLASS_9X, OS_WIN98);
    EXPECT_TRUE(m_printers.SetDefaultPrinter(one)) << "Windows 9x: the default attribute";
    EXPECT_NE(0u, FindTestQueue(one).attributes & PRINTER_ATTRIBUTE_DEFAULT) << "the queue carries the attribute";
    EXPECT_TRUE(Contains(m_lines.New(), "Set Default Printer (" + one + ") Success"));

    SetClass(OSCLASS_WIN32S, OS_WIN32S);
    EXPECT_FALSE(m_printers.SetDefaultPrinter(one)) << "other families fail";
    EXPECT_TRUE(Contains(m_lines.New(), "Set Default Printer (" + one + ") fail"));
    EXPECT_FALSE(m_printers.SetDefaultPrinter("")) << "an empty name";

    SetClass(OSCLASS_9X, OS_WIN98);
    EXPECT_FALSE(m_printers.SetDefaultPrinter(TestQueueName("No Such Queue")));
    const std::vector<std::string> missingLines = m_lines.New();
    EXPECT_TRUE(ContainsPrefix(missingLines, "OpenPrinter (" + TestQueueName("No Such Queue") + ")"));
    EXPECT_TRUE(Contains(missingLines, "Set Default Printer (" + TestQueueName("No Such Queue") + ") fail"));
}

TEST_F(PrinterSpoolerTest, DefaultPrinterStep_LastInstalledDefaultWins)
{
    ASSERT_TRUE(m_queues.IsAdded());
    const std::string first = TestQueueName("Step First");
    const std::string second = TestQueueName("Step Second");
    const std::string third = TestQueueName("Step Third");
    ASSERT_TRUE(m_queues.Add(first) && m_queues.Add(second) && m_queues.Add(third));
    SetClass(OSCLASS_NT5, OS_WINXP);

    EXPECT_FALSE(m_printers.DefaultPrinterStep(true)) << "no record";
    PRINTER_RECORD a = Installed(first, first, 1);
    PRINTER_RECORD b = Installed(second, second, 2);
    PRINTER_RECORD c = Installed(third, third, 3);
    a.defaultPrinter = b.defaultPrinter = c.defaultPrinter = true;
    c.installed = false;                                          // its item failed
    ASSERT_TRUE(m_printers.AddRecord(a) && m_printers.AddRecord(b) && m_printers.AddRecord(c));

    EXPECT_TRUE(m_printers.DefaultPrinterStep(false)) << "by printer name";
    EXPECT_EQ(second, SystemDefault()) << "the later installed default-flagged record in list order";
    EXPECT_TRUE(m_printers.DefaultPrinterStep(true)) << "by driver name, the INF copy failing does not matter";
    EXPECT_EQ(second, SystemDefault());
}

TEST_F(PrinterSpoolerTest, PortShareAndRename_CheckedByEnumeration)
{
    ASSERT_TRUE(m_queues.IsAdded());
    const std::string plain = TestQueueName("Plain");
    const std::string shared = TestQueueName("Shared");
    const std::string sameName = TestQueueName("Same");
    ASSERT_TRUE(m_queues.Add(plain) && m_queues.Add(shared) && m_queues.Add(sameName));

    PRINTER_RECORD a = Installed(plain, TestQueueName("Renamed"), 1);
    a.portName = "LPT2:";
    a.portValid = true;
    PRINTER_RECORD b = Installed(shared, shared, 2);
    b.sharePrinter = true;
    b.shareName = "KVSHARE" + std::to_string(::GetCurrentProcessId());
    b.portName = "LPT1:";                                          // port not valid: left alone
    PRINTER_RECORD c = Installed(sameName, sameName, 3);
    c.sharePrinter = true;                                          // no share name: not shared
    c.printerName = sameName;
    ASSERT_TRUE(m_printers.AddRecord(a) && m_printers.AddRecord(b) && m_printers.AddRecord(c));

    EXPECT_TRUE(m_printers.SetPortOfEachPrinter());
    EXPECT_EQ("LPT2:", FindTestQueue(plain).port) << "a valid port is set";
    EXPECT_EQ("FILE:", FindTestQueue(shared).port) << "a port that is not valid is not";
    EXPECT_TRUE(Contains(m_lines.New(), "Set " + plain + " Printer port as LPT2: successfully!"));

    EXPECT_TRUE(m_printers.SharePrinters());
    const TestQueueState sharedState = FindTestQueue(shared);
    EXPECT_EQ(b.shareName, sharedState.share);
    EXPECT_NE(0u, sharedState.attributes & PRINTER_ATTRIBUTE_SHARED) << "the shared bit";
    EXPECT_EQ(0u, FindTestQueue(sameName).attributes & PRINTER_ATTRIBUTE_SHARED) << "no share name, no sharing";
    EXPECT_TRUE(Contains(m_lines.New(), "Share " + shared + " Printer with " + b.shareName +
                                            " share name successfully!"));

    EXPECT_TRUE(m_printers.RenamePrinters());
    EXPECT_TRUE(FindTestQueue(TestQueueName("Renamed")).found) << "renamed from the driver name";
    EXPECT_FALSE(FindTestQueue(plain).found);
    EXPECT_TRUE(FindTestQueue(sameName).found) << "equal names: no call, done";
    const std::vector<std::string> renameLines = m_lines.New();
    EXPECT_TRUE(Contains(renameLines, "Set " + plain + " Printer name as " + TestQueueName("Renamed") +
                                          " successfully!"));
    EXPECT_EQ(1, std::count_if(renameLines.begin(), renameLines.end(),
                               [](const std::string& l) { return l.find("Printer name as") != std::string::npos; }))
        << "one rename only";
}

TEST_F(PrinterSpoolerTest, BadNamesAndPorts_LoggedNothingHalfChanged)
{
    ASSERT_TRUE(m_queues.IsAdded());
    const std::string queue = TestQueueName("Bad");
    ASSERT_TRUE(m_queues.Add(queue));
    const std::string missing = TestQueueName("Missing");

    struct Case
    {
        std::string newName;
        bool accepted;
    } cases[] = {
        {std::string(221, 'n'), false},           // over the spooler's limit
        {"Comma, Printer", false},                 // characters the spooler refuses
        {"Back\\slash", false},
    };
    for (const Case& c : cases)
    {
        m_printers.ClearList();
        ASSERT_TRUE(m_printers.AddRecord(Installed(queue, c.newName, 1)));
        EXPECT_EQ(c.accepted, m_printers.RenamePrinters()) << c.newName.substr(0, 20);
        EXPECT_TRUE(FindTestQueue(queue).found) << "the queue keeps its name";
        EXPECT_TRUE(ContainsPrefix(m_lines.New(), "SetPrinter (" + c.newName + ")")) << "logged with the error";
    }

    // A share name another queue has taken already.
    const std::string second = TestQueueName("Bad Second");
    ASSERT_TRUE(m_queues.Add(second));
    m_printers.ClearList();
    PRINTER_RECORD first = Installed(queue, queue, 1);
    first.sharePrinter = true;
    first.shareName = "KVTAKEN" + std::to_string(::GetCurrentProcessId());
    PRINTER_RECORD taken = Installed(second, second, 2);
    taken.sharePrinter = true;
    taken.shareName = first.shareName;
    ASSERT_TRUE(m_printers.AddRecord(first) && m_printers.AddRecord(taken));
    // This platform's spooler takes the name twice; a spooler that refuses it fails the second queue
    // alone, logged with its error.
    EXPECT_TRUE(m_printers.SharePrinters());
    EXPECT_EQ(first.shareName, FindTestQueue(queue).share) << "the first queue keeps its share";

    // A name at the spooler's limit is taken.
    m_printers.ClearList();
    const std::string longest = std::string(CMyPrinter::kMaxPrinterName - 4, 'L') + "Last";
    ASSERT_TRUE(m_printers.AddRecord(Installed(second, longest, 1)));
    EXPECT_TRUE(m_printers.RenamePrinters());
    EXPECT_TRUE(FindTestQueue(longest).found) << "renamed to the longest name";

    // A queue the driver installer did not create: every step logs and goes on with the next record.
    m_printers.ClearList();
    PRINTER_RECORD gone = Installed(missing, TestQueueName("Gone Renamed"), 1);
    gone.portValid = true;
    gone.portName = "LPT3:";
    gone.sharePrinter = true;
    gone.shareName = "KVGONE";
    PRINTER_RECORD good = Installed(queue, queue, 2);
    good.portValid = true;
    good.portName = "LPT3:";
    ASSERT_TRUE(m_printers.AddRecord(gone) && m_printers.AddRecord(good));
    EXPECT_FALSE(m_printers.SetPortOfEachPrinter());
    EXPECT_EQ("LPT3:", FindTestQueue(queue).port) << "the next record still gets its port";
    const std::vector<std::string> portLines = m_lines.New();
    EXPECT_TRUE(ContainsPrefix(portLines, "OpenPrinter (" + missing + ")"));
    EXPECT_TRUE(Contains(portLines, "Set " + missing + " printer port to LPT3: => fail"));
    EXPECT_FALSE(m_printers.SharePrinters());
    EXPECT_FALSE(m_printers.RenamePrinters());

    // A port the spooler does not have.
    m_printers.ClearList();
    PRINTER_RECORD unknownPort = Installed(queue, queue, 1);
    unknownPort.portValid = true;
    unknownPort.portName = "KVNOPORT" + std::to_string(::GetCurrentProcessId()) + ":";
    ASSERT_TRUE(m_printers.AddRecord(unknownPort));
    // The spooler of this platform takes a port it does not know (a later job to it fails); the step
    // must not stop or corrupt the queue either way.
    EXPECT_TRUE(m_printers.SetPortOfEachPrinter());
    EXPECT_EQ(unknownPort.portName, FindTestQueue(queue).port);
}

TEST_F(PrinterSpoolerTest, Enumerations_PrintersPortsDefaultAndNamesInUse)
{
    ASSERT_TRUE(m_queues.IsAdded());
    const std::string queue = TestQueueName("Enum");
    const std::string other = TestQueueName("Enum Other");
    ASSERT_TRUE(m_queues.Add(queue) && m_queues.Add(other));

    std::vector<std::string> names;
    ASSERT_GE(m_printers.GetPrintersInThisComputer(&names), 2);
    EXPECT_TRUE(Contains(names, queue) && Contains(names, other));

    std::vector<std::string> ports;
    ASSERT_TRUE(m_printers.GetLocalPorts(&ports));
    EXPECT_TRUE(Contains(ports, "LPT1:") && Contains(ports, "FILE:"));
    EXPECT_FALSE(std::any_of(ports.begin(), ports.end(), [](const std::string& p) { return p.find("COM") == 0; }))
        << "no COM ports";

    ASSERT_TRUE(::SetDefaultPrinterA(other.c_str()));
    std::string name;
    EXPECT_TRUE(m_printers.GetSystemDefaultPrinter(&name));
    EXPECT_EQ(other, name) << "GetDefaultPrinterA";
    CMyPrinter::OptionalEntries missing;
    missing.getDefaultPrinter = "KvNoSuchGetDefaultPrinter";
    m_printers.SetOptionalEntries(missing);
    name = "untouched";
    EXPECT_FALSE(m_printers.GetSystemDefaultPrinter(&name)) << "no queue carries the default attribute";
    EXPECT_EQ("untouched", name);
    SetClass(OSCLASS_9X, OS_WIN98);
    ASSERT_TRUE(m_printers.SetDefaultPrinter(queue)) << "the attribute, as Windows 9x keeps the default";
    EXPECT_TRUE(m_printers.GetSystemDefaultPrinter(&name));
    EXPECT_EQ(queue, name) << "without the entry: the printer with the default attribute";

    struct Case
    {
        std::string name;
        std::string driverName;
        bool inUse;
    } cases[] = {
        {other, queue, true},                                          // another local queue has it
        {queue, queue, false},                                         // the queue's own name
        {TestQueueName("Free"), queue, false},
        {"KVREC " + queue, queue, true},                               // an installed record's queue
        {"KVREC " + queue, "kvrec " + queue, false},
    };
    PRINTER_RECORD record;
    record.driverName = "KVREC " + queue;
    record.installed = true;
    ASSERT_TRUE(m_printers.AddRecord(record));
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.inUse, m_printers.IsNameInUse(c.name, c.driverName)) << c.name << " / " << c.driverName;
    }
}

TEST_F(PrinterSpoolerTest, InfSignedTestAndCopy_BySystem)
{
    const std::string source = m_dir.File("src");
    const std::string infDir = m_dir.File("inf");
    const std::string systemDir = m_dir.File("system");
    ASSERT_TRUE(::CreateDirectoryA(source.c_str(), nullptr) && ::CreateDirectoryA(infDir.c_str(), nullptr) &&
                ::CreateDirectoryA(systemDir.c_str(), nullptr));
    const std::string version = "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n"
                                "ClassGUID={4D36E979-E325-11CE-BFC1-08002BE10318}\r\n";
    WriteTestFile(source + "\\kvsigned.inf", version + "CatalogFile=kvsigned.cat\r\n");
    WriteTestFile(source + "\\kvsigned.cat", "catalog");
    WriteTestFile(source + "\\kvnocat.inf", version + "CatalogFile=kvmissing.cat\r\n");
    WriteTestFile(source + "\\kvplain.inf", version);

    EXPECT_TRUE(m_printers.IsInfSigned(source + "\\kvsigned.inf"));
    EXPECT_FALSE(m_printers.IsInfSigned(source + "\\kvnocat.inf")) << "the catalog file must exist";
    EXPECT_FALSE(m_printers.IsInfSigned(source + "\\kvplain.inf"));
    EXPECT_FALSE(m_printers.IsInfSigned(source + "\\nosuch.inf"));
    const std::vector<std::string> lines = m_lines.New();
    EXPECT_TRUE(Contains(lines, "[" + source + "\\kvsigned.inf] inf is signed"));
    EXPECT_TRUE(Contains(lines, "[" + source + "\\kvplain.inf] inf is unsigned"));
    EXPECT_TRUE(ContainsPrefix(lines, "Check Inf fail!!  [OpenInf(" + source + "\\nosuch.inf)]"));

    struct Case
    {
        int osClass;
        int osCode;
        bool setSourcePath;
        const char* inf;
        bool copiedToInfDir;
        bool driverDirMade;
    } cases[] = {
        {OSCLASS_9X, OS_WIN98, false, "kvsigned.inf", true, false},
        {OSCLASS_NT4, OS_NT4, false, "kvplain.inf", true, false},
        {OSCLASS_NT5, OS_WIN2000, false, "kvplain.inf", true, false},
        {OSCLASS_NT5, OS_WINXP, false, "kvplain.inf", false, false},
        {OSCLASS_NT5, OS_WINXP, true, "kvplain.inf", true, true},
    };
    for (const Case& c : cases)
    {
        CTempDir::RemoveTree(infDir);
        CTempDir::RemoveTree(systemDir);
        ASSERT_TRUE(::CreateDirectoryA(infDir.c_str(), nullptr) && ::CreateDirectoryA(systemDir.c_str(), nullptr));
        PrinterSystem system;
        system.osClass = c.osClass;
        system.osCode = c.osCode;
        system.infDir = infDir;
        system.systemDir = systemDir;
        system.mfg = "KvTestMfg";
        system.setSourcePath = c.setSourcePath;
        m_printers.SetSystem(system);
        EXPECT_TRUE(m_printers.CopyPrinterInf(source + "\\" + c.inf)) << c.osCode << " " << c.inf;
        EXPECT_EQ(c.copiedToInfDir, TestFileExists(infDir + "\\" + c.inf)) << c.osCode << " " << c.inf;
        EXPECT_EQ(c.driverDirMade, TestFileExists(systemDir + "\\drivers\\KvTestMfg\\kvsigned.cat"))
            << "the INF's folder copied as the driver source";
    }
    PrinterSystem unknown;
    unknown.osClass = OSCLASS_9X;
    m_printers.SetSystem(unknown);
    EXPECT_FALSE(m_printers.CopyPrinterInf(source + "\\kvplain.inf")) << "no INF directory known: nothing copied";
    std::string sourcePath;
    EXPECT_EQ(ERROR_SUCCESS, ReadRegistryText(HKEY_LOCAL_MACHINE, SystemCheck::kSetupKey, "SourcePath", sourcePath));
    (void)SystemCheck::RestoreSetupSourcePath(m_printers.GetSystem().wow64);

    // A signed INF on Windows 2000 and later goes to the system through SetupCopyOEMInfA, from the
    // destination directory that takes the place of the source directory in its path.
    const std::string dest = m_dir.File("dest");
    const std::string infName = "kvsign" + std::to_string(::GetCurrentProcessId()) + ".inf";
    ASSERT_TRUE(::CreateDirectoryA(dest.c_str(), nullptr));
    WriteTestFile(source + "\\" + infName, version + "CatalogFile=kvsigned.cat\r\n");
    WriteTestFile(dest + "\\" + infName, version + "CatalogFile=kvsigned.cat\r\n; destination\r\n");
    WriteTestFile(dest + "\\kvsigned.cat", "catalog");
    PrinterSystem system;
    system.osClass = OSCLASS_NT5;
    system.osCode = OS_WINXP;
    system.sourceDir = source;
    system.destDir = dest;
    m_printers.SetSystem(system);
    char windowsDir[MAX_PATH + 1] = {};
    ::GetWindowsDirectoryA(windowsDir, MAX_PATH);
    const std::string systemInf = std::string(windowsDir) + "\\inf\\" + infName;
    EXPECT_TRUE(m_printers.CopyPrinterInf(source + "\\" + infName));
    EXPECT_NE(std::string::npos, ReadTestFile(systemInf).find("; destination")) << "copied from the destination";
    EXPECT_TRUE(m_printers.CopyPrinterInf(source + "\\" + infName)) << "a second copy: the file exists already";
    CMyPrinter::OptionalEntries missing;
    missing.setupCopyOemInf = "KvNoSuchSetupCopyOEMInf";
    m_printers.SetOptionalEntries(missing);
    EXPECT_FALSE(m_printers.CopyPrinterInf(source + "\\" + infName)) << "no SetupCopyOEMInfA";
    ::DeleteFileA(systemInf.c_str());
    ::DeleteFileA((systemInf.substr(0, systemInf.size() - 3) + "pnf").c_str());
}
