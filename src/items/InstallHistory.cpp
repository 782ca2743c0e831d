#include "items/InstallHistory.h"

#include <algorithm>
#include <cstring>

#include "base/Text.h"
#include "base/TextRules.h"
#include "command/CommandSection.h"
#include "command/CommandText.h"
#include "command/FilePath.h"
#include "env/InstallEnv.h"
#include "env/Platform.h"
#include "items/UninstallRecords.h"
#include "registry/Registry.h"

namespace
{
void WriteText(const std::string& key, const char* name, const std::string& text)
{
    (void)CRegistry::SetValue(key.c_str(), name, text.c_str(), HKEY_LOCAL_MACHINE);
}

void WriteTextIfAny(const std::string& key, const char* name, const std::string& text)
{
    if (!text.empty())
    {
        WriteText(key, name, text);
    }
}

void WriteNumber(const std::string& key, const char* name, DWORD value)
{
    (void)CRegistry::SetValue(key.c_str(), name, value, HKEY_LOCAL_MACHINE);
}

bool ReadText(const std::string& key, const char* name, std::string& text)
{
    return ReadRegistryText(HKEY_LOCAL_MACHINE, key.c_str(), name, text) == ERROR_SUCCESS;
}

bool ReadNumber(const std::string& key, const char* name, DWORD* value)
{
    return CRegistry::GetValue(key.c_str(), name, value, HKEY_LOCAL_MACHINE) == ERROR_SUCCESS;
}

std::string ReadProfileText(const CConfigProfile& profile, const std::string& section, const char* key,
                            bool* present = nullptr)
{
    std::string value;
    const bool found = profile.GetString(section.c_str(), key, value);
    if (present != nullptr)
    {
        *present = found;
    }
    return found ? LimitText(value) : std::string();
}

// A number key: written when present, otherwise the default when one is given.
DWORD ReadProfileNumber(const CConfigProfile& profile, const std::string& section, const char* key,
                        DWORD defaultValue, bool* present = nullptr)
{
    DWORD value = defaultValue;
    const bool found = profile.GetDword(section.c_str(), key, &value);
    if (present != nullptr)
    {
        *present = found;
    }
    return found ? value : defaultValue;
}

// The entries of a list section: each line trimmed; empty lines dropped.
bool ReadEntries(const CConfigProfile& profile, const char* section, std::vector<std::string>& entries)
{
    std::vector<std::string> lines;
    if (!ReadSectionLines(profile, section, lines))
    {
        return false;
    }
    entries.clear();
    for (const std::string& line : lines)
    {
        const std::string entry = Trim(line);
        if (!entry.empty())
        {
            entries.push_back(entry);
        }
    }
    return true;
}
}  // namespace

std::string ItemRecordKey(const std::string& root, const std::string& section)
{
    return FormatText("%s\\Items\\%s", root.c_str(), section.c_str());
}

std::string CopyFileRecordKey(const std::string& root, const std::string& section)
{
    return FormatText("%s\\CopyFiles\\%s", root.c_str(), section.c_str());
}

bool ReadUninstallInfo(const std::string& uninstallInfoKey, const std::string& valueName, std::string& text)
{
    std::vector<BYTE> data;
    DWORD type = REG_NONE;
    if (CRegistry::GetRawValue(uninstallInfoKey.c_str(), valueName.c_str(), HKEY_LOCAL_MACHINE, data, &type) !=
        ERROR_SUCCESS)
    {
        return false;
    }
    if (type == REG_DWORD && data.size() >= sizeof(DWORD))
    {
        DWORD number = 0;
        std::memcpy(&number, data.data(), sizeof(number));
        text = FormatText("%lu", static_cast<unsigned long>(number));
        return true;
    }
    return ReadText(uninstallInfoKey, valueName.c_str(), text);
}

std::string ShortcutRecordKey(const std::string& root, const std::string& section)
{
    return FormatText("%s\\Shortcut\\%s", root.c_str(), section.c_str());
}

std::string FailureListKey(const std::string& root)
{
    return FormatText("%s\\InstallFail", root.c_str());
}

std::string ShortcutStartIn(const std::string& target)
{
    return WorkingDirectoryOf(target, IsSystemLeadByte);
}

