#include "external/ExternalFnt.h"

#include <cstring>

#include "base/PathText.h"
#include "external/FaultGuard.h"

const ExternalFileKey CExternalFnt::kFileKeys[kExternalFileCount] = {
    {kInstallerDll, "INSTALLER_DLL", nullptr, ".\\data\\Kvrun.dll"},
    {kUtilityDll, "UTILITY_DLL", nullptr, ".\\data\\Kvutil.dll"},
    {kRemoteInstallDll, "REMOTE_INSTALL_DLL", nullptr, ".\\data\\Kvrmtint.dll"},
    {kDiagnosisDll, "DIAGNOSIS_DLL", nullptr, ".\\data\\Kvdiag.dll"},
    {kTestPageDll, "TESTPAGE_DLL", "DIAGNOSIS_DLL", ".\\data\\Kvdiag.dll"},
    {kNetworkManagerDll, "NETWORKMAN_DLL", nullptr, ".\\data\\KvNetMan.dll"},
    {kResourceDll, "RESOURCE_DLL", nullptr, ".\\KVres.dll"},
    {kUninstallerExe, "UNINSTALLER_EXE", nullptr, ".\\data\\KVDelAll.exe"},
    {kKvOpenExe, "KVOPEN_EXE", nullptr, ".\\data\\Kvopen.exe"},
    {kPreinstallerDll, "PREINSTALLER_DLL", nullptr, ".\\data\\KVpre.dll"},
    {kSetIpDll, "SETIP_DLL", nullptr, ".\\data\\Setip.dll"},
};

const CExternalFnt::EntryName CExternalFnt::kEntryNames[kEntryCount] = {
    {kInstallerDll, "MyInstall"},
    {kInstallerDll, "MyCreateShortCut"},
    {kUtilityDll, "GetDevicePort"},
    {kUtilityDll, "StartPreventPnP"},
    {kUtilityDll, "EndPreventPnP"},
    {kUtilityDll, "RemoveHardwareWizardDialog"},
    {kUtilityDll, "MySetForegroundNHWdDialog"},
    {kUtilityDll, "SystemRefresh"},
    {kUtilityDll, "SaveFile"},
    {kUtilityDll, "RemoveUnknownDev"},
    {kUtilityDll, "SystemRefreshOnly"},
    {kUtilityDll, "GetDiskFreeSpaceKV"},
    {kUtilityDll, "MyGetDeviceIDFromPort"},
    {kRemoteInstallDll, "DoRemoteInstall"},
    {kRemoteInstallDll, "CheckRemoteAdmin"},
    {kRemoteInstallDll, "CheckLogonUser"},
    {kDiagnosisDll, "Diagnosis"},
    {kDiagnosisDll, "DiagnosisEx"},
    {kTestPageDll, "PrintTestPage"},
    {kTestPageDll, "MetaTestPage"},
    {kTestPageDll, "PrintPrnFile"},
    {kNetworkManagerDll, "GetNetworkPrinter"},
    {kNetworkManagerDll, "MySetNetworkPort"},
    {kNetworkManagerDll, "MySetNetworkPortEx"},
    {kNetworkManagerDll, "MyDelNetworkPort"},
    {kNetworkManagerDll, "MyDelNetworkMonitor"},
    {kNetworkManagerDll, "MyVerifyPrinter"},
    {kNetworkManagerDll, "MyGetPrinterDesc"},
    {kNetworkManagerDll, "MyGetIPX"},
    {kPreinstallerDll, "Preinstall"},
    {kSetIpDll, "SetIP"},
    {kSetIpDll, "VerifyNetworkPrinter"},
    {kSetIpDll, "GetNetPrinter"},
};

