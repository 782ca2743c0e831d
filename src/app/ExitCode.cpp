#include "app/ExitCode.h"

#include <windows.h>

#include <vector>

#include "base/PathText.h"
#include "base/Text.h"
#include "env/Platform.h"
#include "log/Log.h"
#include "registry/Registry.h"

namespace
{
const char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";
const DWORD kWininitSectionSize = 32768;

// The value's bytes; empty when it is missing.
std::string ReadPendingOperations()
{
    std::vector<BYTE> data;
    if (CRegistry::GetRawValue(kSessionManagerKey, kPendingValue, HKEY_LOCAL_MACHINE, data, nullptr) != ERROR_SUCCESS)
    {
        return std::string();
    }
    return std::string(data.begin(), data.end());
}

std::string ReadWininitRenames()
{
    char windows[MAX_PATH + 1] = {};
    if (::GetWindowsDirectoryA(windows, MAX_PATH) == 0)
    {
        return std::string();
    }
    const std::string file = PathText::Join(windows, "wininit.ini", IsSystemLeadByte);
    std::vector<char> section(kWininitSectionSize, '\0');
    const DWORD length = ::GetPrivateProfileSectionA("rename", section.data(), kWininitSectionSize, file.c_str());
    return std::string(section.data(), length < kWininitSectionSize ? length : kWininitSectionSize);
}
}  // namespace

std::string ExitCode::LogLine(int code)
{
    const char* words = "the run failed";
    switch (code)
    {
    case kSuccess:
        words = "the run succeeded";
        break;
    case kRestartNeeded:
        words = "the run succeeded; Windows completes it at the next start";
        break;
    case kCancelled:
        words = "the user cancelled the run";
        break;
    case kAlreadyRunning:
        words = "another installer of this product is already running";
        break;
    case kNotSupported:
        words = "this system is not supported";
        break;
    default:
        break;
    }
    return FormatText("Exit code %d: %s", code, words);
}

CRestartQueue::CRestartQueue(int osClass) : m_osClass(osClass), m_before(Read())
{
}

bool CRestartQueue::HasNewEntries() const
{
    const std::string now = Read();
    // Entries are only ever added by a run; Windows empties the queue at its next start.
    return now != m_before && now.size() >= m_before.size();
}

std::string CRestartQueue::Read() const
{
    return m_osClass == OSCLASS_9X ? ReadWininitRenames() : ReadPendingOperations();
}

bool ExitCode::RequestRestart(int osClass, CLog& log)
{
    if (osClass != OSCLASS_9X)
    {
        HANDLE token = nullptr;
        TOKEN_PRIVILEGES privileges = {};
        if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        {
            privileges.PrivilegeCount = 1;
            privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
            if (::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
            {
                (void)::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
            }
            (void)::CloseHandle(token);
        }
    }
    if (!::ExitWindowsEx(EWX_REBOOT, 0))
    {
        log.WriteError(::GetLastError(), "Restart of Windows refused");
        return false;
    }
    log.Write("Restart of Windows requested");
    return true;
}
