#include "profile/SectionList.h"

#include "base/TextRules.h"
#include "profile/ProfileText.h"

#include <cstring>
#include <new>
#include <string>

namespace
{
std::string TrimSectionName(const char* name)
{
    return TrimText(name, name + std::strlen(name), "\"[", "\"]");
}

bool IsEmpty(const char* text)
{
    return text == nullptr || *text == '\0';
}

// The upper-cased name when it is made of ASCII characters only, else false.
bool AsciiKey(const std::string& name, std::string& key)
{
    for (const char c : name)
    {
        if (static_cast<unsigned char>(c) >= 0x80)
        {
            return false;
        }
    }
    key = AsciiUpper(name);
    return true;
}

// Copies text that is known to fit (length < size) and zero-terminates it.
void StoreText(char* field, const std::string& text)
{
    std::memcpy(field, text.c_str(), text.size() + 1);
}

void FreeLines(LINE_LIST* line)
{
    while (line != nullptr)
    {
        LINE_LIST* next = line->nextLine;
        delete line;
        line = next;
    }
}

void FreeSections(SECTION_LIST* section)
{
    while (section != nullptr)
    {
        SECTION_LIST* next = section->nextSection;
        FreeLines(section->firstLine);
        delete section;
        section = next;
    }
}

void UnlinkLine(LINE_LIST* line)
{
    if (line->prevLine != nullptr)
    {
        line->prevLine->nextLine = line->nextLine;
    }
    else if (line->section != nullptr)
    {
        line->section->firstLine = line->nextLine;
    }
    if (line->nextLine != nullptr)
    {
        line->nextLine->prevLine = line->prevLine;
    }
}

void LinkLineAfter(SECTION_LIST* section, LINE_LIST* line, LINE_LIST* after)
{
    line->section = section;
    line->prevLine = after;
    if (after != nullptr)
    {
        line->nextLine = after->nextLine;
        after->nextLine = line;
    }
    else
    {
        line->nextLine = section->firstLine;
        section->firstLine = line;
    }
    if (line->nextLine != nullptr)
    {
        line->nextLine->prevLine = line;
    }
}

SECTION_LIST* LastSection(SECTION_LIST* section)
{
    while (section->nextSection != nullptr)
    {
        section = section->nextSection;
    }
    return section;
}

void LinkSectionAfter(SECTION_LIST* section, SECTION_LIST* after)
{
    section->prevSection = after;
    section->nextSection = after->nextSection;
    if (after->nextSection != nullptr)
    {
        after->nextSection->prevSection = section;
    }
    after->nextSection = section;
}

LINE_LIST* LastLine(const SECTION_LIST* section)
{
    LINE_LIST* line = section->firstLine;
    while (line != nullptr && line->nextLine != nullptr)
    {
        line = line->nextLine;
    }
    return line;
}
}  // namespace

CSectionList::~CSectionList()
{
    FreeAll();
}

CSectionList::CSectionList(const CSectionList& other) : m_first(other.m_first), m_owner(false)
{
}

CSectionList& CSectionList::operator=(const CSectionList& other)
{
    if (other.m_first == m_first)
    {
        return *this;   // the same records (self-assignment or a copy of ours): ownership stays as it is
    }
    FreeAll();
    m_first = other.m_first;
    m_owner = false;
    return *this;
}

CSectionList::CSectionList(CSectionList&& other) noexcept : m_first(other.m_first), m_owner(other.m_owner)
{
    other.m_first = nullptr;
    other.m_owner = true;
}

CSectionList& CSectionList::operator=(CSectionList&& other) noexcept
{
    if (&other == this)
    {
        return *this;
    }
    if (other.m_first != m_first)
    {
        FreeAll();
        m_owner = other.m_owner;
    }
    else
    {
        m_owner = m_owner || other.m_owner;   // taking back our own records keeps them ours
    }
    m_first = other.m_first;
    other.m_first = nullptr;
    other.m_owner = true;
    return *this;
}

void CSectionList::FreeAll()
{
    if (m_owner)
    {
        FreeSections(m_first);
    }
    m_first = nullptr;
    m_owner = true;
}

void CSectionList::ClearSectionList(SECTION_LIST* record)
{
    if (record == nullptr)
    {
        return;
    }
    std::memset(record, 0, sizeof(*record));
    record->kind = 1;
}

void CSectionList::ClearLineList(LINE_LIST* record)
{
    if (record == nullptr)
    {
        return;
    }
    std::memset(record, 0, sizeof(*record));
    record->kind = 0;
}

SECTION_LIST* CSectionList::AddSection(const char* name, const char* insertAfter)
{
    if (IsEmpty(name))
    {
        return nullptr;
    }
    SECTION_LIST* existing = FindSection(name);
    if (existing != nullptr)
    {
        return existing;
    }
    SECTION_LIST* after = insertAfter != nullptr ? FindSection(insertAfter) : nullptr;
    return AppendSection(TrimSectionName(name), after);
}

