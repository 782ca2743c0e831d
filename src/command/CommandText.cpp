#include "command/CommandText.h"

#include <climits>
#include <cstring>

#include "command/FilePath.h"

namespace
{
char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(const std::string& text)
{
    std::string upper = text;
    for (char& c : upper)
    {
        c = UpperAscii(c);
    }
    return upper;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsHexLetter(char c)
{
    return c >= 'A' && c <= 'F';
}

int HexDigitValue(char c)
{
    if (IsDigit(c))
    {
        return c - '0';
    }
    return IsHexLetter(c) ? c - 'A' + 10 : 0;
}

// The value of the leading decimal digits, wrapping like the 32-bit registry value it becomes.
std::uint32_t LeadingDecimal(const std::string& text)
{
    std::uint32_t value = 0;
    for (size_t i = 0; i < text.size() && IsDigit(text[i]); ++i)
    {
        value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
    }
    return value;
}
}  // namespace

bool EqualsNoCase(const char* left, const char* right)
{
    if (left == nullptr || right == nullptr)
    {
        return left == right;
    }
    for (; *left != '\0' && *right != '\0'; ++left, ++right)
    {
        if (UpperAscii(*left) != UpperAscii(*right))
        {
            return false;
        }
    }
    return *left == *right;
}

bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    const size_t length = std::strlen(prefix);
    return text.size() >= length && EqualsNoCase(text.substr(0, length).c_str(), prefix);
}

