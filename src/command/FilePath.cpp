#include "command/FilePath.h"

#include <windows.h>

#include "base/PathText.h"

namespace
{
bool IsOnlyRoot(const std::string& path)
{
    const std::string trimmed = DropTrailingSeparator(path);
    return trimmed.size() < 4 || RootLength(trimmed + "\\") > trimmed.size();
}
}  // namespace

std::vector<size_t> FindPathSeparators(const std::string& path)
{
    return PathText::Separators(path, IsSystemLeadByte);
}

bool FitsPath(const std::string& path)
{
    return path.size() <= kMaxPathLength;
}

size_t FindLastPathSeparator(const std::string& path)
{
    return PathText::LastSeparator(path, IsSystemLeadByte);
}

std::string JoinPath(const std::string& directory, const std::string& name)
{
    return PathText::Join(directory, name, IsSystemLeadByte);
}

std::string ParentPath(const std::string& path)
{
    return PathText::DirectoryPart(path, IsSystemLeadByte);
}

std::string DropTrailingSeparator(const std::string& path)
{
    return PathText::WithoutTrailingSeparator(path, IsSystemLeadByte);
}

size_t RootLength(const std::string& path)
{
    if (path.size() >= 2 && path[1] == ':' && !IsSystemLeadByte(static_cast<unsigned char>(path[0])))
    {
        return (path.size() >= 3 && path[2] == '\\') ? 3 : 2;
    }
    if (path.compare(0, 2, "\\\\") == 0)
    {
        // \\server\share\ : the fourth separator ends the root.
        const std::vector<size_t> positions = FindPathSeparators(path);
        return positions.size() >= 4 ? positions[3] + 1 : path.size();
    }
    return 0;
}

bool IsProtectedDirectory(const std::string& path)
{
    if (IsOnlyRoot(path))
    {
        return true;
    }
    // "C:\Windows\.." names the drive root too.
    char full[MAX_PATH] = {};
    char* namePart = nullptr;
    const DWORD length = ::GetFullPathNameA(path.c_str(), MAX_PATH, full, &namePart);
    return length > 0 && length < MAX_PATH && IsOnlyRoot(full);
}
