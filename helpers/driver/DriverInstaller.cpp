// The demo product's printer driver installer, the printer item's install and uninstall command:
//   "<inf>" /M"<model>" /V"<vid pid>" /L"<language>" /N"<printer name>" [/D] [/S"<share>"] /P"<port>"
//   "<inf>" /U
// Install: the driver files listed by the INF are staged in the spooler's driver folder, the driver
// is added (AddPrinterDriverExA where the system has it, else AddPrinterDriverA) and a queue named
// /N (else the driver's name) is added on the port, made default (/D) and shared (/S) when asked.
// Uninstall: the queues of the driver, the driver and its files are removed.
// Steps go to "<temp>KvDrvInst.log". Exit codes: 0 done, 87 bad command line, 2 no INF,
// 1797 the INF names no printer driver, 1802 a queue of that name belongs to another driver, else the
// spooler's error.

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "common/HelperLog.h"
#include "common/HelperText.h"
#include "common/SystemEntry.h"
#include "common/Spooler.h"
#include "driver/DriverInf.h"

namespace
{
const CHelperLog kLog("KvDrvInst");

using helper::CPrinterHandle;

struct DriverCommand
{
    std::string inf;
    std::string printerName, shareName, port;
    bool makeDefault = false;
    bool uninstall = false;
};

DriverCommand ParseCommand(const std::string& line)
{
    DriverCommand command;
    std::string rest;
    helper::SplitCommandLine(line, command.inf, rest);
    command.port = "LPT1:";
    for (const auto& entry : helper::ParseSwitches(rest))
    {
        switch (entry.first)
        {
        case 'N':
            command.printerName = entry.second;
            break;
        case 'S':
            command.shareName = entry.second;
            break;
        case 'P':
            command.port = entry.second.empty() ? command.port : entry.second;
            break;
        case 'D':
            command.makeDefault = true;
            break;
        case 'U':
            command.uninstall = true;
            break;
        default:                                             // /M, /V and /L are only logged
            break;
        }
    }
    return command;
}

bool IsNt()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    ::GetVersionExA(&version);
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::string DriverDirectory()
{
    char folder[MAX_PATH + 1] = {};
    DWORD needed = 0;
    if (!::GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(folder), MAX_PATH, &needed))
    {
        return std::string();
    }
    return folder;
}

// Level-2 information of every local printer.
std::vector<BYTE> EnumLocalPrinters(DWORD& count)
{
    DWORD needed = 0;
    count = 0;
    ::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1);
    if (!::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &count))
    {
        count = 0;
    }
    return buffer;
}

using AddPrinterDriverExFn = BOOL(WINAPI*)(LPSTR, DWORD, LPBYTE, DWORD);
using SetDefaultPrinterFn = BOOL(WINAPI*)(LPCSTR);
using DeletePrinterDriverExFn = BOOL(WINAPI*)(LPSTR, LPSTR, LPSTR, DWORD, DWORD);

FARPROC SpoolerEntry(const char* name)
{
    return helper::SystemEntry(nullptr, "winspool.drv", name);
}

DWORD AddDriver(const PrinterInfDriver& driver, const std::string& infFolder)
{
    const std::string target = DriverDirectory();
    if (target.empty())
    {
        return ::GetLastError();
    }
    for (const std::string& file : driver.files)
    {
        if (!::CopyFileA((infFolder + "\\" + file).c_str(), (target + "\\" + file).c_str(), FALSE))
        {
            const DWORD err = ::GetLastError();
            kLog.WriteError(err, "Stage %s fail", file.c_str());
            return err;
        }
    }
    DRIVER_INFO_3A info = {};
    std::string name = driver.name, driverFile = driver.driverFile, dataFile = driver.dataFile;
    std::string configFile = driver.configFile, helpFile = driver.helpFile, data = "RAW";
    info.pName = &name[0];
    info.pDriverPath = &driverFile[0];
    info.pDataFile = &dataFile[0];
    info.pConfigFile = &configFile[0];
    info.pHelpFile = helpFile.empty() ? nullptr : &helpFile[0];
    info.pDefaultDataType = &data[0];
    // AddPrinterDriverExA arrived with Windows 2000; it copies the staged files where the spooler wants
    // them. Its spooler takes user-mode (version 3) drivers; NT 4 takes version 2, Windows 9x version 0.
    const auto addEx = reinterpret_cast<AddPrinterDriverExFn>(reinterpret_cast<void*>(SpoolerEntry("AddPrinterDriverExA")));
    info.cVersion = addEx != nullptr ? 3 : (IsNt() ? 2 : 0);
    const BOOL added = addEx != nullptr ? addEx(nullptr, 3, reinterpret_cast<BYTE*>(&info), APD_COPY_NEW_FILES)
                                        : ::AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&info));
    const DWORD err = added ? ERROR_SUCCESS : ::GetLastError();
    if (addEx != nullptr)
    {
        for (const std::string& file : driver.files)
        {
            ::DeleteFileA((target + "\\" + file).c_str());   // the spooler has its own copies now
        }
    }
    return err;
}

