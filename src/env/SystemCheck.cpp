// System checks (env/SystemCheck.h), files and texts: existence, removal of a file with its emptied
// folders, word lists and system error texts. The other areas have files of their own: AdminCheck,
// SourceMedia, SpoolerCheck and ServiceControl.
#include "env/SystemCheck.h"

#include <cstring>

#include "base/PathText.h"
#include "base/Scoped.h"
#include "base/UserMessage.h"

namespace
{
// The directory above dir that may still be removed; empty at the top: no backslash left, or the
// parent is a drive ("C:").
std::string RemovableDirectoryAbove(const std::string& dir)
{
    const std::string parent = PathText::DirectoryPart(dir, IsSystemLeadByte);
    if (parent.empty() || parent.back() == ':')
    {
        return std::string();
    }
    return parent;
}

// True when the text from begin to end, trimmed of spaces and tabs, equals word without regard to case.
bool PieceEquals(const char* begin, const char* end, const char* word)
{
    while (begin < end && (*begin == ' ' || *begin == '\t'))
    {
        ++begin;
    }
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t'))
    {
        --end;
    }
    return end > begin && ::lstrcmpiA(std::string(begin, end).c_str(), word) == 0;
}
}  // namespace

namespace SystemCheck
{
bool RemoveDirectoryChain(const char* directory)
{
    if (directory == nullptr || *directory == '\0')
    {
        return false;
    }
    std::string dir = directory;
    dir = PathText::WithoutTrailingSeparators(dir, IsSystemLeadByte);
    // A bare drive ("C:") names that drive's current directory, never a directory of ours.
    if (!dir.empty() && dir.back() == ':')
    {
        return true;
    }
    while (!dir.empty() && ::RemoveDirectoryA(dir.c_str()))
    {
        dir = RemovableDirectoryAbove(dir);
    }
    return true;
}

bool DeleteFileAndEmptyDirs(const char* file, bool keepDirectories)
{
    if (file == nullptr || !::DeleteFileA(file))
    {
        return false;
    }
    const std::string directory = PathText::DirectoryPart(file, IsSystemLeadByte);
    if (!keepDirectories && !directory.empty())
    {
        (void)RemoveDirectoryChain(directory.c_str());
    }
    return true;
}

bool IsWordInList(const char* list, const char* word, const char* separators)
{
    if (list == nullptr || word == nullptr || separators == nullptr || *list == '\0' || *word == '\0' ||
        *separators == '\0')
    {
        return false;
    }
    const char* piece = list;
    for (const char* p = list;; ++p)
    {
        if (*p != '\0' && ::IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0')
        {
            ++p;                                              // a double-byte character is never a separator
            continue;
        }
        if (*p == '\0' || std::strchr(separators, *p) != nullptr)
        {
            if (PieceEquals(piece, p, word))
            {
                return true;
            }
            if (*p == '\0')
            {
                return false;
            }
            piece = p + 1;
        }
    }
}

std::string SystemErrorText(DWORD code)
{
    char* message = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&message), 0, nullptr);
    CLocalMemory owner(message);
    return length != 0 && message != nullptr ? std::string(message, length) : std::string();
}

void ShowSystemError(DWORD code, const char* caption)
{
    const std::string text = SystemErrorText(code);
    if (!text.empty())
    {
        (void)ShowUserMessage(nullptr, text, caption != nullptr ? caption : "", MB_OK | MB_ICONWARNING);
    }
}

bool FileExists(const char* path)
{
    if (path == nullptr || *path == '\0')
    {
        return false;
    }
    const CHandle file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid();
}
}  // namespace SystemCheck
