#include "env/SystemPaths.h"

#include <winspool.h>

#include <optional>

#include "env/FileSystem.h"
#include "env/InstallPaths.h"
#include "env/Platform.h"

namespace
{
const char kWindowsNtKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";
const char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";

// A text the system writes into a caller's buffer and answers with its length (0 on failure, the size
// needed when the buffer is too small).
template <typename Query>
std::string QueryText(Query query)
{
    std::string text(MAX_PATH + 1, '\0');
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        const DWORD length = query(&text[0], static_cast<DWORD>(text.size()));
        if (length == 0)
        {
            return std::string();
        }
        if (length < text.size())
        {
            text.resize(length);
            return text;
        }
        text.assign(length + 1, '\0');
    }
    return std::string();
}

std::optional<std::string> ReadMachineText(const char* key, const char* name)
{
    std::string text;
    if (ReadRegistryText(HKEY_LOCAL_MACHINE, key, name, text) != ERROR_SUCCESS)
    {
        return std::nullopt;
    }
    return text;
}
}  // namespace

std::string ProgramFilePath()
{
    std::string path(MAX_PATH + 1, '\0');
    for (int attempt = 0; attempt < 4; ++attempt)
    {
        const DWORD length = ::GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
        {
            return std::string();
        }
        if (length < path.size() - 1)                         // a cut name fills the buffer exactly
        {
            path.resize(length);
            return path;
        }
        path.assign(path.size() * 2, '\0');
    }
    return std::string();
}

bool IsTerminalServer()
{
    OSVERSIONINFOEXA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    if (!::GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)))
    {
        return false;                                         // Windows 9x and old NT 4: no such product
    }
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.wProductType != VER_NT_WORKSTATION &&
           (info.wSuiteMask & VER_SUITE_TERMINAL) != 0;
}

SystemDirectories QuerySystemDirectories()
{
    SystemDirectories dirs;
    dirs.systemDir = QueryText([](char* buffer, DWORD size) { return ::GetSystemDirectoryA(buffer, size); });
    const std::string reported =
        QueryText([](char* buffer, DWORD size) { return ::GetWindowsDirectoryA(buffer, size); });
    const bool terminalServer = IsTerminalServer();
    dirs.windowsDir = ChooseWindowsDirectory(
        terminalServer, terminalServer ? ReadMachineText(kWindowsNtKey, "SystemRoot") : std::nullopt,
        dirs.systemDir, reported);
    dirs.infDir = dirs.windowsDir + "\\Inf";
    dirs.tempDir = WithoutTrailingBackslash(
        QueryText([](char* buffer, DWORD size) { return ::GetTempPathA(size, buffer); }));
    dirs.programFilesDir = ReadMachineText(kCurrentVersionKey, "ProgramFilesDir").value_or(std::string());
    dirs.windows64 = IsWindows64();
    return dirs;
}

DWORD EnumeratePortNames(std::vector<std::string>& names)
{
    DWORD needed = 0;
    DWORD count = 0;
    if (::EnumPortsA(nullptr, 1, nullptr, 0, &needed, &count))
    {
        names.clear();                                        // no ports at all
        return ERROR_SUCCESS;
    }
    DWORD err = ::GetLastError();
    // Another port may appear between the two calls: ask again with the larger size.
    for (int attempt = 0; attempt < 3 && err == ERROR_INSUFFICIENT_BUFFER; ++attempt)
    {
        std::vector<BYTE> buffer(needed);
        if (::EnumPortsA(nullptr, 1, buffer.data(), needed, &needed, &count))
        {
            const auto* ports = reinterpret_cast<const PORT_INFO_1A*>(buffer.data());
            std::vector<std::string> found;
            for (DWORD i = 0; i < count; ++i)
            {
                found.emplace_back(ports[i].pName != nullptr ? ports[i].pName : "");
            }
            names.swap(found);
            return ERROR_SUCCESS;
        }
        err = ::GetLastError();
    }
    return err;
}

DWORD CreateDirectoryChain(const std::string& directory,
                           const std::function<void(const std::string&)>& created)
{
    for (const std::string& piece : DirectoryChain(directory))
    {
        if (SystemCheck::IsDirectory(piece))
        {
            continue;
        }
        if (!::CreateDirectoryA(piece.c_str(), nullptr))
        {
            const DWORD err = ::GetLastError();
            if (err == ERROR_ALREADY_EXISTS && SystemCheck::IsDirectory(piece))
            {
                continue;                                     // made meanwhile by someone else
            }
            return err;
        }
        if (created)
        {
            created(piece);
        }
    }
    return ERROR_SUCCESS;
}
