// The network manager library: printer descriptions and IPX addresses asked of the printer simulator
// (common/SimClient.h), and network ports created and removed through the spooler's port monitors:
// the Standard TCP/IP monitor where the system has one, else (as under Wine) a local port of the same
// name, which the log says plainly. Steps go to "<temp>KvNetMan.log".

#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/HelperLog.h"
#include "common/HelperText.h"
#include "common/SystemEntry.h"
#include "common/SimClient.h"
#include "common/Spooler.h"
#include "external/HelperApi.h"

#define HELPER_EXPORT extern "C" __declspec(dllexport)

namespace
{
HMODULE g_module = nullptr;
const CHelperLog kLog("KvNetMan");
constexpr int kNoAnswer = 1;                                 // MyGetPrinterDesc: nobody answered
constexpr int kNoPrinter = 2;                                // the simulator has no printer there
constexpr DWORD kMutexWaitMs = 10000;

using XcvDataWFn = BOOL(WINAPI*)(HANDLE, PCWSTR, PBYTE, DWORD, PBYTE, DWORD, PDWORD, PDWORD);

// The Standard TCP/IP monitor's port description (its "AddPort" input, version 1).
struct TcpPortData
{
    WCHAR portName[64];
    DWORD version;
    DWORD protocol;                                          // 1 raw
    DWORD size;
    DWORD reserved;
    WCHAR hostAddress[49];
    WCHAR snmpCommunity[33];
    DWORD doubleSpool;
    WCHAR queue[33];
    WCHAR ipAddress[16];
    BYTE reserved2[540];
    DWORD portNumber;
    DWORD snmpEnabled;
    DWORD snmpDevIndex;
};

std::wstring Wide(const std::string& text)
{
    std::vector<WCHAR> wide(text.size() + 1);
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    return wide.data();
}

void CopyWide(WCHAR* target, const std::wstring& text, size_t capacity)
{
    const size_t length = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(target, text.c_str(), length * sizeof(WCHAR));
    target[length] = 0;
}

// Sends one command to a port monitor; the monitor's own status code (0 success).
DWORD CallMonitor(const char* monitor, const wchar_t* command, BYTE* data, DWORD size)
{
    const auto xcvData = helper::SystemFunction<XcvDataWFn>(g_module, "winspool.drv", "XcvDataW");
    if (xcvData == nullptr)
    {
        return ERROR_CALL_NOT_IMPLEMENTED;                   // Windows 9x and NT 4 have no monitor commands
    }
    PRINTER_DEFAULTSA access = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    helper::CPrinterHandle handle;
    std::string name = std::string(",XcvMonitor ") + monitor;
    if (!::OpenPrinterA(&name[0], handle.Receive(), &access))
    {
        return ::GetLastError();
    }
    DWORD needed = 0;
    DWORD status = ERROR_SUCCESS;
    if (!xcvData(handle.Get(), command, data, size, nullptr, 0, &needed, &status))
    {
        return ::GetLastError();
    }
    return status;
}

DWORD AddTcpPort(const std::string& port, const std::string& address)
{
    TcpPortData data = {};
    CopyWide(data.portName, Wide(port), 64);
    CopyWide(data.hostAddress, Wide(address), 49);
    CopyWide(data.snmpCommunity, L"public", 33);
    data.version = 1;
    data.protocol = 1;
    data.size = sizeof(data);
    data.portNumber = 9100;
    return CallMonitor("Standard TCP/IP Port", L"AddPort", reinterpret_cast<BYTE*>(&data), sizeof(data));
}

DWORD AddLocalPort(const std::string& port)
{
    std::wstring name = Wide(port);
    return CallMonitor("Local Port", L"AddPort", reinterpret_cast<BYTE*>(&name[0]),
                       static_cast<DWORD>((name.size() + 1) * sizeof(WCHAR)));
}

// Holds the installer's network mutex (when named) for the port change; bounded wait.
class CNetMutex
{
public:
    explicit CNetMutex(const std::string& name)
    {
        if (!name.empty())
        {
            m_mutex.Reset(::CreateMutexA(nullptr, FALSE, name.c_str()));
            m_owned = m_mutex.IsValid() && ::WaitForSingleObject(m_mutex.Get(), kMutexWaitMs) != WAIT_TIMEOUT;
        }
    }
    ~CNetMutex()
    {
        if (m_owned)
        {
            ::ReleaseMutex(m_mutex.Get());
        }
    }
    CNetMutex(const CNetMutex&) = delete;
    CNetMutex& operator=(const CNetMutex&) = delete;

private:
    CHandle m_mutex;
    bool m_owned = false;
};

BOOL SetNetworkPort(const std::string& port, const std::string& address, const std::string& mutex)
{
    if (port.empty() || address.empty())
    {
        kLog.Write("No port name or no address given");
        return FALSE;
    }
    CNetMutex guard(mutex);
    if (helper::PortExists(port))
    {
        kLog.Write("Port %s is already in use; not created again", port.c_str());
        return FALSE;
    }
    DWORD err = AddTcpPort(port, address);
    if (err == ERROR_SUCCESS)
    {
        kLog.Write("Standard TCP/IP port %s for %s created", port.c_str(), address.c_str());
        return TRUE;
    }
    kLog.WriteError(err, "The Standard TCP/IP port monitor cannot create %s; a local port of that name is created "
                         "instead, which prints to a file of that name, not to %s",
                    port.c_str(), address.c_str());
    err = AddLocalPort(port);
    if (err != ERROR_SUCCESS)
    {
        kLog.WriteError(err, "Local port %s cannot be created", port.c_str());
        return FALSE;
    }
    kLog.Write("Local port %s created", port.c_str());
    return TRUE;
}

int AskDescription(const std::string& address, std::string& description)
{
    std::vector<std::string> lines;
    const DWORD err = helper::AskSimulator(helper::SimulatorOf(g_module), "DESC " + address, lines);
    if (err != 0)
    {
        kLog.WriteError(err, "Printer %s does not answer", address.c_str());
        return kNoAnswer;
    }
    if (lines[0].compare(0, 3, "OK ") != 0)
    {
        kLog.Write("No printer at %s", address.c_str());
        return kNoPrinter;
    }
    description = lines[0].substr(3);
    return 0;
}
}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
    {
        g_module = instance;
    }
    return TRUE;
}

