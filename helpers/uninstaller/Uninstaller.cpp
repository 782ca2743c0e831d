// The uninstaller program started by the installer's delete-all step with /P"<install folder>" and
// /I0x<installer process id>: waits (bounded) for the installer to end, removes the folder with
// everything in it (files in use are removed at the next start), removes the emptied folders above
// it, and finally removes itself. Its steps go to "<temp>KVDelAll.log".
// Exit codes: 0 done, 3010 done but some removals wait for a restart, 87 bad command line or a folder
// that must not be removed, 1460 the installer did not end in time (nothing removed).

#include <windows.h>

#include <string>

#include "common/HelperLog.h"
#include "common/HelperText.h"
#include "common/SystemEntry.h"

namespace
{
const CHelperLog kLog("KVDelAll");
constexpr int kExitRestart = 3010;
constexpr int kExitFailure = 1603;

struct UninstallCommand
{
    std::string folder;
    DWORD processId = 0;
};

UninstallCommand ParseCommand(const std::string& line)
{
    UninstallCommand command;
    for (const auto& entry : helper::ParseSwitches(line))
    {
        if (entry.first == 'P')
        {
            command.folder = helper::Trim(entry.second, " \t\"\\");
        }
        else if (entry.first == 'I')
        {
            command.processId = std::strtoul(entry.second.c_str(), nullptr, 16);
        }
    }
    return command;
}

// Drive roots, the Windows folders and bare names are never removed.
bool MayRemove(const std::string& folder)
{
    if (folder.size() < 4 || folder.find('\\') == std::string::npos)
    {
        return false;
    }
    char windows[MAX_PATH + 1] = {};
    char system[MAX_PATH + 1] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    ::GetSystemDirectoryA(system, MAX_PATH);
    return !helper::EqualNoCase(folder, windows) && !helper::EqualNoCase(folder, system);
}

using MoveFileExFn = BOOL(WINAPI*)(const char*, const char*, DWORD);

// Removes the file or empty folder at the next start: MoveFileExA on Windows NT, the [rename] section
// of wininit.ini on Windows 9x (which takes files only, by their short names).
bool RemoveAtRestart(const std::string& path, bool isFolder)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    ::GetVersionExA(&version);
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT)
    {
        const auto moveFileEx = helper::SystemFunction<MoveFileExFn>(nullptr, "kernel32.dll", "MoveFileExA");
        return moveFileEx != nullptr && moveFileEx(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    if (isFolder)
    {
        return false;
    }
    char shortPath[MAX_PATH + 1] = {};
    if (::GetShortPathNameA(path.c_str(), shortPath, MAX_PATH) == 0)
    {
        return false;
    }
    char windows[MAX_PATH + 1] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    return ::WritePrivateProfileStringA("rename", "NUL", shortPath, (std::string(windows) + "\\wininit.ini").c_str());
}

// What could not be removed at once: scheduled for the next start, or files left where they are (in
// use on a system that cannot schedule their removal).
struct Remainder
{
    int deferred = 0;
    int left = 0;
};

// Removes the folder tree; counts what had to wait for a restart and what had to stay.
void RemoveTree(const std::string& folder, Remainder& remainder)
{
    WIN32_FIND_DATAA found = {};
    CFindHandle find(::FindFirstFileA((folder + "\\*").c_str(), &found));
    for (bool more = find.IsValid(); more; more = ::FindNextFileA(find.Get(), &found))
    {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
        {
            continue;
        }
        const std::string path = folder + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        {
            RemoveTree(path, remainder);
            continue;
        }
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!::DeleteFileA(path.c_str()))
        {
            const DWORD err = ::GetLastError();
            const bool later = RemoveAtRestart(path, false);
            kLog.WriteError(err, "%s in use: %s", path.c_str(), later ? "removed at the next start" : "left");
            ++(later ? remainder.deferred : remainder.left);
        }
    }
    find.Reset();
    if (!::RemoveDirectoryA(folder.c_str()) && helper::FileExists(folder))
    {
        const DWORD err = ::GetLastError();
        const bool later = RemoveAtRestart(folder, true);
        kLog.WriteError(err, "Folder %s: %s", folder.c_str(), later ? "removed at the next start" : "left");
        ++remainder.deferred;    // Windows 9x cannot schedule a folder; an empty one left behind is no failure
    }
}

// The folders above the install folder (the product's, then the maker's) go when they are empty.
void RemoveEmptyParents(const std::string& folder)
{
    std::string parent = helper::DirectoryOf(folder);
    for (int level = 0; level < 2 && MayRemove(parent) && ::RemoveDirectoryA(parent.c_str()); ++level)
    {
        kLog.Write("Removed empty folder %s", parent.c_str());
        parent = helper::DirectoryOf(parent);
    }
}

