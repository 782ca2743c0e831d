// The installation medium: the drive type of the source folder, and the system's setup source path
// pointed at it during a run.
#include "env/SourceMedia.h"

#include <vector>

#include "base/PathText.h"
#include "base/TextRules.h"
#include "registry/Registry.h"

namespace
{
constexpr const char* kSourcePath = "SourcePath";
constexpr const char* kSourcePathOrg = "SourcePath_ORG";

REGSAM SetupKeyView(bool wow64)
{
    return wow64 ? KEY_WOW64_64KEY : 0;
}

// Keeps the current SourcePath in SourcePath_ORG unless an original is kept already: a second call
// before the restore must not replace the original with this installer's own path. type receives the
// type the new SourcePath should have.
DWORD KeepOriginalSourcePath(const char* setupKey, REGSAM view, DWORD& type)
{
    DWORD oldType = REG_NONE;
    std::vector<BYTE> original;
    const DWORD read = CRegistry::GetRawValue(setupKey, kSourcePath, HKEY_LOCAL_MACHINE, original, &oldType, view);
    if (read != ERROR_SUCCESS)
    {
        return ERROR_SUCCESS;                                 // nothing to keep: a new string value
    }
    if (oldType == REG_EXPAND_SZ)
    {
        type = REG_EXPAND_SZ;
    }
    if (CRegistry::ProbeValue(setupKey, kSourcePathOrg, HKEY_LOCAL_MACHINE, view) != ERROR_FILE_NOT_FOUND)
    {
        return ERROR_SUCCESS;
    }
    return CRegistry::SetRawValue(setupKey, kSourcePathOrg, oldType, original.data(),
                                  static_cast<DWORD>(original.size()), HKEY_LOCAL_MACHINE, view);
}
}  // namespace

namespace SystemCheck
{
std::string DriveRootOf(const std::string& path)
{
    const std::vector<size_t> separators = PathText::Separators(path, IsSystemLeadByte);
    if (path.compare(0, 2, "\\\\") == 0)
    {
        // A network path's root is its share: "\\server\share\".
        if (separators.size() < 3 || separators[2] == 2 || separators[2] + 1 >= path.size() ||
            path[separators[2] + 1] == '\\')
        {
            return std::string();
        }
        return separators.size() < 4 ? path + "\\" : path.substr(0, separators[3] + 1);
    }
    return separators.empty() ? std::string() : path.substr(0, separators[0] + 1);
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

std::string SetupSourcePathFor(const char* path, bool wow64)
{
    std::string text = path != nullptr ? path : "";
    if (!wow64 || text.empty())
    {
        return text;
    }
    text = SystemUpper(text);
    // Only a folder of that name is replaced: a double-byte character may end in the first backslash.
    const std::string system32 = "\\SYSTEM32\\";
    const std::string sysWow64 = "\\SYSWOW64\\";
    size_t next = 0;
    for (size_t at : PathText::Separators(text, IsSystemLeadByte))
    {
        if (at >= next && text.compare(at, system32.size(), system32) == 0)
        {
            text.replace(at, system32.size(), sysWow64);      // as long: the positions stay valid
            next = at + sysWow64.size();
        }
    }
    return text;
}

// The setup key must open for all access first: a user who may not change it gets the refusal before
// anything is read or written, and a missing key is never made.
DWORD SetSetupSourcePath(const char* path, bool wow64, const char* setupKey)
{
    const REGSAM view = SetupKeyView(wow64);
    DWORD err = CRegistry::ProbeKey(setupKey, HKEY_LOCAL_MACHINE, KEY_ALL_ACCESS, view);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    DWORD type = REG_SZ;
    err = KeepOriginalSourcePath(setupKey, view, type);
    if (err != ERROR_SUCCESS)
    {
        return err;                                           // the original would be lost
    }
    const std::string value = SetupSourcePathFor(path, wow64);
    return CRegistry::SetRawValue(setupKey, kSourcePath, type, reinterpret_cast<const BYTE*>(value.c_str()),
                                  static_cast<DWORD>(value.size() + 1), HKEY_LOCAL_MACHINE, view);
}

DWORD RestoreSetupSourcePath(bool wow64, const char* setupKey)
{
    const REGSAM view = SetupKeyView(wow64);
    DWORD err = CRegistry::ProbeKey(setupKey, HKEY_LOCAL_MACHINE, KEY_ALL_ACCESS, view);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    DWORD type = REG_NONE;
    std::vector<BYTE> original;
    const DWORD read = CRegistry::GetRawValue(setupKey, kSourcePathOrg, HKEY_LOCAL_MACHINE, original, &type, view);
    if (read == ERROR_SUCCESS)
    {
        err = CRegistry::SetRawValue(setupKey, kSourcePath, type, original.data(),
                                     static_cast<DWORD>(original.size()), HKEY_LOCAL_MACHINE, view);
        if (err != ERROR_SUCCESS)
        {
            return err;                                       // kept for a later restore
        }
    }
    return CRegistry::DeleteValue(setupKey, kSourcePathOrg, HKEY_LOCAL_MACHINE, view);
}
}  // namespace SystemCheck
