#include "base/APIFunction.h"

namespace
{
const char* const kLibraryNames[CAPIFunction::kLibraryCount] = {
    "MPR.dll", "Msimg32.dll", "Kernel32.dll", "User32.dll", "SetupAPI.dll", "Netapi32.dll", "Advapi32.dll",
};

struct FunctionEntry
{
    CAPIFunction::Library library;
    const char* name;
};

// One line per function, in the order of CAPIFunction::Function.
const FunctionEntry kFunctions[CAPIFunction::kFunctionCount] = {
    {CAPIFunction::kMpr, "WNetAddConnection2A"},
    {CAPIFunction::kMsimg32, "GradientFill"},
    {CAPIFunction::kKernel32, "GetDiskFreeSpaceExA"},
    {CAPIFunction::kKernel32, "MoveFileExA"},
    {CAPIFunction::kUser32, "RegisterDeviceNotificationA"},
    {CAPIFunction::kUser32, "UnregisterDeviceNotification"},
    {CAPIFunction::kUser32, "GetWindowModuleFileNameA"},
    {CAPIFunction::kSetupApi, "SetupDiEnumDeviceInterfaces"},
    {CAPIFunction::kSetupApi, "SetupDiGetDeviceInterfaceDetailA"},
    {CAPIFunction::kSetupApi, "SetupDiOpenDeviceInterfaceRegKey"},
    {CAPIFunction::kSetupApi, "SetupDiGetClassDevsA"},
    {CAPIFunction::kSetupApi, "SetupDiDestroyDeviceInfoList"},
    {CAPIFunction::kSetupApi, "SetupDiEnumDeviceInfo"},
    {CAPIFunction::kSetupApi, "SetupDiGetDeviceRegistryPropertyA"},
    {CAPIFunction::kSetupApi, "SetupDiSetDeviceRegistryPropertyA"},
    {CAPIFunction::kSetupApi, "SetupDiRemoveDevice"},
    {CAPIFunction::kSetupApi, "SetupOpenInfFileA"},
    {CAPIFunction::kSetupApi, "SetupGetLineByIndexA"},
    {CAPIFunction::kSetupApi, "SetupGetStringFieldA"},
    {CAPIFunction::kSetupApi, "SetupCloseInfFile"},
    {CAPIFunction::kSetupApi, "SetupGetLineCountA"},
    {CAPIFunction::kSetupApi, "SetupGetInfFileListA"},
    {CAPIFunction::kSetupApi, "SetupGetInfInformationA"},
    {CAPIFunction::kSetupApi, "SetupQueryInfFileInformationA"},
    {CAPIFunction::kSetupApi, "SetupQueryInfVersionInformationA"},
    {CAPIFunction::kSetupApi, "SetupGetLineTextA"},
    {CAPIFunction::kSetupApi, "CMP_WaitNoPendingInstallEvents"},
    {CAPIFunction::kNetapi32, "NetWkstaGetInfo"},
    {CAPIFunction::kAdvapi32, "InitializeSecurityDescriptor"},
    {CAPIFunction::kAdvapi32, "AllocateAndInitializeSid"},
    {CAPIFunction::kAdvapi32, "InitializeAcl"},
    {CAPIFunction::kAdvapi32, "AddAccessAllowedObjectAce"},
    {CAPIFunction::kAdvapi32, "SetSecurityDescriptorDacl"},
    {CAPIFunction::kAdvapi32, "SetSecurityDescriptorControl"},
    {CAPIFunction::kAdvapi32, "FreeSid"},
    // Not on every system either: the plain ACE stands in where the object ACE fails (Wine has only a
    // stub for that), and the registry helper deletes keys of the 64-bit view through RegDeleteKeyExA.
    {CAPIFunction::kAdvapi32, "AddAccessAllowedAceEx"},
    {CAPIFunction::kAdvapi32, "RegDeleteKeyExA"},
};

// A library that is missing must not make the system ask for a disk or show an error box.
HMODULE LoadQuietly(const char* fileName)
{
    const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = ::LoadLibraryA(fileName);
    const DWORD err = ::GetLastError();
    ::SetErrorMode(oldMode);
    ::SetLastError(err);
    return module;
}

// A second reference on a module another object loaded, so that each object releases only its own.
// By file name, as GetModuleHandleEx does not exist before Windows XP.
HMODULE AddReference(HMODULE module)
{
    char path[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
    {
        return nullptr;
    }
    return LoadQuietly(path);
}

template <typename T>
T Missing(T fallback)
{
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return fallback;
}
}  // namespace

CAPIFunction::CAPIFunction() = default;

CAPIFunction::CAPIFunction(const CAPIFunction& other)
{
    *this = other;
}

CAPIFunction& CAPIFunction::operator=(const CAPIFunction& other)
{
    if (this == &other)
    {
        return *this;
    }
    Release();
    for (int library = 0; library < kLibraryCount; ++library)
    {
        if (other.m_libraries[library].IsValid())
        {
            m_libraries[library].Reset(AddReference(other.m_libraries[library].Get()));
        }
    }
    // The entries stay valid as long as this object's own reference keeps their library loaded.
    for (int function = 0; function < kFunctionCount; ++function)
    {
        if (m_libraries[kFunctions[function].library].IsValid())
        {
            m_functions[function] = other.m_functions[function];
        }
    }
    return *this;
}

CAPIFunction::~CAPIFunction()
{
    Release();
}

void CAPIFunction::Release()
{
    for (FARPROC& function : m_functions)
    {
        function = nullptr;
    }
    for (CModule& library : m_libraries)
    {
        library.Reset();
    }
}

bool CAPIFunction::Load()
{
    Release();
    for (int library = 0; library < kLibraryCount; ++library)
    {
        m_libraries[library].Reset(LoadQuietly(kLibraryNames[library]));
        ResolveLibrary(static_cast<Library>(library));
    }
    return true;
}

void CAPIFunction::ResolveLibrary(Library library)
{
    const HMODULE module = m_libraries[library].Get();
    for (int function = 0; function < kFunctionCount; ++function)
    {
        if (kFunctions[function].library == library)
        {
            m_functions[function] = module ? ::GetProcAddress(module, kFunctions[function].name) : nullptr;
        }
    }
}

bool CAPIFunction::HasLibrary(Library library) const
{
    return library >= 0 && library < kLibraryCount && m_libraries[library].IsValid();
}

bool CAPIFunction::HasFunction(Function function) const
{
    return function >= 0 && function < kFunctionCount && m_functions[function] != nullptr;
}

void CAPIFunction::ResolveAs(Function function, const char* exportName)
{
    const HMODULE module = m_libraries[kFunctions[function].library].Get();
    m_functions[function] = module ? ::GetProcAddress(module, exportName) : nullptr;
}

void CAPIFunction::LoadLibraryAs(Library library, const char* fileName)
{
    m_libraries[library].Reset(LoadQuietly(fileName));
    ResolveLibrary(library);
}

BOOL CAPIFunction::UnregisterDeviceNotification(HDEVNOTIFY notification)
{
    using Fn = BOOL(WINAPI*)(HDEVNOTIFY);
    if (!m_functions[kUnregisterDeviceNotification])
    {
        return Missing<BOOL>(FALSE);
    }
    return Entry<Fn>(kUnregisterDeviceNotification)(notification);
}

HDEVNOTIFY CAPIFunction::RegisterDeviceNotificationA(HANDLE recipient, LPVOID filter, DWORD flags)
{
    using Fn = HDEVNOTIFY(WINAPI*)(HANDLE, LPVOID, DWORD);
    if (!m_functions[kRegisterDeviceNotificationA])
    {
        return Missing<HDEVNOTIFY>(nullptr);
    }
    return Entry<Fn>(kRegisterDeviceNotificationA)(recipient, filter, flags);
}

HINF CAPIFunction::SetupOpenInfFileA(PCSTR fileName, PCSTR infClass, DWORD infStyle, PUINT errorLine)
{
    using Fn = HINF(WINAPI*)(PCSTR, PCSTR, DWORD, PUINT);
    if (!m_functions[kSetupOpenInfFileA])
    {
        return Missing<HINF>(INVALID_HANDLE_VALUE);
    }
    return Entry<Fn>(kSetupOpenInfFileA)(fileName, infClass, infStyle, errorLine);
}

BOOL CAPIFunction::SetupCloseInfFile(HINF inf)
{
    using Fn = VOID(WINAPI*)(HINF);
    if (!m_functions[kSetupCloseInfFile])
    {
        return Missing<BOOL>(FALSE);
    }
    Entry<Fn>(kSetupCloseInfFile)(inf);
    return TRUE;
}

BOOL CAPIFunction::SetupGetInfInformationA(LPCVOID infSpec, DWORD searchControl, PSP_INF_INFORMATION returnBuffer,
                                           DWORD returnBufferSize, PDWORD requiredSize)
{
    using Fn = BOOL(WINAPI*)(LPCVOID, DWORD, PSP_INF_INFORMATION, DWORD, PDWORD);
    if (!m_functions[kSetupGetInfInformationA])
    {
        return Missing<BOOL>(FALSE);
    }
    return Entry<Fn>(kSetupGetInfInformationA)(infSpec, searchControl, returnBuffer, returnBufferSize, requiredSize);
}

BOOL CAPIFunction::SetupQueryInfVersionInformationA(PSP_INF_INFORMATION infInformation, UINT infIndex, PCSTR key,
                                                    PSTR returnBuffer, DWORD returnBufferSize, PDWORD requiredSize)
{
    using Fn = BOOL(WINAPI*)(PSP_INF_INFORMATION, UINT, PCSTR, PSTR, DWORD, PDWORD);
    if (!m_functions[kSetupQueryInfVersionInformationA])
    {
        return Missing<BOOL>(FALSE);
    }
    return Entry<Fn>(kSetupQueryInfVersionInformationA)(infInformation, infIndex, key, returnBuffer,
                                                        returnBufferSize, requiredSize);
}

BOOL CAPIFunction::SetupGetLineTextA(PINFCONTEXT context, HINF inf, PCSTR section, PCSTR key, PSTR returnBuffer,
                                     DWORD returnBufferSize, PDWORD requiredSize)
{
    using Fn = BOOL(WINAPI*)(PINFCONTEXT, HINF, PCSTR, PCSTR, PSTR, DWORD, PDWORD);
    if (!m_functions[kSetupGetLineTextA])
    {
        return Missing<BOOL>(FALSE);
    }
    return Entry<Fn>(kSetupGetLineTextA)(context, inf, section, key, returnBuffer, returnBufferSize, requiredSize);
}

BOOL CAPIFunction::InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision)
{
    using Fn = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, DWORD);
    if (!m_functions[kInitializeSecurityDescriptor])
    {
        return Missing<BOOL>(FALSE);
    }
    return Entry<Fn>(kInitializeSecurityDescriptor)(descriptor, revision);
}

