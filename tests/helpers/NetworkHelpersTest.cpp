// The printer simulator (KvPrnSim.exe) and the libraries that talk to it or to the spooler: network
// manager, set-address, remote install, diagnosis and test pages, pre-installer.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "external/HelperApi.h"
#include "common/SimClient.h"
#include "helpers/HelperTestSupport.h"

namespace
{
const char* kPrinters = "[PRINTER0]\r\nMODEL=KP-3100 Series\r\nIP=192.168.77.10\r\nMAC=00-80-92-31-00-01\r\n"
                        "MASK=255.255.255.0\r\nGATEWAY=192.168.77.1\r\nDEVICE_ID=MFG:Kestrow;MDL:KP-3100 Series;\r\n"
                        "IPX=00000000:008092310001\r\n"
                        "[PRINTER1]\r\nMODEL=KP-9 Other\r\nIP=192.168.77.11\r\nMAC=00-80-92-31-00-02\r\nSETIP_RESULT=5\r\n"
                        "[REMOTE]\r\nREFUSE=PC2\r\n";

std::string Dotted(const BYTE* bytes)
{
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) + "." +
           std::to_string(bytes[3]);
}
}  // namespace

TEST(NetworkHelpersTest, SimulatedPrinters_AnswerTheNetworkLibraries)
{
    CTempDir dir;
    CTempRedirect temp(dir.Path());
    CSimulator simulator(dir.Path(), "sim", "LIFETIME_SECONDS=120\r\n", kPrinters);
    ASSERT_NE(0U, simulator.Port()) << "the simulator is listening";
    CHelperCopy network(dir.Path(), "KvNetMan.dll", simulator.ClientSettings());
    CHelperCopy setIp(dir.Path(), "Setip.dll", simulator.ClientSettings());
    CHelperCopy remote(dir.Path(), "Kvrmtint.dll", simulator.ClientSettings());
    const auto getList = setIp.Entry<GetNetPrinterFn>("GetNetPrinter");
    const auto getDesc = network.Entry<MyGetPrinterDescFn>("MyGetPrinterDesc");

    WriteTestFile(dir.Path() + "\\busy.ini", "[SIMULATOR]\r\nPORT=" + std::to_string(simulator.Port()) + "\r\n");
    EXPECT_EQ(10048UL, RunAndWait("\"" + simulator.Program() + "\" \"" + dir.Path() + "\\busy.ini\""))
        << "a second simulator on a port in use";

    DWORD count = 0;
    EXPECT_EQ(1, getList(nullptr, 0, &count)) << "no buffer: the count";
    EXPECT_EQ(2UL, count);
    std::vector<BYTE> entries(2 * kNetPrinterEntrySize, 0xCC);
    EXPECT_EQ(0, getList(entries.data(), kNetPrinterEntrySize, &count)) << "room for one";
    EXPECT_EQ(1UL, count);
    EXPECT_EQ(0xCC, entries[kNetPrinterEntrySize]) << "nothing written beyond the room given";
    EXPECT_EQ(0, getList(entries.data(), static_cast<DWORD>(entries.size()), &count));
    EXPECT_EQ(2UL, count);
    EXPECT_EQ("KP-3100 Series", std::string(reinterpret_cast<char*>(&entries[7]), 14));
    EXPECT_EQ(0x80, entries[48]) << "MAC address bytes 47..52";
    EXPECT_EQ(0x01, entries[52]);
    EXPECT_EQ("192.168.77.10", Dotted(&entries[53]));
    EXPECT_EQ("255.255.255.0", Dotted(&entries[57]));
    EXPECT_EQ("192.168.77.1", Dotted(&entries[61]));

    std::vector<char> desc(kPrinterDescBufferSize, 'x');
    EXPECT_EQ(0, getDesc("192.168.77.10", desc.data(), FALSE));
    EXPECT_STREQ("MFG:Kestrow;MDL:KP-3100 Series;", desc.data());
    EXPECT_EQ(2, getDesc("192.168.77.99", desc.data(), FALSE)) << "no printer at that address";
    char ipx[kIpxAddressBufferSize] = {};
    EXPECT_TRUE(network.Entry<MyGetIPXFn>("MyGetIPX")("192.168.77.10", ipx));
    EXPECT_STREQ("00000000:008092310001", ipx);

    const auto set = setIp.Entry<SetIPFn>("SetIP");
    EXPECT_EQ(0, set("192.168.77.50", "192.168.77.1", "255.255.0.0", "00-80-92-31-00-01")) << "address taken";
    EXPECT_EQ(0, getDesc("192.168.77.50", desc.data(), FALSE)) << "the printer answers on its new address";
    EXPECT_EQ(5, set("192.168.77.51", "192.168.77.1", "255.255.0.0", "00-80-92-31-00-02")) << "the printer's refusal";
    EXPECT_EQ(2, set("192.168.77.52", "192.168.77.1", "255.255.0.0", "00-00-00-00-00-00")) << "unknown printer";
    EXPECT_EQ(ERROR_INVALID_PARAMETER, set("192.168.77.52", "", "255.255.0.0", "00-80-92-31-00-01"));

    const auto install = remote.Entry<DoRemoteInstallFn>("DoRemoteInstall");
    RemoteInstallBlock block = {};
    lstrcpyA(block.remoteAddress, "PC1");
    EXPECT_TRUE(install(&block)) << "a computer that takes the install";
    lstrcpyA(block.remoteAddress, "PC2");
    EXPECT_FALSE(install(&block)) << "a computer that refuses";
    EXPECT_FALSE(install(nullptr)) << "no parameter block";

    std::vector<std::string> answer;
    EXPECT_EQ(0UL, helper::AskSimulator({static_cast<unsigned short>(simulator.Port()), 3000}, "QUIT", answer));
    EXPECT_EQ(0UL, simulator.WaitExit()) << "the simulator stops on request";
    EXPECT_EQ(1, getDesc("192.168.77.10", desc.data(), FALSE)) << "nobody answers any more";
    EXPECT_EQ(static_cast<int>(ERROR_TIMEOUT), getList(nullptr, 0, &count)) << "nobody answers any more";
    EXPECT_TRUE(FileContains(dir.Path() + "\\KvNetMan.log", "Printer 192.168.77.10 does not answer"));
}

