// Reading one item section and the tests on one item: availability, language, validity, installed
// state and the device check.
#include "base/TextRules.h"
#include "items/Item.h"

#include <winspool.h>

#include <cstring>

#include "base/Text.h"
#include "command/CommandText.h"
#include "command/FilePath.h"
#include "env/FileSystem.h"
#include "env/InstallEnv.h"
#include "env/LanguageInfo.h"
#include "env/Platform.h"
#include "log/Log.h"
#include "registry/Registry.h"

namespace
{
// An item's file counts also while another program writes it.
bool FileExists(const std::string& path)
{
    return SystemCheck::FileExists(path.c_str(), true);
}

// The text keys of step 5 in their reading order; the first four are read platform variant first.
struct TextKey
{
    const char* key;
    std::string ITEM_RECORD::*field;
    bool platformFirst;
};

const TextKey kCommandKeys[] = {
    {"INST_CMD", &ITEM_RECORD::instCmd, true},
    {"UNINST_CMD", &ITEM_RECORD::uninstCmd, true},
    {"REINST_CMD", &ITEM_RECORD::reinstCmd, true},
};

const TextKey kInfKeys[] = {
    {"INF_FILE", &ITEM_RECORD::infFile, true},
    {"INF_9X", &ITEM_RECORD::inf9x, false},
    {"INF_NT", &ITEM_RECORD::infNt, false},
    {"INF_2K", &ITEM_RECORD::inf2k, false},
};

const TextKey kTextKeysBeforeState[] = {
    {"DISPLAY_NAME", &ITEM_RECORD::displayName, false},
    {"TOOLTIP", &ITEM_RECORD::tooltip, false},
    {"COPY_FILE", &ITEM_RECORD::copyFile, false},
    {"UNINST_KEY", &ITEM_RECORD::uninstKey, false},
    {"REINST_KEY", &ITEM_RECORD::reinstKey, false},
};

const TextKey kTextKeysAfterState[] = {
    {"WAIT_FILE", &ITEM_RECORD::waitFile, false},
    {"REG_WAIT_KEY", &ITEM_RECORD::waitRegKey, false},
    {"REG_WAIT_VALUE", &ITEM_RECORD::waitRegValue, false},
};

const TextKey kTextKeysLast[] = {
    {"REG_WAIT_STR_DATA", &ITEM_RECORD::waitRegStrData, false},
    {"CALL_CMD", &ITEM_RECORD::callCmd, false},
    {"PRINTER_NAME", &ITEM_RECORD::printerName, false},
    {"DRIVER_NAME", &ITEM_RECORD::driverName, false},
    {"SHARE_NAME", &ITEM_RECORD::shareName, false},
    {"INF_XP", &ITEM_RECORD::infXp, false},
};
}  // namespace

bool CItem::ReadItemText(const ITEM_RECORD& item, const char* key, std::string& value, bool platformFirst,
                         bool inItemLanguage) const
{
    const CConfigProfile& profile = m_env.GetDataProfile();
    const DWORD langId = inItemLanguage ? item.langId : 0;
    const char* langAbbr = inItemLanguage ? item.langAbbr.c_str() : nullptr;
    const char* langDir = inItemLanguage ? item.langDir.c_str() : nullptr;
    std::string text;
    const std::string& platformKey = m_env.GetOsDefine();
    if (platformFirst && !platformKey.empty() &&
        profile.GetString(item.sectionName.c_str(), PlatformVariantKey(key, platformKey).c_str(), text, true, langId,
                          langAbbr, langDir))
    {
        value = LimitText(text);
        return true;
    }
    if (!profile.GetString(item.sectionName.c_str(), key, text, true, langId, langAbbr, langDir))
    {
        return false;
    }
    value = LimitText(text);
    return true;
}

