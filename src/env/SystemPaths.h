#pragma once
// What the system reports about the installer's surroundings: its own program file, the Windows,
// system, temporary and program files directories, the spooler's ports, and the creation of a
// directory chain. Thin wrappers: they return Windows error codes and never log.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct SystemDirectories
{
    std::string windowsDir;               // the system's own, also on a terminal server
    std::string systemDir;
    std::string infDir;                   // "<windowsDir>\Inf"
    std::string tempDir;                  // without its trailing backslash
    std::string programFilesDir;          // ProgramFilesDir of HKLM\Software\Microsoft\Windows\CurrentVersion
    bool windows64 = false;
};

// The running program's full file name.
std::string ProgramFilePath();

// The directories as this system reports them; a value the system does not give stays empty.
SystemDirectories QuerySystemDirectories();

// True on a server product of Windows NT with the terminal-services suite.
bool IsTerminalServer();

// The names of the spooler's ports (EnumPortsA level 1). names is written only on success.
DWORD EnumeratePortNames(std::vector<std::string>& names);

// Creates directory and every missing directory above it, outermost first, telling created about each
// one made here. 0, or the error of the first piece that could not be made.
DWORD CreateDirectoryChain(const std::string& directory,
                           const std::function<void(const std::string&)>& created);
