#include "profile/ProfilePlatform.h"

#include <cstring>

#include "base/TextRules.h"

#if !defined(_WIN32)
#include <cerrno>
#include <cstdio>
#include <vector>
#endif

#if defined(_WIN32)

namespace
{
bool IsAsciiOnly(const char* text)
{
    for (; *text != '\0'; ++text)
    {
        if (static_cast<unsigned char>(*text) >= 0x80)
        {
            return false;
        }
    }
    return true;
}

// Owns a file handle for the length of one call (this library takes no dependency on base/).
class CFileHandle
{
public:
    explicit CFileHandle(HANDLE h) : m_h(h) {}
    ~CFileHandle()
    {
        if (IsValid())
        {
            const DWORD saved = ::GetLastError();
            ::CloseHandle(m_h);
            ::SetLastError(saved);
        }
    }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    HANDLE Get() const { return m_h; }
    bool IsValid() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_h;
};

DWORD LastErrorOr(DWORD fallback)
{
    const DWORD err = ::GetLastError();
    return err != ERROR_SUCCESS ? err : fallback;
}

// WritePrivateProfileStringA looks for a file name without a folder in the Windows folder, while the
// loader opened it relative to the current folder: the writer gets the full path of the file read.
bool GetFullPath(const char* path, std::string& full)
{
    char buffer[MAX_PATH * 2] = {};
    const DWORD length = ::GetFullPathNameA(path, sizeof(buffer), buffer, nullptr);
    if (length == 0 || length >= sizeof(buffer))
    {
        return false;
    }
    full.assign(buffer, length);
    return true;
}
}  // namespace

DWORD ReadWholeFile(const char* path, std::string& data)
{
    CFileHandle file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
    {
        return LastErrorOr(ERROR_FILE_NOT_FOUND);
    }
    // GetFileSize, not GetFileSizeEx: the latter does not exist before Windows 2000.
    DWORD high = 0;
    const DWORD size = ::GetFileSize(file.Get(), &high);
    if (size == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR)
    {
        return LastErrorOr(ERROR_READ_FAULT);
    }
    if (high != 0 || size > kMaxProfileFileSize)
    {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    std::string text(static_cast<size_t>(size), '\0');
    DWORD total = 0;
    while (total < text.size())
    {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), &text[total], static_cast<DWORD>(text.size()) - total, &read, nullptr))
        {
            return LastErrorOr(ERROR_READ_FAULT);
        }
        if (read == 0)
        {
            break;   // the file became shorter while being read
        }
        total += read;
    }
    text.resize(total);
    data.swap(text);
    return ERROR_SUCCESS;
}

DWORD WriteToFile(HANDLE file, const char* data, DWORD length)
{
    DWORD written = 0;
    if (!::WriteFile(file, data, length, &written, nullptr))
    {
        return LastErrorOr(ERROR_WRITE_FAULT);
    }
    return written == length ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

DWORD WriteProfileText(const char* path, const char* section, const char* key, const char* value)
{
    std::string full;
    if (!GetFullPath(path, full))
    {
        return LastErrorOr(ERROR_PATH_NOT_FOUND);
    }
    if (!::WritePrivateProfileStringA(section, key, value, full.c_str()))
    {
        return LastErrorOr(ERROR_WRITE_FAULT);
    }
    return ERROR_SUCCESS;
}

DWORD EmptyProfileSection(const char* path, const char* section)
{
    std::string full;
    if (!GetFullPath(path, full))
    {
        return LastErrorOr(ERROR_PATH_NOT_FOUND);
    }
    // An empty list of lines (one extra zero byte) removes the lines and keeps the section.
    static const char kNoLines[2] = {'\0', '\0'};
    if (!::WritePrivateProfileSectionA(section, kNoLines, full.c_str()))
    {
        return LastErrorOr(ERROR_WRITE_FAULT);
    }
    return ERROR_SUCCESS;
}

bool IsLeadByte(char c)
{
    return ::IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE;
}

bool SameTextNoCase(const char* first, const char* second)
{
    // Pure ASCII names, nearly all of them, compare by ASCII rules: fast, and free of locale
    // special cases such as the Turkish dotless i. Other names go to the system comparison, which
    // decodes them with the system ANSI code page, so a double-byte character's trail byte is never
    // case-folded as if it were a letter.
    if (IsAsciiOnly(first) && IsAsciiOnly(second))
    {
        return EqualsAsciiNoCase(first, second);
    }
    return ::CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, first, -1, second, -1) == CSTR_EQUAL;
}

#else   // native build

