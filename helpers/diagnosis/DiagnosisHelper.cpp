// The diagnosis and test-page library. Test pages are RAW print jobs, so what reaches the port can be
// compared byte for byte: PrintPrnFile sends a PRN file unchanged, PrintTestPage and MetaTestPage a
// small composed page. Steps go to "<temp>Kvdiag.log".
// Results: 0 printed; ERROR_FILE_NOT_FOUND for a missing PRN file; the spooler's error otherwise.

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "common/HelperLog.h"
#include "common/HelperText.h"
#include "common/Spooler.h"

#define HELPER_EXPORT extern "C" __declspec(dllexport)

namespace
{
const CHelperLog kLog("Kvdiag");

DWORD PrintRaw(const std::string& printer, const std::string& document, const std::string& bytes)
{
    helper::CPrinterHandle handle;
    std::string name = printer;
    if (name.empty() || !::OpenPrinterA(&name[0], handle.Receive(), nullptr))
    {
        return name.empty() ? ERROR_INVALID_PRINTER_NAME : ::GetLastError();
    }
    std::string title = document;
    std::string type = "RAW";
    DOC_INFO_1A info = {&title[0], nullptr, &type[0]};
    if (::StartDocPrinterA(handle.Get(), 1, reinterpret_cast<BYTE*>(&info)) == 0)
    {
        return ::GetLastError();
    }
    DWORD err = ERROR_SUCCESS;
    for (size_t at = 0; at < bytes.size() && err == ERROR_SUCCESS;)
    {
        const DWORD chunk = static_cast<DWORD>(bytes.size() - at < 65536 ? bytes.size() - at : 65536);
        DWORD written = 0;
        std::string part = bytes.substr(at, chunk);
        if (!::WritePrinter(handle.Get(), &part[0], chunk, &written) || written == 0)
        {
            err = ::GetLastError() != 0 ? ::GetLastError() : ERROR_WRITE_FAULT;
        }
        at += written;
    }
    ::EndDocPrinter(handle.Get());
    return err;
}

std::string ComposedPage(const std::string& printer, const std::string& detail)
{
    return "Test page\r\n\r\nPrinter: " + printer + "\r\n" + detail + "\r\nIf you can read this, the printer works.\r\n\f";
}

int Report(const char* what, const std::string& printer, DWORD err)
{
    if (err != ERROR_SUCCESS)
    {
        kLog.WriteError(err, "%s on %s fail", what, printer.c_str());
        return static_cast<int>(err);
    }
    kLog.Write("%s on %s printed", what, printer.c_str());
    return 0;
}

bool PrinterReady(const std::string& printer)
{
    helper::CPrinterHandle handle;
    std::string name = printer;
    return !name.empty() && ::OpenPrinterA(&name[0], handle.Receive(), nullptr);
}
}  // namespace

HELPER_EXPORT int WINAPI PrintTestPage(const char* printer, const char* p2, const char* p3, const char* resourcePath,
                                       const char* p5)
{
    const std::string name = helper::Text(printer);
    kLog.Write("PrintTestPage(%s,%s,%s,%s,%s)", name.c_str(), helper::Text(p2).c_str(), helper::Text(p3).c_str(),
               helper::Text(resourcePath).c_str(), helper::Text(p5).c_str());
    return Report("Test page", name, PrintRaw(name, "Test page", ComposedPage(name, helper::Text(p2))));
}

HELPER_EXPORT int WINAPI MetaTestPage(const char* printer, const char* file)
{
    const std::string name = helper::Text(printer);
    kLog.Write("MetaTestPage(%s,%s)", name.c_str(), helper::Text(file).c_str());
    return Report("Test page", name, PrintRaw(name, "Test page", ComposedPage(name, helper::Text(file))));
}

HELPER_EXPORT int WINAPI PrintPrnFile(const char* printer, const char* file)
{
    const std::string name = helper::Text(printer);
    const std::string path = helper::Text(file);
    kLog.Write("PrintPrnFile(%s,%s)", name.c_str(), path.c_str());
    CHandle input(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!input.IsValid())
    {
        kLog.WriteError(::GetLastError(), "PRN file %s cannot be read", path.c_str());
        return ERROR_FILE_NOT_FOUND;
    }
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (::ReadFile(input.Get(), chunk, sizeof(chunk), &got, nullptr) && got > 0 && bytes.size() < 64 * 1024 * 1024)
    {
        bytes.append(chunk, got);
    }
    return Report("PRN file", name, PrintRaw(name, path, bytes));
}

// 1 when the printer queue is there and can be opened, else 0.
HELPER_EXPORT int WINAPI Diagnosis(const char* mfg, const char* printer, const char* mdl, const char* vidPid)
{
    const bool ready = PrinterReady(helper::Text(printer));
    kLog.Write("Diagnosis(%s,%s,%s,%s): %s", helper::Text(mfg).c_str(), helper::Text(printer).c_str(),
               helper::Text(mdl).c_str(), helper::Text(vidPid).c_str(), ready ? "ready" : "not found");
    return ready ? 1 : 0;
}

HELPER_EXPORT int WINAPI DiagnosisEx(const char* mfg, const char* printer, const char* mdl, const char* vidPid,
                                     int reserved)
{
    return Diagnosis(mfg, printer, mdl, vidPid);
}
