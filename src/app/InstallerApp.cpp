#include "app/InstallerApp.h"

#include "base/Messages.h"
#include "base/Text.h"
#include "base/TextRules.h"
#include "command/CmdOperator.h"
#include "env/AdminCheck.h"
#include "env/FileSystem.h"
#include "env/Platform.h"
#include "env/SpoolerCheck.h"
#include "env/SystemRequirement.h"
#include "items/FollowUpCommands.h"
#include "items/InstallRun.h"
#include "items/UninstallRecords.h"
#include "profile/Profile.h"
#include "ui/InstallUiEnv.h"
#include "ui/MyMessageBox.h"
#include "ui/ProgressWnd.h"
#include "ui/Wizard.h"

// The spooler header names a function SetPort too; the environment's is meant here.
#undef SetPort

namespace
{
const UINT kActivateTimeout = 10000;                          // ms a running instance may take to answer

// Asks a running instance's frame window to come to the front. A hung instance does not hold this
// one up for longer than kActivateTimeout.
void ActivateRunningInstance(HWND frame)
{
    DWORD_PTR answer = 0;
    (void)::SendMessageTimeoutA(frame, UM_ACTIVATE_INSTANCE, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                kActivateTimeout, &answer);
}

void PauseOrWake(HANDLE wake, DWORD interval)
{
    if (wake != nullptr)
    {
        (void)::WaitForSingleObject(wake, interval);
    }
    else
    {
        ::Sleep(interval);
    }
}
}  // namespace

CInstallerApp::CRunLog::CRunLog()
{
    (void)OpenLogFile();
    WriteBanner();
}

CInstallerApp::CInstallerApp(std::string commandLine, std::string programFile)
    : m_commandLine(std::move(commandLine)),
      m_programFile(std::move(programFile)),
      m_env(m_log, m_programFile),
      m_printers(m_log),
      m_netPrinters(m_log, m_env.GetExternalFnt(), &m_printers),
      m_items(m_log, m_env),
      m_hardwareWizardWatcher(m_log, m_env.GetExternalFnt(), &CExternalFnt::RemoveHardwareWizardDialog,
                              "Create Compress PnP Thread error!!"),
      m_newHardwareWatcher(m_log, m_env.GetExternalFnt(), &CExternalFnt::MySetForegroundNHWdDialog,
                           "Create Active PnP Thread error!!")
{
    // Every destination directory the installer makes is removed again by an uninstall.
    m_env.SetHistoryRecorder(InstallingRecorder());
    m_items.SetPrinterManager(&m_printers);
    m_installRun.silentInstall = [this](bool reinstall) {
        return RunSilentInstall(reinstall ? RUN_REINSTALL : RUN_INSTALL, std::string());
    };
    m_installRun.silentUninstall = [this] { return RunSilentInstall(RUN_UNINSTALL, std::string()); };
    m_installRun.scriptInstall = [this](const std::string& file) { return RunSilentInstall(RUN_SCRIPT, file); };
    // A language change gives the network printer list its texts in the new language.
    m_env.SetNetworkTextsReloader([this] {
        if (m_netPrintersLoaded)
        {
            m_netPrinters.SetContext(CNetPrinterList::ContextFrom(m_env));
            m_netPrinters.LoadMessages(m_env.GetConfigProfile());
        }
    });
    m_isAdministrator = [] { return SystemCheck::CheckAdministrator(); };
    m_anyItemInstalled = [this] { return HasInstalledItemRecord(m_env.GetInstalledKey()); };
    m_threadStarter = [](LPTHREAD_START_ROUTINE routine, void* parameter) {
        return ::CreateThread(nullptr, 0, routine, parameter, 0, nullptr);
    };
    m_watchPause = PauseOrWake;
}

CInstallerApp::~CInstallerApp()
{
    m_followUp.reset();                                       // waits for a remote install still running
    (void)EndWatchers();
}

bool CInstallerApp::EndWatchers()
{
    bool ended = true;
    for (CHardwareWatcher* watcher : {&m_hardwareWizardWatcher, &m_newHardwareWatcher})
    {
        ended = watcher->StopAndWait(m_watcherEndWait) && ended;
    }
    if (!ended)
    {
        m_log.Write("Watcher thread did not end within %lu ms", static_cast<unsigned long>(m_watcherEndWait));
        m_env.GetExternalFnt().KeepLibrariesLoaded();
    }
    return ended;
}

bool CInstallerApp::WatchersEnded() const
{
    return m_hardwareWizardWatcher.HasEnded() && m_newHardwareWatcher.HasEnded();
}

