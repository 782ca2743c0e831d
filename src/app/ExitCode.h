#pragma once
// The process exit codes deployment tools read (the Windows Installer family), the words the log ends
// with for each, and the check whether a run queued a file replacement or deletion for the next start.

#include <string>

class CLog;

namespace ExitCode
{
constexpr int kSuccess = 0;
constexpr int kRestartNeeded = 3010;          // done; a file is replaced or deleted at the next start
constexpr int kCancelled = 1602;              // the user cancelled
constexpr int kInstallFailure = 1603;         // an item failed, or the run could not do its work
constexpr int kAlreadyRunning = 1618;         // another installer of the product runs
constexpr int kNotSupported = 1633;           // the system does not meet the requirements

// "Exit code %d: ..." with the code's meaning in words; the last line of every run's log.
std::string LogLine(int code);

// Asks Windows to restart once this program has ended (the NT family first grants the process the
// right to shut the system down). Logged: "Restart of Windows requested" or why it was refused.
bool RequestRestart(int osClass, CLog& log);
}  // namespace ExitCode

// What is queued for the next start of Windows when the object is made: the pending file operations
// of the NT family, or the [rename] section of wininit.ini on Windows 9x (osClass OSCLASS_9X).
class CRestartQueue
{
public:
    explicit CRestartQueue(int osClass);
    // True when an entry was queued since the object was made.
    bool HasNewEntries() const;

private:
    std::string Read() const;

    int m_osClass;
    std::string m_before;
};
