#pragma once
// Test support: small questions every test folder asks: about lists of texts (log lines, recorded
// calls), the files beside the test program, folders and registry keys.

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

// True when one of the texts is text exactly.
inline bool Contains(const std::vector<std::string>& texts, const std::string& text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// The texts from the first one that starts with prefix on; empty when none does.
inline std::vector<std::string> From(const std::vector<std::string>& texts, const std::string& prefix)
{
    for (size_t i = 0; i < texts.size(); ++i)
    {
        if (texts[i].compare(0, prefix.size(), prefix) == 0)
        {
            return std::vector<std::string>(texts.begin() + static_cast<std::ptrdiff_t>(i), texts.end());
        }
    }
    return {};
}

// The full path of the running test program.
inline std::string TestProgramPath()
{
    char path[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length <= MAX_PATH ? length : 0);
}

// name in the folder of the test program, where the build puts the doubles and helpers it needs.
inline std::string BesideTest(const std::string& name)
{
    const std::string program = TestProgramPath();
    return program.substr(0, program.find_last_of('\\') + 1) + name;
}

inline bool DirectoryExists(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// True when the key can be opened for reading; view may name the 32- or 64-bit registry view.
inline bool KeyExists(HKEY root, const std::string& path, REGSAM view = 0)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
    {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}
