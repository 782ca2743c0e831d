#include "profile/ProfileText.h"

#include "profile/ProfilePlatform.h"

#include <cstring>

namespace
{
bool IsTrimmed(char c, const char* extra)
{
    return c == ' ' || c == '\t' || (c != '\0' && std::strchr(extra, c) != nullptr);
}
}  // namespace

size_t CharLength(const char* text, size_t index, size_t length)
{
    const unsigned char c = static_cast<unsigned char>(text[index]);
    if (c >= 0x80 && index + 1 < length && text[index + 1] != '\0' && IsLeadByte(text[index]))
    {
        return 2;
    }
    return 1;
}

size_t FindCharacter(const std::string& text, char c, size_t from)
{
    for (size_t i = from; i < text.size(); i += CharLength(text.data(), i, text.size()))
    {
        if (text[i] == c)
        {
            return i;
        }
    }
    return std::string::npos;
}

size_t FindText(const std::string& text, const std::string& what, size_t from)
{
    if (what.empty())
    {
        return std::string::npos;
    }
    for (size_t i = from; i < text.size(); i += CharLength(text.data(), i, text.size()))
    {
        if (text.compare(i, what.size(), what) == 0)
        {
            return i;
        }
    }
    return std::string::npos;
}

bool ReplaceAll(std::string& text, const std::string& token, const std::string& value, size_t maxLength)
{
    std::string result;
    size_t start = 0;
    size_t found = FindText(text, token, 0);
    while (found != std::string::npos)
    {
        if (result.size() + (found - start) + value.size() > maxLength)
        {
            return false;
        }
        result.append(text, start, found - start);
        result += value;
        start = found + token.size();
        found = FindText(text, token, start);
    }
    if (result.size() + (text.size() - start) > maxLength)
    {
        return false;
    }
    result.append(text, start, std::string::npos);
    text.swap(result);
    return true;
}

void ConvertEscapes(std::string& text)
{
    std::string result;
    result.reserve(text.size());
    size_t i = 0;
    while (i < text.size())
    {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'r' || text[i + 1] == 'n'))
        {
            result += text[i + 1] == 'r' ? '\r' : '\n';
            i += 2;
            continue;
        }
        const size_t length = CharLength(text.data(), i, text.size());
        result.append(text, i, length);
        i += length;
    }
    text.swap(result);
}

std::string TrimText(const char* begin, const char* end, const char* leftExtra, const char* rightExtra)
{
    while (begin < end && IsTrimmed(*begin, leftExtra))
    {
        ++begin;
    }
    // Walk forward by characters so that a trailing double-byte character is kept whole even when
    // its second byte equals a trimmed character such as ']'.
    const size_t length = static_cast<size_t>(end - begin);
    size_t keep = 0;
    for (size_t i = 0; i < length;)
    {
        const size_t step = CharLength(begin, i, length);
        if (step > 1 || !IsTrimmed(begin[i], rightExtra))
        {
            keep = i + step;
        }
        i += step;
    }
    return std::string(begin, keep);
}

bool EndsWithCharacter(const char* line, char c)
{
    const size_t length = std::strlen(line);
    size_t last = std::string::npos;
    for (size_t i = 0; i < length; i += CharLength(line, i, length))
    {
        last = i;
    }
    return last != std::string::npos && last + 1 == length && line[last] == c;
}
