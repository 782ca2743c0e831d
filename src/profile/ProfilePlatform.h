#pragma once
// The few operating-system services the profile library needs: reading a whole file, writing to an
// open file, the private-profile writer, and comparing names without regard to case. On Windows these
// are the system's own calls; the native (non-Windows) build supplies small equivalents so that the
// parsing logic can run under the sanitizers. Results are Windows error numbers (0 = success).

#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <cstdint>

// Windows types and error numbers the profile interface uses, for the native build only.
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using HANDLE = void*;   // in the native build an open file is a FILE* (see WriteToFile)

struct SIZE
{
    LONG cx;
    LONG cy;
};

struct POINT
{
    LONG x;
    LONG y;
};

struct RECT
{
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_INVALID_DATA = 13;
constexpr DWORD ERROR_OUTOFMEMORY = 14;
constexpr DWORD ERROR_WRITE_FAULT = 29;
constexpr DWORD ERROR_READ_FAULT = 30;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
#endif

// Largest profile file that is loaded; anything bigger is refused with ERROR_NOT_ENOUGH_MEMORY.
// Installer files are a few kilobytes; the limit keeps the size arithmetic of the loader safe.
constexpr DWORD kMaxProfileFileSize = 64u * 1024u * 1024u;

// Reads the whole file (opened for reading, others may read) into data. Leaves data untouched on failure.
DWORD ReadWholeFile(const char* path, std::string& data);

// Writes length bytes to an open file with one write call.
DWORD WriteToFile(HANDLE file, const char* data, DWORD length);

// Writes the line key=value into section of the profile file at path (created when missing).
DWORD WriteProfileText(const char* path, const char* section, const char* key, const char* value);

// Removes every line of section from the profile file at path, keeping the section itself.
DWORD EmptyProfileSection(const char* path, const char* section);

// True when c is the first byte of a double-byte character in the system ANSI code page (never in the
// native build). Text scanning steps over the second byte, which may look like '@', '[', ']' or '\\'.
bool IsLeadByte(char c);

// True when the two names are equal without regard to case, by the rules of the active ANSI code page
// on Windows (double-byte characters compare as characters), by ASCII rules in the native build.
bool SameTextNoCase(const char* first, const char* second);
