// The network printer list with a helper double standing in for the network helper libraries, the
// spooler's Local Port monitor for UNC ports, and supplied answers where this platform has none
// (network connections, the firewall services).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "NetHelperDouble.h"
#include "common/SimClient.h"
#include "helpers/HelperTestSupport.h"
#include "base/UserMessage.h"
#include "env/Platform.h"
#include "printer/MyPrinter.h"
#include "printer/NetPlatform.h"
#include "printer/NetPrinterList.h"
#include "printer/Spooler.h"
#include "registry/Registry.h"
#include "support/LogLines.h"
#include "support/TempDir.h"
#include "support/TestHelpers.h"
#include "support/TestPrinterQueue.h"

namespace
{
void PutEntry(BYTE* entry, const char* name, size_t nameBytes, BYTE ipLast)
{
    std::memset(entry, 0, 65);
    std::memcpy(entry + 7, name, nameBytes);
    const BYTE mac[6] = {0x00, 0x1B, 0xA9, 0x0C, 0xFF, ipLast};
    std::memcpy(entry + 47, mac, 6);
    const BYTE ip[4] = {192, 168, 1, ipLast};
    const BYTE mask[4] = {255, 255, 255, 0};
    const BYTE gateway[4] = {192, 168, 1, 1};
    std::memcpy(entry + 53, ip, 4);
    std::memcpy(entry + 57, mask, 4);
    std::memcpy(entry + 61, gateway, 4);
}

class NetPrinterListTest : public ::testing::Test
{
protected:
    NetPrinterListTest() : m_override(m_dir.Path()), m_helpers(m_log)
    {
        (void)m_log.OpenLogFile();
        CExternalFnt::Paths paths;
        const std::string helper = BesideTest("NetHelperDouble.dll");
        paths[kUtilityDll] = paths[kNetworkManagerDll] = paths[kSetIpDll] = helper;
        m_helpers.Load(paths);
        auto stateOf = reinterpret_cast<NetDoubleStateFn>(
            reinterpret_cast<void (*)()>(::GetProcAddress(m_helpers.GetModule(kSetIpDll), "NetDoubleState")));
        m_state = stateOf ? stateOf() : nullptr;
        if (m_state)
        {
            std::memset(m_state, 0, sizeof(*m_state));
        }
        m_context.osClass = OSCLASS_NT5;
        m_context.osCode = OS_WINXP;
        m_context.osDefine = "WINXP";
        m_context.mfg = "Tarnix";
        m_context.mdl = "TX-100";
        m_context.systemDir = m_dir.File("system");
        m_context.installingKey = m_vendorKey + "\\Installing";
        m_context.programName = "KvTest Installer";
        m_list.SetContext(m_context);
        m_previous = SetUserMessageHandler([this](HWND, const std::string& text, const std::string& caption, UINT type) {
            m_boxes.push_back(text);
            m_boxTypes.push_back(type);
            EXPECT_EQ("KvTest Installer", caption) << "the program name is the caption";
            return m_answer;
        });
    }
    ~NetPrinterListTest() override
    {
        (void)SetUserMessageHandler(m_previous);
        (void)CRegistry::DeleteKey(m_vendorKey.c_str(), false, HKEY_LOCAL_MACHINE);
    }

    // The data file's network definition, for the fixture's list or another.
    void LoadDefinition(const std::string& lines, CNetPrinterList* list = nullptr)
    {
        const std::string file = m_dir.File("setup.dat");
        ASSERT_TRUE(WriteTestFile(file, "[NETWORK_PRINTER_INFO]\r\n" + lines));
        CConfigProfile data;
        ASSERT_TRUE(data.Open(file.c_str(), "", "", false));
        m_loaded = (list != nullptr ? *list : m_list).Load(data, "NETWORK_PRINTER_INFO");
    }

    std::string Calls() const { return m_state ? m_state->calls : ""; }

    CTempDir m_dir;
    CTempDirOverride m_override;
    CLog m_log;
    CLogLines m_lines{m_log};
    CExternalFnt m_helpers;
    NetDoubleStateData* m_state = nullptr;
    CMyPrinter m_printers{m_log};
    CNetPrinterList m_list{m_log, m_helpers, &m_printers};
    NetPrinterContext m_context;
    const std::string m_vendorKey = "Software\\KvTestNet" + std::to_string(::GetCurrentProcessId());
    bool m_loaded = false;
    UserMessageHandler m_previous;
    std::vector<std::string> m_boxes;
    std::vector<UINT> m_boxTypes;
    int m_answer = IDNO;
};
}  // namespace

