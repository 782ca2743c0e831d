#pragma once
// System checks, spooler and Plug and Play: installed printers and printer drivers, and the wait for
// pending device installations. They report by their results and never log, except IsPrinterInstalled,
// which owns its allocation-failure line.

#include <windows.h>

#include <functional>

class CLog;

namespace SystemCheck
{
// CMP_WaitNoPendingInstallEvents, or a stand-in: WAIT_OBJECT_0 when nothing is pending, WAIT_TIMEOUT.
using PendingInstallWait = std::function<DWORD(DWORD timeout)>;

// Waits while Windows installs devices; true when installations were pending. With a foreground helper
// (the helper entry that raises the new-hardware window) it calls the helper every second and gives up
// after about half an hour; without one it gives up after about a minute. False when setupapi.dll or its
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
}  // namespace SystemCheck