DWORD AddQueue(const DriverCommand& command, const PrinterInfDriver& driver, const std::string& queue)
{
    DWORD count = 0;
    std::vector<BYTE> buffer = EnumLocalPrinters(count);
    const auto* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
    {
        if (printers[i].pPrinterName != nullptr && helper::EqualNoCase(printers[i].pPrinterName, queue))
        {
            if (printers[i].pDriverName != nullptr && helper::EqualNoCase(printers[i].pDriverName, driver.name))
            {
                kLog.Write("Printer %s is already there", queue.c_str());
                return ERROR_SUCCESS;
            }
            kLog.Write("Printer %s belongs to driver %s", queue.c_str(), printers[i].pDriverName);
            return ERROR_PRINTER_ALREADY_EXISTS;
        }
    }
    PRINTER_INFO_2A info = {};
    std::string name = queue, driverName = driver.name, port = command.port, processor = "WinPrint";
    std::string data = "RAW", share = command.shareName;
    info.pPrinterName = &name[0];
    info.pDriverName = &driverName[0];
    info.pPortName = &port[0];
    info.pPrintProcessor = &processor[0];
    info.pDatatype = &data[0];
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    if (!share.empty())
    {
        info.pShareName = &share[0];
        info.Attributes |= PRINTER_ATTRIBUTE_SHARED;
    }
    CPrinterHandle printer(::AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info)));
    return printer.IsValid() ? ERROR_SUCCESS : ::GetLastError();
}

// SetDefaultPrinterA where the system has it (Windows 2000 on); else the "device" line of win.ini.
bool MakeDefault(const std::string& queue, const std::string& driverName, const std::string& port)
{
    const auto setDefault = reinterpret_cast<SetDefaultPrinterFn>(reinterpret_cast<void*>(SpoolerEntry("SetDefaultPrinterA")));
    if (setDefault != nullptr && setDefault(queue.c_str()))
    {
        return true;
    }
    return ::WriteProfileStringA("windows", "device", (queue + "," + driverName + "," + port).c_str()) != FALSE;
}

int Install(const DriverCommand& command, const PrinterInfDriver& driver)
{
    const std::string queue = command.printerName.empty() ? driver.name : command.printerName;
    DWORD err = AddDriver(driver, helper::DirectoryOf(command.inf));
    if (err != ERROR_SUCCESS)
    {
        kLog.WriteError(err, "Add printer driver %s fail", driver.name.c_str());
        return static_cast<int>(err);
    }
    kLog.Write("Printer driver %s added", driver.name.c_str());
    err = AddQueue(command, driver, queue);
    if (err != ERROR_SUCCESS)
    {
        kLog.WriteError(err, "Add printer %s on %s fail", queue.c_str(), command.port.c_str());
        return static_cast<int>(err);
    }
    kLog.Write("Printer %s on %s%s", queue.c_str(), command.port.c_str(),
               command.shareName.empty() ? "" : (", shared as " + command.shareName).c_str());
    if (command.makeDefault)
    {
        kLog.Write(MakeDefault(queue, driver.name, command.port) ? "Printer %s is the default printer"
                                                                 : "Printer %s cannot be made the default printer",
                   queue.c_str());
    }
    return 0;
}

int Uninstall(const PrinterInfDriver& driver)
{
    DWORD count = 0;
    std::vector<BYTE> buffer = EnumLocalPrinters(count);
    const auto* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
    {
        if (printers[i].pDriverName == nullptr || !helper::EqualNoCase(printers[i].pDriverName, driver.name))
        {
            continue;
        }
        PRINTER_DEFAULTSA access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        CPrinterHandle printer;
        if (!::OpenPrinterA(printers[i].pPrinterName, printer.Receive(), &access) || !::DeletePrinter(printer.Get()))
        {
            kLog.WriteError(::GetLastError(), "Delete printer %s fail", printers[i].pPrinterName);
            continue;
        }
        kLog.Write("Printer %s deleted", printers[i].pPrinterName);
    }
    std::string name = driver.name;
    const auto deleteEx =
        reinterpret_cast<DeletePrinterDriverExFn>(reinterpret_cast<void*>(SpoolerEntry("DeletePrinterDriverExA")));
    // DeletePrinterDriverExA (Windows 2000 on) also removes the driver's unused files; some spoolers
    // refuse its flags, and then the plain call removes the driver alone.
    const BOOL deleted = (deleteEx != nullptr && deleteEx(nullptr, nullptr, &name[0], DPD_DELETE_UNUSED_FILES, 0)) ||
                         ::DeletePrinterDriverA(nullptr, nullptr, &name[0]);
    const DWORD err = deleted ? ERROR_SUCCESS : ::GetLastError();
    // The staged files are the product's own; remove whatever copies the spooler left in the folders of
    // each driver version (3 from Windows 2000 on, 2 on NT 4, 0 on Windows 9x).
    const std::string folder = DriverDirectory();
    for (const std::string& file : driver.files)
    {
        for (const char* sub : {"\\", "\\3\\", "\\2\\", "\\0\\"})
        {
            ::DeleteFileA((folder + sub + file).c_str());
        }
    }
    if (err != ERROR_SUCCESS && err != ERROR_UNKNOWN_PRINTER_DRIVER)
    {
        kLog.WriteError(err, "Delete printer driver %s fail", driver.name.c_str());
        return static_cast<int>(err);
    }
    kLog.Write("Printer driver %s removed", driver.name.c_str());
    return 0;
}

int Run(const std::string& line)
{
    kLog.Write("Driver installer: %s", line.c_str());
    const DriverCommand command = ParseCommand(line);
    if (command.inf.empty() || command.inf[0] == '/')
    {
        kLog.Write("No INF given");
        return ERROR_INVALID_PARAMETER;
    }
    if (!helper::FileExists(command.inf))
    {
        kLog.Write("INF %s does not exist", command.inf.c_str());
        return ERROR_FILE_NOT_FOUND;
    }
    PrinterInfDriver driver;
    if (!ReadPrinterInf(command.inf, driver))
    {
        kLog.Write("INF %s names no printer driver", command.inf.c_str());
        return ERROR_UNKNOWN_PRINTER_DRIVER;
    }
    return command.uninstall ? Uninstall(driver) : Install(command, driver);
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    std::string program;
    std::string arguments;
    helper::SplitCommandLine(::GetCommandLineA(), program, arguments);
    return Run(arguments);
}
