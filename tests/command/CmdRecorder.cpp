// Test program started by the command tests: appends one line "<command line>|<working directory>" to
// the file named by KV_RECORDER_LOG, waits while the event named by KV_RECORDER_HOLD (if any) is not
// set, and exits with the code in KV_RECORDER_EXIT (default 0).

#include <windows.h>

#include <cstdlib>
#include <string>

namespace
{
std::string Variable(const char* name)
{
    char value[MAX_PATH * 4] = {};
    const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof(value));
    return length > 0 && length < sizeof(value) ? std::string(value) : std::string();
}

void AppendLine(const std::string& path, const std::string& line)
{
    HANDLE file = ::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        return;
    }
    DWORD written = 0;
    (void)::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    (void)::CloseHandle(file);
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char directory[MAX_PATH + 1] = {};
    (void)::GetCurrentDirectoryA(MAX_PATH, directory);
    const std::string log = Variable("KV_RECORDER_LOG");
    if (!log.empty())
    {
        AppendLine(log, std::string(::GetCommandLineA()) + "|" + directory + "\n");
    }
    const std::string hold = Variable("KV_RECORDER_HOLD");
    if (!hold.empty())
    {
        HANDLE event = ::OpenEventA(SYNCHRONIZE, FALSE, hold.c_str());
        if (event != nullptr)
        {
            (void)::WaitForSingleObject(event, 60000);
            (void)::CloseHandle(event);
        }
    }
    return std::atoi(Variable("KV_RECORDER_EXIT").c_str());
}
