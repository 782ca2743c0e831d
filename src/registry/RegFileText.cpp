#include "registry/RegFileText.h"

#include <cstring>

#include "base/Text.h"
#include "base/TextRules.h"
#include "registry/KeyPath.h"

namespace
{
struct RootEntry
{
    HKEY root;
    const char* name;
};

const RootEntry kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
    {HKEY_DYN_DATA, "HKEY_DYN_DATA"},
};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
    {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f')
    {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F')
    {
        return c - 'A' + 10;
    }
    return 0;
}
}  // namespace

const char* RegRootName(HKEY root)
{
    for (const RootEntry& entry : kRoots)
    {
        if (entry.root == root)
        {
            return entry.name;
        }
    }
    return nullptr;
}

void SplitRegSection(const std::string& section, HKEY* root, std::string* path)
{
    const size_t separator = FindFirstKeySeparator(section);
    if (separator != std::string::npos)
    {
        const std::string prefix = section.substr(0, separator);
        for (const RootEntry& entry : kRoots)
        {
            if (EqualsAsciiNoCase(prefix, entry.name))
            {
                *root = entry.root;
                *path = section.substr(separator + 1);
                return;
            }
        }
    }
    *root = HKEY_LOCAL_MACHINE;
    *path = section;
}

std::string FormatRegValueLine(const char* name, DWORD type, const BYTE* data)
{
    switch (type)
    {
    case REG_SZ:
        return FormatText("\"%s\" = \"%s\"", name, reinterpret_cast<const char*>(data));
    case REG_DWORD:
    {
        DWORD number = 0;
        std::memcpy(&number, data, sizeof(number));
        return FormatText("\"%s\" = %s:%08lx", name, "dword", static_cast<unsigned long>(number));
    }
    case REG_BINARY:
        return FormatText("\"%s\" = %s:", name, "hex");
    default:
        return std::string();
    }
}

RegFileValue ParseRegValueLine(const std::string& key, const std::string& value)
{
    RegFileValue parsed;
    parsed.name = Trim(key, " \t\"");
    const std::string text = Trim(value, " \t");
    if (!text.empty() && text.front() == '"' && text.back() == '"')
    {
        parsed.kind = RegFileValue::kString;
        parsed.text = Trim(text, "\"");
        return parsed;
    }
    const size_t colon = text.find(':');
    if (colon == std::string::npos)
    {
        return parsed;                                        // kInvalid
    }
    const std::string tag = text.substr(0, colon);
    if (EqualsAsciiNoCase(tag, "dword"))
    {
        parsed.kind = RegFileValue::kDword;
        parsed.number = ParseRegHexDword(Trim(text.substr(colon + 1), " \t\""));
    }
    else if (EqualsAsciiNoCase(tag, "hex"))
    {
        parsed.kind = RegFileValue::kIgnored;
    }
    return parsed;
}

DWORD ParseRegHexDword(const std::string& digits)
{
    DWORD number = 0;
    const size_t count = digits.size() < 8 ? digits.size() : 8;
    for (size_t i = 0; i < count; ++i)
    {
        number |= static_cast<DWORD>(HexDigit(digits[digits.size() - 1 - i])) << (4 * i);
    }
    return number;
}
