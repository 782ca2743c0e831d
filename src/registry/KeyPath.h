#pragma once
// Registry key paths in the ANSI code page. A backslash separates two keys only where it is not the
// second byte of a double-byte character (in code page 932 many characters end with the byte 0x5C).

#include <string>

// Position of the first or last separating backslash, or std::string::npos.
size_t FindFirstKeySeparator(const std::string& path);
size_t FindLastKeySeparator(const std::string& path);

// parent, a backslash and name; no second backslash when parent already ends with one.
std::string JoinKeyPath(const std::string& parent, const std::string& name);

// The path without separating backslashes at its end.
std::string TrimKeySeparators(const std::string& path);