namespace
{
// The log line for a library that cannot be loaded; null for the programs, which are never loaded.
const char* LoadFailureText(ExternalFile file)
{
    switch (file)
    {
    case kInstallerDll:
        return "Load installer DLL fail (%s)";
    case kUtilityDll:
        return "Load Utility DLL fail (%s)";
    case kRemoteInstallDll:
        return "Load Remote DLL fail (%s)";
    case kDiagnosisDll:
        return "Load Diagnosis DLL fail (%s)";
    case kTestPageDll:
        return "Load TestPage DLL fail (%s)";
    case kNetworkManagerDll:
        return "Load Netmanager DLL fail (%s)";
    case kResourceDll:
        return "Load Resource DLL fail (%s)";
    case kPreinstallerDll:
        return "Load Preinstaller DLL fail (%s)";
    case kSetIpDll:
        return "Load SetIP DLL fail (%s)";
    default:
        return nullptr;
    }
}

DWORD LoadModule(const std::string& path, CModule* module)
{
    HMODULE handle = ::LoadLibraryA(path.c_str());
    const DWORD err = handle != nullptr ? ERROR_SUCCESS : ::GetLastError();
    module->Reset(handle);
    return err;
}

// Log lines show a missing text as empty.
const char* Shown(const char* text)
{
    return text != nullptr ? text : "";
}

// The names a library left one after the other in a zero-filled buffer, each ending with a zero byte.
std::vector<std::string> SplitNames(const std::vector<char>& buffer)
{
    std::vector<std::string> names;
    size_t start = 0;
    while (start < buffer.size() && buffer[start] != '\0')
    {
        const size_t end = start + std::strlen(&buffer[start]);
        names.emplace_back(&buffer[start], end - start);
        start = end + 1;
    }
    return names;
}
}  // namespace

CExternalFnt::CExternalFnt(CLog& log) : m_log(log)
{
}

void CExternalFnt::KeepLibrariesLoaded()
{
    for (CModule& module : m_modules)
    {
        (void)module.Release();                               // no FreeLibrary: the reference stays
    }
}

void CExternalFnt::Load(const Paths& paths)
{
    m_entries.fill(nullptr);
    for (const ExternalFileKey& key : kFileKeys)
    {
        const std::string& path = paths[key.file];
        // A helper is taken only from the place the product names: a path that the system would look
        // for in the current folder or along the search path could find a file planted there.
        const bool placed = path.empty() || PathText::IsFullPath(path, IsSystemLeadByte);
        m_paths[key.file] = placed ? path : std::string();
        m_modules[key.file].Reset();
        const char* failureText = LoadFailureText(key.file);
        if (failureText != nullptr && placed)
        {
            LoadLibraryFile(key.file);
        }
        else if (failureText != nullptr)
        {
            m_log.WriteError(ERROR_BAD_PATHNAME, failureText, path.c_str());
        }
    }
}

void CExternalFnt::LoadLibraryFile(ExternalFile file)
{
    const std::string& path = m_paths[file];
    if (path.empty() && file == kNetworkManagerDll)
    {
        m_log.Write("Get network Netmanager DLL fail");
        return;
    }
    // An empty path is a library the environment did not find.
    const DWORD err = path.empty() ? ERROR_FILE_NOT_FOUND : LoadModule(path, &m_modules[file]);
    if (err != ERROR_SUCCESS)
    {
        m_log.WriteError(err, LoadFailureText(file), path.c_str());
        return;                                               // entry points stay empty; calls give fallbacks
    }
    for (int entry = 0; entry < kEntryCount; ++entry)
    {
        if (kEntryNames[entry].file == file)
        {
            m_entries[entry] = ::GetProcAddress(m_modules[file].Get(), kEntryNames[entry].name);
        }
    }
}

const std::string& CExternalFnt::GetPath(ExternalFile file) const
{
    return m_paths[file];
}

HMODULE CExternalFnt::GetModule(ExternalFile file) const
{
    return m_modules[file].Get();
}

bool CExternalFnt::HasEntry(const char* name) const
{
    for (int entry = 0; entry < kEntryCount; ++entry)
    {
        if (name != nullptr && std::strcmp(kEntryNames[entry].name, name) == 0)
        {
            return m_entries[entry] != nullptr;
        }
    }
    return false;
}