TEST(NetworkHelpersTest, SilentSimulator_GivesATimeOutNotAHang)
{
    CTempDir dir;
    CTempRedirect temp(dir.Path());
    CSimulator simulator(dir.Path(), "silent", "SILENT=1\r\nLIFETIME_SECONDS=10\r\n", kPrinters);
    CHelperCopy network(dir.Path(), "KvNetMan.dll", simulator.ClientSettings(500));
    CHelperCopy setIp(dir.Path(), "Setip.dll", simulator.ClientSettings(500));
    std::vector<char> desc(kPrinterDescBufferSize, 'x');
    EXPECT_EQ(1, network.Entry<MyGetPrinterDescFn>("MyGetPrinterDesc")("192.168.77.10", desc.data(), FALSE));
    DWORD count = 7;
    EXPECT_EQ(static_cast<int>(ERROR_TIMEOUT), setIp.Entry<GetNetPrinterFn>("GetNetPrinter")(nullptr, 0, &count));
    EXPECT_EQ(7UL, count) << "the count is left alone";
    EXPECT_EQ(0UL, simulator.WaitExit()) << "the simulator stops by itself at the end of its lifetime";
}

TEST(NetworkHelpersTest, NetworkPort_CreatedOnceAndRemoved)
{
    CTempDir dir;
    CTempRedirect temp(dir.Path());
    CHelperCopy network(dir.Path(), "KvNetMan.dll");
    const auto add = network.Entry<MySetNetworkPortFn>("MySetNetworkPort");
    const auto remove = network.Entry<MyDelNetworkPortFn>("MyDelNetworkPort");
    const std::string port = "IP_127.0.0.9_" + std::to_string(::GetCurrentProcessId());
    EXPECT_TRUE(add(port.c_str(), "127.0.0.9", "", "", "KvTestNetMutex", 1)) << "created";
    EXPECT_FALSE(add(port.c_str(), "127.0.0.9", "", "", "KvTestNetMutex", 1)) << "a port name in use is refused";
    EXPECT_FALSE(add("", "127.0.0.9", "", "", "", 1)) << "no port name";
    EXPECT_TRUE(remove(port.c_str(), "KvTestNetMutex", 0)) << "removed";
    EXPECT_FALSE(remove(port.c_str(), "KvTestNetMutex", 0)) << "already gone";
    EXPECT_TRUE(FileContains(dir.Path() + "\\KvNetMan.log", "Port " + port + " is already in use"));

    // Windows 9x and NT 4 have no port monitor commands: the port is refused, not half made.
    CTempDir old;
    CHelperCopy noMonitor(old.Path(), "KvNetMan.dll", "[SYSTEM]\r\nMISSING = XcvDataW\r\n");
    EXPECT_FALSE(noMonitor.Entry<MySetNetworkPortFn>("MySetNetworkPort")(port.c_str(), "127.0.0.9", "", "", "", 1));
    EXPECT_FALSE(noMonitor.Entry<MyDelNetworkPortFn>("MyDelNetworkPort")(port.c_str(), "", 0)) << "nothing was made";
}

