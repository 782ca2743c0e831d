#include "env/SystemCheck.h"

#include <winspool.h>

#include <cstring>
#include <vector>

#include "base/PathText.h"
#include "base/Scoped.h"
#include "base/UserMessage.h"
#include "log/Log.h"

namespace
{
struct SidTraits                                              // SIDs from AllocateAndInitializeSid
{
    using Type = PSID;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::FreeSid(h); }
};

struct ServiceHandleTraits
{
    using Type = SC_HANDLE;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::CloseServiceHandle(h); }
};

struct GlobalMemoryTraits
{
    using Type = HGLOBAL;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::GlobalFree(h); }
};

using CSid = CScoped<SidTraits>;
using CServiceHandle = CScoped<ServiceHandleTraits>;
using CGlobalMemory = CScoped<GlobalMemoryTraits>;

// Read 1 and write 2: the rights the Administrators-only descriptor grants.
constexpr DWORD kAccessRead = 1;
constexpr DWORD kAccessWrite = 2;

constexpr DWORD kPendingInstallWait = 1000;
constexpr int kMaxFurtherPendingWaits = 60;
constexpr int kSpoolerEnumAttempts = 4;
constexpr DWORD kMinServicePoll = 100;
constexpr DWORD kMaxServicePoll = 1000;

constexpr const char* kSourcePath = "SourcePath";
constexpr const char* kSourcePathOrg = "SourcePath_ORG";

// Runs as the process's own security context while it lives, so that the thread has a token.
class CSelfImpersonation
{
public:
    CSelfImpersonation() : m_active(::ImpersonateSelf(SecurityImpersonation) != FALSE) {}
    ~CSelfImpersonation()
    {
        if (m_active)
        {
            (void)::RevertToSelf();
        }
    }
    CSelfImpersonation(const CSelfImpersonation&) = delete;
    CSelfImpersonation& operator=(const CSelfImpersonation&) = delete;

private:
    bool m_active;
};

// The parts of a descriptor that admits the built-in Administrators group only; the descriptor points
// into the other members, so the object stays where it was built.
struct AdminDescriptor
{
    CSid sid;
    std::vector<DWORD> acl;                                   // DWORD-aligned ACL memory
    SECURITY_DESCRIPTOR descriptor = {};
};

// The thread's token, or the process's when the thread has none.
bool OpenQueryToken(CHandle& token)
{
    HANDLE handle = nullptr;
    if (::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, FALSE, &handle))
    {
        token.Reset(handle);
        return true;
    }
    if (::GetLastError() != ERROR_NO_TOKEN || !::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &handle))
    {
        return false;
    }
    token.Reset(handle);
    return true;
}

bool BuildAdminDescriptor(AdminDescriptor& admin)
{
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                                    0, 0, 0, &sid))
    {
        return false;
    }
    admin.sid.Reset(sid);
    const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(sid) - sizeof(DWORD);
    admin.acl.assign((aclSize + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
    auto* acl = reinterpret_cast<PACL>(admin.acl.data());
    return ::InitializeAcl(acl, aclSize, ACL_REVISION) != FALSE &&
           ::AddAccessAllowedAce(acl, ACL_REVISION, kAccessRead | kAccessWrite, sid) != FALSE &&
           ::InitializeSecurityDescriptor(&admin.descriptor, SECURITY_DESCRIPTOR_REVISION) != FALSE &&
           ::SetSecurityDescriptorDacl(&admin.descriptor, TRUE, acl, FALSE) != FALSE &&
           ::SetSecurityDescriptorGroup(&admin.descriptor, sid, FALSE) != FALSE &&
           ::SetSecurityDescriptorOwner(&admin.descriptor, sid, FALSE) != FALSE &&
           ::IsValidSecurityDescriptor(&admin.descriptor) != FALSE;
}

// The directory above dir that may still be removed; empty at the top: no backslash left, or the
// parent is a drive ("C:").
std::string RemovableDirectoryAbove(const std::string& dir)
{
    const std::string parent = PathText::DirectoryPart(dir, IsSystemLeadByte);
    if (parent.empty() || parent.back() == ':')
    {
        return std::string();
    }
    return parent;
}

using SpoolerEnum = BOOL (*)(BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned);

// Runs a spooler enumeration into GlobalAlloc memory, asking again while the list grows in between.
bool EnumerateIntoMemory(CLog& log, SpoolerEnum enumerate, CGlobalMemory& memory, DWORD& count)
{
    DWORD needed = 0;
    DWORD returned = 0;
    BOOL ok = enumerate(nullptr, 0, &needed, &returned);
    DWORD err = ok ? ERROR_SUCCESS : ::GetLastError();
    for (int attempt = 0; !ok && attempt < kSpoolerEnumAttempts; ++attempt)
    {
        if (err != ERROR_INSUFFICIENT_BUFFER || needed == 0)
        {
            return false;
        }
        memory.Reset(::GlobalAlloc(GPTR, needed));
        if (!memory.IsValid())
        {
            log.Write("GlobalAlloc Error [Check Printer Installed]");
            return false;
        }
        ok = enumerate(static_cast<BYTE*>(memory.Get()), needed, &needed, &returned);
        err = ok ? ERROR_SUCCESS : ::GetLastError();
    }
    if (ok)
    {
        count = returned;
    }
    return ok != FALSE;
}

BOOL EnumLocalPrinters(BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned)
{
    return ::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer, size, needed, returned);
}