bool CItem::ReadItem(const std::string& section)
{
    if (section.empty())
    {
        return false;
    }
    auto item = std::make_unique<ITEM_RECORD>();
    item->sectionName = LimitText(section);
    (void)ReadItemText(*item, "ITEM_LANG", item->itemLangSection, false, false);
    if (ReadItemText(*item, "UNSUPPORTED_OS", item->unsupportedOs, false, false) &&
        IsInCommaList(item->unsupportedOs, m_env.GetOsDefine()))
    {
        m_log.Write(" %s is not available in this OS(%s)", item->sectionName.c_str(), m_env.GetOsDefine().c_str());
        return false;
    }
    (void)SetItemLanguage(*item, m_env.GetLanguage().GetLangId());
    ReadItemKeys(*item);
    if (IsInstalled(item->sectionName, item.get(), false))
    {
        item->installed = true;
        m_log.Write("%s is installed", item->displayName.c_str());
    }
    (void)ReadItemText(*item, "DEVICE_STRING", item->deviceString, false, false);
    if (!IsValidToInstall(*item, false))
    {
        m_log.Write("%s item is not available!!", item->displayName.c_str());
        return true;
    }
    m_log.Write("%s item is available!!", item->displayName.c_str());
    ApplyDriverOption(*item);
    m_items.push_back(std::move(item));
    return true;
}

void CItem::ReadItemKeys(ITEM_RECORD& item) const
{
    const CConfigProfile& profile = m_env.GetDataProfile();
    const char* section = item.sectionName.c_str();
    ReadItemCommands(item, false);
    ReadPrinterInfs(item, false);
    for (const TextKey& key : kTextKeysBeforeState)
    {
        (void)ReadItemText(item, key.key, item.*key.field, false, false);
        if (key.field == &ITEM_RECORD::displayName)
        {
            ReadDescriptions(item);
        }
    }
    std::string word;
    if (ReadItemText(item, "DEFAULT_INST_TYPE", word, false, false))
    {
        item.checkState = ParseCheckState(word, nullptr);
    }
    DWORD number = 0;
    if (profile.GetDword(section, "SUCCESS_RET_VAL", &number))
    {
        item.successReturn = static_cast<int>(number);
    }
    for (const TextKey& key : kTextKeysAfterState)
    {
        (void)ReadItemText(item, key.key, item.*key.field, false, false);
    }
    if (profile.GetDword(section, "REG_WAIT_INT_DATA", &number))
    {
        item.waitRegIntData = number;
    }
    for (const TextKey& key : kTextKeysLast)
    {
        (void)ReadItemText(item, key.key, item.*key.field, false, false);
    }
    item.defaultPrinter = profile.GetDword(section, "DEFAULT_PRINTER", &number) && static_cast<int>(number) > 0;
    item.sharePrinter = profile.GetDword(section, "SHARE_PRINTER", &number) && static_cast<int>(number) > 0;
    if (profile.GetDword(section, "INDEX", &number))
    {
        item.printerIndex = static_cast<int>(number);
    }
}

void CItem::ReadDescriptions(ITEM_RECORD& item) const
{
    std::string description;
    const bool hasDescription = ReadItemText(item, "DESCRIPTION", description, false, false);
    const struct
    {
        const char* key;
        std::string ITEM_RECORD::*field;
    } descriptions[] = {{"INST_DESC", &ITEM_RECORD::installDesc},
                        {"REMOVE_DESC", &ITEM_RECORD::removeDesc},
                        {"REPAIR_DESC", &ITEM_RECORD::repairDesc}};
    for (const auto& each : descriptions)
    {
        if (!ReadItemText(item, each.key, item.*each.field, false, false) && hasDescription)
        {
            item.*each.field = description;
        }
    }
}

void CItem::ReadItemCommands(ITEM_RECORD& item, bool inItemLanguage) const
{
    for (const TextKey& key : kCommandKeys)
    {
        (void)ReadItemText(item, key.key, item.*key.field, key.platformFirst, inItemLanguage);
    }
}

void CItem::ReadPrinterInfs(ITEM_RECORD& item, bool inItemLanguage) const
{
    for (const TextKey& key : kInfKeys)
    {
        (void)ReadItemText(item, key.key, item.*key.field, key.platformFirst, inItemLanguage);
    }
}

