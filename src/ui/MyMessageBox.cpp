#include "ui/MyMessageBox.h"

#include "profile/ConfigProfile.h"
#include "ui/Gdi.h"
#include "ui/UiResources.h"

namespace
{
const RECT kTextArea = {66, 14, 816, 74};
const int kMinWidth = 300;
const int kMinHeight = 100;
const int kButtonGap = 10;

// One showing of the box: its window and what it shows, reached through the box window's user data.
// A box shown from within another box's message loop (a timer, a command) has its own showing, so
// each box keeps its text, type and close rule and ends with its own answer.
class CShowing
{
public:
    CShowing(CUiEnv& env, const std::string& text, const std::string& title, UINT type)
        : m_env(env), m_text(text), m_title(title), m_type(type)
    {
    }
    CShowing(const CShowing&) = delete;
    CShowing& operator=(const CShowing&) = delete;

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    void LayOut();

    CUiEnv& m_env;
    HWND m_window = nullptr;
    std::string m_text;
    std::string m_title;
    UINT m_type;
    bool m_noClose = false;
};
}  // namespace

void CMyMessageBox::ButtonKeys(UINT type, const char*& first, const char*& second)
{
    switch (type & 0x0F)
    {
    case 0:
        first = "BUTTON.OK";
        second = nullptr;
        break;
    case 4:
        first = "BUTTON.YES";
        second = "BUTTON.NO";
        break;
    case 6:
        first = "BUTTON.RESUME";
        second = "BUTTON.EXIT";
        break;
    default:
        first = "BUTTON.OK";
        second = "BUTTON.CANCEL";
        break;
    }
}

int CMyMessageBox::Show(HWND owner, const std::string& text, const std::string& title, UINT type)
{
    if (text.empty())
    {
        return 0;
    }
    CShowing showing(m_env, text, title.empty() ? m_env.ProgramName() : title, type);
    (void)::MessageBeep(0xFFFFFFFF);
    const INT_PTR result = ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MESSAGE_BOX), owner,
                                             CShowing::DialogProc, reinterpret_cast<LPARAM>(&showing));
    return result == 2 ? 2 : result == 1 ? 1 : 0;
}

int CMyMessageBox::ShowAsSystemBox(HWND owner, const std::string& text, const std::string& title, UINT type)
{
    const int button = Show(owner, text, title, type);
    switch (type & 0x0F)
    {
    case 0: return IDOK;
    case 4: return button == 1 ? IDYES : IDNO;
    case 6: return button == 2 ? IDCANCEL : IDCONTINUE;
    default: return button == 1 ? IDOK : IDCANCEL;
    }
}

INT_PTR CALLBACK CShowing::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
    {
        ::SetWindowLongPtrA(window, DWLP_USER, lParam);
        reinterpret_cast<CShowing*>(lParam)->m_window = window;
    }
    auto* self = reinterpret_cast<CShowing*>(::GetWindowLongPtrA(window, DWLP_USER));
    return self != nullptr ? self->HandleMessage(message, wParam, lParam) : FALSE;
}

INT_PTR CShowing::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_INITDIALOG:
        OnInitDialog();
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED)
        {
            (void)::EndDialog(m_window, 1);
        }
        else if (LOWORD(wParam) == IDC_BOX_SECOND && HIWORD(wParam) == BN_CLICKED)
        {
            (void)::EndDialog(m_window, 2);
        }
        else if (LOWORD(wParam) == IDCANCEL)
        {
            (void)::SendMessageA(m_window, WM_CLOSE, 0, 0);  // Esc: as the close box
        }
        return TRUE;
    case WM_CLOSE:
        // The close box and Esc never choose Exit: a Resume/Exit box stays open.
        if (!m_noClose && (m_type & 0x0F) != 6)
        {
            (void)::EndDialog(m_window, (m_type & 0x0F) == 0 ? 1 : 2);
        }
        return TRUE;
    case UM_ENABLE_BUTTONS:
        m_noClose = wParam == 0;
        (void)::EnableWindow(::GetDlgItem(m_window, IDOK), wParam != 0);
        (void)::EnableWindow(::GetDlgItem(m_window, IDC_BOX_SECOND), wParam != 0);
        return TRUE;
    default:
        return FALSE;
    }
}

