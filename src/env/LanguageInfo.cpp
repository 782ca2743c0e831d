#include "env/LanguageInfo.h"

#include <cstring>
#include <vector>

#include "base/Text.h"
#include "base/TextRules.h"
#include "log/Log.h"
#include "profile/ConfigProfile.h"

namespace
{
WORD PrimaryLanguage(WORD id)
{
    return static_cast<WORD>(id & 0x3FF);
}

WORD SubLanguage(WORD id)
{
    return static_cast<WORD>(id >> 10);
}

// The language id a PROGRAM_LANG_INFO line names: the text before its first '=', hexadecimal when it
// holds "0X" and decimal otherwise.
WORD ListedLanguage(const char* entry)
{
    const char* end = std::strchr(entry, '=');
    const std::string text = Trim(std::string(entry, end != nullptr ? end : entry + std::strlen(entry)));
    return static_cast<WORD>(CProfile::StringToDword(text.c_str()));
}

struct BuiltInAbbr
{
    WORD primary;
    const char* abbr;
};

const BuiltInAbbr kBuiltInAbbrs[] = {
    {0x01, "AB"}, {0x05, "CZ"}, {0x06, "DN"}, {0x07, "GR"}, {0x08, "GK"}, {0x0A, "SP"}, {0x0B, "FI"},
    {0x0C, "FN"}, {0x0D, "HB"}, {0x0E, "HU"}, {0x10, "IT"}, {0x11, "JP"}, {0x12, "KR"}, {0x13, "DT"},
    {0x14, "NR"}, {0x15, "PO"}, {0x19, "RU"}, {0x1D, "SW"}, {0x1E, "TI"}, {0x1F, "TK"}, {0x21, "IN"},
};
}  // namespace

CLanguageInfo::CLanguageInfo(CLog& log, LANGID systemLangId)
    : m_log(log), m_systemLangId(systemLangId != 0 ? systemLangId : ::GetSystemDefaultLangID())
{
}

void CLanguageInfo::Init(const CConfigProfile* profile)
{
    m_profile = profile;
    m_systemLangAbbr = LookupLanguageText(ResolveLanguage(m_systemLangId), kAbbrSection);
}

WORD CLanguageInfo::ResolveLanguage(WORD id)
{
    WORD shown = MapCountryLanguage(id);
    if (!IsLanguageSupported(shown))
    {
        shown = kEnglish;
    }
    if (!IsLanguageSupported(id))
    {
        id = kEnglish;
    }
    m_requestedLangId = id;
    return shown;
}

WORD CLanguageInfo::MapCountryLanguage(WORD id) const
{
    DWORD mapped = 0;
    if (m_profile != nullptr && (m_profile->GetDword(kCountrySection, LanguageKey(id).c_str(), &mapped) ||
                                 m_profile->GetDword(kCountrySection, LanguageKey(PrimaryLanguage(id)).c_str(),
                                                     &mapped)))
    {
        return static_cast<WORD>(mapped & 0xFFFF);
    }
    return id;
}

bool CLanguageInfo::IsLanguageSupported(WORD& id) const
{
    if (m_profile == nullptr)
    {
        return false;
    }
    std::vector<char> lines(CConfigProfile::kTextSize);
    if (!m_profile->GetSectionKeys(kSupportedSection, lines.data(), CConfigProfile::kTextSize))
    {
        return false;
    }
    for (const char* entry = lines.data(); *entry != '\0'; entry += std::strlen(entry) + 1)
    {
        const WORD listed = ListedLanguage(entry);
        // A line that names no number (0) is not a language and must not match the primary language 0.
        if (listed != 0 && (listed == id || listed == PrimaryLanguage(id)))
        {
            id = listed;
            return true;
        }
    }
    return false;
}

std::string CLanguageInfo::LookupLanguageText(WORD id, const char* section) const
{
    std::string text;
    if (m_profile != nullptr && (m_profile->GetString(section, LanguageKey(id).c_str(), text) ||
                                 m_profile->GetString(section, LanguageKey(PrimaryLanguage(id)).c_str(), text)))
    {
        return text;
    }
    return BuiltInLanguageAbbr(id);
}

std::string CLanguageInfo::BuiltInLanguageAbbr(WORD id)
{
    const WORD primary = PrimaryLanguage(id);
    if (primary == 0x04)                                      // Chinese: traditional for Taiwan only
    {
        return SubLanguage(id) == 1 ? "CT" : "CP";
    }
    if (primary == 0x16)                                      // Portuguese: Brazil or Portugal
    {
        return SubLanguage(id) == 1 ? "BP" : (SubLanguage(id) == 2 ? "PT" : "");
    }
    for (const BuiltInAbbr& entry : kBuiltInAbbrs)
    {
        if (entry.primary == primary)
        {
            return entry.abbr;
        }
    }
    return "EN";
}

std::string CLanguageInfo::LanguageKey(WORD id)
{
    return FormatText("0X%04X", static_cast<unsigned>(id));
}

bool CLanguageInfo::Set(const CConfigProfile* profile, WORD id, bool fromDefault)
{
    if (profile == nullptr)
    {
        return false;
    }
    m_profile = profile;
    if (id == 0)
    {
        id = m_systemLangId;
    }
    else if (!fromDefault && id == m_requestedLangId)
    {
        return false;
    }
    m_langId = ResolveLanguage(id);
    m_langAbbr = LookupLanguageText(m_langId, kAbbrSection);
    m_requestedLangAbbr = LookupLanguageText(m_requestedLangId, kAbbrSection);
    m_langDir = LookupLanguageText(m_langId, kDirSection);
    m_requestedLangDir = LookupLanguageText(m_requestedLangId, kDirSection);
    LogLanguage();
    return true;
}

void CLanguageInfo::LogLanguage() const
{
    m_log.Write("Set Language : Language ID\t\t= 0X%04X", static_cast<unsigned>(m_langId));
    m_log.Write("Set Language : Language Abbr\t\t= %s", m_langAbbr.c_str());
    m_log.Write("Set Language : System Language ID\t= 0X%04X", static_cast<unsigned>(m_systemLangId));
    m_log.Write("Set Language : System Language Abbr = %s", m_systemLangAbbr.c_str());
    m_log.Write("Set Language : Language Dir\t\t= %s", m_langDir.c_str());
    m_log.Write("Set Language : Org Language ID\t\t= 0X%04X", static_cast<unsigned>(m_requestedLangId));
    m_log.Write("Set Language : Org Language Abbr\t\t= %s", m_requestedLangAbbr.c_str());
    m_log.Write("Set Language : Org Language Dir\t\t= %s", m_requestedLangDir.c_str());
}
