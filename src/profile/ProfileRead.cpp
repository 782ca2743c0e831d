// Reading a profile file: comments removed, each line trimmed, and its section headers and lines
// added to a section list.
#include "profile/Profile.h"

#include "profile/ProfileText.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace
{
constexpr DWORD kLineBufferSize = 4096;       // the longest line is 4095 characters

bool IsEmpty(const char* text)
{
    return text == nullptr || *text == '\0';
}

bool IsLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

DWORD SkipLineBreaks(const char* text, DWORD length, DWORD i)
{
    while (i < length && IsLineBreak(text[i]))
    {
        ++i;
    }
    return i;
}

// From "//" to the line break that ends the comment, or length when the data ends inside it.
DWORD SkipLineComment(const char* text, DWORD length, DWORD i)
{
    i += 2;
    while (i < length && !IsLineBreak(text[i]))
    {
        ++i;
    }
    return i;
}

// From "/*" to right after the next "*/", or length when none follows.
DWORD SkipBlockComment(const char* text, DWORD length, DWORD i)
{
    for (DWORD j = i + 2; j + 1 < length; ++j)
    {
        if (text[j] == '*' && text[j + 1] == '/')
        {
            return j + 2;
        }
    }
    return length;
}

// The output of ProcessData: never written past its size, always zero-terminated.
class CTextOutput
{
public:
    CTextOutput(char* out, DWORD size) : m_out(out), m_size(size) { m_out[0] = '\0'; }
    void Put(char c)
    {
        if (m_used + 1 < m_size)
        {
            m_out[m_used++] = c;
            m_out[m_used] = '\0';
        }
    }
    // Writes CR LF; unless always is set, only when the output is not at the start of a line.
    void EndLine(bool always)
    {
        if (always || (m_used > 0 && m_out[m_used - 1] != '\n'))
        {
            Put('\r');
            Put('\n');
        }
    }

private:
    char* m_out;
    DWORD m_size;
    DWORD m_used = 0;
};
}  // namespace

DWORD CProfile::LoadFile(const char* path, CSectionList& document)
{
    if (IsEmpty(path))
    {
        return ERROR_INVALID_PARAMETER;
    }
    try
    {
        std::string data;
        const DWORD err = ReadWholeFile(path, data);
        if (err != ERROR_SUCCESS)
        {
            return err;
        }
        data += "\r\n";
        // Every input byte gives at most two output bytes (a lone CR or LF becomes CR LF).
        std::vector<char> processed(2 * data.size() + 1, '\0');
        (void)ProcessData(data.data(), processed.data(), static_cast<DWORD>(data.size()),
                          static_cast<DWORD>(processed.size()));
        (void)Parsing(processed.data(), document);
        return ERROR_SUCCESS;
    }
    catch (const std::bad_alloc&)
    {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

bool CProfile::ProcessData(const char* text, char* out, DWORD length, DWORD outSize)
{
    if (text == nullptr || out == nullptr || outSize == 0)
    {
        return true;
    }
    CTextOutput output(out, outSize);
    bool inQuotes = false;
    DWORD i = 0;
    while (i < length)
    {
        // No comment starts inside quotes or at the last character of the data.
        const bool commentStart = !inQuotes && text[i] == '/' && i + 1 < length;
        if (commentStart && text[i + 1] == '/')
        {
            i = SkipLineComment(text, length, i);
            if (i >= length)
            {
                break;   // the data ends inside the comment
            }
            i = SkipLineBreaks(text, length, i);
            output.EndLine(false);   // a line holding only a comment disappears entirely
            continue;
        }
        if (commentStart && text[i + 1] == '*')
        {
            i = SkipBlockComment(text, length, i);   // an unterminated comment drops the rest
            continue;
        }
        if (IsLineBreak(text[i]))
        {
            i = SkipLineBreaks(text, length, i);
            output.EndLine(true);
            continue;
        }
        if (text[i] == '"')
        {
            inQuotes = !inQuotes;
        }
        output.Put(text[i++]);
    }
    return true;
}

DWORD CProfile::ReadOneLine(const char* text, char* line, DWORD* size)
{
    if (text == nullptr || line == nullptr || size == nullptr || *size == 0)
    {
        return ERROR_INVALID_PARAMETER;
    }
    size_t length = 0;
    size_t consumed = 0;
    for (;;)
    {
        const char c = text[length];
        if (c == '\0')
        {
            return ERROR_NO_MORE_ITEMS;   // a line without a line break is not returned
        }
        if (c == '\n' || (c == '\r' && text[length + 1] == '\n'))
        {
            consumed = length + (c == '\r' ? 2 : 1);
            break;
        }
        if (length >= *size - 1)
        {
            return ERROR_OUTOFMEMORY;
        }
        ++length;
    }
    const std::string trimmed = TrimText(text, text + length);
    std::memcpy(line, trimmed.c_str(), trimmed.size() + 1);
    *size = static_cast<DWORD>(consumed);
    return ERROR_SUCCESS;
}

bool CProfile::Parsing(const char* text, CSectionList& document)
{
    SECTION_LIST* current = nullptr;   // lines before the first header belong to no section
    CSectionList::CAdder sections(document);
    char line[kLineBufferSize];
    for (;;)
    {
        DWORD size = sizeof(line);
        if (ReadOneLine(text, line, &size) != ERROR_SUCCESS)
        {
            break;
        }
        text += size;
        if (line[0] == '\0')
        {
            continue;
        }
        if (IsSection(line))
        {
            current = sections.Add(line);           // null for a refused name: its lines are dropped
        }
        else if (current != nullptr)
        {
            (void)document.AddLine(current, line, false, nullptr);
        }
    }
    return true;
}

bool CProfile::IsSection(const char* line)
{
    return line != nullptr && line[0] == '[' && EndsWithCharacter(line, ']');
}
