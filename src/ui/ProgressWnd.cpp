#include "ui/ProgressWnd.h"

#include <commctrl.h>

#include "base/Messages.h"
#include "profile/ConfigProfile.h"
#include "ui/UiResources.h"

CProgressWnd::CProgressWnd(CUiEnv& env) : CSkinDlg(env, IDD_PROGRESS)
{
    SetTopLevel(true);
}

bool CProgressWnd::CreateFor(const std::string& section, HWND owner)
{
    if (section.empty() || !Env().Config().HasSection(section.c_str()))
    {
        return false;                                         // a product without the window shows none
    }
    (void)SetConfig(section);
    if (!Create(owner))
    {
        return false;
    }
    (void)::SendDlgItemMessageA(m_window, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    (void)::SendDlgItemMessageA(m_window, IDC_PROGRESS, PBM_SETPOS, 0, 0);
    return true;
}

void CProgressWnd::InitFixedControls()
{
    CSkinDlg::InitFixedControls();
    (void)PlaceFixedControl("PROGRESS_BAR", ::GetDlgItem(m_window, IDC_PROGRESS));
}

INT_PTR CProgressWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != UM_PROGRESS_STEP)
    {
        return CSkinDlg::HandleMessage(message, wParam, lParam);
    }
    if (wParam != 0 || lParam != 0)
    {
        m_spanStart = m_position;
        m_span = static_cast<int>(wParam);
        m_count = static_cast<int>(lParam);
        m_done = 0;
    }
    else if (m_count > 0 && m_done < m_count)
    {
        ++m_done;
        m_position = m_spanStart + m_span * m_done / m_count;
        m_position = m_position > 100 ? 100 : m_position;
    }
    (void)::SendDlgItemMessageA(m_window, IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(m_position), 0);
    return TRUE;
}

CBackgroundWnd::CBackgroundWnd(CUiEnv& env) : CSkinDlg(env, IDD_BACKGROUND)
{
    SetTopLevel(true);
}

bool CBackgroundWnd::CreateFor(const std::string& section)
{
    if (section.empty() || !Env().Config().HasSection(section.c_str()))
    {
        return false;
    }
    (void)SetConfig(section);
    if (!Create(nullptr))
    {
        return false;
    }
    const LONG_PTR exStyle = ::GetWindowLongPtrA(m_window, GWL_EXSTYLE);
    ::SetWindowLongPtrA(m_window, GWL_EXSTYLE, (exStyle & ~static_cast<LONG_PTR>(WS_EX_APPWINDOW)) | WS_EX_TOOLWINDOW);
    return true;
}

INT_PTR CBackgroundWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE && m_wizard != nullptr &&
        ::IsWindowVisible(m_wizard))
    {
        (void)::SetWindowPos(m_wizard, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        (void)::SetWindowPos(m_window, m_wizard, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    return CSkinDlg::HandleMessage(message, wParam, lParam);
}
