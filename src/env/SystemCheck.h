#pragma once
// Small system services of the installer: administrator test, drive type of the installer's source,
// wait for pending Plug and Play installations, printer and driver presence, directory clean-up, the
// Windows setup source path and service control. They report by their results and never log, except
// IsPrinterInstalled, which owns its allocation-failure line.

#include <windows.h>
#include <winsvc.h>

#include <functional>
#include <string>

class CLog;

namespace SystemCheck
{
// The system's AccessCheck, or a stand-in with its signature.
using AccessCheckFn = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, HANDLE, DWORD, PGENERIC_MAPPING, PPRIVILEGE_SET,
                                    LPDWORD, LPDWORD, LPBOOL);

// True when the user's token is granted read access to a descriptor that admits only the built-in
// Administrators group. Any failure on the way gives false; the impersonation is always reverted.
bool CheckAdministrator(AccessCheckFn accessCheck = ::AccessCheck);

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

// CMP_WaitNoPendingInstallEvents, or a stand-in: WAIT_OBJECT_0 when nothing is pending, WAIT_TIMEOUT.
using PendingInstallWait = std::function<DWORD(DWORD timeout)>;

// Waits while Windows installs devices; true when installations were pending. With a foreground helper
// (the helper entry that raises the new-hardware window) it waits without limit and calls the helper
// every second; without one it gives up after about a minute. False when setupapi.dll or its
// CMP_WaitNoPendingInstallEvents is missing.
bool WaitNoPendingInstall(const std::function<void()>& foregroundHelper);
// The system's CMP_WaitNoPendingInstallEvents as a wait; empty where the system has none (the entry
// name is for tests that try such a system).
PendingInstallWait SystemPendingInstallWait(const char* waitEntry = "CMP_WaitNoPendingInstallEvents");
// The same with the wait supplied.
bool WaitNoPendingInstall(const PendingInstallWait& wait, const std::function<void()>& foregroundHelper);

// True when a local printer uses the driver name (byPrinter), or the driver is installed (otherwise);
// names compare without regard to case. False when the spooler cannot enumerate; a failed allocation
// also logs "GlobalAlloc Error [Check Printer Installed]".
bool IsPrinterInstalled(CLog& log, const char* name, bool byPrinter);

// Removes directory, then each parent while removal succeeds; never a drive root. False only for an
// empty text.
bool RemoveDirectoryChain(const char* directory);
// Deletes file (false when that fails), then, unless keepDirectories, its directory chain as above.
bool DeleteFileAndEmptyDirs(const char* file, bool keepDirectories);

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

// Start or stop a service and wait while it is pending; 0 with state SERVICE_RUNNING (4) or
// SERVICE_STOPPED (1), 1052 when it ended in another state, otherwise the Windows error code. state
// (may be null) receives the last state seen, also on failure once one was read.
DWORD StartServiceAndWait(const char* name, DWORD* state);
DWORD StopServiceAndWait(const char* name, DWORD* state);
// The service's current state; 87 when state is null.
DWORD QueryServiceState(const char* name, DWORD* state);

// The platform calls the pending wait uses: QueryServiceStatus as an error code, Sleep, GetTickCount.
struct ServiceWaitCalls
{
    std::function<DWORD(SERVICE_STATUS& status)> query;
    std::function<void(DWORD milliseconds)> sleep;
    std::function<DWORD()> tickCount;
};

// Waits while status shows pendingState: a tenth of the wait hint per round (100 to 1000 ms), the timer
// restarted whenever the checkpoint advances, given up once the wait hint has passed without progress.
// status holds the last state read; returns the failing query's error, else 0.
DWORD WaitWhileServicePending(DWORD pendingState, SERVICE_STATUS& status, const ServiceWaitCalls& calls);

// True when a piece of list, cut at any of the separator characters and trimmed of spaces and tabs,
// equals word without regard to case. Any empty or null argument gives false.
bool IsWordInList(const char* list, const char* word, const char* separators);

// The system's text for an error code; empty when it has none.
std::string SystemErrorText(DWORD code);
// Shows the system's text for code in a warning message box; shows nothing when there is no text.
void ShowSystemError(DWORD code, const char* caption);

// True when the file can be opened for reading while others may read it.
bool FileExists(const char* path);
}  // namespace SystemCheck
