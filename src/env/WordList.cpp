#include "env/WordList.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "base/TextRules.h"

namespace SystemCheck
{
bool IsWordInList(const char* list, const char* word, const char* separators)
{
    if (list == nullptr || word == nullptr || separators == nullptr || *list == '\0' || *word == '\0' ||
        *separators == '\0')
    {
        return false;
    }
    const char* piece = list;
    for (const char* p = list;; ++p)
    {
        if (*p != '\0' && ::IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0')
        {
            ++p;                                              // a double-byte character is never a separator
            continue;
        }
        if (*p == '\0' || std::strchr(separators, *p) != nullptr)
        {
            const std::string trimmed = Trim(std::string(piece, p));
            if (!trimmed.empty() && EqualsSystemNoCase(trimmed, word))
            {
                return true;
            }
            if (*p == '\0')
            {
                return false;
            }
            piece = p + 1;
        }
    }
}
}  // namespace SystemCheck
