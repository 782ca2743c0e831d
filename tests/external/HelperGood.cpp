// Test helper library that answers every entry point: it records each call with its arguments (taken
// by TestTakeCalls) and gives answers the tests can tell apart.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include "base/Lock.h"
#include "external/HelperApi.h"

#define HELPER_EXPORT extern "C" __declspec(dllexport)

namespace
{
CCriticalSection& CallsLock()
{
    static CCriticalSection lock;
    return lock;
}

std::string& Calls()
{
    static std::string calls;
    return calls;
}

std::string Text(const char* text)
{
    return text != nullptr ? text : "(null)";
}

void Record(const std::string& line)
{
    CLockGuard guard(CallsLock());
    Calls() += line + "\n";
}

std::string Join(std::initializer_list<std::string> parts)
{
    std::string text;
    for (const std::string& part : parts)
    {
        text += (text.empty() ? "" : ",") + part;
    }
    return text;
}
}  // namespace

HELPER_EXPORT DWORD WINAPI TestTakeCalls(char* buffer, DWORD size)
{
    CLockGuard guard(CallsLock());
    const DWORD length = static_cast<DWORD>(Calls().size());
    if (buffer != nullptr && size > length)
    {
        std::memcpy(buffer, Calls().c_str(), length + 1);
        Calls().clear();
    }
    return length;
}

HELPER_EXPORT BOOL WINAPI MyInstall(int reserved, const char* installingKey, const char* itemKey, int installed)
{
    Record("MyInstall(" + Join({std::to_string(reserved), Text(installingKey), Text(itemKey),
                                std::to_string(installed)}) + ")");
    return 7;
}

HELPER_EXPORT BOOL WINAPI MyCreateShortCut(int reserved, const char* installingKey, const char* shortcutKey)
{
    Record("MyCreateShortCut(" + Join({std::to_string(reserved), Text(installingKey), Text(shortcutKey)}) + ")");
    return 8;
}

// "fill" fills the whole documented buffer without an ending zero.
HELPER_EXPORT BOOL WINAPI GetDevicePort(const char* mfg, const char* mdl, const char* vidPid, char* ports,
                                        DWORD* portCount)
{
    Record("GetDevicePort(" + Join({Text(mfg), Text(mdl), Text(vidPid)}) + ")");
    if (std::strcmp(mfg, "fill") == 0)
    {
        std::memset(ports, 'A', kDevicePortBufferSize);
        *portCount = 1;
        return TRUE;
    }
    std::memcpy(ports, "USB001\0LPT1:\0", 14);
    *portCount = static_cast<DWORD>(-1);
    return 9;
}

HELPER_EXPORT BOOL WINAPI StartPreventPnP(const char* deviceId)
{
    Record("StartPreventPnP(" + Text(deviceId) + ")");
    return 11;
}

HELPER_EXPORT BOOL WINAPI EndPreventPnP(const char* deviceId)
{
    Record("EndPreventPnP(" + Text(deviceId) + ")");
    return 12;
}

HELPER_EXPORT BOOL WINAPI SystemRefresh(const char* deviceId, const char* vidPid)
{
    Record("SystemRefresh(" + Join({Text(deviceId), Text(vidPid)}) + ")");
    return 13;
}

HELPER_EXPORT BOOL WINAPI RemoveUnknownDev(const char* deviceId, const char* vidPid)
{
    Record("RemoveUnknownDev(" + Join({Text(deviceId), Text(vidPid)}) + ")");
    return 14;
}

HELPER_EXPORT BOOL WINAPI RemoveHardwareWizardDialog()
{
    Record("RemoveHardwareWizardDialog()");
    return 15;
}

HELPER_EXPORT BOOL WINAPI MySetForegroundNHWdDialog()
{
    Record("MySetForegroundNHWdDialog()");
    return 16;
}

HELPER_EXPORT BOOL WINAPI MyGetDeviceIDFromPort(const char* port, char* deviceId)
{
    Record("MyGetDeviceIDFromPort(" + Text(port) + ")");
    std::snprintf(deviceId, kDeviceIdBufferSize, "MFG:Acme;MDL:%s;", port);
    return 17;
}

HELPER_EXPORT BOOL WINAPI SaveFile(const char* file, const char* keyPath, int reserved)
{
    Record("SaveFile(" + Join({Text(file), Text(keyPath), std::to_string(reserved)}) + ")");
    return 18;
}

// Answers from the path, so that callers on several threads can each check their own answer.
HELPER_EXPORT DWORD WINAPI GetDiskFreeSpaceKV(const char* path)
{
    Record("GetDiskFreeSpaceKV(" + Text(path) + ")");
    return static_cast<DWORD>(std::strtoul(path, nullptr, 10) * 3 + 1);
}

HELPER_EXPORT int WINAPI Diagnosis(const char* mfg, const char* printer, const char* mdl, const char* vidPid)
{
    Record("Diagnosis(" + Join({Text(mfg), Text(printer), Text(mdl), Text(vidPid)}) + ")");
    return 19;
}

HELPER_EXPORT int WINAPI DiagnosisEx(const char* mfg, const char* printer, const char* mdl, const char* vidPid,
                                     int reserved)
{
    Record("DiagnosisEx(" + Join({Text(mfg), Text(printer), Text(mdl), Text(vidPid), std::to_string(reserved)}) +
           ")");
    return 20;
}

