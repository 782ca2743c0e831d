#pragma once
// Small text, setting-file, registry and waiting routines every helper program and library uses.
// Header-only: the helpers share no compiled code with the installer or with one another.

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/Scoped.h"

namespace helper
{
inline std::string Text(const char* text)
{
    return text != nullptr ? std::string(text) : std::string();
}

// Blanks, tabs and double quotes removed at both ends.
inline std::string Trim(const std::string& text, const char* set = " \t\"")
{
    const size_t first = text.find_first_not_of(set);
    if (first == std::string::npos)
    {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(set) - first + 1);
}

inline bool EqualNoCase(const std::string& left, const std::string& right)
{
    return ::lstrcmpiA(left.c_str(), right.c_str()) == 0;
}

inline std::string Upper(std::string text)
{
    for (char& c : text)
    {
        if (c >= 'a' && c <= 'z')
        {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

inline std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
    {
        parts.push_back(Trim(text.substr(start, end - start), " \t"));
    }
    parts.push_back(Trim(text.substr(start), " \t"));
    return parts;
}

// The folder part of a path ("C:\a\b.exe" gives "C:\a"); empty without a backslash.
inline std::string DirectoryOf(const std::string& path)
{
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

inline std::string ModulePath(HMODULE module)
{
    char path[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameA(module, path, MAX_PATH);
    return std::string(path, length <= MAX_PATH ? length : 0);
}

// "<folder>\<name>.ini" beside the module: where each helper keeps the settings a user or a test gives it.
inline std::string SettingFileOf(HMODULE module)
{
    std::string path = ModulePath(module);
    const size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && dot > path.find_last_of('\\'))
    {
        path.erase(dot);
    }
    return path + ".ini";
}

inline std::string IniString(const std::string& file, const char* section, const char* key, const char* fallback = "")
{
    char value[4096] = {};
    ::GetPrivateProfileStringA(section, key, fallback, value, sizeof(value), file.c_str());
    return value;
}

inline DWORD IniNumber(const std::string& file, const char* section, const char* key, DWORD fallback)
{
    const std::string value = IniString(file, section, key);
    return value.empty() ? fallback : static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 0));
}

inline bool FileExists(const std::string& path)
{
    return !path.empty() && ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A registry path with an optional root ("HKLM\...", "HKEY_CURRENT_USER\..."); without one the
// local-machine hive. The rest of the path comes back in subKey.
inline HKEY SplitRoot(const std::string& path, std::string& subKey)
{
    static const struct
    {
        const char* name;
        HKEY root;
    } roots[] = {{"HKLM", HKEY_LOCAL_MACHINE}, {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                 {"HKCU", HKEY_CURRENT_USER},  {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                 {"HKCR", HKEY_CLASSES_ROOT},  {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                 {"HKU", HKEY_USERS},          {"HKEY_USERS", HKEY_USERS}};
    const size_t slash = path.find('\\');
    const std::string first = path.substr(0, slash);
    for (const auto& entry : roots)
    {
        if (EqualNoCase(first, entry.name))
        {
            subKey = slash == std::string::npos ? std::string() : path.substr(slash + 1);
            return entry.root;
        }
    }
    subKey = path;
    return HKEY_LOCAL_MACHINE;
}

inline bool ReadRegString(HKEY root, const std::string& key, const char* name, std::string& value)
{
    CRegKey opened;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, opened.Receive()) != ERROR_SUCCESS)
    {
        return false;
    }
    char data[4096] = {};
    DWORD type = 0;
    DWORD size = sizeof(data) - 1;
    if (::RegQueryValueExA(opened.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
    {
        return false;
    }
    value = data;
    return true;
}

inline bool ReadRegNumber(HKEY root, const std::string& key, const char* name, DWORD& value)
{
    CRegKey opened;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, opened.Receive()) != ERROR_SUCCESS)
    {
        return false;
    }
    DWORD data = 0;
    DWORD type = 0;
    DWORD size = sizeof(data);
    if (::RegQueryValueExA(opened.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
    {
        return false;
    }
    value = data;
    return true;
}

inline DWORD WriteRegNumber(HKEY root, const std::string& key, const char* name, DWORD value)
{
    CRegKey opened;
    const LONG err = ::RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, opened.Receive());
    if (err != ERROR_SUCCESS)
    {
        return static_cast<DWORD>(err);
    }
    return static_cast<DWORD>(::RegSetValueExA(opened.Get(), name, 0, REG_DWORD,
                                               reinterpret_cast<const BYTE*>(&value), sizeof(value)));
}

inline DWORD WriteRegString(HKEY root, const std::string& key, const char* name, const std::string& value)
{
    CRegKey opened;
    const LONG err = ::RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, opened.Receive());
    if (err != ERROR_SUCCESS)
    {
        return static_cast<DWORD>(err);
    }
    return static_cast<DWORD>(::RegSetValueExA(opened.Get(), name, 0, REG_SZ,
                                               reinterpret_cast<const BYTE*>(value.c_str()),
                                               static_cast<DWORD>(value.size() + 1)));
}

// Asks the condition every step until it holds or the limit passes; true when it held.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD limitMs, DWORD stepMs = 100)
{
    const DWORD start = ::GetTickCount();
    for (;;)
    {
        if (condition())
        {
            return true;
        }
        if (::GetTickCount() - start >= limitMs)
        {
            return false;
        }
        ::Sleep(stepMs);
    }
}

// Splits a command line into its program (quoted or up to the first blank) and the rest.
inline void SplitCommandLine(const std::string& line, std::string& program, std::string& arguments)
{
    const std::string text = Trim(line, " \t");
    size_t end = 0;
    if (!text.empty() && text[0] == '"')
    {
        end = text.find('"', 1);
        program = text.substr(1, end == std::string::npos ? std::string::npos : end - 1);
        end = end == std::string::npos ? text.size() : end + 1;
    }
    else
    {
        end = text.find_first_of(" \t");
        end = end == std::string::npos ? text.size() : end;
        program = text.substr(0, end);
    }
    arguments = Trim(text.substr(end), " \t");
}
// The switches of a command line: "/X\"value\"", "/Xvalue" (up to the next blank) or "/X" alone, in
// any order; letters upper-cased. Text before the first switch is left out.
inline std::vector<std::pair<char, std::string>> ParseSwitches(const std::string& line)
{
    std::vector<std::pair<char, std::string>> switches;
    size_t at = line.find('/');
    while (at != std::string::npos && at + 1 < line.size())
    {
        char key = line[at + 1];
        key = key >= 'a' && key <= 'z' ? static_cast<char>(key - 'a' + 'A') : key;
        size_t end = at + 2;
        std::string value;
        if (end < line.size() && line[end] == '"')
        {
            const size_t close = line.find('"', end + 1);
            value = line.substr(end + 1, close == std::string::npos ? std::string::npos : close - end - 1);
            end = close == std::string::npos ? line.size() : close + 1;
        }
        else
        {
            const size_t blank = line.find_first_of(" \t", end);
            value = line.substr(end, blank == std::string::npos ? std::string::npos : blank - end);
            end = blank == std::string::npos ? line.size() : blank;
        }
        switches.emplace_back(key, value);
        at = line.find('/', end);
    }
    return switches;
}
}  // namespace helper
