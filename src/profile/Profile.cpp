#include "profile/Profile.h"

#include "profile/ProfileText.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace
{
constexpr DWORD kLineBufferSize = 4096;       // the longest line is 4095 characters
constexpr DWORD kEntryWorkSize = 32768;       // one "key = value" entry while its defined strings expand
const char kStringsSection[] = "STRINGS";

// Adds the lines of the section of that name in source to target (the section is made there even
// when it has no lines, so that its presence is kept).
void CopySection(const CSectionList& source, const char* name, CSectionList& target)
{
    const SECTION_LIST* section = source.FindSection(name);
    if (section == nullptr)
    {
        return;
    }
    SECTION_LIST* copy = target.AddSection(section->name);
    for (const LINE_LIST* line = section->firstLine; line != nullptr && copy != nullptr; line = line->nextLine)
    {
        const std::string text = std::string(line->key) + "=" + line->value;
        (void)target.AddLine(copy, text.c_str(), false, nullptr);
    }
}

bool IsEmpty(const char* text)
{
    return text == nullptr || *text == '\0';
}

bool IsLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

void CopyCut(char* buffer, DWORD size, const char* text, size_t length)
{
    const size_t copied = length < size ? length : size - 1;
    std::memcpy(buffer, text, copied);
    buffer[copied] = '\0';
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

// The value cut into numbers at commas; runs of commas count as one. False with fewer than count.
bool SplitNumbers(const std::string& value, DWORD* numbers, int count)
{
    int found = 0;
    size_t start = 0;
    while (found < count && start < value.size())
    {
        size_t end = value.find(',', start);
        end = end == std::string::npos ? value.size() : end;
        if (end > start)
        {
            numbers[found++] = CProfile::StringToDword(value.substr(start, end - start).c_str());
        }
        start = end + 1;
    }
    return found == count;
}

DWORD ReadDecimal(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
    {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
    {
        negative = text[i] == '-';
        ++i;
    }
    DWORD value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    {
        value = value * 10u + static_cast<DWORD>(text[i] - '0');   // wraps modulo 2^32 like a DWORD
    }
    return negative ? 0u - value : value;
}

DWORD ReadHexFromRight(const std::string& text)
{
    DWORD value = 0;
    const size_t digits = text.size() < 8 ? text.size() : 8;
    for (size_t i = 0; i < digits; ++i)
    {
        const char c = text[text.size() - 1 - i];
        DWORD digit = 0;
        if (c >= '0' && c <= '9')
        {
            digit = static_cast<DWORD>(c - '0');
        }
        else if (c >= 'A' && c <= 'F')
        {
            digit = static_cast<DWORD>(c - 'A' + 10);
        }
        value |= digit << (4 * i);
    }
    return value;
}
}  // namespace

CProfile::CProfile(const char* mainPath, const char* definedStringsPath)
{
    (void)Create(mainPath, definedStringsPath);
}

DWORD CProfile::Create(const char* mainPath, const char* definedStringsPath)
{
    if (LoadFile(mainPath, m_main) == ERROR_SUCCESS)
    {
        // A path too long for the field is not recorded rather than cut: writes must never go to
        // another file than the one read.
        if (std::strlen(mainPath) < sizeof(m_path))
        {
            std::memcpy(m_path, mainPath, std::strlen(mainPath) + 1);
        }
        m_mainLoaded = true;
    }
    if (m_mainLoaded)
    {
        // Only the [STRINGS] section of the defined-strings file is ever looked at. Keeping that alone,
        // not a whole further copy of what is often the large data file, keeps each open profile small.
        CSectionList whole;
        if (LoadFile(definedStringsPath, whole) == ERROR_SUCCESS)
        {
            CopySection(whole, kStringsSection, m_definedStrings);
            m_definedStringsLoaded = true;
        }
    }
    return ERROR_SUCCESS;
}

DWORD CProfile::Reload(const char* mainPath, const char* definedStringsPath)
{
    m_main.ClearAll();
    m_definedStrings.ClearAll();
    m_mainLoaded = false;
    m_definedStringsLoaded = false;
    std::memset(m_path, 0, sizeof(m_path));
    return Create(mainPath, definedStringsPath);
}

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

DWORD CProfile::GetSectionName(char* buffer, DWORD size, bool zeroSeparated) const
{
    if (buffer == nullptr || size == 0)
    {
        return ERROR_INVALID_PARAMETER;
    }
    std::memset(buffer, zeroSeparated ? '\0' : ' ', size - 1);
    buffer[size - 1] = '\0';
    if (m_main.GetFirstSection() == nullptr)
    {
        return ERROR_INVALID_DATA;
    }
    size_t used = 0;
    for (const SECTION_LIST* section = m_main.GetFirstSection(); section != nullptr;
         section = section->nextSection)
    {
        const size_t length = std::strlen(section->name);
        if (used + length + 1 > size - 1)   // the last byte stays the list's final zero byte
        {
            return ERROR_OUTOFMEMORY;
        }
        std::memcpy(buffer + used, section->name, length);
        used += length + 1;   // the separator is already in place
    }
    return ERROR_SUCCESS;
}

DWORD CProfile::GetAllKey(const char* section, char* buffer, DWORD size, bool skipBareKeys,
                          bool convertEscapes) const
{
    if (section == nullptr || buffer == nullptr || size == 0)
    {
        return ERROR_INVALID_PARAMETER;
    }
    std::memset(buffer, 0, size);
    const SECTION_LIST* record = m_main.FindSection(section);
    if (record == nullptr)
    {
        return ERROR_INVALID_DATA;
    }
    std::vector<char> work(kEntryWorkSize);
    size_t used = 0;
    for (const LINE_LIST* line = record->firstLine; line != nullptr; line = line->nextLine)
    {
        std::string entry;
        if (line->value[0] != '\0')
        {
            std::snprintf(work.data(), work.size(), "%s = %s", line->key, line->value);
            (void)ConvertDefinedString(work.data(), kEntryWorkSize, convertEscapes);
            entry = work.data();
        }
        else if (!skipBareKeys)
        {
            entry = line->key;
        }
        if (entry.empty())
        {
            continue;
        }
        if (used + entry.size() + 1 >= size)   // the list's final zero byte must remain
        {
            return ERROR_OUTOFMEMORY;
        }
        std::memcpy(buffer + used, entry.c_str(), entry.size() + 1);
        used += entry.size() + 1;
    }
    return ERROR_SUCCESS;
}

bool CProfile::GetFirstValue(const char* section, const char* key, std::string& value) const
{
    if (IsEmpty(section) || IsEmpty(key))
    {
        return false;
    }
    const LINE_LIST* line = m_main.FindKey(m_main.FindSection(section), key, 0);
    if (line == nullptr)
    {
        return false;
    }
    value = line->value;
    return true;
}

DWORD CProfile::GetString(const char* section, const char* key, char* buffer, DWORD size,
                          bool convertEscapes) const
{
    if (buffer == nullptr || size == 0)
    {
        return ERROR_INVALID_PARAMETER;
    }
    std::string value;
    if (!GetFirstValue(section, key, value))
    {
        return ERROR_INVALID_DATA;
    }
    CopyCut(buffer, size, value.c_str(), value.size());
    (void)ConvertDefinedString(buffer, size, convertEscapes);   // a value that cannot expand stays raw
    return ERROR_SUCCESS;
}

DWORD CProfile::GetDword(const char* section, const char* key, DWORD* number) const
{
    if (number == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    std::string value;
    if (!GetFirstValue(section, key, value))
    {
        return ERROR_INVALID_DATA;
    }
    *number = StringToDword(value.c_str());
    return ERROR_SUCCESS;
}

DWORD CProfile::GetNumbers(const char* section, const char* key, DWORD* numbers, int count) const
{
    if (IsEmpty(section) || IsEmpty(key))
    {
        return ERROR_INVALID_PARAMETER;
    }
    std::string value;
    if (!GetFirstValue(section, key, value))
    {
        return ERROR_INVALID_DATA;
    }
    return SplitNumbers(value, numbers, count) ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}

DWORD CProfile::GetControl(const char* section, const char* key, SIZE* size) const
{
    DWORD numbers[2] = {};
    const DWORD err = size != nullptr ? GetNumbers(section, key, numbers, 2) : ERROR_INVALID_PARAMETER;
    if (err == ERROR_SUCCESS)
    {
        size->cx = static_cast<LONG>(numbers[0]);
        size->cy = static_cast<LONG>(numbers[1]);
    }
    return err;
}

DWORD CProfile::GetControl(const char* section, const char* key, POINT* point) const
{
    DWORD numbers[2] = {};
    if (point == nullptr || GetNumbers(section, key, numbers, 2) != ERROR_SUCCESS)
    {
        return ERROR_INVALID_PARAMETER;
    }
    point->x = static_cast<LONG>(numbers[0]);
    point->y = static_cast<LONG>(numbers[1]);
    return ERROR_SUCCESS;
}

DWORD CProfile::GetControl(const char* section, const char* key, DWORD* color) const
{
    DWORD numbers[3] = {};
    const DWORD err = color != nullptr ? GetNumbers(section, key, numbers, 3) : ERROR_INVALID_PARAMETER;
    if (err == ERROR_SUCCESS)
    {
        *color = (numbers[0] & 0xFF) | ((numbers[1] & 0xFF) << 8) | ((numbers[2] & 0xFF) << 16);
    }
    return err;
}

DWORD CProfile::GetControl(const char* section, const char* key, RECT* rect) const
{
    DWORD numbers[4] = {};
    if (rect == nullptr || GetNumbers(section, key, numbers, 4) != ERROR_SUCCESS)
    {
        return ERROR_INVALID_PARAMETER;
    }
    rect->left = static_cast<LONG>(numbers[0]);
    rect->top = static_cast<LONG>(numbers[1]);
    rect->right = static_cast<LONG>(numbers[2]);
    rect->bottom = static_cast<LONG>(numbers[3]);
    return ERROR_SUCCESS;
}

DWORD CProfile::GetStringValue(const char* name, char* buffer, DWORD size) const
{
    if (IsEmpty(name) || buffer == nullptr || size == 0)
    {
        return ERROR_INVALID_PARAMETER;
    }
    const LINE_LIST* line = nullptr;
    if (m_definedStringsLoaded)
    {
        line = m_definedStrings.FindKey(m_definedStrings.FindSection(kStringsSection), name, 0);
    }
    if (line == nullptr)
    {
        line = m_main.FindKey(m_main.FindSection(kStringsSection), name, 0);
    }
    if (line == nullptr)
    {
        return ERROR_INVALID_DATA;
    }
    const char* begin = line->value;
    const char* end = begin + std::strlen(begin);
    while (begin < end && *begin == '"')
    {
        ++begin;
    }
    while (end > begin && *(end - 1) == '"')
    {
        --end;
    }
    CopyCut(buffer, size, begin, static_cast<size_t>(end - begin));
    return ERROR_SUCCESS;
}

bool CProfile::ExpandTokens(std::string& text, size_t maxLength, DWORD& lastLookup) const
{
    int substitutions = 0;
    char value[kProfileValueSize];
    size_t start = FindCharacter(text, '%', 0);
    while (start != std::string::npos && substitutions < kMaxDefinedStringSubstitutions)
    {
        const size_t end = FindCharacter(text, '%', start + 1);
        if (end == std::string::npos)
        {
            break;
        }
        const std::string token = text.substr(start, end - start + 1);
        lastLookup = GetStringValue(token.c_str(), value, sizeof(value));
        if (lastLookup != ERROR_SUCCESS)
        {
            start = FindCharacter(text, '%', start + 1);   // the closing '%' may open the next token
            continue;
        }
        if (!ReplaceAll(text, token, value, maxLength))
        {
            return false;
        }
        ++substitutions;
        start = FindCharacter(text, '%', start);   // a value may itself hold tokens
    }
    return true;
}

DWORD CProfile::ConvertDefinedString(char* buffer, DWORD size, bool convertEscapes) const
{
    if (buffer == nullptr || size == 0 || buffer[0] == '\0')
    {
        return ERROR_INVALID_PARAMETER;
    }
    const void* zero = std::memchr(buffer, '\0', size);
    std::string text(buffer, zero != nullptr ? static_cast<size_t>(static_cast<const char*>(zero) - buffer) : size);
    // A text more than twice the buffer can no longer fit (escapes at most halve it), so growth stops
    // there; with the substitution limit this ends self-referring defined strings.
    DWORD result = ERROR_SUCCESS;
    if (!ExpandTokens(text, 2 * static_cast<size_t>(size), result))
    {
        return ERROR_OUTOFMEMORY;
    }
    if (convertEscapes)
    {
        ConvertEscapes(text);
    }
    if (text.size() >= size)
    {
        return ERROR_OUTOFMEMORY;
    }
    std::memset(buffer, 0, size);
    std::memcpy(buffer, text.data(), text.size());
    return result;
}

DWORD CProfile::StringToDword(const char* text)
{
    if (text == nullptr)
    {
        return 0;
    }
    std::string upper(text);
    for (char& c : upper)
    {
        if (c >= 'a' && c <= 'z')
        {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    if (upper.find("0X") == std::string::npos)
    {
        return ReadDecimal(upper);
    }
    std::string digits;
    for (size_t i = 0; i < upper.size();)
    {
        if (upper.compare(i, 2, "0X") == 0)
        {
            i += 2;
            continue;
        }
        digits += upper[i++];
    }
    return ReadHexFromRight(digits);
}

DWORD CProfile::WriteText(const char* section, const char* key, const char* text) const
{
    if (IsEmpty(section) || IsEmpty(key))
    {
        return ERROR_INVALID_PARAMETER;
    }
    if (m_path[0] == '\0')
    {
        return ERROR_FILE_NOT_FOUND;   // no file was loaded, so there is no file to write to
    }
    return WriteProfileText(m_path, section, key, text != nullptr ? text : "");
}

DWORD CProfile::SetValue(const char* section, const char* key, const char* value) const
{
    if (!IsEmpty(section) && IsEmpty(key))
    {
        return m_path[0] == '\0' ? ERROR_FILE_NOT_FOUND : EmptyProfileSection(m_path, section);
    }
    return WriteText(section, key, value);
}

DWORD CProfile::SetValue(const char* section, const char* key, int number) const
{
    char text[32];
    std::snprintf(text, sizeof(text), "%d", number);
    return WriteText(section, key, text);
}

DWORD CProfile::SetValue(const char* section, const char* key, const SIZE& size) const
{
    char text[32];
    std::snprintf(text, sizeof(text), "%d,%d", static_cast<int>(size.cx), static_cast<int>(size.cy));
    return WriteText(section, key, text);
}

DWORD CProfile::SetValue(const char* section, const char* key, const POINT& point) const
{
    char text[32];
    std::snprintf(text, sizeof(text), "%d,%d", static_cast<int>(point.x), static_cast<int>(point.y));
    return WriteText(section, key, text);
}

DWORD CProfile::SetValue(const char* section, const char* key, const RECT& rect) const
{
    char text[64];
    std::snprintf(text, sizeof(text), "%d,%d,%d,%d", static_cast<int>(rect.left), static_cast<int>(rect.top),
                  static_cast<int>(rect.right), static_cast<int>(rect.bottom));
    return WriteText(section, key, text);
}

DWORD CProfile::SetColor(const char* section, const char* key, DWORD color) const
{
    char text[32];
    std::snprintf(text, sizeof(text), "%d,%d,%d", static_cast<int>(color & 0xFF),
                  static_cast<int>((color >> 8) & 0xFF), static_cast<int>((color >> 16) & 0xFF));
    return WriteText(section, key, text);
}

DWORD CProfile::SetData(const char* section, const char* key, const char* text) const
{
    return WriteText(section, key, text);
}
