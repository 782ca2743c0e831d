#pragma once
// Text scanning shared by the profile readers. Positions are byte offsets that always fall on a
// character boundary: the second byte of a double-byte character (ANSI code page) is never taken for
// a single-byte character, so a trail byte 0x40 is not an at sign and 0x5C not a backslash.

#include <cstddef>
#include <string>

// Bytes taken by the character at text[index] (2 for a complete double-byte character, else 1).
size_t CharLength(const char* text, size_t index, size_t length);

// Position of the first c at or after from, or std::string::npos.
size_t FindCharacter(const std::string& text, char c, size_t from);

// Position of the first occurrence of what at or after from, or std::string::npos.
size_t FindText(const std::string& text, const std::string& what, size_t from);

// Replaces every occurrence of token (case-sensitive) by value. Returns false, leaving text
// unchanged, when the result would be longer than maxLength.
bool ReplaceAll(std::string& text, const std::string& token, const std::string& value, size_t maxLength);

// Replaces each two-character sequence backslash r by CR and backslash n by LF.
void ConvertEscapes(std::string& text);

// The part [begin, end) without blanks and tabs at both ends, and without the characters in
// leftExtra at its left end and those in rightExtra at its right end.
std::string TrimText(const char* begin, const char* end, const char* leftExtra = "", const char* rightExtra = "");

// True when line ends with the single-byte character c (not a double-byte character's second byte).
bool EndsWithCharacter(const char* line, char c);
