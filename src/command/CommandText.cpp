#include "command/CommandText.h"

#include <climits>

#include "base/TextRules.h"

namespace
{
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
        parts.type = Trim(line);
        return parts;
    }
    parts.type = Trim(line.substr(0, equals));
    const std::vector<std::string> tokens = SplitCollapsed(line.substr(equals + 1), ',');
    for (size_t i = 0; i < tokens.size() && i < 3; ++i)
    {
        parts.params[i] = Trim(tokens[i]);
    }
    return parts;
}

bool IsCommandText(const std::string& text)
{
    return StartsWithAsciiNoCase(text, "CT_");
}

std::string LineKey(const std::string& line)
{
    return Trim(line.substr(0, line.find('=')));
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
    parts.type = Trim(value.substr(0, first));
    if (first == std::string::npos)
    {
        return parts;
    }
    const size_t second = value.find(',', first + 1);
    const size_t nameLength = second == std::string::npos ? std::string::npos : second - first - 1;
    parts.name = Trim(value.substr(first + 1, nameLength));
    if (second != std::string::npos)
    {
        parts.data = Trim(value.substr(second + 1));
    }
    return parts;
}

std::uint32_t ParseRegistryDword(const std::string& text)
{
    std::string upper = AsciiUpper(text);
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
        if (EqualsAsciiNoCase(text, kNames[type]))
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
        if (EqualsAsciiNoCase(text, kNames[type]))
        {
            return type + 1;
        }
    }
    return 0;
}

std::uint16_t ParseLanguageId(const std::string& text)
{
    const std::string upper = AsciiUpper(Trim(text));
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
    const std::string trimmed = Trim(text);
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

std::string WorkingDirectoryOf(const std::string& programPath, LeadBytePredicate isLeadByte)
{
    return PathText::DirectoryPart(Trim(programPath, " \t\""), isLeadByte);
}

bool IsInCommaList(const std::string& list, const std::string& word)
{
    if (list.empty() || word.empty())
    {
        return false;
    }
    for (const std::string& entry : SplitCollapsed(list, ','))
    {
        if (EqualsAsciiNoCase(Trim(entry), word))
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
    return AsciiUpper(rootKey).find("HKCU") != std::string::npos;
}

std::vector<std::string> SplitPathPieces(const std::string& path, LeadBytePredicate isLeadByte)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    std::vector<size_t> ends = PathText::Separators(path, isLeadByte);
    ends.push_back(path.size());
    for (const size_t end : ends)
    {
        if (end > start)
        {
            pieces.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return pieces;
}
