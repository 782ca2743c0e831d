#include "ui/DrawnControls.h"

#include <commctrl.h>

#include "base/Messages.h"

namespace
{
const char kLinkClass[] = "KvLink";
const char kButtonClass[] = "KvButton";
const char kPictureClass[] = "KvPicture";
const UINT kLeaveTimer = 1;                                   // pointer watch where tracking is missing
const UINT kLeaveCheckMs = 100;
const double kToolTipShare = 0.7;

bool PointerInside(HWND window)
{
    POINT point = {};
    RECT rect = {};
    return ::GetCursorPos(&point) && ::GetWindowRect(window, &rect) && ::PtInRect(&rect, point);
}
}  // namespace

bool IsUnsupportedOs(const std::string& unsupportedOs, const std::string& osDefine)
{
    return !unsupportedOs.empty() && !osDefine.empty() && unsupportedOs.find(osDefine) != std::string::npos;
}

CDrawnControl::~CDrawnControl()
{
    if (m_window != nullptr && ::IsWindow(m_window))
    {
        ::SetWindowLongPtrA(m_window, GWLP_USERDATA, 0);
        (void)::DestroyWindow(m_window);
    }
}

void CDrawnControl::RegisterClasses()
{
    static bool registered = false;
    if (registered)
    {
        return;
    }
    registered = true;
    for (const char* name : {kLinkClass, kButtonClass, kPictureClass})
    {
        WNDCLASSA windowClass = {};
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
        windowClass.lpszClassName = name;
        (void)::RegisterClassA(&windowClass);
    }
}

LRESULT CALLBACK CDrawnControl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
    {
        auto* created = reinterpret_cast<CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created->lpCreateParams));
        static_cast<CDrawnControl*>(created->lpCreateParams)->m_window = window;
    }
    auto* self = reinterpret_cast<CDrawnControl*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    return self != nullptr ? self->HandleMessage(message, wParam, lParam)
                           : ::DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CDrawnControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND)
    {
        return TRUE;                                          // painted with the face
    }
    if (HandlePointer(message, wParam))
    {
        return 0;
    }
    return ::DefWindowProcA(m_window, message, wParam, lParam);
}

bool CDrawnControl::HandlePointer(UINT message, WPARAM wParam)
{
    switch (message)
    {
    case WM_MOUSEMOVE:
        // Until the hover has come, every move asks for it again: a request made while the system
        // still saw the pointer elsewhere is dropped without a hover or a leave.
        if (TracksPointer() && !m_hover)
        {
            if (Gdi::TrackHoverAndLeave(m_window, 1))
            {
                m_tracking = true;
            }
            else if (!m_tracking)
            {
                m_tracking = true;
                OnPointerEnter();
                (void)::SetTimer(m_window, kLeaveTimer, kLeaveCheckMs, nullptr);
            }
        }
        return true;
    case WM_TIMER:
        if (wParam == kLeaveTimer && !PointerInside(m_window))
        {
            (void)::KillTimer(m_window, kLeaveTimer);
            OnPointerLeave();
        }
        return wParam == kLeaveTimer;
    case WM_CAPTURECHANGED:
        // Another window took the pointer (a box opened over a pressed control): no press is pending.
        if (m_pressed)
        {
            m_pressed = false;
            (void)::InvalidateRect(m_window, nullptr, FALSE);
        }
        return true;
    case WM_MOUSEHOVER:
        OnPointerEnter();
        return true;
    case WM_MOUSELEAVE:
        OnPointerLeave();
        return true;
    default:
        return false;
    }
}

void CDrawnControl::OnPointerEnter()
{
    m_hover = true;
    (void)::InvalidateRect(m_window, nullptr, FALSE);
}

// A leave that comes while the control holds the pointer (the system may report one as the press
// takes the pointer) does not undo the press: the release decides, by where it is let go.
void CDrawnControl::OnPointerLeave()
{
    m_hover = m_tracking = false;
    m_pressed = m_pressed && ::GetCapture() == m_window;
    (void)::InvalidateRect(m_window, nullptr, FALSE);
}

