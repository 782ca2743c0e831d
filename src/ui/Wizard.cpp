#include "ui/Wizard.h"

#include <cstring>

#include "base/Messages.h"
#include "base/Text.h"
#include "base/TextRules.h"
#include "base/UserMessage.h"
#include "log/Log.h"
#include "profile/ConfigProfile.h"
#include "ui/DialogKinds.h"
#include "ui/UiResources.h"

namespace
{
const size_t kSectionNameSize = 260;
const DWORD kDialogLinesSize = 16384;
const char kDefaultCancelMessage[] =
    "Setup is not complete. If you quit the setup program now, the components you requested to add/remove will "
    "not be installed/uninstalled.\r\nYou may run the setup program at a later time to complete the "
    "operations.\r\nAre you sure you want to quit the setup?";
}  // namespace

CWizard::CWizard(CUiEnv& env, std::unique_ptr<CCmdOperator> executor, CommandRecord& mailbox)
    : m_env(env), m_executor(std::move(executor)), m_mailbox(mailbox)
{
    SetDialogContext(DialogContext());
    ConnectCommands();
}

void CWizard::SetDialogContext(const DialogContext& context)
{
    m_context = context;
    m_context.ui = &m_env;
    m_context.wizard = this;
}

void CWizard::SetCancelBlocked(bool blocked)
{
    m_cancelBlocked = blocked;
    SetSystemMenu(!m_cancelBlocked);
}

CWizard::~CWizard()
{
    m_dialogs.clear();
    if (m_window != nullptr && ::IsWindow(m_window))
    {
        ::SetWindowLongPtrA(m_window, GWLP_USERDATA, 0);
        (void)::DestroyWindow(m_window);
    }
    if (m_classRegistered)
    {
        (void)::UnregisterClassA(m_className.c_str(), ::GetModuleHandleA(nullptr));
    }
}

void CWizard::ConnectCommands()
{
    CCmdOperator& executor = *m_executor;
    executor.Connect("CT_OPEN_DLG", [this](const CommandRecord& r) {
        (void)::SendMessageA(m_window, UM_NAVIGATE, 0, reinterpret_cast<LPARAM>(r.param[0]));
        return true;
    });
    executor.Connect("CT_DLG_BACK", [this](const CommandRecord& r) {
        (void)::SendMessageA(m_window, UM_NAVIGATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(r.param[0]));
        return true;
    });
    executor.Connect("CT_DO_MODAL", [this](const CommandRecord& r) {
        (void)RunModal(r.param[0]);
        return true;
    });
    executor.Connect("CT_SHOW_TOGGLE", [this](const CommandRecord& r) { return ShowToggle(r); });
    executor.Connect("CT_DLG_CANCEL", [this](const CommandRecord&) { return CancelConfirmation(); });
    executor.Connect("CT_OPEN_TEST_PAGE", [this](const CommandRecord& r) { return OpenTestPage(r); });
}

int CWizard::Create(const std::string& programName)
{
    m_title = programName;
    m_className = FormatText("%s Installer Program", programName.c_str());
    HWND running = ::FindWindowA(m_className.c_str(), nullptr);
    if (running != nullptr)
    {
        DWORD_PTR answer = 0;
        (void)::SendMessageTimeoutA(running, UM_ACTIVATE_INSTANCE, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, 10000,
                                    &answer);
        return kAlreadyRunning;
    }
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.hIcon = ::LoadIconA(windowClass.hInstance, MAKEINTRESOURCEA(128));
    if (windowClass.hIcon == nullptr)
    {
        windowClass.hIcon = ::LoadIconA(nullptr, IDI_APPLICATION);
    }
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    windowClass.lpszClassName = m_className.c_str();
    if (::RegisterClassA(&windowClass) == 0)
    {
        m_env.Log().Write("Register class fail\n");
        return kCreateFailed;
    }
    m_classRegistered = true;
    m_window = ::CreateWindowExA(WS_EX_APPWINDOW, m_className.c_str(), m_title.c_str(),
                                 WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, 400, 300,
                                 nullptr, nullptr, windowClass.hInstance, this);
    if (m_window == nullptr)
    {
        m_env.Log().Write("Create window fail [%s] [%s]\n", m_className.c_str(), m_className.c_str());
        return kCreateFailed;
    }
    m_executor->ReadCancelType();
    return kCreated;
}

