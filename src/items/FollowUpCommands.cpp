#include "items/FollowUpCommands.h"

#include <cstring>
#include <vector>

#include "base/BoundedWait.h"
#include "base/Messages.h"
#include "base/Text.h"
#include "base/TextRules.h"
#include "command/CmdOperator.h"
#include "command/CommandRecord.h"
#include "command/CommandSection.h"
#include "command/CommandText.h"
#include "command/CopyFile.h"
#include "command/FilePath.h"
#include "command/InstallCommandEnv.h"
#include "env/FileSystem.h"
#include "env/InstallEnv.h"
#include "env/SourceMedia.h"
#include "external/ExternalFnt.h"
#include "external/FaultGuard.h"
#include "items/InstallHistory.h"
#include "items/Item.h"
#include "log/Log.h"
#include "registry/Registry.h"

namespace
{
const int kRemoteTextSize = 260;                              // remote-install settings: up to 259 characters
const char kFallbackUninstaller[] = "UnInstEE.exe";

// Copies text into a fixed field of the parameter block, cut to fit.
void CopyField(char (&field)[256], const std::string& text)
{
    const size_t length = text.size() < sizeof(field) - 1 ? text.size() : sizeof(field) - 1;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

bool ReadText(const std::string& key, const char* name, std::string& text)
{
    char buffer[kRemoteTextSize] = {};
    if (CRegistry::GetValue(key.c_str(), name, buffer, HKEY_LOCAL_MACHINE, sizeof(buffer)) != ERROR_SUCCESS)
    {
        return false;
    }
    text = buffer;
    return true;
}
}  // namespace

CFollowUpCommands::CFollowUpCommands(CLog& log, CInstallEnv& env, CItem& items, CCmdOperator& commands,
                                     RunHooks hooks)
    : m_log(log),
      m_env(env),
      m_items(items),
      m_commands(commands),
      m_hooks(std::move(hooks)),
      m_records(log, env.GetInstallingHistoryKey()),
      m_remote(new RemoteInstall)
{
}

CFollowUpCommands::~CFollowUpCommands()
{
    (void)WaitForRemoteInstall();
    if (IsRemoteInstallRunning())
    {
        // The thread still reads its parameters and may still be inside the remote install library:
        // both are left to it (the parameters a deliberate leak) instead of being freed under it; the
        // process end takes them.
        (void)m_remote.release();
        m_env.GetExternalFnt().KeepLibrariesLoaded();
    }
}

void CFollowUpCommands::Connect(CCmdOperator& commands)
{
    commands.Connect("CT_INSTALL_UPDATE", [this](const CommandRecord&) { return InstallUpdate(); });
    commands.Connect("CT_DELETE_ALL", [this](const CommandRecord&) { return DeleteAll(); });
    commands.Connect("CT_RUN_REMOTE_INSTALL", [this](const CommandRecord&) { return RunRemoteInstall(); });
    commands.Connect("CT_DIAGNOSIS", [this](const CommandRecord& r) { return Diagnosis(r); });
    commands.Connect("CT_APP_TERMINATE", [this](const CommandRecord&) {
        Terminate(false);
        return true;
    });
    commands.SetTerminator([this](bool cancelled) { Terminate(cancelled); });
}

bool CFollowUpCommands::InstallUpdate()
{
    CreateShortcuts();
    (void)m_items.AddOsUninstallKey();
    m_log.Write("Save Installed Registry Key");
    (void)m_records.AddEntry(m_env.GetDestInstallDir(), kHistoryDestinationDirectory);
    if (m_env.GetOptions().deviceInstall)
    {
        RunDevicePrinterSteps();
    }
    m_items.SaveHistory();
    return true;
}

void CFollowUpCommands::CreateShortcuts()
{
    const std::string& installing = m_env.GetInstallingKey();
    const CInstallCommandEnv commandEnv(m_env);
    for (const std::string& name : m_items.GetHistory().GetShortcutNames())
    {
        if (!CommandSectionApplies(commandEnv, name.c_str()))
        {
            continue;
        }
        const std::string key = ShortcutRecordKey(installing, name);
        if (!m_env.GetExternalFnt().MyCreateShortCut(installing.c_str(), key.c_str()))
        {
            continue;
        }
        m_log.Write("Create Shorcut [%s]", key.c_str());
        DWORD remove = 0;
        char path[MAX_PATH + 1] = {};
        const bool removable =
            CRegistry::GetValue(key.c_str(), "Delete", &remove, HKEY_LOCAL_MACHINE) == ERROR_SUCCESS && remove != 0;
        if (removable &&
            CRegistry::GetValue(key.c_str(), "Shortcut_Path", path, HKEY_LOCAL_MACHINE, sizeof(path)) ==
                ERROR_SUCCESS)
        {
            (void)m_records.AddEntry(path, kHistoryShortcut);
        }
    }
}

// The new-hardware watcher would raise the system's own wizard while the device is refreshed.
void CFollowUpCommands::RunDevicePrinterSteps()
{
    const bool printerCommands = !m_env.GetOptions().autoPrinterCommand && m_env.IsPrinterInstalled();
    if (printerCommands && m_hooks.refreshPrinters)
    {
        m_hooks.refreshPrinters();
    }
    if (IsDeviceConnected())
    {
        if (m_hooks.stopNewHardwareWatcher)
        {
            m_hooks.stopNewHardwareWatcher();
        }
        (void)m_commands.Execute(MakeCommandRecord("CT_REFRESH_SYSTEM").get());
        if (m_hooks.startNewHardwareWatcher)
        {
            m_hooks.startNewHardwareWatcher();
        }
        if (m_hooks.waitNoPendingInstall)
        {
            m_hooks.waitNoPendingInstall();
        }
        if (m_env.IsPrinterInstalled())
        {
            // The device is there now: its diagnosis looks at the printer's current queue.
            (void)m_commands.Execute(MakeCommandRecord("CT_DIAGNOSIS").get());
        }
    }
    if (printerCommands && m_hooks.applyPrinterCommands)
    {
        m_hooks.applyPrinterCommands();
    }
}

bool CFollowUpCommands::IsDeviceConnected() const
{
    if (m_hooks.isDeviceConnected)
    {
        return m_hooks.isDeviceConnected();
    }
    int portCount = 0;
    (void)m_env.GetExternalFnt().GetDevicePort(m_env.GetMfg().c_str(), m_env.GetMdl().c_str(),
                                               m_env.GetVidPid().c_str(), nullptr, &portCount);
    return portCount >= 1;
}

std::string CFollowUpCommands::UninstallerArguments(const std::string& destInstallDir, DWORD processId)
{
    return FormatText("/P\"%s\" /I0x%x", destInstallDir.c_str(), static_cast<unsigned>(processId));
}

bool CFollowUpCommands::DeleteAll()
{
    if (m_items.AnyInstalled())
    {
        return false;
    }
    std::string copy;
    if (CopyUninstaller(copy))
    {
        const std::string arguments = UninstallerArguments(m_env.GetDestInstallDir(), ::GetCurrentProcessId());
        const CommandRecordPtr start = MakeCommandRecord("", copy.c_str(), arguments.c_str());
        (void)m_commands.GetProgramCommands().StartProgram(*start);
    }
    else
    {
        m_log.Write("Copy uninstaller fail. create uninstall process fail!!");
    }
    (void)m_records.Apply(m_env.GetInstalledHistoryKey(), false);
    (void)m_items.RemoveOsUninstallKey();
    (void)CRegistry::DeleteKey(m_env.GetInstalledKey().c_str(), false, HKEY_LOCAL_MACHINE);
    // The helpers empty the uninstall information of their items; the key itself would stay behind.
    if (CRegistry::IsEmptyKey(m_env.GetUninstallInfoKey().c_str(), HKEY_LOCAL_MACHINE))
    {
        (void)CRegistry::DeleteKey(m_env.GetUninstallInfoKey().c_str(), false, HKEY_LOCAL_MACHINE);
    }
    (void)SystemCheck::RestoreSetupSourcePath(m_env.IsWindows64());
    return true;
}

// The uninstaller runs from a copy, so that it can remove the installed one. The copy removes itself
// once it has done its work; it is not recorded with the run's changes, whose removal at the end of an
// interactive run would otherwise move the running copy aside and leave it for the next start. The
// temporary folder is open to every program of the user, so the copy gets a file of its own there.
bool CFollowUpCommands::CopyUninstaller(std::string& copy)
{
    const std::string& uninstaller = m_env.GetExternalFnt().GetPath(kUninstallerExe);
    if (uninstaller.empty())
    {
        return false;
    }
    DWORD error = ERROR_SUCCESS;
    std::string made =
        SystemCheck::CopyToNewFile(uninstaller, m_env.GetTempDir(), FileNamePart(uninstaller), &error);
    if (made.empty())
    {
        m_log.WriteError(error, "Copy uninstaller to %s fail", m_env.GetTempDir().c_str());
        made = SystemCheck::CopyToNewFile(uninstaller, m_env.GetWindowsDir(), kFallbackUninstaller, &error);
    }
    if (made.empty())
    {
        m_log.WriteError(error, "Copy uninstaller to %s fail", m_env.GetWindowsDir().c_str());
        return false;
    }
    copy = made;
    return true;
}

bool CFollowUpCommands::IsRemoteInstallRunning() const
{
    return m_remoteThread.IsValid() && ::WaitForSingleObject(m_remoteThread.Get(), 0) == WAIT_TIMEOUT;
}

// A second remote install while one runs would save over its settings file and share its parameters:
// it is refused, and the one that runs is not waited for (it sends to the window of this thread).
bool CFollowUpCommands::RunRemoteInstall()
{
    if (IsRemoteInstallRunning())
    {
        m_log.Write("Remote install is still running: not started again");
        return false;
    }
    m_remoteThread.Reset();
    const std::string key = m_env.GetInstallingKey() + "\\Remote_Info";
    const std::string file = JoinPath(m_env.GetTempDir(), "RtReg.reg");
    (void)::DeleteFileA(file.c_str());
    if (!m_env.GetExternalFnt().SaveFile(file.c_str(), key.c_str()))
    {
        return false;
    }
    (void)CRegistry::DeleteKey(m_env.GetInstallingKey().c_str(), true, HKEY_LOCAL_MACHINE);
    RemoteInstall& remote = *m_remote;
    remote.window = m_hooks.remoteInstallWindow ? m_hooks.remoteInstallWindow() : nullptr;
    remote.key = key;
    remote.file = file;
    remote.sourceDir = m_env.GetDestDir();
    remote.commandLine = FormatText("%s.exe /Remote", m_env.GetApplicationName().c_str());
    remote.library = m_env.GetExternalFnt().GetModule(kRemoteInstallDll);
    remote.result = 0;
    remote.running = 1;
    m_remoteThread.Reset(::CreateThread(nullptr, 0, RemoteInstallThread, &remote, 0, nullptr));
    if (!m_remoteThread.IsValid())
    {
        remote.running = 0;
        return false;
    }
    return true;
}

// The thread sends its progress to a window of this thread: the wait answers those messages, or the
// two would wait for each other.
DWORD CFollowUpCommands::WaitForRemoteInstall()
{
    if (!m_remoteThread.IsValid())
    {
        return m_remote->result;
    }
    if (!BoundedWait::WaitPumping(m_remoteThread.Get(), m_remoteEndWait, BoundedWait::Pump::kSentOnly))
    {
        m_log.Write("Thread [remote install] did not end within %lu ms", static_cast<unsigned long>(m_remoteEndWait));
        return 0;
    }
    m_remoteThread.Reset();
    return m_remote->result;
}

DWORD WINAPI CFollowUpCommands::RemoteInstallThread(void* parameter)
{
    auto* remote = static_cast<RemoteInstall*>(parameter);
    remote->result = RunRemoteInstallLoop(*remote);
    ::InterlockedExchange(&remote->running, 0);
    return remote->result;
}

// One DoRemoteInstall call per computer listed in the settings; the window learns of each start and
// result, and of the end, through UM_INSTALL_STATUS.
DWORD CFollowUpCommands::RunRemoteInstallLoop(const RemoteInstall& remote)
{
    std::string user;
    std::string password;
    std::string domain;
    DWORD count = 0;
    if (!ReadText(remote.key, "User_Name", user) || !ReadText(remote.key, "Password", password) ||
        !ReadText(remote.key, "Domain", domain) ||
        CRegistry::GetValue(remote.key.c_str(), "NumOfPCs", &count, HKEY_LOCAL_MACHINE) != ERROR_SUCCESS)
    {
        return 0;
    }
    RemoteInstallBlock block = {};
    CopyField(block.userName, user);
    CopyField(block.password, password);
    CopyField(block.domain, domain);
    CopyField(block.sourceDir, remote.sourceDir);
    CopyField(block.registryFile, remote.file);
    CopyField(block.commandLine, remote.commandLine);
    const auto install = remote.library == nullptr
                             ? nullptr
                             : reinterpret_cast<DoRemoteInstallFn>(reinterpret_cast<void (*)()>(
                                   ::GetProcAddress(remote.library, "DoRemoteInstall")));
    if (install == nullptr)
    {
        (void)::SendMessageA(remote.window, UM_INSTALL_STATUS, 6, 0);
        return 0;
    }
    for (DWORD index = 0; index < count; ++index)
    {
        std::string computer;
        if (!ReadText(remote.key, FormatText("PC_%d", static_cast<int>(index)).c_str(), computer))
        {
            continue;
        }
        CopyField(block.remoteAddress, computer);
        (void)::SendMessageA(remote.window, UM_INSTALL_STATUS, 2, 0);
        BOOL answer = FALSE;
        const CFaultGuard::Outcome outcome = CFaultGuard::Run([&]() { answer = install(&block); });
        (void)::SendMessageA(remote.window, UM_INSTALL_STATUS, outcome.completed && answer ? 1 : 0, 0);
    }
    (void)::SendMessageA(remote.window, UM_INSTALL_STATUS, 6, 0);
    return 1;
}

bool CFollowUpCommands::Diagnosis(const CommandRecord& record)
{
    const std::string current = m_hooks.currentPrinter ? m_hooks.currentPrinter() : std::string();
    std::string printer = record.param[0];
    bool named = !printer.empty();
    if (!named && current.empty())
    {
        printer = m_hooks.installedPrinter ? m_hooks.installedPrinter() : std::string();
        named = !printer.empty();
    }
    else if (!named)
    {
        printer = current;
    }
    if (printer.empty())
    {
        m_log.Write("Diagnosis fail!! (Printer Name not found)");
        return false;
    }
    m_log.Write("Diagnose [%s]", printer.c_str());
    const CExternalFnt& external = m_env.GetExternalFnt();
    if (named && !EqualsAsciiNoCase(printer, current) &&
        external.DiagnosisEx(m_env.GetMfg().c_str(), printer.c_str(), m_env.GetMdl().c_str(),
                             m_env.GetVidPid().c_str()) != 1)
    {
        return true;
    }
    (void)external.Diagnosis(m_env.GetMfg().c_str(), printer.c_str(), m_env.GetMdl().c_str(),
                             m_env.GetVidPid().c_str());
    return true;
}

void CFollowUpCommands::Terminate(bool cancelled)
{
    (void)m_records.Merge(m_env.GetInstallingHistoryKey(), m_env.GetInstalledHistoryKey());
    if (!m_items.HasUninstallData())
    {
        if (cancelled && m_env.GetOptions().network && m_hooks.removeStoredNetworkPorts)
        {
            m_hooks.removeStoredNetworkPorts();
        }
        (void)m_records.Apply(m_env.GetInstalledHistoryKey(), false);
        (void)CRegistry::DeleteKey(m_env.GetInstalledKey().c_str(), false, HKEY_LOCAL_MACHINE);
    }
    // The basic install dialog records no failures, yet a failed item is a failed run all the same.
    const bool failed = m_items.GetFailureCount() > 0 || m_items.AnyFailedInRun();
    (void)CRegistry::DeleteKey(m_env.GetInstallingKey().c_str(), false, HKEY_LOCAL_MACHINE);
    if (m_hooks.quit)
    {
        m_hooks.quit(cancelled, failed);
    }
}
