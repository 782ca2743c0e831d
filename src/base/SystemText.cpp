// The system code page's text rules of base/TextRules.h.
#include "base/TextRules.h"

#include <windows.h>

std::string SystemUpper(std::string text)
{
    if (!text.empty())
    {
        (void)::CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    }
    return text;
}

bool EqualsSystemNoCase(const std::string& first, const std::string& second)
{
    return ::lstrcmpiA(first.c_str(), second.c_str()) == 0;
}