TEST(NetPrinterTextTest, AddressesEntriesAndMessageTexts)
{
    struct Case
    {
        const char* text;
        bool valid;
    } cases[] = {{"192.168.1.20", true}, {"0.0.0.0", true},      {"300.1.1.1", false}, {"1.2.3", false},
                 {"", false},            {"1.2.3.4.5", false},   {"1..2.3", false},    {"a.b.c.d", false},
                 {"1.2.3.4.", false},    {"1234.1.1.1", false}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.valid, IsIpAddressText(c.text)) << "\"" << c.text << "\"";
    }

    BYTE entry[65];
    PutEntry(entry, "TX-100 NETWORK PRINTER NAME", 20, 37);   // twenty bytes and no terminator
    const NET_PRINTER_RECORD record = DecodeNetPrinterEntry(entry);
    EXPECT_EQ("TX-100 NETWORK PRINT", record.name) << "cut at twenty characters";
    EXPECT_EQ("192.168.1.37", record.address);
    EXPECT_EQ("255.255.255.0", record.subnetMask);
    EXPECT_EQ("192.168.1.1", record.gateway);
    EXPECT_EQ("001BA90CFF25", record.hardwareAddress);
    EXPECT_TRUE(record.network);

    EXPECT_EQ("Printer 1.2.3.4 does not answer (100%d)", FormatMessageText("Printer %s does not answer (100%d)",
                                                                          "1.2.3.4"))
        << "only the first %s is replaced; other format characters stay as text";
    EXPECT_EQ("no argument", FormatMessageText("no argument", "x"));
}

TEST_F(NetPrinterListTest, Load_DefinitionByOsAndLimits)
{
    LoadDefinition("NET_ID_STRING = \" TX-100\", 'TX-200' ,\tA3,A4,A5,A6,A7,A8,A9,A10,A11\r\n"
                   "MONITOR_FILE_WINXP = C:\\mon\\kvmon.dll\r\nMONITOR_NAME = Kv Monitor\r\n"
                   "MONITOR_NAME_WINXP = Kv Monitor XP\r\nSNMP_FILE = C:\\mon\\kvsnmp.dll\r\n"
                   "COPY_FILE = COPY_ONE , COPY_TWO\r\n");
    EXPECT_TRUE(m_loaded);
    const NetPrinterSettings& settings = m_list.GetSettings();
    ASSERT_EQ(10u, settings.modelIds.size()) << "the eleventh identifier is ignored";
    EXPECT_EQ("TX-100", settings.modelIds[0]) << "blanks and quotes trimmed";
    EXPECT_EQ("TX-200", settings.modelIds[1]);
    EXPECT_EQ("A3", settings.modelIds[2]);
    EXPECT_EQ("Kv Monitor XP", settings.monitorName) << "the OS-keyed name first";
    EXPECT_EQ("C:\\mon\\kvsnmp.dll", settings.snmpFile) << "the plain key as fallback";
    EXPECT_EQ((std::vector<std::string>{"COPY_ONE", "COPY_TWO"}), settings.copySections);
    EXPECT_EQ("TarnixInstallerMutex", settings.mutexName) << "the default mutex name";
    EXPECT_FALSE(settings.noMonitor);

    LoadDefinition("NET_ID_STRING = TX-100\r\nMONITOR_FILE_WIN2K = C:\\mon\\kvmon.dll\r\n"
                   "COPY_FILE = COPY_ONE\r\nNET_MUTEX_NAME = KvMutex\r\n");
    EXPECT_TRUE(m_loaded) << "no monitor file for this system is no failure";
    EXPECT_TRUE(m_list.GetSettings().noMonitor);
    EXPECT_TRUE(m_list.GetSettings().mutexName.empty() && m_list.GetSettings().copySections.empty())
        << "the keys after the monitor file are not read";

    LoadDefinition("MONITOR_FILE_WINXP = C:\\mon\\kvmon.dll\r\nNET_MUTEX_NAME = KvMutex\r\n");
    EXPECT_FALSE(m_loaded) << "a monitor file without a monitor name";
    EXPECT_EQ("KvMutex", m_list.GetSettings().mutexName);
}

