#include "base/PathText.h"

namespace PathText
{
std::vector<size_t> Separators(const std::string& path, LeadBytePredicate isLeadByte)
{
    std::vector<size_t> positions;
    for (size_t i = 0; i < path.size(); ++i)
    {
        if (isLeadByte != nullptr && isLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size())
        {
            ++i;                                              // the second byte belongs to this character
        }
        else if (path[i] == '\\')
        {
            positions.push_back(i);
        }
    }
    return positions;
}

size_t FirstSeparator(const std::string& path, LeadBytePredicate isLeadByte)
{
    const std::vector<size_t> positions = Separators(path, isLeadByte);
    return positions.empty() ? std::string::npos : positions.front();
}

size_t LastSeparator(const std::string& path, LeadBytePredicate isLeadByte)
{
    const std::vector<size_t> positions = Separators(path, isLeadByte);
    return positions.empty() ? std::string::npos : positions.back();
}

bool EndsWithSeparator(const std::string& path, LeadBytePredicate isLeadByte)
{
    return !path.empty() && LastSeparator(path, isLeadByte) == path.size() - 1;
}

std::string DirectoryPart(const std::string& path, LeadBytePredicate isLeadByte)
{
    const size_t last = LastSeparator(path, isLeadByte);
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

std::string NamePart(const std::string& path, LeadBytePredicate isLeadByte)
{
    const size_t last = LastSeparator(path, isLeadByte);
    return last == std::string::npos ? path : path.substr(last + 1);
}

std::string WithoutTrailingSeparator(const std::string& path, LeadBytePredicate isLeadByte)
{
    return EndsWithSeparator(path, isLeadByte) ? path.substr(0, path.size() - 1) : path;
}

std::string WithoutTrailingSeparators(const std::string& path, LeadBytePredicate isLeadByte)
{
    std::string trimmed = path;
    while (EndsWithSeparator(trimmed, isLeadByte))
    {
        trimmed.pop_back();
    }
    return trimmed;
}

std::string Join(const std::string& directory, const std::string& name, LeadBytePredicate isLeadByte)
{
    return EndsWithSeparator(directory, isLeadByte) ? directory + name : directory + "\\" + name;
}

bool IsFullPath(const std::string& path, LeadBytePredicate isLeadByte)
{
    const std::vector<size_t> separators = Separators(path, isLeadByte);
    const char first = path.empty() ? '\0' : path[0];
    const bool driveLetter = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
    if (driveLetter && path.size() >= 2 && path[1] == ':')
    {
        return !separators.empty() && separators[0] == 2;
    }
    return path.size() > 2 && separators.size() >= 2 && separators[0] == 0 && separators[1] == 1;
}
}  // namespace PathText
