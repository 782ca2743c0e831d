#pragma once
// The install run of an install dialog: a worker thread hands each selected item to the install
// helper and tells the dialog of each start and result with UM_INSTALL_STATUS, sent so that the
// dialog changes the item state on its own thread (2 started, 1 succeeded, 0 failed); the end (6) is
// posted. On the end the dialog starts the system-update thread, which runs CT_DELETE_ALL after an
// uninstall, else CT_INSTALL_UPDATE, and posts UM_SYSUPDATE_DONE. A preparation thread reads the items
// and creates the wizard while an initialisation window shows. A stop request ends the item loop
// before its next item; Stop asks and waits a bounded time, answering the messages the threads send
// meanwhile. Everything passed in must outlive the threads.

#include <windows.h>

#include <functional>
#include <string>

#include "base/Scoped.h"

class CCmdOperator;
class CInstallEnv;
class CInstallRun;
class CItem;
class CLog;

// The two install dialogs. The basic one reports the run as one start and clears the installed flag
// of a failed item; the full one reports each item's start (after adapting a printer item's port
// switch) and records failures.
enum class InstallProgressVariant
{
    kBasic,
    kFull,
};

class CInstallWorker
{
public:
    // UM_INSTALL_STATUS's wParam.
    static constexpr WPARAM kStatusFailed = 0;
    static constexpr WPARAM kStatusSucceeded = 1;
    static constexpr WPARAM kStatusStarted = 2;
    static constexpr WPARAM kStatusDone = 6;

    using ThreadStarter = std::function<HANDLE(LPTHREAD_START_ROUTINE routine, void* parameter)>;

    CInstallWorker(CLog& log, CInstallEnv& env, CItem& items, CInstallRun& run, CCmdOperator& commands,
                   InstallProgressVariant variant);
    // Stops the threads (Stop with its bound).
    ~CInstallWorker();
    CInstallWorker(const CInstallWorker&) = delete;
    CInstallWorker& operator=(const CInstallWorker&) = delete;

    // Starts the worker thread that reports to dialog; false when it cannot start.
    bool Start(HWND dialog);
    // The dialog's UM_INSTALL_STATUS, on the dialog's thread: results change the item state; the end
    // starts the system update (the basic variant disables the dialog first).
    void OnInstallStatus(WPARAM status, LPARAM index);
    // The system-update thread; when it cannot start, UM_SYSUPDATE_DONE is posted at once (false).
    bool StartSystemUpdate();
    // The message that lists the failed items: errorText, "\r\n\r\n", each display name and "\r\n".
    std::string FailureMessage(const std::string& errorText) const { return FailureMessage(m_items, errorText); }
    static std::string FailureMessage(const CItem& items, const std::string& errorText);

    // The preparation thread of an initialisation window: reads the item list with the window as
    // progress window, builds the printer list, sends UM_CREATE_WIZARD (startDecision, window) to
    // mainWindow, calls the pre-installer with preinstallCommand and posts UM_PREPARE_DONE (1 or 0).
    bool StartPreparation(HWND window, HWND mainWindow, int startDecision, const std::string& preinstallCommand);

    // Asks the item loop to end before its next item: no further item is run or reported, and the end
    // (6) is not posted. The system update, once started, is left to finish.
    void RequestStop();
    bool IsStopRequested() const { return m_stopRequested != 0; }
    // RequestStop, then waits at most boundMs for each thread, dispatching the calling thread's
    // messages meanwhile. True when none runs any more; false (logged) when one is still running: the
    // owner must then keep this object alive, since the thread still uses it.
    bool Stop(DWORD boundMs = kStopBoundMs);
    static constexpr DWORD kStopBoundMs = 30000;

    // For tests: how threads are started.
    void SetThreadStarter(ThreadStarter starter) { m_threadStarter = std::move(starter); }

private:
    void RunItems();
    void RunSystemUpdate();
    void Prepare();
    bool StartThread(CHandle& thread, LPTHREAD_START_ROUTINE routine);
    static DWORD WINAPI WorkerThread(void* parameter);
    static DWORD WINAPI SystemUpdateThread(void* parameter);
    static DWORD WINAPI PreparationThread(void* parameter);

    CLog& m_log;
    CInstallEnv& m_env;
    CItem& m_items;
    CInstallRun& m_run;
    CCmdOperator& m_commands;
    InstallProgressVariant m_variant;
    ThreadStarter m_threadStarter;
    HWND m_dialog = nullptr;
    HWND m_mainWindow = nullptr;
    int m_startDecision = 0;
    std::string m_preinstallCommand;
    CHandle m_worker;
    CHandle m_systemUpdate;
    CHandle m_preparation;
    volatile LONG m_stopRequested = 0;
};