TEST_F(NetPrinterListTest, LoadMessages_TextsAndMissingKeys)
{
    EXPECT_EQ("[COMMON_MESSAGES]\r\nFIXED_IP_ERROR", m_list.GetMessage("FIXED_IP_ERROR")) << "before loading";
    const std::string file = m_dir.File("kvinst.kvi");
    ASSERT_TRUE(WriteTestFile(file, "[COMMON_MESSAGES]\r\nFIXED_UNC_ERROR = Cannot reach %s\r\n"
                                    "FIXED_PRINT_NOT_MACHED =\r\n"));
    CConfigProfile config;
    ASSERT_TRUE(config.Open(file.c_str(), "", "", false));
    m_list.LoadMessages(config);
    EXPECT_EQ("Cannot reach %s", m_list.GetMessage("FIXED_UNC_ERROR"));
    EXPECT_EQ("", m_list.GetMessage("FIXED_PRINT_NOT_MACHED")) << "an empty text stays empty";
    EXPECT_EQ("[COMMON_MESSAGES]\r\nFIXED_IP_ERROR", m_list.GetMessage("FIXED_IP_ERROR")) << "a missing key";
}

TEST_F(NetPrinterListTest, SearchPrinter_NetworkThenLocalRecords)
{
    ASSERT_NE(nullptr, m_state) << "the helper double is loaded";
    LoadDefinition("NET_ID_STRING = TX-100, PCL\r\n");
    m_state->countAnswer = 1;
    m_state->printerCount = 3;
    m_state->claimedCount = 3;
    PutEntry(m_state->entries[0], "TX-100", 6, 10);
    PutEntry(m_state->entries[1], "TX-100 Other", 12, 11);
    PutEntry(m_state->entries[2], "OTHER PRINTER NAME XX", 20, 12);
    m_state->addresses[0] = {"192.168.1.10", "MFG:Tarnix;MDL:TX-100;CMD:PCL,PJL", 0};
    m_state->addresses[1] = {"192.168.1.11", "MFG:Tarnix;MDL:TX-100;CMD:PJL", 0};
    m_state->addresses[2] = {"192.168.1.12", "", 2};
    std::memcpy(m_state->localPorts, "USB001\0LPT1:\0", 14);
    m_state->localPortCount = 2;

    EXPECT_TRUE(m_list.SearchPrinter());
    EXPECT_EQ(262u, m_list.GetCapacity()) << "room for 2n + 256 records";
    EXPECT_EQ(262u * 65, m_state->bufferSize) << "the helper is given the whole room";
    ASSERT_EQ(5, m_list.GetCount()) << "three network printers, two local ports";
    const std::vector<NET_PRINTER_RECORD>& records = m_list.GetRecords();
    EXPECT_TRUE(records[0].network && records[0].valid) << "both identifiers in the description";
    EXPECT_FALSE(records[1].valid) << "PCL missing";
    EXPECT_FALSE(records[2].valid) << "the printer does not answer";
    EXPECT_TRUE(m_list.IsFound());
    EXPECT_TRUE(!records[3].network && records[3].valid && records[3].address == "USB001" &&
                records[3].name == "Tarnix TX-100");
    const std::vector<std::string> lines = m_lines.New();
    EXPECT_TRUE(Contains(lines, "Get Set IP Printer list success [3]"));
    EXPECT_TRUE(Contains(lines, "Main ==> Printer 00 =               TX-100,(001BA90CFF0A),(192.168.  1. 10),"
                                "(255.255.255.  0),(192,168,  1,  1)"));
    EXPECT_TRUE(Contains(lines, "This IP is mismatched with PCL"));
    EXPECT_TRUE(Contains(lines, "Check IP ==> fail"));
    EXPECT_TRUE(Contains(lines, "Num Of Local Printer = 2"));
    EXPECT_TRUE(Contains(lines, "Found local port[1]  = LPT1:"));
    EXPECT_TRUE(m_boxes.empty()) << "the search shows no errors";

    // A helper that claims more printers than the buffer holds is held to the buffer.
    m_state->claimedCount = 100000;
    EXPECT_TRUE(m_list.SearchPrinter());
    EXPECT_EQ(262u, m_list.GetCapacity());
    EXPECT_EQ(8, m_list.GetCount()) << "2n network records at most, then the local ports";

    // No network printers, remote-install preparation: nothing.
    m_state->countAnswer = 0;
    m_context.remoteInstallPreparation = true;
    m_list.SetContext(m_context);
    EXPECT_FALSE(m_list.SearchPrinter());
    EXPECT_EQ(256u, m_list.GetCapacity());
    EXPECT_FALSE(m_list.IsFound());
}