BOOL CAPIFunction::AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE subAuthorityCount, DWORD sub0,
                                            DWORD sub1, DWORD sub2, DWORD sub3, DWORD sub4, DWORD sub5, DWORD sub6,
                                            DWORD sub7, PSID* sid)
{
    using Fn = BOOL(WINAPI*)(PSID_IDENTIFIER_AUTHORITY, BYTE, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                             DWORD, PSID*);
    if (!m_functions[kAllocateAndInitializeSid])
    {
        return Missing<BOOL>(FALSE);
    }
    return Entry<Fn>(kAllocateAndInitializeSid)(authority, subAuthorityCount, sub0, sub1, sub2, sub3, sub4, sub5,
                                                sub6, sub7, sid);
}

BOOL CAPIFunction::InitializeAcl(PACL acl, DWORD aclLength, DWORD aclRevision)
{
    using Fn = BOOL(WINAPI*)(PACL, DWORD, DWORD);
    if (!m_functions[kInitializeAcl])
    {
        return Missing<BOOL>(FALSE);
    }
    return Entry<Fn>(kInitializeAcl)(acl, aclLength, aclRevision);
}

BOOL CAPIFunction::AddAccessAllowedObjectAce(PACL acl, DWORD aceRevision, DWORD aceFlags, DWORD accessMask,
                                             GUID* objectType, GUID* inheritedObjectType, PSID sid)
{
    using Fn = BOOL(WINAPI*)(PACL, DWORD, DWORD, DWORD, GUID*, GUID*, PSID);
    if (!m_functions[kAddAccessAllowedObjectAce])
    {
        return Missing<BOOL>(FALSE);
    }
    return Entry<Fn>(kAddAccessAllowedObjectAce)(acl, aceRevision, aceFlags, accessMask, objectType,
                                                 inheritedObjectType, sid);
}

