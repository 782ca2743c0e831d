// The demo product's status monitor utility. "/install" and "/uninstall" are its item commands: its
// files are laid down and removed by the installer's copy records, so both only confirm (exit 0).
// Run with a printer name (or none: the default printer) it checks that the queue is there and logs
// its state and job count in "<temp>KPMonitor.log". Exit codes: 0 ready, 2 no such printer.

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "common/HelperLog.h"
#include "common/HelperText.h"
#include "common/Spooler.h"

namespace
{
const CHelperLog kLog("KPMonitor");

std::string DefaultPrinter()
{
    char device[512] = {};
    ::GetProfileStringA("windows", "device", "", device, sizeof(device));
    return helper::Split(device, ',')[0];
}

int ShowStatus(const std::string& printer)
{
    helper::CPrinterHandle handle;
    std::string name = printer;
    if (name.empty() || !::OpenPrinterA(&name[0], handle.Receive(), nullptr))
    {
        kLog.Write("Printer [%s] not found", printer.c_str());
        return ERROR_FILE_NOT_FOUND;
    }
    DWORD needed = 0;
    ::GetPrinterA(handle.Get(), 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed + 1);
    if (!::GetPrinterA(handle.Get(), 2, buffer.data(), needed, &needed))
    {
        kLog.WriteError(::GetLastError(), "Printer [%s] cannot be read", printer.c_str());
        return 0;
    }
    const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    kLog.Write("Printer [%s] on %s: status 0x%lx, %lu job(s)", printer.c_str(), info->pPortName, info->Status,
               info->cJobs);
    return 0;
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    std::string program;
    std::string arguments;
    helper::SplitCommandLine(::GetCommandLineA(), program, arguments);
    arguments = helper::Trim(arguments);
    if (helper::EqualNoCase(arguments, "/install") || helper::EqualNoCase(arguments, "/uninstall"))
    {
        kLog.Write("Status monitor %s", arguments.c_str());
        return 0;
    }
    return ShowStatus(arguments.empty() ? DefaultPrinter() : arguments);
}
