#include "ui/DestDirPanel.h"

#include <shlobj.h>

#include "base/Text.h"
#include "base/TextRules.h"
#include "base/UserMessage.h"
#include "env/InstallEnv.h"
#include "env/SystemPaths.h"
#include "env/SystemRequirement.h"
#include "log/Log.h"
#include "profile/ConfigProfile.h"
#include "ui/CustomDlg.h"
#include "ui/Gdi.h"
#include "ui/UiEnv.h"
#include "ui/UiResources.h"

namespace
{
const char kDefaultBrowseSection[] = "BROWSE_DIRECTORY";
const size_t kShortestCreatable = 3;                          // "C:\"
const size_t kLongestCreatable = 150;

std::string Formatted(const std::string& pattern, const std::string& path)
{
    return pattern.find("%s") != std::string::npos ? FormatText(pattern.c_str(), path.c_str()) : pattern;
}
}  // namespace

std::string CheckChosenFolder(const std::string& typed, const FolderCheck& check)
{
    std::string path = Trim(typed, " \"\t");
    if (path.size() == 2)
    {
        path += '\\';                                         // a drive alone: its root
    }
    if (path.size() < 3 || path[1] != ':')
    {
        return std::string();
    }
    const std::string root = path.substr(0, 3);
    if (check.driveType(root.c_str()) != DRIVE_FIXED)
    {
        return std::string();
    }
    if (!check.enoughSpace(path))
    {
        return std::string();
    }
    if (check.exists(path))
    {
        return path;
    }
    if (!check.ask(Formatted(check.notFoundText, path)))
    {
        return std::string();
    }
    if (path.size() >= kShortestCreatable && path.size() <= kLongestCreatable && check.create(path))
    {
        return path;
    }
    check.warn(Formatted(check.cannotCreateText, path));
    return std::string();
}

CDestDirPanel::CDestDirPanel(const DialogContext& context, const std::string& objectSection)
    : m_context(context), m_section(objectSection)
{
}

CDestDirPanel::~CDestDirPanel()
{
    if (m_window != nullptr && ::IsWindow(m_window))
    {
        ::SetWindowLongPtrA(m_window, DWLP_USER, 0);
        (void)::DestroyWindow(m_window);
    }
}

bool CDestDirPanel::Create(HWND dialog)
{
    m_window = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_DEST_DIR), dialog, PanelProc,
                                    reinterpret_cast<LPARAM>(this));
    if (m_window == nullptr)
    {
        m_context.ui->Log().Write("Destination panel [%s] cannot be created", m_section.c_str());
        return false;
    }
    Gdi::UseDialogFont(m_window);
    LayOut();
    return true;
}

INT_PTR CALLBACK CDestDirPanel::PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
    {
        ::SetWindowLongPtrA(window, DWLP_USER, lParam);
        return FALSE;
    }
    auto* self = reinterpret_cast<CDestDirPanel*>(::GetWindowLongPtrA(window, DWLP_USER));
    if (self == nullptr)
    {
        return FALSE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_DEST_BROWSE && HIWORD(wParam) == BN_CLICKED)
    {
        self->OnBrowse();
        return TRUE;
    }
    if (message == WM_USER_DLG_END)
    {
        if (wParam == 1 && self->m_context.env != nullptr)
        {
            self->m_context.env->SetDestination(std::string());   // went back: the default again
            self->ShowDestination();
        }
        return TRUE;
    }
    return FALSE;
}

void CDestDirPanel::LayOut()
{
    const CConfigProfile& config = m_context.ui->Config();
    DWORD enable = 1;
    m_enabled = !config.GetDword(m_section.c_str(), "ENABLE", &enable) || enable != 0;
    Place(IDC_DEST_ICON, "ICON_RECT", nullptr);
    Place(IDC_DEST_DESC, "DESC_RECT", "DESC_NAME");
    Place(IDC_DEST_PATH, "PATH_RECT", nullptr);
    Place(IDC_DEST_BROWSE, "BROWSE_RECT", "BROWSE_NAME");
    (void)::SendMessageA(::GetDlgItem(m_window, IDC_DEST_ICON), STM_SETICON,
                         reinterpret_cast<WPARAM>(::LoadIconA(nullptr, MAKEINTRESOURCEA(32512))), 0);
    ShowDestination();
    POINT position = {};
    SIZE size = {};
    if (!config.GetPoint(m_section.c_str(), "POSITION", &position))
    {
        (void)::ShowWindow(m_window, SW_HIDE);
        return;
    }
    const bool sized = config.GetSize(m_section.c_str(), "SIZE", &size);
    (void)::SetWindowPos(m_window, HWND_TOP, position.x, position.y, size.cx, size.cy,
                         SWP_NOACTIVATE | SWP_SHOWWINDOW | (sized ? 0 : SWP_NOSIZE));
}

