#pragma once
// Thin wrappers over the print spooler calls that every Windows version has: they turn results into
// Windows error codes and never log. Out-parameters are written only on success.

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "printer/PrinterHandle.h"

namespace Spooler
{
struct LocalPrinter
{
    std::string name;
    std::string driverName;
    std::string portName;
    DWORD attributes = 0;
};

// Level-2 enumeration of the local printers.
DWORD EnumLocalPrinters(std::vector<LocalPrinter>* printers);
// Level-1 enumeration of the spooler's ports.
DWORD EnumPortNames(std::vector<std::string>* ports);

// Opens a printer; access 0 opens with use access and no defaults, otherwise with data type "RAW".
DWORD OpenPrinter(const std::string& name, DWORD access, CPrinterHandle* printer);

// A printer's level-2 information in a buffer of its own; Info() is null until Read succeeded.
class CPrinterInfo2
{
public:
    DWORD Read(HANDLE printer);
    // Writes the (changed) information back, without the security descriptor.
    DWORD Write(HANDLE printer);
    PRINTER_INFO_2A* Info() { return m_buffer.empty() ? nullptr : reinterpret_cast<PRINTER_INFO_2A*>(&m_buffer[0]); }

private:
    std::vector<BYTE> m_buffer;
};

// The UTF-16 form of an ANSI text, for the spooler calls that exist only in wide form.
std::wstring ToWide(const std::string& text);
}  // namespace Spooler