// The shipped network libraries in place of the double, asking the printer simulator.
TEST_F(NetPrinterListTest, ReferenceHelpers_SimulatedPrintersFoundAndChecked)
{
    CSimulator simulator(m_dir.Path(), "sim", "LIFETIME_SECONDS=120\r\n",
                         "[PRINTER0]\r\nMODEL=TX-100 Series\r\nIP=192.168.77.10\r\nMAC=00-1B-A9-0C-FF-0A\r\n"
                         "MASK=255.255.255.0\r\nGATEWAY=192.168.77.1\r\nDEVICE_ID=MFG:Tarnix;MDL:TX-100 Series;\r\n"
                         "[PRINTER1]\r\nMODEL=QZ-9 Other\r\nIP=192.168.77.11\r\nMAC=00-1B-A9-0C-FF-0B\r\n"
                         "DEVICE_ID=MFG:Other;MDL:QZ-9;\r\n");
    ASSERT_NE(0U, simulator.Port()) << "the simulator is listening";
    CHelperCopy network(m_dir.Path(), "KvNetMan.dll", simulator.ClientSettings());
    CHelperCopy setIp(m_dir.Path(), "Setip.dll", simulator.ClientSettings());
    CExternalFnt reference(m_log);
    CExternalFnt::Paths paths;
    paths[kNetworkManagerDll] = network.Path();
    paths[kSetIpDll] = setIp.Path();
    reference.Load(paths);
    CNetPrinterList list(m_log, reference, &m_printers);
    list.SetContext(m_context);
    LoadDefinition("NET_ID_STRING = TX-100\r\n", &list);
    ASSERT_TRUE(m_loaded);

    EXPECT_TRUE(list.SearchPrinter());
    ASSERT_GE(list.GetCount(), 2);
    const std::vector<NET_PRINTER_RECORD>& records = list.GetRecords();
    EXPECT_EQ("TX-100 Series", records[0].name);
    EXPECT_EQ("192.168.77.10", records[0].address);
    EXPECT_EQ("001BA90CFF0A", records[0].hardwareAddress);
    EXPECT_EQ("255.255.255.0", records[0].subnetMask);
    EXPECT_TRUE(records[0].network);
    EXPECT_EQ("192.168.77.11", records[1].address);

    EXPECT_EQ(0, list.CheckIP("192.168.77.10", true, true)) << "our model";
    EXPECT_EQ(3, list.CheckIP("192.168.77.11", true, true)) << "another maker's printer";
    EXPECT_NE(0, list.CheckIP("192.168.77.99", true, true)) << "no printer at that address";
    const std::vector<std::string> lines = m_lines.New();
    EXPECT_TRUE(Contains(lines, "Check IP ==> MFG:Tarnix;MDL:TX-100 Series;"));
    EXPECT_TRUE(Contains(lines, "This IP is mismatched with TX-100"));

    std::vector<std::string> answer;
    EXPECT_EQ(0UL, helper::AskSimulator({static_cast<unsigned short>(simulator.Port()), 3000}, "QUIT", answer));
    EXPECT_EQ(0UL, simulator.WaitExit());
}