BOOL CAPIFunction::AddAccessAllowedAceEx(PACL acl, DWORD aceRevision, DWORD aceFlags, DWORD accessMask, PSID sid)
{
    using Fn = BOOL(WINAPI*)(PACL, DWORD, DWORD, DWORD, PSID);
    if (!m_functions[kAddAccessAllowedAceEx])
    {
        return Missing<BOOL>(FALSE);
    }
    return Entry<Fn>(kAddAccessAllowedAceEx)(acl, aceRevision, aceFlags, accessMask, sid);
}

BOOL CAPIFunction::SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL daclPresent, PACL dacl,
                                             BOOL daclDefaulted)
{
    using Fn = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, BOOL, PACL, BOOL);
    if (!m_functions[kSetSecurityDescriptorDacl])
    {
        return Missing<BOOL>(FALSE);
    }
    return Entry<Fn>(kSetSecurityDescriptorDacl)(descriptor, daclPresent, dacl, daclDefaulted);
}

BOOL CAPIFunction::SetSecurityDescriptorControl(PSECURITY_DESCRIPTOR descriptor,
                                                SECURITY_DESCRIPTOR_CONTROL bitsOfInterest,
                                                SECURITY_DESCRIPTOR_CONTROL bitsToSet)
{
    using Fn = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, SECURITY_DESCRIPTOR_CONTROL, SECURITY_DESCRIPTOR_CONTROL);
    if (!m_functions[kSetSecurityDescriptorControl])
    {
        return Missing<BOOL>(FALSE);
    }
    return Entry<Fn>(kSetSecurityDescriptorControl)(descriptor, bitsOfInterest, bitsToSet);
}