TEST(NetworkHelpersTest, TestPages_ReachTheFilePortByteForByte)
{
    CTempDir dir;
    CTempRedirect temp(dir.Path());
    CHelperCopy network(dir.Path(), "KvNetMan.dll");
    CHelperCopy diag(dir.Path(), "Kvdiag.dll");
    const std::string driverName = "KvDrvInst_" + std::to_string(::GetCurrentProcessId()) + ".exe";
    CHelperCopy driver(dir.Path(), "KvDrvInst.exe", "", driverName);
    CPresentedVersion presented(driverName);
    // Without the TCP/IP monitor (as under Wine) the port becomes a local port, which names a file.
    const std::string output = dir.Path() + "\\out.prn";
    ASSERT_TRUE(network.Entry<MySetNetworkPortFn>("MySetNetworkPort")(output.c_str(), "127.0.0.9", "", "", "", 0));
    const std::string suffix = std::to_string(::GetCurrentProcessId());
    const std::string queue = "KvTest Diag " + suffix;
    WriteTestFile(dir.Path() + "\\DIAG.INF", "[Version]\r\nClass=Printer\r\n[Manufacturer]\r\nK=M\r\n[M]\r\n"
                                             "\"KvTest Diag Model " + suffix + "\" = D\r\n[D]\r\nDataFile=D.PPD\r\n");
    ASSERT_EQ(0UL, RunAndWait("\"" + driver.Path() + "\" \"" + dir.Path() + "\\DIAG.INF\" /N\"" + queue + "\" /P\"" +
                              output + "\""));
    std::string prn;
    for (int i = 0; i < 70000; ++i)
    {
        prn += static_cast<char>(i * 7 % 256);                 // every byte value, more than one chunk
    }
    WriteTestFile(dir.Path() + "\\page.prn", prn);

    // Wine's spooler accepts jobs from a program presented as Windows 9x but never hands them to the
    // port (seen with Wine 8), so there only the spooler's acceptance can be checked.
    const bool delivered = PresentedVersion() != "win98";
    EXPECT_EQ(0, diag.Entry<PrintPrnFileFn>("PrintPrnFile")(queue.c_str(), (dir.Path() + "\\page.prn").c_str()));
    EXPECT_TRUE(!delivered || EventuallyTrue([&] { return ReadTestFile(output) == prn; }))
        << "the PRN file arrives unchanged; " << ReadTestFile(output).size() << " bytes arrived; "
        << ReadTestFile(dir.Path() + "\\Kvdiag.log");
    EXPECT_EQ(0, diag.Entry<PrintTestPageFn>("PrintTestPage")(queue.c_str(), "KP-3100", "", "", ""));
    EXPECT_TRUE(!delivered || EventuallyTrue([&] { return FileContains(output, "Printer: " + queue); }))
        << "the composed page";
    EXPECT_EQ(static_cast<int>(ERROR_FILE_NOT_FOUND),
              diag.Entry<PrintPrnFileFn>("PrintPrnFile")(queue.c_str(), (dir.Path() + "\\absent.prn").c_str()));
    EXPECT_NE(0, diag.Entry<MetaTestPageFn>("MetaTestPage")("KvTest no such printer", "")) << "no such printer";
    EXPECT_EQ(1, diag.Entry<DiagnosisFn>("Diagnosis")("Kestrow", queue.c_str(), "KP", "VID"));
    EXPECT_EQ(0, diag.Entry<DiagnosisExFn>("DiagnosisEx")("Kestrow", "KvTest no such printer", "KP", "VID", 0));

    EXPECT_EQ(0UL, RunAndWait("\"" + driver.Path() + "\" \"" + dir.Path() + "\\DIAG.INF\" /U"));
    EXPECT_TRUE(network.Entry<MyDelNetworkPortFn>("MyDelNetworkPort")(output.c_str(), "", 0));
}

TEST(NetworkHelpersTest, Preinstall_ChecksItsDataFile)
{
    CTempDir dir;
    CTempRedirect temp(dir.Path());
    CHelperCopy pre(dir.Path(), "KVpre.dll");
    const auto preinstall = pre.Entry<PreinstallFn>("Preinstall");
    WriteTestFile(dir.Path() + "\\Setup.dat", "[OPTION]\r\n");
    const std::string tail = " /S C:\\src /D C:\\dest /R Software\\K\\P\\Installing\\InstHistory /L C:\\src\\lang /A EN";
    EXPECT_EQ(0, preinstall(("/P " + dir.Path() + "\\Setup.dat" + tail).c_str(), nullptr));
    EXPECT_EQ(static_cast<int>(ERROR_FILE_NOT_FOUND), preinstall(("/P " + dir.Path() + "\\absent.dat" + tail).c_str(), nullptr));
    EXPECT_EQ(static_cast<int>(ERROR_INVALID_PARAMETER), preinstall("", nullptr));
}
