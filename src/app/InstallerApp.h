#pragma once
// The installer application, one object per process: owns the run's log (opened first, closed last)
// and the installer environment, decides the run mode at start-up, carries out a silent run or starts
// an interactive one, runs the message loop and shuts down in a fixed order. Run's result is the
// process exit code.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "app/ExitCode.h"
#include "app/HardwareWatcher.h"
#include "app/StartDecision.h"
#include "base/APIFunction.h"
#include "base/Scoped.h"
#include "base/UserMessage.h"
#include "command/CommandRecord.h"
#include "env/InstallEnv.h"
#include "items/Item.h"
#include "items/RunHooks.h"
#include "log/Log.h"
#include "printer/MyPrinter.h"
#include "printer/NetPrinterList.h"

class CCmdOperator;
class CFollowUpCommands;

class CBackgroundWnd;
class CInstallUiEnv;
class CMyMessageBox;
class CProgressWnd;
class CWizard;

class CInstallerApp
{
public:
    // The install run's entries for the silent modes; each answers whether the run succeeded (no item
    // failed). They run the items' install run unless replaced; an empty entry only logs that the mode
    // has no install run.
    struct InstallRunEntries
    {
        std::function<bool(bool reinstall)> silentInstall;
        std::function<bool()> silentUninstall;
        std::function<bool(const std::string& settingFile)> scriptInstall;
    };
    // True when the user is an administrator.
    using AdministratorCheck = std::function<bool()>;
    // True when at least one item is recorded as installed.
    using InstalledItemsCheck = std::function<bool()>;
    // Starts a thread running routine(parameter); null (last error set) when it cannot.
    using ThreadStarter = CHardwareWatcher::ThreadStarter;

    // The exit codes deployment tools read, of the Windows Installer family.
    static constexpr int kExitSuccess = ExitCode::kSuccess;
    static constexpr int kExitRestartNeeded = ExitCode::kRestartNeeded;   // done; completed at the next start
    static constexpr int kExitCancelled = ExitCode::kCancelled;           // the user cancelled
    static constexpr int kExitInstallFailure = ExitCode::kInstallFailure; // an item failed, or the run could not work
    static constexpr int kExitAlreadyRunning = ExitCode::kAlreadyRunning; // another installer of the product runs
    static constexpr int kExitNotSupported = ExitCode::kNotSupported;     // the requirement check refused the system
    static constexpr DWORD kWatchInterval = 1000;             // ms between two watcher passes
    static constexpr DWORD kWatcherEndWait = 5000;            // ms shutdown waits for a watcher to end

    // commandLine: the text after the program name. programFile: the installer's program file, whose
    // folder holds the product's files; empty for this process's own file.
    explicit CInstallerApp(std::string commandLine, std::string programFile = std::string());
    // Ends the watcher threads (EndWatchers): they use the environment and the log.
    virtual ~CInstallerApp();
    CInstallerApp(const CInstallerApp&) = delete;
    CInstallerApp& operator=(const CInstallerApp&) = delete;

    // InitInstance, the message loop when it succeeded, ExitInstance; the process exit code.
    int Run();
    // The start-up sequence. True only for an interactive start whose wizard is ready; every silent
    // run and every refusal or failure gives false.
    bool InitInstance();
    // Tells the wizard once, at the first idle moment after a successful start, to begin. False: no
    // further idle time is wanted.
    bool OnIdle(long idleCount);
    // The shutdown sequence; the exit code, also written as the log's last line.
    int ExitInstance();
    // How the run ended, for the exit code: an interactive run's termination reports it before the
    // message loop ends (cancelled by the user, or failed when an item failed).
    void SetRunOutcome(bool succeeded, bool cancelled);

    // Logs the command line and applies its switches; the run mode it asks for.
    int ParseCommandLine();
    // Chooses the start section of the configuration file for the run mode and stores the result as
    // Setup_Type; RUN_NONE when not even INSTALL_START_INFO exists.
    int ChooseStartSection(int runMode);
    // The start values under the Installing key (the model identity only when full); nothing with
    // MAIN_ONLY. Always true.
    bool WriteStartValues(bool full);

    // The two threads that keep Windows' hardware wizards out of the way, one helper call a second.
    // Start is true without a thread on Windows 95 and NT 4 and older, and while one already runs;
    // false (logged) when the thread cannot be made. Stop ends the thread after its current pass.
    bool StartHardwareWizardWatcher();
    bool StopHardwareWizardWatcher();
    bool StartNewHardwareWatcher();
    bool StopNewHardwareWatcher();
    // Stops both watchers and waits for each to end, at most kWatcherEndWait. False when one is still
    // inside its pass: logged, and the helper libraries stay loaded for the rest of the process.
    bool EndWatchers();
    // True when no watcher thread is still running (one may hang inside a helper call).
    bool WatchersEnded() const;

    // Replaceable parts, and the system answers a test machine cannot give otherwise.
    void SetInstallRun(InstallRunEntries entries) { m_installRun = std::move(entries); }
    void SetAdministratorCheck(AdministratorCheck check) { m_isAdministrator = std::move(check); }
    void SetInstalledItemsCheck(InstalledItemsCheck check) { m_anyItemInstalled = std::move(check); }
    void SetThreadStarter(ThreadStarter starter) { m_threadStarter = std::move(starter); }
    // The watchers' pause between two passes: waits until wake is set or interval ms have passed.
    using WatchPause = CHardwareWatcher::Pause;
    void SetWatchPause(WatchPause pause, DWORD interval)
    {
        m_watchPause = std::move(pause);
        m_watchInterval = interval;
    }
    void SetWatcherEndWait(DWORD milliseconds) { m_watcherEndWait = milliseconds; }

