#pragma once
// The commands that finish a run: CT_INSTALL_UPDATE (shortcuts, the Add/Remove entry, the printer
// follow-up, the install history kept for later runs), CT_DELETE_ALL (the uninstaller started, every
// recorded change removed), CT_RUN_REMOTE_INSTALL with its thread, CT_DIAGNOSIS, and the termination
// steps behind CT_APP_TERMINATE, CT_EXE_AND_TERMINATE and a confirmed cancel. Everything passed in
// must outlive the object. The remote-install thread is waited for when it goes, at most
// kRemoteInstallEndWait while the messages it sends to this thread are answered; a thread still
// running then is left to the process end with what it uses.

#include <windows.h>

#include <memory>
#include <string>

#include "base/Scoped.h"
#include "items/RunHooks.h"
#include "items/UninstallRecords.h"

class CCmdOperator;
class CInstallEnv;
class CItem;
class CLog;
struct CommandRecord;

class CFollowUpCommands
{
public:
    static constexpr DWORD kRemoteInstallEndWait = 30000;     // ms the end waits for the remote install

    CFollowUpCommands(CLog& log, CInstallEnv& env, CItem& items, CCmdOperator& commands, RunHooks hooks);
    ~CFollowUpCommands();
    CFollowUpCommands(const CFollowUpCommands&) = delete;
    CFollowUpCommands& operator=(const CFollowUpCommands&) = delete;

    // Connects the four commands and CT_APP_TERMINATE to the executor and makes these termination
    // steps the executor's (CT_EXE_AND_TERMINATE, the cancel).
    void Connect(CCmdOperator& commands);

    // Always true.
    bool InstallUpdate();
    // False (nothing done) while an item is still installed.
    bool DeleteAll();
    // False when the settings could not be saved or the thread not started, and (logged, nothing done)
    // while the remote install started before still runs: that one goes on.
    bool RunRemoteInstall();
    // False when no printer is known.
    bool Diagnosis(const CommandRecord& record);
    // Keeps the uninstall records of the run, removes everything when the product is not installed
    // afterwards, deletes the Installing key and ends the message loop.
    void Terminate(bool cancelled);

    // Calls MyCreateShortCut for each shortcut record of this run; records the shortcuts to remove.
    void CreateShortcuts();
    CUninstallRecords& GetRecords() { return m_records; }
    // The remote-install thread's result once it has ended: 1 done, 0 stopped early. Waits at most
    // the end wait, answering the messages sent to this thread meanwhile; 0 (logged as
    // "Thread [remote install] did not end within %lu ms") when the thread still runs then.
    DWORD WaitForRemoteInstall();
    void SetRemoteInstallEndWait(DWORD milliseconds) { m_remoteEndWait = milliseconds; }

    // The uninstaller's arguments: "/P\"%s\" /I0x%x" with the destination install directory and the
    // installer's process id.
    static std::string UninstallerArguments(const std::string& destInstallDir, DWORD processId);

private:
    struct RemoteInstall
    {
        HWND window = nullptr;
        std::string key;
        std::string file;
        std::string sourceDir;
        std::string commandLine;
        HMODULE library = nullptr;
        DWORD result = 0;
        volatile LONG running = 0;
    };

    bool IsRemoteInstallRunning() const;
    bool CopyUninstaller(std::string& copy);
    void RunDevicePrinterSteps();
    bool IsDeviceConnected() const;
    static DWORD WINAPI RemoteInstallThread(void* parameter);
    static DWORD RunRemoteInstallLoop(const RemoteInstall& remote);

    CLog& m_log;
    CInstallEnv& m_env;
    CItem& m_items;
    CCmdOperator& m_commands;
    RunHooks m_hooks;
    CUninstallRecords m_records;
    // The remote-install thread's parameters; on the heap so that a thread left running at the end
    // keeps them.
    std::unique_ptr<RemoteInstall> m_remote;
    CHandle m_remoteThread;
    DWORD m_remoteEndWait = kRemoteInstallEndWait;
};