TEST_F(NetPrinterListTest, CheckIP_AnswersBoxesAndLogs)
{
    ASSERT_NE(nullptr, m_state);
    LoadDefinition("NET_ID_STRING = A, B\r\n");
    m_state->addresses[0] = {"10.0.0.1", "model a and b", 0};
    m_state->addresses[1] = {"10.0.0.2", "model a", 0};
    m_state->addresses[2] = {"10.0.0.3", "", 1};
    m_state->addresses[3] = {"10.0.0.4", "", 7};
    struct Case
    {
        const char* address;
        bool showErrors;
        bool quiet;
        int expected;
        size_t boxes;
        const char* line;
    } cases[] = {
        {"10.0.0.1", true, false, 0, 0, "Check IP ==> model a and b"},
        {"10.0.0.2", true, false, 3, 0, "This IP is mismatched with B"},
        {"10.0.0.3", true, false, 1, 1, "Check IP Error (10.0.0.3)"},
        {"10.0.0.3", true, true, 1, 0, "Check IP Error (10.0.0.3)"},
        {"10.0.0.4", true, false, 7, 0, "Check IP Error (10.0.0.4)"},
        {"10.0.0.3", false, false, 1, 0, "Check IP ==> fail"},
    };
    std::vector<std::string> shown;
    for (const Case& c : cases)
    {
        m_boxes.clear();
        EXPECT_EQ(c.expected, m_list.CheckIP(c.address, c.showErrors, c.quiet)) << c.address;
        shown.insert(shown.end(), m_boxes.begin(), m_boxes.end());
        EXPECT_EQ(c.boxes, m_boxes.size()) << c.address << " quiet " << c.quiet;
        EXPECT_TRUE(Contains(m_lines.New(), c.line)) << c.line;
    }
    EXPECT_EQ((std::vector<std::string>{"[COMMON_MESSAGES]\r\nFIXED_IP_ERROR"}), shown);

    CExternalFnt none(m_log);
    CNetPrinterList withoutHelper(m_log, none, nullptr);
    EXPECT_EQ(4096, withoutHelper.CheckIP("10.0.0.1", false, true)) << "no network-manager library";
}

TEST_F(NetPrinterListTest, TcpIpPorts_CreatedStoredAndReplaced)
{
    ASSERT_NE(nullptr, m_state);
    const std::string monitor = m_dir.File("kvmon.dll");
    ASSERT_TRUE(WriteTestFile(monitor, "monitor") && ::CreateDirectoryA(m_context.systemDir.c_str(), nullptr));
    LoadDefinition("NET_ID_STRING = TX\r\nMONITOR_FILE_WINXP = " + monitor +
                   "\r\nMONITOR_NAME = KvMon\r\nCOPY_FILE = ONE, TWO\r\n");
    std::vector<std::string> copied;
    m_list.SetCopySectionRunner([&](const std::string& section) { copied.push_back(section); });
    m_state->addresses[0] = {"10.0.0.1", "TX printer", 0};
    m_state->addresses[1] = {"10.0.0.2", "other printer", 0};
    m_state->setPortResult = TRUE;

    // Bad addresses never reach the helper.
    for (const char* address : {"", "300.1.1.1", "1.2.3"})
    {
        m_boxes.clear();
        EXPECT_FALSE(m_list.SetTcpIpPort(address, "IP_X", false)) << address;
        EXPECT_EQ(1u, m_boxes.size()) << address << ": FIXED_IP_ERROR shown";
    }
    EXPECT_TRUE(Contains(m_lines.New(), "Set TCP/IP .. IP is empty!!"));
    EXPECT_TRUE(Calls().empty());

    EXPECT_TRUE(m_list.SetTcpIpPort("10.0.0.1", "IP_10.0.0.1", false));
    EXPECT_EQ((std::vector<std::string>{"ONE", "TWO"}), copied) << "the copy sections run first, in order";
    EXPECT_TRUE(TestFileExists(m_context.systemDir + "\\kvmon.dll")) << "the monitor in the system directory";
    EXPECT_EQ("Set IP_10.0.0.1 10.0.0.1 KvMon kvmon.dll TarnixInstallerMutex 0\n", Calls());
    char stored[64] = {};
    const std::string portKey = m_context.installingKey + "\\Port";
    EXPECT_EQ(ERROR_SUCCESS, CRegistry::GetValue(portKey.c_str(), "NetPort_0", stored, HKEY_LOCAL_MACHINE, 64));
    EXPECT_STREQ("IP_10.0.0.1", stored);

    // Not one of the product's models: asked; No creates nothing, Yes creates after removing the first.
    m_state->calls[0] = '\0';
    m_answer = IDNO;
    EXPECT_FALSE(m_list.SetTcpIpPort("10.0.0.2", "IP_10.0.0.2", false));
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), m_boxTypes.back()) << "a question, No as default";
    EXPECT_TRUE(Contains(m_lines.New(), "[10.0.0.2] IP is not matched with this printer driver"));
    m_answer = IDYES;
    EXPECT_TRUE(m_list.SetTcpIpPort("10.0.0.2", "IP_10.0.0.2", false));
    EXPECT_EQ("Del IP_10.0.0.1 TarnixInstallerMutex 0\nSet IP_10.0.0.2 10.0.0.2 KvMon kvmon.dll TarnixInstallerMutex 0\n",
              Calls())
        << "the port stored earlier in the run is removed first";
    DWORD count = 0;
    EXPECT_EQ(ERROR_SUCCESS, CRegistry::GetValue(portKey.c_str(), "NumOfNetPort", &count, HKEY_LOCAL_MACHINE));
    EXPECT_EQ(2u, count);

    // The helper refuses; with USE_IPX the extended entry gets the IPX address.
    m_state->calls[0] = '\0';
    m_state->setPortResult = FALSE;
    m_boxes.clear();
    EXPECT_FALSE(m_list.CreateTcpIpPort("IP_10.0.0.1", "10.0.0.1", ""));
    EXPECT_EQ((std::vector<std::string>{"[COMMON_MESSAGES]\r\nFIXED_MONITOR_ERROR"}), m_boxes);
    EXPECT_TRUE(Contains(m_lines.New(), "Create TCP/IP Port Error (10.0.0.1)"));
    m_context.useIpx = true;
    m_list.SetContext(m_context);
    m_state->setPortResult = TRUE;
    m_state->ipxResult = TRUE;
    m_state->calls[0] = '\0';
    EXPECT_TRUE(m_list.CreateTcpIpPort("IP_10.0.0.1", "10.0.0.1", "001BA90CFF0A"));
    EXPECT_NE(std::string::npos,
              Calls().find("SetEx IP_10.0.0.1 10.0.0.1 001BA90CFF0A IPX-0001 KvMon kvmon.dll TarnixInstallerMutex 0"));

    // A monitor file that cannot be copied stops the port before the helper is called.
    ::DeleteFileA(monitor.c_str());
    EXPECT_FALSE(m_list.CreateTcpIpPort("IP_10.0.0.1", "10.0.0.1", ""));
}

