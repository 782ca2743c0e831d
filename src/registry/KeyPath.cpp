#include "registry/KeyPath.h"

#include "base/PathText.h"

size_t FindFirstKeySeparator(const std::string& path)
{
    return PathText::FirstSeparator(path, IsSystemLeadByte);
}

size_t FindLastKeySeparator(const std::string& path)
{
    return PathText::LastSeparator(path, IsSystemLeadByte);
}

std::string JoinKeyPath(const std::string& parent, const std::string& name)
{
    return PathText::Join(parent, name, IsSystemLeadByte);
}

std::string TrimKeySeparators(const std::string& path)
{
    return PathText::WithoutTrailingSeparators(path, IsSystemLeadByte);
}
