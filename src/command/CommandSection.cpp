#include "command/CommandSection.h"

#include <cstring>
#include <optional>

#include "command/CommandEnv.h"
#include "command/CommandText.h"
#include "profile/ConfigProfile.h"

namespace
{
std::optional<std::string> ReadOptional(const CConfigProfile& profile, const char* section, const char* key)
{
    std::string value;
    if (!profile.GetString(section, key, value))
    {
        return std::nullopt;
    }
    return value;
}
}  // namespace

bool ReadSectionLines(const CConfigProfile& profile, const char* section, std::vector<std::string>& lines)
{
    // Zeroed first: while remote-install preparation is on the reader succeeds without writing.
    std::vector<char> buffer(CConfigProfile::kTextSize, '\0');
    if (!profile.GetSectionKeys(section, buffer.data(), static_cast<DWORD>(buffer.size())))
    {
        return false;
    }
    buffer.back() = '\0';
    lines.clear();
    for (const char* line = buffer.data(); *line != '\0'; line += std::strlen(line) + 1)
    {
        lines.emplace_back(line);
    }
    return true;
}

bool CommandSectionApplies(const CCommandEnv& env, const char* section)
{
    const CConfigProfile& profile = env.GetCommandProfile();
    SectionConditions conditions;
    conditions.supportedOs = ReadOptional(profile, section, "SUPPORTED_OS");
    conditions.unsupportedOs = ReadOptional(profile, section, "UNSUPPORTED_OS");
    conditions.supportedLang = ReadOptional(profile, section, "SUPPORTED_LANG");
    conditions.unsupportedLang = ReadOptional(profile, section, "UNSUPPORTED_LANG");
    return SectionApplies(conditions, env.GetOsDefine(), env.GetLangAbbr());
}
