#pragma once
// The installer's only text rules: trimming, case folding and case-blind comparison. Text is 8-bit
// in the system's code page. The ASCII rules fold only 'a'-'z' and 'A'-'Z', so they never touch the
// trail byte of a double-byte character; they make no Windows calls and also build natively. The
// system rules (Windows only) fold as the system's code page does, for names the user sees or the
// system itself compares that way (file names, printer names).

#include <string>

// The blanks a value is trimmed of by default.
extern const char kBlanks[];   // " \t"

// text without the given characters at its ends; empty when it holds nothing else.
std::string Trim(const std::string& text, const char* characters = kBlanks);
std::string TrimLeft(const std::string& text, const char* characters = kBlanks);
std::string TrimRight(const std::string& text, const char* characters = kBlanks);

char AsciiUpper(char c);
char AsciiLower(char c);
std::string AsciiUpper(std::string text);
std::string AsciiLower(std::string text);

// Equal, or beginning with prefix, when ASCII letters are folded.
bool EqualsAsciiNoCase(const std::string& first, const std::string& second);
// The same for zero-terminated texts, without copying them (the profile compares every line's key).
bool EqualsAsciiNoCase(const char* first, const char* second);
bool StartsWithAsciiNoCase(const std::string& text, const std::string& prefix);

// format with its first "%s" replaced by text; any other percent sign stays as it stands (a text from
// a configuration file is never used as a printf format).
std::string FillPlaceholder(const std::string& format, const std::string& text);

// Every bare line feed preceded by a carriage return: edit boxes break lines only at CR LF.
std::string WithCrLf(const std::string& text);

#if defined(_WIN32)
// The text upper-cased by the system's code page (CharUpperBuffA).
std::string SystemUpper(std::string text);
// Equal by the system's case-blind comparison (lstrcmpiA).
bool EqualsSystemNoCase(const std::string& first, const std::string& second);
#endif
