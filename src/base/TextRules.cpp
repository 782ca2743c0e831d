#include "base/TextRules.h"

const char kBlanks[] = " \t";

std::string Trim(const std::string& text, const char* characters)
{
    const size_t first = text.find_first_not_of(characters);
    if (first == std::string::npos)
    {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(characters) - first + 1);
}

std::string TrimLeft(const std::string& text, const char* characters)
{
    const size_t first = text.find_first_not_of(characters);
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string TrimRight(const std::string& text, const char* characters)
{
    const size_t last = text.find_last_not_of(characters);
    return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

char AsciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string AsciiUpper(std::string text)
{
    for (char& c : text)
    {
        c = AsciiUpper(c);
    }
    return text;
}

std::string AsciiLower(std::string text)
{
    for (char& c : text)
    {
        c = AsciiLower(c);
    }
    return text;
}

bool EqualsAsciiNoCase(const std::string& first, const std::string& second)
{
    return first.size() == second.size() && StartsWithAsciiNoCase(first, second);
}

bool EqualsAsciiNoCase(const char* first, const char* second)
{
    for (; *first != '\0' && *second != '\0'; ++first, ++second)
    {
        if (AsciiUpper(*first) != AsciiUpper(*second))
        {
            return false;
        }
    }
    return *first == *second;
}

bool StartsWithAsciiNoCase(const std::string& text, const std::string& prefix)
{
    if (prefix.size() > text.size())
    {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i)
    {
        if (AsciiUpper(text[i]) != AsciiUpper(prefix[i]))
        {
            return false;
        }
    }
    return true;
}

std::string WithCrLf(const std::string& text)
{
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
        {
            result += '\r';
        }
        result += text[i];
    }
    return result;
}

std::string FillPlaceholder(const std::string& format, const std::string& text)
{
    const size_t at = format.find("%s");
    return at == std::string::npos ? format : format.substr(0, at) + text + format.substr(at + 2);
}