    CLog& GetLog() { return m_log; }
    CInstallEnv& GetEnv() { return m_env; }
    // The rich edit library of the interactive run; not loaded before the interactive start.
    const CRichEditLibrary& RichEdit() const { return m_richEdit; }
    CItem& GetItems() { return m_items; }
    CMyPrinter& GetPrinters() { return m_printers; }
    CNetPrinterList& GetNetPrinters() { return m_netPrinters; }
    // Connects the item commands, the follow-up commands and the termination steps to an executor (the
    // wizard's, or the silent run's own); the executor must live until the application ends.
    void ConnectRunCommands(CCmdOperator& commands);
    // What the install run and its follow-up commands ask of the application and its printer manager.
    RunHooks MakeRunHooks();
    // Records what the installer creates under the Installing history root of the run.
    HistoryRecorder InstallingRecorder();
    int GetRunMode() const { return m_runMode; }
    bool IsSilent() const { return m_silent; }
    const std::string& GetStartSection() const { return m_startSection; }
    // The wizard frame (null before an interactive start and in a silent run).
    CWizard* GetWizard() { return m_wizard.get(); }
    // Repaints the background window when it is shown.
    void RepaintBackground();
    // "%s Installer Program" with PROGRAM_NAME: the single-instance mutex and the frame window class.
    std::string GetInstanceName() const;

protected:
    // The framework's message loop with idle processing; WM_QUIT's code.
    int RunMessageLoop();
    // The last step of an interactive start: frame becomes the main window, the start values are
    // written, and the first idle moment will start the wizard.
    void CompleteInteractiveStart(HWND frame);

private:
    // The log of the run, opened and headed by its banner before anything else is done.
    class CRunLog : public CLog
    {
    public:
        CRunLog();
    };

    bool CheckSingleInstance();
    // True (1618 set, logged) when this run is silent and another installer of the product runs.
    bool RefuseSilentBesideRunningInstaller();
    bool CheckAdministratorRights();
    bool RunInstallModeSteps();
    bool CheckMinimumRequirements();
    bool IsSilentScriptRequested() const;
    bool CarryOutSilentRun();
    bool ReportNoInstallRun(const char* run);
    // The silent runs of this build, on the silent run's own command executor.
    bool RunSilentInstall(int runMode, const std::string& settingFile);
    // The network printer definitions, read once when a run needs them.
    CNetPrinterList& LoadedNetPrinters();
    bool m_netPrintersLoaded = false;
    bool StartInteractive();
    bool CreateWizardFrame();
    void CreateBackground();
    void ApplyDialogColour();
    bool InitWizard();
    bool LoadWizardItems();
    bool CheckWizardRunMode();
    void RunPreinstaller(HWND initWindow);
    void RunLanguageWindowSequence();
    void ShutDownWindows();
    static DWORD WINAPI PreinstallerThread(void* parameter);
    // An item counts as installed when the install helper marked its record under the Installed key
    // with InstallNow = 2.
    static bool HasInstalledItemRecord(const std::string& installedKey);
    bool ReadInstalledDestination(std::string& destination) const;
    int ApplyRecordedInstallation(int runMode);
    bool StartWatcher(CHardwareWatcher& watcher);

    CRunLog m_log;                                            // first member: opened first, closed last
    std::string m_commandLine;
    std::string m_programFile;
    CInstallEnv m_env;
    std::unique_ptr<CCmdOperator> m_silentCommands;           // the executor of a silent run
    CMyPrinter m_printers;
    CNetPrinterList m_netPrinters;
    CItem m_items;
    std::unique_ptr<CFollowUpCommands> m_followUp;

    InstallRunEntries m_installRun;
    AdministratorCheck m_isAdministrator;
    InstalledItemsCheck m_anyItemInstalled;
    ThreadStarter m_threadStarter;

    // Loaded once by the interactive start and kept until the application object goes, after every
    // window: rich edit boxes (the licence text) need it for as long as they exist.
    CRichEditLibrary m_richEdit;
    // The interactive run's windows; the mailbox outlives the wizard that posts it.
    CommandRecordPtr m_mailbox;
    std::unique_ptr<CInstallUiEnv> m_uiEnv;
    std::unique_ptr<CMyMessageBox> m_messageBox;
    UserMessageHandler m_previousMessageHandler;
    std::unique_ptr<CWizard> m_wizard;
    bool m_frameOwned = true;
    std::unique_ptr<CBackgroundWnd> m_background;
    bool m_backgroundShown = false;
    std::unique_ptr<CProgressWnd> m_initWindow;
    std::string m_preinstallCommand;
    HWND m_preinstallWindow = nullptr;
    WatchPause m_watchPause;
    DWORD m_watchInterval = kWatchInterval;
    DWORD m_watcherEndWait = kWatcherEndWait;

    CHandle m_instanceMutex;
    bool m_otherInstanceRunning = false;                      // its frame was found and asked to the front
    HWND m_mainWindow = nullptr;                              // the wizard frame once the start completed
    int m_runMode = RUN_INSTALL;
    bool m_silent = false;
    bool m_ready = false;
    bool m_started = false;
    std::string m_startSection;
    int m_exitCode = kExitInstallFailure;
    // The restart of Windows the person chose at the end of the wizard.
    enum class RestartChoice
    {
        kNone,
        kLater,
        kNow,
    };
    RestartChoice m_restartChoice = RestartChoice::kNone;
    std::unique_ptr<CRestartQueue> m_restartQueue;            // what was queued for the next start before the run

    CHardwareWatcher m_hardwareWizardWatcher;
    CHardwareWatcher m_newHardwareWatcher;
};