bool CWizard::Start(const std::string& startSection, HWND progress, bool precreate)
{
    if (startSection.empty())
    {
        return false;
    }
    m_startSection = startSection;
    const CConfigProfile& config = m_env.Config();
    std::string startCommand;
    if (config.GetString(startSection.c_str(), "START_CMD", startCommand))
    {
        (void)RunCommand("CT_COMMAND", startCommand.c_str());
    }
    if (!precreate)
    {
        return true;
    }
    std::string dialogs;
    if (!config.GetString(startSection.c_str(), "DIALOGS", dialogs))
    {
        m_env.Log().Write("[%s] Get Dialogs fail !", startSection.c_str());
        return true;
    }
    AddDialogsOf(dialogs, progress);
    return true;
}

void CWizard::AddDialogsOf(const std::string& dialogsValue, HWND progress)
{
    if (dialogsValue.empty())
    {
        m_env.Log().Write("Set Start Section Name Fail");
        return;
    }
    char resolved[kSectionNameSize] = {};
    if (!m_env.Config().ResolveSection(dialogsValue.c_str(), resolved, sizeof(resolved)))
    {
        m_env.Log().Write("Invalid Dialogs section!!! [%s]", dialogsValue.c_str());
        return;
    }
    std::vector<char> lines(kDialogLinesSize, '\0');
    if (!m_env.Config().GetSectionKeys(resolved, lines.data(), kDialogLinesSize))
    {
        m_env.Log().Write("[%s] Get Dialog Section fail!!", resolved);
        m_env.Log().Write("Add Dialogs Fail");
        return;
    }
    int count = 0;
    for (const char* line = lines.data(); *line != '\0'; line += std::strlen(line) + 1)
    {
        ++count;
    }
    if (progress != nullptr)
    {
        (void)::SendMessageA(progress, UM_PROGRESS_STEP, 60, static_cast<LPARAM>(count));
    }
    for (const char* line = lines.data(); *line != '\0'; line += std::strlen(line) + 1)
    {
        (void)AddDialog(Trim(line));
        if (progress != nullptr)
        {
            (void)::SendMessageA(progress, UM_PROGRESS_STEP, 0, 0);
            (void)::UpdateWindow(progress);
        }
    }
}

int CWizard::AddDialog(const std::string& section)
{
    if (m_dialogs.size() >= static_cast<size_t>(kMaxDialogs))
    {
        m_env.Log().Write("Too many dialogs: [%s] is not added (at most %d)", section.c_str(), kMaxDialogs);
        return -1;
    }
    std::unique_ptr<CSkinDlg> dialog = MakeDialogOfKind(m_context, section);
    if (!dialog)
    {
        return -1;
    }
    dialog->SetCommandPoster([this](const ObjectCommand& command) { PostObjectCommand(command); });
    (void)dialog->SetConfig(section);
    if (!dialog->Create(m_window))
    {
        m_env.Log().Write("Create Dialog Fail [%s]", section.c_str());
        return -1;
    }
    (void)::ShowWindow(dialog->Window(), SW_HIDE);
    (void)::EnableWindow(dialog->Window(), FALSE);
    m_dialogs.push_back(std::move(dialog));
    return static_cast<int>(m_dialogs.size()) - 1;
}

int CWizard::FindDialog(const std::string& name)
{
    if (name.empty())
    {
        m_env.Log().Write("Dialog section is empty!!!");
        return m_current;
    }
    char resolved[kSectionNameSize] = {};
    if (!m_env.Config().ResolveSection(name.c_str(), resolved, sizeof(resolved)))
    {
        return -1;
    }
    for (size_t index = 0; index < m_dialogs.size(); ++index)
    {
        if (EqualsSystemNoCase(m_dialogs[index]->Section(), resolved))
        {
            return static_cast<int>(index);
        }
    }
    return AddDialog(resolved);
}

void CWizard::OpenByRequest(const std::string& request)
{
    const std::string text = Trim(request);
    const size_t dash = text.find('-');
    std::string name = text;
    std::string parameter;
    if (dash != std::string::npos)
    {
        name = Trim(text.substr(0, dash), " \t\"");
        parameter = Trim(text.substr(dash + 1));
    }
    const int index = FindDialog(name);
    if (index != -1)
    {
        (void)ShowDialog(index, parameter);
    }
}