TEST_F(NetPrinterListTest, CreatePortForRecord_LocalAndNetwork)
{
    ASSERT_NE(nullptr, m_state);
    LoadDefinition("NET_ID_STRING = TX\r\n");                          // no monitor for this system
    m_state->countAnswer = 1;
    m_state->printerCount = m_state->claimedCount = 1;
    PutEntry(m_state->entries[0], "TX", 2, 10);
    std::memcpy(m_state->localPorts, "USB001\0", 8);
    m_state->localPortCount = 1;
    m_state->setPortResult = TRUE;
    ASSERT_TRUE(m_list.SearchPrinter());

    std::string port = "untouched";
    EXPECT_FALSE(m_list.CreatePortForRecord(-1, &port));
    EXPECT_FALSE(m_list.CreatePortForRecord(2, &port));
    EXPECT_EQ("untouched", port);
    EXPECT_TRUE(m_list.CreatePortForRecord(1, &port));
    EXPECT_EQ("USB001", port) << "a local port is used as it is";
    EXPECT_TRUE(m_list.CreatePortForRecord(0, &port));
    EXPECT_EQ("IP_192.168.1.10", port);
    EXPECT_EQ("Set IP_192.168.1.10 192.168.1.10    1\n", Calls()) << "the standard TCP/IP port without a monitor";
}