CInstallHistory::CInstallHistory(CLog& log, CInstallEnv& env) : m_log(log), m_env(env)
{
}

bool CInstallHistory::WriteItemValues(const ITEM_RECORD& item, const DriverInstallerArguments* printerArguments)
{
    if (item.sectionName.empty())
    {
        return false;
    }
    const std::string key = ItemRecordKey(m_env.GetInstallingKey(), item.sectionName);
    WriteText(key, "Item_Name", item.sectionName);
    WriteTextIfAny(key, "InstCmd", item.instCmd);
    WriteTextIfAny(key, "UninstCmd", item.uninstCmd);
    WriteTextIfAny(key, "ReinstCmd", item.reinstCmd);
    WriteParameters(key, item, printerArguments);
    WriteTextIfAny(key, "Uninstall_Value_Name", item.uninstKey);
    WriteTextIfAny(key, "Reinstall_Value_Name", item.reinstKey);
    WriteNumber(key, "LangCode", item.langId);
    WriteTextIfAny(key, "LangAbbr", item.langAbbr);
    WriteTextIfAny(key, "WaitFile", item.waitFile);
    WriteTextIfAny(key, "WaitRegKey", item.waitRegKey);
    WriteTextIfAny(key, "WaitRegValue", item.waitRegValue);
    WriteTextIfAny(key, "WaitRegStrData", item.waitRegStrData);
    if (item.waitRegIntData != kWaitRegIntNotGiven)
    {
        WriteNumber(key, "WaitRegIntData", item.waitRegIntData);
    }
    WriteNumber(key, "Success_Return", static_cast<DWORD>(item.successReturn));
    if (item.selected)
    {
        m_log.Write("%s item is checked!!", item.displayName.c_str());
        WriteNumber(key, "InstallNow", 1);
    }
    if (!item.driverName.empty())
    {
        WritePrinterValues(key, item);
    }
    return true;
}

void CInstallHistory::WriteParameters(const std::string& key, const ITEM_RECORD& item,
                                      const DriverInstallerArguments* printerArguments) const
{
    bool installWritten = false;
    bool uninstallWritten = false;
    if (m_env.GetOptions().autoPrinterCommand && !item.printerName.empty() && printerArguments != nullptr)
    {
        if (!printerArguments->installSwitches.empty())
        {
            WriteText(key, "InstParam", LimitText(printerArguments->installSwitches + " " + item.instParam));
            installWritten = true;
        }
        if (!printerArguments->uninstallArgument.empty())
        {
            WriteText(key, "UninstParam", LimitText(printerArguments->uninstallArgument + " " + item.uninstParam));
            uninstallWritten = true;
        }
    }
    const struct
    {
        const char* name;
        bool done;
        const std::string& primary;
        const std::string& alternate;
        bool alternateGiven;
    } kinds[] = {{"InstParam", installWritten, item.instParam, item.instParam2, item.instParam2Given},
                 {"UninstParam", uninstallWritten, item.uninstParam, item.uninstParam2, item.uninstParam2Given},
                 {"ReinstParam", false, item.reinstParam, item.reinstParam2, item.reinstParam2Given}};
    for (const auto& kind : kinds)
    {
        if (kind.done)
        {
            continue;
        }
        if (m_alternateParameter && kind.alternateGiven)
        {
            WriteText(key, kind.name, kind.alternate);
        }
        else
        {
            WriteTextIfAny(key, kind.name, kind.primary);
        }
    }
}

void CInstallHistory::WritePrinterValues(const std::string& key, const ITEM_RECORD& item) const
{
    WriteText(key, "Driver_Name", item.driverName);
    WriteNumber(key, "Printer", 1);
    WriteTextIfAny(key, "Printer_Name", item.printerName);
    if (item.defaultPrinter)
    {
        WriteText(m_env.GetInstallingKey(), "Default_Printer", item.printerName);
    }
    WriteTextIfAny(key, "Inf_Path", item.infFile);
    WriteTextIfAny(key, "Win_9x_Inf", item.inf9x);
    WriteTextIfAny(key, "Win_NT_Inf", item.infNt);
    WriteTextIfAny(key, "Win_2K_Inf", item.inf2k);
    WriteTextIfAny(key, "Share_Name", item.shareName);
    WriteNumber(key, "Share", item.sharePrinter ? 1 : 0);
}

