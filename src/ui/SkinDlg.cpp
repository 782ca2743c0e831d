#include "ui/SkinDlg.h"

#include <commctrl.h>

#include "base/Messages.h"
#include "items/Item.h"
#include "base/TextRules.h"
#include "log/Log.h"
#include "profile/ConfigProfile.h"
#include "ui/UiResources.h"

namespace
{
const int kMaxDialogExtent = 16384;                           // a dialog rectangle is cut to this

// A rectangle no window can take is cut to what one can.
RECT SaneRect(const RECT& rect, CLog& log, const std::string& section)
{
    RECT result = rect;
    const auto clamp = [](LONG value) {
        return value < -kMaxDialogExtent ? -kMaxDialogExtent : value > kMaxDialogExtent ? kMaxDialogExtent : value;
    };
    result.left = clamp(rect.left);
    result.top = clamp(rect.top);
    result.right = clamp(rect.right);
    result.bottom = clamp(rect.bottom);
    if (result.right < result.left || result.bottom < result.top || result.left != rect.left ||
        result.top != rect.top || result.right != rect.right || result.bottom != rect.bottom)
    {
        log.Write("DLG_RECT of [%s] is out of range: %ld,%ld,%ld,%ld", section.c_str(), rect.left, rect.top,
                  rect.right, rect.bottom);
        result.right = result.right < result.left ? result.left : result.right;
        result.bottom = result.bottom < result.top ? result.top : result.bottom;
    }
    return result;
}

// A window's whole text, however long.
std::string WholeWindowText(HWND window)
{
    const int length = static_cast<int>(::SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
    if (length <= 0)
    {
        return std::string();
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = ::GetWindowTextA(window, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}
}  // namespace

CSkinDlg::CSkinDlg(CUiEnv& env, int templateId)
    : m_env(env), m_templateId(templateId), m_config(env),
      m_controls(env, m_config, [this](const ObjectCommand& command) { PostCommand(command); })
{
    m_context.ui = &env;
}

CSkinDlg::CSkinDlg(const DialogContext& context, int templateId) : CSkinDlg(*context.ui, templateId)
{
    m_context = context;
}

CSkinDlg::~CSkinDlg()
{
    m_panels.clear();
    m_controls.DestroyControls();
    if (m_window != nullptr && !m_modal && ::IsWindow(m_window))
    {
        ::SetWindowLongPtrA(m_window, DWLP_USER, 0);
        (void)::DestroyWindow(m_window);
    }
}

bool CSkinDlg::SetConfig(const std::string& section)
{
    const bool parented = m_config.SetConfig(m_window != nullptr ? m_window : m_parent, section, !m_topLevel);
    m_backBitmap = Gdi::LoadNamedBitmap(m_env.ResourceLibrary(), m_config.GetBackBitmap());
    if (!m_config.GetBackBitmap().empty() && !m_backBitmap.IsValid())
    {
        m_env.Log().Write("Bitmap [%s] of [%s] cannot be loaded", m_config.GetBackBitmap().c_str(), section.c_str());
    }
    return parented;
}

bool CSkinDlg::Create(HWND parent)
{
    m_parent = parent;
    m_modal = false;
    HWND window = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), parent,
                                       DialogProc, reinterpret_cast<LPARAM>(this));
    return window != nullptr;
}

int CSkinDlg::DoModal(HWND owner)
{
    m_parent = owner;
    m_modal = true;
    const INT_PTR result = ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), owner,
                                             DialogProc, reinterpret_cast<LPARAM>(this));
    m_panels.clear();
    m_controls.DestroyControls();
    m_window = nullptr;
    m_modal = false;
    return result == 1 ? 1 : 2;
}

INT_PTR CALLBACK CSkinDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
    {
        ::SetWindowLongPtrA(window, DWLP_USER, lParam);
        reinterpret_cast<CSkinDlg*>(lParam)->m_window = window;
    }
    auto* self = reinterpret_cast<CSkinDlg*>(::GetWindowLongPtrA(window, DWLP_USER));
    return self != nullptr ? self->HandleMessage(message, wParam, lParam) : FALSE;
}