BOOL EnumDrivers(BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned)
{
    return ::EnumPrinterDriversA(nullptr, nullptr, 3, buffer, size, needed, returned);
}

bool SameName(const char* listed, const char* name)
{
    return listed != nullptr && ::lstrcmpiA(listed, name) == 0;
}

// A registry value whole, with its type; outputs written only on success.
DWORD ReadValue(HKEY key, const char* name, DWORD& type, std::vector<BYTE>& data)
{
    DWORD size = 0;
    DWORD valueType = REG_NONE;
    DWORD err = static_cast<DWORD>(::RegQueryValueExA(key, name, nullptr, &valueType, nullptr, &size));
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    std::vector<BYTE> bytes(size + 1, 0);
    err = static_cast<DWORD>(::RegQueryValueExA(key, name, nullptr, &valueType, bytes.data(), &size));
    if (err == ERROR_SUCCESS)
    {
        bytes.resize(size);
        type = valueType;
        data.swap(bytes);
    }
    return err;
}

DWORD WriteValue(HKEY key, const char* name, DWORD type, const BYTE* data, size_t size)
{
    return static_cast<DWORD>(::RegSetValueExA(key, name, 0, type, data, static_cast<DWORD>(size)));
}

DWORD OpenSetupKey(const char* setupKey, bool wow64, CRegKey& key)
{
    HKEY handle = nullptr;
    const REGSAM access = KEY_ALL_ACCESS | (wow64 ? KEY_WOW64_64KEY : 0);
    const DWORD err = static_cast<DWORD>(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, setupKey, 0, access, &handle));
    if (err == ERROR_SUCCESS)
    {
        key.Reset(handle);
    }
    return err;
}

// Keeps the current SourcePath in SourcePath_ORG unless an original is kept already: a second call
// before the restore must not replace the original with this installer's own path. type receives the
// type the new SourcePath should have.
DWORD KeepOriginalSourcePath(HKEY key, DWORD& type)
{
    DWORD oldType = REG_NONE;
    std::vector<BYTE> original;
    if (ReadValue(key, kSourcePath, oldType, original) != ERROR_SUCCESS)
    {
        return ERROR_SUCCESS;                                 // nothing to keep: a new string value
    }
    if (oldType == REG_EXPAND_SZ)
    {
        type = REG_EXPAND_SZ;
    }
    const LONG kept = ::RegQueryValueExA(key, kSourcePathOrg, nullptr, nullptr, nullptr, nullptr);
    if (kept != ERROR_FILE_NOT_FOUND)
    {
        return ERROR_SUCCESS;
    }
    return WriteValue(key, kSourcePathOrg, oldType, original.data(), original.size());
}

DWORD OpenServiceFully(const char* name, CServiceHandle& manager, CServiceHandle& service)
{
    if (name == nullptr || *name == '\0')
    {
        return ERROR_INVALID_PARAMETER;
    }
    SC_HANDLE handle = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (handle == nullptr)
    {
        return ::GetLastError();
    }
    manager.Reset(handle);
    handle = ::OpenServiceA(manager.Get(), name, SERVICE_ALL_ACCESS);
    if (handle == nullptr)
    {
        return ::GetLastError();
    }
    service.Reset(handle);
    return ERROR_SUCCESS;
}

DWORD QueryStatus(SC_HANDLE service, SERVICE_STATUS& status)
{
    return ::QueryServiceStatus(service, &status) ? ERROR_SUCCESS : ::GetLastError();
}

