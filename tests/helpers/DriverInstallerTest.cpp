// The demo driver installer (KvDrvInst.exe) against the spooler: refusals, install of driver and
// queue on a port, a repeated install, and the removal of all of it.

#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "helpers/HelperTestSupport.h"
#include "support/TestHelpers.h"

namespace
{
std::string TestInf(const std::string& model)
{
    return "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\nCatalogFile=kvtest.cat\r\n\r\n"
           "[Manufacturer]\r\n%MAKER%=Maker\r\n\r\n[Maker]\r\n\"" + model + "\" = KVTEST, USBPRINT\\KvTest\r\n\r\n"
           "[KVTEST]\r\nCopyFiles=KVTEST_FILES\r\nDataFile=KVTEST.PPD\r\n\r\n[KVTEST_FILES]\r\nKVTEST.PPD\r\n\r\n"
           "[Strings]\r\nMAKER=\"Kestrow\"\r\n";
}

// Name and driver of every local printer, "name|driver|port".
std::vector<std::string> Printers()
{
    DWORD needed = 0, count = 0;
    ::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1);
    std::vector<std::string> names;
    if (::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &count))
    {
        const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
        for (DWORD i = 0; i < count; ++i)
        {
            names.push_back(std::string(info[i].pPrinterName) + "|" + info[i].pDriverName + "|" + info[i].pPortName);
        }
    }
    return names;
}

bool DriverInstalled(const std::string& name)
{
    DWORD needed = 0, count = 0;
    ::EnumPrinterDriversA(nullptr, nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1);
    if (!::EnumPrinterDriversA(nullptr, nullptr, 1, buffer.data(), needed, &needed, &count))
    {
        return false;
    }
    const auto* info = reinterpret_cast<const DRIVER_INFO_1A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
    {
        if (name == info[i].pName)
        {
            return true;
        }
    }
    return false;
}

}  // namespace

TEST(DriverInstallerTest, InstallsAndRemovesDriverAndQueue)
{
    CTempDir dir;
    CTempRedirect temp(dir.Path());
    const std::string suffix = std::to_string(::GetCurrentProcessId());
    CHelperCopy program(dir.Path(), "KvDrvInst.exe", "", "KvDrvInst_" + suffix + ".exe");
    CPresentedVersion presented("KvDrvInst_" + suffix + ".exe");
    const std::string model = "KvTest Model " + suffix;
    const std::string queue = "KvTest Queue " + suffix;
    const std::string inf = dir.Path() + "\\KVTEST.INF";
    WriteTestFile(inf, TestInf(model));
    WriteTestFile(dir.Path() + "\\KVTEST.PPD", "*PPD-Adobe: \"4.3\"\r\n");
    WriteTestFile(dir.Path() + "\\kvtest.cat", "catalog");
    WriteTestFile(dir.Path() + "\\OTHER.INF", "[Version]\r\nClass=Image\r\n");
    const std::string run = "\"" + program.Path() + "\" ";

    const struct
    {
        std::string arguments;
        DWORD exitCode;
    } refusals[] = {
        {"", ERROR_INVALID_PARAMETER},
        {"/U", ERROR_INVALID_PARAMETER},
        {"\"" + dir.Path() + "\\ABSENT.INF\" /U", ERROR_FILE_NOT_FOUND},
        {"\"" + dir.Path() + "\\OTHER.INF\" /N\"x\"", ERROR_UNKNOWN_PRINTER_DRIVER},
    };
    for (const auto& c : refusals)
    {
        EXPECT_EQ(c.exitCode, RunAndWait(run + c.arguments)) << c.arguments;
    }

    const std::string install = run + "\"" + inf + "\" /M\"KP-3100 Series\" /V\"VID_5A7E&PID_3100\" /L\"EN\" /N\"" +
                                queue + "\" /P\"FILE:\"";
    char folder[MAX_PATH + 1] = {};
    DWORD needed = 0;
    ASSERT_TRUE(::GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(folder), MAX_PATH, &needed));
    // The second pass takes the way of systems before Windows 2000: the plain driver calls.
    for (const char* settings : {"", "[SYSTEM]\r\nMISSING = AddPrinterDriverExA, DeletePrinterDriverExA\r\n"})
    {
        SCOPED_TRACE(settings);
        WriteTestFile(dir.Path() + "\\KvDrvInst_" + suffix + ".ini", settings);
        EXPECT_EQ(0UL, RunAndWait(install)) << "install";
        EXPECT_TRUE(DriverInstalled(model)) << "the driver is in the spooler";
        EXPECT_TRUE(Contains(Printers(), queue + "|" + model + "|FILE:")) << "the queue is on the port";
        EXPECT_EQ(0UL, RunAndWait(install)) << "a repeated install keeps the queue";
        EXPECT_EQ(0UL, RunAndWait(run + "\"" + inf + "\" /U")) << "uninstall";
        EXPECT_FALSE(DriverInstalled(model)) << "the driver is gone";
        for (const std::string& printer : Printers())
        {
            EXPECT_EQ(std::string::npos, printer.find(queue)) << "the queue is gone: " << printer;
        }
        EXPECT_FALSE(TestFileExists(std::string(folder) + "\\KVTEST.PPD")) << "no staged file left";
        EXPECT_FALSE(TestFileExists(std::string(folder) + "\\3\\KVTEST.PPD")) << "no driver file left";
        EXPECT_FALSE(TestFileExists(std::string(folder) + "\\2\\KVTEST.PPD")) << "no driver file left";
    }
    EXPECT_TRUE(FileContains(dir.Path() + "\\KvDrvInst.log", "Printer driver " + model + " removed"));
}