bool CDrawnControl::HandleKeyboard(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    const bool repeated = (lParam & 0x40000000) != 0;       // the key was already down
    result = 0;
    switch (message)
    {
    case WM_GETDLGCODE:
    {
        // lParam: the key message the dialog manager is about to handle, when it asks for one.
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        const bool wanted = key != nullptr && ((key->message == WM_KEYDOWN && key->wParam == VK_RETURN) ||
                                               (key->message == WM_CHAR && (key->wParam == '\r' || key->wParam == ' ')));
        result = DLGC_BUTTON | (wanted ? DLGC_WANTMESSAGE : 0);
        return true;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN && !repeated)
        {
            Press();
        }
        else if (wParam == VK_SPACE && !repeated && !m_pressed)
        {
            m_pressed = true;
            (void)::InvalidateRect(m_window, nullptr, FALSE);
        }
        return wParam == VK_RETURN || wParam == VK_SPACE;
    case WM_KEYUP:
        if (wParam != VK_SPACE)
        {
            return false;
        }
        if (m_pressed)
        {
            m_pressed = false;
            (void)::InvalidateRect(m_window, nullptr, FALSE);
            Press();
        }
        return true;
    case WM_CHAR:
        return wParam == '\r' || wParam == ' ';              // pressed on the key itself
    case BM_CLICK:
        Press();
        return true;
    case WM_KILLFOCUS:
        m_pressed = false;                                    // a Space let go elsewhere presses nothing
        (void)::InvalidateRect(m_window, nullptr, FALSE);
        return true;
    case WM_SETFOCUS:
    case WM_ENABLE:
        (void)::InvalidateRect(m_window, nullptr, FALSE);
        return true;
    default:
        return false;
    }
}

// The pointer's button went down on the control: it shows pressed and holds the pointer until the
// button is let go, so a release outside it (the person changed their mind) presses nothing.
void CDrawnControl::OnPointerPress()
{
    m_pressed = true;
    (void)::SetCapture(m_window);
    (void)::InvalidateRect(m_window, nullptr, FALSE);
}

// The pointer's button was let go at lParam's point: true when that completes a press on the control.
bool CDrawnControl::OnPointerRelease(LPARAM lParam)
{
    const bool wasPressed = m_pressed;
    m_pressed = false;
    if (::GetCapture() == m_window)
    {
        (void)::ReleaseCapture();
    }
    (void)::InvalidateRect(m_window, nullptr, FALSE);
    RECT client = {};
    (void)::GetClientRect(m_window, &client);
    const POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    return wasPressed && ::PtInRect(&client, point);
}

bool CDrawnControl::HandlePressable(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (HandleKeyboard(message, wParam, lParam, result))
    {
        return true;
    }
    result = 0;
    if (message == WM_PAINT)
    {
        CPaintGuard paint(m_window);
        Paint(paint.Dc());
        return true;
    }
    if (message == WM_PRINTCLIENT)
    {
        Paint(reinterpret_cast<HDC>(wParam));
        return true;
    }
    return false;
}

void CDrawnControl::DrawFocusMark(HDC dc, RECT rect) const
{
    if (::GetFocus() != m_window)
    {
        return;
    }
    // DrawFocusRect inverts: the text colour settings of the painting before must not tint it.
    (void)::SetTextColor(dc, RGB(0, 0, 0));
    (void)::SetBkColor(dc, RGB(255, 255, 255));
    (void)::DrawFocusRect(dc, &rect);
}

bool CDrawnControl::CreateControl(const char* className, int id, DWORD style)
{
    RegisterClasses();
    const bool sized = m_object.size.cx != 0 && m_object.size.cy != 0;
    HWND window = ::CreateWindowExA(0, className, m_object.text.c_str(), WS_CHILD | style, m_object.position.x,
                                    m_object.position.y, sized ? m_object.size.cx : 10, sized ? m_object.size.cy : 10,
                                    m_host.dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                    ::GetModuleHandleA(nullptr), this);
    if (window == nullptr)
    {
        return false;
    }
    if (m_object.hasFont)
    {
        m_font.Reset(CreateDescribedFont(m_object.font));
    }
    (void)::EnableWindow(window, m_object.enabled ? TRUE : FALSE);
    return true;
}

HFONT CDrawnControl::TextFont() const
{
    return m_font.IsValid() ? m_font.Get() : Gdi::DialogFont();
}

void CDrawnControl::AddToolTip()
{
    if (m_object.tooltip.empty())
    {
        return;
    }
    m_toolTip.Reset(::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_host.dialog,
                                      nullptr, ::GetModuleHandleA(nullptr), nullptr));
    if (!m_toolTip.IsValid())
    {
        return;
    }
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;                        // the size every comctl32 version knows
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = m_host.dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(m_window);
    tool.lpszText = const_cast<char*>(m_object.tooltip.c_str());
    (void)::SendMessageA(m_toolTip.Get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    RECT dialog = {};
    (void)::GetClientRect(m_host.dialog, &dialog);
    const int width = static_cast<int>((dialog.right - dialog.left) * kToolTipShare);
    (void)::SendMessageA(m_toolTip.Get(), TTM_SETMAXTIPWIDTH, 0, width > 0 ? width : 300);
}