std::vector<std::string> SplitCollapsed(const std::string& text, char separator)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= text.size())
    {
        size_t end = text.find(separator, start);
        if (end == std::string::npos)
        {
            end = text.size();
        }
        if (end > start)
        {
            pieces.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return pieces;
}

CommandLineParts SplitCommandLine(const std::string& line)
{
    CommandLineParts parts;
    const size_t equals = line.find('=');
    if (equals == std::string::npos)
    {
        parts.type = TrimText(line, " \t");
        return parts;
    }
    parts.type = TrimText(line.substr(0, equals), " \t");
    const std::vector<std::string> tokens = SplitCollapsed(line.substr(equals + 1), ',');
    for (size_t i = 0; i < tokens.size() && i < 3; ++i)
    {
        parts.params[i] = TrimText(tokens[i], " \t");
    }
    return parts;
}

bool IsCommandText(const std::string& text)
{
    return StartsWithNoCase(text, "CT_");
}

std::string LineKey(const std::string& line)
{
    return TrimText(line.substr(0, line.find('=')), " \t");
}

std::string LineValue(const std::string& line)
{
    const size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(equals + 1);
}

RegistryValueLine SplitRegistryValueLine(const std::string& value)
{
    RegistryValueLine parts;
    const size_t first = value.find(',');
    parts.type = TrimText(value.substr(0, first), " \t");
    if (first == std::string::npos)
    {
        return parts;
    }
    const size_t second = value.find(',', first + 1);
    const size_t nameLength = second == std::string::npos ? std::string::npos : second - first - 1;
    parts.name = TrimText(value.substr(first + 1, nameLength), " \t");
    if (second != std::string::npos)
    {
        parts.data = TrimText(value.substr(second + 1), " \t");
    }
    return parts;
}

std::uint32_t ParseRegistryDword(const std::string& text)
{
    std::string upper = UpperAscii(text);
    if (upper.find("0X") == std::string::npos)
    {
        return LeadingDecimal(upper);
    }
    for (size_t at = upper.find("0X"); at != std::string::npos; at = upper.find("0X", at))
    {
        upper.erase(at, 2);
    }
    std::uint32_t value = 0;
    std::uint32_t weight = 1;
    for (size_t count = 0; count < 8 && count < upper.size(); ++count)
    {
        value += static_cast<std::uint32_t>(HexDigitValue(upper[upper.size() - 1 - count])) * weight;
        weight <<= 4;
    }
    return value;
}

std::optional<int> CancelTypeFromText(const std::string& text)
{
    static const char* const kNames[] = {"RESUME_EXIT", "OK_CANCEL", "NULL"};
    for (int type = 0; type < 3; ++type)
    {
        if (EqualsNoCase(text.c_str(), kNames[type]))
        {
            return type;
        }
    }
    return std::nullopt;
}

std::uint32_t SetupTypeFromText(const std::string& text)
{
    static const char* const kNames[] = {"INSTALL", "UNINST", "REINST"};
    for (std::uint32_t type = 0; type < 3; ++type)
    {
        if (EqualsNoCase(text.c_str(), kNames[type]))
        {
            return type + 1;
        }
    }
    return 0;
}

std::uint16_t ParseLanguageId(const std::string& text)
{
    const std::string upper = UpperAscii(TrimText(text, " \t"));
    const size_t hex = upper.find("0X");
    if (hex == std::string::npos)
    {
        return static_cast<std::uint16_t>(LeadingDecimal(upper));
    }
    std::uint32_t value = 0;
    for (size_t i = hex + 2; i < upper.size() && (IsDigit(upper[i]) || IsHexLetter(upper[i])); ++i)
    {
        value = (value << 4) | static_cast<std::uint32_t>(HexDigitValue(upper[i]));
    }
    return static_cast<std::uint16_t>(value);
}

long ParseInteger(const std::string& text)
{
    const std::string trimmed = TrimText(text, " \t");
    const bool negative = !trimmed.empty() && trimmed[0] == '-';
    const size_t start = !trimmed.empty() && (trimmed[0] == '-' || trimmed[0] == '+') ? 1 : 0;
    long value = 0;
    for (size_t i = start; i < trimmed.size() && IsDigit(trimmed[i]); ++i)
    {
        if (value > (LONG_MAX - 9) / 10)
        {
            break;                                            // the largest value that fits is kept
        }
        value = value * 10 + (trimmed[i] - '0');
    }
    return negative ? -value : value;
}

size_t FindLastBackslash(const std::string& text, LeadBytePredicate isLeadByte)
{
    return PathText::LastSeparator(text, isLeadByte);
}

bool EndsWithBackslash(const std::string& text, LeadBytePredicate isLeadByte)
{
    return PathText::EndsWithSeparator(text, isLeadByte);
}

std::string WorkingDirectoryOf(const std::string& programPath, LeadBytePredicate isLeadByte)
{
    return PathText::DirectoryPart(TrimText(programPath, " \t\""), isLeadByte);
}

bool IsInCommaList(const std::string& list, const std::string& word)
{
    if (list.empty() || word.empty())
    {
        return false;
    }
    for (const std::string& entry : SplitCollapsed(list, ','))
    {
        if (EqualsNoCase(TrimText(entry, " \t").c_str(), word.c_str()))
        {
            return true;
        }
    }
    return false;
}

bool SectionApplies(const SectionConditions& conditions, const std::string& osDefine,
                    const std::string& langAbbr)
{
    if (conditions.supportedOs && !IsInCommaList(*conditions.supportedOs, osDefine))
    {
        return false;
    }
    if (conditions.unsupportedOs && IsInCommaList(*conditions.unsupportedOs, osDefine))
    {
        return false;
    }
    if (conditions.supportedLang && !IsInCommaList(*conditions.supportedLang, langAbbr))
    {
        return false;
    }
    return !(conditions.unsupportedLang && IsInCommaList(*conditions.unsupportedLang, langAbbr));
}

bool NamesCurrentUser(const std::string& rootKey)
{
    return UpperAscii(rootKey).find("HKCU") != std::string::npos;
}

std::vector<std::string> SplitPathPieces(const std::string& path, LeadBytePredicate isLeadByte)
{
    std::vector<std::string> pieces;
    std::string piece;
    for (size_t i = 0; i < path.size(); ++i)
    {
        if (isLeadByte != nullptr && isLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size())
        {
            piece += path.substr(i++, 2);
        }
        else if (path[i] == '\\')
        {
            if (!piece.empty())
            {
                pieces.push_back(piece);
            }
            piece.clear();
        }
        else
        {
            piece += path[i];
        }
    }
    if (!piece.empty())
    {
        pieces.push_back(piece);
    }
    return pieces;
}
