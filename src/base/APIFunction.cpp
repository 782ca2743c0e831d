#include "base/APIFunction.h"

#include <initializer_list>

#include "base/PathText.h"

namespace
{
const char* const kLibraryNames[CAPIFunction::kLibraryCount] = {
    "Kernel32.dll", "SetupAPI.dll", "Advapi32.dll",
};

struct FunctionEntry
{
    CAPIFunction::Library library;
    const char* name;
};

// One line per function, in the order of CAPIFunction::Function.
const FunctionEntry kFunctions[CAPIFunction::kFunctionCount] = {
    {CAPIFunction::kKernel32, "MoveFileExA"},
    {CAPIFunction::kSetupApi, "SetupOpenInfFileA"},
    {CAPIFunction::kSetupApi, "SetupCloseInfFile"},
    {CAPIFunction::kSetupApi, "SetupGetLineTextA"},
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

// A library that is missing must not make the system ask for a disk or show an error box. A bare name
// is taken from the system folder only.
HMODULE LoadQuietly(const char* fileName)
{
    const std::string path = SystemLibraryPath(fileName);
    if (path.empty())
    {
        ::SetLastError(ERROR_BAD_PATHNAME);
        return nullptr;
    }
    const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = ::LoadLibraryA(path.c_str());
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

std::string SystemLibraryPath(const char* fileName)
{
    const std::string name = fileName != nullptr ? fileName : "";
    if (PathText::IsFullPath(name, IsSystemLeadByte))
    {
        return name;
    }
    if (name.empty() || PathText::FirstSeparator(name, IsSystemLeadByte) != std::string::npos ||
        name.find_first_of("/:") != std::string::npos)
    {
        return std::string();                                 // a path below the current folder or drive
    }
    char system[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryA(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
    {
        return std::string();
    }
    return PathText::Join(std::string(system, length), name, IsSystemLeadByte);
}

HMODULE LoadSystemLibrary(const char* fileName)
{
    return LoadQuietly(fileName);
}

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

const char* CRichEditLibrary::RegisteredClassName()
{
    WNDCLASSA info = {};
    for (const char* name : {"RichEdit20A", "RICHEDIT"})
    {
        if (::GetClassInfoA(nullptr, name, &info))
        {
            return name;
        }
    }
    return "";
}

bool CRichEditLibrary::Load(const char* newer, const char* older)
{
    if (m_module.IsValid())
    {
        return true;
    }
    m_module.Reset(LoadQuietly(newer));
    if (m_module.IsValid())
    {
        m_className = "RichEdit20A";
        return true;
    }
    m_module.Reset(LoadQuietly(older));
    m_className = m_module.IsValid() ? "RICHEDIT" : "";
    return m_module.IsValid();
}
