#include "registry/KeyPath.h"

#include <windows.h>

namespace
{
// Calls visit(position) for every separating backslash, front to back.
template <typename Visit>
void ForEachSeparator(const std::string& path, Visit visit)
{
    for (size_t i = 0; i < path.size(); ++i)
    {
        const BYTE byte = static_cast<BYTE>(path[i]);
        if (::IsDBCSLeadByte(byte) && i + 1 < path.size())
        {
            ++i;                                              // the trail byte is never a separator
        }
        else if (byte == '\\')
        {
            visit(i);
        }
    }
}
}  // namespace

size_t FindFirstKeySeparator(const std::string& path)
{
    size_t first = std::string::npos;
    ForEachSeparator(path, [&first](size_t position) {
        if (first == std::string::npos)
        {
            first = position;
        }
    });
    return first;
}

size_t FindLastKeySeparator(const std::string& path)
{
    size_t last = std::string::npos;
    ForEachSeparator(path, [&last](size_t position) { last = position; });
    return last;
}

std::string JoinKeyPath(const std::string& parent, const std::string& name)
{
    if (!parent.empty() && FindLastKeySeparator(parent) == parent.size() - 1)
    {
        return parent + name;
    }
    return parent + "\\" + name;
}

std::string TrimKeySeparators(const std::string& path)
{
    std::string trimmed = path;
    while (!trimmed.empty() && FindLastKeySeparator(trimmed) == trimmed.size() - 1)
    {
        trimmed.pop_back();
    }
    return trimmed;
}
