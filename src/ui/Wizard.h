#pragma once
// The installer's main frame: owns every wizard dialog, shows one at a time in its client area, and
// is the one place where commands from dialogs, worker threads and the application are executed
// (through its command executor, one at a time, on its own thread). Dialogs are made by the kind
// their section name names (ui/DialogKinds.h).

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "command/CmdOperator.h"
#include "command/CommandEnv.h"
#include "command/CommandRecord.h"
#include "ui/DialogContext.h"
#include "ui/SkinDlg.h"

class CWizard
{
public:
    enum CreateResult
    {
        kCreateFailed = 0,
        kAlreadyRunning = 1,
        kCreated = 2,
    };
    static constexpr int kMaxDialogs = 256;                   // the dialog list never grows beyond this

    // mailbox: the application's command mailbox; it and env outlive the wizard.
    CWizard(CUiEnv& env, std::unique_ptr<CCmdOperator> executor, CommandRecord& mailbox);
    ~CWizard();
    CWizard(const CWizard&) = delete;
    CWizard& operator=(const CWizard&) = delete;

    // kAlreadyRunning when a frame of this program's class exists (it is asked to the front).
    int Create(const std::string& programName);
    // Runs the start section's START_CMD and, with PRECREATE_DLG, creates the dialogs of DIALOGS.
    bool Start(const std::string& startSection, HWND progress, bool precreate);
    // Every dialog re-reads its description (after a language change).
    void RefreshAll(HWND progress);
    CSkinDlg* CurrentDialog();

    // The mailbox operations: fill and post UM_EXEC_COMMAND; run at once.
    void PostCommand(const char* type, const char* p1 = nullptr, const char* p2 = nullptr, const char* p3 = nullptr,
                     const char* p4 = nullptr, const char* p5 = nullptr);
    bool RunCommand(const char* type, const char* p1 = nullptr, const char* p2 = nullptr, const char* p3 = nullptr,
                    const char* p4 = nullptr, const char* p5 = nullptr);

    // Dialog list operations; -1 for none.
    int AddDialog(const std::string& section);
    int FindDialog(const std::string& name);
    void OpenByRequest(const std::string& request);
    bool ShowDialog(int index, const std::string& parameter);
    // Creates the dialog of the kind the section names, shows it modally and destroys it.
    bool RunModal(const std::string& section);

    // Lets the current dialog take its keyboard messages (tab order). True when it did.
    bool PreTranslateMessage(MSG& message);

    // What the dialogs made from now on may reach besides the wizard's own environment; the wizard
    // fills in itself and that environment.
    void SetDialogContext(const DialogContext& context);
    const DialogContext& Context() const { return m_context; }
    // While blocked, the frame has no close box and a cancel is not offered (a kind whose work must
    // not be cut short blocks it while it is shown).
    void SetCancelBlocked(bool blocked);
    bool IsCancelBlocked() const { return m_cancelBlocked; }
    const std::string& StartSection() const { return m_startSection; }
    // The question a cancel asks: CANCEL_MSG of CANCEL_DLG, else the built-in text.
    std::string CancelMessage() const;

    // The background window, kept directly behind the wizard (null: none).
    void SetBackgroundWindow(HWND background) { m_background = background; }
    // Answers whether the test page may be opened: device connected and printer installed in this run.
    void SetTestPageCheck(std::function<bool()> check) { m_testPageReady = std::move(check); }

    HWND Window() const { return m_window; }
    // The frame (and its background window) in front of other programs' windows.
    void BringToFront();
    CCmdOperator& Executor() { return *m_executor; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ConnectCommands();
    void AddDialogsOf(const std::string& dialogsValue, HWND progress);
    void OnStart(bool success);
    void OnNavigate(WPARAM wParam, LPARAM lParam);
    void OnExecCommand(LPARAM lParam);
    LRESULT ForwardToDialog(UINT message, WPARAM wParam, LPARAM lParam);
    void OnEndWait(bool toFront);
    void OnActivate(bool active);
    void SizeToDialog(const CSkinDlg& dialog);
    void SetSystemMenu(bool present);
    bool CancelConfirmation();
    bool ShowToggle(const CommandRecord& record);
    bool OpenTestPage(const CommandRecord& record);
    void PostObjectCommand(const ObjectCommand& command);

    CUiEnv& m_env;
    DialogContext m_context;
    std::unique_ptr<CCmdOperator> m_executor;
    CommandRecord& m_mailbox;
    std::string m_className;
    std::string m_title;
    std::string m_startSection;
    std::vector<std::unique_ptr<CSkinDlg>> m_dialogs;
    int m_current = 0;
    bool m_firstShow = true;
    bool m_cancelBlocked = false;
    bool m_classRegistered = false;
    HWND m_window = nullptr;
    HWND m_background = nullptr;
    std::function<bool()> m_testPageReady;
};
