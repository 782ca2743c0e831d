#include "command/FilePath.h"

#include <windows.h>

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
    std::vector<size_t> positions;
    for (size_t i = 0; i < path.size(); ++i)
    {
        const BYTE byte = static_cast<BYTE>(path[i]);
        if (::IsDBCSLeadByte(byte) && i + 1 < path.size())
        {
            ++i;                                              // the trail byte is never a separator
        }
        else if (byte == '\\')
        {
            positions.push_back(i);
        }
    }
    return positions;
}

bool FitsPath(const std::string& path)
{
    return path.size() <= kMaxPathLength;
}

size_t FindLastPathSeparator(const std::string& path)
{
    const std::vector<size_t> positions = FindPathSeparators(path);
    return positions.empty() ? std::string::npos : positions.back();
}

std::string JoinPath(const std::string& directory, const std::string& name)
{
    if (!directory.empty() && FindLastPathSeparator(directory) == directory.size() - 1)
    {
        return directory + name;
    }
    return directory + "\\" + name;
}

std::string ParentPath(const std::string& path)
{
    const size_t last = FindLastPathSeparator(path);
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

std::string DropTrailingSeparator(const std::string& path)
{
    if (!path.empty() && FindLastPathSeparator(path) == path.size() - 1)
    {
        return path.substr(0, path.size() - 1);
    }
    return path;
}

size_t RootLength(const std::string& path)
{
    if (path.size() >= 2 && path[1] == ':' && !::IsDBCSLeadByte(static_cast<BYTE>(path[0])))
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

std::string UpperText(const std::string& text)
{
    std::string upper = text;
    if (!upper.empty())
    {
        (void)::CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
    }
    return upper;
}

bool SamePath(const std::string& first, const std::string& second)
{
    return UpperText(first) == UpperText(second);
}

std::string TrimText(const std::string& text, const char* characters)
{
    const size_t begin = text.find_first_not_of(characters);
    if (begin == std::string::npos)
    {
        return std::string();
    }
    const size_t end = text.find_last_not_of(characters);
    return text.substr(begin, end - begin + 1);
}
