#include "command/CopyFile.h"

#include <utility>

#include "base/APIFunction.h"
#include "base/Scoped.h"
#include "base/TextRules.h"
#include "command/FilePath.h"
#include "env/FileSystem.h"
#include "env/Platform.h"
#include "log/Log.h"
#include "registry/KeyPath.h"
#include "registry/Registry.h"

namespace
{
const int kListTextSize = 4096;   // copy-list values are read through this many bytes

bool IsEmpty(const char* text)
{
    return text == nullptr || text[0] == '\0';
}

using SystemCheck::IsDirectory;
using SystemCheck::IsFile;
using SystemCheck::PathExists;

struct DirectoryItem
{
    std::string name;
    DWORD attributes;
};

// The entries of a directory without "." and ".."; false when it cannot be listed. Collected before
// anything is changed, so that deleting or creating entries never disturbs the listing.
bool ListDirectory(const std::string& directory, std::vector<DirectoryItem>& items)
{
    WIN32_FIND_DATAA data = {};
    CFindHandle find(::FindFirstFileA(JoinPath(directory, "*.*").c_str(), &data));
    if (!find.IsValid())
    {
        return false;
    }
    do
    {
        const std::string name = data.cFileName;
        if (name != "." && name != "..")
        {
            items.push_back({name, data.dwFileAttributes});
        }
    } while (::FindNextFileA(find.Get(), &data));
    return true;
}

// A new empty file in the system's temporary directory whose name starts with the first three
// characters of prefix.
bool MakeTempFile(const std::string& prefix, std::string& tempPath)
{
    char directory[MAX_PATH] = {};
    const DWORD length = ::GetTempPathA(MAX_PATH, directory);
    if (length == 0 || length >= MAX_PATH)
    {
        return false;
    }
    char name[MAX_PATH] = {};
    if (::GetTempFileNameA(directory, prefix.c_str(), 0, name) == 0)
    {
        return false;
    }
    tempPath = name;
    return true;
}

// The short form of an existing path, or the path itself when there is none.
std::string ShortPath(const std::string& path)
{
    char buffer[MAX_PATH] = {};
    const DWORD length = ::GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return (length == 0 || length >= MAX_PATH) ? path : std::string(buffer, length);
}

std::string ReadListText(const std::string& entryKey, const char* name)
{
    char text[kListTextSize] = {};
    return CRegistry::GetValue(entryKey.c_str(), name, text, HKEY_LOCAL_MACHINE, kListTextSize) == ERROR_SUCCESS
               ? std::string(text)
               : std::string();
}

bool ReadListFlag(const std::string& entryKey, const char* name)
{
    DWORD value = 0;
    return CRegistry::GetValue(entryKey.c_str(), name, &value, HKEY_LOCAL_MACHINE) == ERROR_SUCCESS && value != 0;
}
}  // namespace

CCopyFile::CCopyFile(CLog& log, int osClass, HistoryRecorder recorder)
    : m_log(log), m_osClass(osClass), m_recorder(std::move(recorder))
{
}

CCopyFile::~CCopyFile() = default;

void CCopyFile::SetSystemFunctions(const CAPIFunction& api)
{
    m_api = std::make_unique<CAPIFunction>(api);
}

CAPIFunction& CCopyFile::Api()
{
    if (!m_api)
    {
        m_api = std::make_unique<CAPIFunction>();
        (void)m_api->Load();
    }
    return *m_api;
}

void CCopyFile::Record(bool saveHistory, const std::string& text, HistoryKind kind)
{
    if (saveHistory && m_recorder)
    {
        (void)m_recorder(text, kind);                         // the records log their own failures
    }
}

bool CCopyFile::LoadList(const char* listKey)
{
    if (IsEmpty(listKey))
    {
        return false;
    }
    std::vector<std::string> names;
    if (CRegistry::GetSubKeyNames(listKey, HKEY_LOCAL_MACHINE, names) != ERROR_SUCCESS)
    {
        return false;
    }
    m_listKey = listKey;
    for (const std::string& name : names)
    {
        AppendListEntry(JoinKeyPath(listKey, name));
    }
    return true;
}

void CCopyFile::AppendListEntry(const std::string& entryKey)
{
    CopyFileEntry entry;
    entry.source = ReadListText(entryKey, "Src");
    entry.destination = ReadListText(entryKey, "Dest");
    entry.description = ReadListText(entryKey, "Description");
    entry.saveHistory = ReadListFlag(entryKey, "Delete");
    if (entry.source.empty() || !PathExists(entry.source))
    {
        return;
    }
    if (IsDirectory(entry.source))
    {
        AppendDirectory(entry.source, entry.destination, entry.description, ReadListFlag(entryKey, "CopySubDir"),
                        entry.saveHistory);
        return;
    }
    m_entries.push_back(entry);
}

