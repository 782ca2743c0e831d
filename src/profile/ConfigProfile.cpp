#include "profile/ConfigProfile.h"

#include "profile/ProfileText.h"

#include <cstring>
#include <vector>

namespace
{
const char kMessagesSection[] = "MESSAGES";

bool IsEmpty(const char* text)
{
    return text == nullptr || *text == '\0';
}

void CopyCut(char* out, DWORD outSize, const std::string& text)
{
    const size_t copied = text.size() < outSize ? text.size() : outSize - 1;
    std::memcpy(out, text.data(), copied);
    out[copied] = '\0';
}

// The first character boundary at or after position (after a replacement, a position taken from
// the text before it may fall inside a double-byte character).
size_t AlignToCharacter(const std::string& text, size_t position)
{
    size_t i = 0;
    while (i < position && i < text.size())
    {
        i += CharLength(text.data(), i, text.size());
    }
    return i;
}
}  // namespace

bool CConfigProfile::Open(const char* mainPath, const char* definedStringsPath, const char* messagesPath,
                          bool convertEscapes)
{
    m_definedStringsPath = definedStringsPath != nullptr ? definedStringsPath : "";
    if (!IsEmpty(mainPath))
    {
        (void)m_main.Create(mainPath, m_definedStringsPath.c_str());
        m_mainPath = mainPath;
        m_mainOpen = true;
    }
    if (!IsEmpty(messagesPath))
    {
        (void)m_messages.Create(messagesPath, m_definedStringsPath.c_str());
        m_messagesPath = messagesPath;
        m_messagesOpen = true;
    }
    m_convertEscapes = convertEscapes;
    return m_mainOpen;
}

std::string CConfigProfile::ExpandMacros(const std::string& text, DWORD langId, const char* langAbbr,
                                         const char* langDir) const
{
    if (!m_macroExpander)
    {
        return text;
    }
    return m_macroExpander(text, langId, langAbbr != nullptr ? langAbbr : "", langDir != nullptr ? langDir : "");
}

void CConfigProfile::ExpandMessages(std::string& text) const
{
    std::string expanded = text;
    std::vector<char> message(kTextSize);
    size_t start = FindCharacter(expanded, '@', 0);
    while (start != std::string::npos)
    {
        const size_t end = FindCharacter(expanded, '@', start + 1);
        if (end == std::string::npos)
        {
            break;
        }
        const std::string name = expanded.substr(start + 1, end - start - 1);
        size_t next = end + 1;
        if (!name.empty() &&
            m_messages.GetString(kMessagesSection, name.c_str(), message.data(), kTextSize, true) == ERROR_SUCCESS)
        {
            if (!ReplaceAll(expanded, expanded.substr(start, end - start + 1), message.data(), kTextSize - 1))
            {
                return;   // too long: the text stays as it was
            }
            next = AlignToCharacter(expanded, next);
        }
        start = FindCharacter(expanded, '@', next);
    }
    text.swap(expanded);
}

bool CConfigProfile::GetString(const char* section, const char* key, std::string& out, bool expand,
                               DWORD langId, const char* langAbbr, const char* langDir) const
{
    if (!m_mainOpen)
    {
        return false;
    }
    std::vector<char> work(kTextSize);
    if (m_main.GetString(section, key, work.data(), kTextSize, m_convertEscapes) != ERROR_SUCCESS)
    {
        return false;
    }
    std::string text = work.data();
    if (m_messagesOpen)
    {
        ExpandMessages(text);
    }
    if (expand && !m_remoteInstallPreparation)
    {
        text = ExpandMacros(text, langId, langAbbr, langDir);
    }
    out.swap(text);
    return true;
}

bool CConfigProfile::GetString(const char* section, const char* key, char* out, DWORD outSize, bool expand,
                               DWORD langId, const char* langAbbr, const char* langDir) const
{
    std::string text;
    if (out == nullptr || outSize == 0 || !GetString(section, key, text, expand, langId, langAbbr, langDir))
    {
        return false;
    }
    CopyCut(out, outSize, text);
    return true;
}