SECTION_LIST* CSectionList::AppendSection(const std::string& trimmed, SECTION_LIST* after)
{
    if (trimmed.size() >= kProfileNameSize)
    {
        return nullptr;
    }
    SECTION_LIST* section = new (std::nothrow) SECTION_LIST;
    if (section == nullptr)
    {
        return nullptr;
    }
    ClearSectionList(section);
    StoreText(section->name, trimmed);

    if (m_first == nullptr)
    {
        m_first = section;
        m_owner = true;   // an empty document owns what it starts with, even when it was a copy
        return section;
    }
    LinkSectionAfter(section, after != nullptr ? after : LastSection(m_first));
    return section;
}

CSectionList::CAdder::CAdder(CSectionList& document) : m_document(document)
{
    std::string key;
    for (SECTION_LIST* section = document.m_first; section != nullptr; section = section->nextSection)
    {
        if (AsciiKey(section->name, key))
        {
            (void)m_asciiNames.emplace(key, section);               // the first of equal names stays
        }
        else
        {
            m_otherNames = true;
        }
        m_last = section;
    }
}

SECTION_LIST* CSectionList::CAdder::Add(const char* name)
{
    if (IsEmpty(name))
    {
        return nullptr;
    }
    const std::string trimmed = TrimSectionName(name);
    std::string key;
    if (m_otherNames || !AsciiKey(trimmed, key))
    {
        // Names of other scripts compare by the system's rules: the document's own look-up decides.
        m_otherNames = true;
        return m_document.AddSection(name);
    }
    const auto found = m_asciiNames.find(key);
    if (found != m_asciiNames.end())
    {
        return found->second;
    }
    SECTION_LIST* section = m_document.AppendSection(trimmed, m_last);
    if (section != nullptr)
    {
        (void)m_asciiNames.emplace(key, section);
        m_last = section;
    }
    return section;
}

LINE_LIST* CSectionList::AddLine(const char* sectionName, const char* text, bool replace,
                                 const char* insertAfterKey)
{
    if (IsEmpty(sectionName) || IsEmpty(text))
    {
        return nullptr;
    }
    return AddLine(FindSection(sectionName), text, replace, insertAfterKey);
}

LINE_LIST* CSectionList::AddLine(SECTION_LIST* section, const char* text, bool replace,
                                 const char* insertAfterKey)
{
    if (section == nullptr || IsEmpty(text))
    {
        return nullptr;
    }
    const char* end = text + std::strlen(text);
    const char* equal = std::strchr(text, '=');
    const std::string key = TrimText(text, equal != nullptr ? equal : end);
    const std::string value = equal != nullptr ? TrimText(equal + 1, end) : std::string();
    if (key.size() >= kProfileNameSize || value.size() >= kProfileValueSize)
    {
        return nullptr;
    }
    if (replace)
    {
        LINE_LIST* existing = FindKey(section, key.c_str(), 0);
        if (existing != nullptr)
        {
            StoreText(existing->value, value);
            return existing;
        }
    }
    LINE_LIST* line = new (std::nothrow) LINE_LIST;
    if (line == nullptr)
    {
        return nullptr;
    }
    ClearLineList(line);
    StoreText(line->key, key);
    StoreText(line->value, value);
    LINE_LIST* after = insertAfterKey != nullptr ? FindKey(section, insertAfterKey, 0) : nullptr;
    LinkLineAfter(section, line, after != nullptr ? after : LastLine(section));
    return line;
}

SECTION_LIST* CSectionList::FindSection(const char* name) const
{
    if (name == nullptr)
    {
        return m_first;
    }
    const std::string trimmed = TrimSectionName(name);
    for (SECTION_LIST* section = m_first; section != nullptr; section = section->nextSection)
    {
        if (SameTextNoCase(section->name, trimmed.c_str()))
        {
            return section;
        }
    }
    return nullptr;
}

LINE_LIST* CSectionList::FindKey(const SECTION_LIST* section, const char* key, int occurrence) const
{
    if (section == nullptr || IsEmpty(key) || occurrence < 0)
    {
        return nullptr;
    }
    for (LINE_LIST* line = section->firstLine; line != nullptr; line = line->nextLine)
    {
        if (SameTextNoCase(line->key, key) && occurrence-- == 0)
        {
            return line;
        }
    }
    return nullptr;
}

LINE_LIST* CSectionList::FindKey(const SECTION_LIST* section, int index) const
{
    if (section == nullptr || index < 0)
    {
        return nullptr;
    }
    LINE_LIST* line = section->firstLine;
    for (; line != nullptr && index > 0; --index)
    {
        line = line->nextLine;
    }
    return line;
}

bool CSectionList::GetValue(const char* section, const char* key, char* buffer, DWORD size, int occurrence) const
{
    if (buffer == nullptr || size == 0)
    {
        return false;
    }
    const LINE_LIST* line = FindKey(FindSection(section), key, occurrence);
    if (section == nullptr || line == nullptr)
    {
        return false;
    }
    const size_t length = std::strlen(line->value);
    const size_t copied = length < size ? length : size - 1;
    std::memcpy(buffer, line->value, copied);
    buffer[copied] = '\0';
    return true;
}

