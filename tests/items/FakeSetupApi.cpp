// Stands in for the system's INF uninstall function: remembers how it was called and refuses with
// ERROR_NOT_FOUND, so that tests see the arguments and the failure path.

#include <windows.h>

namespace
{
char g_lastName[MAX_PATH] = {};
DWORD g_lastFlags = 0;
LONG g_calls = 0;
}  // namespace

extern "C" __declspec(dllexport) BOOL __stdcall SetupUninstallOEMInfA(const char* infName, DWORD flags, void*)
{
    ++g_calls;
    lstrcpynA(g_lastName, infName ? infName : "", MAX_PATH);
    g_lastFlags = flags;
    SetLastError(ERROR_NOT_FOUND);
    return FALSE;
}

extern "C" __declspec(dllexport) LONG __stdcall KvFakeCalls()
{
    return g_calls;
}

extern "C" __declspec(dllexport) const char* __stdcall KvFakeLastName()
{
    return g_lastName;
}

extern "C" __declspec(dllexport) DWORD __stdcall KvFakeLastFlags()
{
    return g_lastFlags;
}