HELPER_EXPORT int WINAPI PrintTestPage(const char* printer, const char* p2, const char* p3,
                                       const char* resourcePath, const char* p5)
{
    Record("PrintTestPage(" + Join({Text(printer), Text(p2), Text(p3), Text(resourcePath), Text(p5)}) + ")");
    return 21;
}

HELPER_EXPORT int WINAPI MetaTestPage(const char* printer, const char* file)
{
    Record("MetaTestPage(" + Join({Text(printer), Text(file)}) + ")");
    return 22;
}

HELPER_EXPORT int WINAPI PrintPrnFile(const char* printer, const char* file)
{
    Record("PrintPrnFile(" + Join({Text(printer), Text(file)}) + ")");
    return 23;
}

HELPER_EXPORT BOOL WINAPI MySetNetworkPort(const char* port, const char* ipAddress, const char* monitorName,
                                           const char* monitorFile, const char* mutexName, BOOL flag)
{
    Record("MySetNetworkPort(" + Join({Text(port), Text(ipAddress), Text(monitorName), Text(monitorFile),
                                       Text(mutexName), std::to_string(flag)}) + ")");
    return 24;
}

HELPER_EXPORT BOOL WINAPI MySetNetworkPortEx(const char* port, const char* ipAddress, const char* extra,
                                             const char* ipxAddress, const char* monitorName,
                                             const char* monitorFile, const char* mutexName, BOOL flag)
{
    Record("MySetNetworkPortEx(" + Join({Text(port), Text(ipAddress), Text(extra), Text(ipxAddress),
                                         Text(monitorName), Text(monitorFile), Text(mutexName),
                                         std::to_string(flag)}) + ")");
    return 25;
}

HELPER_EXPORT BOOL WINAPI MyDelNetworkPort(const char* port, const char* mutexName, BOOL flag)
{
    Record("MyDelNetworkPort(" + Join({Text(port), Text(mutexName), std::to_string(flag)}) + ")");
    return 26;
}

HELPER_EXPORT int WINAPI MyGetPrinterDesc(const char* address, char* description, BOOL publicOid)
{
    Record("MyGetPrinterDesc(" + Join({Text(address), std::to_string(publicOid)}) + ")");
    std::snprintf(description, kPrinterDescBufferSize, "MFG:Acme;MDL:Net %s;", address);
    return 0;
}

HELPER_EXPORT BOOL WINAPI MyGetIPX(const char* ipAddress, char* ipxAddress)
{
    Record("MyGetIPX(" + Text(ipAddress) + ")");
    std::snprintf(ipxAddress, kIpxAddressBufferSize, "00000001:%s", ipAddress);
    return 27;
}

HELPER_EXPORT int WINAPI Preinstall(const char* commandLine, HWND window)
{
    Record("Preinstall(" + Join({Text(commandLine), std::to_string(reinterpret_cast<INT_PTR>(window))}) + ")");
    return 28;
}

HELPER_EXPORT int WINAPI SetIP(const char* ipAddress, const char* gateway, const char* subnetMask,
                               const char* hardwareAddress)
{
    Record("SetIP(" + Join({Text(ipAddress), Text(gateway), Text(subnetMask), Text(hardwareAddress)}) + ")");
    return 29;
}

// Three printers: the count alone without a buffer, else as many entries as fit.
HELPER_EXPORT int WINAPI GetNetPrinter(BYTE* entries, DWORD size, DWORD* count)
{
    Record("GetNetPrinter(" + Join({entries != nullptr ? "buffer" : "none", std::to_string(size)}) + ")");
    if (entries == nullptr)
    {
        *count = 3;
        return 1;
    }
    const DWORD fit = size / kNetPrinterEntrySize < 3 ? size / kNetPrinterEntrySize : 3;
    for (DWORD index = 0; index < fit; ++index)
    {
        std::memset(entries + index * kNetPrinterEntrySize, static_cast<int>('a' + index), kNetPrinterEntrySize);
    }
    *count = fit;
    return 0;
}

HELPER_EXPORT BOOL WINAPI DoRemoteInstall(RemoteInstallBlock* block)
{
    return block != nullptr;
}

// Resolved by the installer but never called.
HELPER_EXPORT BOOL WINAPI SystemRefreshOnly() { return TRUE; }
HELPER_EXPORT BOOL WINAPI CheckRemoteAdmin() { return TRUE; }
HELPER_EXPORT BOOL WINAPI CheckLogonUser() { return TRUE; }
HELPER_EXPORT BOOL WINAPI GetNetworkPrinter() { return TRUE; }
HELPER_EXPORT BOOL WINAPI MyDelNetworkMonitor() { return TRUE; }
HELPER_EXPORT BOOL WINAPI MyVerifyPrinter() { return TRUE; }
HELPER_EXPORT BOOL WINAPI VerifyNetworkPrinter() { return TRUE; }

// The exports have exactly the types the installer calls them through.
static_assert(std::is_same<decltype(&MyInstall), MyInstallFn>::value, "MyInstall");
static_assert(std::is_same<decltype(&GetDevicePort), GetDevicePortFn>::value, "GetDevicePort");
static_assert(std::is_same<decltype(&PrintTestPage), PrintTestPageFn>::value, "PrintTestPage");
static_assert(std::is_same<decltype(&MySetNetworkPortEx), MySetNetworkPortExFn>::value, "MySetNetworkPortEx");
static_assert(std::is_same<decltype(&Preinstall), PreinstallFn>::value, "Preinstall");
static_assert(std::is_same<decltype(&GetNetPrinter), GetNetPrinterFn>::value, "GetNetPrinter");
