#include "items/InstallRun.h"

#include <windows.h>
#include <winspool.h>
// The spooler header names a function SetPort too; the environment's is meant here.
#undef SetPort

#include <cstdlib>

#include "command/CmdOperator.h"
#include "command/CommandRecord.h"
#include "command/CopyFile.h"
#include "env/InstallEnv.h"
#include "external/ExternalFnt.h"
#include "items/InstallHistory.h"
#include "items/Item.h"
#include "items/UninstallRecords.h"
#include "log/Log.h"
#include "registry/Registry.h"

namespace
{
const DWORD kSetupInstall = 1;
const DWORD kSetupUninstall = 2;
const DWORD kSetupReinstall = 3;
const int kNoPortCheck = 4096;                                // the address check's "make no port"
const char kScriptSection[] = "INSTALL";

bool HasLocalPrinter()
{
    DWORD needed = 0;
    DWORD count = 0;
    (void)::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    return needed > 0;
}

// A setting file value; false when the key is missing or empty.
bool ReadScriptValue(const std::string& settingFile, const char* key, std::string& value)
{
    char text[MAX_PATH] = {};
    (void)::GetPrivateProfileStringA(kScriptSection, key, "", text, sizeof(text), settingFile.c_str());
    if (text[0] == '\0')
    {
        return false;
    }
    value = text;
    return true;
}
}  // namespace

CInstallRun::CInstallRun(CLog& log, CInstallEnv& env, CItem& items, CCmdOperator& commands,
                         CUninstallRecords& records, RunHooks hooks)
    : m_log(log), m_env(env), m_items(items), m_commands(commands), m_records(records), m_hooks(std::move(hooks))
{
}

bool CInstallRun::DefaultPrinterFromScript(int value, bool hasLocalPrinter)
{
    if (value == 0)
    {
        return false;
    }
    return value == 2 ? !hasLocalPrinter : true;
}

bool CInstallRun::RunItem(int index)
{
    const ITEM_RECORD* item = m_items.GetItemAt(index);
    if (item == nullptr)
    {
        return false;
    }
    const std::string& installing = m_env.GetInstallingKey();
    const std::string itemKey = ItemRecordKey(installing, item->sectionName);
    const bool succeeded =
        m_env.GetExternalFnt().MyInstall(installing.c_str(), itemKey.c_str(), item->installed ? 1 : 0) != FALSE;
    // One line for every setup type: the three words stand together whatever the run is.
    m_log.Write(" %s Installation/ReInstallation/Uninstallation ==> %s", item->displayName.c_str(),
                succeeded ? "Success" : "Fail");
    return succeeded;
}

void CInstallRun::ApplyResult(int index, bool succeeded, bool recordFailure)
{
    ITEM_RECORD* item = m_items.GetItemAt(index);
    if (item == nullptr)
    {
        return;
    }
    item->failedInRun = !succeeded;
    if (!succeeded)
    {
        ++m_failed;
        if (recordFailure)
        {
            m_items.RecordFailure(index);
        }
        else
        {
            item->installed = false;
        }
        return;
    }
    ++m_succeeded;
    if (m_items.GetSetupType() == kSetupUninstall)
    {
        item->installed = false;
        (void)m_items.DeleteItemHistory(index);
        return;
    }
    item->installed = true;
    if (!item->driverName.empty())
    {
        if (m_hooks.markPrinterInstalled)
        {
            m_hooks.markPrinterInstalled(item->driverName);
        }
        m_env.SetPrinterInstalled(true);
    }
}

bool CInstallRun::SilentInstall(bool reinstall)
{
    if (!PrepareItems(false))
    {
        return false;
    }
    if (!CopyRecordedFiles())
    {
        (void)FinishInstall();
        return false;
    }
    if (reinstall)
    {
        SetSetupType(kSetupReinstall);
    }
    if (m_portFromScript)
    {
        ApplyScriptedPort();
    }
    RunSelectedItems();
    return FinishInstall();
}

bool CInstallRun::SilentUninstall()
{
    if (!PrepareItems(true))
    {
        return false;
    }
    bool removed = true;
    if (m_items.GetCount() == 0)
    {
        removed = Execute("CT_DELETE_ALL");
    }
    else
    {
        for (int index = 0; index < m_items.GetCount(); ++index)
        {
            if (m_items.GetItemAt(index)->installed)
            {
                ApplyResult(index, RunItem(index), true);
            }
        }
        // A failed item keeps the uninstaller and the shared records for a later try.
        removed = m_failed == 0 && Execute("CT_DELETE_ALL");
    }
    (void)CRegistry::DeleteKey(m_env.GetInstallingKey().c_str(), false, HKEY_LOCAL_MACHINE);
    return removed && m_failed == 0;
}

bool CInstallRun::ScriptInstall(const std::string& settingFile)
{
    if (!PrepareItems(false))
    {
        return false;
    }
    if (!CopyRecordedFiles())
    {
        (void)FinishInstall();
        return false;
    }
    ApplyScriptDefaultPrinter(settingFile);
    m_items.BuildPrinterList(false);
    ReadScriptPort(settingFile);
    ApplyScriptedPort();
    RunSelectedItems();
    return FinishInstall();
}

