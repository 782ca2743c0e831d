#include "app/InstallerApp.h"

#include <vector>

#include <commctrl.h>

#include "base/Text.h"
#include "command/CmdOperator.h"
#include "command/CommandEnv.h"
#include "items/FollowUpCommands.h"
#include "items/InstallRun.h"
#include "items/UninstallRecords.h"
#include "env/Platform.h"
#include "env/SystemCheck.h"
#include "env/SystemRequirement.h"
#include "profile/Profile.h"
#include "registry/Registry.h"
#include "base/Messages.h"
#include "base/UserMessage.h"
#include "command/WaitCursor.h"
#include "ui/InstallUiEnv.h"
#include "ui/MyMessageBox.h"
#include "ui/ProgressWnd.h"
#include "ui/Wizard.h"

// The spooler header names a function SetPort too; the environment's is meant here.
#undef SetPort

namespace
{
const char kRequirementSection[] = "SYSTEM_REQUIREMENT";
const int kRegistryTextSize = 4096;
const DWORD kSectionNameSize = 260;
const UINT kActivateTimeout = 10000;                          // ms a running instance may take to answer

// The section names of a profile's main file.
std::vector<std::string> SectionNames(const CConfigProfile& profile)
{
    std::vector<std::string> names;
    for (const SECTION_LIST* section = profile.GetMain().GetMainDocument().GetFirstSection(); section != nullptr;
         section = section->nextSection)
    {
        names.emplace_back(section->name);
    }
    return names;
}

// The minimum requirements of section SYSTEM_REQUIREMENT; keys that are missing keep their defaults.
CSystemRequirement ReadMinimumRequirement(CInstallEnv& env)
{
    const CConfigProfile& data = env.GetDataProfile();
    SystemRequirementValues values;
    DWORD freeSpace = 0;
    if (data.GetDword(kRequirementSection, "FREE_SPACE", &freeSpace))
    {
        values.freeSpace = freeSpace;
    }
    (void)data.GetString(kRequirementSection, "UNSUPPORTED_OS", values.unsupportedOs);
    (void)data.GetString(kRequirementSection, "MSG_NOT_SUPPORTED_OS", values.msgNotSupportedOs);
    (void)data.GetString(kRequirementSection, "MSG_NO_FREE_SPACE", values.msgNoFreeSpace);
    (void)data.GetString(kRequirementSection, "MSG_USB_NOT_AVAILABLE", values.msgUsbNotAvailable);

    SystemRequirementHelpers helpers;
    helpers.getDiskFreeSpace = [&env](const char* path) { return env.GetExternalFnt().GetDiskFreeSpaceKV(path); };
    helpers.getDevicePort = [&env](char* /*ports*/, DWORD* count) {
        int portCount = 0;                                    // stays 0 when the library does not answer
        (void)env.GetExternalFnt().GetDevicePort(env.GetMfgBuffer(), env.GetMdlBuffer(), env.GetVidPidBuffer(),
                                                 nullptr, &portCount);
        *count = static_cast<DWORD>(portCount);
    };
    return CSystemRequirement(CSystemRequirement::IsCheckActive(SectionNames(data)), values, env.GetOsDefine(),
                              env.GetProgramName(), helpers);
}

// An item counts as installed when the install helper marked its record under the Installed key with
// InstallNow = 2.
bool HasInstalledItemRecord(const std::string& installedKey)
{
    if (installedKey.empty())
    {
        return false;
    }
    const std::string itemsKey = installedKey + "\\Items";
    CRegKey items;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, itemsKey.c_str(), 0, KEY_READ, items.Receive()) != ERROR_SUCCESS)
    {
        return false;
    }
    for (DWORD index = 0;; ++index)
    {
        char name[256] = {};
        DWORD length = sizeof(name);
        const LONG err = ::RegEnumKeyExA(items.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (err == ERROR_MORE_DATA)
        {
            continue;                                         // longer than an item section name can be
        }
        if (err != ERROR_SUCCESS)
        {
            return false;
        }
        DWORD installNow = 0;
        if (CRegistry::GetValue((itemsKey + "\\" + name).c_str(), "InstallNow", &installNow, HKEY_LOCAL_MACHINE) ==
                ERROR_SUCCESS &&
            installNow == 2)
        {
            return true;
        }
    }
}