// A sub-control at its rectangle with its text; hidden without a rectangle, disabled with the panel.
void CDestDirPanel::Place(int id, const char* rectKey, const char* textKey)
{
    HWND control = ::GetDlgItem(m_window, id);
    const CConfigProfile& config = m_context.ui->Config();
    RECT rect = {};
    if (!config.GetRect(m_section.c_str(), rectKey, &rect))
    {
        (void)::ShowWindow(control, SW_HIDE);
        return;
    }
    (void)::SetWindowPos(control, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    std::string text;
    if (textKey != nullptr && config.GetString(m_section.c_str(), textKey, text))
    {
        (void)::SetWindowTextA(control, text.c_str());
    }
    (void)::EnableWindow(control, m_enabled ? TRUE : FALSE);
}

std::string CDestDirPanel::ShownPath() const
{
    char text[MAX_PATH * 2] = {};
    (void)::GetDlgItemTextA(m_window, IDC_DEST_PATH, text, sizeof(text));
    return text;
}

void CDestDirPanel::ShowDestination()
{
    const std::string path = m_context.env != nullptr ? m_context.env->GetDestDir() : std::string();
    (void)::SetDlgItemTextA(m_window, IDC_DEST_PATH, path.c_str());
}

void CDestDirPanel::OnBrowse()
{
    if (m_context.env == nullptr)
    {
        return;
    }
    std::string section;
    if (!m_context.ui->Config().GetString(m_section.c_str(), "BROWSE_DLG", section) || Trim(section).empty())
    {
        section = kDefaultBrowseSection;
    }
    const std::string start = m_context.env->GetDestDir();
    const std::string chosen = m_browser ? m_browser(section, start)
                                         : BrowseForFolder(::GetParent(m_window), m_context, section, start);
    if (chosen.empty())
    {
        return;
    }
    m_context.env->SetDestination(chosen);
    m_context.ui->Log().Write("Change Destination directory ==> %s", m_context.env->GetDestDir().c_str());
    ShowDestination();
}

// The folder picker.

namespace
{
const int kPathBoxId = 0x3FF0;
const int kTreeId = 0x3741;                                   // the picker's folder tree
const int kStatusId = 0x3743;                                 // the picker's status text

struct BrowseState
{
    std::string start;
    FolderCheck check;
    std::string result;
    HWND dialog = nullptr;
    HWND pathBox = nullptr;
    WNDPROC pickerProc = nullptr;
};

BrowseState* StateOf(HWND picker)
{
    return reinterpret_cast<BrowseState*>(::GetPropA(picker, "KvBrowseState"));
}

// OK is taken only for a folder that passes the checks; otherwise the path box gets the focus again.
LRESULT CALLBACK PickerProc(HWND picker, UINT message, WPARAM wParam, LPARAM lParam)
{
    BrowseState* state = StateOf(picker);
    if (state == nullptr)
    {
        return 0;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK)
    {
        char typed[MAX_PATH * 2] = {};
        (void)::GetWindowTextA(state->pathBox, typed, sizeof(typed));
        state->result = CheckChosenFolder(typed, state->check);
        if (state->result.empty())
        {
            (void)::SetFocus(state->pathBox);
            return 0;
        }
    }
    if (message == WM_COMMAND && reinterpret_cast<HWND>(lParam) == state->pathBox && HIWORD(wParam) == EN_CHANGE)
    {
        (void)::EnableWindow(::GetDlgItem(picker, IDOK), ::GetWindowTextLengthA(state->pathBox) > 0);
    }
    if (message == WM_NCDESTROY)
    {
        const WNDPROC previous = state->pickerProc;
        (void)::SetWindowLongPtrA(picker, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        (void)::RemovePropA(picker, "KvBrowseState");
        return ::CallWindowProcA(previous, picker, message, wParam, lParam);
    }
    return ::CallWindowProcA(state->pickerProc, picker, message, wParam, lParam);
}

int CALLBACK BrowseCallback(HWND picker, UINT message, LPARAM lParam, LPARAM data)
{
    auto* state = reinterpret_cast<BrowseState*>(data);
    if (message == BFFM_INITIALIZED)
    {
        state->dialog = picker;
        (void)::ShowWindow(::GetDlgItem(picker, kStatusId), SW_HIDE);
        HWND tree = ::GetDlgItem(picker, kTreeId);
        RECT at = {};
        if (tree != nullptr)
        {
            (void)::GetWindowRect(tree, &at);
            (void)::MapWindowPoints(nullptr, picker, reinterpret_cast<POINT*>(&at), 2);
        }
        state->pathBox = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP |
                                           ES_AUTOHSCROLL, at.left, at.top - 27, at.right - at.left, 23, picker,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPathBoxId)),
                                           ::GetModuleHandleA(nullptr), nullptr);
        (void)::SendMessageA(state->pathBox, WM_SETFONT, ::SendMessageA(picker, WM_GETFONT, 0, 0), FALSE);
        (void)::SetPropA(picker, "KvBrowseState", state);
        state->pickerProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(picker, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PickerProc)));
        (void)::SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(state->start.c_str()));
        (void)::SetWindowTextA(state->pathBox, state->start.c_str());
    }
    else if (message == BFFM_SELCHANGED && state->pathBox != nullptr)
    {
        char path[MAX_PATH] = {};
        const bool onDrive = ::SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(lParam), path) &&
                             path[0] != '\0' && path[1] == ':';
        (void)::SetWindowTextA(state->pathBox, onDrive ? path : "");
        (void)::SendMessageA(picker, BFFM_ENABLEOK, 0, onDrive ? 1 : 0);
    }
    return 0;
}
}  // namespace

