// The utility library: device questions answered from a device simulation, the free disk space, the
// registry export, and the device-housekeeping entries that need do no more than succeed on systems
// where nothing is pending. Steps go to "<temp>Kvutil.log".
//
// The simulation is the setting file beside the library, "Kvutil.ini":
//   [DEVICE] CONNECTED=1, MFG=, MDL= (when given, only that model answers), PORTS=USB001,LPT1:,
//            DEVICE_ID=MFG:...;MDL:...;   (the identifier every listed port reports)
//   [DISK]   FREE_MB=n                    (answer n instead of the real free space)
//   [HARDWARE_WIZARD] TITLE=...           (the new-hardware window to close or raise)

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/HelperLog.h"
#include "common/HelperText.h"
#include "common/SystemEntry.h"
#include "external/HelperApi.h"
#include "utility/RegExport.h"

#define HELPER_EXPORT extern "C" __declspec(dllexport)

namespace
{
HMODULE g_module = nullptr;
const CHelperLog kLog("Kvutil");

struct SimulatedDevice
{
    bool connected = false;
    std::vector<std::string> ports;
    std::string deviceId;
};

// The simulated device, when it is connected and is the model asked about.
SimulatedDevice ReadDevice(const std::string& mfg, const std::string& mdl)
{
    const std::string settings = helper::SettingFileOf(g_module);
    SimulatedDevice device;
    if (helper::IniNumber(settings, "DEVICE", "CONNECTED", 0) == 0)
    {
        return device;
    }
    const std::string simMfg = helper::IniString(settings, "DEVICE", "MFG");
    const std::string simMdl = helper::IniString(settings, "DEVICE", "MDL");
    if ((!simMfg.empty() && !mfg.empty() && !helper::EqualNoCase(simMfg, mfg)) ||
        (!simMdl.empty() && !mdl.empty() && !helper::EqualNoCase(simMdl, mdl)))
    {
        return device;
    }
    for (const std::string& port : helper::Split(helper::IniString(settings, "DEVICE", "PORTS"), ','))
    {
        if (!port.empty())
        {
            device.ports.push_back(port);
        }
    }
    device.connected = !device.ports.empty();
    device.deviceId = helper::IniString(settings, "DEVICE", "DEVICE_ID");
    return device;
}

std::string DriveRoot(const std::string& path)
{
    std::string full = path;
    if (full.empty())
    {
        char current[MAX_PATH + 1] = {};
        ::GetCurrentDirectoryA(MAX_PATH, current);
        full = current;
    }
    if (full.size() >= 2 && full[1] == ':')
    {
        return full.substr(0, 2) + "\\";
    }
    if (full.size() > 2 && full.compare(0, 2, "\\\\") == 0)
    {
        const size_t share = full.find('\\', 2);
        const size_t end = share == std::string::npos ? std::string::npos : full.find('\\', share + 1);
        return (end == std::string::npos ? full : full.substr(0, end)) + "\\";
    }
    return std::string();
}

using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(const char*, ULARGE_INTEGER*, ULARGE_INTEGER*, ULARGE_INTEGER*);

// Free megabytes of the drive; GetDiskFreeSpaceExA where the system has it (Windows 95 OSR2 on),
// else the cluster arithmetic, which the first Windows 95 caps at 2 GB. 0 when unknown.
DWORD FreeMegabytes(const std::string& root)
{
    const auto freeSpaceEx = helper::SystemFunction<GetDiskFreeSpaceExFn>(g_module, "kernel32.dll", "GetDiskFreeSpaceExA");
    unsigned long long bytes = 0;
    ULARGE_INTEGER available = {};
    if (freeSpaceEx != nullptr && freeSpaceEx(root.c_str(), &available, nullptr, nullptr))
    {
        bytes = available.QuadPart;
    }
    else
    {
        DWORD sectors = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
        if (!::GetDiskFreeSpaceA(root.c_str(), &sectors, &bytesPerSector, &freeClusters, &clusters))
        {
            return 0;
        }
        bytes = static_cast<unsigned long long>(sectors) * bytesPerSector * freeClusters;
    }
    const unsigned long long megabytes = bytes / (1024 * 1024);
    return megabytes > 0xFFFFFFFEULL ? 0xFFFFFFFEUL : static_cast<DWORD>(megabytes);
}

HWND HardwareWizardWindow()
{
    const std::string title = helper::IniString(helper::SettingFileOf(g_module), "HARDWARE_WIZARD", "TITLE",
                                                "Found New Hardware Wizard");
    return ::FindWindowA(nullptr, title.c_str());
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

HELPER_EXPORT BOOL WINAPI GetDevicePort(const char* mfg, const char* mdl, const char* vidPid, char* ports,
                                        DWORD* portCount)
{
    kLog.Write("GetDevicePort(%s,%s,%s)", helper::Text(mfg).c_str(), helper::Text(mdl).c_str(),
               helper::Text(vidPid).c_str());
    if (ports == nullptr || portCount == nullptr)
    {
        kLog.Write("GetDevicePort: no buffer given");
        return FALSE;
    }
    const SimulatedDevice device = ReadDevice(helper::Text(mfg), helper::Text(mdl));
    DWORD used = 0;
    DWORD count = 0;
    for (const std::string& port : device.ports)
    {
        if (used + port.size() + 2 > kDevicePortBufferSize)
        {
            break;
        }
        std::memcpy(ports + used, port.c_str(), port.size() + 1);
        used += static_cast<DWORD>(port.size() + 1);
        ++count;
    }
    ports[used] = '\0';
    *portCount = count;
    kLog.Write("GetDevicePort: %lu port(s)", count);
    return count > 0 ? TRUE : FALSE;
}

HELPER_EXPORT BOOL WINAPI MyGetDeviceIDFromPort(const char* port, char* deviceId)
{
    kLog.Write("MyGetDeviceIDFromPort(%s)", helper::Text(port).c_str());
    if (deviceId == nullptr)
    {
        return FALSE;
    }
    deviceId[0] = '\0';
    const SimulatedDevice device = ReadDevice(std::string(), std::string());
    for (const std::string& candidate : device.ports)
    {
        if (helper::EqualNoCase(candidate, helper::Text(port)) && !device.deviceId.empty())
        {
            const size_t length = device.deviceId.size() < kDeviceIdBufferSize - 1 ? device.deviceId.size()
                                                                                  : kDeviceIdBufferSize - 1;
            std::memcpy(deviceId, device.deviceId.c_str(), length);
            deviceId[length] = '\0';
            return TRUE;
        }
    }
    kLog.Write("MyGetDeviceIDFromPort: no device on %s", helper::Text(port).c_str());
    return FALSE;
}

HELPER_EXPORT DWORD WINAPI GetDiskFreeSpaceKV(const char* path)
{
    const std::string settings = helper::SettingFileOf(g_module);
    const std::string simulated = helper::IniString(settings, "DISK", "FREE_MB");
    if (!simulated.empty())
    {
        kLog.Write("GetDiskFreeSpaceKV(%s): simulated %s MB", helper::Text(path).c_str(), simulated.c_str());
        return helper::IniNumber(settings, "DISK", "FREE_MB", 0);
    }
    const std::string root = DriveRoot(helper::Text(path));
    const DWORD megabytes = root.empty() ? 0 : FreeMegabytes(root);
    kLog.Write("GetDiskFreeSpaceKV(%s): %s %lu MB", helper::Text(path).c_str(), root.c_str(), megabytes);
    return megabytes;
}

HELPER_EXPORT BOOL WINAPI SaveFile(const char* file, const char* keyPath, int reserved)
{
    const std::string target = helper::Text(file);
    std::string key;
    const HKEY root = helper::SplitRoot(helper::Text(keyPath), key);
    const char* rootName = root == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER"
                           : root == HKEY_CLASSES_ROOT ? "HKEY_CLASSES_ROOT"
                           : root == HKEY_USERS        ? "HKEY_USERS"
                                                       : "HKEY_LOCAL_MACHINE";
    if (target.empty() || key.empty())
    {
        kLog.Write("SaveFile(%s,%s,%d): no file or no key given", target.c_str(), key.c_str(), reserved);
        return FALSE;
    }
    const DWORD err = ExportRegistryKey(root, rootName, key, target);
    if (err != ERROR_SUCCESS)
    {
        kLog.WriteError(err, "SaveFile(%s,%s,%d) fail", target.c_str(), key.c_str(), reserved);
        return FALSE;
    }
    kLog.Write("SaveFile(%s,%s,%d) done", target.c_str(), key.c_str(), reserved);
    return TRUE;
}

// Nothing keeps the system's own driver search away on the systems this library serves; the calls
// succeed so that the installer goes on.
HELPER_EXPORT BOOL WINAPI StartPreventPnP(const char* deviceId)
{
    kLog.Write("StartPreventPnP(%s)", helper::Text(deviceId).c_str());
    return TRUE;
}

HELPER_EXPORT BOOL WINAPI EndPreventPnP(const char* deviceId)
{
    kLog.Write("EndPreventPnP(%s)", helper::Text(deviceId).c_str());
    return TRUE;
}

HELPER_EXPORT BOOL WINAPI SystemRefresh(const char* deviceId, const char* vidPid)
{
    kLog.Write("SystemRefresh(%s,%s)", helper::Text(deviceId).c_str(), helper::Text(vidPid).c_str());
    return TRUE;
}

HELPER_EXPORT BOOL WINAPI SystemRefreshOnly()
{
    kLog.Write("SystemRefreshOnly()");
    return TRUE;
}

HELPER_EXPORT BOOL WINAPI RemoveUnknownDev(const char* deviceId, const char* vidPid)
{
    kLog.Write("RemoveUnknownDev(%s,%s)", helper::Text(deviceId).c_str(), helper::Text(vidPid).c_str());
    return TRUE;
}

// TRUE when the system's new-hardware window was there and was asked to close.
HELPER_EXPORT BOOL WINAPI RemoveHardwareWizardDialog()
{
    const HWND window = HardwareWizardWindow();
    if (window == nullptr)
    {
        return FALSE;
    }
    kLog.Write("RemoveHardwareWizardDialog: closing the new-hardware window");
    return ::PostMessageA(window, WM_CLOSE, 0, 0);
}

HELPER_EXPORT BOOL WINAPI MySetForegroundNHWdDialog()
{
    const HWND window = HardwareWizardWindow();
    return window != nullptr && ::SetForegroundWindow(window) ? TRUE : FALSE;
}