namespace
{
DWORD ErrnoToError(int err, DWORD fallback)
{
    switch (err)
    {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return fallback;
    }
}

class CFile
{
public:
    CFile(const char* path, const char* mode) : m_file(std::fopen(path, mode)) {}
    ~CFile()
    {
        if (m_file != nullptr)
        {
            std::fclose(m_file);
        }
    }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    FILE* Get() const { return m_file; }

private:
    FILE* m_file;
};

// The section name of a header line "[name]", or false when the line is not one.
bool HeaderName(const std::string& line, std::string& name)
{
    const std::string trimmed = Trim(line);
    const size_t close = trimmed.find(']');
    if (trimmed.empty() || trimmed[0] != '[' || close == std::string::npos)
    {
        return false;
    }
    name = Trim(trimmed.substr(1, close - 1));
    return true;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = text.find('\n', start);
        const size_t next = end == std::string::npos ? text.size() : end + 1;
        end = end == std::string::npos ? text.size() : end;
        if (end > start && text[end - 1] == '\r')
        {
            --end;
        }
        lines.push_back(text.substr(start, end - start));
        start = next;
    }
    return lines;
}

DWORD ReadLines(const char* path, std::vector<std::string>& lines)
{
    std::string text;
    const DWORD err = ReadWholeFile(path, text);
    if (err == ERROR_FILE_NOT_FOUND)
    {
        lines.clear();
        return ERROR_SUCCESS;
    }
    if (err == ERROR_SUCCESS)
    {
        lines = SplitLines(text);
    }
    return err;
}

DWORD WriteLines(const char* path, const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
    {
        text += line;
        text += "\r\n";
    }
    CFile file(path, "wb");
    if (file.Get() == nullptr)
    {
        return ErrnoToError(errno, ERROR_WRITE_FAULT);
    }
    if (std::fwrite(text.data(), 1, text.size(), file.Get()) != text.size() || std::fflush(file.Get()) != 0)
    {
        return ERROR_WRITE_FAULT;
    }
    return ERROR_SUCCESS;
}

// Index of the header line of section, or lines.size() when the file has no such section.
size_t FindHeader(const std::vector<std::string>& lines, const char* section)
{
    std::string name;
    for (size_t i = 0; i < lines.size(); ++i)
    {
        if (HeaderName(lines[i], name) && EqualsAsciiNoCase(name, section))
        {
            return i;
        }
    }
    return lines.size();
}

// Index of the first line after the section's lines (the next header or the end of the file).
size_t SectionEnd(const std::vector<std::string>& lines, size_t header)
{
    std::string name;
    size_t i = header + 1;
    while (i < lines.size() && !HeaderName(lines[i], name))
    {
        ++i;
    }
    return i;
}
}  // namespace

DWORD ReadWholeFile(const char* path, std::string& data)
{
    CFile file(path, "rb");
    if (file.Get() == nullptr)
    {
        return ErrnoToError(errno, ERROR_FILE_NOT_FOUND);
    }
    std::string text;
    char chunk[65536];
    size_t read = 0;
    while ((read = std::fread(chunk, 1, sizeof(chunk), file.Get())) > 0)
    {
        if (text.size() + read > kMaxProfileFileSize)
        {
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        text.append(chunk, read);
    }
    if (std::ferror(file.Get()) != 0)
    {
        return ErrnoToError(errno, ERROR_READ_FAULT);   // e.g. a folder opened as a file
    }
    data.swap(text);
    return ERROR_SUCCESS;
}

DWORD WriteToFile(HANDLE file, const char* data, DWORD length)
{
    FILE* stream = static_cast<FILE*>(file);
    if (stream == nullptr)
    {
        return ERROR_INVALID_HANDLE;
    }
    return std::fwrite(data, 1, length, stream) == length ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

DWORD WriteProfileText(const char* path, const char* section, const char* key, const char* value)
{
    std::vector<std::string> lines;
    DWORD err = ReadLines(path, lines);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    const std::string newLine = std::string(key) + "=" + value;
    const size_t header = FindHeader(lines, section);
    if (header == lines.size())
    {
        lines.push_back(std::string("[") + section + "]");
        lines.push_back(newLine);
        return WriteLines(path, lines);
    }
    const size_t end = SectionEnd(lines, header);
    size_t lastUsed = header;
    for (size_t i = header + 1; i < end; ++i)
    {
        const std::string trimmed = Trim(lines[i]);
        if (trimmed.empty())
        {
            continue;
        }
        lastUsed = i;
        const size_t equal = trimmed.find('=');
        if (equal != std::string::npos && EqualsAsciiNoCase(Trim(trimmed.substr(0, equal)), key))
        {
            lines[i] = newLine;
            return WriteLines(path, lines);
        }
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastUsed + 1), newLine);
    return WriteLines(path, lines);
}

DWORD EmptyProfileSection(const char* path, const char* section)
{
    std::vector<std::string> lines;
    DWORD err = ReadLines(path, lines);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    const size_t header = FindHeader(lines, section);
    if (header == lines.size())
    {
        return ERROR_SUCCESS;
    }
    const size_t end = SectionEnd(lines, header);
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header + 1),
                lines.begin() + static_cast<std::ptrdiff_t>(end));
    return WriteLines(path, lines);
}

bool IsLeadByte(char)
{
    return false;
}

bool SameTextNoCase(const char* first, const char* second)
{
    return EqualsAsciiNoCase(first, second);
}

#endif
