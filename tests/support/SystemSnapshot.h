#pragma once
// Test support: what an install leaves behind, as sorted text lines that compare before and after a
// run: registry trees under HKEY_LOCAL_MACHINE in both registry views (values with their data), and
// file trees (paths with sizes).

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "base/Scoped.h"

namespace SystemSnapshot
{
inline void AddKeyTree(HKEY root, const std::string& path, REGSAM view, const std::string& tag,
                       std::set<std::string>& lines)
{
    CRegKey key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, key.Receive()) != ERROR_SUCCESS)
    {
        return;
    }
    lines.insert(tag + path);
    for (DWORD index = 0;; ++index)
    {
        char name[16384] = {};
        DWORD nameSize = sizeof(name);
        BYTE data[4096] = {};
        DWORD dataSize = sizeof(data) - 1;
        DWORD type = 0;
        const LONG err = ::RegEnumValueA(key.Get(), index, name, &nameSize, nullptr, &type, data, &dataSize);
        if (err == ERROR_NO_MORE_ITEMS)
        {
            break;
        }
        const std::string text = type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD*>(data))
                                                   : std::string(reinterpret_cast<char*>(data));
        lines.insert(tag + path + " : " + name + " = " + text);
    }
    std::vector<std::string> subkeys;
    for (DWORD index = 0;; ++index)
    {
        char name[256] = {};
        DWORD nameSize = sizeof(name);
        if (::RegEnumKeyExA(key.Get(), index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        {
            break;
        }
        subkeys.push_back(name);
    }
    key.Reset();
    for (const std::string& subkey : subkeys)
    {
        AddKeyTree(root, path + "\\" + subkey, view, tag, lines);
    }
}

// Every key and value below the paths of HKEY_LOCAL_MACHINE, seen by 32-bit and by 64-bit programs.
inline std::set<std::string> RegistryLines(const std::vector<std::string>& paths)
{
    std::set<std::string> lines;
    for (const std::string& path : paths)
    {
        AddKeyTree(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY, "[32] ", lines);
        AddKeyTree(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY, "[64] ", lines);
    }
    return lines;
}

// Every file and directory below dir, except the names skipped (compared without regard to case).
inline void AddFileTree(const std::string& dir, const std::vector<std::string>& skipped, std::set<std::string>& lines)
{
    WIN32_FIND_DATAA data = {};
    CFindHandle find(::FindFirstFileA((dir + "\\*").c_str(), &data));
    if (!find.IsValid())
    {
        return;
    }
    do
    {
        const std::string name = data.cFileName;
        const bool skip = std::any_of(skipped.begin(), skipped.end(), [&name](const std::string& each) {
            return ::lstrcmpiA(each.c_str(), name.c_str()) == 0;
        });
        if (name == "." || name == ".." || skip)
        {
            continue;
        }
        const std::string path = dir + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        {
            lines.insert(path + "\\");
            AddFileTree(path, skipped, lines);
        }
        else
        {
            lines.insert(path + " " + std::to_string(data.nFileSizeLow));
        }
    } while (::FindNextFileA(find.Get(), &data));
}

// The lines of the first set that the second one lacks, and the other way round, prefixed - and +.
inline std::vector<std::string> Difference(const std::set<std::string>& before, const std::set<std::string>& after)
{
    std::vector<std::string> lines;
    for (const std::string& line : before)
    {
        if (after.count(line) == 0)
        {
            lines.push_back("- " + line);
        }
    }
    for (const std::string& line : after)
    {
        if (before.count(line) == 0)
        {
            lines.push_back("+ " + line);
        }
    }
    return lines;
}
}  // namespace SystemSnapshot
