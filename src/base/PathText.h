#pragma once
// Paths and registry key paths as 8-bit text in the system's code page. A backslash separates two
// pieces only where it is a character of its own: in a double-byte code page (932 and others) the
// second byte of a character may be 0x5C. Every function takes the code page's lead-byte test, so the
// same code serves the installer (the system's test) and the native tests (any test they like).
// Every function accepts empty and one-character texts.

#include <cstddef>
#include <string>
#include <vector>

// Tells whether a byte begins a double-byte character; null: single-byte text.
using LeadBytePredicate = bool (*)(unsigned char byte);

namespace PathText
{
// Positions of every separating backslash, front to back.
std::vector<size_t> Separators(const std::string& path, LeadBytePredicate isLeadByte);
// Position of the first or last separating backslash; npos when there is none.
size_t FirstSeparator(const std::string& path, LeadBytePredicate isLeadByte);
size_t LastSeparator(const std::string& path, LeadBytePredicate isLeadByte);
// True when the last character is a separating backslash.
bool EndsWithSeparator(const std::string& path, LeadBytePredicate isLeadByte);

// The text before the last separator; empty when there is none.
std::string DirectoryPart(const std::string& path, LeadBytePredicate isLeadByte);
// The text after the last separator; the whole text when there is none.
std::string NamePart(const std::string& path, LeadBytePredicate isLeadByte);
// The path with one, or every, separating backslash at its end removed.
std::string WithoutTrailingSeparator(const std::string& path, LeadBytePredicate isLeadByte);
std::string WithoutTrailingSeparators(const std::string& path, LeadBytePredicate isLeadByte);
// directory, a backslash and name; no second backslash when directory already ends with one.
std::string Join(const std::string& directory, const std::string& name, LeadBytePredicate isLeadByte);
// True for a path that names its place by itself: a drive letter, ':' and a backslash ("C:\x"), or a
// network path ("\\server\share"). Bare names, relative paths, "C:x" and "\x" depend on the current
// folder or drive.
bool IsFullPath(const std::string& path, LeadBytePredicate isLeadByte);
}  // namespace PathText

#if defined(_WIN32)
// The lead-byte test of the system's ANSI code page (IsDBCSLeadByte).
bool IsSystemLeadByte(unsigned char byte);
#endif