// The one place a helper library's code runs. True when the library answered; *result then holds
// its answer. A missing entry and a fault inside the library each log their line and leave *result
// (the caller's fallback) alone. No lock: calls run on whichever thread makes them.
template <typename Fn, typename Result, typename... Args>
bool CExternalFnt::CallEntry(Entry entry, Result* result, Args... args) const
{
    const char* name = kEntryNames[entry].name;
    const Fn function = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(m_entries[entry]));
    if (function == nullptr)
    {
        m_log.Write("Call %s ==> NULL", name);
        return false;
    }
    const CFaultGuard::Outcome outcome = CFaultGuard::Run([&]() { *result = function(args...); });
    if (!outcome.completed)
    {
        m_log.Write("Call %s() ==> GPF!!!!", name);
        return false;
    }
    return true;
}

BOOL CExternalFnt::MyInstall(const char* installingKey, const char* itemKey, int installed) const
{
    m_log.Write("Call MyInstall(%d,%s,%s,%d)", 0, Shown(installingKey), Shown(itemKey), installed);
    BOOL result = FALSE;
    (void)CallEntry<MyInstallFn>(kMyInstall, &result, 0, installingKey, itemKey, installed);
    return result;
}

BOOL CExternalFnt::MyCreateShortCut(const char* installingKey, const char* shortcutKey) const
{
    m_log.Write("Call MyCreateShortCut(%d,%s,%s)", 0, Shown(installingKey), Shown(shortcutKey));
    BOOL result = FALSE;
    (void)CallEntry<MyCreateShortCutFn>(kMyCreateShortCut, &result, 0, installingKey, shortcutKey);
    return result;
}

// The library gets a buffer of the documented size whatever the caller needs, so that it can never
// write past the caller's; one byte more than documented keeps the list ended.
BOOL CExternalFnt::GetDevicePort(const char* mfg, const char* mdl, const char* vidPid,
                                 std::vector<std::string>* ports, int* portCount) const
{
    m_log.Write("Call GetDevicePort(%s,%s,%s,lpPort,lpdwPortNum)", Shown(mfg), Shown(mdl), Shown(vidPid));
    std::vector<char> buffer(kDevicePortBufferSize + 1, '\0');
    DWORD count = 0;
    BOOL result = FALSE;
    if (CallEntry<GetDevicePortFn>(kGetDevicePort, &result, mfg, mdl, vidPid, buffer.data(), &count))
    {
        buffer.back() = '\0';
        if (ports != nullptr)
        {
            *ports = SplitNames(buffer);
        }
        if (portCount != nullptr)
        {
            *portCount = static_cast<int>(count);
        }
    }
    return result;
}

BOOL CExternalFnt::StartPreventPnP(const char* deviceId) const
{
    m_log.Write("Call StartPreventPnP(%s)", Shown(deviceId));
    BOOL result = FALSE;
    (void)CallEntry<StartPreventPnPFn>(kStartPreventPnP, &result, deviceId);
    return result;
}

BOOL CExternalFnt::EndPreventPnP(const char* deviceId) const
{
    m_log.Write("Call EndPreventPnP(%s)", Shown(deviceId));
    BOOL result = FALSE;
    (void)CallEntry<EndPreventPnPFn>(kEndPreventPnP, &result, deviceId);
    return result;
}

BOOL CExternalFnt::SystemRefresh(const char* deviceId, const char* vidPid) const
{
    m_log.Write("Call SystemRefresh(%s,%s)", Shown(deviceId), Shown(vidPid));
    BOOL result = FALSE;
    (void)CallEntry<SystemRefreshFn>(kSystemRefresh, &result, deviceId, vidPid);
    return result;
}

BOOL CExternalFnt::RemoveUnknownDev(const char* deviceId, const char* vidPid) const
{
    m_log.Write("Call RemoveUnknownDev(%s,%s)", Shown(deviceId), Shown(vidPid));
    BOOL result = FALSE;
    (void)CallEntry<RemoveUnknownDevFn>(kRemoveUnknownDev, &result, deviceId, vidPid);
    return result;
}

// Called every second by the watcher threads: no call line.
BOOL CExternalFnt::RemoveHardwareWizardDialog() const
{
    BOOL result = FALSE;
    (void)CallEntry<RemoveHardwareWizardDialogFn>(kRemoveHardwareWizardDialog, &result);
    return result;
}

