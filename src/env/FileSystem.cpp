#include "env/FileSystem.h"

#include <windows.h>

#include <vector>

#include "base/PathText.h"
#include "base/Scoped.h"
#include "base/Text.h"

namespace
{
constexpr int kNewNameTries = 100;
constexpr DWORD kCopyChunk = 64 * 1024;

// Copies source's bytes into the empty file target; false with the system error in *error.
bool CopyBytes(const std::string& source, HANDLE target, DWORD* error)
{
    const CHandle input(::CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!input.IsValid())
    {
        *error = ::GetLastError();
        return false;
    }
    std::vector<char> chunk(kCopyChunk);
    for (;;)
    {
        DWORD read = 0;
        if (!::ReadFile(input.Get(), chunk.data(), kCopyChunk, &read, nullptr))
        {
            *error = ::GetLastError();
            return false;
        }
        if (read == 0)
        {
            return true;
        }
        DWORD written = 0;
        if (!::WriteFile(target, chunk.data(), read, &written, nullptr))
        {
            *error = ::GetLastError();
            return false;
        }
        if (written != read)
        {
            *error = ERROR_WRITE_FAULT;
            return false;
        }
    }
}

// The top of a folder walk: nothing left, a drive ("C:"), or a share root ("\\server\share").
bool IsWalkTop(const std::string& folder)
{
    if (folder.empty() || folder.back() == ':')
    {
        return true;
    }
    return folder.compare(0, 2, "\\\\") == 0 && PathText::Separators(folder, IsSystemLeadByte).size() < 4;
}

DWORD Attributes(const std::string& path)
{
    return path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesA(path.c_str());
}
}  // namespace

namespace SystemCheck
{
bool FileExists(const char* path, bool whileOthersWrite)
{
    if (path == nullptr || *path == '\0')
    {
        return false;
    }
    const DWORD share = whileOthersWrite ? (FILE_SHARE_READ | FILE_SHARE_WRITE) : FILE_SHARE_READ;
    const CHandle file(
        ::CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid();
}

bool PathExists(const std::string& path)
{
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path)
{
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsFile(const std::string& path)
{
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void RemoveEmptyParents(const std::string& directory)
{
    const std::string start = PathText::WithoutTrailingSeparators(directory, IsSystemLeadByte);
    std::string folder = PathText::DirectoryPart(start, IsSystemLeadByte);
    while (!IsWalkTop(folder) && ::RemoveDirectoryA(folder.c_str()))
    {
        folder = PathText::DirectoryPart(folder, IsSystemLeadByte);
    }
}

bool RemoveDirectoryChain(const char* directory)
{
    if (directory == nullptr || *directory == '\0')
    {
        return false;
    }
    const std::string dir = PathText::WithoutTrailingSeparators(directory, IsSystemLeadByte);
    // A bare drive ("C:") names that drive's current directory, never a directory of ours.
    if (!dir.empty() && dir.back() != ':' && ::RemoveDirectoryA(dir.c_str()))
    {
        RemoveEmptyParents(dir);
    }
    return true;
}

bool DeleteFileAndEmptyDirs(const char* file, bool keepDirectories)
{
    if (file == nullptr || !::DeleteFileA(file))
    {
        return false;
    }
    const std::string directory = PathText::DirectoryPart(file, IsSystemLeadByte);
    if (!keepDirectories && !directory.empty())
    {
        (void)RemoveDirectoryChain(directory.c_str());
    }
    return true;
}

std::string CopyToNewFile(const std::string& source, const std::string& folder, const std::string& name,
                          DWORD* error)
{
    const size_t dot = name.find_last_of('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    const DWORD start = ::GetTickCount();
    *error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < kNewNameTries && *error == ERROR_FILE_EXISTS; ++attempt)
    {
        const std::string unique = FormatText("%s_%lX_%lX%s", stem.c_str(),
                                              static_cast<unsigned long>(::GetCurrentProcessId()),
                                              static_cast<unsigned long>(start + attempt), extension.c_str());
        const std::string path = PathText::Join(folder, unique, IsSystemLeadByte);
        CHandle target(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                     nullptr));
        if (!target.IsValid())
        {
            const DWORD err = ::GetLastError();
            *error = err == ERROR_ALREADY_EXISTS ? ERROR_FILE_EXISTS : err;
            continue;
        }
        const bool copied = CopyBytes(source, target.Get(), error);
        target.Reset();
        if (copied)
        {
            *error = ERROR_SUCCESS;
            return path;
        }
        (void)::DeleteFileA(path.c_str());
        return std::string();
    }
    return std::string();
}
}  // namespace SystemCheck