bool CConfigProfile::GetSectionKeys(const char* section, char* out, DWORD outSize, DWORD langId,
                                    const char* langAbbr, const char* langDir) const
{
    if (out == nullptr || outSize == 0)
    {
        return false;
    }
    std::vector<char> lines(kTextSize);
    if (m_main.GetAllKey(section, lines.data(), kTextSize, false, m_convertEscapes) != ERROR_SUCCESS)
    {
        return false;
    }
    if (m_remoteInstallPreparation)
    {
        return true;
    }
    std::string list;
    for (const char* entry = lines.data(); *entry != '\0'; entry += std::strlen(entry) + 1)
    {
        std::string text = entry;
        if (m_messagesOpen)
        {
            ExpandMessages(text);
        }
        text = ExpandMacros(text, langId, langAbbr, langDir);
        if (!text.empty())   // an empty entry would end the list early
        {
            list += text;
            list += '\0';
        }
    }
    if (list.size() >= outSize)   // the list's final zero byte must fit too
    {
        return false;
    }
    std::memset(out, 0, outSize);
    std::memcpy(out, list.data(), list.size());
    return true;
}

bool CConfigProfile::GetDword(const char* section, const char* key, DWORD* value) const
{
    return m_main.GetDword(section, key, value) == ERROR_SUCCESS;
}

bool CConfigProfile::GetSize(const char* section, const char* key, SIZE* value) const
{
    return m_main.GetControl(section, key, value) == ERROR_SUCCESS;
}

bool CConfigProfile::GetPoint(const char* section, const char* key, POINT* value) const
{
    return m_main.GetControl(section, key, value) == ERROR_SUCCESS;
}

bool CConfigProfile::GetColor(const char* section, const char* key, DWORD* value) const
{
    return m_main.GetControl(section, key, value) == ERROR_SUCCESS;
}

bool CConfigProfile::GetRect(const char* section, const char* key, RECT* value) const
{
    return m_main.GetControl(section, key, value) == ERROR_SUCCESS;
}

bool CConfigProfile::GetSectionNames(char* buffer, DWORD size) const
{
    return m_main.GetSectionName(buffer, size, false) == ERROR_SUCCESS;
}

bool CConfigProfile::HasSection(const char* name) const
{
    // Compared with each section record rather than through the space-separated name list, so that a
    // name holding a space, or a document whose names exceed one list buffer, still answers right.
    if (IsEmpty(name))
    {
        return false;
    }
    for (const SECTION_LIST* section = m_main.GetMainDocument().GetFirstSection(); section != nullptr;
         section = section->nextSection)
    {
        if (SameTextNoCase(section->name, name))
        {
            return true;
        }
    }
    return false;
}

bool CConfigProfile::ResolveSection(const char* baseName, char* out, DWORD outSize) const
{
    if (IsEmpty(baseName) || out == nullptr || outSize == 0)
    {
        return false;
    }
    const std::vector<std::string> candidates =
        m_sectionCandidates ? m_sectionCandidates(baseName) : std::vector<std::string>{baseName};
    for (const std::string& candidate : candidates)
    {
        if (candidate.size() < outSize && HasSection(candidate.c_str()))
        {
            std::memcpy(out, candidate.c_str(), candidate.size() + 1);
            return true;
        }
    }
    return false;
}

bool CConfigProfile::ReloadMain(const char* path)
{
    (void)m_main.Reload(path, m_definedStringsPath.c_str());
    m_mainPath = path != nullptr ? path : "";
    return true;
}

bool CConfigProfile::ReloadMessages(const char* path)
{
    (void)m_messages.Reload(path, m_definedStringsPath.c_str());
    m_messagesPath = path != nullptr ? path : "";
    m_messagesOpen = true;
    return true;
}
