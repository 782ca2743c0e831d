// System checks (env/SystemCheck.h), the installation medium: the drive type of the source folder, and
// the system's setup source path (where Windows looks for its own files) pointed at it during a run.
#include "env/SystemCheck.h"

#include <vector>

#include "base/Scoped.h"

namespace
{
constexpr const char* kSourcePath = "SourcePath";
constexpr const char* kSourcePathOrg = "SourcePath_ORG";

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
}  // namespace

namespace SystemCheck
{
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
}  // namespace SystemCheck