INT_PTR CSkinDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_INITDIALOG:
        OnInitDialog();
        return FALSE;
    case WM_ERASEBKGND:
        ::SetWindowLongPtrA(m_window, DWLP_MSGRESULT, OnEraseBackground(reinterpret_cast<HDC>(wParam)));
        return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN:
        return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return TRUE;
    case UM_SET_DESC:
        OnSetDescription(reinterpret_cast<const char*>(lParam));
        return TRUE;
    case WM_CLOSE:
        if (m_modal)
        {
            (void)::EndDialog(m_window, 2);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

// The window set-up: child of the wizard or a captioned modal window, mirrored with RIGHT_ALIGN, the
// description control, the modal buttons, then the described controls and the fixed ones.
void CSkinDlg::OnInitDialog()
{
    m_controls.SetDialog(m_window);
    LONG_PTR style = ::GetWindowLongPtrA(m_window, GWL_STYLE);
    if (m_modal)
    {
        style = (style & ~static_cast<LONG_PTR>(WS_CHILD)) | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    }
    else if (!m_topLevel)
    {
        style = (style & ~static_cast<LONG_PTR>(WS_CAPTION | WS_POPUP | WS_VISIBLE)) | WS_CHILD;
    }
    ::SetWindowLongPtrA(m_window, GWL_STYLE, style);
    if (!m_modal && !m_topLevel && m_parent != nullptr)
    {
        (void)::SetParent(m_window, m_parent);
    }
    CControlFactory::ApplyLayoutDirection(m_window, m_env.RightAlign());
    // The template's own controls write in the font every described text uses: the template's font
    // lacks the letters of some languages (Hebrew) on some systems.
    Gdi::UseDialogFont(m_window);
    // Not id 0, which is the first button object's.
    m_description = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10,
                                      m_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(
                                                    CControlFactory::kDescriptionId)),
                                      ::GetModuleHandleA(nullptr), nullptr);
    if (m_description != nullptr)
    {
        (void)::SendMessageA(m_description, WM_SETFONT, reinterpret_cast<WPARAM>(Gdi::DialogFont()), FALSE);
    }
    CreateControls(m_modal, m_modal);
    InitFixedControls();
    if (m_modal)
    {
        (void)PrepareShow();
        OnEnter(std::string());
    }
    (void)::SetWindowTextA(m_window, m_config.GetCaption().c_str());
}

void CSkinDlg::CreateControls(bool centreAndShow, bool mirror)
{
    m_controls.CreateObjectControls();
    m_panels.clear();
    if (!m_config.GetDestDirSection().empty())
    {
        auto panel = std::make_unique<CDestDirPanel>(m_context, m_config.GetDestDirSection());
        if (panel->Create(m_window))
        {
            m_panels.push_back(std::move(panel));
        }
    }
    LayOut(centreAndShow, mirror);
}