void CDrawnControl::PaintParentBackground(HWND child, HDC dc)
{
    HWND parent = ::GetParent(child);
    POINT origin = {0, 0};
    (void)::MapWindowPoints(child, parent, &origin, 1);
    POINT old = {};
    (void)::OffsetWindowOrgEx(dc, origin.x, origin.y, &old);
    (void)::SendMessageA(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    (void)::SetWindowOrgEx(dc, old.x, old.y, nullptr);
}

// The link.

CMyLink::CMyLink(const ControlHost& host, const ObjectRecord& object)
    : CDrawnControl(host, object), m_colours{kHighlight, kNormal, kNormal}, m_transColour(RGB(198, 195, 198))
{
    if (object.hasColours)
    {
        m_colours[0] = object.hiColour;
        m_colours[1] = object.colour;
        m_colours[2] = object.disColour;
    }
    if (object.useBitmapIcon)
    {
        m_onBitmap = object.onBitmap;
        m_offBitmap = object.offBitmap;
        m_clickedBitmap = object.clickedBitmap;
    }
    if (object.hasTransColour)
    {
        m_transColour = object.transColour;
    }
    m_unsupported = host.env != nullptr && IsUnsupportedOs(object.unsupportedOs, host.env->OsDefine());
}

bool CMyLink::Create(int id)
{
    if (!CreateControl(kLinkClass, id, WS_TABSTOP))
    {
        return false;
    }
    if (!m_font.IsValid())
    {
        LOGFONTA bold = {};
        (void)::GetObjectA(Gdi::DialogFont(), sizeof(bold), &bold);
        bold.lfWeight = FW_BOLD;
        m_font.Reset(::CreateFontIndirectA(&bold));
    }
    if (m_object.size.cx == 0 || m_object.size.cy == 0)
    {
        SIZE text = Gdi::MeasureText(m_window, TextFont(), m_object.text);
        if (m_object.useBitmapIcon)
        {
            CBitmapHandle icon = Gdi::LoadNamedBitmap(m_host.env ? m_host.env->ResourceLibrary() : nullptr, m_offBitmap);
            const SIZE iconSize = Gdi::BitmapSize(icon.Get());
            text.cx += iconSize.cx + 4;
            text.cy = iconSize.cy > text.cy ? iconSize.cy : text.cy;
        }
        (void)::SetWindowPos(m_window, nullptr, 0, 0, text.cx + 2, text.cy + 2, SWP_NOMOVE | SWP_NOZORDER);
    }
    AddToolTip();
    (void)::ShowWindow(m_window, m_object.shown ? SW_SHOWNA : SW_HIDE);
    return true;
}

LRESULT CMyLink::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT handled = 0;
    if (HandlePressable(message, wParam, lParam, handled))
    {
        return handled;
    }
    switch (message)
    {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnPointerPress();
        return 0;
    case WM_LBUTTONUP:
        if (OnPointerRelease(lParam))
        {
            Press();
        }
        return 0;
    case WM_SETCURSOR:
        (void)::SetCursor(m_unsupported ? ::LoadCursorA(nullptr, IDC_ARROW) : Gdi::HandCursor());
        return TRUE;
    default:
        return CDrawnControl::HandleMessage(message, wParam, lParam);
    }
}

void CMyLink::Press()
{
    if (m_host.postCommand)
    {
        m_host.postCommand(m_object.command);
    }
}

void CMyLink::OnPointerEnter()
{
    CDrawnControl::OnPointerEnter();
    if (!m_object.script.empty() && m_host.dialog != nullptr)
    {
        (void)::SendMessageA(m_host.dialog, UM_SET_DESC, 0, reinterpret_cast<LPARAM>(m_object.script.c_str()));
    }
    (void)::InvalidateRect(m_window, nullptr, FALSE);
    (void)::SetFocus(m_window);
}

void CMyLink::OnPointerLeave()
{
    CDrawnControl::OnPointerLeave();
    if (!m_object.script.empty() && m_host.dialog != nullptr)
    {
        (void)::SendMessageA(m_host.dialog, UM_SET_DESC, 0, reinterpret_cast<LPARAM>(""));
    }
}

