#pragma once
// The helper-library table: loads the helper libraries from the paths the installer environment
// resolved, resolves their entry points by name, and offers one guarded call per entry point. A
// missing library or entry, or a fault inside a library, is logged and answered with the entry's
// fallback value; the installer goes on. Libraries are released when the table goes away.

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "base/Scoped.h"
#include "external/HelperApi.h"
#include "log/Log.h"

// The helper libraries and programs, in load order.
enum ExternalFile
{
    kInstallerDll,
    kUtilityDll,
    kRemoteInstallDll,
    kDiagnosisDll,
    kTestPageDll,
    kNetworkManagerDll,
    kResourceDll,
    kUninstallerExe,
    kKvOpenExe,
    kPreinstallerDll,
    kSetIpDll,
    kExternalFileCount
};

// Where the environment finds a file's path: key `key` of the data file's INSTALLER_FILE_INFO (its
// platform variant first), else the INSTALLER_FILE_INFO value of `defaultKey` when there is one, else
// `defaultPath`. The value is resolved against the source directory; a missing file gives "".
struct ExternalFileKey
{
    ExternalFile file;
    const char* key;
    const char* defaultKey;
    const char* defaultPath;
};

class CExternalFnt
{
public:
    using Paths = std::array<std::string, kExternalFileCount>;   // indexed by ExternalFile

    static const ExternalFileKey kFileKeys[kExternalFileCount];    // in load order

    explicit CExternalFnt(CLog& log);
    CExternalFnt(const CExternalFnt&) = delete;
    CExternalFnt& operator=(const CExternalFnt&) = delete;

    // Keeps every path and loads the libraries in load order ("" means the file was not found),
    // logging each one that fails; its entry points stay empty. A path that is not a full path is
    // neither kept nor loaded (logged with ERROR_BAD_PATHNAME for a library). Loading again replaces everything;
    // never while calls may run.
    void Load(const Paths& paths);

    const std::string& GetPath(ExternalFile file) const;
    HMODULE GetModule(ExternalFile file) const;               // null unless loaded; the table keeps ownership
    // Leaves every loaded library loaded for the rest of the process: a thread may still be inside one
    // of them when the table goes away.
    void KeepLibrariesLoaded();
    bool HasEntry(const char* name) const;                    // the entry point was resolved

    // Guarded calls. Outputs are written only when the library answered (no missing entry, no fault).
    BOOL MyInstall(const char* installingKey, const char* itemKey, int installed) const;
    BOOL MyCreateShortCut(const char* installingKey, const char* shortcutKey) const;

    // The port names in the order given; the count as the library reported it (-1 is possible).
    BOOL GetDevicePort(const char* mfg, const char* mdl, const char* vidPid, std::vector<std::string>* ports,
                       int* portCount) const;
    BOOL StartPreventPnP(const char* deviceId) const;
    BOOL EndPreventPnP(const char* deviceId) const;
    BOOL SystemRefresh(const char* deviceId, const char* vidPid) const;
    BOOL RemoveUnknownDev(const char* deviceId, const char* vidPid) const;
    BOOL RemoveHardwareWizardDialog() const;
    BOOL MySetForegroundNHWdDialog() const;
    BOOL MyGetDeviceIDFromPort(const char* port, std::string* deviceId) const;
    BOOL SaveFile(const char* file, const char* keyPath) const;
    DWORD GetDiskFreeSpaceKV(const char* path) const;

    int Diagnosis(const char* mfg, const char* printer, const char* mdl, const char* vidPid) const;
    int DiagnosisEx(const char* mfg, const char* printer, const char* mdl, const char* vidPid) const;
    // Passes the resource library's path as the fourth argument.
    int PrintTestPage(const char* printer, const char* p2, const char* p3, const char* p5) const;
    int MetaTestPage(const char* printer, const char* file) const;
    int PrintPrnFile(const char* printer, const char* file) const;

    BOOL MySetNetworkPort(const char* port, const char* ipAddress, const char* monitorName,
                          const char* monitorFile, const char* mutexName, BOOL flag) const;
    BOOL MySetNetworkPortEx(const char* port, const char* ipAddress, const char* extra, const char* ipxAddress,
                            const char* monitorName, const char* monitorFile, const char* mutexName,
                            BOOL flag) const;
    BOOL MyDelNetworkPort(const char* port, const char* mutexName, BOOL flag) const;
    int MyGetPrinterDesc(const char* address, std::string* description, BOOL publicOid) const;
    BOOL MyGetIPX(const char* ipAddress, std::string* ipxAddress) const;

    int Preinstall(const char* commandLine, HWND window) const;

    int SetIP(const char* ipAddress, const char* gateway, const char* subnetMask,
              const char* hardwareAddress) const;
    // entries: room for size bytes of 65-byte entries, or null to ask for the count only.
    int GetNetPrinter(BYTE* entries, DWORD size, DWORD* count) const;

private:
    enum Entry
    {
        kMyInstall,
        kMyCreateShortCut,
        kGetDevicePort,
        kStartPreventPnP,
        kEndPreventPnP,
        kRemoveHardwareWizardDialog,
        kMySetForegroundNHWdDialog,
        kSystemRefresh,
        kSaveFile,
        kRemoveUnknownDev,
        kSystemRefreshOnly,
        kGetDiskFreeSpaceKV,
        kMyGetDeviceIDFromPort,
        kDoRemoteInstall,
        kCheckRemoteAdmin,
        kCheckLogonUser,
        kDiagnosis,
        kDiagnosisEx,
        kPrintTestPage,
        kMetaTestPage,
        kPrintPrnFile,
        kGetNetworkPrinter,
        kMySetNetworkPort,
        kMySetNetworkPortEx,
        kMyDelNetworkPort,
        kMyDelNetworkMonitor,
        kMyVerifyPrinter,
        kMyGetPrinterDesc,
        kMyGetIPX,
        kPreinstall,
        kSetIP,
        kVerifyNetworkPrinter,
        kGetNetPrinter,
        kEntryCount
    };
    struct EntryName
    {
        ExternalFile file;
        const char* name;
    };
    static const EntryName kEntryNames[kEntryCount];

    void LoadLibraryFile(ExternalFile file);
    template <typename Fn, typename Result, typename... Args>
    bool CallEntry(Entry entry, Result* result, Args... args) const;

    CLog& m_log;
    Paths m_paths;
    std::array<CModule, kExternalFileCount> m_modules;
    std::array<FARPROC, kEntryCount> m_entries = {};
};