bool CInstallerApp::StartWatcher(CHardwareWatcher& watcher)
{
    return watcher.Start(m_env.GetOsCode(), m_threadStarter, m_watchPause, m_watchInterval);
}

bool CInstallerApp::StartHardwareWizardWatcher()
{
    return StartWatcher(m_hardwareWizardWatcher);
}

bool CInstallerApp::StopHardwareWizardWatcher()
{
    return m_hardwareWizardWatcher.Stop();
}

bool CInstallerApp::StartNewHardwareWatcher()
{
    return StartWatcher(m_newHardwareWatcher);
}

bool CInstallerApp::StopNewHardwareWatcher()
{
    return m_newHardwareWatcher.Stop();
}

int CInstallerApp::Run()
{
    if (InitInstance())
    {
        m_exitCode = RunMessageLoop();
    }
    return ExitInstance();
}

bool CInstallerApp::InitInstance()
{
    if (!m_env.Init())
    {
        m_log.Write("Initilize global variable fail");
        return false;
    }
    m_restartQueue.reset(new CRestartQueue(m_env.GetOsClass()));
    if (!CheckSingleInstance())
    {
        m_exitCode = kExitAlreadyRunning;
        return false;
    }
    if (!CheckAdministratorRights())
    {
        return false;
    }
    m_runMode = ParseCommandLine();
    if (RefuseSilentBesideRunningInstaller())
    {
        return false;
    }
    // The setting file may turn an install into a silent script install: asked once more then.
    if (m_runMode == RUN_INSTALL && (!RunInstallModeSteps() || RefuseSilentBesideRunningInstaller()))
    {
        return false;
    }
    if (m_silent)
    {
        std::string destination;
        if (ReadInstalledDestination(destination))
        {
            m_env.SetDestination(destination);
        }
        m_exitCode = CarryOutSilentRun() ? kExitSuccess : kExitInstallFailure;
        return false;                                         // a silent run never creates a window
    }
    return StartInteractive();
}

std::string CInstallerApp::GetInstanceName() const
{
    return FormatText("%s Installer Program", m_env.GetProgramName().c_str());
}

// Only one installer of a product runs at a time. A second one that finds the first one's frame window
// asks it to the front and goes on to read its command line (an interactive start then ends when it
// looks for the frame, a silent run at once); without that window the first one is taken to be still
// starting or ending, and this one ends.
bool CInstallerApp::CheckSingleInstance()
{
    const std::string name = GetInstanceName();
    ::SetLastError(ERROR_SUCCESS);
    CHandle mutex(::CreateMutexA(nullptr, TRUE, name.c_str()));
    const DWORD err = ::GetLastError();
    if (err == ERROR_ALREADY_EXISTS)
    {
        HWND running = ::FindWindowA(name.c_str(), nullptr);
        if (running == nullptr)
        {
            m_log.Write("There is a previous running instance of this application, so it is terminated.");
            return false;
        }
        ActivateRunningInstance(running);
        m_otherInstanceRunning = true;
        return true;
    }
    if (mutex.IsValid() && err == ERROR_SUCCESS)
    {
        m_instanceMutex = std::move(mutex);
    }
    return true;                                              // any other failure: go on without a mutex
}

// Two runs of one product would write the same records at the same time: a silent run (by the command
// line or by the setting file) beside a running installer ends at once. An interactive start ends later,
// when its frame finds the running one's.
bool CInstallerApp::RefuseSilentBesideRunningInstaller()
{
    if (!m_silent || !m_otherInstanceRunning)
    {
        return false;
    }
    m_log.Write("The installer is already running");
    m_exitCode = kExitAlreadyRunning;
    return true;
}

// Device installations need administrator rights on NT; the data file decides whether to refuse by
// giving the message. Windows 9x has no such rights.
bool CInstallerApp::CheckAdministratorRights()
{
    if (!m_env.GetOptions().deviceInstall || m_env.GetOsClass() == OSCLASS_9X || m_isAdministrator())
    {
        return true;
    }
    std::string message;
    if (!m_env.GetDataProfile().GetString(kSystemRequirementSection, "MSG_IS_NOT_ADMIN", message))
    {
        return true;
    }
    (void)ShowUserMessage(nullptr, message, m_env.GetProgramName(), MB_OK | MB_ICONWARNING);
    return false;
}

