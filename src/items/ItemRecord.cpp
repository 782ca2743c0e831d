#include "items/ItemRecord.h"

#include "base/Text.h"
#include "base/TextRules.h"
#include "command/CommandText.h"
#include "command/FilePath.h"

namespace
{
constexpr size_t kMinParameterLine = 12;                      // shorter lines cannot carry a parameter

struct ParameterField
{
    const char* name;
    std::string ITEM_RECORD::*text;
    bool ITEM_RECORD::*given;                                 // null for the primary parameters
};

const ParameterField kParameterFields[] = {
    {"INST_PARAM", &ITEM_RECORD::instParam, nullptr},
    {"UNINST_PARAM", &ITEM_RECORD::uninstParam, nullptr},
    {"REINST_PARAM", &ITEM_RECORD::reinstParam, nullptr},
    {"INST_PARAM2", &ITEM_RECORD::instParam2, &ITEM_RECORD::instParam2Given},
    {"UNINST_PARAM2", &ITEM_RECORD::uninstParam2, &ITEM_RECORD::uninstParam2Given},
    {"REINST_PARAM2", &ITEM_RECORD::reinstParam2, &ITEM_RECORD::reinstParam2Given},
};

bool Contains(const std::string& text, const char* word)
{
    return text.find(word) != std::string::npos;
}

void AppendLimited(std::string& field, const std::string& text)
{
    if (field.size() < kItemTextMax)
    {
        field.append(text, 0, kItemTextMax - field.size());
    }
}
}  // namespace

std::string LimitText(const std::string& text, size_t max)
{
    return text.size() > max ? text.substr(0, max) : text;
}

int CheckStateFromWord(const std::string& word)
{
    static const struct
    {
        const char* word;
        int state;
    } kWords[] = {{"NO", CHECK_NO},       {"ALL", CHECK_ALL},         {"CHK", CHECK_CHK},
                  {"UNCHK", CHECK_UNCHK}, {"GRAYCHK", CHECK_GRAYCHK}, {"DEVCHK", CHECK_UNCHK}};
    const std::string upper = SystemUpper(word);
    for (const auto& entry : kWords)
    {
        if (upper == entry.word)
        {
            return entry.state;
        }
    }
    return CHECK_NO;
}

bool IsDeviceCheckWord(const std::string& word)
{
    return SystemUpper(word) == "DEVCHK";
}

bool IsSelectingCheckState(int checkState)
{
    return checkState == CHECK_ALL || checkState == CHECK_CHK || checkState == CHECK_GRAYCHK;
}

int DeviceCheckState(const std::string& deviceId, const std::string& mfg, const std::string& mdl,
                     const std::string& deviceString)
{
    const std::string id = SystemUpper(deviceId);
    const bool matches = Contains(id, SystemUpper(mfg).c_str()) && Contains(id, SystemUpper(mdl).c_str()) &&
                         Contains(id, SystemUpper(deviceString).c_str());
    return matches ? CHECK_CHK : CHECK_NO;
}

void ApplyParameterLines(const std::vector<std::string>& lines, ITEM_RECORD& item)
{
    for (const std::string& line : lines)
    {
        const size_t equals = line.find('=');
        if (equals == std::string::npos || line.size() < kMinParameterLine || equals + 1 >= line.size())
        {
            continue;
        }
        const std::string name = SystemUpper(Trim(line.substr(0, equals)));
        const std::string value = Trim(line.substr(equals + 1));
        for (const ParameterField& field : kParameterFields)
        {
            if (name == field.name)
            {
                AppendLimited(item.*field.text, value + " ");
                if (field.given != nullptr)
                {
                    item.*field.given = true;
                }
            }
        }
    }
    for (const ParameterField& field : kParameterFields)
    {
        std::string& text = item.*field.text;
        if (field.given == nullptr && !text.empty() && text[text.size() - 1] == ' ')
        {
            text.erase(text.size() - 1);
        }
    }
}

int ItemFilterFromText(const std::string& itemType)
{
    const std::string upper = SystemUpper(itemType);
    int filter = 0;
    if (Contains(upper, "NORMAL"))
    {
        filter = 0;
    }
    else if (Contains(upper, "NOT_INST"))
    {
        filter = 2;
    }
    else if (Contains(upper, "INST"))
    {
        filter = 1;
    }
    else if (Contains(upper, "ALL"))
    {
        filter = 3;
    }
    if (Contains(upper, "UNCHK"))
    {
        filter |= kFilterForcedUnchecked;
    }
    else if (Contains(upper, "CHK"))
    {
        filter |= kFilterForcedChecked;
    }
    if (Contains(upper, "TYPE_INST"))
    {
        filter |= 0;
    }
    else if (Contains(upper, "TYPE_UNIN"))
    {
        filter |= kFilterUninstallList;
    }
    else if (Contains(upper, "TYPE_REIN"))
    {
        filter |= kFilterReinstallList;
    }
    return filter;
}

int ListStateForItem(int checkState, bool installed, int filter)
{
    const int forcedBits = filter & kFilterForcedMask;
    const int forced = forcedBits == kFilterForcedUnchecked ? LIST_UNCHECKED
                       : forcedBits == kFilterForcedChecked ? LIST_CHECKED
                                                            : LIST_NOT_LISTED;
    const int installedFilter = filter & kFilterInstalledMask;
    if ((installedFilter == 1 && !installed) || (installedFilter == 2 && installed))
    {
        return LIST_NOT_LISTED;
    }
    if (installedFilter >= 1 && installedFilter <= 3 && forced != LIST_NOT_LISTED)
    {
        return forced;
    }
    switch (checkState)
    {
    case CHECK_NO:
    case CHECK_ALL:
        return LIST_NOT_LISTED;
    case CHECK_CHK:
        return LIST_CHECKED;
    case CHECK_GRAYCHK:
        return LIST_CHECKED_FIXED;
    default:
        return LIST_UNCHECKED;
    }
}

std::string FormatDescription(const std::string& description, const std::string& displayName)
{
    std::string result;
    for (size_t at = 0; at < description.size(); ++at)
    {
        if (description[at] == '%' && at + 1 < description.size() && description[at + 1] == 's')
        {
            result += displayName;
            ++at;
        }
        else
        {
            result += description[at];
        }
    }
    return LimitText(result);
}

std::string RemoveSwitch(const std::string& parameter, const char* switchText)
{
    const std::string upper = SystemUpper(parameter);
    const size_t at = upper.find(switchText);
    if (at == std::string::npos)
    {
        return parameter;
    }
    std::string result = parameter.substr(0, at);
    const size_t next = parameter.find('/', at + 1);
    if (next != std::string::npos)
    {
        result += parameter.substr(next - 1);                 // next > at, so next - 1 >= at
    }
    return result;
}

std::string AddModelSwitch(const std::string& parameter, int printerIndex, const std::string& driverName)
{
    if (printerIndex == -1)
    {
        if (driverName.empty())
        {
            return parameter;
        }
        return LimitText(RemoveSwitch(parameter, "/O") + " /O \"" + Trim(driverName, " \t\"") + "\"");
    }
    return LimitText(RemoveSwitch(parameter, "/I") + FormatText(" /I %d", printerIndex));
}

std::string ReplacePortSwitch(const std::string& parameter, const std::string& port)
{
    return LimitText(RemoveSwitch(parameter, "/P") + " /P\"" + port + "\"");
}

std::string PlatformVariantKey(const std::string& key, const std::string& platformKey)
{
    return FormatText("%s.%s", key.c_str(), platformKey.c_str());
}
