#pragma once
// System checks, word lists: whether a word is a piece of a list, compared as the system compares.

namespace SystemCheck
{
// True when a piece of list, cut at any of the separator characters and trimmed of spaces and tabs,
// equals word without regard to case (the system's comparison; a double-byte character is never cut).
// Any empty or null argument gives false.
bool IsWordInList(const char* list, const char* word, const char* separators);
}  // namespace SystemCheck
