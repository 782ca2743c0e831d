#pragma once
// A profile file loaded into a CSectionList, with typed readers, defined strings (%NAME% tokens from a
// section STRINGS) and writers that change the file on disk. Readers return Windows error numbers:
// 0, 13 missing, 14 buffer too small, 87 bad argument, 259 end of data; none of them throws.

#include "profile/ProfilePlatform.h"
#include "profile/SectionList.h"

#include <string>

constexpr size_t kProfilePathSize = 520;

// Copies share the documents' records as CSectionList copies do: the source keeps ownership and frees
// them; a copy must not be used after its source has been destroyed or reloaded. Moving transfers them.
class CProfile
{
public:
    // A defined string that refers to itself (directly or through others) stops expanding after this
    // many substitutions; the tokens left then stay in the text as they are.
    static constexpr int kMaxDefinedStringSubstitutions = 64;

    CProfile() = default;
    CProfile(const char* mainPath, const char* definedStringsPath);   // calls Create
    virtual ~CProfile() = default;
    CProfile(const CProfile& other) = default;
    CProfile& operator=(const CProfile& other) = default;
    CProfile(CProfile&& other) noexcept = default;
    CProfile& operator=(CProfile&& other) noexcept = default;

    // Loads the main file and, once that succeeded, the defined-strings file. Always 0: a missing or
    // unreadable file behaves as an empty document.
    DWORD Create(const char* mainPath, const char* definedStringsPath);
    // Empties both documents and flags, then Create. Always 0.
    DWORD Reload(const char* mainPath, const char* definedStringsPath);

    // Reads the file at path and parses it into document: 0, 87 for an empty path, or the Windows error
    // of opening or reading (a file over kMaxProfileFileSize gives ERROR_NOT_ENOUGH_MEMORY).
    static DWORD LoadFile(const char* path, CSectionList& document);
    // Copies length bytes of text into out (outSize bytes, 2 * length + 1 always suffice) without
    // comments, each run of line breaks becoming one CR LF; the output is zero-terminated. True.
    static bool ProcessData(const char* text, char* out, DWORD length, DWORD outSize);
    // Copies the next line of text, trimmed, into line. size: in the buffer size, out the bytes taken
    // including the line break. 0; 14 for a line of size or more characters; 259 at a zero byte (the
    // end of data, also for a last line without a line break); 87 for bad arguments.
    static DWORD ReadOneLine(const char* text, char* line, DWORD* size);
    // Adds every section header and line of processed text to document; stops at the first line that
    // ReadOneLine refuses (the lines before it stay). True.
    static bool Parsing(const char* text, CSectionList& document);
    // True when line begins with '[' and ends with ']'.
    static bool IsSection(const char* line);

    // Section names of the main document, zero-separated (list ended by an extra zero byte) or each
    // followed by a space (buffer filled with spaces, last byte zero). 14 when a name does not fit
    // (the names before it stored), 13 without sections, 87 for bad arguments.
    DWORD GetSectionName(char* buffer, DWORD size, bool zeroSeparated) const;
    // The lines of section as "key = value" with defined strings expanded, or the bare key (left out
    // with skipBareKeys), each ended by a zero byte, the list by an extra zero byte. convertEscapes
    // turns \r and \n into CR and LF; without it backslashes stay, as in paths like data\readme.txt.
    // 0, 13 missing section, 14 when an entry does not fit, 87 for bad arguments.
    DWORD GetAllKey(const char* section, char* buffer, DWORD size, bool skipBareKeys,
                    bool convertEscapes = false) const;
    // The first value of key, cut to size - 1 characters, with defined strings expanded when the
    // result fits. 0, 13 missing, 87 bad arguments.
    DWORD GetString(const char* section, const char* key, char* buffer, DWORD size,
                    bool convertEscapes = false) const;
    // The first value of key through StringToDword (no defined strings). 0, 13 missing, 87.
    DWORD GetDword(const char* section, const char* key, DWORD* number) const;
    // Values "cx,cy", "x,y", "r,g,b" (colour r + g * 256 + b * 65536, each part modulo 256) and
    // "left,top,right,bottom". The output is written only on success. 87 for bad arguments or a missing
    // number; a missing key gives 13 for SIZE and colour, 87 for POINT and RECT.
    DWORD GetControl(const char* section, const char* key, SIZE* size) const;
    DWORD GetControl(const char* section, const char* key, POINT* point) const;
    DWORD GetControl(const char* section, const char* key, DWORD* color) const;
    DWORD GetControl(const char* section, const char* key, RECT* rect) const;
    // The value of key name (percent signs included) in section STRINGS of the defined-strings document,
    // else of the main document, without the double quotes at its ends. 0, 13 missing, 87.
    DWORD GetStringValue(const char* name, char* buffer, DWORD size) const;
    // Expands %NAME% tokens in buffer (see kMaxDefinedStringSubstitutions), then with convertEscapes \r
    // and \n. 14 leaves the buffer unchanged when the result does not fit; otherwise the result of the
    // last token lookup (0, or 13 when it was undefined). 87 for an empty buffer.
    DWORD ConvertDefinedString(char* buffer, DWORD size, bool convertEscapes) const;
    // Decimal (leading blanks and sign, wrapping modulo 2^32), or hexadecimal from the right end when
    // the text holds "0X" in any case (every "0X" removed, up to 8 digits, other characters count 0).
    static DWORD StringToDword(const char* text);

    // Writers: change the file at the main path on disk, never the loaded documents. 0 or a Windows
    // error; 87 for a null or empty section or key; ERROR_FILE_NOT_FOUND when no main file was loaded
    // (or its path was too long to record: a write never goes to another file than the one read).
    // The string writer with an empty key removes every line of the section instead.
    DWORD SetValue(const char* section, const char* key, const char* value) const;
    DWORD SetValue(const char* section, const char* key, int number) const;          // "%d"
    DWORD SetValue(const char* section, const char* key, const SIZE& size) const;    // "%d,%d"
    DWORD SetValue(const char* section, const char* key, const POINT& point) const;  // "%d,%d"
    DWORD SetValue(const char* section, const char* key, const RECT& rect) const;    // "%d,%d,%d,%d"
    DWORD SetColor(const char* section, const char* key, DWORD color) const;         // "%d,%d,%d"
    DWORD SetData(const char* section, const char* key, const char* text) const;

    const CSectionList& GetMainDocument() const { return m_main; }
    // The [STRINGS] section of the defined-strings file, the only part of it that is kept.
    const CSectionList& GetDefinedStringsDocument() const { return m_definedStrings; }
    bool IsMainLoaded() const { return m_mainLoaded; }
    bool AreDefinedStringsLoaded() const { return m_definedStringsLoaded; }
    const char* GetPath() const { return m_path; }

private:
    // Expands the %NAME% tokens of text; false when it would grow past maxLength. lastLookup gets the
    // result of the last token lookup.
    bool ExpandTokens(std::string& text, size_t maxLength, DWORD& lastLookup) const;
    bool GetFirstValue(const char* section, const char* key, std::string& value) const;
    DWORD GetNumbers(const char* section, const char* key, DWORD* numbers, int count) const;
    DWORD WriteText(const char* section, const char* key, const char* text) const;

    CSectionList m_main;
    CSectionList m_definedStrings;
    bool m_mainLoaded = false;
    bool m_definedStringsLoaded = false;
    char m_path[kProfilePathSize] = {};
};
