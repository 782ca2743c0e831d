#include "printer/NetPlatform.h"

#include <winnetwk.h>
#include <winspool.h>

#include "base/APIFunction.h"
#include "env/ServiceControl.h"
#include "printer/Spooler.h"

namespace
{
template <typename T>
T EntryAs(FARPROC entry)
{
    return reinterpret_cast<T>(reinterpret_cast<void (*)()>(entry));
}

// Loads the library for the process's lifetime (the system's own network and spooler libraries) and
// finds the entry; 126 or 127 when either is missing.
DWORD FindEntry(const char* library, const char* name, FARPROC* entry)
{
    HMODULE module = ::GetModuleHandleA(library);
    if (!module)
    {
        module = LoadSystemLibrary(library);
    }
    if (!module)
    {
        return ERROR_MOD_NOT_FOUND;
    }
    *entry = ::GetProcAddress(module, name);
    return *entry ? ERROR_SUCCESS : ERROR_PROC_NOT_FOUND;
}

DWORD AddConnection(const std::string& path, HWND owner)
{
    using AddConnectionFn = DWORD(WINAPI*)(HWND, LPNETRESOURCEA, LPCSTR, LPCSTR, DWORD);
    FARPROC entry = nullptr;
    const DWORD err = FindEntry("mpr.dll", "WNetAddConnection3A", &entry);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    std::string remote = path;
    NETRESOURCEA resource = {};
    resource.dwScope = RESOURCE_GLOBALNET;
    resource.dwType = RESOURCETYPE_PRINT;
    resource.dwDisplayType = RESOURCEDISPLAYTYPE_SHARE;
    resource.dwUsage = RESOURCEUSAGE_CONNECTABLE;
    resource.lpRemoteName = &remote[0];
    return EntryAs<AddConnectionFn>(entry)(owner, &resource, nullptr, nullptr,
                                           CONNECT_UPDATE_PROFILE | CONNECT_INTERACTIVE);
}

DWORD AddPortEx(const std::string& path)
{
    using AddPortExFn = BOOL(WINAPI*)(LPWSTR, DWORD, LPBYTE, LPWSTR);
    FARPROC entry = nullptr;
    const DWORD err = FindEntry("winspool.drv", "AddPortExW", &entry);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    std::wstring port = Spooler::ToWide(path);
    wchar_t monitor[] = L"Local Port";
    PORT_INFO_1W info = {};
    info.pName = &port[0];
    return EntryAs<AddPortExFn>(entry)(nullptr, 1, reinterpret_cast<LPBYTE>(&info), monitor) ? ERROR_SUCCESS
                                                                                               : ::GetLastError();
}

DWORD XcvAddPort(const std::string& path, DWORD* status)
{
    using XcvDataFn = BOOL(WINAPI*)(HANDLE, PCWSTR, PBYTE, DWORD, PBYTE, DWORD, PDWORD, PDWORD);
    *status = kXcvNotOpened;
    FARPROC entry = nullptr;
    DWORD err = FindEntry("winspool.drv", "XcvDataW", &entry);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    CPrinterHandle monitor;
    err = Spooler::OpenPrinter(",XcvMonitor Local Port", SERVER_ACCESS_ADMINISTER, &monitor);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    std::wstring port = Spooler::ToWide(path);
    port.push_back(L'\0');
    DWORD needed = 0;
    DWORD result = ERROR_SUCCESS;
    if (!EntryAs<XcvDataFn>(entry)(monitor.Get(), L"AddPort", reinterpret_cast<PBYTE>(&port[0]),
                                   static_cast<DWORD>(port.size() * sizeof(wchar_t)), nullptr, 0, &needed, &result))
    {
        err = ::GetLastError();
        *status = result;
        return err != ERROR_SUCCESS ? err : ERROR_GEN_FAILURE;
    }
    *status = result;
    return ERROR_SUCCESS;
}
}  // namespace

NetPlatformCalls SystemNetPlatformCalls()
{
    NetPlatformCalls calls;
    calls.addConnection = AddConnection;
    calls.addPortEx = AddPortEx;
    calls.xcvAddPort = XcvAddPort;
    calls.queryService = SystemCheck::QueryServiceState;
    calls.stopService = SystemCheck::StopServiceAndWait;
    calls.startService = SystemCheck::StartServiceAndWait;
    return calls;
}