void CCopyFile::AppendDirectory(const std::string& source, const std::string& destination,
                                const std::string& description, bool includeSubDirectories, bool saveHistory)
{
    std::vector<DirectoryItem> items;
    (void)ListDirectory(source, items);
    for (const DirectoryItem& item : items)
    {
        const std::string itemSource = JoinPath(source, item.name);
        const std::string itemDestination = JoinPath(destination, item.name);
        if ((item.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        {
            m_entries.push_back({itemSource, itemDestination, description, 0, saveHistory});
        }
        else if (includeSubDirectories)
        {
            AppendDirectory(itemSource, itemDestination, description, true, saveHistory);
        }
    }
}

bool CCopyFile::CopyAll(const char* listKey)
{
    if (!LoadList(listKey))
    {
        m_log.Write("Copy file Initial fail!!");
        return false;
    }
    for (size_t index = 0; index < m_entries.size(); ++index)
    {
        (void)CopyEntry(index);
    }
    return true;
}

bool CCopyFile::CopyEntry(size_t index)
{
    if (index >= m_entries.size())
    {
        return false;
    }
    const CopyFileEntry& entry = m_entries[index];
    return CopyFile(entry.source.c_str(), entry.destination.c_str(), entry.saveHistory);
}

bool CCopyFile::DeleteEntryTarget(size_t index)
{
    return index < m_entries.size() && DeleteFile(m_entries[index].destination.c_str());
}

bool CCopyFile::CopyFile(const char* source, const char* destination, bool saveHistory)
{
    if (IsEmpty(source) || IsEmpty(destination))
    {
        return false;
    }
    if (SystemUpper(source) == SystemUpper(destination))
    {
        return true;                                          // copying a file onto itself fails with 32
    }
    if (!FitsPath(source) || !FitsPath(destination) || !IsFile(source) || IsDirectory(destination))
    {
        return false;
    }
    // A file that was there before belongs to someone else (or to an earlier install that recorded
    // it): an uninstall of this run must not remove it.
    const bool existed = PathExists(destination);
    if (!CopyNewOrReplace(source, destination, saveHistory))
    {
        return false;
    }
    if (!existed)
    {
        Record(saveHistory, destination, kHistoryFile);
    }
    (void)::SetFileAttributesA(destination, FILE_ATTRIBUTE_NORMAL);
    return true;
}

bool CCopyFile::CopyNewOrReplace(const std::string& source, const std::string& destination, bool saveHistory)
{
    if (::CopyFileA(source.c_str(), destination.c_str(), FALSE))
    {
        return true;
    }
    const DWORD err = ::GetLastError();
    if (err == ERROR_ACCESS_DENIED)
    {
        (void)::SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    else if (err == ERROR_PATH_NOT_FOUND && !CreatePath(ParentPath(destination).c_str(), saveHistory))
    {
        return false;
    }
    return ::CopyFileA(source.c_str(), destination.c_str(), FALSE) ||
           ReplaceInUse(source.c_str(), destination.c_str());
}

bool CCopyFile::CreatePath(const char* directory, bool saveHistory)
{
    if (IsEmpty(directory))
    {
        return false;
    }
    const std::string path = JoinPath(directory, std::string());
    if (!FitsPath(path))
    {
        return false;
    }
    const size_t root = RootLength(path);
    const std::vector<size_t> separators = FindPathSeparators(path);
    // The part before the first backslash (and the whole drive or share) is never created.
    for (size_t i = 1; i < separators.size(); ++i)
    {
        if (separators[i] < root)
        {
            continue;
        }
        const std::string part = path.substr(0, separators[i] + 1);
        if (::CreateDirectoryA(part.c_str(), nullptr))
        {
            Record(saveHistory, path.substr(0, separators[i]), kHistoryDirectory);
            continue;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS && !IsDirectory(part))
        {
            return false;
        }
    }
    return true;
}

bool CCopyFile::CopyDirectory(const char* source, const char* destination, bool includeSubDirectories,
                              bool saveHistory)
{
    if (IsEmpty(source) || IsEmpty(destination))
    {
        return false;
    }
    std::vector<DirectoryItem> items;
    if (!IsDirectory(source) || !ListDirectory(source, items) || !CreatePath(destination, saveHistory))
    {
        return false;
    }
    for (const DirectoryItem& item : items)
    {
        const std::string itemSource = JoinPath(source, item.name);
        const std::string itemDestination = JoinPath(destination, item.name);
        if ((item.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        {
            (void)CopyFile(itemSource.c_str(), itemDestination.c_str(), saveHistory);
        }
        else if (includeSubDirectories)
        {
            (void)CopyDirectory(itemSource.c_str(), itemDestination.c_str(), true, saveHistory);
        }
    }
    return true;
}

bool CCopyFile::ReplaceInUse(const char* source, const char* destination)
{
    if (IsEmpty(source) || IsEmpty(destination) || !FitsPath(source) || !FitsPath(destination) ||
        IsDirectory(destination))
    {
        return false;
    }
    if (ReplaceInUseNt(source, destination))
    {
        return true;
    }
    return m_osClass == OSCLASS_9X && ReplaceInUse9x(source, destination);
}

// A file in use can still be renamed: move it aside, put the new file in its place and delete the old
// one at the next start. Windows 9x has no MoveFileExA, so this fails there.
bool CCopyFile::ReplaceInUseNt(const std::string& source, const std::string& destination)
{
    std::string temp;
    if (!MakeTempFile(FileNamePart(destination), temp))
    {
        return false;
    }
    CAPIFunction& api = Api();
    if (!api.MoveFileExA(destination.c_str(), temp.c_str(), MOVEFILE_REPLACE_EXISTING))
    {
        (void)::DeleteFileA(temp.c_str());                    // the empty file the name was reserved with
        return false;
    }
    if (::CopyFileA(source.c_str(), destination.c_str(), FALSE))
    {
        (void)api.MoveFileExA(temp.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        return true;
    }
    (void)api.MoveFileExA(temp.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING);
    return false;
}

// Windows 9x replaces files at the next start from the [rename] section of wininit.ini, which is read
// before long file names are available: both names are written in their short form.
bool CCopyFile::ReplaceInUse9x(const std::string& source, const std::string& destination)
{
    std::string temp;
    if (!MakeTempFile(FileNamePart(destination), temp))
    {
        return false;
    }
    char windows[MAX_PATH] = {};
    const UINT length = ::GetWindowsDirectoryA(windows, MAX_PATH);
    // Without the new file's bytes in place the line would put an empty file over the destination.
    if (length == 0 || length >= MAX_PATH || !::CopyFileA(source.c_str(), temp.c_str(), FALSE) ||
        !::WritePrivateProfileStringA("rename", ShortPath(destination).c_str(), ShortPath(temp).c_str(),
                                      JoinPath(windows, "wininit.ini").c_str()))
    {
        (void)::DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}

bool CCopyFile::DeleteFile(const char* path)
{
    if (IsEmpty(path))
    {
        return false;
    }
    const std::string target = Trim(path, " \"");
    return !target.empty() && FitsPath(target) && DeleteExistingFile(target);
}

// Most files go at the first attempt: the copy leaves its files with normal attributes, and a file
// listed from its folder comes with its attributes. Only a read-only file has them reset first; a file
// whose deletion fails is looked at then (a directory is left alone, a read-only file made writable).
bool CCopyFile::DeleteExistingFile(const std::string& path, DWORD knownAttributes)
{
    const bool known = knownAttributes != INVALID_FILE_ATTRIBUTES;
    if (known && (knownAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    {
        return false;
    }
    if (known && (knownAttributes & FILE_ATTRIBUTE_READONLY) != 0)
    {
        (void)::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    if (::DeleteFileA(path.c_str()))
    {
        return true;
    }
    DWORD err = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    {
        return false;
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
    {
        (void)::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (::DeleteFileA(path.c_str()))
        {
            return true;
        }
        err = ::GetLastError();
    }
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND)
    {
        return true;                                          // nothing to delete
    }
    return DeleteAtReboot(path.c_str());
}

bool CCopyFile::DeleteAtReboot(const char* path)
{
    if (IsEmpty(path) || !FitsPath(path) || IsDirectory(path))
    {
        return false;
    }
    std::string temp;
    if (!MakeTempFile(FileNamePart(path), temp))
    {
        return false;
    }
    // Moved aside, the file no longer blocks its directory and its name is free for a new install.
    CAPIFunction& api = Api();
    if (!api.MoveFileExA(path, temp.c_str(), MOVEFILE_REPLACE_EXISTING))
    {
        (void)::DeleteFileA(temp.c_str());
        return false;
    }
    if (api.MoveFileExA(temp.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
    {
        return true;
    }
    (void)api.MoveFileExA(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING);
    return false;
}

bool CCopyFile::DeleteDirectory(const char* path, bool recursive)
{
    if (IsEmpty(path))
    {
        return false;
    }
    const std::string directory = DropTrailingSeparator(path);
    if (!FitsPath(directory) || IsProtectedDirectory(directory))
    {
        return false;
    }
    if (recursive)
    {
        DeleteContents(directory);
    }
    if (!::RemoveDirectoryA(directory.c_str()))
    {
        return !PathExists(directory);
    }
    if (recursive)
    {
        SystemCheck::RemoveEmptyParents(directory);           // the parents left empty go too
    }
    return true;
}

void CCopyFile::DeleteContents(const std::string& directory)
{
    std::vector<DirectoryItem> items;
    (void)ListDirectory(directory, items);
    for (const DirectoryItem& item : items)
    {
        const std::string path = JoinPath(directory, item.name);
        if ((item.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        {
            (void)DeleteExistingFile(path, item.attributes);
        }
        else if (!::RemoveDirectoryA(path.c_str()) && (item.attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        {
            // A junction is only unlinked, never walked into: its target is not ours.
            DeleteContents(path);
            (void)::RemoveDirectoryA(path.c_str());
        }
    }
}
