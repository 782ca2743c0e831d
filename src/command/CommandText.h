#pragma once
// Decisions of the command engine over plain texts: command-section lines, registry value lines and
// numbers, setup and cancel type words, section applicability. No system calls.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/PathText.h"

// The pieces of text between separators; consecutive separators give no empty piece (a piece of
// blanks stays, so callers that trim it see an empty text).
std::vector<std::string> SplitCollapsed(const std::string& text, char separator);

// One command-section line: without "=" the whole line (trimmed) is the type; otherwise the trimmed
// text left of the first "=" is the type and the first three comma pieces of the rest, each trimmed,
// are the parameters.
struct CommandLineParts
{
    std::string type;
    std::string params[3];
};
CommandLineParts SplitCommandLine(const std::string& line);

// True when the text names a command ("CT_" in any case) rather than a dialog.
bool IsCommandText(const std::string& text);

// The key of a section line "key = value": the text before the first "=", trimmed; the whole line
// when there is none. The value: the text after it, or empty.
std::string LineKey(const std::string& line);
std::string LineValue(const std::string& line);

// A registry section's VALUE line value "type, name, data": data is everything after the second comma
// (commas kept); each part trimmed of blanks and tabs. Missing parts are empty.
struct RegistryValueLine
{
    std::string type;
    std::string name;
    std::string data;
};
RegistryValueLine SplitRegistryValueLine(const std::string& value);

// A registry section's DWORD data: without "0X" (any case) the decimal value of the leading digits
// (none gives 0); otherwise every "0X" removed and at most the last eight characters read as
// hexadecimal digits, any other character counting as 0.
std::uint32_t ParseRegistryDword(const std::string& text);

// "RESUME_EXIT" 0, "OK_CANCEL" 1, "NULL" 2 (any case); nothing for other words.
std::optional<int> CancelTypeFromText(const std::string& text);

// "INSTALL" 1, "UNINST" 2, "REINST" 3 (any case); anything else 0.
std::uint32_t SetupTypeFromText(const std::string& text);

// A language id: hexadecimal after "0X" (any case), else decimal; the low 16 bits.
std::uint16_t ParseLanguageId(const std::string& text);

// The integer value of a trimmed text (an optional sign and the leading digits); 0 when it has none.
long ParseInteger(const std::string& text);

// The folder a started program runs in: its path trimmed of blanks, tabs and double quotes, up to
// (not including) the last backslash; empty when there is none.
std::string WorkingDirectoryOf(const std::string& programPath, LeadBytePredicate isLeadByte = nullptr);

// The optional platform and language lists of a registry, copy or delete section; a missing key is
// nothing, a present key with an empty value is an empty list.
struct SectionConditions
{
    std::optional<std::string> supportedOs;
    std::optional<std::string> unsupportedOs;
    std::optional<std::string> supportedLang;
    std::optional<std::string> unsupportedLang;
};

// True when word is one of the comma-separated list's entries (trimmed of blanks and tabs, letters
// compared without regard to case). An empty list or an empty word is never in it.
bool IsInCommaList(const std::string& list, const std::string& word);

// A section applies unless a supported list is present without the current value in it, or an
// unsupported list is present with it, checked for the platform key and then the language.
bool SectionApplies(const SectionConditions& conditions, const std::string& osDefine,
                    const std::string& langAbbr);

// A registry section's ROOTKEY: true (HKEY_CURRENT_USER) when the text contains "HKCU" in any case;
// anything else, "HKEY_CURRENT_USER" spelled out included, means HKEY_LOCAL_MACHINE.
bool NamesCurrentUser(const std::string& rootKey);

// The pieces of a path between backslashes that are separators; empty pieces (doubled, leading or
// trailing backslashes) are dropped.
std::vector<std::string> SplitPathPieces(const std::string& path, LeadBytePredicate isLeadByte = nullptr);
