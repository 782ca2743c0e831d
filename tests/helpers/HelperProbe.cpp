// Test program that the helpers start in place of real installers: each argument "name=value" is one
// step, run in order. args=FILE writes the whole command line to FILE; touch=FILE creates FILE;
// waitfor=FILE waits (at most a minute) until FILE exists or its folder is gone; exit=N ends with N.

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
void WriteFileText(const std::string& path, const std::string& text)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
    {
        DWORD written = 0;
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        ::CloseHandle(file);
    }
}
}  // namespace

int main(int argc, char** argv)
{
    int code = 0;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const size_t equal = arg.find('=');
        const std::string name = arg.substr(0, equal);
        const std::string value = equal == std::string::npos ? std::string() : arg.substr(equal + 1);
        if (name == "args")
        {
            WriteFileText(value, ::GetCommandLineA());
        }
        else if (name == "touch")
        {
            WriteFileText(value, "touched");
        }
        else if (name == "waitfor")
        {
            const std::string folder = value.substr(0, value.find_last_of('\\'));
            for (int step = 0; step < 600 && ::GetFileAttributesA(value.c_str()) == INVALID_FILE_ATTRIBUTES &&
                               ::GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES;
                 ++step)
            {
                ::Sleep(100);
            }
        }
        else if (name == "exit")
        {
            code = std::atoi(value.c_str());
        }
    }
    return code;
}
