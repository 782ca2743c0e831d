#pragma once
// The commands that start programs, open documents, folders, URLs and manuals, and print test pages.
// Programs start through the shell; a command that waits for a program returns at once and a worker
// thread posts UM_END_WAIT to the wizard when the program has ended, or at the wait's bound. Each
// handler answers the dispatcher with its documented Boolean.

#include <windows.h>

#include <string>

#include "base/Scoped.h"
#include "command/CommandRecord.h"

class CCommandEnv;
class CExternalFnt;
class CLog;

// The windows the commands use: the wizard frame is the parent of shell windows and the window a
// wait thread notifies (null in a silent run: no parent, nothing disabled, nobody notified); the
// background window, when there is one, is disabled with it.
struct CommandWindows
{
    HWND wizard = nullptr;
    HWND background = nullptr;
};

class CProgramCommands
{
public:
    CProgramCommands(CLog& log, const CCommandEnv& env, const CExternalFnt& external);
    virtual ~CProgramCommands() = default;
    CProgramCommands(const CProgramCommands&) = delete;
    CProgramCommands& operator=(const CProgramCommands&) = delete;

    // Starts p1 (macro-expanded, resolved, must exist) with the arguments p2 (macro-expanded) in the
    // program's own folder. The process handle, or none: the file does not exist, the shell refused
    // (its error is shown with the program path as caption), or the shell handed the file to a
    // program that was already running.
    CHandle StartProgram(const CommandRecord& record);

    bool ExeFileNoWait(const CommandRecord& record);            // true when a process handle came back
    // CT_EXE_FILE_WAIT (bringToFront) and CT_EXE_FILE_ACTIVE: true; when the program started, the
    // wizard and background window are disabled until its UM_END_WAIT.
    bool ExeFileWait(const CommandRecord& record, bool bringToFront);
    bool OpenFile(const CommandRecord& record);                 // false when the document does not exist
    bool OpenUrl(const CommandRecord& record);                  // false when neither try opened it
    bool OpenBrowse(const CommandRecord& record);               // true
    bool OpenManual(const CommandRecord& record);               // false when the manual cannot be opened

    // The product's test pages through the test page library; the system test page for p1 when the
    // library asks for it (-1). True.
    bool PrintTestPage(const CommandRecord& record);
    bool PrintMetaTestPage(const CommandRecord& record);
    bool PrintPrnTestPage(const CommandRecord& record);

    // Prints the system's test page for the printer (the Installing key's Default_Printer when empty):
    // through printui on Windows 2000 and later (1), through the shell's printer command otherwise
    // (its answer). 0 when the library or entry is missing, or the call faulted (logged). The names
    // are parameters so that tests can reach the missing case.
    int PrintSystemTestPage(const std::string& printer, const char* printUiLibrary = "printui.dll",
                            const char* shellLibrary = "shell32.dll");

    void SetWindows(const CommandWindows& windows) { m_windows = windows; }

    // How long a waited-for program keeps the wizard disabled at most (kProgramWaitMs, 30 minutes).
    static constexpr DWORD kProgramWaitMs = 30 * 60 * 1000;
    void SetProgramWaitBound(DWORD boundMs) { m_programWaitMs = boundMs; }

    // The wait thread started last (null before the first); it ends right after posting UM_END_WAIT.
    HANDLE GetLastWaitThread() const { return m_lastWaitThread.Get(); }

protected:
    // The program the first try of CT_OPEN_URL asks the shell for ("IEXPLORE.EXE"); tests name their
    // own, since the system's browser would stay open.
    void SetBrowserProgram(const std::string& program) { m_browserProgram = program; }

private:
    HWND ParentWindow() const { return m_windows.wizard; }
    void DisableWindows();
    // Disables the windows and starts a thread that waits for the process and posts UM_END_WAIT
    // (bringToFront, 0) to the wizard. The thread owns the process handle from here on.
    void WaitForProgram(CHandle process, bool bringToFront);
    bool StartManualViewer(const std::string& manual, const std::string& arguments, CHandle* process);
    void LogShellFailure(INT_PTR result, const char* programText);
    int PrintUiTestPage(const std::string& printer, const char* library);
    int ShellTestPage(const std::string& printer, const char* library);
    std::string PrinterOrDefault(const std::string& printer) const;

    CLog& m_log;
    const CCommandEnv& m_env;
    const CExternalFnt& m_external;
    CommandWindows m_windows;
    std::string m_browserProgram = "IEXPLORE.EXE";
    CHandle m_lastWaitThread;
    DWORD m_programWaitMs = kProgramWaitMs;
};