void CMyLink::Paint(HDC dc)
{
    RECT client = {};
    (void)::GetClientRect(m_window, &client);
    PaintParentBackground(m_window, dc);
    const RECT whole = client;
    if (m_object.useBitmapIcon)
    {
        const std::string& name = m_pressed ? m_clickedBitmap : m_hover ? m_onBitmap : m_offBitmap;
        CBitmapHandle icon = Gdi::LoadNamedBitmap(m_host.env ? m_host.env->ResourceLibrary() : nullptr, name);
        const SIZE size = Gdi::BitmapSize(icon.Get());
        const RECT target = {0, (client.bottom - size.cy) / 2, size.cx, (client.bottom - size.cy) / 2 + size.cy};
        Gdi::DrawTransparent(dc, icon.Get(), target, m_transColour);
        client.left += size.cx + (size.cx > 0 ? 4 : 0);
    }
    const COLORREF colour = m_unsupported ? m_colours[2] : m_hover ? m_colours[0] : m_colours[1];
    CSelectGuard select(dc, TextFont());
    (void)::SetBkMode(dc, TRANSPARENT);
    (void)::SetTextColor(dc, colour);
    (void)::DrawTextA(dc, m_object.text.c_str(), -1, &client, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    DrawFocusMark(dc, whole);
}

// The drawn push button.

bool CDrawnButton::Create(int id)
{
    if (!CreateControl(kButtonClass, id, WS_TABSTOP))
    {
        return false;
    }
    if (m_object.size.cx == 0 || m_object.size.cy == 0)
    {
        const SIZE text = Gdi::MeasureText(m_window, TextFont(), m_object.text);
        (void)::SetWindowPos(m_window, nullptr, 0, 0, text.cx + 24, text.cy + 12, SWP_NOMOVE | SWP_NOZORDER);
    }
    AddToolTip();
    (void)::ShowWindow(m_window, m_object.shown ? SW_SHOWNA : SW_HIDE);
    return true;
}

LRESULT CDrawnButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT handled = 0;
    if (HandlePressable(message, wParam, lParam, handled))
    {
        return handled;
    }
    switch (message)
    {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        (void)::SetFocus(m_window);
        OnPointerPress();
        return 0;
    case WM_LBUTTONUP:
        if (OnPointerRelease(lParam))
        {
            Click();
        }
        return 0;
    default:
        return CDrawnControl::HandleMessage(message, wParam, lParam);
    }
}

// The command goes to the wizard; the dialog also hears a standard button click (modal buttons).
void CDrawnButton::Click()
{
    if (m_host.postCommand)
    {
        m_host.postCommand(m_object.command);
    }
    const int id = ::GetDlgCtrlID(m_window);
    (void)::SendMessageA(m_host.dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(m_window));
}

void CDrawnButton::Paint(HDC dc)
{
    RECT client = {};
    (void)::GetClientRect(m_window, &client);
    const bool enabled = ::IsWindowEnabled(m_window) != FALSE;
    (void)::DrawFrameControl(dc, &client, DFC_BUTTON, DFCS_BUTTONPUSH | (m_pressed ? DFCS_PUSHED : 0) |
                                                          (enabled ? 0 : DFCS_INACTIVE));
    RECT text = client;
    if (m_pressed)
    {
        ::OffsetRect(&text, 1, 1);
    }
    CSelectGuard select(dc, TextFont());
    (void)::SetBkMode(dc, TRANSPARENT);
    (void)::SetTextColor(dc, !enabled ? ::GetSysColor(COLOR_GRAYTEXT)
                             : m_hover ? ::GetSysColor(COLOR_HOTLIGHT)
                                       : ::GetSysColor(COLOR_BTNTEXT));
    (void)::DrawTextA(dc, m_object.text.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::InflateRect(&client, -4, -4);
    DrawFocusMark(dc, client);
}

// The bitmap picture.

bool CBitmapPicture::Create(int id)
{
    m_bitmap = Gdi::LoadNamedBitmap(m_host.env ? m_host.env->ResourceLibrary() : nullptr, m_object.text);
    if (!CreateControl(kPictureClass, id, 0))
    {
        return false;
    }
    if (!m_bitmap.IsValid())
    {
        return false;                                         // unsized and hidden
    }
    if (m_object.size.cx == 0 || m_object.size.cy == 0)
    {
        const SIZE size = Gdi::BitmapSize(m_bitmap.Get());
        (void)::SetWindowPos(m_window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    }
    (void)::ShowWindow(m_window, m_object.shown ? SW_SHOWNA : SW_HIDE);
    return true;
}

LRESULT CBitmapPicture::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT)
    {
        OnPaint();
        return 0;
    }
    if (message == WM_NCHITTEST)
    {
        return HTTRANSPARENT;                                 // clicks reach what lies beneath
    }
    return CDrawnControl::HandleMessage(message, wParam, lParam);
}

void CBitmapPicture::OnPaint()
{
    CPaintGuard paint(m_window);
    RECT client = {};
    (void)::GetClientRect(m_window, &client);
    if (m_object.hasTransColour)
    {
        PaintParentBackground(m_window, paint.Dc());
        Gdi::DrawTransparent(paint.Dc(), m_bitmap.Get(), client, m_object.transColour);
    }
    else
    {
        Gdi::DrawStretched(paint.Dc(), m_bitmap.Get(), client);
    }
}
