#pragma once
// One profile document in memory: a doubly linked list of sections, each holding a doubly linked list
// of lines, looked up by section name, key and occurrence number. Names and keys compare without
// regard to case (ANSI code page rules on Windows, ASCII rules in the native build).

#include "profile/ProfilePlatform.h"

#include <cstddef>
#include <string>
#include <unordered_map>

struct LINE_LIST;

constexpr size_t kProfileNameSize = 256;     // section names and keys: at most 255 characters
constexpr size_t kProfileValueSize = 4096;   // values: at most 4095 characters

// One section. The field order and widths are part of the exported interface.
struct SECTION_LIST
{
    DWORD kind;                   // 1 for a section record
    SECTION_LIST* prevSection;    // null for the first section
    SECTION_LIST* nextSection;    // null for the last section
    LINE_LIST* firstLine;         // null for a section without lines
    DWORD reserved;               // 0
    char name[kProfileNameSize];  // trimmed, without the brackets
};

// One line of a section. The field order and widths are part of the exported interface.
struct LINE_LIST
{
    DWORD kind;                      // 0 for a line record
    SECTION_LIST* section;           // the section that holds the line
    LINE_LIST* prevLine;             // null for the first line of the section
    LINE_LIST* nextLine;             // null for the last line of the section
    char value[kProfileValueSize];   // text right of the first '=', trimmed; empty without '='
    char key[kProfileNameSize];      // text left of the first '=' (or the whole line), trimmed
};

// Ownership: the object that creates records owns them and frees them in its destructor. A copy
// (copy construction or assignment) refers to the same records but does not own them: the source
// keeps ownership, so each record is freed exactly once, by the source; the copy must not be used
// after the source has freed them. A copy never frees shared records: Delete and ClearAll only make
// it forget them, and the removal operations refuse (false, or nothing done) on a copy. A copy that
// is empty, or emptied, owns whatever it adds afterwards. Moving transfers ownership.
//
// Text longer than a field (a name or key over 255 characters, a value over 4095) is refused, never
// cut: AddSection and AddLine return null and SetValue returns false, so no record holds text that
// differs from what was asked for, and two long names never merge into one section.
class CSectionList
{
public:
    CSectionList() = default;
    virtual ~CSectionList();
    CSectionList(const CSectionList& other);
    CSectionList& operator=(const CSectionList& other);
    CSectionList(CSectionList&& other) noexcept;
    CSectionList& operator=(CSectionList&& other) noexcept;

    // The section with that name (returned as it is when it exists), else a new one named by name
    // trimmed of blanks, quotes and brackets, inserted after insertAfter when given and found, else
    // appended. Null for a null or empty name, a name over 255 characters or no memory.
    SECTION_LIST* AddSection(const char* name, const char* insertAfter = nullptr);

    // Adds text split at its first '=' into key and value (each trimmed of blanks and tabs). With
    // replace set, an existing first line with that key gets the new value instead. The new line goes
    // after the first line whose key is insertAfterKey, else to the end. Null on bad arguments, a
    // missing section, text too long for the fields, or no memory.
    LINE_LIST* AddLine(const char* sectionName, const char* text, bool replace = false,
                       const char* insertAfterKey = nullptr);
    LINE_LIST* AddLine(SECTION_LIST* section, const char* text, bool replace = false,
                       const char* insertAfterKey = nullptr);

    // The first section of that name (trimmed as by AddSection); a null name gives the first section.
    SECTION_LIST* FindSection(const char* name) const;
    // The occurrence-th (0-based) line with that key, or null.
    LINE_LIST* FindKey(const SECTION_LIST* section, const char* key, int occurrence) const;
    // The index-th (0-based) line whatever its key, or null (negative index, past the end).
    LINE_LIST* FindKey(const SECTION_LIST* section, int index) const;

    // Copies the value of the occurrence-th line with key into buffer, cut to size - 1 characters.
    // False when the section or line is missing or the buffer is null or of size 0.
    bool GetValue(const char* section, const char* key, char* buffer, DWORD size, int occurrence = 0) const;
    // Overwrites the occurrence-th line's value, or adds "key = value" (a bare key for an empty value)
    // replacing the first occurrence if there is one, creating the section when missing. False only
    // for a null or empty section or key, or a value or key too long for the fields.
    bool SetValue(const char* section, const char* key, const char* value, int occurrence = 0);

    bool DeleteLine(const char* section, const char* key);   // the first line with that key
    bool DeleteSection(const char* name);
    bool DeleteAllLines(const char* section);
    void DeleteLineList(LINE_LIST* first);                   // that line and all after it
    void DeleteSectionList(SECTION_LIST* first);             // that section and all after it
    void Delete();                                           // the whole document
    void ClearAll();                                         // same as Delete

    // Stores the keys of the section into buffer, each ended by a zero byte, the list ended by an
    // extra zero byte. size: in the buffer size, out the bytes needed without the final extra zero
    // (so a buffer must be one byte larger). 0, or 14 with a zero-filled buffer when the list does not
    // fit (count then tells how many had fitted), 13 missing section, 87 null argument.
    DWORD GetAllKey(const char* section, char* buffer, DWORD* size, DWORD* count) const;

    // Writes every section in its text form; 0 or the first write error.
    DWORD SaveFile(HANDLE file) const;
    // Writes "[name]" CR LF, each line as "key = value" CR LF (or "key" CR LF), then CR LF, one write
    // call per piece. 0 or the first write error (87 for a null section).
    DWORD WriteSection(HANDLE file, const SECTION_LIST* section) const;

    static void ClearSectionList(SECTION_LIST* record);
    static void ClearLineList(LINE_LIST* record);

    SECTION_LIST* GetFirstSection() const { return m_first; }
    bool OwnsRecords() const { return m_owner; }

    // Adds sections one after another as AddSection does, for a reader that adds a whole document:
    // names made of ASCII characters only (nearly all of them, and compared by plain ASCII case
    // folding) are looked up in an index instead of along the list, so a document of n sections costs
    // n, not n squared, look-ups. Once a name with other characters is there, it asks the document
    // itself. Use it only while nothing else adds sections to the document or removes any.
    class CAdder
    {
    public:
        explicit CAdder(CSectionList& document);
        SECTION_LIST* Add(const char* name);

    private:
        CSectionList& m_document;
        std::unordered_map<std::string, SECTION_LIST*> m_asciiNames;   // upper-cased name, first section
        SECTION_LIST* m_last = nullptr;                             // the document's last, while names are ASCII
        bool m_otherNames = false;
    };

private:
    // A new section of that (trimmed) name appended after the last one, found from after on.
    SECTION_LIST* AppendSection(const std::string& trimmed, SECTION_LIST* after);
    void FreeAll();
    bool MayRemove() const { return m_owner; }

    SECTION_LIST* m_first = nullptr;
    bool m_owner = true;
};
