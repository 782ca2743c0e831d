// INF items: the item types of ITEM_TYPE_INFO and the commands and parameters an INF item gets from
// the item type of its INF's device class.
#include "base/TextRules.h"
#include "items/Item.h"

#include "command/CommandSection.h"
#include "command/CommandText.h"
#include "command/FilePath.h"
#include "env/FileSystem.h"
#include "env/InstallEnv.h"
#include "log/Log.h"

namespace
{
bool InstallerExists(const std::string& path)
{
    return SystemCheck::IsFile(path);
}
}  // namespace

bool CItem::ReadItemTypes()
{
    m_itemTypes.clear();
    std::vector<std::string> entries;
    if (!ReadSectionLines(m_env.GetDataProfile(), "ITEM_TYPE_INFO", entries))
    {
        return true;
    }
    for (const std::string& entry : entries)
    {
        ItemTypeRecord type;
        const std::string section = Trim(entry);
        if (!section.empty() && ReadItemType(section, type))
        {
            m_itemTypes.push_back(std::move(type));
        }
    }
    return true;
}

bool CItem::ReadItemType(const std::string& section, ItemTypeRecord& type) const
{
    const CConfigProfile& profile = m_env.GetDataProfile();
    const std::string& platformKey = m_env.GetOsDefine();
    auto read = [&](const char* key, bool platformFirst, bool expand, std::string& value) {
        std::string text;
        if ((platformFirst && !platformKey.empty() &&
             profile.GetString(section.c_str(), PlatformVariantKey(key, platformKey).c_str(), text, expand)) ||
            profile.GetString(section.c_str(), key, text, expand))
        {
            value = LimitText(text);
        }
    };
    read("CLASS", false, true, type.className);
    read("INSTALLER", true, true, type.installer);
    read("INST_PARAM", true, false, type.instParam);
    read("UNINST_PARAM", true, false, type.uninstParam);
    read("REINST_PARAM", true, false, type.reinstParam);
    return !type.className.empty() && !type.installer.empty() && InstallerExists(type.installer);
}

std::string CItem::ExpandInItemLanguage(const std::string& text, const ITEM_RECORD& item) const
{
    return LimitText(m_env.ExpandMacros(text, item.langId, item.langAbbr, item.langDir));
}

bool CItem::ResolveInfItem(ITEM_RECORD& item, bool checkOnly)
{
    if (item.infFile.empty())
    {
        m_log.Write("Invalid Inf File Name [%s]", item.displayName.c_str());
        return false;
    }
    std::string className;
    if (!m_infInfo.GetClass(item.infFile, className))
    {
        m_log.Write("Get Class Name from %s Inf file fail [%s]", item.infFile.c_str(), item.displayName.c_str());
        return false;
    }
    className = SystemUpper(className);
    const std::string& sourceDir = m_env.GetSourceDir();
    const std::string& destDir = m_env.GetDestInstallDir();
    item.destInfPath = LimitText(ReplaceSourceDirectory(item.infFile, sourceDir, destDir));
    const ItemTypeRecord* type = nullptr;
    for (const ItemTypeRecord& candidate : m_itemTypes)
    {
        if (EqualsAsciiNoCase(candidate.className, className))
        {
            type = &candidate;
            break;
        }
    }
    if (type == nullptr)
    {
        m_log.Write("there is no matched inf installer section [%s]", item.infFile.c_str());
        return false;
    }
    if (!checkOnly)
    {
        auto parameter = [&](const std::string& templateText) {
            std::string text = ExpandInItemLanguage(SubstituteInfWords(templateText, item.infFile, item.destInfPath),
                                                    item);
            return item.driverName.empty() ? text : AddModelSwitch(text, item.printerIndex, item.driverName);
        };
        const std::string installer = LimitText(ReplaceSourceDirectory(type->installer, sourceDir, destDir));
        item.instCmd = installer;
        item.uninstCmd = installer;
        item.instParam = parameter(type->instParam);
        item.uninstParam = parameter(type->uninstParam);
        if (!type->reinstParam.empty())
        {
            item.reinstCmd = installer;
            item.reinstParam = parameter(type->reinstParam);
        }
    }
    item.infItem = true;
    return true;
}