// The items of the run, selected by their SILENT_INST key, with their records written.
bool CInstallRun::PrepareItems(bool uninstall)
{
    (void)Execute("CT_SET_INST_TYPE", "SILENT_INST");
    if (!m_items.ReadItems(CItem::kDefaultListSection))
    {
        m_log.Write("Initialize installed item information fail");
        return false;
    }
    KeepInterruptedRun();
    // A silent run never chooses a start section, so a Setup_Type under Installing is left from a run
    // that ended before its end (an interactive uninstall, say); the helper reads it to choose the
    // command. Its records are kept above; the run's own type is written here, before any record that
    // the helper reads. A reinstall writes its own type once the files are copied.
    SetSetupType(uninstall ? kSetupUninstall : kSetupInstall);
    m_items.BuildPrinterList(false);
    (void)Execute("CT_WRITE_ITEM_INFO");
    return true;
}

// Item records under the Installing key before this run wrote any belong to a run that ended before
// its install update (ended from outside, or the machine went down). What it installed and recorded
// is kept as installed, so that this run, or a later uninstall, finds it and can remove it.
void CInstallRun::KeepInterruptedRun()
{
    const std::string itemsKey = m_env.GetInstallingKey() + "\\Items";
    if (!CRegistry::KeyExists(itemsKey.c_str(), HKEY_LOCAL_MACHINE))
    {
        return;
    }
    m_log.Write("The records of an interrupted run are kept");
    m_items.SaveHistory();
    for (int index = 0; index < m_items.GetCount(); ++index)
    {
        ITEM_RECORD* item = m_items.GetItemAt(index);
        item->installed = m_items.IsInstalled(item->sectionName, item, false);
    }
}

// A product without copy-file records has nothing to copy, which is no failure.
bool CInstallRun::CopyRecordedFiles()
{
    const std::string listKey = m_env.GetInstallingKey() + "\\CopyFiles";
    if (CRegistry::ProbeKey(listKey.c_str(), HKEY_LOCAL_MACHINE) == ERROR_FILE_NOT_FOUND)
    {
        return true;
    }
    CCopyFile copier(m_log, m_env.GetOsClass(), m_records.Recorder());
    return copier.CopyAll(listKey.c_str());
}

void CInstallRun::RunSelectedItems()
{
    for (int index = 0; index < m_items.GetCount(); ++index)
    {
        if (m_items.GetItemAt(index)->selected)
        {
            ApplyResult(index, RunItem(index), true);
        }
    }
}

// An item counts as installed when this run's helper reported its success: on a first install the
// Installed key has no item records yet, so the is-installed test alone would undo a good run.
bool CInstallRun::FinishInstall()
{
    const std::string& installing = m_env.GetInstallingKey();
    if (m_succeeded > 0 || m_items.AnyInstalled())
    {
        (void)Execute("CT_INSTALL_UPDATE");
        (void)CRegistry::DeleteKey(installing.c_str(), false, HKEY_LOCAL_MACHINE);
        return m_failed == 0;
    }
    (void)m_records.Apply(m_env.GetInstallingHistoryKey(), false);
    (void)CRegistry::DeleteKey(installing.c_str(), false, HKEY_LOCAL_MACHINE);
    return false;
}

void CInstallRun::ApplyScriptDefaultPrinter(const std::string& settingFile)
{
    int printerItems = 0;
    ITEM_RECORD* last = nullptr;
    for (int index = 0; index < m_items.GetCount(); ++index)
    {
        ITEM_RECORD* item = m_items.GetItemAt(index);
        if (!item->driverName.empty())
        {
            ++printerItems;
            last = item;
        }
    }
    std::string value;
    if (printerItems == 1 && ReadScriptValue(settingFile, "DEFAULT ", value))
    {
        const int number = std::atoi(value.c_str());
        last->defaultPrinter = DefaultPrinterFromScript(number, number == 2 && HasLocalPrinter());
    }
}

void CInstallRun::ReadScriptPort(const std::string& settingFile)
{
    bool printerItem = false;
    for (int index = 0; index < m_items.GetCount(); ++index)
    {
        printerItem = printerItem || !m_items.GetItemAt(index)->driverName.empty();
    }
    if (!printerItem)
    {
        return;
    }
    std::string port;
    m_env.SetPort(ReadScriptValue(settingFile, "PORT", port) ? port : "LPT1:");
    m_portFromScript = true;
}

void CInstallRun::ApplyScriptedPort()
{
    const std::string port = m_env.GetPort();
    if (port.empty())
    {
        return;
    }
    if (!(port[0] >= '0' && port[0] <= '9'))
    {
        m_log.Write("Set Printer Port : %s", port.c_str());
        if (m_hooks.setPortOfAllPrinters)
        {
            m_hooks.setPortOfAllPrinters(port);
        }
        return;
    }
    const std::string portName = "IP_" + port;
    if ((m_hooks.checkIpAddress && m_hooks.checkIpAddress(port) == kNoPortCheck) || !m_hooks.createIpPort ||
        !m_hooks.createIpPort(port, portName))
    {
        return;
    }
    m_env.SetIp(port);
    m_env.SetPort(portName);
    m_log.Write("Set Printer Port : %s", portName.c_str());
    if (m_hooks.setPortOfAllPrinters)
    {
        m_hooks.setPortOfAllPrinters(portName);
    }
}

bool CInstallRun::Execute(const char* type, const char* p1)
{
    return m_commands.Execute(MakeCommandRecord(type, p1).get());
}

void CInstallRun::SetSetupType(unsigned setupType)
{
    (void)CRegistry::SetValue(m_env.GetInstallingKey().c_str(), "Setup_Type", static_cast<DWORD>(setupType),
                              HKEY_LOCAL_MACHINE);
}