TEST_F(NetPrinterListTest, AddUNCPort_BySystemFamilyAndConnection)
{
    const std::string path = "\\\\KVSERVER\\KVQUEUE" + std::to_string(::GetCurrentProcessId());
    // Without supplied answers this platform's network connection fails: the user is told.
    EXPECT_FALSE(m_list.AddUNCPort(path));
    EXPECT_EQ(1u, m_boxes.size());
    EXPECT_TRUE(Contains(m_lines.New(), "Add Network Connection")) << "the failing connection is logged";

    struct Case
    {
        int osClass;
        DWORD connection;
        bool expected;
        bool portAdded;
    } cases[] = {
        {OSCLASS_9X, ERROR_SUCCESS, true, false},     {OSCLASS_9X, ERROR_ALREADY_ASSIGNED, true, false},
        {OSCLASS_9X, ERROR_NO_NETWORK, false, false}, {OSCLASS_NT5, ERROR_ALREADY_ASSIGNED, true, false},
        {OSCLASS_NT5, ERROR_SUCCESS, true, true},     {OSCLASS_NT4, ERROR_SUCCESS, true, true},
        {OSCLASS_WIN32S, ERROR_SUCCESS, false, false},
    };
    int round = 0;
    for (const Case& c : cases)
    {
        const std::string port = path + "_" + std::to_string(round++);
        NetPlatformCalls calls = SystemNetPlatformCalls();
        calls.addConnection = [&](const std::string&, HWND) { return c.connection; };
        m_list.SetPlatformCalls(calls);
        m_context.osClass = c.osClass;
        m_list.SetContext(m_context);
        m_boxes.clear();
        EXPECT_EQ(c.expected, m_list.AddUNCPort(port)) << "class " << c.osClass << " connection " << c.connection;
        EXPECT_EQ(c.expected ? 0u : 1u, m_boxes.size()) << "FIXED_UNC_ERROR on failure";
        std::vector<std::string> ports;
        ASSERT_EQ(ERROR_SUCCESS, Spooler::EnumPortNames(&ports));
        EXPECT_EQ(c.portAdded, Contains(ports, port)) << "class " << c.osClass << ": the Local Port monitor's port";
    }
    const std::vector<std::string> lines = m_lines.New();
    EXPECT_TRUE(Contains(lines, "Add Local Port Success (" + path + "_4) [0] [0]")) << "the Windows 2000 way";
    EXPECT_TRUE(Contains(lines, "Add Local Port Success (" + path + "_5)")) << "the NT 4 way";

    // The port exists already: on NT 4 that counts as success; on Windows 2000 the monitor refuses.
    m_context.osClass = OSCLASS_NT4;
    m_list.SetContext(m_context);
    NetPlatformCalls calls = SystemNetPlatformCalls();
    calls.addConnection = [](const std::string&, HWND) { return DWORD(ERROR_SUCCESS); };
    calls.addPortEx = [](const std::string&) { return DWORD(ERROR_ALREADY_EXISTS); };
    m_list.SetPlatformCalls(calls);
    EXPECT_TRUE(m_list.AddUNCPort(path + "_5"));
    EXPECT_TRUE(Contains(m_lines.New(), "(" + path + "_5) is valid port"));
    calls.addPortEx = [](const std::string&) { return DWORD(ERROR_PROC_NOT_FOUND); };
    m_list.SetPlatformCalls(calls);
    EXPECT_FALSE(m_list.AddUNCPort(path + "_9")) << "no AddPortExW and no such port";

    m_context.osClass = OSCLASS_NT5;
    m_list.SetContext(m_context);
    calls.xcvAddPort = [](const std::string&, DWORD* status) {
        *status = kXcvNotOpened;
        return DWORD(ERROR_INVALID_PRINTER_NAME);
    };
    m_list.SetPlatformCalls(calls);
    EXPECT_FALSE(m_list.AddUNCPort(path + "_10")) << "the monitor cannot be opened";
}

