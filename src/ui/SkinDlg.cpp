#include "ui/SkinDlg.h"

#include <commctrl.h>

#include <cstring>

#include "base/Messages.h"
#include "log/Log.h"
#include "profile/ConfigProfile.h"
#include "profile/Profile.h"
#include "ui/UiResources.h"

namespace
{
const int kFirstObjectId = 3000;                              // ids of non-button objects, per type block
const int kIdsPerType = 100;
const int kMaxLanguageRows = 50;
const int kLanguageCodeSize = 15;
const int kVisibleLanguageRows = 10;
const int kMaxDialogExtent = 16384;                           // a dialog rectangle is cut to this

std::string ReadWholeFile(const std::string& path)
{
    CHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string text;
    if (!file.IsValid())
    {
        return text;
    }
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
    {
        text.append(buffer, read);
    }
    return text;
}

// Edit controls break lines only at CR LF.
std::string WithCrLf(const std::string& text)
{
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
        {
            result += '\r';
        }
        result += text[i];
    }
    return result;
}

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
    {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

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
}  // namespace

CSkinDlg::CSkinDlg(CUiEnv& env, int templateId) : m_env(env), m_templateId(templateId), m_config(env) {}

CSkinDlg::~CSkinDlg()
{
    DestroyControls();
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
    DestroyControls();
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
    ApplyLayoutDirection(m_window, m_env.RightAlign());
    m_description = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10,
                                      m_window, nullptr, ::GetModuleHandleA(nullptr), nullptr);
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

void CSkinDlg::ApplyLayoutDirection(HWND window, bool rightToLeft)
{
    const LONG_PTR exStyle = ::GetWindowLongPtrA(window, GWL_EXSTYLE);
    ::SetWindowLongPtrA(window, GWL_EXSTYLE,
                        rightToLeft ? (exStyle | WS_EX_LAYOUTRTL) : (exStyle & ~static_cast<LONG_PTR>(WS_EX_LAYOUTRTL)));
}

void CSkinDlg::CreateControls(bool centreAndShow, bool mirror)
{
    int block = 0;
    for (ObjectType type : CDlgConfig::kControlOrder)
    {
        std::vector<ObjectRecord>& list = m_config.Objects(type);
        for (size_t index = 0; index < list.size(); ++index)
        {
            const int id = type == ObjectType::Button ? static_cast<int>(index)
                                                      : kFirstObjectId + block * kIdsPerType + static_cast<int>(index);
            CreateObjectControl(list[index], id);
        }
        ++block;
    }
    LayOut(centreAndShow, mirror);
}

void CSkinDlg::CreateObjectControl(ObjectRecord& object, int id)
{
    ControlHost host;
    host.dialog = m_window;
    host.env = &m_env;
    host.postCommand = [this](const ObjectCommand& command) { PostCommand(command); };
    switch (object.type)
    {
    case ObjectType::Link:
    {
        auto link = std::make_unique<CMyLink>(host, object);
        object.control = link->Create(id) ? link->Window() : nullptr;
        m_drawn.push_back(std::move(link));
        break;
    }
    case ObjectType::Button:
    {
        auto button = std::make_unique<CDrawnButton>(host, object);
        object.control = button->Create(id) ? button->Window() : nullptr;
        m_drawn.push_back(std::move(button));
        break;
    }
    case ObjectType::Bitmap:
    {
        auto picture = std::make_unique<CBitmapPicture>(host, object);
        if (!picture->Create(id))
        {
            m_env.Log().Write("Bitmap [%s] of [%s] cannot be loaded", object.text.c_str(), object.section.c_str());
        }
        object.control = picture->Window();
        m_drawn.push_back(std::move(picture));
        break;
    }
    case ObjectType::Lang: CreateLanguageBox(object, id); break;
    case ObjectType::Edit: CreateEditBox(object, id); break;
    case ObjectType::Avi: CreateAnimation(object, id); break;
    case ObjectType::Static: CreateStaticText(object, id); break;
    case ObjectType::ResultList:
        object.control = ::CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                           WS_CHILD | WS_HSCROLL | WS_VSCROLL | LVS_REPORT | LVS_NOCOLUMNHEADER,
                                           object.position.x, object.position.y, object.size.cx ? object.size.cx : 10,
                                           object.size.cy ? object.size.cy : 10, m_window,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
        break;
    default:
        break;
    }
    if (object.control != nullptr && object.type != ObjectType::Link && object.type != ObjectType::Button &&
        object.type != ObjectType::Bitmap)
    {
        m_plainControls.push_back(object.control);
        (void)::ShowWindow(object.control, object.shown ? SW_SHOWNA : SW_HIDE);
    }
}