void CInstallHistory::WriteInstallParameter(const std::string& section, const std::string& parameter)
{
    WriteText(ItemRecordKey(m_env.GetInstallingKey(), section), "InstParam", LimitText(parameter));
}

bool CInstallHistory::WriteCopyFileRecord(const std::string& sectionName)
{
    const CConfigProfile& profile = m_env.GetCommandProfile();
    std::string name = Trim(sectionName);
    const std::string variant = PlatformVariantKey(name, m_env.GetOsDefine());
    if (!m_env.GetOsDefine().empty() && profile.HasSection(variant.c_str()))
    {
        name = variant;
    }
    if (name.empty() || !profile.HasSection(name.c_str()))
    {
        return false;                                         // no half record for a missing section
    }
    const std::string key = CopyFileRecordKey(m_env.GetInstallingKey(), name);
    const struct
    {
        const char* profileKey;
        const char* valueName;
    } texts[] = {{"DESCRIPTION", "Description"}, {"SOURCE", "Src"}, {"DESTINATION", "Dest"}};
    for (const auto& text : texts)
    {
        bool present = false;
        const std::string value = ReadProfileText(profile, name, text.profileKey, &present);
        if (present)
        {
            WriteText(key, text.valueName, value);
        }
    }
    bool present = false;
    const DWORD copySubDir = ReadProfileNumber(profile, name, "COPY_SUBDIR", 0, &present);
    if (present)
    {
        WriteNumber(key, "CopySubDir", copySubDir);
    }
    WriteNumber(key, "Delete", ReadProfileNumber(profile, name, "DELETE", 1));
    return true;
}

void CInstallHistory::WriteCopyFileList(const std::string& list)
{
    for (const std::string& entry : SplitCollapsed(list, ','))
    {
        (void)WriteCopyFileRecord(entry);
    }
}

bool CInstallHistory::WriteDefaultCopyFileRecords()
{
    std::vector<std::string> entries;
    if (ReadEntries(m_env.GetCommandProfile(), "COPY_FILE_INFO", entries))
    {
        for (const std::string& entry : entries)
        {
            (void)WriteCopyFileRecord(entry);
        }
    }
    return true;
}

bool CInstallHistory::WriteShortcutRecord(const std::string& sectionName)
{
    const CConfigProfile& profile = m_env.GetCommandProfile();
    bool hasName = false;
    const std::string name = ReadProfileText(profile, sectionName, "NAME", &hasName);
    if (!hasName)
    {
        return false;
    }
    const std::string key = ShortcutRecordKey(m_env.GetInstallingKey(), sectionName);
    const std::string target = ReadProfileText(profile, sectionName, "TARGET");
    bool hasStartIn = false;
    const std::string startIn = ReadProfileText(profile, sectionName, "START_IN", &hasStartIn);
    WriteText(key, "Name", name);
    WriteText(key, "Target", target);
    WriteText(key, "Start_in", hasStartIn ? startIn : ShortcutStartIn(target));
    WriteText(key, "Argument", ReadProfileText(profile, sectionName, "ARGUMENT"));
    WriteText(key, "Icon_File", ReadProfileText(profile, sectionName, "ICON_FILE"));
    WriteText(key, "Folder_Name", ReadProfileText(profile, sectionName, "FOLDER_NAME"));
    WriteNumber(key, "Icon_Index", ReadProfileNumber(profile, sectionName, "ICON_INDEX", 0));
    WriteNumber(key, "Permission", ReadProfileNumber(profile, sectionName, "PERMISSION", 0));
    const bool desktop = EqualsAsciiNoCase(ReadProfileText(profile, sectionName, "GROUP"), "DESKTOP");
    WriteNumber(key, "Group", desktop ? 1 : 0);
    WriteText(key, "Icon_Description", ReadProfileText(profile, sectionName, "DESCRIPTION"));
    WriteNumber(key, "Delete", ReadProfileNumber(profile, sectionName, "DELETE", 1));
    // A section listed twice is still one shortcut: the install update makes and records each name once.
    const auto same = [&sectionName](const std::string& other) { return EqualsSystemNoCase(other, sectionName); };
    if (std::find_if(m_shortcutNames.begin(), m_shortcutNames.end(), same) == m_shortcutNames.end())
    {
        m_shortcutNames.push_back(sectionName);
    }
    return true;
}

