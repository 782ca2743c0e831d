#include "items/Item.h"

#include <algorithm>
#include <cstring>

#include "base/Messages.h"
#include "base/Text.h"
#include "base/TextRules.h"
#include "base/UserMessage.h"
#include "command/CmdOperator.h"
#include "command/CommandRecord.h"
#include "command/CommandSection.h"
#include "command/CommandText.h"
#include "command/FilePath.h"
#include "base/WaitCursor.h"
#include "env/InstallEnv.h"
#include "env/Platform.h"
#include "log/Log.h"
#include "registry/Registry.h"

namespace
{
const char kNoItemText[] = "There is no item to be installed!!!!";

}  // namespace

CItem::CItem(CLog& log, CInstallEnv& env) : m_log(log), m_env(env), m_infInfo(log), m_history(log, env)
{
}

CItem::~CItem() = default;

void CItem::ConnectCommands(CCmdOperator& commands)
{
    m_commands = &commands;
    (void)commands.Connect("CT_WRITE_ITEM_INFO", [this](const CommandRecord&) { return WriteItemInfo(); });
    (void)commands.Connect("CT_CHECK_ITEM", [this](const CommandRecord& record) { return CheckItems(record); });
}

bool CItem::ReadItems(const std::string& section, HWND progress)
{
    // Reading again (a later run on the same collection, a language change) replaces the list: an item
    // kept from before would be listed, selected and run twice.
    ClearItems();
    m_listSection = section.empty() ? kDefaultListSection : section;
    (void)ReadItemTypes();
    std::vector<std::string> entries;
    const bool listed = ReadSectionLines(m_env.GetDataProfile(), m_listSection.c_str(), entries);
    if (!listed)
    {
        m_listSection.clear();
    }
    else
    {
        if (progress != nullptr)
        {
            const WPARAM span = m_env.GetOptions().precreateDialogs ? 10 : 70;
            (void)::SendMessageA(progress, UM_PROGRESS_STEP, span, static_cast<LPARAM>(entries.size()));
        }
        std::vector<std::string> seen;
        for (const std::string& entry : entries)
        {
            const std::string name = Trim(entry);
            if (name.empty())
            {
                break;
            }
            // Item names compare without regard to case; a second entry would run the item twice.
            const auto same = [&name](const std::string& other) {
                return ::lstrcmpiA(other.c_str(), name.c_str()) == 0;
            };
            if (std::find_if(seen.begin(), seen.end(), same) != seen.end())
            {
                m_log.Write("Item [%s] is listed more than once; it is read once", name.c_str());
            }
            else
            {
                seen.push_back(name);
                (void)ReadItem(name);
            }
            if (progress != nullptr)
            {
                (void)::SendMessageA(progress, UM_PROGRESS_STEP, 0, 0);
                (void)::UpdateWindow(progress);
            }
        }
    }
    std::string osUninstall;
    m_osUninstallSection =
        m_env.GetDataProfile().GetString("PROGRAM_INFO", "OS_UNINST_REG_KEY", osUninstall) && !osUninstall.empty()
            ? LimitText(osUninstall, MAX_PATH - 1)
            : kDefaultOsUninstallSection;
    return listed;
}

bool CItem::ReloadItems(HWND progress)
{
    return ReadItems(std::string(), progress);
}

void CItem::ClearItems()
{
    m_items.clear();
}

ITEM_RECORD* CItem::GetItemAt(int index)
{
    return index >= 0 && index < GetCount() ? m_items[static_cast<size_t>(index)].get() : nullptr;
}

const ITEM_RECORD* CItem::GetItemAt(int index) const
{
    return index >= 0 && index < GetCount() ? m_items[static_cast<size_t>(index)].get() : nullptr;
}

int CItem::FindItem(const std::string& section) const
{
    for (int index = 0; index < GetCount(); ++index)
    {
        if (EqualsAsciiNoCase(m_items[static_cast<size_t>(index)]->sectionName, section))
        {
            return index;
        }
    }
    return -1;
}

