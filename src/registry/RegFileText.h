#pragma once
// The text form of exported registry keys: a section per key named by its root and path, one line per
// value ("name" = "text", "name" = dword:0000001a, "name" = hex:). Plain logic over strings; the
// profile classes read and write the file itself. Nothing inside names or texts is escaped.

#include <windows.h>

#include <string>

// "HKEY_LOCAL_MACHINE" and the other root names; null for a root without one (HKEY_USERS).
const char* RegRootName(HKEY root);

// Splits a section name at its first separator: a root name (any case) before it selects that root
// and the rest is the key path; otherwise the root is HKEY_LOCAL_MACHINE and the whole name the path.
void SplitRegSection(const std::string& section, HKEY* root, std::string* path);

// The line for one value: text up to its first zero byte for REG_SZ, the first four bytes for
// REG_DWORD, only the tag for REG_BINARY. Empty for every other type.
std::string FormatRegValueLine(const char* name, DWORD type, const BYTE* data);

// One line read back. kIgnored: a binary value, which is not imported; kInvalid: an unknown tag.
struct RegFileValue
{
    enum Kind
    {
        kString,
        kDword,
        kIgnored,
        kInvalid
    };
    Kind kind = kInvalid;
    std::string name;
    std::string text;
    DWORD number = 0;
};

// key and value are a profile line's two sides (already trimmed of blanks around the '=').
RegFileValue ParseRegValueLine(const std::string& key, const std::string& value);

// Hexadecimal digits read from the last character backwards, at most eight; a character that is not
// a hexadecimal digit counts as 0.
DWORD ParseRegHexDword(const std::string& digits);
