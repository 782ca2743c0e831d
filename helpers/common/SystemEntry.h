#pragma once
// System functions that the oldest supported Windows lack, looked up by name at run time.
// The helper's settings file may name functions to treat as missing:
//     [SYSTEM]
//     MISSING = AddPrinterDriverExA, SetDefaultPrinterA
// so the older systems' way of each helper can be tried, and checked, on a newer Windows.

#include <windows.h>

#include <string>

#include "HelperText.h"

namespace helper
{
// True when the settings file beside the module lists the function under [SYSTEM] MISSING.
inline bool TreatedAsMissing(HMODULE self, const char* name)
{
    const std::string list = IniString(SettingFileOf(self), "SYSTEM", "MISSING");
    for (const std::string& entry : Split(list, ','))
    {
        if (EqualNoCase(entry, name))
        {
            return true;
        }
    }
    return false;
}

// The entry of a system library already loaded in the process (kernel32, winspool.drv and the like);
// null when the system has no such function or the settings file says to treat it as missing.
inline FARPROC SystemEntry(HMODULE self, const char* library, const char* name)
{
    const HMODULE module = ::GetModuleHandleA(library);
    if (module == nullptr || TreatedAsMissing(self, name))
    {
        return nullptr;
    }
    return ::GetProcAddress(module, name);
}

// The entry as a typed function pointer, through the generic function pointer type.
template <typename Fn>
Fn SystemFunction(HMODULE self, const char* library, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(SystemEntry(self, library, name)));
}
}  // namespace helper