std::string CDestDirPanel::BrowseForFolder(HWND owner, const DialogContext& context, const std::string& section,
                                           const std::string& start)
{
    const CConfigProfile& config = context.ui->Config();
    std::string title;
    (void)config.GetString(section.c_str(), "DLG_TITLE", title);
    BrowseState state{start, FolderCheck(), std::string()};
    (void)config.GetString(section.c_str(), "PATH_NOT_FOUND_MSG", state.check.notFoundText);
    (void)config.GetString(section.c_str(), "CAN_NOT_CREATE_DIR_MSG", state.check.cannotCreateText);
    const std::string caption = context.ui->ProgramName();
    state.check.driveType = [](const char* root) { return ::GetDriveTypeA(root); };
    state.check.enoughSpace = [&context](const std::string& path) {
        return context.env == nullptr || ReadSystemRequirement(*context.env).CheckFreeSpace(path.c_str(), true);
    };
    state.check.exists = [](const std::string& path) {
        const DWORD attributes = ::GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    };
    state.check.create = [](const std::string& path) {
        return CreateDirectoryChain(path, nullptr) == ERROR_SUCCESS;
    };
    state.check.ask = [&](const std::string& text) {
        return ShowUserMessage(state.dialog, text, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
    };
    state.check.warn = [&](const std::string& text) {
        (void)ShowUserMessage(state.dialog, text, caption, MB_OK | MB_ICONWARNING);
    };

    char previous[MAX_PATH] = {};
    (void)::GetCurrentDirectoryA(sizeof(previous), previous);
    (void)::SetCurrentDirectoryA(start.c_str());
    char display[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pszDisplayName = display;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(&state);
    LPITEMIDLIST chosen = ::SHBrowseForFolderA(&info);
    if (chosen != nullptr)
    {
        ::CoTaskMemFree(chosen);
    }
    else
    {
        state.result.clear();                                 // cancelled
    }
    const std::string home = context.env != nullptr ? context.env->GetSourceDir() : std::string(previous);
    (void)::SetCurrentDirectoryA(home.empty() ? previous : home.c_str());
    return state.result;
}
