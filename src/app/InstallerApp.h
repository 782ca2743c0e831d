#pragma once
// The installer application, one object per process: owns the run's log (opened first, closed last)
// and the installer environment, decides the run mode at start-up, carries out a silent run or starts
// an interactive one, runs the message loop and shuts down in a fixed order. Run's result is the
// process exit code.

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "app/ExitCode.h"
#include "app/StartDecision.h"
#include "base/Scoped.h"
#include "env/InstallEnv.h"
#include "items/Item.h"
#include "items/RunHooks.h"
#include "log/Log.h"
#include "printer/MyPrinter.h"
#include "printer/NetPrinterList.h"

class CCmdOperator;
class CFollowUpCommands;

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
    using ThreadStarter = std::function<HANDLE(LPTHREAD_START_ROUTINE routine, void* parameter)>;

    // The exit codes deployment tools read, of the Windows Installer family.
    static constexpr int kExitSuccess = ExitCode::kSuccess;
    static constexpr int kExitRestartNeeded = ExitCode::kRestartNeeded;   // done; completed at the next start
    static constexpr int kExitCancelled = ExitCode::kCancelled;           // the user cancelled
    static constexpr int kExitInstallFailure = ExitCode::kInstallFailure; // an item failed, or the run could not work
    static constexpr int kExitAlreadyRunning = ExitCode::kAlreadyRunning; // another installer of the product runs
    static constexpr int kExitNotSupported = ExitCode::kNotSupported;     // the requirement check refused the system
    static constexpr DWORD kWatchInterval = 1000;             // ms between two watcher passes

    // commandLine: the text after the program name. programFile: the installer's program file, whose
    // folder holds the product's files; empty for this process's own file.
    explicit CInstallerApp(std::string commandLine, std::string programFile = std::string());
    // Waits for the watcher threads to end; they use the environment and the log.
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

    // Replaceable parts, and the system answers a test machine cannot give otherwise.
    void SetInstallRun(InstallRunEntries entries) { m_installRun = std::move(entries); }
    void SetAdministratorCheck(AdministratorCheck check) { m_isAdministrator = std::move(check); }
    void SetInstalledItemsCheck(InstalledItemsCheck check) { m_anyItemInstalled = std::move(check); }
    void SetThreadStarter(ThreadStarter starter) { m_threadStarter = std::move(starter); }

    CLog& GetLog() { return m_log; }
    CInstallEnv& GetEnv() { return m_env; }
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
    // "%s Installer Program" with PROGRAM_NAME: the single-instance mutex and the frame window class.
    std::string GetInstanceName() const;

protected:
    // The framework's message loop with idle processing; WM_QUIT's code.
    int RunMessageLoop();
    // The last step of an interactive start: frame becomes the main window, the start values are
    // written, and the first idle moment will start the wizard.
    void CompleteInteractiveStart(HWND frame);

private:
    // A watcher thread's loop condition and handles.
    struct Watcher
    {
        std::atomic<bool> running{true};
        CHandle thread;
        CHandle wake;                                         // set by Stop: no wait for the next pass
    };

    // The log of the run, opened and headed by its banner before anything else is done.
    class CRunLog : public CLog
    {
    public:
        CRunLog();
    };

    bool CheckSingleInstance();
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
    bool ReadInstalledDestination(std::string& destination) const;
    int ApplyRecordedInstallation(int runMode);
    bool StartWatcher(Watcher& watcher, LPTHREAD_START_ROUTINE routine, const char* failureText);
    bool StopWatcher(Watcher& watcher);
    void Watch(Watcher& watcher, BOOL (CExternalFnt::*entry)() const);
    static DWORD WINAPI HardwareWizardWatcherThread(void* parameter);
    static DWORD WINAPI NewHardwareWatcherThread(void* parameter);

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

    CHandle m_instanceMutex;
    HWND m_mainWindow = nullptr;                              // the wizard frame once the start completed
    int m_runMode = RUN_INSTALL;
    bool m_silent = false;
    bool m_ready = false;
    bool m_started = false;
    std::string m_startSection;
    int m_exitCode = kExitInstallFailure;
    std::unique_ptr<CRestartQueue> m_restartQueue;            // what was queued for the next start before the run

    Watcher m_hardwareWizardWatcher;
    Watcher m_newHardwareWatcher;
};
