#pragma once
// Test support: what a test program can learn of the run tools/wine-run.sh made for it.

#include <windows.h>

#include <cstring>
#include <string>

// The Windows version a versioned run presents: tools/wine-run.sh runs a copy named
// <test>_<prefix>_<version>.exe. Empty for a run without a version.
inline std::string PresentedVersion()
{
    char path[MAX_PATH + 1] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    name = name.substr(name.find_last_of('\\') + 1);
    const size_t underscore = name.find_last_of('_');
    const size_t dot = name.find_last_of('.');
    return underscore == std::string::npos ? std::string()
                                           : name.substr(underscore + 1, dot - underscore - 1);
}

// 1 in the test's 64-bit prefix, 0 in the 32-bit one, -1 when the prefix is unknown.
inline int PrefixIs64Bit()
{
    char prefix[1024] = {};
    if (::GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix)) == 0)
    {
        return -1;
    }
    return std::strstr(prefix, "/win64/") != nullptr ? 1
                                                     : (std::strstr(prefix, "/win32/") != nullptr ? 0 : -1);
}