void CSkinDlg::CreateStaticText(ObjectRecord& object, int id)
{
    const bool sized = object.size.cx != 0 && object.size.cy != 0;
    HWND control = ::CreateWindowExA(0, "STATIC", object.text.c_str(),
                                     WS_CHILD | SS_NOPREFIX | (object.centred ? SS_CENTER : SS_LEFT),
                                     object.position.x, object.position.y, sized ? object.size.cx : 10,
                                     sized ? object.size.cy : 10, m_window,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    if (control == nullptr)
    {
        return;
    }
    HFONT font = Gdi::DialogFont();
    if (object.hasFont)
    {
        m_fonts.emplace_back(CreateDescribedFont(object.font));
        font = m_fonts.back().IsValid() ? m_fonts.back().Get() : font;
    }
    (void)::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (!sized)
    {
        const SIZE text = Gdi::MeasureText(control, font, object.text);
        (void)::SetWindowPos(control, nullptr, 0, 0, text.cx + 2, text.cy, SWP_NOMOVE | SWP_NOZORDER);
    }
    (void)::EnableWindow(control, object.enabled ? TRUE : FALSE);
    object.control = control;
}

void CSkinDlg::CreateEditBox(ObjectRecord& object, int id)
{
    const std::string path = object.textFile.empty() ? std::string() : m_env.ResolveExistingFile(object.textFile);
    const std::string text = path.empty() ? std::string() : ReadWholeFile(path);
    if (text.empty())
    {
        return;                                               // no file, or an empty one: no box
    }
    const bool sized = object.size.cx != 0 && object.size.cy != 0;
    HWND control = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                     WS_CHILD | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                                     object.position.x, object.position.y, sized ? object.size.cx : 10,
                                     sized ? object.size.cy : 10, m_window,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    if (control == nullptr)
    {
        return;
    }
    (void)::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(Gdi::DialogFont()), FALSE);
    (void)::SendMessageA(control, EM_LIMITTEXT, 0, 0);
    (void)::SetWindowTextA(control, WithCrLf(text).c_str());
    (void)::EnableWindow(control, object.enabled ? TRUE : FALSE);
    object.control = control;
}