PVOID CAPIFunction::FreeSid(PSID sid)
{
    using Fn = PVOID(WINAPI*)(PSID);
    if (!m_functions[kFreeSid])
    {
        return Missing<PVOID>(nullptr);
    }
    return Entry<Fn>(kFreeSid)(sid);
}

BOOL CAPIFunction::GradientFill(HDC dc, PTRIVERTEX vertices, ULONG vertexCount, PVOID mesh, ULONG meshCount,
                                ULONG mode)
{
    using Fn = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);
    if (!m_functions[kGradientFill])
    {
        return Missing<BOOL>(FALSE);
    }
    return Entry<Fn>(kGradientFill)(dc, vertices, vertexCount, mesh, meshCount, mode);
}

DWORD CAPIFunction::CMP_WaitNoPendingInstallEvents(DWORD timeout)
{
    using Fn = DWORD(WINAPI*)(DWORD);
    if (!m_functions[kCMP_WaitNoPendingInstallEvents])
    {
        return Missing<DWORD>(static_cast<DWORD>(-1));
    }
    return Entry<Fn>(kCMP_WaitNoPendingInstallEvents)(timeout);
}

BOOL CAPIFunction::MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags)
{
    using Fn = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD);
    if (!m_functions[kMoveFileExA])
    {
        return Missing<BOOL>(FALSE);
    }
    return Entry<Fn>(kMoveFileExA)(existingFileName, newFileName, flags);
}

LONG CAPIFunction::RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM view, DWORD reserved)
{
    using Fn = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
    if (!m_functions[kRegDeleteKeyExA])
    {
        return ::RegDeleteKeyA(key, subKey);
    }
    return Entry<Fn>(kRegDeleteKeyExA)(key, subKey, view, reserved);
}
