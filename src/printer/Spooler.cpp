#include "printer/Spooler.h"

namespace Spooler
{
namespace
{
std::string TextOf(const char* text)
{
    return text ? std::string(text) : std::string();
}
}  // namespace

DWORD EnumLocalPrinters(std::vector<LocalPrinter>* printers)
{
    DWORD needed = 0;
    DWORD count = 0;
    if (!::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count))
    {
        const DWORD err = ::GetLastError();
        if (err != ERROR_INSUFFICIENT_BUFFER)
        {
            return err;
        }
    }
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, &buffer[0], needed, &needed, &count))
    {
        return ::GetLastError();
    }
    std::vector<LocalPrinter> found;
    const PRINTER_INFO_2A* infos = reinterpret_cast<const PRINTER_INFO_2A*>(&buffer[0]);
    for (DWORD i = 0; i < count; ++i)
    {
        found.push_back({TextOf(infos[i].pPrinterName), TextOf(infos[i].pDriverName), TextOf(infos[i].pPortName),
                         infos[i].Attributes});
    }
    *printers = found;
    return ERROR_SUCCESS;
}

DWORD EnumPortNames(std::vector<std::string>* ports)
{
    DWORD needed = 0;
    DWORD count = 0;
    if (!::EnumPortsA(nullptr, 1, nullptr, 0, &needed, &count))
    {
        const DWORD err = ::GetLastError();
        if (err != ERROR_INSUFFICIENT_BUFFER)
        {
            return err;
        }
    }
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!::EnumPortsA(nullptr, 1, &buffer[0], needed, &needed, &count))
    {
        return ::GetLastError();
    }
    std::vector<std::string> found;
    const PORT_INFO_1A* infos = reinterpret_cast<const PORT_INFO_1A*>(&buffer[0]);
    for (DWORD i = 0; i < count; ++i)
    {
        found.push_back(TextOf(infos[i].pName));
    }
    *ports = found;
    return ERROR_SUCCESS;
}

DWORD OpenPrinter(const std::string& name, DWORD access, CPrinterHandle* printer)
{
    char dataType[] = "RAW";
    PRINTER_DEFAULTSA defaults = {dataType, nullptr, access};
    std::vector<char> printerName(name.begin(), name.end());
    printerName.push_back('\0');
    HANDLE handle = nullptr;
    if (!::OpenPrinterA(&printerName[0], &handle, access ? &defaults : nullptr))
    {
        return ::GetLastError();
    }
    printer->Reset(handle);
    return ERROR_SUCCESS;
}

DWORD CPrinterInfo2::Read(HANDLE printer)
{
    DWORD needed = 0;
    if (!::GetPrinterA(printer, 2, nullptr, 0, &needed))
    {
        const DWORD err = ::GetLastError();
        if (err != ERROR_INSUFFICIENT_BUFFER)
        {
            return err;
        }
    }
    std::vector<BYTE> buffer(needed ? needed : sizeof(PRINTER_INFO_2A));
    if (!::GetPrinterA(printer, 2, &buffer[0], static_cast<DWORD>(buffer.size()), &needed))
    {
        return ::GetLastError();
    }
    m_buffer.swap(buffer);
    return ERROR_SUCCESS;
}

DWORD CPrinterInfo2::Write(HANDLE printer)
{
    PRINTER_INFO_2A* info = Info();
    if (!info)
    {
        return ERROR_INVALID_PARAMETER;
    }
    info->pSecurityDescriptor = nullptr;
    return ::SetPrinterA(printer, 2, m_buffer.data(), 0) ? ERROR_SUCCESS : ::GetLastError();
}

std::wstring ToWide(const std::string& text)
{
    if (text.empty())
    {
        return std::wstring();
    }
    const int size = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    if (size <= 0)
    {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}
}  // namespace Spooler
