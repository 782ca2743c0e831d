#pragma once
// System checks, the installation medium: the drive type of the installer's source, and the Windows
// setup source path (where Windows looks for its own files) pointed at it during a run. They report by
// their results and never log.

#include <windows.h>

#include <string>

namespace SystemCheck
{
enum SourceMediaType
{
    kMediaUnknown = 0,                                        // unknown, no root, or no backslash
    kMediaRemovable = 1,
    kMediaFixed = 2,
    kMediaCdRom = 3,
    kMediaRamDisk = 4,
    kMediaRemote = 5,
};

// Code of the drive that holds path (the installer's own program file when path is null or empty).
int GetSourceMediaType(const char* path = nullptr);
// The root GetDriveType is asked about: up to and including the first backslash, or "\\server\share\"
// for a network path. Empty when there is none.
std::string DriveRootOf(const std::string& path);
// Maps a GetDriveType result to the code above.
int MediaTypeFromDriveType(UINT driveType);

// wow64: this 32-bit process runs on 64-bit Windows. Then the 64-bit registry view is used and the
// path is upper-cased with "\SYSTEM32\" made "\SYSWOW64\", where a 32-bit process's files really are.
std::string SetupSourcePathFor(const char* path, bool wow64);

constexpr const char* kSetupKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";

// Writes SourcePath under HKLM\<setupKey>, keeping the first original in SourcePath_ORG. Returns the
// Windows error code; SourcePath is left alone when its original could not be kept.
DWORD SetSetupSourcePath(const char* path, bool wow64, const char* setupKey = kSetupKey);
// Writes SourcePath_ORG back to SourcePath and deletes it. Returns the deletion's code (2 when no
// original was kept), or the error that stopped it; the original stays kept when it cannot be written.
DWORD RestoreSetupSourcePath(bool wow64, const char* setupKey = kSetupKey);
}  // namespace SystemCheck