bool CItem::ReadSetupType(DWORD* setupType) const
{
    return CRegistry::GetValue(m_env.GetInstallingKey().c_str(), "Setup_Type", setupType, HKEY_LOCAL_MACHINE) ==
           ERROR_SUCCESS;
}

DWORD CItem::GetSetupType() const
{
    DWORD setupType = 1;
    return ReadSetupType(&setupType) ? setupType : 1;
}

bool CItem::ReadInstallType(std::string& installType) const
{
    return ReadRegistryText(HKEY_LOCAL_MACHINE, m_env.GetInstallingKey().c_str(), "Install_Type", installType) ==
           ERROR_SUCCESS;
}

int CItem::GetCheckState(int index, bool keep)
{
    ITEM_RECORD* item = GetItemAt(index);
    if (item == nullptr)
    {
        return CHECK_NO;
    }
    std::string installType;
    if (keep || !ReadInstallType(installType))
    {
        return item->checkState;
    }
    std::string word;
    const CConfigProfile& profile = m_env.GetDataProfile();
    if (installType.empty() || !profile.GetString(item->sectionName.c_str(), installType.c_str(), word))
    {
        if (!profile.GetString(item->sectionName.c_str(), "DEFAULT_INST_TYPE", word))
        {
            word.clear();
        }
    }
    item->checkState = ParseCheckState(word, item);
    return item->checkState;
}

int CItem::GetListState(ITEM_RECORD& item, int checkState, int filter)
{
    const int setupList = filter & kFilterSetupMask;
    if (setupList == kFilterUninstallList)
    {
        if (!IsValidToUninstall(item, true))
        {
            m_log.Write("%s item is invalid to uninstall!!", item.displayName.c_str());
            return LIST_NOT_LISTED;
        }
    }
    else if (setupList == kFilterReinstallList)
    {
        if (!IsValidToInstall(item, true) || !IsValidToUninstall(item, true))
        {
            m_log.Write("%s item is invalid to reinstall!!", item.displayName.c_str());
            return LIST_NOT_LISTED;
        }
    }
    else if (!IsValidToInstall(item, true))
    {
        m_log.Write("%s item is invalid to install!!", item.displayName.c_str());
        return LIST_NOT_LISTED;
    }
    return ListStateForItem(checkState == -1 ? item.checkState : checkState, item.installed, filter);
}

std::vector<ItemListRow> CItem::FillSelectionList(int filter)
{
    std::vector<ItemListRow> rows;
    const DWORD setupType = GetSetupType();
    for (int index = 0; index < GetCount(); ++index)
    {
        ITEM_RECORD& item = *m_items[static_cast<size_t>(index)];
        const int state = GetListState(item, GetCheckState(index, false), filter);
        if (state == LIST_NOT_LISTED)
        {
            continue;
        }
        ItemListRow row;
        row.index = index;
        row.name = item.displayName;
        row.state = state;
        const std::string* description = setupType == 1                      ? &item.installDesc
                                          : setupType == 2                    ? &item.removeDesc
                                          : setupType >= 3 && setupType <= 5 ? &item.repairDesc
                                                                              : nullptr;
        if (description != nullptr && !description->empty())
        {
            row.description = FormatDescription(*description, item.displayName);
        }
        row.tooltip = item.tooltip;
        rows.push_back(std::move(row));
    }
    return rows;
}

bool CItem::CommitSelection(const std::vector<ItemListRow>& rows, const SelectionCommit& dialog,
                            bool* printerSelected)
{
    bool printer = false;
    const bool anyChecked = ApplySelectionRows(rows, printer);
    const std::string& caption = m_env.GetProgramName();
    if (!anyChecked && !dialog.warningText.empty() && !rows.empty())
    {
        (void)ShowUserMessage(dialog.owner, dialog.warningText, caption, MB_OK | MB_ICONWARNING);
        return false;
    }
    if (!dialog.confirmText.empty() && !rows.empty() &&
        ShowUserMessage(dialog.owner, dialog.confirmText, caption, MB_YESNO | MB_ICONQUESTION) == IDNO)
    {
        return false;
    }
    SetAlternateParameter(dialog.changeParameter);
    WriteSelectionRecords();
    if (printerSelected != nullptr)
    {
        *printerSelected = printer;
    }
    return true;
}

