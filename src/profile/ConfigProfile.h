#pragma once
// The reader the installer uses for its data, configuration, command and string files: a main profile
// (with defined strings) and a messages profile (the current language's string file). Values come back
// with defined strings (%NAME%), message references (@NAME@, from section MESSAGES of the messages
// profile) and, through the macro hook, $NAME$ macro variables expanded. Failures are false.

#include "profile/Profile.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

class CConfigProfile
{
public:
    // Expands $NAME$ macro variables in text; the overrides (0 or empty: the current language) come
    // from the caller of GetString or GetSectionKeys. Without a hook the text stays unchanged.
    using MacroExpander = std::function<std::string(const std::string& text, DWORD langId,
                                                    const std::string& langAbbr, const std::string& langDir)>;
    // The section names to try for a base name, most specific first. Without a hook: the base name.
    using SectionCandidates = std::function<std::vector<std::string>(const std::string& baseName)>;

    static constexpr DWORD kTextSize = 16384;   // values and section line lists, zero byte included

    // Loads the main file (with the defined-strings file) when mainPath is not empty and the messages
    // file (with the same defined-strings file) when messagesPath is not empty. Returns main open.
    bool Open(const char* mainPath, const char* definedStringsPath, const char* messagesPath,
              bool convertEscapes);

    // The first value of key, expanded, cut to outSize - 1 characters. Macro variables are expanded
    // when expand is set and remote-install preparation is off. False when main is not open or the
    // key is missing (out untouched).
    bool GetString(const char* section, const char* key, char* out, DWORD outSize, bool expand = true,
                   DWORD langId = 0, const char* langAbbr = nullptr, const char* langDir = nullptr) const;
    bool GetString(const char* section, const char* key, std::string& out, bool expand = true,
                   DWORD langId = 0, const char* langAbbr = nullptr, const char* langDir = nullptr) const;

    // Every line of section as "key = value" or the bare key, expanded, each ended by a zero byte and
    // the list by an extra zero byte. False (out untouched) for a missing section or when the lines do
    // not fit in kTextSize bytes or in out. With remote-install preparation on: true and out untouched.
    bool GetSectionKeys(const char* section, char* out, DWORD outSize, DWORD langId = 0,
                        const char* langAbbr = nullptr, const char* langDir = nullptr) const;

    // Typed values of the main profile; true when the reader succeeded (out written only then).
    bool GetDword(const char* section, const char* key, DWORD* value) const;
    bool GetSize(const char* section, const char* key, SIZE* value) const;
    bool GetPoint(const char* section, const char* key, POINT* value) const;
    bool GetColor(const char* section, const char* key, DWORD* value) const;
    bool GetRect(const char* section, const char* key, RECT* value) const;

    // The section names of the main profile, separated by spaces.
    bool GetSectionNames(char* buffer, DWORD size) const;
    // True when the main profile has a section of that name (compared without regard to case).
    bool HasSection(const char* name) const;
    // The first candidate of the section hook that exists, copied to out. False (out untouched) when
    // none exists or it does not fit.
    bool ResolveSection(const char* baseName, char* out, DWORD outSize) const;

    // Reload the main profile (with the stored defined-strings path) or the messages profile.
    bool ReloadMain(const char* path);
    bool ReloadMessages(const char* path);

    // Replaces each @NAME@ by the text of NAME in section MESSAGES of the messages profile; a result
    // longer than kTextSize - 1 leaves text unchanged.
    void ExpandMessages(std::string& text) const;

    void SetMacroExpander(MacroExpander expander) { m_macroExpander = std::move(expander); }
    void SetSectionCandidates(SectionCandidates candidates) { m_sectionCandidates = std::move(candidates); }
    // While remote-install preparation is on, texts come back without macro expansion and section
    // line lists are not handed out. The environment sets it on each of its profiles.
    void SetRemoteInstallPreparation(bool on) { m_remoteInstallPreparation = on; }
    bool IsRemoteInstallPreparation() const { return m_remoteInstallPreparation; }

    const CProfile& GetMain() const { return m_main; }
    const CProfile& GetMessages() const { return m_messages; }
    bool IsMainOpen() const { return m_mainOpen; }
    const std::string& GetMainPath() const { return m_mainPath; }
    const std::string& GetMessagesPath() const { return m_messagesPath; }
    const std::string& GetDefinedStringsPath() const { return m_definedStringsPath; }

private:
    std::string ExpandMacros(const std::string& text, DWORD langId, const char* langAbbr,
                             const char* langDir) const;

    CProfile m_main;
    CProfile m_messages;
    std::string m_mainPath;
    std::string m_messagesPath;
    std::string m_definedStringsPath;
    bool m_mainOpen = false;
    bool m_messagesOpen = false;
    bool m_convertEscapes = false;
    bool m_remoteInstallPreparation = false;
    MacroExpander m_macroExpander;
    SectionCandidates m_sectionCandidates;
};