void CSkinDlg::CreateAnimation(ObjectRecord& object, int id)
{
    const std::string path = object.aviFile.empty() ? std::string() : m_env.ResolveExistingFile(object.aviFile);
    if (path.empty())
    {
        return;
    }
    const bool sized = object.size.cx != 0 && object.size.cy != 0;
    HWND control = ::CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD | ACS_TRANSPARENT, object.position.x,
                                     object.position.y, sized ? object.size.cx : 100, sized ? object.size.cy : 100,
                                     m_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    if (control == nullptr)
    {
        return;
    }
    if (::SendMessageA(control, ACM_OPENA, 0, reinterpret_cast<LPARAM>(path.c_str())))
    {
        (void)::SendMessageA(control, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
    }
    (void)::EnableWindow(control, object.enabled ? TRUE : FALSE);
    object.control = control;
}

// Rows from DATA_SECTION of the data file: "code = message name"; the text is that message of the
// string file. The current language's row is chosen, else the system language's.
void CSkinDlg::CreateLanguageBox(ObjectRecord& object, int id)
{
    const int width = object.size.cx != 0 ? object.size.cx : 10;
    const int height = object.size.cy != 0 ? object.size.cy : 10;
    HWND combo = ::CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
                                   object.position.x, object.position.y, width, height, m_window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    if (combo == nullptr)
    {
        return;
    }
    (void)::SendMessageA(combo, WM_SETFONT, reinterpret_cast<WPARAM>(Gdi::DialogFont()), FALSE);
    std::vector<char> lines(CConfigProfile::kTextSize, '\0');
    std::vector<std::string>& codes = m_languageCodes[combo];
    int widest = 0;
    if (!object.dataSection.empty() &&
        m_env.Data().GetSectionKeys(object.dataSection.c_str(), lines.data(), static_cast<DWORD>(lines.size())))
    {
        for (const char* line = lines.data(); *line != '\0' && static_cast<int>(codes.size()) < kMaxLanguageRows;
             line += std::strlen(line) + 1)
        {
            const std::string entry = line;
            const size_t equals = entry.find('=');
            const std::string code = Trimmed(entry.substr(0, equals)).substr(0, kLanguageCodeSize);
            const std::string key = equals == std::string::npos ? std::string() : Trimmed(entry.substr(equals + 1));
            std::string text;
            (void)m_env.Strings().GetString("MESSAGES", key.c_str(), text);
            (void)::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
            codes.push_back(code);
            const SIZE extent = Gdi::MeasureText(combo, Gdi::DialogFont(), text);
            widest = extent.cx > widest ? extent.cx : widest;
        }
    }
    int selected = -1;
    for (WORD wanted : {m_env.LangId(), m_env.SystemLangId()})
    {
        for (size_t row = 0; row < codes.size() && selected < 0; ++row)
        {
            if (static_cast<WORD>(CProfile::StringToDword(codes[row].c_str())) == wanted)
            {
                selected = static_cast<int>(row);
            }
        }
    }
    if (::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0) == CB_ERR && selected >= 0)
    {
        m_env.Log().Write("Initialize Language Combo Box Error!! --> Error SetCurSel function");
    }
    else if (selected < 0)
    {
        m_env.Log().Write("Initialize Language Combo Box Error!! --> Error SetCurSel function");
    }
    const int rowHeight = static_cast<int>(::SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0));
    const int editHeight = static_cast<int>(::SendMessageA(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    const int rows = codes.size() < static_cast<size_t>(kVisibleLanguageRows) ? static_cast<int>(codes.size())
                                                                               : kVisibleLanguageRows;
    (void)::SetWindowPos(combo, nullptr, 0, 0, width, editHeight + 8 + rowHeight * (rows > 0 ? rows : 1),
                         SWP_NOMOVE | SWP_NOZORDER);
    (void)::SendMessageA(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + 24), 0);
    (void)::EnableWindow(combo, object.enabled ? TRUE : FALSE);
    object.control = combo;
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

void CSkinDlg::DestroyControls()
{
    m_drawn.clear();
    for (HWND control : m_plainControls)
    {
        if (::IsWindow(control))
        {
            (void)::DestroyWindow(control);
        }
    }
    m_plainControls.clear();
    m_languageCodes.clear();
    for (ObjectType type : CDlgConfig::kControlOrder)
    {
        for (ObjectRecord& object : m_config.Objects(type))
        {
            object.control = nullptr;
        }
    }
}

bool CSkinDlg::PlaceFixedControl(const char* key, HWND control, int kind)
{
    std::string objectSection;
    if (control == nullptr)
    {
        return false;
    }
    if (!m_config.ReadOwnString(key, objectSection) || objectSection.empty())
    {
        (void)::ShowWindow(control, SW_HIDE);
        return false;
    }
    const CConfigProfile& config = m_env.Config();
    POINT position = {};
    SIZE size = {};
    const bool hasPosition = config.GetPoint(objectSection.c_str(), "POSITION", &position);
    const bool hasSize = config.GetSize(objectSection.c_str(), "SIZE", &size);
    if (hasPosition || hasSize)
    {
        RECT current = {};
        (void)::GetWindowRect(control, &current);
        (void)::MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT*>(&current), 2);
        (void)::SetWindowPos(control, nullptr, hasPosition ? position.x : current.left,
                             hasPosition ? position.y : current.top,
                             hasSize ? size.cx : current.right - current.left,
                             hasSize ? size.cy : current.bottom - current.top,
                             SWP_NOZORDER | SWP_NOACTIVATE | (hasPosition ? 0 : SWP_NOMOVE));
    }
    ApplyLayoutDirection(control, m_env.RightAlign() && kind != kKindUnmirrored);
    std::string name;
    if (config.GetString(objectSection.c_str(), "NAME", name))
    {
        (void)::SetWindowTextA(control, name.c_str());
    }
    (void)::ShowWindow(control, SW_SHOWNA);
    DWORD enable = 1;
    if (config.GetDword(objectSection.c_str(), "ENABLE", &enable))
    {
        (void)::EnableWindow(control, enable != 0 ? TRUE : FALSE);
    }
    if (kind == kKindList)
    {
        HWND header = reinterpret_cast<HWND>(::SendMessageA(control, LVM_GETHEADER, 0, 0));
        if (header != nullptr)
        {
            ApplyLayoutDirection(header, m_env.RightAlign());
        }
    }
    return true;
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

bool CSkinDlg::PostFixedCommand(const char* key)
{
    ObjectCommand command;
    if (!ReadFixedCommand(key, command))
    {
        return false;
    }
    PostCommand(command);
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
        if (PlaceFixedControl("NORMAL_DESC", m_description, kKindText))
        {
            std::string objectSection;
            DWORD colour = 0;
            if (m_config.ReadOwnString("NORMAL_DESC", objectSection) &&
                m_env.Config().GetColor(objectSection.c_str(), "BACK_COLOR", &colour))
            {
                m_descriptionBack = colour;
            }
        }
        char text[1024] = {};
        (void)::GetWindowTextA(m_description, text, sizeof(text));
        m_defaultDescription = text;
        m_descriptionText = text;
    }
    if (m_modal)
    {
        CreateModalButtons();
    }
}

