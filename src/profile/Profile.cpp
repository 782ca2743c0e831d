#include "profile/Profile.h"

#include "base/TextRules.h"
#include "profile/ProfileText.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
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

void CopyCut(char* buffer, DWORD size, const char* text, size_t length)
{
    const size_t copied = length < size ? length : size - 1;
    std::memcpy(buffer, text, copied);
    buffer[copied] = '\0';
}

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
    std::string upper = AsciiUpper(std::string(text));
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
