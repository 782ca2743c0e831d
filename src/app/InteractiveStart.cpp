// The interactive start of the application (app/InstallerApp.h): the wizard frame, the background and
// initialisation windows, the wizard with its items and start section, the pre-installer, and a
// language change while the wizard is shown.
#include "app/InstallerApp.h"

#include <commctrl.h>

#include "base/BoundedWait.h"
#include "base/Messages.h"
#include "base/Text.h"
#include "base/WaitCursor.h"
#include "command/CmdOperator.h"
#include "env/SpoolerCheck.h"
#include "env/SystemError.h"
#include "env/SystemRequirement.h"
#include "items/FollowUpCommands.h"
#include "items/InstallRun.h"
#include "ui/InstallUiEnv.h"
#include "ui/MyMessageBox.h"
#include "ui/ProgressWnd.h"
#include "ui/Wizard.h"

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
    if (!m_richEdit.Load())
    {
        m_log.Write("The rich edit library cannot be loaded");
    }
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
    DialogContext context;
    context.env = &m_env;
    context.items = &m_items;
    context.printers = &m_printers;
    context.network = &m_netPrinters;
    CCmdOperator* commands = &m_wizard->Executor();
    context.makeInstallRun = [this, commands] {
        return std::make_unique<CInstallRun>(m_log, m_env, m_items, *commands, m_followUp->GetRecords(),
                                             MakeRunHooks());
    };
    context.fileRecorder = [this] { return m_followUp->GetRecords().Recorder(); };
    context.restartChosen = [this](bool now) {
        m_restartChoice = now ? RestartChoice::kNow : RestartChoice::kLater;
        m_log.Write(now ? "The person chose to restart Windows now" : "The person chose to restart Windows later");
    };
    m_wizard->SetDialogContext(context);
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
    if (!m_items.ReadItems(CItem::kDefaultListSection, m_initWindow ? m_initWindow->Window() : nullptr))
    {
        m_log.Write("Initialize installed item information fail");
        return m_env.GetOptions().mainOnly;
    }
    // The printer records give the item records their driver installer's switches when the choice is
    // committed.
    m_items.BuildPrinterList(false);
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
        if (m_env.GetDataProfile().GetString(kSystemRequirementSection, "MSG_NOT_SUPPORTED_OS", message))
        {
            (void)ShowUserMessage(nullptr, message, m_env.GetProgramName(), MB_OK | MB_ICONWARNING);
        }
        m_log.Write("There is no valid item!!!");
        return false;
    }
    return true;
}

namespace
{
const DWORD kPreinstallerBoundMs = 10 * 60 * 1000;
}  // namespace

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
    // A pre-installer that never returns does not hold the wizard back for ever: past the bound the
    // thread is left to itself (it uses only this object, which lives until the process ends).
    if (thread.IsValid() && !BoundedWait::WaitPumping(thread.Get(), kPreinstallerBoundMs))
    {
        m_log.Write("The pre-installer did not end within %lu seconds: the installer goes on",
                    static_cast<unsigned long>(kPreinstallerBoundMs / 1000));
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
    // The frame shows before its first dialog: a first dialog that cannot be opened still leaves a
    // window the person can close.
    (void)::ShowWindow(frame, SW_SHOW);
    (void)::UpdateWindow(frame);
    (void)WriteStartValues(true);
    m_ready = true;
}