int CInstallerApp::ParseCommandLine()
{
    const std::string text = m_commandLine.substr(0, kMaxCommandLineLength);
    m_log.Write("Parameter : %s", text.c_str());
    const CommandLineChoice choice = ParseCommandLineText(text);
    for (const CommandLineSetting& setting : choice.settings)
    {
        switch (setting.letter)
        {
        case 'A':
            m_env.SetDestination(setting.value);
            break;
        case 'L':
            (void)m_env.SetLanguage(static_cast<WORD>(CProfile::StringToDword(setting.value.c_str())), false);
            break;
        default:
            m_env.SetPort(setting.value);
            m_env.SetPortFromCommandLine(true);
            break;
        }
    }
    m_silent = m_silent || choice.silent;
    return choice.runMode;
}

// A first installation must meet the minimum requirements; the setting file may turn an install into
// a silent script install.
bool CInstallerApp::RunInstallModeSteps()
{
    std::string destination;
    if (!ReadInstalledDestination(destination) && !CheckMinimumRequirements())
    {
        m_log.Write("This system could not satisfy the installer Minimum Requirement!");
        m_exitCode = kExitNotSupported;
        return false;
    }
    if (IsSilentScriptRequested())
    {
        m_silent = true;
        m_runMode = RUN_SCRIPT;
    }
    return true;
}

bool CInstallerApp::CheckMinimumRequirements()
{
    return ReadSystemRequirement(m_env).CheckRequirements(m_env.GetOptions().usbOnly);
}

bool CInstallerApp::IsSilentScriptRequested() const
{
    const std::string& settingFile = m_env.GetSettingFile();
    if (settingFile.empty() || !SystemCheck::FileExists(settingFile.c_str()))
    {
        return false;
    }
    char value[MAX_PATH] = {};
    (void)::GetPrivateProfileStringA("INSTALL", "SILENT", "", value, sizeof(value), settingFile.c_str());
    return EqualsSystemNoCase(value, "1");
}

bool CInstallerApp::CarryOutSilentRun()
{
    const InstallRunEntries& run = m_installRun;
    switch (m_runMode)
    {
    case RUN_INSTALL:
        (void)WriteStartValues(true);
        return run.silentInstall ? run.silentInstall(false) : ReportNoInstallRun("silent install");
    case RUN_UNINSTALL:
        return run.silentUninstall ? run.silentUninstall() : ReportNoInstallRun("silent uninstall");
    case RUN_REINSTALL:
        return run.silentInstall ? run.silentInstall(true) : ReportNoInstallRun("silent reinstall");
    case RUN_SCRIPT:
        (void)WriteStartValues(true);
        return run.scriptInstall ? run.scriptInstall(m_env.GetSettingFile())
                                 : ReportNoInstallRun("script install");
    default:
        return true;                                          // delete-all needs the wizard: nothing to do
    }
}

// Records under the Installing history root of the run (known once the environment is initialised).
HistoryRecorder CInstallerApp::InstallingRecorder()
{
    return [this](const std::string& text, HistoryKind kind) {
        return CUninstallRecords(m_log, m_env.GetInstallingHistoryKey()).AddEntry(text, kind);
    };
}

void CInstallerApp::ConnectRunCommands(CCmdOperator& commands)
{
    m_printers.SetSystem(CMyPrinter::SystemFrom(m_env));
    m_items.ConnectCommands(commands);
    m_followUp.reset(new CFollowUpCommands(m_log, m_env, m_items, commands, MakeRunHooks()));
    m_followUp->Connect(commands);
}

RunHooks CInstallerApp::MakeRunHooks()
{
    RunHooks hooks;
    hooks.markPrinterInstalled = [this](const std::string& driver) { (void)m_printers.MarkInstalled(driver); };
    hooks.setPortOfAllPrinters = [this](const std::string& port) {
        (void)m_printers.SetPortOfAllPrinters(port, true);
    };
    // Before the device refresh the queues still carry the driver's name; the port, the final name and
    // the default by that name follow it.
    hooks.refreshPrinters = [this] {
        (void)m_printers.DefaultPrinterStep(true);
        (void)m_printers.SharePrinters();
    };
    hooks.applyPrinterCommands = [this] {
        (void)m_printers.SetPortOfEachPrinter();
        (void)m_printers.RenamePrinters();
        (void)m_printers.DefaultPrinterStep(false);
    };
    hooks.currentPrinter = [this] { return m_printers.GetCurrentPrinter(); };
    hooks.installedPrinter = [this] {
        std::vector<std::string> names;
        return m_printers.GetInstalledPrinterNames(&names) > 0 && !names.empty() ? names.front() : std::string();
    };
    hooks.checkIpAddress = [this](const std::string& address) {
        return LoadedNetPrinters().CheckIP(address, false, true);
    };
    hooks.createIpPort = [this](const std::string& address, const std::string& port) {
        return LoadedNetPrinters().CreateTcpIpPort(port, address, std::string());
    };
    hooks.removeStoredNetworkPorts = [this] { (void)LoadedNetPrinters().RemoveStoredPorts(); };
    hooks.stopNewHardwareWatcher = [this] { (void)StopNewHardwareWatcher(); };
    hooks.startNewHardwareWatcher = [this] { (void)StartNewHardwareWatcher(); };
    hooks.waitNoPendingInstall = [] { (void)SystemCheck::WaitNoPendingInstall(std::function<void()>()); };
    hooks.quit = [this](bool cancelled, bool failed) {
        SetRunOutcome(!failed, cancelled);
        ::PostQuitMessage(m_exitCode);
    };
    hooks.remoteInstallWindow = [this] { return m_mainWindow; };
    return hooks;
}

