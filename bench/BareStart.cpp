// The plain side of the start-up figure: a Windows program that starts, reads each file named on its
// command line (relative to the current directory, separated by blanks) whole, and ends. A name that
// starts with '+' is a DLL to load first, to show what loading the installer's libraries costs; "!ports"
// asks the spooler for its port list once, as the installer's start does to choose the default port.
// Exit code 0 when every file was read and every DLL loaded, 1 otherwise.

#include <windows.h>

#include <string>
#include <vector>

#include "base/Scoped.h"

namespace
{
bool ReadWhole(const std::string& path)
{
    CHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
    {
        return false;
    }
    const DWORD size = ::GetFileSize(file.Get(), nullptr);
    if (size == INVALID_FILE_SIZE)
    {
        return false;
    }
    std::vector<char> data(size + 1);
    DWORD read = 0;
    return ::ReadFile(file.Get(), data.data(), size, &read, nullptr) && read == size;
}
// EnumPortsA through the loaded spooler library (the bare program imports nothing but kernel32).
bool ListPorts()
{
    using EnumPortsFunction = BOOL(WINAPI*)(LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
    HMODULE spooler = ::GetModuleHandleA("winspool.drv");
    FARPROC found = spooler != nullptr ? ::GetProcAddress(spooler, "EnumPortsA") : nullptr;
    if (found == nullptr)
    {
        return false;
    }
    const auto enumPorts = reinterpret_cast<EnumPortsFunction>(reinterpret_cast<void (*)()>(found));
    DWORD needed = 0;
    DWORD count = 0;
    (void)enumPorts(nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1);
    return enumPorts(nullptr, 1, buffer.data(), needed, &needed, &count) != FALSE;
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    const std::string text = commandLine != nullptr ? commandLine : "";
    bool complete = true;
    size_t start = 0;
    while (start < text.size())
    {
        const size_t end = text.find(' ', start);
        const std::string name = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (name == "!ports")
        {
            complete = ListPorts() && complete;
        }
        else if (name.size() > 1 && name[0] == '+')
        {
            complete = ::LoadLibraryA(name.c_str() + 1) != nullptr && complete;   // kept to the end
        }
        else if (!name.empty())
        {
            complete = ReadWhole(name) && complete;
        }
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return complete ? 0 : 1;
}