void CItem::ApplyDriverOption(const ITEM_RECORD& item)
{
    if (!m_env.GetOptions().ovraPresent && SystemUpper(item.driverName).find(" PCL") != std::string::npos)
    {
        m_env.SetOvraOption(true);
        m_log.Write("OVRA Option is ON");
    }
}

bool CItem::SetItemLanguage(ITEM_RECORD& item, WORD langId) const
{
    const CLanguageInfo& language = m_env.GetLanguage();
    WORD chosen = langId;
    if (!item.itemLangSection.empty())
    {
        const WORD system = language.GetSystemLangId();
        const WORD candidates[] = {langId, static_cast<WORD>(langId & 0x3FF), system,
                                   static_cast<WORD>(system & 0x3FF)};
        for (WORD candidate : candidates)
        {
            DWORD value = 0;
            const std::string key = FormatText("0X%04X", candidate);
            if (m_env.GetDataProfile().GetDword(item.itemLangSection.c_str(), key.c_str(), &value))
            {
                chosen = static_cast<WORD>(value);
                break;
            }
        }
    }
    item.langId = chosen;
    item.langAbbr = LimitText(language.LookupLanguageText(chosen, CLanguageInfo::kAbbrSection), kItemLanguageTextMax);
    item.langDir = LimitText(language.LookupLanguageText(chosen, CLanguageInfo::kDirSection), kItemLanguageTextMax);
    return true;
}

int CItem::ParseCheckState(const std::string& word, const ITEM_RECORD* item) const
{
    if (!IsDeviceCheckWord(word))
    {
        return CheckStateFromWord(word);
    }
    if (item == nullptr || item->deviceString.empty())
    {
        return CHECK_UNCHK;
    }
    std::string deviceId;
    if (!QueryDeviceId(deviceId))
    {
        return CHECK_UNCHK;
    }
    return DeviceCheckState(deviceId, m_env.GetMfg(), m_env.GetMdl(), item->deviceString);
}

bool CItem::QueryDeviceId(std::string& deviceId) const
{
    const CExternalFnt& external = m_env.GetExternalFnt();
    std::string id;
    if (!m_env.GetIp().empty())
    {
        if (external.MyGetPrinterDesc(m_env.GetIp().c_str(), &id, m_env.GetOptions().usePublicOid) != 0)
        {
            return false;
        }
    }
    else if (!m_env.GetPort().empty() && m_env.IsDeviceFound())
    {
        if (!external.MyGetDeviceIDFromPort(m_env.GetPort().c_str(), &id))
        {
            return false;
        }
    }
    else
    {
        std::vector<std::string> ports;
        int count = 0;
        (void)external.GetDevicePort(m_env.GetMfgBuffer(), m_env.GetMdlBuffer(), m_env.GetVidPidBuffer(), &ports,
                                     &count);
        if (count == 0 || ports.empty() || !external.MyGetDeviceIDFromPort(ports[0].c_str(), &id))
        {
            return false;
        }
    }
    if (id.empty())
    {
        return false;
    }
    deviceId = id;
    return true;
}

bool CItem::IsValidToInstall(ITEM_RECORD& item, bool checkOnly)
{
    if (item.infFile.empty() && item.instCmd.empty() && item.displayName.empty())
    {
        m_log.Write("%s item is invalid because inf, install command and display name are empty",
                    item.sectionName.c_str());
        return false;
    }
    if (!item.infFile.empty() && FileExists(item.infFile))
    {
        if (!item.instCmd.empty() && FileExists(item.instCmd))
        {
            return true;
        }
        return ResolveInfItem(item, checkOnly);
    }
    if (!item.instCmd.empty() && FileExists(item.instCmd))
    {
        return true;
    }
    m_log.Write("[%s] Inf name[%s] and installation command[%s] are invalid!!!", item.displayName.c_str(),
                item.infFile.c_str(), item.instCmd.c_str());
    return false;
}