// Asks a running instance's frame window to come to the front. A hung instance does not hold this
// one up for longer than kActivateTimeout.
void ActivateRunningInstance(HWND frame)
{
    DWORD_PTR answer = 0;
    (void)::SendMessageTimeoutA(frame, UM_ACTIVATE_INSTANCE, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                kActivateTimeout, &answer);
}

bool IsWatcherlessOs(int osCode)
{
    return osCode == OS_WIN95 || osCode == OS_WIN95_OSR2 || osCode == OS_NT3 || osCode == OS_NT4;
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
      m_items(m_log, m_env)
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
    m_watchPause = [](HANDLE wake, DWORD interval) {
        if (wake != nullptr)
        {
            (void)::WaitForSingleObject(wake, interval);
        }
        else
        {
            ::Sleep(interval);
        }
    };
    m_hardwareWizardWatcher.wake.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    m_newHardwareWatcher.wake.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
}

CInstallerApp::~CInstallerApp()
{
    m_followUp.reset();                                       // waits for a remote install still running
    (void)EndWatchers();
}

bool CInstallerApp::EndWatchers()
{
    bool ended = true;
    for (Watcher* watcher : {&m_hardwareWizardWatcher, &m_newHardwareWatcher})
    {
        (void)StopWatcher(*watcher);
        if (watcher->thread.IsValid() &&
            ::WaitForSingleObject(watcher->thread.Get(), m_watcherEndWait) == WAIT_TIMEOUT)
        {
            ended = false;
        }
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
    for (const Watcher* watcher : {&m_hardwareWizardWatcher, &m_newHardwareWatcher})
    {
        if (watcher->thread.IsValid() && ::WaitForSingleObject(watcher->thread.Get(), 0) == WAIT_TIMEOUT)
        {
            return false;
        }
    }
    return true;
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
    if (m_silent && m_otherInstanceRunning)
    {
        // Two runs of one product would write the same records at the same time.
        m_log.Write("The installer is already running");
        m_exitCode = kExitAlreadyRunning;
        return false;
    }
    if (m_runMode == RUN_INSTALL && !RunInstallModeSteps())
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

// Device installations need administrator rights on NT; the data file decides whether to refuse by
// giving the message. Windows 9x has no such rights.
bool CInstallerApp::CheckAdministratorRights()
{
    if (!m_env.GetOptions().deviceInstall || m_env.GetOsClass() == OSCLASS_9X || m_isAdministrator())
    {
        return true;
    }
    std::string message;
    if (!m_env.GetDataProfile().GetString(kRequirementSection, "MSG_IS_NOT_ADMIN", message))
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
    return ReadMinimumRequirement(m_env).CheckRequirements(m_env.GetOptions().usbOnly);
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
    return ::lstrcmpiA(value, "1") == 0;
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

// The interactive start: frame window, background window, dialog colour, the wizard with its items and
// dialogs, the hardware-wizard watcher; the first idle moment then starts the wizard.
bool CInstallerApp::StartInteractive()
{
    if (!CreateWizardFrame())
    {
        return false;
    }
    (void)SystemCheck::WaitNoPendingInstall(std::function<void()>());
    CreateBackground();
    ApplyDialogColour();
    if (!InitWizard())
    {
        m_log.Write("Initialize fail");
        return false;
    }
    if (m_env.GetOptions().deviceInstall && m_runMode == RUN_INSTALL)
    {
        (void)StartHardwareWizardWatcher();
    }
    CompleteInteractiveStart(m_wizard->Window());
    RepaintBackground();
    return true;
}

bool CInstallerApp::CreateWizardFrame()
{
    ::InitCommonControls();                                   // tool-tips, progress bars, lists, animations
    m_uiEnv = std::make_unique<CInstallUiEnv>(m_env, m_log);
    m_messageBox = std::make_unique<CMyMessageBox>(*m_uiEnv);
    CMyMessageBox* box = m_messageBox.get();
    m_previousMessageHandler = SetUserMessageHandler(
        [box](HWND owner, const std::string& text, const std::string& caption, UINT type) {
            return box->ShowAsSystemBox(owner, text, caption, type);
        });
    m_mailbox = MakeCommandRecord();
    // The wizard's executor runs the item, follow-up and termination commands as well.
    auto executor = std::make_unique<CCmdOperator>(m_log, m_env, m_env.GetExternalFnt(), InstallingRecorder());
    ConnectRunCommands(*executor);
    m_wizard = std::make_unique<CWizard>(*m_uiEnv, std::move(executor), *m_mailbox);
    m_wizard->SetTestPageCheck([this] { return m_env.CheckDevicePort(false) && m_env.IsPrinterInstalled(); });
    const int created = m_wizard->Create(m_env.GetProgramName());
    if (created == CWizard::kCreated)
    {
        m_wizard->Executor().SetWindows(m_wizard->Window(), nullptr);
        m_env.SetLanguageWindowSequence([this] { RunLanguageWindowSequence(); });
        return true;
    }
    if (created == CWizard::kAlreadyRunning)
    {
        m_log.Write("The installer is already running");
        m_exitCode = kExitAlreadyRunning;
        if (m_instanceMutex.IsValid())
        {
            (void)::ReleaseMutex(m_instanceMutex.Get());
        }
        return false;
    }
    m_log.Write("The installer initializing fail");
    m_frameOwned = false;
    if (m_instanceMutex.IsValid())
    {
        (void)::ReleaseMutex(m_instanceMutex.Get());
        m_instanceMutex.Reset();
    }
    return false;
}

void CInstallerApp::CreateBackground()
{
    std::string section;
    if (!m_env.GetConfigProfile().GetString("DLG_COMMON", "BACKGROUND_DLG", section))
    {
        return;
    }
    m_background = std::make_unique<CBackgroundWnd>(*m_uiEnv);
    m_background->SetWizard(m_wizard->Window());
    if (!m_background->CreateFor(section))
    {
        m_log.Write("Background window [%s] cannot be created", section.c_str());
        m_background.reset();
        return;
    }
    (void)::ShowWindow(m_background->Window(), SW_SHOWNA);
    (void)::UpdateWindow(m_background->Window());
    m_backgroundShown = true;
    m_wizard->SetBackgroundWindow(m_background->Window());
    m_wizard->Executor().SetWindows(m_wizard->Window(), m_background->Window());
}

void CInstallerApp::ApplyDialogColour()
{
    DWORD colour = 0;
    if (m_env.GetConfigProfile().GetColor("DLG_COMMON", "DLG_BACK_COLOR", &colour))
    {
        m_uiEnv->SetDialogBackColour(colour);
    }
}

bool CInstallerApp::InitWizard()
{
    CWaitCursor wait;
    m_initWindow = std::make_unique<CProgressWnd>(*m_uiEnv);
    if (m_initWindow->CreateFor("INIT_WINDOW", m_backgroundShown ? m_background->Window() : nullptr))
    {
        (void)::ShowWindow(m_initWindow->Window(), SW_SHOW);
        (void)::UpdateWindow(m_initWindow->Window());
    }
    else
    {
        m_initWindow.reset();
    }
    HWND init = m_initWindow ? m_initWindow->Window() : nullptr;
    bool ok = LoadWizardItems();
    if (ok)
    {
        if (init != nullptr)
        {
            (void)::SetForegroundWindow(init);
        }
        m_runMode = ChooseStartSection(m_runMode);
        ok = CheckWizardRunMode();
    }
    if (ok && !m_wizard->Start(m_startSection, init, m_env.GetOptions().precreateDialogs))
    {
        SystemCheck::ShowSystemError(ERROR_INVALID_PARAMETER, m_env.GetProgramName().c_str());
        m_log.Write("Init Wizard fail!! [%s]", m_startSection.c_str());
        ok = false;
    }
    if (ok && m_runMode == RUN_INSTALL)
    {
        RunPreinstaller(init);
    }
    else if (ok && m_runMode == RUN_DELETE_ALL)
    {
        m_items.SelectInstalledForRemoval();
    }
    if (ok && m_backgroundShown)
    {
        (void)::SetForegroundWindow(m_background->Window());
    }
    m_initWindow.reset();
    return ok;
}

bool CInstallerApp::LoadWizardItems()
{
    // The data file's ITEM_INFO, with the initialisation window as the progress display.
    m_items.ClearItems();
    if (!m_items.ReadItems(CItem::kDefaultListSection, m_initWindow ? m_initWindow->Window() : nullptr))
    {
        m_log.Write("Initialize installed item information fail");
        return m_env.GetOptions().mainOnly;
    }
    return true;
}

// The run mode after the start section is chosen: MAIN_ONLY always installs; a start section must
// exist; an install needs at least one item.
bool CInstallerApp::CheckWizardRunMode()
{
    if (m_env.GetOptions().mainOnly)
    {
        m_runMode = RUN_INSTALL;
        return true;
    }
    (void)LoadedNetPrinters();                               // for the network printer dialogs
    if (m_runMode == RUN_NONE)
    {
        SystemCheck::ShowSystemError(ERROR_INVALID_PARAMETER, m_env.GetProgramName().c_str());
        m_log.Write("Invalid Parameter");
        return false;
    }
    if (m_runMode == RUN_INSTALL && m_items.GetCount() == 0)
    {
        std::string message;
        if (m_env.GetDataProfile().GetString(kRequirementSection, "MSG_NOT_SUPPORTED_OS", message))
        {
            (void)ShowUserMessage(nullptr, message, m_env.GetProgramName(), MB_OK | MB_ICONWARNING);
        }
        m_log.Write("There is no valid item!!!");
        return false;
    }
    return true;
}

// The pre-installer runs on a thread of its own; the windows stay responsive while it runs.
void CInstallerApp::RunPreinstaller(HWND initWindow)
{
    const CLanguageInfo& language = m_env.GetLanguage();
    m_preinstallCommand = FormatText("/P %s /S %s /D %s /R %s /L %s /A %s", m_env.GetDataFile().c_str(),
                                     m_env.GetSourceDir().c_str(), m_env.GetDestDir().c_str(),
                                     m_env.GetInstallingHistoryKey().c_str(), language.GetLangDir().c_str(),
                                     language.GetLangAbbr().c_str());
    m_preinstallWindow = initWindow;
    CHandle thread(m_threadStarter(PreinstallerThread, this));
    while (thread.IsValid() && ::WaitForSingleObject(thread.Get(), 100) == WAIT_TIMEOUT)
    {
        MSG message = {};
        if (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        {
            (void)::TranslateMessage(&message);
            (void)::DispatchMessageA(&message);
        }
    }
}

DWORD WINAPI CInstallerApp::PreinstallerThread(void* parameter)
{
    auto* app = static_cast<CInstallerApp*>(parameter);
    app->m_log.Write("Call Pre-Installer : Command ==> %s", app->m_preinstallCommand.c_str());
    (void)app->m_env.GetExternalFnt().Preinstall(app->m_preinstallCommand.c_str(), app->m_preinstallWindow);
    return 1;
}

// An interactive language change: the wizard is hidden while every dialog re-reads its description
// in the new language, then shows the current dialog again.
void CInstallerApp::RunLanguageWindowSequence()
{
    if (!m_wizard || m_wizard->Window() == nullptr)
    {
        return;
    }
    CWaitCursor wait;
    CProgressWnd changeWindow(*m_uiEnv);
    HWND change = nullptr;
    if (changeWindow.CreateFor("CHANGE_LANG_WIN", m_backgroundShown ? m_background->Window() : nullptr))
    {
        change = changeWindow.Window();
        (void)::ShowWindow(change, SW_SHOW);
        (void)::UpdateWindow(change);
    }
    HWND wizard = m_wizard->Window();
    (void)::ShowWindow(wizard, SW_HIDE);
    const LONG_PTR exStyle = ::GetWindowLongPtrA(wizard, GWL_EXSTYLE);
    ::SetWindowLongPtrA(wizard, GWL_EXSTYLE, m_env.GetOptions().rightAlign
                                                 ? (exStyle | WS_EX_LAYOUTRTL)
                                                 : (exStyle & ~static_cast<LONG_PTR>(WS_EX_LAYOUTRTL)));
    RepaintBackground();
    if (m_background)
    {
        m_background->Refresh();
        (void)::ShowWindow(m_background->Window(), m_backgroundShown ? SW_SHOWNA : SW_HIDE);
    }
    (void)m_items.ReloadItems(change);                       // the item texts in the new language
    m_wizard->RefreshAll(change);
    if (change != nullptr)
    {
        (void)::DestroyWindow(change);
    }
    (void)::ShowWindow(wizard, SW_SHOW);
    (void)::PostMessageA(wizard, UM_NAVIGATE, 0, 0);
}

void CInstallerApp::RepaintBackground()
{
    if (m_backgroundShown && m_background)
    {
        (void)::RedrawWindow(m_background->Window(), nullptr, nullptr,
                             RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
}

void CInstallerApp::ShutDownWindows()
{
    if (m_wizard && m_frameOwned)
    {
        m_wizard.reset();
    }
    m_background.reset();
    m_backgroundShown = false;
    if (m_messageBox)
    {
        (void)SetUserMessageHandler(m_previousMessageHandler);
        m_messageBox.reset();
    }
}

void CInstallerApp::CompleteInteractiveStart(HWND frame)
{
    m_mainWindow = frame;
    (void)WriteStartValues(true);
    m_ready = true;
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
    if (m_exitCode == kExitSuccess && m_restartQueue && m_restartQueue->HasNewEntries())
    {
        m_exitCode = kExitRestartNeeded;
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

// An empty record names no directory: it counts as unreadable, as it does for the environment.
bool CInstallerApp::ReadInstalledDestination(std::string& destination) const
{
    const std::string& key = m_env.GetInstalledKey();
    std::vector<char> text(kRegistryTextSize + 1, '\0');
    const int size = static_cast<int>(text.size());
    if (key.empty() ||
        CRegistry::GetValue(key.c_str(), "Dest_Dir", text.data(), HKEY_LOCAL_MACHINE, size) != ERROR_SUCCESS ||
        text[0] == '\0')
    {
        return false;
    }
    destination = text.data();
    return true;
}

// A recorded installation with its language turns an install into a reinstall, unless the product
// is a network product, which installs again for each further printer.
int CInstallerApp::ApplyRecordedInstallation(int runMode)
{
    std::string destination;
    const bool recorded =
        runMode == RUN_REINSTALL ||
        (runMode == RUN_INSTALL && ReadInstalledDestination(destination) && m_anyItemInstalled());
    const std::string& key = m_env.GetInstalledKey();
    DWORD langCode = 0;
    if (!recorded || key.empty() ||
        CRegistry::GetValue(key.c_str(), "LangCode", &langCode, HKEY_LOCAL_MACHINE) != ERROR_SUCCESS)
    {
        return runMode;
    }
    m_env.SetInstalled(true);
    if (runMode == RUN_INSTALL && !m_env.GetOptions().network)
    {
        return RUN_REINSTALL;
    }
    return runMode;
}

int CInstallerApp::ChooseStartSection(int runMode)
{
    runMode = ApplyRecordedInstallation(runMode);
    const char* programFile = m_programFile.empty() ? nullptr : m_programFile.c_str();
    const bool cdSource = SystemCheck::GetSourceMediaType(programFile) == SystemCheck::kMediaCdRom;
    const CConfigProfile& config = m_env.GetConfigProfile();
    int result = RUN_NONE;
    for (const StartSectionCandidate& candidate : StartSectionCandidates(runMode, cdSource))
    {
        char resolved[kSectionNameSize] = {};
        if (config.ResolveSection(candidate.section, resolved, sizeof(resolved)))
        {
            m_startSection = resolved;
            result = candidate.runMode;
            break;
        }
    }
    if (result == RUN_NONE)
    {
        m_log.Write("Start Section is [%s]", m_startSection.c_str());
        return RUN_NONE;
    }
    // With MAIN_ONLY the product has no items, and nothing is written under the Installing key.
    if (!m_env.GetOptions().mainOnly && !m_env.GetInstallingKey().empty())
    {
        (void)CRegistry::SetValue(m_env.GetInstallingKey().c_str(), "Setup_Type", static_cast<DWORD>(result),
                                  HKEY_LOCAL_MACHINE);
    }
    const std::string variant = m_startSection + ".OVRA";
    if (result == RUN_INSTALL && m_env.GetOptions().ovra && config.HasSection(variant.c_str()))
    {
        m_startSection = variant;
    }
    m_log.Write("Start Section is [%s]", m_startSection.c_str());
    return result;
}

bool CInstallerApp::WriteStartValues(bool full)
{
    const std::string& key = m_env.GetInstallingKey();
    if (m_env.GetOptions().mainOnly || key.empty())
    {
        return true;
    }
    const auto text = [&key](const char* name, const std::string& value) {
        (void)CRegistry::SetValue(key.c_str(), name, value.c_str(), HKEY_LOCAL_MACHINE);
    };
    const auto number = [&key](const char* name, DWORD value) {
        (void)CRegistry::SetValue(key.c_str(), name, value, HKEY_LOCAL_MACHINE);
    };
    if (full)
    {
        text("MFG", m_env.GetMfg());
        text("MDL", m_env.GetMdl());
        text("VIDPID", m_env.GetVidPid());
        text("Printer_Port", m_env.GetVidPid());
        text("Program_Name", m_env.GetProgramName());
    }
    number("LangCode", m_env.GetLanguage().GetRequestedLangId());
    text("LangAbbr", m_env.GetLanguage().GetLangAbbr());
    text("Dest_Dir", m_env.GetDestDir());
    text("Win_Dir", m_env.GetWindowsDir());
    text("Temp_Dir", m_env.GetTempDir());
    text("STR_FILE", m_env.GetStringFile());
    number("OS_Ver", OsVerValue(m_env.GetOsClass()));
    return true;
}

bool CInstallerApp::StartHardwareWizardWatcher()
{
    return StartWatcher(m_hardwareWizardWatcher, HardwareWizardWatcherThread,
                        "Create Compress PnP Thread error!!");
}

bool CInstallerApp::StopHardwareWizardWatcher()
{
    return StopWatcher(m_hardwareWizardWatcher);
}

bool CInstallerApp::StartNewHardwareWatcher()
{
    return StartWatcher(m_newHardwareWatcher, NewHardwareWatcherThread, "Create Active PnP Thread error!!");
}

bool CInstallerApp::StopNewHardwareWatcher()
{
    return StopWatcher(m_newHardwareWatcher);
}

// Windows 95 and NT 4 have no hardware wizards of that kind. One thread per watcher: a start while it
// runs keeps it; a start after a stop waits for the stopped thread to end first.
bool CInstallerApp::StartWatcher(Watcher& watcher, LPTHREAD_START_ROUTINE routine, const char* failureText)
{
    if (IsWatcherlessOs(m_env.GetOsCode()))
    {
        return true;
    }
    if (watcher.thread.IsValid())
    {
        if (watcher.running && ::WaitForSingleObject(watcher.thread.Get(), 0) == WAIT_TIMEOUT)
        {
            return true;
        }
        (void)::WaitForSingleObject(watcher.thread.Get(), INFINITE);
        watcher.thread.Reset();
    }
    watcher.running = true;
    if (watcher.wake.IsValid())
    {
        (void)::ResetEvent(watcher.wake.Get());
    }
    HANDLE thread = m_threadStarter(routine, this);
    const DWORD err = thread != nullptr ? ERROR_SUCCESS : ::GetLastError();
    if (thread == nullptr)
    {
        m_log.WriteError(err, "%s", failureText);
        return false;
    }
    watcher.thread.Reset(thread);
    return true;
}

bool CInstallerApp::StopWatcher(Watcher& watcher)
{
    watcher.running = false;
    if (watcher.wake.IsValid())
    {
        (void)::SetEvent(watcher.wake.Get());
    }
    return true;
}

void CInstallerApp::Watch(Watcher& watcher, BOOL (CExternalFnt::*entry)() const)
{
    const CExternalFnt& external = m_env.GetExternalFnt();
    while (watcher.running)
    {
        (void)(external.*entry)();
        if (watcher.running)
        {
            m_watchPause(watcher.wake.Get(), m_watchInterval);
        }
    }
}

DWORD WINAPI CInstallerApp::HardwareWizardWatcherThread(void* parameter)
{
    auto* app = static_cast<CInstallerApp*>(parameter);
    app->Watch(app->m_hardwareWizardWatcher, &CExternalFnt::RemoveHardwareWizardDialog);
    return 0;
}

DWORD WINAPI CInstallerApp::NewHardwareWatcherThread(void* parameter)
{
    auto* app = static_cast<CInstallerApp*>(parameter);
    app->Watch(app->m_newHardwareWatcher, &CExternalFnt::MySetForegroundNHWdDialog);
    return 0;
}
