#pragma once
// File system paths in the ANSI code page. A backslash separates two components only where it is not
// the second byte of a double-byte character (in code page 932 many characters end with 0x5C), so
// every split below walks the text character by character.

#include <cstddef>
#include <string>
#include <vector>

#include "env/InstallPaths.h"

// Paths the installer hands to the file system must be shorter than this (the text without its zero).
constexpr size_t kMaxPathLength = 259;

bool FitsPath(const std::string& path);

// Positions of every separating backslash, front to back.
std::vector<size_t> FindPathSeparators(const std::string& path);
// Position of the last separating backslash, or std::string::npos.
size_t FindLastPathSeparator(const std::string& path);

// directory, a backslash and name; no second backslash when directory already ends with one.
std::string JoinPath(const std::string& directory, const std::string& name);

// The text before the last separator (empty without one). The text after it (all without one) is the
// environment's FileNamePart, which follows the same rule: one program has one function of that name.
std::string ParentPath(const std::string& path);

// The path without one separating backslash at its end.
std::string DropTrailingSeparator(const std::string& path);

// Length of the part that names the volume and is never created or removed: "C:\" (3) for drive
// paths, "\\server\share\" for network paths, 0 for anything else.
size_t RootLength(const std::string& path);

// True when path (one trailing backslash allowed), or the full path it stands for, is a drive or share
// root or shorter than four characters: such a directory is never removed.
bool IsProtectedDirectory(const std::string& path);