void CSkinDlg::CreateModalButtons()
{
    const struct
    {
        const char* key;
        int id;
    } buttons[] = {{"FIXED_BTN_MODAL_NEXT", kModalNextId},
                   {"FIXED_BTN_MODAL_BACK", kModalBackId},
                   {"FIXED_BTN_MODAL_OK", kModalOkId},
                   {"FIXED_BTN_MODAL_CANCEL", kModalCancelId}};
    for (const auto& each : buttons)
    {
        std::string objectSection;
        ObjectRecord record;
        if (!m_config.ReadOwnString(each.key, objectSection) || !m_config.ReadObject(record, objectSection))
        {
            continue;
        }
        record.type = ObjectType::Button;
        ControlHost host;
        host.dialog = m_window;
        host.env = &m_env;
        host.postCommand = [this](const ObjectCommand& command) { PostCommand(command); };
        auto button = std::make_unique<CDrawnButton>(host, record);
        if (button->Create(each.id))
        {
            (void)PlaceFixedControl(each.key, button->Window());
        }
        m_drawn.push_back(std::move(button));
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
    ApplyLayoutDirection(m_window, m_env.RightAlign());
    DestroyControls();
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
            if (::lstrcmpiA(object.section.c_str(), name.c_str()) != 0)
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

INT_PTR CSkinDlg::OnControlColour(HDC dc, HWND control)
{
    const COLORREF back = m_env.DialogBackColour();
    if (control == m_description && control != nullptr)
    {
        (void)::SetBkColor(dc, m_descriptionBack);
        return reinterpret_cast<INT_PTR>(BrushFor(m_descriptionBack));
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
    if (code == CBN_SELENDOK && m_languageCodes.count(control) != 0)
    {
        OnLanguageChosen(control);
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
        if (id == kNextId || id == kModalNextId || id == kModalBackId || id == kModalOkId)
        {
            (void)::EndDialog(m_window, 1);
        }
        else if (id == kModalCancelId)
        {
            (void)::EndDialog(m_window, 2);
        }
    }
}

void CSkinDlg::OnLanguageChosen(HWND combo)
{
    const LRESULT row = ::SendMessageA(combo, CB_GETCURSEL, 0, 0);
    const std::vector<std::string>& codes = m_languageCodes[combo];
    if (row < 0 || static_cast<size_t>(row) >= codes.size())
    {
        return;
    }
    ObjectCommand command;
    command.type = "CT_CHANGE_LANG";
    command.param[0] = codes[static_cast<size_t>(row)];
    PostCommand(command);
}

void CSkinDlg::OnSetDescription(const char* text)
{
    if (m_description == nullptr)
    {
        return;
    }
    m_descriptionText = text != nullptr && *text != '\0' ? text : m_defaultDescription;
    (void)::SetWindowTextA(m_description, m_descriptionText.c_str());
    (void)::InvalidateRect(m_description, nullptr, TRUE);
    (void)::UpdateWindow(m_description);
}

CNormalDlg::CNormalDlg(CUiEnv& env) : CSkinDlg(env, IDD_SKIN) {}

void CNormalDlg::OnEnter(const std::string& parameter)
{
    CSkinDlg::OnEnter(parameter);
    Broadcast(UM_REFRESH_LIST, 0, 0, false);
}