// A tenth of the wait hint, kept between 100 ms and one second.
DWORD ServicePollInterval(DWORD waitHint)
{
    const DWORD interval = waitHint / 10;
    return interval < kMinServicePoll ? kMinServicePoll : (interval > kMaxServicePoll ? kMaxServicePoll : interval);
}

// Sends the start or the stop request; a request the service is already carrying out is no error.
DWORD RequestServiceChange(SC_HANDLE service, bool start)
{
    if (start)
    {
        const DWORD err = ::StartServiceA(service, 0, nullptr) ? ERROR_SUCCESS : ::GetLastError();
        return err == ERROR_SERVICE_ALREADY_RUNNING ? ERROR_SUCCESS : err;
    }
    SERVICE_STATUS status = {};
    const DWORD err = ::ControlService(service, SERVICE_CONTROL_STOP, &status) ? ERROR_SUCCESS : ::GetLastError();
    return err == ERROR_SERVICE_NOT_ACTIVE ? ERROR_SUCCESS : err;
}

// Requests the change unless it is under way, then waits while it is pending; status follows the service.
DWORD ChangeAndWait(SC_HANDLE service, bool start, SERVICE_STATUS& status)
{
    const DWORD pending = start ? SERVICE_START_PENDING : SERVICE_STOP_PENDING;
    if (status.dwCurrentState != pending)
    {
        const DWORD err = RequestServiceChange(service, start);
        if (err != ERROR_SUCCESS)
        {
            return err;
        }
    }
    SERVICE_STATUS next = status;
    const DWORD err = QueryStatus(service, next);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    status = next;
    const SystemCheck::ServiceWaitCalls calls = {
        [service](SERVICE_STATUS& s) { return QueryStatus(service, s); },
        [](DWORD milliseconds) { ::Sleep(milliseconds); },
        [] { return ::GetTickCount(); },
    };
    return SystemCheck::WaitWhileServicePending(pending, status, calls);
}

DWORD ChangeServiceAndWait(const char* name, DWORD* state, bool start)
{
    CServiceHandle manager;
    CServiceHandle service;
    DWORD err = OpenServiceFully(name, manager, service);
    SERVICE_STATUS status = {};
    if (err != ERROR_SUCCESS || (err = QueryStatus(service.Get(), status)) != ERROR_SUCCESS)
    {
        return err;
    }
    const DWORD target = start ? SERVICE_RUNNING : SERVICE_STOPPED;
    if (status.dwCurrentState != target)
    {
        err = ChangeAndWait(service.Get(), start, status);
    }
    if (state != nullptr)
    {
        *state = status.dwCurrentState;
    }
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    return status.dwCurrentState == target ? ERROR_SUCCESS : ERROR_INVALID_SERVICE_CONTROL;
}

// True when the text from begin to end, trimmed of spaces and tabs, equals word without regard to case.
bool PieceEquals(const char* begin, const char* end, const char* word)
{
    while (begin < end && (*begin == ' ' || *begin == '\t'))
    {
        ++begin;
    }
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t'))
    {
        --end;
    }
    return end > begin && ::lstrcmpiA(std::string(begin, end).c_str(), word) == 0;
}
}  // namespace

