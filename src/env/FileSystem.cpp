#include "env/FileSystem.h"

#include <windows.h>

#include "base/PathText.h"
#include "base/Scoped.h"

namespace
{
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
}  // namespace SystemCheck