// The list is this write's: writing the records again (a second commit of the selection, or
// CT_WRITE_ITEM_INFO run twice) starts it afresh instead of adding the names once more.
bool CInstallHistory::WriteShortcutRecords()
{
    m_shortcutNames.clear();
    std::vector<std::string> entries;
    if (!ReadEntries(m_env.GetDataProfile(), "SHORTCUT_INFO", entries))
    {
        return false;
    }
    for (const std::string& entry : entries)
    {
        (void)WriteShortcutRecord(entry);
    }
    return true;
}

void CInstallHistory::DeleteInstallingItemRecords()
{
    const std::string key = m_env.GetInstallingKey() + "\\Items";
    (void)CRegistry::DeleteKey(key.c_str(), false, HKEY_LOCAL_MACHINE);
}

bool CInstallHistory::DeleteItemRecord(const std::string& section)
{
    if (section.empty())
    {
        return false;
    }
    const std::string key = ItemRecordKey(m_env.GetInstalledKey(), section);
    return CRegistry::DeleteKey(key.c_str(), false, HKEY_LOCAL_MACHINE) == ERROR_SUCCESS;
}

bool CInstallHistory::ReadInstallNow(const std::string& root, const std::string& section, DWORD* value) const
{
    return ReadNumber(ItemRecordKey(root, section), "InstallNow", value);
}

void CInstallHistory::RecordFailure(const std::string& section)
{
    const std::string key = FailureListKey(m_env.GetInstallingKey());
    const DWORD count = GetFailureCount();
    WriteText(key, FormatText("%lu", static_cast<unsigned long>(count)).c_str(), section);
    WriteNumber(key, "Count", count + 1);
}

DWORD CInstallHistory::GetFailureCount() const
{
    DWORD count = 0;
    return ReadNumber(FailureListKey(m_env.GetInstallingKey()), "Count", &count) ? count : 0;
}

std::string CInstallHistory::GetFailedSection(DWORD n) const
{
    std::string section;
    const std::string name = FormatText("%lu", static_cast<unsigned long>(n));
    return ReadText(FailureListKey(m_env.GetInstallingKey()), name.c_str(), section) ? section : std::string();
}

bool CInstallHistory::IsRemovable(const std::string& itemKey) const
{
    std::string uninstallCommand;
    if (ReadText(itemKey, "UninstCmd", uninstallCommand))
    {
        return !uninstallCommand.empty();
    }
    std::string valueName;
    std::string live;
    return ReadText(itemKey, "Uninstall_Value_Name", valueName) && !valueName.empty() &&
           ReadUninstallInfo(m_env.GetUninstallInfoKey(), valueName, live) && !live.empty();
}

void CInstallHistory::SaveHistory(const std::vector<std::string>& sections)
{
    const std::string& installing = m_env.GetInstallingKey();
    const std::string& installed = m_env.GetInstalledKey();
    (void)CRegistry::CopyKey(installing.c_str(), installed.c_str(), false, HKEY_LOCAL_MACHINE, HKEY_LOCAL_MACHINE);
    for (const std::string& section : sections)
    {
        DWORD installNow = 0;
        const std::string source = ItemRecordKey(installing, section);
        if (ReadInstallNow(installing, section, &installNow) && installNow == 2 && IsRemovable(source))
        {
            (void)CRegistry::CopyKey(source.c_str(), ItemRecordKey(installed, section).c_str(), false,
                                     HKEY_LOCAL_MACHINE, HKEY_LOCAL_MACHINE);
        }
    }
    for (const std::string& shortcut : m_shortcutNames)
    {
        (void)CRegistry::CopyKey(ShortcutRecordKey(installing, shortcut).c_str(),
                                 ShortcutRecordKey(installed, shortcut).c_str(), false, HKEY_LOCAL_MACHINE,
                                 HKEY_LOCAL_MACHINE);
    }
    CUninstallRecords records(m_log, m_env.GetInstallingHistoryKey());
    (void)records.Merge(m_env.GetInstallingHistoryKey(), m_env.GetInstalledHistoryKey());
}
