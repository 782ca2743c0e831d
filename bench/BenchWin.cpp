#include "bench/BenchWin.h"

#include <psapi.h>

#include "base/Scoped.h"
#include "bench/BenchSupport.h"

bool RunTimedProcess(const std::string& application, const std::string& commandLine,
                     const std::string& directory, DWORD& exitCode, double& microseconds)
{
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    const double start = NowMicroseconds();
    if (!::CreateProcessA(application.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          directory.empty() ? nullptr : directory.c_str(), &startup, &info))
    {
        return false;
    }
    CHandle process(info.hProcess);
    CHandle thread(info.hThread);
    (void)::WaitForSingleObject(process.Get(), INFINITE);
    microseconds = NowMicroseconds() - start;
    DWORD code = 0;
    (void)::GetExitCodeProcess(process.Get(), &code);
    exitCode = code;
    return true;
}

bool PeakPrivateBytes(HANDLE process, double& bytes)
{
    using MemoryInfoFunction = BOOL(WINAPI*)(HANDLE, PPROCESS_MEMORY_COUNTERS, DWORD);
    // psapi.dll is a redistributable on NT 4 and absent on Windows 9x; Windows 7 and later also export
    // the function from kernel32 under its K32 name.
    CModule psapi(::LoadLibraryA("psapi.dll"));
    FARPROC found = psapi.IsValid() ? ::GetProcAddress(psapi.Get(), "GetProcessMemoryInfo") : nullptr;
    if (found == nullptr)
    {
        found = ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo");
    }
    if (found == nullptr)
    {
        return false;
    }
    const auto getInfo = reinterpret_cast<MemoryInfoFunction>(reinterpret_cast<void (*)()>(found));
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    if (!getInfo(process, reinterpret_cast<PPROCESS_MEMORY_COUNTERS>(&counters), sizeof(counters)))
    {
        return false;
    }
    // PeakPagefileUsage is the peak of the committed private memory; PrivateUsage only the current value.
    bytes = static_cast<double>(counters.PeakPagefileUsage > counters.PrivateUsage ? counters.PeakPagefileUsage
                                                                                    : counters.PrivateUsage);
    return true;
}

std::string ProgramDirectory()
{
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
    {
        return std::string();
    }
    std::string directory(path, length);
    const size_t separator = directory.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : directory.substr(0, separator);
}

void RemoveProgramLogs(const std::string& programFileName)
{
    char temp[MAX_PATH] = {};
    const DWORD length = ::GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH)
    {
        return;
    }
    const std::string directory(temp, length);
    std::vector<std::string> logs;
    WIN32_FIND_DATAA data = {};
    CFindHandle find(::FindFirstFileA((directory + programFileName + "*.log").c_str(), &data));
    if (find.IsValid())
    {
        do
        {
            logs.push_back(directory + data.cFileName);
        } while (::FindNextFileA(find.Get(), &data));
    }
    for (const std::string& log : logs)
    {
        (void)::DeleteFileA(log.c_str());
    }
}

bool WriteSizedFile(const std::string& path, DWORD size, unsigned seed)
{
    CHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
    if (!file.IsValid())
    {
        return false;
    }
    std::vector<char> block(64 * 1024);
    for (size_t i = 0; i < block.size(); ++i)
    {
        block[i] = static_cast<char>('A' + (i * 7 + seed) % 26);
    }
    for (DWORD written = 0; written < size;)
    {
        const DWORD chunk = size - written < block.size() ? size - written : static_cast<DWORD>(block.size());
        DWORD done = 0;
        if (!::WriteFile(file.Get(), block.data(), chunk, &done, nullptr) || done != chunk)
        {
            return false;
        }
        written += chunk;
    }
    return true;
}

namespace
{
void ListInto(const std::string& directory, TreeListing& listing)
{
    WIN32_FIND_DATAA data = {};
    CFindHandle find(::FindFirstFileA((directory + "\\*").c_str(), &data));
    if (!find.IsValid())
    {
        return;
    }
    std::vector<std::string> subdirectories;
    do
    {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
        {
            continue;
        }
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        {
            subdirectories.push_back(directory + "\\" + name);
        }
        else
        {
            listing.files.push_back(directory + "\\" + name);
        }
    } while (::FindNextFileA(find.Get(), &data));
    for (const std::string& subdirectory : subdirectories)
    {
        listing.directories.push_back(subdirectory);
        ListInto(subdirectory, listing);
    }
}
}  // namespace

TreeListing ListTree(const std::string& root)
{
    TreeListing listing;
    ListInto(root, listing);
    return listing;
}

bool CopyTreePlain(const std::string& source, const std::string& destination)
{
    if (!::CreateDirectoryA(destination.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
    {
        return false;
    }
    const TreeListing listing = ListTree(source);
    bool complete = true;
    for (const std::string& directory : listing.directories)
    {
        const std::string target = destination + directory.substr(source.size());
        complete = (::CreateDirectoryA(target.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS) &&
                   complete;
    }
    for (const std::string& file : listing.files)
    {
        complete = ::CopyFileA(file.c_str(), (destination + file.substr(source.size())).c_str(), FALSE) && complete;
    }
    return complete;
}