// The batch file that removes this program: a new file of its own in the temporary folder, created
// only where no file of that name exists, so that no other program can have put its own there first.
// Invalid handle when none could be made.
HANDLE CreateRemovalBatch(const std::string& temp, std::string& batch)
{
    const DWORD start = ::GetTickCount();
    for (DWORD attempt = 0; attempt < 100; ++attempt)
    {
        batch = temp + "KVDelAll_" + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(start + attempt) +
                ".bat";
        HANDLE file = ::CreateFileA(batch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || (::GetLastError() != ERROR_FILE_EXISTS &&
                                             ::GetLastError() != ERROR_ALREADY_EXISTS))
        {
            return file;
        }
    }
    return INVALID_HANDLE_VALUE;
}

// A running program cannot delete its own file: a small batch file retries (a bounded number of
// times, a second apart) once this process has ended, then deletes itself. It runs detached, without
// a console, so that no console settings are left behind. It needs the NT command shell's counting
// loop; under COMMAND.COM (Windows 9x) the file goes at the next start instead. The programs it uses
// are named by their full paths and it runs in the system folder: the temporary folder, where it lies,
// may hold programs of any name.
void RemoveSelf()
{
    const std::string self = helper::ModulePath(nullptr);
    char comspec[MAX_PATH + 1] = {};
    const DWORD comspecLength = ::GetEnvironmentVariableA("COMSPEC", comspec, MAX_PATH);
    const std::string shell = comspecLength > 0 && comspecLength < MAX_PATH ? std::string(comspec) : std::string();
    const size_t slash = shell.find_last_of('\\');
    char system[MAX_PATH + 1] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    // The system's own command shell, whatever folder COMSPEC names.
    const std::string commandShell = std::string(system) + "\\cmd.exe";
    if (!helper::EqualNoCase(shell.substr(slash == std::string::npos ? 0 : slash + 1), "cmd.exe") ||
        !helper::FileExists(commandShell))
    {
        kLog.Write("%s: %s", self.c_str(), RemoveAtRestart(self, false) ? "removed at the next start" : "left");
        return;
    }
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string ping = std::string(system) + "\\ping.exe";
    const std::string script = "@echo off\r\nset n=0\r\n:again\r\ndel \"" + self + "\" >nul 2>&1\r\nif not exist \"" +
                               self + "\" goto done\r\nset /a n=n+1\r\nif %n% geq 60 goto done\r\n\"" + ping +
                               "\" -n 2 127.0.0.1 >nul 2>&1\r\ngoto again\r\n:done\r\ndel \"%~f0\"\r\n";
    std::string batch;
    CHandle file(CreateRemovalBatch(temp, batch));
    DWORD written = 0;
    if (!file.IsValid() || !::WriteFile(file.Get(), script.data(), static_cast<DWORD>(script.size()), &written, nullptr))
    {
        kLog.Write("%s: %s", self.c_str(), RemoveAtRestart(self, false) ? "removed at the next start" : "left");
        return;
    }
    file.Reset();
    std::string line = "\"" + commandShell + "\" /c \"" + batch + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (::CreateProcessA(commandShell.c_str(), &line[0], nullptr, nullptr, FALSE, DETACHED_PROCESS | IDLE_PRIORITY_CLASS,
                         nullptr, system, &startup, &process))
    {
        CHandle thread(process.hThread);
        CHandle child(process.hProcess);
        kLog.Write("%s is removed once this program has ended", self.c_str());
    }
    else
    {
        kLog.WriteError(::GetLastError(), "Start %s fail", batch.c_str());
        ::DeleteFileA(batch.c_str());
    }
}

int Run(const std::string& line)
{
    kLog.Write("Uninstaller: %s", line.c_str());
    const UninstallCommand command = ParseCommand(line);
    if (!MayRemove(command.folder))
    {
        kLog.Write("No folder to remove, or one that must not be removed (%s)", command.folder.c_str());
        return ERROR_INVALID_PARAMETER;
    }
    const std::string settings = helper::SettingFileOf(nullptr);
    const DWORD limitMs = helper::IniNumber(settings, "WAIT", "PROCESS_SECONDS", 600) * 1000;
    CHandle installer(command.processId != 0 ? ::OpenProcess(SYNCHRONIZE, FALSE, command.processId) : nullptr);
    if (installer.IsValid() && ::WaitForSingleObject(installer.Get(), limitMs) != WAIT_OBJECT_0)
    {
        kLog.Write("Installer process 0x%lx did not end within %lu seconds; nothing removed", command.processId,
                   limitMs / 1000);
        return ERROR_TIMEOUT;
    }
    Remainder remainder;
    RemoveTree(command.folder, remainder);
    RemoveEmptyParents(command.folder);
    kLog.Write("Removed %s%s%s", command.folder.c_str(), remainder.deferred > 0 ? " (some files at the next start)" : "",
               remainder.left > 0 ? " (some files left: in use, and the system cannot remove them later)" : "");
    RemoveSelf();
    // A file that stays for good is a failed removal, not one that a restart finishes.
    return remainder.left > 0 ? kExitFailure : remainder.deferred > 0 ? kExitRestart : 0;
}

// The command line after the program's own name.
std::string Arguments()
{
    std::string program;
    std::string arguments;
    helper::SplitCommandLine(::GetCommandLineA(), program, arguments);
    return arguments;
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return Run(Arguments());
}
