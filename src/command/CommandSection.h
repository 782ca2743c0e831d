#pragma once
// Reading the sections that commands name: all lines of a section, and whether a registry, copy or
// delete section applies to this platform and language.

#include <string>
#include <vector>

class CCommandEnv;
class CConfigProfile;

// Every line of the section as "key = value" or the bare key, expanded, in file order. False (lines
// untouched) when the section does not exist or its lines do not fit the 16384-byte list.
bool ReadSectionLines(const CConfigProfile& profile, const char* section, std::vector<std::string>& lines);

// False when the command file's section lists platform keys (SUPPORTED_OS, UNSUPPORTED_OS) or language
// abbreviations (SUPPORTED_LANG, UNSUPPORTED_LANG) that rule out the current ones.
bool CommandSectionApplies(const CCommandEnv& env, const char* section);