CNetPrinterList& CInstallerApp::LoadedNetPrinters()
{
    if (!m_netPrintersLoaded)
    {
        m_netPrinters.SetContext(CNetPrinterList::ContextFrom(m_env));
        (void)m_netPrinters.Load(m_env.GetDataProfile(), "NETWORK_PRINTER_INFO");
        m_netPrinters.LoadMessages(m_env.GetConfigProfile());
        m_netPrintersLoaded = true;
    }
    return m_netPrinters;
}

bool CInstallerApp::RunSilentInstall(int runMode, const std::string& settingFile)
{
    if (!m_silentCommands)
    {
        m_silentCommands.reset(new CCmdOperator(m_log, m_env, m_env.GetExternalFnt(), InstallingRecorder()));
        ConnectRunCommands(*m_silentCommands);
    }
    CInstallRun run(m_log, m_env, m_items, *m_silentCommands, m_followUp->GetRecords(), MakeRunHooks());
    switch (runMode)
    {
    case RUN_UNINSTALL:
        return run.SilentUninstall();
    case RUN_SCRIPT:
        return run.ScriptInstall(settingFile);
    default:
        return run.SilentInstall(runMode == RUN_REINSTALL);
    }
}

bool CInstallerApp::ReportNoInstallRun(const char* run)
{
    m_log.Write("The install run is not part of this build: the %s is not carried out", run);
    return false;
}

int CInstallerApp::RunMessageLoop()
{
    long idleCount = 0;
    bool idle = true;
    MSG message = {};
    for (;;)
    {
        while (idle && !::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE))
        {
            idle = OnIdle(idleCount++);
        }
        const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
        if (got == 0)
        {
            return static_cast<int>(message.wParam);
        }
        if (got == -1)
        {
            return kExitInstallFailure;
        }
        if (!m_wizard || !m_wizard->PreTranslateMessage(message))
        {
            (void)::TranslateMessage(&message);
            (void)::DispatchMessageA(&message);
        }
        idle = true;
        idleCount = 0;
    }
}

bool CInstallerApp::OnIdle(long /*idleCount*/)
{
    if (m_ready && !m_started)
    {
        m_log.Write("Start installation");
        (void)::PostMessageA(m_mainWindow, UM_START, 1, 0);
        m_started = true;
    }
    return false;                                             // the framework has no idle work of its own
}

void CInstallerApp::SetRunOutcome(bool succeeded, bool cancelled)
{
    m_exitCode = cancelled ? kExitCancelled : (succeeded ? kExitSuccess : kExitInstallFailure);
}

int CInstallerApp::ExitInstance()
{
    m_log.Write("End of installation");
    ShutDownWindows();
    if (m_exitCode == kExitSuccess &&
        (m_restartChoice != RestartChoice::kNone || (m_restartQueue && m_restartQueue->HasNewEntries())))
    {
        m_exitCode = kExitRestartNeeded;
    }
    if (m_exitCode == kExitRestartNeeded && m_restartChoice == RestartChoice::kNow)
    {
        (void)ExitCode::RequestRestart(m_env.GetOsClass(), m_log);
    }
    if (m_instanceMutex.IsValid())
    {
        (void)::ReleaseMutex(m_instanceMutex.Get());
    }
    if (m_env.GetOptions().deviceInstall)
    {
        (void)StopHardwareWizardWatcher();
        (void)StopNewHardwareWatcher();
    }
    m_log.Write("%s", ExitCode::LogLine(m_exitCode).c_str());
    return m_exitCode;
}
