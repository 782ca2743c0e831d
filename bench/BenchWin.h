#pragma once
// Windows pieces of the benchmark programs: timed child processes, their peak private bytes, and the
// files and trees the figures work on. Paths are ANSI, without a trailing backslash.

#include <windows.h>

#include <string>
#include <vector>

// Starts application with commandLine in directory, waits for it and gives its exit code and the time
// from the start call to its end. False when it could not be started.
bool RunTimedProcess(const std::string& application, const std::string& commandLine,
                     const std::string& directory, DWORD& exitCode, double& microseconds);

// The peak private bytes (committed memory) of a process, from psapi's GetProcessMemoryInfo or, where
// psapi lacks it, kernel32's K32 name of the same function. False on systems that have neither.
bool PeakPrivateBytes(HANDLE process, double& bytes);

// The folder of the running program.
std::string ProgramDirectory();

// Deletes the logs a program of that file name ("Setup.exe") left in the temporary folder: each run
// writes a new one, and the next run would look for a free name past them.
void RemoveProgramLogs(const std::string& programFileName);

// Creates or replaces a file of size bytes; the content depends on seed.
bool WriteSizedFile(const std::string& path, DWORD size, unsigned seed);

// Every file and directory below root; directories come before what they hold.
struct TreeListing
{
    std::vector<std::string> files;
    std::vector<std::string> directories;
};
TreeListing ListTree(const std::string& root);

// Copies the tree at source to destination with the plain system calls (used to lay out inputs).
bool CopyTreePlain(const std::string& source, const std::string& destination);