BOOL CExternalFnt::MySetForegroundNHWdDialog() const
{
    BOOL result = FALSE;
    (void)CallEntry<MySetForegroundNHWdDialogFn>(kMySetForegroundNHWdDialog, &result);
    return result;
}

BOOL CExternalFnt::MyGetDeviceIDFromPort(const char* port, std::string* deviceId) const
{
    m_log.Write("Call MyGetDeviceIDFromPort");
    std::vector<char> buffer(kDeviceIdBufferSize + 1, '\0');
    BOOL result = FALSE;
    if (CallEntry<MyGetDeviceIDFromPortFn>(kMyGetDeviceIDFromPort, &result, port, buffer.data()) &&
        deviceId != nullptr)
    {
        buffer.back() = '\0';
        *deviceId = buffer.data();
    }
    return result;
}

BOOL CExternalFnt::SaveFile(const char* file, const char* keyPath) const
{
    m_log.Write("Call SaveFile(%s,%s,%d)", Shown(file), Shown(keyPath), 0);
    BOOL result = FALSE;
    (void)CallEntry<SaveFileFn>(kSaveFile, &result, file, keyPath, 0);
    return result;
}

DWORD CExternalFnt::GetDiskFreeSpaceKV(const char* path) const
{
    m_log.Write("Call GetDiskFreeSpaceKV(%s)", Shown(path));
    DWORD result = 0;
    (void)CallEntry<GetDiskFreeSpaceKVFn>(kGetDiskFreeSpaceKV, &result, path);
    return result;
}

int CExternalFnt::Diagnosis(const char* mfg, const char* printer, const char* mdl, const char* vidPid) const
{
    m_log.Write("Call Diagnosis(%s,%s,%s,%s)", Shown(mfg), Shown(printer), Shown(mdl), Shown(vidPid));
    int result = 1;
    (void)CallEntry<DiagnosisFn>(kDiagnosis, &result, mfg, printer, mdl, vidPid);
    return result;
}

int CExternalFnt::DiagnosisEx(const char* mfg, const char* printer, const char* mdl, const char* vidPid) const
{
    m_log.Write("Call DiagnosisEx(%s,%s,%s,%s,%d)", Shown(mfg), Shown(printer), Shown(mdl), Shown(vidPid), 0);
    int result = 1;
    (void)CallEntry<DiagnosisExFn>(kDiagnosisEx, &result, mfg, printer, mdl, vidPid, 0);
    return result;
}

int CExternalFnt::PrintTestPage(const char* printer, const char* p2, const char* p3, const char* p5) const
{
    const char* resourcePath = m_paths[kResourceDll].c_str();
    m_log.Write("Call PrintTestPage(%s,%s,%s,%s,%s)", Shown(printer), Shown(p2), Shown(p3), resourcePath,
                Shown(p5));
    int result = -1;
    (void)CallEntry<PrintTestPageFn>(kPrintTestPage, &result, printer, p2, p3, resourcePath, p5);
    return result;
}

int CExternalFnt::MetaTestPage(const char* printer, const char* file) const
{
    m_log.Write("Call MetaTestPage(%s,%s)", Shown(printer), Shown(file));
    int result = -1;
    (void)CallEntry<MetaTestPageFn>(kMetaTestPage, &result, printer, file);
    return result;
}

int CExternalFnt::PrintPrnFile(const char* printer, const char* file) const
{
    m_log.Write("Call PrintPrnFile(%s,%s)", Shown(printer), Shown(file));
    int result = 1;
    (void)CallEntry<PrintPrnFileFn>(kPrintPrnFile, &result, printer, file);
    return result;
}

BOOL CExternalFnt::MySetNetworkPort(const char* port, const char* ipAddress, const char* monitorName,
                                    const char* monitorFile, const char* mutexName, BOOL flag) const
{
    m_log.Write("Call MySetNetworkPort(%s,%s,%s,%s,%s,%d)", Shown(port), Shown(ipAddress), Shown(monitorName),
                Shown(monitorFile), Shown(mutexName), flag);
    BOOL result = FALSE;
    (void)CallEntry<MySetNetworkPortFn>(kMySetNetworkPort, &result, port, ipAddress, monitorName, monitorFile,
                                        mutexName, flag);
    return result;
}

