#include "env/Macros.h"

#include <cstdio>
#include <cstring>

namespace
{
std::string HexId(std::uint16_t id)
{
    char text[8] = {};
    std::snprintf(text, sizeof(text), "%04X", static_cast<unsigned>(id));
    return text;
}

const std::string& Preferred(const std::string& override, const std::string& current)
{
    return override.empty() ? current : override;
}

// Replaces every occurrence at once: the scan goes on after each inserted value, so a value is never
// searched again by the macro that inserted it.
void ReplaceAll(std::string& text, const char* name, const std::string& value)
{
    const size_t nameLength = std::strlen(name);
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + value.size()))
    {
        text.replace(at, nameLength, value);
    }
}
}  // namespace

std::string ExpandMacros(const std::string& text, const MacroValues& values, const MacroOverrides& overrides)
{
    if (text.find('$') == std::string::npos)
    {
        return text;
    }
    const std::string installed = values.installed ? "1" : "0";
    const std::string notInstalled = values.installed ? "0" : "1";
    // The order matters: a value inserted by one row is examined by the rows after it only.
    const struct
    {
        const char* name;
        std::string value;
    } macros[] = {
        {"$LANG_ABBR$", Preferred(overrides.langAbbr, values.langAbbr)},
        {"$ORG_LANG_ABBR$", values.orgLangAbbr},
        {"$SRC_DIR$", values.srcDir},
        {"$DEST_DIR$", values.destDir},
        {"$DEST_INST_DIR$", values.destDir + "\\Install"},
        {"$WIN_DIR$", values.winDir},
        {"$SYS_DIR$", values.sysDir},
        {"$INF_DIR$", values.winDir + "\\Inf"},
        {"$OS_DIR$", values.osDir},
        {"$PROGRAM_FILES_DIR$", values.programFilesDir},
        {"$LANG_DIR$", Preferred(overrides.langDir, values.langDir)},
        {"$ORG_LANG_DIR$", values.orgLangDir},
        {"$DATA_FILE$", values.dataFile},
        {"$CONFIG_FILE$", values.configFile},
        {"$STRING_FILE$", values.stringFile},
        {"$VERSION$", values.version},
        {"$INSTALLER_EXE$", values.applicationName + ".exe"},
        {"$IP$", values.ip},
        {"$STRING_FILE_NAME$", PathText::NamePart(values.stringFile, values.isLeadByte)},
        {"$PORT$", values.port},
        {"$LCID$", HexId(overrides.langId != 0 ? overrides.langId : values.langId)},
        {"$ORG_LCID$", HexId(values.orgLangId)},
        {"$BOOL_INSTALLED$", installed},
        {"$BOOL_!INSTALLED$", notInstalled},
    };

    std::string expanded = text;
    for (const auto& macro : macros)
    {
        ReplaceAll(expanded, macro.name, macro.value);
    }
    return expanded;
}

bool ExpandMacros(const char* text, const MacroValues& values, const MacroOverrides& overrides, char* buffer,
                  size_t size)
{
    if (buffer == nullptr || size == 0)
    {
        return false;
    }
    const std::string expanded = ExpandMacros(std::string(text != nullptr ? text : ""), values, overrides);
    const size_t copied = expanded.size() < size ? expanded.size() : size - 1;
    std::memcpy(buffer, expanded.data(), copied);
    buffer[copied] = '\0';
    return copied == expanded.size();
}