TEST_F(NetPrinterListTest, ConnectUNC_DriverMatch)
{
    CTestPrinterQueues queues(TestQueueName("Tarnix TX-100 PCL 6"));
    ASSERT_TRUE(queues.IsAdded());
    const std::string shared = TestQueueName("Shared Queue");
    ASSERT_TRUE(queues.Add(shared));
    NetPlatformCalls calls = SystemNetPlatformCalls();
    calls.addConnection = [](const std::string&, HWND) { return DWORD(ERROR_ALREADY_ASSIGNED); };
    m_list.SetPlatformCalls(calls);
    m_context.osClass = OSCLASS_NT5;
    m_list.SetContext(m_context);
    ASSERT_TRUE(CRegistry::SetValue((m_context.installingKey + "\\Port").c_str(), "NumOfNetPort", DWORD(1),
                                    HKEY_LOCAL_MACHINE) == ERROR_SUCCESS &&
                CRegistry::SetValue((m_context.installingKey + "\\Port").c_str(), "NetPort_0", "IP_OLD",
                                    HKEY_LOCAL_MACHINE) == ERROR_SUCCESS);

    struct Case
    {
        std::string ownDriver;
        int answer;
        bool expected;
        size_t boxes;
    } cases[] = {
        {"Complete " + TestQueueName("Tarnix TX-100") + " PS", IDNO, true, 0},   // " PCL 6" dropped: contained
        {"Other Driver", IDNO, false, 1},                                        // asked, No
        {"Other Driver", IDYES, true, 1},                                        // asked, Yes
    };
    for (const Case& c : cases)
    {
        m_printers.ClearList();
        PRINTER_RECORD record;
        record.driverName = c.ownDriver;
        record.defaultPrinter = true;
        ASSERT_TRUE(m_printers.AddRecord(record));
        m_answer = c.answer;
        m_boxes.clear();
        if (m_state)
        {
            m_state->calls[0] = '\0';
        }
        EXPECT_EQ(c.expected, m_list.ConnectUNC(shared)) << c.ownDriver;
        EXPECT_EQ(c.boxes, m_boxes.size()) << c.ownDriver;
        if (m_state)
        {
            EXPECT_EQ(c.expected ? "Del IP_OLD  0\n" : "", Calls()) << "stored ports removed on success";
        }
    }

    m_boxes.clear();
    EXPECT_FALSE(m_list.ConnectUNC(TestQueueName("No Such Queue")));
    EXPECT_EQ((std::vector<std::string>{"[COMMON_MESSAGES]\r\nFIXED_UNC_ERROR"}), m_boxes);
    const std::vector<std::string> lines = m_lines.New();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.compare(0, 13, "Open Printer(") == 0;
    }));

    // A network provider that faults ends the step with false.
    calls.addConnection = [](const std::string&, HWND) -> DWORD {
        *static_cast<volatile int*>(nullptr) = 0;
        return 0;
    };
    m_list.SetPlatformCalls(calls);
    EXPECT_FALSE(m_list.ConnectUNC(shared));
    EXPECT_NE(std::string::npos, ReadTestFile(m_log.GetFilePath()).find("\r\n GPF occurred in ConnectUNC \r\n"));
}

TEST_F(NetPrinterListTest, Firewall_StoppedOnlyWhenRunningAndRestored)
{
    // This platform has no firewall service: nothing is stopped and the search goes on.
    m_context.stopFirewall = true;
    m_list.SetContext(m_context);
    EXPECT_FALSE(m_list.StopFirewall());
    m_list.RestoreFirewall();

    struct Case
    {
        int osCode;
        bool option;
        DWORD state;
        const char* service;
        bool stopped;
    } cases[] = {
        {OS_WINXP, true, SERVICE_RUNNING, "SharedAccess", true}, {OS_VISTA, true, SERVICE_RUNNING, "mpssvc", true},
        {OS_VISTA, true, SERVICE_STOPPED, "mpssvc", false},      {OS_WINXP, false, SERVICE_RUNNING, "", false},
        {OS_WIN2000, true, SERVICE_RUNNING, "", false},
    };
    for (const Case& c : cases)
    {
        std::vector<std::string> calls;
        NetPlatformCalls platform = SystemNetPlatformCalls();
        platform.queryService = [&](const char* name, DWORD* state) {
            calls.push_back(std::string("query ") + name);
            *state = c.state;
            return DWORD(ERROR_SUCCESS);
        };
        platform.stopService = [&](const char* name, DWORD* state) {
            calls.push_back(std::string("stop ") + name);
            return DWORD(ERROR_SUCCESS);
        };
        platform.startService = [&](const char* name, DWORD* state) {
            calls.push_back(std::string("start ") + name);
            return DWORD(ERROR_SUCCESS);
        };
        m_list.SetPlatformCalls(platform);
        m_context.osCode = c.osCode;
        m_context.stopFirewall = c.option;
        m_list.SetContext(m_context);
        EXPECT_EQ(c.stopped, m_list.StopFirewall()) << c.osCode << " " << c.service;
        EXPECT_EQ(c.stopped, Contains(calls, std::string("stop ") + c.service));
        calls.clear();
        (void)m_list.SearchPrinter();
        EXPECT_EQ(c.stopped, Contains(calls, std::string("start ") + c.service))
            << "the search restores what it stopped";
    }
}