bool CItem::ApplySelectionRows(const std::vector<ItemListRow>& rows, bool& printerSelected)
{
    const DWORD setupType = GetSetupType();
    bool anyChecked = false;
    for (const ItemListRow& row : rows)
    {
        ITEM_RECORD* item = GetItemAt(row.index);
        if (item == nullptr)
        {
            continue;
        }
        if (row.state == LIST_CHECKED || row.state == LIST_CHECKED_FIXED)
        {
            anyChecked = true;
            item->selected = true;
            item->checkState = item->checkState == CHECK_UNCHK ? CHECK_CHK : item->checkState;
        }
        else if (item->checkState == CHECK_ALL && setupType == 1)
        {
            item->selected = true;                            // an ALL item stays in every install
        }
        else
        {
            item->selected = false;
            item->checkState = item->checkState == CHECK_CHK ? CHECK_UNCHK : item->checkState;
        }
        printerSelected = printerSelected || (item->selected && !item->driverName.empty());
    }
    // An ALL item is never listed in an install list, so no row speaks for it: it is part of every
    // install all the same. Items of other lists keep their selection.
    if (setupType == 1)
    {
        std::vector<bool> listed(static_cast<size_t>(GetCount()), false);
        for (const ItemListRow& row : rows)
        {
            if (row.index >= 0 && row.index < GetCount())
            {
                listed[static_cast<size_t>(row.index)] = true;
            }
        }
        for (int index = 0; index < GetCount(); ++index)
        {
            ITEM_RECORD* item = GetItemAt(index);
            if (!listed[static_cast<size_t>(index)] && item->checkState == CHECK_ALL)
            {
                item->selected = true;
                printerSelected = printerSelected || !item->driverName.empty();
            }
        }
    }
    return anyChecked;
}

bool CItem::WriteItemInfo()
{
    CWaitCursor wait;
    for (int index = 0; index < GetCount(); ++index)
    {
        m_items[static_cast<size_t>(index)]->selected = IsSelectingCheckState(GetCheckState(index, false));
    }
    WriteSelectionRecords();
    return true;
}

void CItem::WriteSelectionRecords()
{
    WriteAllItemHistories();
    for (const auto& item : m_items)
    {
        if (item->selected)
        {
            WriteCopyFileRecords(*item);
        }
    }
    (void)WriteDefaultCopyFileRecords();
    (void)WriteShortcutRecords();
    BuildPrinterList(true);
}

bool CItem::CheckItems(const CommandRecord& record)
{
    if (GetCount() == 0)
    {
        (void)ShowUserMessage(nullptr, kNoItemText, m_env.GetProgramName(), MB_OK | MB_ICONWARNING);
    }
    return RunTarget(GetCount() == 1 ? record.param[0] : record.param[1]);
}

bool CItem::RunTarget(const std::string& target)
{
    return m_commands == nullptr || target.empty() || m_commands->RunTarget(target);
}

bool CItem::RunCommand(const char* type, const std::string& parameter)
{
    if (m_commands == nullptr)
    {
        return true;
    }
    const CommandRecordPtr record = MakeCommandRecord(type, parameter.c_str());
    return m_commands->Execute(record.get());
}

void CItem::SelectInstalledForRemoval()
{
    for (int index = 0; index < GetCount(); ++index)
    {
        ITEM_RECORD* item = GetItemAt(index);
        if (item->installed)
        {
            item->selected = true;
            (void)WriteItemHistory(item, index);
        }
    }
    (void)RunCommand("CT_SET_SETUP_TYPE", "UNINST");
}

