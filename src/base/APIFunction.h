#pragma once
// System functions that some supported Windows versions lack, looked up by name at run time, and the one
// way a system library is loaded. Each
// wrapper calls the function when it was found and otherwise answers its fixed fallback value with
// the last error set to ERROR_PROC_NOT_FOUND, so one program runs on every system.
// Ownership: the object holds one reference on each library it loaded and releases it when destroyed.

#include <windows.h>
#include <setupapi.h>

#include <string>

#include "base/Scoped.h"

// Where a library named by a bare file name is loaded from: the system folder only, so that a file of
// that name beside Setup.exe, in the current folder or on the search path is never taken. A full path
// is returned unchanged; a relative path, an empty name or an unreadable system folder give empty.
std::string SystemLibraryPath(const char* fileName);
// LoadLibraryA of SystemLibraryPath(fileName), without a system error box for a missing file; null
// (the system error as the last error, ERROR_BAD_PATHNAME for an empty path) when it cannot be loaded.
// The caller owns the reference.
HMODULE LoadSystemLibrary(const char* fileName);

class CAPIFunction
{
public:
    // The libraries, in loading order.
    enum Library
    {
        kKernel32,
        kSetupApi,
        kAdvapi32,
        kLibraryCount
    };

    // The functions looked up, grouped by library in loading order.
    enum Function
    {
        kMoveFileExA,
        kSetupOpenInfFileA,
        kSetupCloseInfFile,
        kSetupGetLineTextA,
        kInitializeSecurityDescriptor,
        kAllocateAndInitializeSid,
        kInitializeAcl,
        kAddAccessAllowedObjectAce,
        kSetSecurityDescriptorDacl,
        kSetSecurityDescriptorControl,
        kFreeSid,
        kAddAccessAllowedAceEx,
        kRegDeleteKeyExA,
        kFunctionCount
    };

    CAPIFunction();
    // A copy holds its own reference on each library the other object holds, and the same entries.
    CAPIFunction(const CAPIFunction& other);
    CAPIFunction& operator=(const CAPIFunction& other);
    virtual ~CAPIFunction();

    // Loads the libraries and resolves the functions of the table. A library that cannot be loaded
    // leaves its functions missing; the load as a whole never fails, so the result is always true.
    // A second call releases what the first one loaded and starts again.
    bool Load();

    bool HasLibrary(Library library) const;
    bool HasFunction(Function function) const;

    // Fallbacks when missing: 0 (FALSE or null) unless noted.
    HINF SetupOpenInfFileA(PCSTR fileName, PCSTR infClass, DWORD infStyle, PUINT errorLine);   // INVALID_HANDLE_VALUE
    // The system function returns nothing: TRUE when it was called, FALSE when it is missing.
    BOOL SetupCloseInfFile(HINF inf);
    BOOL SetupGetLineTextA(PINFCONTEXT context, HINF inf, PCSTR section, PCSTR key, PSTR returnBuffer,
                           DWORD returnBufferSize, PDWORD requiredSize);
    BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision);
    BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE subAuthorityCount, DWORD sub0,
                                  DWORD sub1, DWORD sub2, DWORD sub3, DWORD sub4, DWORD sub5, DWORD sub6,
                                  DWORD sub7, PSID* sid);
    BOOL InitializeAcl(PACL acl, DWORD aclLength, DWORD aclRevision);
    BOOL AddAccessAllowedObjectAce(PACL acl, DWORD aceRevision, DWORD aceFlags, DWORD accessMask,
                                   GUID* objectType, GUID* inheritedObjectType, PSID sid);
    BOOL AddAccessAllowedAceEx(PACL acl, DWORD aceRevision, DWORD aceFlags, DWORD accessMask, PSID sid);
    BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL daclPresent, PACL dacl,
                                   BOOL daclDefaulted);
    BOOL SetSecurityDescriptorControl(PSECURITY_DESCRIPTOR descriptor, SECURITY_DESCRIPTOR_CONTROL bitsOfInterest,
                                      SECURITY_DESCRIPTOR_CONTROL bitsToSet);
    PVOID FreeSid(PSID sid);   // the system function answers null on success, so does the fallback
    BOOL MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags);
    // Systems without this function have a single registry view, so the fallback is the plain
    // RegDeleteKeyA (which ignores the view) and its result.
    LONG RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM view, DWORD reserved);

protected:
    // For tests of the fallbacks. ResolveAs looks the entry up again in its own library under another
    // export name (a name the library does not export leaves it missing). LoadLibraryAs releases one
    // library and loads another file in its place, resolving that library's entries from it by their
    // usual names (a file that does not exist leaves them all missing).
    void ResolveAs(Function function, const char* exportName);
    void LoadLibraryAs(Library library, const char* fileName);

private:
    void Release();
    void ResolveLibrary(Library library);
    template <typename T>
    T Entry(Function function) const
    {
        // Through the generic function pointer type, which converts to any other without a warning.
        return reinterpret_cast<T>(reinterpret_cast<void (*)()>(m_functions[function]));
    }

    CModule m_libraries[kLibraryCount];
    FARPROC m_functions[kFunctionCount] = {};
};

// The rich edit control's library: RICHED20.DLL (window class "RichEdit20A") or, on systems that have
// only the first version, RICHED32.DLL (class "RICHEDIT"), loaded without a system error box. The
// object holds one reference and releases it when destroyed, so its owner keeps it for as long as rich
// edit boxes may be made.
class CRichEditLibrary
{
public:
    // True when one of the libraries was loaded; a second call keeps the first load. The file names
    // are for tests that try a system without the newer library.
    bool Load(const char* newer = "Riched20.dll", const char* older = "Riched32.dll");
    bool IsLoaded() const { return m_module.IsValid(); }
    // The window class of the loaded library's rich edit box; "" when none is loaded.
    const char* ClassName() const { return m_className; }
    // The rich edit box's window class this process can make now, whoever loaded its library: the
    // newer one's, else the first version's; "" when neither is loaded.
    static const char* RegisteredClassName();

private:
    CModule m_module;
    const char* m_className = "";
};