HELPER_EXPORT int WINAPI MyGetPrinterDesc(const char* address, char* description, BOOL publicOid)
{
    kLog.Write("MyGetPrinterDesc(%s,%d)", helper::Text(address).c_str(), publicOid);
    if (address == nullptr || description == nullptr || *address == '\0')
    {
        return kNoAnswer;
    }
    std::string text;
    const int result = AskDescription(address, text);
    if (result == 0)
    {
        const size_t length = text.size() < kPrinterDescBufferSize - 1 ? text.size() : kPrinterDescBufferSize - 1;
        std::memcpy(description, text.c_str(), length);
        description[length] = '\0';
    }
    return result;
}

HELPER_EXPORT BOOL WINAPI MyGetIPX(const char* ipAddress, char* ipxAddress)
{
    kLog.Write("MyGetIPX(%s)", helper::Text(ipAddress).c_str());
    std::vector<std::string> lines;
    if (ipxAddress == nullptr ||
        helper::AskSimulator(helper::SimulatorOf(g_module), "IPX " + helper::Text(ipAddress), lines) != 0 ||
        lines[0].compare(0, 3, "OK ") != 0)
    {
        return FALSE;
    }
    ::lstrcpynA(ipxAddress, lines[0].c_str() + 3, kIpxAddressBufferSize);
    return TRUE;
}

HELPER_EXPORT BOOL WINAPI MySetNetworkPort(const char* port, const char* ipAddress, const char* monitorName,
                                           const char* monitorFile, const char* mutexName, BOOL flag)
{
    kLog.Write("MySetNetworkPort(%s,%s,%s,%s,%s,%d)", helper::Text(port).c_str(), helper::Text(ipAddress).c_str(),
               helper::Text(monitorName).c_str(), helper::Text(monitorFile).c_str(), helper::Text(mutexName).c_str(),
               flag);
    return SetNetworkPort(helper::Text(port), helper::Text(ipAddress), helper::Text(mutexName));
}

HELPER_EXPORT BOOL WINAPI MySetNetworkPortEx(const char* port, const char* ipAddress, const char* extra,
                                             const char* ipxAddress, const char* monitorName, const char* monitorFile,
                                             const char* mutexName, BOOL flag)
{
    kLog.Write("MySetNetworkPortEx(%s,%s,%s,%s,%s,%s,%s,%d)", helper::Text(port).c_str(),
               helper::Text(ipAddress).c_str(), helper::Text(extra).c_str(), helper::Text(ipxAddress).c_str(),
               helper::Text(monitorName).c_str(), helper::Text(monitorFile).c_str(), helper::Text(mutexName).c_str(),
               flag);
    return SetNetworkPort(helper::Text(port), helper::Text(ipAddress), helper::Text(mutexName));
}

HELPER_EXPORT BOOL WINAPI MyDelNetworkPort(const char* port, const char* mutexName, BOOL flag)
{
    const std::string name = helper::Text(port);
    kLog.Write("MyDelNetworkPort(%s,%s,%d)", name.c_str(), helper::Text(mutexName).c_str(), flag);
    CNetMutex guard(helper::Text(mutexName));
    if (name.empty() || !helper::PortExists(name))
    {
        kLog.Write("Port %s does not exist", name.c_str());
        return FALSE;
    }
    std::wstring wide = Wide(name);
    const DWORD size = static_cast<DWORD>((wide.size() + 1) * sizeof(WCHAR));
    DWORD err = CallMonitor("Standard TCP/IP Port", L"DeletePort", reinterpret_cast<BYTE*>(&wide[0]), size);
    if (err != ERROR_SUCCESS)
    {
        err = CallMonitor("Local Port", L"DeletePort", reinterpret_cast<BYTE*>(&wide[0]), size);
    }
    if (err != ERROR_SUCCESS || helper::PortExists(name))
    {
        kLog.WriteError(err, "Port %s cannot be removed", name.c_str());
        return FALSE;
    }
    kLog.Write("Port %s removed", name.c_str());
    return TRUE;
}

// Resolved by the installer but never called; they answer as a system without the entries would.
HELPER_EXPORT BOOL WINAPI MyDelNetworkMonitor(const char* monitorName)
{
    kLog.Write("MyDelNetworkMonitor(%s)", helper::Text(monitorName).c_str());
    return TRUE;
}

HELPER_EXPORT BOOL WINAPI MyVerifyPrinter(const char* address)
{
    std::string description;
    return address != nullptr && AskDescription(address, description) == 0;
}

HELPER_EXPORT int WINAPI GetNetworkPrinter(BYTE* entries, DWORD size, DWORD* count)
{
    if (count != nullptr)
    {
        *count = 0;
    }
    return 1;
}