namespace SystemCheck
{
bool CheckAdministrator(AccessCheckFn accessCheck)
{
    CSelfImpersonation impersonation;
    CHandle token;
    AdminDescriptor admin;
    if (!OpenQueryToken(token) || !BuildAdminDescriptor(admin))
    {
        return false;
    }
    GENERIC_MAPPING mapping = {kAccessRead, kAccessWrite, 0, kAccessRead | kAccessWrite};
    PRIVILEGE_SET privileges = {};
    DWORD privilegesSize = sizeof(privileges);
    DWORD granted = 0;
    BOOL status = FALSE;
    if (accessCheck == nullptr ||
        !accessCheck(&admin.descriptor, token.Get(), kAccessRead, &mapping, &privileges, &privilegesSize, &granted,
                     &status))
    {
        return false;
    }
    return status != FALSE;
}

std::string DriveRootOf(const std::string& path)
{
    if (path.compare(0, 2, "\\\\") == 0)
    {
        // A network path's root is its share: "\\server\share\".
        const size_t share = path.find('\\', 2);
        if (share == std::string::npos || share == 2 || share + 1 >= path.size() || path[share + 1] == '\\')
        {
            return std::string();
        }
        const size_t end = path.find('\\', share + 1);
        return end == std::string::npos ? path + "\\" : path.substr(0, end + 1);
    }
    const size_t slash = path.find('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

int MediaTypeFromDriveType(UINT driveType)
{
    switch (driveType)
    {
    case DRIVE_REMOVABLE:
        return kMediaRemovable;
    case DRIVE_FIXED:
        return kMediaFixed;
    case DRIVE_CDROM:
        return kMediaCdRom;
    case DRIVE_RAMDISK:
        return kMediaRamDisk;
    case DRIVE_REMOTE:
        return kMediaRemote;
    default:
        return kMediaUnknown;
    }
}

int GetSourceMediaType(const char* path)
{
    std::string source = path != nullptr ? path : "";
    if (source.empty())
    {
        char program[MAX_PATH + 1] = {};
        const DWORD length = ::GetModuleFileNameA(nullptr, program, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
        {
            return kMediaUnknown;
        }
        source = program;
    }
    const std::string root = DriveRootOf(source);
    return root.empty() ? kMediaUnknown : MediaTypeFromDriveType(::GetDriveTypeA(root.c_str()));
}

bool WaitNoPendingInstall(const PendingInstallWait& wait, const std::function<void()>& foregroundHelper)
{
    if (!wait || wait(kPendingInstallWait) != WAIT_TIMEOUT)
    {
        return false;
    }
    if (foregroundHelper)
    {
        // The user has to answer the new-hardware window, so it is kept in front for as long as it takes.
        while (wait(kPendingInstallWait) == WAIT_TIMEOUT)
        {
            foregroundHelper();
        }
        return true;
    }
    for (int waits = 0; waits < kMaxFurtherPendingWaits && wait(kPendingInstallWait) == WAIT_TIMEOUT; ++waits)
    {
    }
    return true;
}

bool WaitNoPendingInstall(const std::function<void()>& foregroundHelper)
{
    // Looked up at run time: Windows 95 and NT 4 have no such function.
    using WaitEventsFn = DWORD(WINAPI*)(DWORD);
    CModule setupApi(::LoadLibraryA("Setupapi.dll"));
    if (!setupApi.IsValid())
    {
        return false;
    }
    const auto waitEvents = reinterpret_cast<WaitEventsFn>(
        reinterpret_cast<void*>(::GetProcAddress(setupApi.Get(), "CMP_WaitNoPendingInstallEvents")));
    if (waitEvents == nullptr)
    {
        return false;
    }
    return WaitNoPendingInstall([waitEvents](DWORD timeout) { return waitEvents(timeout); }, foregroundHelper);
}

bool IsPrinterInstalled(CLog& log, const char* name, bool byPrinter)
{
    if (name == nullptr)
    {
        return false;
    }
    CGlobalMemory memory;
    DWORD count = 0;
    if (!EnumerateIntoMemory(log, byPrinter ? EnumLocalPrinters : EnumDrivers, memory, count))
    {
        return false;
    }
    for (DWORD i = 0; i < count; ++i)
    {
        const char* listed = byPrinter ? static_cast<const PRINTER_INFO_2A*>(memory.Get())[i].pDriverName
                                       : static_cast<const DRIVER_INFO_3A*>(memory.Get())[i].pName;
        if (SameName(listed, name))
        {
            return true;
        }
    }
    return false;
}

bool RemoveDirectoryChain(const char* directory)
{
    if (directory == nullptr || *directory == '\0')
    {
        return false;
    }
    std::string dir = directory;
    dir = PathText::WithoutTrailingSeparators(dir, IsSystemLeadByte);
    // A bare drive ("C:") names that drive's current directory, never a directory of ours.
    if (!dir.empty() && dir.back() == ':')
    {
        return true;
    }
    while (!dir.empty() && ::RemoveDirectoryA(dir.c_str()))
    {
        dir = RemovableDirectoryAbove(dir);
    }
    return true;
}

bool DeleteFileAndEmptyDirs(const char* file, bool keepDirectories)
{
    if (file == nullptr || !::DeleteFileA(file))
    {
        return false;
    }
    const std::string directory = PathText::DirectoryPart(file, IsSystemLeadByte);
    if (!keepDirectories && !directory.empty())
    {
        (void)RemoveDirectoryChain(directory.c_str());
    }
    return true;
}

std::string SetupSourcePathFor(const char* path, bool wow64)
{
    std::string text = path != nullptr ? path : "";
    if (!wow64 || text.empty())
    {
        return text;
    }
    ::CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    const std::string system32 = "\\SYSTEM32\\";
    const std::string sysWow64 = "\\SYSWOW64\\";
    for (size_t at = text.find(system32); at != std::string::npos; at = text.find(system32, at + sysWow64.size()))
    {
        text.replace(at, system32.size(), sysWow64);
    }
    return text;
}

DWORD SetSetupSourcePath(const char* path, bool wow64, const char* setupKey)
{
    CRegKey key;
    DWORD err = OpenSetupKey(setupKey, wow64, key);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    DWORD type = REG_SZ;
    err = KeepOriginalSourcePath(key.Get(), type);
    if (err != ERROR_SUCCESS)
    {
        return err;                                           // the original would be lost
    }
    const std::string value = SetupSourcePathFor(path, wow64);
    return WriteValue(key.Get(), kSourcePath, type, reinterpret_cast<const BYTE*>(value.c_str()), value.size() + 1);
}

DWORD RestoreSetupSourcePath(bool wow64, const char* setupKey)
{
    CRegKey key;
    DWORD err = OpenSetupKey(setupKey, wow64, key);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    DWORD type = REG_NONE;
    std::vector<BYTE> original;
    if (ReadValue(key.Get(), kSourcePathOrg, type, original) == ERROR_SUCCESS)
    {
        err = WriteValue(key.Get(), kSourcePath, type, original.data(), original.size());
        if (err != ERROR_SUCCESS)
        {
            return err;                                       // kept for a later restore
        }
    }
    return static_cast<DWORD>(::RegDeleteValueA(key.Get(), kSourcePathOrg));
}

DWORD WaitWhileServicePending(DWORD pendingState, SERVICE_STATUS& status, const ServiceWaitCalls& calls)
{
    DWORD startTick = calls.tickCount();
    DWORD checkPoint = status.dwCheckPoint;
    while (status.dwCurrentState == pendingState)
    {
        calls.sleep(ServicePollInterval(status.dwWaitHint));
        SERVICE_STATUS next = status;
        const DWORD err = calls.query(next);
        if (err != ERROR_SUCCESS)
        {
            return err;
        }
        status = next;
        if (status.dwCheckPoint > checkPoint)
        {
            startTick = calls.tickCount();
            checkPoint = status.dwCheckPoint;
        }
        else if (calls.tickCount() - startTick > status.dwWaitHint)
        {
            break;                                            // no progress within the wait hint
        }
    }
    return ERROR_SUCCESS;
}

DWORD StartServiceAndWait(const char* name, DWORD* state)
{
    return ChangeServiceAndWait(name, state, true);
}

DWORD StopServiceAndWait(const char* name, DWORD* state)
{
    return ChangeServiceAndWait(name, state, false);
}

DWORD QueryServiceState(const char* name, DWORD* state)
{
    if (state == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    CServiceHandle manager;
    CServiceHandle service;
    DWORD err = OpenServiceFully(name, manager, service);
    SERVICE_STATUS status = {};
    if (err == ERROR_SUCCESS && (err = QueryStatus(service.Get(), status)) == ERROR_SUCCESS)
    {
        *state = status.dwCurrentState;
    }
    return err;
}

bool IsWordInList(const char* list, const char* word, const char* separators)
{
    if (list == nullptr || word == nullptr || separators == nullptr || *list == '\0' || *word == '\0' ||
        *separators == '\0')
    {
        return false;
    }
    const char* piece = list;
    for (const char* p = list;; ++p)
    {
        if (*p != '\0' && ::IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0')
        {
            ++p;                                              // a double-byte character is never a separator
            continue;
        }
        if (*p == '\0' || std::strchr(separators, *p) != nullptr)
        {
            if (PieceEquals(piece, p, word))
            {
                return true;
            }
            if (*p == '\0')
            {
                return false;
            }
            piece = p + 1;
        }
    }
}

std::string SystemErrorText(DWORD code)
{
    char* message = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&message), 0, nullptr);
    CLocalMemory owner(message);
    return length != 0 && message != nullptr ? std::string(message, length) : std::string();
}

void ShowSystemError(DWORD code, const char* caption)
{
    const std::string text = SystemErrorText(code);
    if (!text.empty())
    {
        (void)ShowUserMessage(nullptr, text, caption != nullptr ? caption : "", MB_OK | MB_ICONWARNING);
    }
}

bool FileExists(const char* path)
{
    if (path == nullptr || *path == '\0')
    {
        return false;
    }
    const CHandle file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid();
}
}  // namespace SystemCheck