bool CSectionList::SetValue(const char* section, const char* key, const char* value, int occurrence)
{
    if (IsEmpty(section) || IsEmpty(key))
    {
        return false;
    }
    const std::string text = value != nullptr ? value : "";
    if (text.size() >= kProfileValueSize)
    {
        return false;
    }
    SECTION_LIST* record = AddSection(section);
    if (record == nullptr)
    {
        return false;
    }
    LINE_LIST* line = FindKey(record, key, occurrence);
    if (line != nullptr)
    {
        StoreText(line->value, text);
        return true;
    }
    const std::string lineText = text.empty() ? std::string(key) : std::string(key) + " = " + text;
    return AddLine(record, lineText.c_str(), true) != nullptr;
}

bool CSectionList::DeleteLine(const char* section, const char* key)
{
    if (IsEmpty(section) || IsEmpty(key) || !MayRemove())
    {
        return false;
    }
    LINE_LIST* line = FindKey(FindSection(section), key, 0);
    if (line == nullptr)
    {
        return false;
    }
    UnlinkLine(line);
    delete line;
    return true;
}

bool CSectionList::DeleteSection(const char* name)
{
    if (IsEmpty(name) || !MayRemove())
    {
        return false;
    }
    SECTION_LIST* section = FindSection(name);
    if (section == nullptr)
    {
        return false;
    }
    if (section->prevSection != nullptr)
    {
        section->prevSection->nextSection = section->nextSection;
    }
    else
    {
        m_first = section->nextSection;
    }
    if (section->nextSection != nullptr)
    {
        section->nextSection->prevSection = section->prevSection;
    }
    FreeLines(section->firstLine);
    delete section;
    return true;
}

bool CSectionList::DeleteAllLines(const char* section)
{
    SECTION_LIST* record = FindSection(section);
    if (section == nullptr || record == nullptr || !MayRemove())
    {
        return false;
    }
    FreeLines(record->firstLine);
    record->firstLine = nullptr;
    return true;
}

void CSectionList::DeleteLineList(LINE_LIST* first)
{
    if (first == nullptr || !MayRemove())
    {
        return;
    }
    // The line before it, if any, then ends the section's list.
    if (first->prevLine != nullptr)
    {
        first->prevLine->nextLine = nullptr;
    }
    else if (first->section != nullptr && first->section->firstLine == first)
    {
        first->section->firstLine = nullptr;
    }
    FreeLines(first);
}

void CSectionList::DeleteSectionList(SECTION_LIST* first)
{
    if (first == nullptr || !MayRemove())
    {
        return;
    }
    if (first->prevSection != nullptr)
    {
        first->prevSection->nextSection = nullptr;
    }
    else if (first == m_first)
    {
        m_first = nullptr;
    }
    FreeSections(first);
}

void CSectionList::Delete()
{
    FreeAll();
}

void CSectionList::ClearAll()
{
    Delete();
}

DWORD CSectionList::GetAllKey(const char* section, char* buffer, DWORD* size, DWORD* count) const
{
    if (section == nullptr || buffer == nullptr || size == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    const SECTION_LIST* record = FindSection(section);
    if (record == nullptr)
    {
        return ERROR_INVALID_DATA;
    }
    const DWORD bufferSize = *size;
    std::memset(buffer, 0, bufferSize);
    DWORD stored = 0;
    DWORD total = 0;
    DWORD result = ERROR_SUCCESS;
    for (const LINE_LIST* line = record->firstLine; line != nullptr; line = line->nextLine)
    {
        const DWORD length = static_cast<DWORD>(std::strlen(line->key)) + 1;
        total += length;
        if (result != ERROR_SUCCESS)
        {
            continue;
        }
        if (total < bufferSize)   // leaves room for the list's final zero byte
        {
            std::memcpy(buffer + total - length, line->key, length);
            ++stored;
        }
        else
        {
            std::memset(buffer, 0, bufferSize);
            result = ERROR_OUTOFMEMORY;
        }
    }
    *size = total;
    if (count != nullptr)
    {
        *count = stored;
    }
    return result;
}

DWORD CSectionList::SaveFile(HANDLE file) const
{
    for (const SECTION_LIST* section = m_first; section != nullptr; section = section->nextSection)
    {
        const DWORD err = WriteSection(file, section);
        if (err != ERROR_SUCCESS)
        {
            return err;
        }
    }
    return ERROR_SUCCESS;
}

DWORD CSectionList::WriteSection(HANDLE file, const SECTION_LIST* section) const
{
    if (section == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    std::string piece = std::string("[") + section->name + "]\r\n";
    DWORD err = WriteToFile(file, piece.data(), static_cast<DWORD>(piece.size()));
    for (const LINE_LIST* line = section->firstLine; line != nullptr && err == ERROR_SUCCESS; line = line->nextLine)
    {
        piece = line->key;
        if (line->value[0] != '\0')
        {
            piece += " = ";
            piece += line->value;
        }
        piece += "\r\n";
        err = WriteToFile(file, piece.data(), static_cast<DWORD>(piece.size()));
    }
    if (err == ERROR_SUCCESS)
    {
        err = WriteToFile(file, "\r\n", 2);
    }
    return err;
}