void CShowing::OnInitDialog()
{
    (void)::SetWindowTextA(m_window, m_title.c_str());
    (void)::SetDlgItemTextA(m_window, IDC_BOX_TEXT, m_text.c_str());
    const char* firstKey = nullptr;
    const char* secondKey = nullptr;
    CMyMessageBox::ButtonKeys(m_type, firstKey, secondKey);
    std::string label;
    if (m_env.Strings().GetString("MESSAGES", firstKey, label))
    {
        (void)::SetDlgItemTextA(m_window, IDOK, label.c_str());
    }
    if (secondKey == nullptr)
    {
        (void)::ShowWindow(::GetDlgItem(m_window, IDC_BOX_SECOND), SW_HIDE);
    }
    else if (m_env.Strings().GetString("MESSAGES", secondKey, label))
    {
        (void)::SetDlgItemTextA(m_window, IDC_BOX_SECOND, label.c_str());
    }
    const UINT icon = m_type & 0xF0;
    const char* iconName = icon == 0x10 ? IDI_HAND : icon == 0x20 ? IDI_QUESTION : icon == 0x30 ? IDI_EXCLAMATION
                                                                                                 : IDI_ASTERISK;
    (void)::SendDlgItemMessageA(m_window, IDC_BOX_ICON, STM_SETICON,
                                reinterpret_cast<WPARAM>(::LoadIconA(nullptr, iconName)), 0);
    LayOut();
    (void)::SetForegroundWindow(m_window);
}

// Text at (66, 14), measured word-wrapped up to (816, 74); the box grows around it, the buttons stand
// centred below.
void CShowing::LayOut()
{
    HWND textControl = ::GetDlgItem(m_window, IDC_BOX_TEXT);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(textControl, WM_GETFONT, 0, 0));
    RECT text = kTextArea;
    {
        CWindowDc dc(textControl);
        CSelectGuard select(dc.Dc(), font != nullptr ? font : Gdi::DialogFont());
        (void)::DrawTextA(dc.Dc(), m_text.c_str(), -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    }
    RECT outer = {};
    RECT client = {};
    (void)::GetWindowRect(m_window, &outer);
    (void)::GetClientRect(m_window, &client);
    const int frameWidth = (outer.right - outer.left) - client.right;
    const int frameHeight = (outer.bottom - outer.top) - client.bottom;
    HWND first = ::GetDlgItem(m_window, IDOK);
    HWND second = ::GetDlgItem(m_window, IDC_BOX_SECOND);
    RECT button = {};
    (void)::GetWindowRect(first, &button);
    const int buttonWidth = button.right - button.left;
    const int buttonHeight = button.bottom - button.top;
    int width = text.right + frameWidth / 2 + 10;
    width = width < kMinWidth ? kMinWidth : width;
    int height = text.bottom + buttonHeight + frameHeight + 20;
    height = height < kMinHeight ? kMinHeight : height;
    (void)::SetWindowPos(textControl, nullptr, text.left, text.top, text.right - text.left, text.bottom - text.top,
                         SWP_NOZORDER);
    const int clientWidth = width - frameWidth;
    const bool two = ::IsWindowVisible(second) != FALSE;
    const int row = two ? 2 * buttonWidth + kButtonGap : buttonWidth;
    const int left = (clientWidth - row) / 2;
    const int top = text.bottom + 10;
    (void)::SetWindowPos(first, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    (void)::SetWindowPos(second, nullptr, left + buttonWidth + kButtonGap, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    if ((::GetWindowLongPtrA(m_window, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0)
    {
        (void)::SetWindowPos(::GetDlgItem(m_window, IDC_BOX_ICON), nullptr, 14, 14, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    (void)::SetWindowPos(m_window, HWND_TOP, x, y, width, height, 0);
}