bool CItem::IsValidToUninstall(ITEM_RECORD& item, bool checkOnly)
{
    (void)checkOnly;                                          // the INF resolution here only tests
    m_log.Write("Verify Uninstall Item(%s)", item.displayName.c_str());
    m_log.Write("Inf[%s],UninstallCmd[%s],Uninstallkey[%s],Display Name[%s]", item.infFile.c_str(),
                item.uninstCmd.c_str(), item.uninstKey.c_str(), item.displayName.c_str());
    if (item.infFile.empty() && item.uninstCmd.empty() && item.uninstKey.empty() && item.displayName.empty())
    {
        return false;
    }
    if (FileExists(item.infFile))
    {
        return (!item.uninstCmd.empty() && FileExists(item.uninstCmd)) || ResolveInfItem(item, true);
    }
    if (FileExists(item.uninstCmd))
    {
        return true;
    }
    std::string value;
    return !item.uninstKey.empty() && ReadUninstallInfo(m_env.GetUninstallInfoKey(), item.uninstKey, value) &&
           !value.empty();
}

bool CItem::IsInstalled(const std::string& section, const ITEM_RECORD* item, bool printerTest) const
{
    if (item == nullptr)
    {
        item = GetItemAt(FindItem(section));
        if (item == nullptr)
        {
            return false;
        }
    }
    if (!item->driverName.empty())
    {
        return IsPrinterDriverPresent(item->driverName, printerTest);
    }
    if (!item->uninstKey.empty())
    {
        std::string value;
        return ReadUninstallInfo(m_env.GetUninstallInfoKey(), item->uninstKey, value);
    }
    DWORD installNow = 0;
    return m_history.ReadInstallNow(m_env.GetInstalledKey(), item->sectionName, &installNow) && installNow == 2;
}

bool CItem::IsPrinterDriverPresent(const std::string& driverName, bool printerTest) const
{
    const DWORD level = printerTest ? 2 : 1;
    DWORD needed = 0;
    DWORD count = 0;
    if (printerTest)
    {
        (void)::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, level, nullptr, 0, &needed, &count);
    }
    else
    {
        (void)::EnumPrinterDriversA(nullptr, nullptr, level, nullptr, 0, &needed, &count);
    }
    if (needed == 0)
    {
        return false;
    }
    std::vector<BYTE> buffer(needed);
    const BOOL listed = printerTest
                            ? ::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, level, buffer.data(), needed, &needed, &count)
                            : ::EnumPrinterDriversA(nullptr, nullptr, level, buffer.data(), needed, &needed, &count);
    if (!listed)
    {
        return false;
    }
    for (DWORD index = 0; index < count; ++index)
    {
        const char* name = printerTest ? reinterpret_cast<PRINTER_INFO_2A*>(buffer.data())[index].pDriverName
                                       : reinterpret_cast<DRIVER_INFO_1A*>(buffer.data())[index].pName;
        if (name != nullptr && EqualsAsciiNoCase(name, driverName))
        {
            return true;
        }
    }
    return false;
}

bool CItem::ReadParameters(ITEM_RECORD& item, const std::string& section) const
{
    std::vector<char> buffer(CConfigProfile::kTextSize, '\0');
    if (!m_env.GetDataProfile().GetSectionKeys(section.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                               item.langId, item.langAbbr.c_str(), item.langDir.c_str()))
    {
        return false;
    }
    buffer.back() = '\0';
    std::vector<std::string> lines;
    for (const char* line = buffer.data(); *line != '\0'; line += std::strlen(line) + 1)
    {
        lines.emplace_back(line);
    }
    // Read afresh each time the history is written, so a second write does not append them twice.
    ITEM_RECORD fresh;
    item.instParam.swap(fresh.instParam);
    item.uninstParam.swap(fresh.uninstParam);
    item.reinstParam.swap(fresh.reinstParam);
    item.instParam2.swap(fresh.instParam2);
    item.uninstParam2.swap(fresh.uninstParam2);
    item.reinstParam2.swap(fresh.reinstParam2);
    item.instParam2Given = item.uninstParam2Given = item.reinstParam2Given = false;
    ApplyParameterLines(lines, item);
    return true;
}
