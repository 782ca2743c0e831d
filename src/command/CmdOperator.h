#pragma once
// The command executor: runs one command record at a time. It logs the record, looks its type up in
// the command vocabulary (without regard to case) and calls the handler connected to that name. A
// name without a handler, in the vocabulary or not, does nothing and answers true, so configuration
// files may name commands this build ignores.
//
// Handlers that need parts above the command engine (the wizard's dialogs, termination, the item
// list) are connected by their owners with Connect, one line each; until then their names behave as
// unknown types.

#include <windows.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "base/HistoryRecorder.h"
#include "command/CommandRecord.h"
#include "command/ProgramCommands.h"
#include "command/RegistryCommands.h"

class CCommandEnv;
class CExternalFnt;
class CInstallEnv;
class CLog;

// How the wizard confirms a cancel.
enum CancelType
{
    RESUME_EXIT = 0,                                          // ask: Resume or Exit
    OK_CANCEL = 1,                                            // ask: Yes or No
    CANCEL_NULL = 2,                                          // "NULL": end without asking
};

class CCmdOperator
{
public:
    using Handler = std::function<bool(const CommandRecord& record)>;
    // Runs the installer's termination steps; cancelled after a confirmed cancel.
    using Terminator = std::function<void(bool cancelled)>;

    static constexpr int kVocabularySize = 44;
    static const char* const kVocabulary[kVocabularySize];    // every command name, in dispatch order

    // The executor of the installer: handlers read the configuration and ask for changes through env.
    // recorder receives every registry key and value CT_ADDREG creates and every file and directory a
    // copy section creates with save history (may be empty: nothing is recorded). Everything passed in
    // must outlive the executor.
    CCmdOperator(CLog& log, CInstallEnv& env, CExternalFnt& external, HistoryRecorder recorder);
    // The same over any environment that answers the handlers' questions (tests use their own).
    CCmdOperator(CLog& log, CCommandEnv& env, CExternalFnt& external, HistoryRecorder recorder);
    CCmdOperator(const CCmdOperator&) = delete;
    CCmdOperator& operator=(const CCmdOperator&) = delete;

    // Runs the record's command while the wait cursor shows. The handler's result; false for a null
    // record ("Command Structure is invalid"); true for a type without a handler.
    bool Execute(const CommandRecord* record);
    // Runs one command-section line ("TYPE = p1, p2, p3" or a bare "TYPE") through Execute.
    bool RunCommandLine(const std::string& line);
    // Runs a chosen text: a "CT_" text as a command line, anything else as the dialog to open through
    // CT_OPEN_DLG's handler (no dispatcher line for it; nothing while the wizard has not connected it).
    bool RunTarget(const std::string& target);

    // Reads CANCEL_TYPE of DLG_COMMON from the configuration file; other words leave the type as it is.
    void ReadCancelType();
    int GetCancelType() const { return m_cancelType; }

    // Connects a handler to a vocabulary name (replacing the one there); false for another name.
    bool Connect(const char* type, Handler handler);
    bool IsConnected(const char* type) const;
    // The termination steps; CT_EXE_AND_TERMINATE runs them once its program has started. Whoever owns
    // termination sets them here and connects CT_APP_TERMINATE (and the cancel) to the same steps.
    void SetTerminator(Terminator terminator) { m_terminator = std::move(terminator); }
    // Runs the termination steps (nothing while none are set); the wizard's confirmed cancel uses it.
    void Terminate(bool cancelled);
    // The wizard frame and the background window (null in a silent run).
    void SetWindows(HWND wizard, HWND background);

    CProgramCommands& GetProgramCommands() { return *m_programs; }

private:
    CCmdOperator(CLog& log, std::unique_ptr<CCommandEnv> ownedEnv, CExternalFnt& external,
                 HistoryRecorder recorder);
    int FindType(const char* type) const;                     // index in kVocabulary, or -1
    void ConnectOwnHandlers();
    void ConnectProgramHandlers();
    std::string DeviceId() const;

    bool RunCommandSection(const CommandRecord& record);
    bool FindLocalPrinter(const CommandRecord& record);
    bool ExeAndTerminate(const CommandRecord& record);
    bool SetInstType(const CommandRecord& record);
    bool SetSetupType(const CommandRecord& record);
    bool SetRemoteInstall(const CommandRecord& record);
    bool ChangeLanguage(const CommandRecord& record);
    bool RefreshSystem(const CommandRecord& record);
    bool PreventPnP(const CommandRecord& record, bool start);
    bool RemoveHardwareWizard(const CommandRecord& record);
    bool RemoveDevice(const CommandRecord& record);
    // CT_COPY_FILE and CT_DELETE_FILE: every line of the command file's section through the copy engine.
    bool RunCopySection(const CommandRecord& record, bool deleting);

    std::unique_ptr<CCommandEnv> m_ownedEnv;                  // the installer environment's view, when owned
    CLog& m_log;
    CCommandEnv& m_env;
    CExternalFnt& m_external;
    HistoryRecorder m_recorder;
    std::unique_ptr<CProgramCommands> m_programs;
    std::unique_ptr<CRegistryCommands> m_registry;
    std::array<Handler, kVocabularySize> m_handlers;
    Terminator m_terminator;
    int m_cancelType = RESUME_EXIT;
    std::atomic<int> m_sectionDepth{0};                       // command sections in progress (any thread)
};