// The rectangle becomes the background bitmap's size when the description gives none; a modal or
// stand-alone dialog is centred on the screen, one of the wizard keeps its place for the wizard.
void CSkinDlg::LayOut(bool centreAndShow, bool mirror)
{
    RECT rect = SaneRect(m_config.GetRect(), m_env.Log(), m_config.GetSection());
    RECT window = {};
    RECT client = {};
    (void)::GetWindowRect(m_window, &window);
    (void)::GetClientRect(m_window, &client);
    const int frameWidth = (window.right - window.left) - client.right;
    const int frameHeight = (window.bottom - window.top) - client.bottom;
    if (rect.left == 0 && rect.top == 0 && rect.right == 0 && rect.bottom == 0 && m_backBitmap.IsValid())
    {
        const SIZE size = Gdi::BitmapSize(m_backBitmap.Get());
        rect = RECT{0, 0, size.cx + frameWidth, size.cy + frameHeight};
    }
    m_config.SetRect(rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    if (centreAndShow || (!m_config.IsChildOfWizard() && m_config.GetPositionType() == CDlgConfig::kCentre))
    {
        int x = (screenWidth - width) / 2;
        if (mirror && m_env.RightAlign())
        {
            x = -x;
        }
        (void)::SetWindowPos(m_window, nullptr, x, (screenHeight - height) / 2, width, height,
                             SWP_NOZORDER | SWP_NOACTIVATE | (centreAndShow ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    }
    else if (m_config.GetPositionType() == CDlgConfig::kFullScreen)
    {
        (void)::SetWindowPos(m_window, nullptr, 0, 0, screenWidth, screenHeight,
                             SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    }
    else
    {
        (void)::SetWindowPos(m_window, nullptr, 0, 0, width, height,
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    }
}

bool CSkinDlg::PlaceFixedControl(const char* key, HWND control, int kind)
{
    return m_controls.PlaceFixedControl(key, control, kind);
}

bool CSkinDlg::ReadFixedCommand(const char* key, ObjectCommand& command) const
{
    std::string objectSection;
    if (!m_config.ReadOwnString(key, objectSection))
    {
        return true;
    }
    command = ObjectCommand();
    const CConfigProfile& config = m_env.Config();
    const char* s = objectSection.c_str();
    (void)config.GetString(s, "CMD_PARAM1", command.param[0]);
    (void)config.GetString(s, "CMD_PARAM2", command.param[1]);
    (void)config.GetString(s, "CMD_PARAM3", command.param[2]);
    return config.GetString(s, "CMD_TYPE", command.type);
}

bool CSkinDlg::FixedBackColour(const char* key, COLORREF& colour) const
{
    std::string objectSection;
    DWORD value = 0;
    if (!m_config.ReadOwnString(key, objectSection) || objectSection.empty() ||
        !m_env.Config().GetColor(objectSection.c_str(), "BACK_COLOR", &value))
    {
        return false;
    }
    colour = value;
    return true;
}

bool CSkinDlg::ApplyFixedBackColour(const char* key, HWND control)
{
    COLORREF colour = 0;
    if (control == nullptr || !FixedBackColour(key, colour))
    {
        return false;
    }
    m_controlBacks[control] = colour;
    (void)::InvalidateRect(control, nullptr, TRUE);
    return true;
}

void CSkinDlg::PostNext(bool main)
{
    if (!m_active)
    {
        return;
    }
    m_active = false;
    if (!main && !m_next.param[1].empty())
    {
        ObjectCommand alternative;
        alternative.type = m_next.type;
        alternative.param[0] = m_next.param[1];
        PostCommand(alternative);
        return;
    }
    PostCommand(m_next);
}

void CSkinDlg::PostCommand(const ObjectCommand& command)
{
    if (m_poster)
    {
        m_poster(command);
    }
}

void CSkinDlg::InitFixedControls()
{
    (void)ReadFixedCommand("FIXED_NEXT", m_next);
    if (m_description != nullptr)
    {
        m_descriptionBack = RGB(255, 255, 255);
        if (PlaceFixedControl("NORMAL_DESC", m_description, CControlFactory::kKindText))
        {
            std::string objectSection;
            DWORD colour = 0;
            if (m_config.ReadOwnString("NORMAL_DESC", objectSection) &&
                m_env.Config().GetColor(objectSection.c_str(), "BACK_COLOR", &colour))
            {
                m_descriptionBack = colour;
            }
        }
        m_defaultDescription = WholeWindowText(m_description);
    }
    if (m_modal)
    {
        m_controls.CreateModalButtons();
    }
}

void CSkinDlg::OnEnter(const std::string& /*parameter*/)
{
    m_active = true;
    if (m_parent != nullptr)
    {
        (void)::SetActiveWindow(m_modal ? m_window : m_parent);
    }
    if (m_description != nullptr)
    {
        OnSetDescription("");
    }
}

void CSkinDlg::Refresh()
{
    CControlFactory::ApplyLayoutDirection(m_window, m_env.RightAlign());
    m_panels.clear();
    m_controls.DestroyControls();
    m_controlBacks.clear();                                   // the kinds set them again from the new texts
    m_defaultDescription.clear();
    if (m_description != nullptr)
    {
        (void)::SetWindowTextA(m_description, "");
    }
    if (SetConfig(m_config.GetSection()))
    {
        CreateControls(false, false);
        InitFixedControls();
    }
    (void)::ShowWindow(m_window, SW_HIDE);
}

void CSkinDlg::Broadcast(UINT message, WPARAM wParam, LPARAM lParam, bool post)
{
    for (HWND child = ::GetWindow(m_window, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
    {
        if (post)
        {
            (void)::PostMessageA(child, message, wParam, lParam);
        }
        else
        {
            (void)::SendMessageA(child, message, wParam, lParam);
        }
    }
}

bool CSkinDlg::ToggleObject(const std::string& name)
{
    for (ObjectType type : CDlgConfig::kControlOrder)
    {
        for (const ObjectRecord& object : m_config.Objects(type))
        {
            if (!EqualsSystemNoCase(object.section, name))
            {
                continue;
            }
            if (object.control != nullptr)
            {
                (void)::ShowWindow(object.control, ::IsWindowVisible(object.control) ? SW_HIDE : SW_SHOWNA);
            }
            return object.control != nullptr;
        }
    }
    return false;
}

void CSkinDlg::FocusDefault()
{
    if (m_focusControl != nullptr)
    {
        (void)::SetFocus(m_focusControl);
        return;
    }
    for (ObjectType type : {ObjectType::Link, ObjectType::Button, ObjectType::Lang})
    {
        for (const ObjectRecord& object : m_config.Objects(type))
        {
            if (object.defaultButton && object.control != nullptr)
            {
                (void)::SetFocus(object.control);
                return;
            }
        }
    }
}

BOOL CSkinDlg::OnEraseBackground(HDC dc)
{
    RECT client = {};
    (void)::GetClientRect(m_window, &client);
    const COLORREF back = m_env.DialogBackColour();
    if (back != CLR_INVALID)
    {
        (void)::FillRect(dc, &client, BrushFor(back));
    }
    else
    {
        (void)::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    }
    if (m_backBitmap.IsValid())
    {
        if (m_config.IsStretched())
        {
            Gdi::DrawStretched(dc, m_backBitmap.Get(), client);
        }
        else
        {
            Gdi::DrawCopied(dc, m_backBitmap.Get(), 0, 0, client.right, client.bottom);
        }
    }
    m_config.PaintShapes(dc);
    return TRUE;
}

HBRUSH CSkinDlg::BrushFor(COLORREF colour)
{
    CBrushHandle& brush = m_brushes[colour];
    if (!brush.IsValid())
    {
        brush.Reset(::CreateSolidBrush(colour));
    }
    return brush.Get();
}

bool CSkinDlg::PlaceColouredControl(const char* key, HWND control, int kind)
{
    const bool placed = PlaceFixedControl(key, control, kind);
    if (placed)
    {
        (void)ApplyFixedBackColour(key, control);
    }
    return placed;
}

INT_PTR CSkinDlg::OnControlColour(HDC dc, HWND control)
{
    const COLORREF back = m_env.DialogBackColour();
    if (control == m_description && control != nullptr)
    {
        (void)::SetBkColor(dc, m_descriptionBack);
        return reinterpret_cast<INT_PTR>(BrushFor(m_descriptionBack));
    }
    const auto fixed = m_controlBacks.find(control);
    if (fixed != m_controlBacks.end())
    {
        (void)::SetBkMode(dc, TRANSPARENT);
        (void)::SetBkColor(dc, fixed->second);
        return reinterpret_cast<INT_PTR>(BrushFor(fixed->second));
    }
    for (const ObjectRecord& object : m_config.Objects(ObjectType::Static))
    {
        if (object.control == control && control != nullptr)
        {
            const COLORREF objectBack = object.hasBackColour ? object.backColour
                                                             : back != CLR_INVALID ? back : ::GetSysColor(COLOR_BTNFACE);
            (void)::SetTextColor(dc, object.hasColours ? object.colour : RGB(0, 0, 0));
            (void)::SetBkColor(dc, objectBack);
            return reinterpret_cast<INT_PTR>(BrushFor(objectBack));
        }
    }
    if (back == CLR_INVALID)
    {
        return FALSE;
    }
    (void)::SetTextColor(dc, RGB(0, 0, 0));
    (void)::SetBkColor(dc, back);
    return reinterpret_cast<INT_PTR>(BrushFor(back));
}

// Enter and Esc (IDOK, IDCANCEL from the dialog manager) do nothing: a dialog ends only through its
// commands. Object buttons 1 and 2 carry no OK or Cancel meaning either.
void CSkinDlg::OnCommand(int id, int code, HWND control)
{
    if (code == CBN_SELENDOK && m_controls.LanguageCodes(control) != nullptr)
    {
        OnLanguageChosen(control);
        return;
    }
    if (control != nullptr && OnKindCommand(id, code, control))
    {
        return;
    }
    if (code != BN_CLICKED)
    {
        return;
    }
    if (id == kNextId && control != nullptr)
    {
        PostNext(true);
    }
    if (m_modal && control != nullptr)
    {
        if (id == kNextId || id == CControlFactory::kModalNextId || id == CControlFactory::kModalBackId ||
            id == CControlFactory::kModalOkId)
        {
            (void)::EndDialog(m_window, 1);
        }
        else if (id == CControlFactory::kModalCancelId)
        {
            (void)::EndDialog(m_window, 2);
        }
    }
}

void CSkinDlg::OnLanguageChosen(HWND combo)
{
    const LRESULT row = ::SendMessageA(combo, CB_GETCURSEL, 0, 0);
    const std::vector<std::string>* codes = m_controls.LanguageCodes(combo);
    if (codes == nullptr || row < 0 || static_cast<size_t>(row) >= codes->size())
    {
        return;
    }
    ObjectCommand command;
    command.type = "CT_CHANGE_LANG";
    command.param[0] = (*codes)[static_cast<size_t>(row)];
    PostCommand(command);
}

void CSkinDlg::OnSetDescription(const char* text)
{
    if (m_description == nullptr)
    {
        return;
    }
    const std::string shown = text != nullptr && *text != '\0' ? text : m_defaultDescription;
    (void)::SetWindowTextA(m_description, shown.c_str());
    (void)::InvalidateRect(m_description, nullptr, TRUE);
    (void)::UpdateWindow(m_description);
}

CNormalDlg::CNormalDlg(const DialogContext& context) : CSkinDlg(context, IDD_SKIN) {}

void CNormalDlg::OnEnter(const std::string& parameter)
{
    CSkinDlg::OnEnter(parameter);
    Broadcast(UM_REFRESH_LIST, 0, 0, false);
    RefillResultLists();
}

// Each result list shows, in item order, the display name of every item selected now, scrolling as
// wide as the widest name and a little more.
void CSkinDlg::RefillResultLists()
{
    for (const ObjectRecord& object : m_config.Objects(ObjectType::ResultList))
    {
        HWND list = object.control;
        if (list == nullptr)
        {
            continue;
        }
        (void)::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
        if (::SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0) == 0)
        {
            LVCOLUMNA column = {};
            column.mask = LVCF_WIDTH;
            column.cx = 10;
            (void)::SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
        }
        const CItem* items = m_context.items;
        LRESULT widest = 0;
        for (int index = 0; items != nullptr && index < items->GetCount(); ++index)
        {
            const ITEM_RECORD* item = items->GetItemAt(index);
            if (item == nullptr || !item->selected)
            {
                continue;
            }
            LVITEMA row = {};
            row.mask = LVIF_TEXT;
            row.iItem = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
            row.pszText = const_cast<char*>(item->displayName.c_str());
            (void)::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row));
            const LRESULT width = ::SendMessageA(list, LVM_GETSTRINGWIDTHA, 0,
                                                 reinterpret_cast<LPARAM>(item->displayName.c_str()));
            widest = width > widest ? width : widest;
        }
        (void)::SendMessageA(list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(static_cast<int>(widest) + 10 + 16, 0));
    }
}