BOOL CExternalFnt::MySetNetworkPortEx(const char* port, const char* ipAddress, const char* extra,
                                      const char* ipxAddress, const char* monitorName, const char* monitorFile,
                                      const char* mutexName, BOOL flag) const
{
    m_log.Write("Call MySetNetworkPortEx(%s,%s,%s,%s,%s,%s,%s,%d)", Shown(port), Shown(ipAddress), Shown(extra),
                Shown(ipxAddress), Shown(monitorName), Shown(monitorFile), Shown(mutexName), flag);
    BOOL result = FALSE;
    (void)CallEntry<MySetNetworkPortExFn>(kMySetNetworkPortEx, &result, port, ipAddress, extra, ipxAddress,
                                          monitorName, monitorFile, mutexName, flag);
    return result;
}

BOOL CExternalFnt::MyDelNetworkPort(const char* port, const char* mutexName, BOOL flag) const
{
    m_log.Write("Call MyDelNetworkPort(%s,%s,%d)", Shown(port), Shown(mutexName), flag);
    BOOL result = FALSE;
    (void)CallEntry<MyDelNetworkPortFn>(kMyDelNetworkPort, &result, port, mutexName, flag);
    return result;
}

int CExternalFnt::MyGetPrinterDesc(const char* address, std::string* description, BOOL publicOid) const
{
    m_log.Write("Call MyGetPrinterDesc(%s)", Shown(address));
    std::vector<char> buffer(kPrinterDescBufferSize + 1, '\0');
    int result = 4096;
    if (CallEntry<MyGetPrinterDescFn>(kMyGetPrinterDesc, &result, address, buffer.data(), publicOid) &&
        description != nullptr)
    {
        buffer.back() = '\0';
        *description = buffer.data();
    }
    return result;
}

BOOL CExternalFnt::MyGetIPX(const char* ipAddress, std::string* ipxAddress) const
{
    m_log.Write("Call MyGetIPX(%s)", Shown(ipAddress));
    std::vector<char> buffer(kIpxAddressBufferSize + 1, '\0');
    BOOL result = FALSE;
    if (CallEntry<MyGetIPXFn>(kMyGetIPX, &result, ipAddress, buffer.data()) && ipxAddress != nullptr)
    {
        buffer.back() = '\0';
        *ipxAddress = buffer.data();
    }
    return result;
}

int CExternalFnt::Preinstall(const char* commandLine, HWND window) const
{
    const int windowNumber = static_cast<int>(reinterpret_cast<INT_PTR>(window));
    m_log.Write("Call Preinstall(%s,%d)", Shown(commandLine), windowNumber);
    int result = -1;
    (void)CallEntry<PreinstallFn>(kPreinstall, &result, commandLine, window);
    return result;
}

int CExternalFnt::SetIP(const char* ipAddress, const char* gateway, const char* subnetMask,
                        const char* hardwareAddress) const
{
    m_log.Write("Call SetIP(%s,%s,%s,%s)", Shown(ipAddress), Shown(gateway), Shown(subnetMask),
                Shown(hardwareAddress));
    int result = 1;
    (void)CallEntry<SetIPFn>(kSetIP, &result, ipAddress, gateway, subnetMask, hardwareAddress);
    return result;
}

// The call line shows the buffer's address (0 for none), its size and the count passed in.
int CExternalFnt::GetNetPrinter(BYTE* entries, DWORD size, DWORD* count) const
{
    DWORD reported = count != nullptr ? *count : 0;
    m_log.Write("Call GetNetPrinter(%d,%d,%d)", static_cast<int>(reinterpret_cast<INT_PTR>(entries)),
                static_cast<int>(size), static_cast<int>(reported));
    int result = 1;
    if (CallEntry<GetNetPrinterFn>(kGetNetPrinter, &result, entries, size, &reported) && count != nullptr)
    {
        *count = reported;
    }
    return result;
}