void CItem::StartNewSelection()
{
    m_history.DeleteInstallingItemRecords();
    ClearSelection();
}

void CItem::ClearSelection()
{
    for (const auto& item : m_items)
    {
        item->selected = false;
    }
}

bool CItem::AnyInstalled() const
{
    for (const auto& item : m_items)
    {
        if (IsInstalled(item->sectionName, item.get(), true))
        {
            return true;
        }
    }
    return false;
}

bool CItem::AnyFailedInRun() const
{
    for (const auto& item : m_items)
    {
        if (item->failedInRun)
        {
            return true;
        }
    }
    return false;
}

bool CItem::HasUninstallData() const
{
    std::string destDir;
    if (m_items.empty() ||
        ReadRegistryText(HKEY_LOCAL_MACHINE, m_env.GetInstalledKey().c_str(), "Dest_Dir", destDir) != ERROR_SUCCESS)
    {
        return false;
    }
    for (const auto& item : m_items)
    {
        if (item->installed && (!item->uninstCmd.empty() || !item->uninstKey.empty() || item->infItem))
        {
            return true;
        }
    }
    return false;
}

bool CItem::AddOsUninstallKey()
{
    (void)RunCommand("CT_ADDREG", m_osUninstallSection);
    return true;
}

bool CItem::RemoveOsUninstallKey()
{
    (void)RunCommand("CT_DELREG", m_osUninstallSection);
    return true;
}

bool CItem::WriteItemHistory(ITEM_RECORD* item, int index)
{
    if (item == nullptr || item->sectionName.empty())
    {
        return false;
    }
    if (item->infItem)
    {
        (void)ResolveInfItem(*item, false);
    }
    else
    {
        ReadItemCommands(*item, true);
        if (!ReadParameters(*item, item->sectionName))
        {
            // Without its parameters the helper would run the item's program with none: no record.
            m_log.Write("Item [%s]: its lines do not fit in %lu characters; no record is written",
                        item->sectionName.c_str(), static_cast<unsigned long>(CConfigProfile::kTextSize));
            return false;
        }
    }
    if (!item->driverName.empty())
    {
        ReadPrinterInfs(*item, true);
    }
    const DriverInstallerArguments arguments = PrinterArguments(*item, index);
    return m_history.WriteItemValues(*item, &arguments);
}

void CItem::WriteAllItemHistories()
{
    for (int index = 0; index < GetCount(); ++index)
    {
        (void)WriteItemHistory(GetItemAt(index), index);
    }
}

void CItem::WriteCopyFileRecords(const ITEM_RECORD& item)
{
    m_history.WriteCopyFileList(item.copyFile);
}

bool CItem::WriteDefaultCopyFileRecords()
{
    return m_history.WriteDefaultCopyFileRecords();
}

bool CItem::WriteShortcutRecords()
{
    return m_history.WriteShortcutRecords();
}

bool CItem::DeleteItemHistory(int index)
{
    const ITEM_RECORD* item = GetItemAt(index);
    return item != nullptr && m_history.DeleteItemRecord(item->sectionName);
}

void CItem::RecordFailure(int index)
{
    const ITEM_RECORD* item = GetItemAt(index);
    if (item != nullptr)
    {
        m_history.RecordFailure(item->sectionName);
    }
}

int CItem::GetFailureCount() const
{
    return static_cast<int>(m_history.GetFailureCount());
}

std::string CItem::GetFailedItemName(int n) const
{
    if (n < 0)
    {
        return std::string();
    }
    const std::string section = m_history.GetFailedSection(static_cast<DWORD>(n));
    const ITEM_RECORD* item = section.empty() ? nullptr : GetItemAt(FindItem(section));
    return item != nullptr ? item->displayName : std::string();
}

void CItem::SaveHistory()
{
    std::vector<std::string> sections;
    for (const auto& item : m_items)
    {
        sections.push_back(item->sectionName);
    }
    m_history.SaveHistory(sections);
}
