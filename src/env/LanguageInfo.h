#pragma once
// The language whose texts the installer shows. A requested language id is mapped through the data
// file's COUNTRY_LANG_CODE, checked against PROGRAM_LANG_INFO (English when not listed) and given its
// abbreviation and directory from LANGUAGE_ABBR and LANGUAGE_DIR, or from the built-in table. Reads
// the data profile it is given (not owned); writes nothing but its log lines.

#include <windows.h>

#include <string>

class CConfigProfile;
class CLog;

class CLanguageInfo
{
public:
    static constexpr WORD kEnglish = 9;
    static constexpr const char* kSupportedSection = "PROGRAM_LANG_INFO";
    static constexpr const char* kCountrySection = "COUNTRY_LANG_CODE";
    static constexpr const char* kAbbrSection = "LANGUAGE_ABBR";
    static constexpr const char* kDirSection = "LANGUAGE_DIR";

    // systemLangId 0 stands for the system's default language.
    explicit CLanguageInfo(CLog& log, LANGID systemLangId = 0);
    CLanguageInfo(const CLanguageInfo&) = delete;
    CLanguageInfo& operator=(const CLanguageInfo&) = delete;

    // Remembers the data profile and works out the system language's abbreviation.
    void Init(const CConfigProfile* profile);

    // The language shown for id: its country mapping when that is supported, else English. The
    // requested language becomes id when supported, else English.
    WORD ResolveLanguage(WORD id);
    // COUNTRY_LANG_CODE of the full id, else of the primary language; id itself without either.
    WORD MapCountryLanguage(WORD id) const;
    // True when a PROGRAM_LANG_INFO line names the full id or its primary language; id then becomes
    // the id that line names. False (id untouched) otherwise or without the section.
    bool IsLanguageSupported(WORD& id) const;
    // The value of section for the full id, else for the primary language, else the built-in
    // abbreviation.
    std::string LookupLanguageText(WORD id, const char* section) const;
    // The abbreviation of the primary language from the built-in table; "EN" for any other language.
    static std::string BuiltInLanguageAbbr(WORD id);
    // The key of id in the language sections: "0X%04X".
    static std::string LanguageKey(WORD id);

    // Switches to language id (0: the system language) and logs the result. False, changing nothing,
    // without a profile, or when id is already the requested language and fromDefault is false.
    bool Set(const CConfigProfile* profile, WORD id, bool fromDefault);

    WORD GetLangId() const { return m_langId; }
    WORD GetSystemLangId() const { return m_systemLangId; }
    WORD GetRequestedLangId() const { return m_requestedLangId; }
    const std::string& GetLangAbbr() const { return m_langAbbr; }
    const std::string& GetSystemLangAbbr() const { return m_systemLangAbbr; }
    const std::string& GetRequestedLangAbbr() const { return m_requestedLangAbbr; }
    const std::string& GetLangDir() const { return m_langDir; }
    const std::string& GetRequestedLangDir() const { return m_requestedLangDir; }
    const CConfigProfile* GetProfile() const { return m_profile; }

private:
    void LogLanguage() const;

    CLog& m_log;
    WORD m_langId = kEnglish;
    WORD m_systemLangId;
    WORD m_requestedLangId = kEnglish;
    std::string m_langAbbr = "EN";
    std::string m_systemLangAbbr = "EN";
    std::string m_requestedLangAbbr = "EN";
    std::string m_langDir;
    std::string m_requestedLangDir;
    const CConfigProfile* m_profile = nullptr;
};
