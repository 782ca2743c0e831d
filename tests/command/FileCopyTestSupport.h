#pragma once
// Test support for the copy engine and the uninstall records: the system's list of file operations
// pending until the next start, a temporary directory of the test's own, a file held in use the way a
// loaded program file is, recording of history, and snapshots of file trees.

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/HistoryRecorder.h"
#include "support/TempDir.h"

const char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingRenamesValue[] = "PendingFileRenameOperations";

// The pending operations as (source, target) pairs without the "\??\" prefix; an empty target means
// the source is deleted at the next start.
inline std::vector<std::pair<std::string, std::string>> ReadPendingOperations()
{
    std::vector<std::pair<std::string, std::string>> operations;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    {
        return operations;
    }
    std::vector<char> data(65536);
    DWORD size = static_cast<DWORD>(data.size());
    DWORD type = 0;
    const LONG err = ::RegQueryValueExA(key, kPendingRenamesValue, nullptr, &type,
                                        reinterpret_cast<BYTE*>(data.data()), &size);
    ::RegCloseKey(key);
    if (err != ERROR_SUCCESS || type != REG_MULTI_SZ)
    {
        return operations;
    }
    std::vector<std::string> strings;
    for (size_t start = 0; start < size;)
    {
        const std::string text(&data[start]);
        strings.push_back(text);
        start += text.size() + 1;
    }
    const auto strip = [](std::string text) {
        return text.compare(0, 4, "\\??\\") == 0 ? text.substr(4) : text;
    };
    for (size_t i = 0; i + 1 < strings.size(); i += 2)
    {
        if (strings[i].empty())
        {
            break;                                            // the list's closing empty string
        }
        operations.emplace_back(strip(strings[i]), strip(strings[i + 1]));
    }
    return operations;
}

// The files scheduled for deletion at the next start whose path begins with prefix (any case).
inline std::vector<std::string> PendingDeletesUnder(const std::string& prefix)
{
    std::vector<std::string> paths;
    for (const auto& operation : ReadPendingOperations())
    {
        if (operation.second.empty() && ::CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE,
                                                         operation.first.c_str(),
                                                         static_cast<int>(prefix.size()), prefix.c_str(),
                                                         static_cast<int>(prefix.size())) == CSTR_EQUAL)
        {
            paths.push_back(operation.first);
        }
    }
    return paths;
}

// Takes the operations on sources below prefix out of the list again (the value goes when empty).
inline void RemovePendingUnder(const std::string& prefix)
{
    const auto operations = ReadPendingOperations();
    std::string data;
    bool removed = false;
    for (const auto& operation : operations)
    {
        if (::CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, operation.first.c_str(),
                             static_cast<int>(prefix.size()), prefix.c_str(),
                             static_cast<int>(prefix.size())) == CSTR_EQUAL)
        {
            removed = true;
            continue;
        }
        data += "\\??\\" + operation.first + '\0';
        data += (operation.second.empty() ? std::string() : operation.second) + '\0';
    }
    if (!removed)
    {
        return;
    }
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
    {
        return;
    }
    if (data.empty())
    {
        (void)::RegDeleteValueA(key, kPendingRenamesValue);
    }
    else
    {
        data += '\0';
        (void)::RegSetValueExA(key, kPendingRenamesValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                               static_cast<DWORD>(data.size()));
    }
    ::RegCloseKey(key);
}

// A copy of the test library, loaded from path as a program's DLL is: it cannot be written or deleted
// while loaded, but it can be renamed. Unloaded when the object goes.
class CHeldLibrary
{
public:
    explicit CHeldLibrary(const std::string& path)
    {
        if (::CopyFileA(LibraryPath().c_str(), path.c_str(), FALSE))
        {
            m_module = ::LoadLibraryA(path.c_str());
        }
    }
    ~CHeldLibrary() { Release(); }
    CHeldLibrary(const CHeldLibrary&) = delete;
    CHeldLibrary& operator=(const CHeldLibrary&) = delete;

    bool IsHeld() const { return m_module != nullptr; }
    void Release()
    {
        if (m_module)
        {
            ::FreeLibrary(m_module);
            m_module = nullptr;
        }
    }
    // The library built beside the test program.
    static std::string LibraryPath()
    {
        char path[MAX_PATH] = {};
        ::GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string program = path;
        return program.substr(0, program.find_last_of('\\') + 1) + "KvHeldLibrary.dll";
    }

private:
    HMODULE m_module = nullptr;
};

// Keeps everything a recorder is told.
struct CHistoryLog
{
    std::vector<std::pair<std::string, HistoryKind>> entries;
    HistoryRecorder Recorder()
    {
        return [this](const std::string& text, HistoryKind kind) {
            entries.emplace_back(text, kind);
            return true;
        };
    }
};

// Every file and directory below root by relative path: directories as "<dir>", files as their bytes
// preceded by their attributes.
inline void SnapshotTree(const std::string& root, const std::string& relative,
                         std::map<std::string, std::string>& snapshot)
{
    WIN32_FIND_DATAA data = {};
    const std::string directory = relative.empty() ? root : root + "\\" + relative;
    HANDLE find = ::FindFirstFileA((directory + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
    {
        return;
    }
    do
    {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
        {
            continue;
        }
        const std::string path = relative.empty() ? name : relative + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        {
            snapshot[path] = "<dir>";
            SnapshotTree(root, path, snapshot);
        }
        else
        {
            snapshot[path] = std::to_string(data.dwFileAttributes) + ":" + ReadTestFile(root + "\\" + path);
        }
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
}

inline std::map<std::string, std::string> SnapshotTree(const std::string& root)
{
    std::map<std::string, std::string> snapshot;
    SnapshotTree(root, std::string(), snapshot);
    return snapshot;
}