bool CWizard::ShowDialog(int index, const std::string& parameter)
{
    if (index == -1)
    {
        index = m_current;
    }
    if (index < 0 || static_cast<size_t>(index) >= m_dialogs.size())
    {
        return false;
    }
    CSkinDlg* current = CurrentDialog();
    if (current != nullptr)
    {
        current->OnLeave();
        (void)::ShowWindow(current->Window(), SW_HIDE);
        (void)::EnableWindow(current->Window(), FALSE);
    }
    CSkinDlg& target = *m_dialogs[static_cast<size_t>(index)];
    if (target.Config().HasOwnRect() || m_firstShow)
    {
        m_firstShow = false;
        SizeToDialog(target);
    }
    SetCancelBlocked(target.IsCancelBlocked());
    (void)target.PrepareShow();
    (void)::SetWindowPos(target.Window(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    (void)::EnableWindow(target.Window(), TRUE);
    (void)::ShowWindow(target.Window(), SW_SHOW);
    (void)::EnableWindow(m_window, TRUE);
    (void)::SetWindowPos(m_window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    (void)::SetWindowTextA(m_window, target.Caption().c_str());
    (void)::RedrawWindow(m_window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    (void)::SetFocus(target.Window());
    target.FocusDefault();
    m_current = index;
    target.OnEnter(parameter);
    return true;
}

// The wizard's outer size is the dialog's rectangle plus the frame; placed by the dialog's type.
void CWizard::SizeToDialog(const CSkinDlg& dialog)
{
    const RECT& rect = dialog.Config().GetRect();
    RECT outer = {};
    RECT client = {};
    (void)::GetWindowRect(m_window, &outer);
    (void)::GetClientRect(m_window, &client);
    int width = (rect.right - rect.left) + (outer.right - outer.left) - client.right;
    int height = (rect.bottom - rect.top) + (outer.bottom - outer.top) - client.bottom;
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    int x = (screenWidth - width) / 2;
    int y = (screenHeight - height) / 2;
    if (dialog.Config().GetPositionType() == CDlgConfig::kFree)
    {
        x = outer.left;
        y = outer.top;
    }
    else if (dialog.Config().GetPositionType() == CDlgConfig::kFullScreen)
    {
        x = 0;
        y = 0;
        width = screenWidth;
        height = screenHeight;
    }
    (void)::SetWindowPos(m_window, HWND_TOP, x, y, width, height, SWP_SHOWWINDOW);
}

void CWizard::SetSystemMenu(bool present)
{
    const LONG_PTR style = ::GetWindowLongPtrA(m_window, GWL_STYLE);
    const LONG_PTR wanted = present ? (style | WS_SYSMENU) : (style & ~static_cast<LONG_PTR>(WS_SYSMENU));
    if (wanted != style)
    {
        ::SetWindowLongPtrA(m_window, GWL_STYLE, wanted);
        (void)::SetWindowPos(m_window, nullptr, 0, 0, 0, 0,
                             SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

CSkinDlg* CWizard::CurrentDialog()
{
    return m_current >= 0 && static_cast<size_t>(m_current) < m_dialogs.size() ? m_dialogs[m_current].get() : nullptr;
}

void CWizard::RefreshAll(HWND progress)
{
    if (progress != nullptr)
    {
        (void)::SendMessageA(progress, UM_PROGRESS_STEP, 90, static_cast<LPARAM>(m_dialogs.size()));
    }
    for (std::unique_ptr<CSkinDlg>& dialog : m_dialogs)
    {
        dialog->Refresh();
        if (progress != nullptr)
        {
            (void)::SendMessageA(progress, UM_PROGRESS_STEP, 0, 0);
        }
    }
}

void CWizard::PostCommand(const char* type, const char* p1, const char* p2, const char* p3, const char* p4,
                          const char* p5)
{
    ClearCommandRecord(m_mailbox);
    (void)SetCommandField(m_mailbox.type, type != nullptr ? type : "");
    const char* params[kCommandParamCount] = {p1, p2, p3, p4, p5};
    for (int i = 0; i < kCommandParamCount; ++i)
    {
        if (params[i] != nullptr)
        {
            (void)SetCommandField(m_mailbox.param[i], params[i]);
        }
    }
    (void)::PostMessageA(m_window, UM_EXEC_COMMAND, 0, reinterpret_cast<LPARAM>(&m_mailbox));
}

bool CWizard::RunCommand(const char* type, const char* p1, const char* p2, const char* p3, const char* p4,
                         const char* p5)
{
    const auto text = [](const char* value) { return value != nullptr ? value : ""; };
    const CommandRecordPtr record = MakeCommandRecord(text(type), text(p1), text(p2), text(p3), text(p4), text(p5));
    return m_executor->Execute(record.get());
}

void CWizard::PostObjectCommand(const ObjectCommand& command)
{
    PostCommand(command.type.c_str(), command.param[0].c_str(), command.param[1].c_str(), command.param[2].c_str(),
                command.param[3].c_str(), command.param[4].c_str());
}

bool CWizard::RunModal(const std::string& section)
{
    std::unique_ptr<CSkinDlg> dialog = MakeDialogOfKind(m_context, section);
    if (!dialog)
    {
        return false;
    }
    dialog->SetCommandPoster([this](const ObjectCommand& command) { PostObjectCommand(command); });
    (void)dialog->SetConfig(section);
    (void)::EnableWindow(m_window, FALSE);
    if (m_background != nullptr)
    {
        (void)::EnableWindow(m_background, FALSE);
    }
    (void)dialog->DoModal(m_window);
    (void)::EnableWindow(m_window, TRUE);
    if (m_background != nullptr)
    {
        (void)::EnableWindow(m_background, TRUE);
    }
    return true;
}

bool CWizard::PreTranslateMessage(MSG& message)
{
    CSkinDlg* current = CurrentDialog();
    if (current == nullptr || current->Window() == nullptr)
    {
        return false;
    }
    if (message.hwnd != current->Window() && !::IsChild(current->Window(), message.hwnd))
    {
        return false;
    }
    return ::IsDialogMessageA(current->Window(), &message) != FALSE;
}

LRESULT CALLBACK CWizard::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
    {
        auto* created = reinterpret_cast<CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created->lpCreateParams));
        static_cast<CWizard*>(created->lpCreateParams)->m_window = window;
    }
    auto* self = reinterpret_cast<CWizard*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    return self != nullptr ? self->HandleMessage(message, wParam, lParam)
                           : ::DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CWizard::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case UM_EXEC_COMMAND:
        OnExecCommand(lParam);
        return 0;
    case UM_CANCEL:
        (void)RunCommand("CT_DLG_CANCEL");
        return 0;
    case UM_NAVIGATE:
        OnNavigate(wParam, lParam);
        return 0;
    case UM_START:
        OnStart(wParam == 1);
        return 0;
    case UM_END_WAIT:
        OnEndWait(wParam != 0);
        return 0;
    case UM_ACTIVATE_INSTANCE:
        BringToFront();
        return 0;
    case UM_INSTALL_STATUS:
        return ForwardToDialog(message, wParam, lParam);
    case WM_CLOSE:
        if (!m_cancelBlocked)
        {
            (void)::PostMessageA(m_window, UM_CANCEL, 0, 0);
        }
        return 0;
    case WM_ACTIVATE:
    {
        const LRESULT result = ::DefWindowProcA(m_window, message, wParam, lParam);
        OnActivate(LOWORD(wParam) != WA_INACTIVE);
        return result;
    }
    default:
        return ::DefWindowProcA(m_window, message, wParam, lParam);
    }
}

// A worker started by a command (the remote install) reports to the frame, which knows no more of it:
// the dialog shown, whose command started it, gets the report unchanged and answers it.
LRESULT CWizard::ForwardToDialog(UINT message, WPARAM wParam, LPARAM lParam)
{
    CSkinDlg* current = CurrentDialog();
    if (current == nullptr || current->Window() == nullptr)
    {
        return 0;
    }
    return ::SendMessageA(current->Window(), message, wParam, lParam);
}

void CWizard::OnExecCommand(LPARAM lParam)
{
    if (lParam == 0)
    {
        return;
    }
    const CommandRecordPtr copy = CopyCommandRecord(*reinterpret_cast<const CommandRecord*>(lParam));
    ClearCommandRecord(*reinterpret_cast<CommandRecord*>(lParam));
    (void)m_executor->Execute(copy.get());
}

void CWizard::OnNavigate(WPARAM wParam, LPARAM lParam)
{
    const int how = static_cast<int>(wParam);
    if (how == -2)
    {
        (void)ShowDialog(m_current + 1, std::string());
    }
    else if (how == -1)
    {
        if (m_current >= 1)
        {
            (void)ShowDialog(m_current - 1, std::string());
        }
    }
    else if (lParam != 0)
    {
        OpenByRequest(reinterpret_cast<const char*>(lParam));
    }
    else
    {
        (void)ShowDialog(m_current, std::string());
    }
}

void CWizard::OnStart(bool success)
{
    if (!success)
    {
        m_env.Log().Write("Initializing fail");
        (void)RunCommand("CT_APP_TERMINATE");
        return;
    }
    if (m_env.RightAlign())
    {
        const LONG_PTR exStyle = ::GetWindowLongPtrA(m_window, GWL_EXSTYLE);
        ::SetWindowLongPtrA(m_window, GWL_EXSTYLE, exStyle | WS_EX_LAYOUTRTL);
    }
    const CConfigProfile& config = m_env.Config();
    std::string type;
    std::string params[3];
    if (config.GetString(m_startSection.c_str(), "CMD_TYPE", type))
    {
        (void)config.GetString(m_startSection.c_str(), "CMD_PARAM1", params[0]);
        (void)config.GetString(m_startSection.c_str(), "CMD_PARAM2", params[1]);
        (void)config.GetString(m_startSection.c_str(), "CMD_PARAM3", params[2]);
    }
    else
    {
        type = "CT_OPEN_DLG";
    }
    (void)RunCommand(type.c_str(), params[0].c_str(), params[1].c_str(), params[2].c_str());
}

void CWizard::OnEndWait(bool toFront)
{
    (void)::EnableWindow(m_window, TRUE);
    if (m_background != nullptr)
    {
        (void)::EnableWindow(m_background, TRUE);
    }
    if (toFront)
    {
        (void)::SetForegroundWindow(m_window);
    }
}

void CWizard::BringToFront()
{
    (void)::SetWindowPos(m_window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    (void)::SetForegroundWindow(m_window);
}

void CWizard::OnActivate(bool active)
{
    if (!active || !::IsWindowVisible(m_window) || m_background == nullptr)
    {
        return;
    }
    (void)::SetWindowPos(m_window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    (void)::SetWindowPos(m_background, m_window, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

// Asks the user by the cancel type; a confirmed cancel runs the termination steps as cancelled. A
// closed box never ends the run (the close of a Resume/Exit box counts as Resume).
std::string CWizard::CancelMessage() const
{
    std::string text;
    if (!m_env.Config().GetString("CANCEL_DLG", "CANCEL_MSG", text))
    {
        text = kDefaultCancelMessage;
    }
    return text;
}

bool CWizard::CancelConfirmation()
{
    const std::string text = CancelMessage();
    bool terminate = false;
    switch (m_executor->GetCancelType())
    {
    case OK_CANCEL:
        terminate = ShowUserMessage(m_window, text, m_env.ProgramName(), 0x34) == IDYES;
        break;
    case CANCEL_NULL:
        terminate = true;
        break;
    default:
        terminate = ShowUserMessage(m_window, text, m_env.ProgramName(), 0x36) == IDCANCEL;
        break;
    }
    if (terminate)
    {
        m_executor->Terminate(true);
    }
    return true;
}

bool CWizard::ShowToggle(const CommandRecord& record)
{
    CSkinDlg* current = CurrentDialog();
    if (current == nullptr)
    {
        return false;
    }
    const std::string names = record.param[0];
    size_t start = 0;
    while (start <= names.size())
    {
        const size_t comma = names.find(',', start);
        const std::string name = Trim(names.substr(start, comma == std::string::npos ? std::string::npos
                                                                                     : comma - start),
                                      " \t\"");
        if (!name.empty())
        {
            (void)current->ToggleObject(name);
        }
        if (comma == std::string::npos)
        {
            break;
        }
        start = comma + 1;
    }
    return true;
}

bool CWizard::OpenTestPage(const CommandRecord& record)
{
    const bool ready = m_testPageReady && m_testPageReady();
    const char* target = (ready || record.param[1][0] == '\0') ? record.param[0] : record.param[1];
    const std::string text = target;
    if (text.size() >= 3 && EqualsSystemNoCase(text.substr(0, 3), "CT_"))
    {
        return m_executor->RunTarget(target);
    }
    PostCommand("CT_OPEN_DLG", target);
    return true;
}
