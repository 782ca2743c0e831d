#pragma once
// Spooler handles and the port list, for the helpers that work with printers and ports.

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "common/HelperText.h"
#include "printer/PrinterHandle.h"

namespace helper
{
// The installer's printer handle owner, named in the helpers' namespace too.
using ::CPrinterHandle;

inline bool PortExists(const std::string& name)
{
    DWORD needed = 0;
    DWORD count = 0;
    ::EnumPortsA(nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1);
    if (!::EnumPortsA(nullptr, 1, buffer.data(), needed, &needed, &count))
    {
        return false;
    }
    const auto* ports = reinterpret_cast<const PORT_INFO_1A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
    {
        if (ports[i].pName != nullptr && EqualNoCase(ports[i].pName, name))
        {
            return true;
        }
    }
    return false;
}
}  // namespace helper
