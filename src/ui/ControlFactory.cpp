#include "ui/ControlFactory.h"

#include <commctrl.h>

#include <cstring>

#include "base/Scoped.h"
#include "base/TextRules.h"
#include "log/Log.h"
#include "profile/ConfigProfile.h"
#include "profile/Profile.h"

namespace
{
// Object ids. Buttons take their index (0, 1, 2 ...). The first 100 objects of every other type take
// 3000 + 100 * the type's place in the creation order + their index, the ids product authors and
// their tools name controls by; the objects past those take the ids after the last type's block, one
// after the other, so that no two objects of a dialog ever share an id.
const int kFirstObjectId = 3000;
const int kIdsPerType = 100;
const int kTypeBlocks = static_cast<int>(sizeof(CDlgConfig::kControlOrder) / sizeof(CDlgConfig::kControlOrder[0]));
const int kFirstOverflowId = kFirstObjectId + kTypeBlocks * kIdsPerType;
// The ids of the dialog templates' own controls (Next, the kinds' lists, texts and buttons, the modal
// buttons), never handed to an object.
const int kFixedIds[] = {
    1004, 1009, 1054, 1055, 1056, 1057, 1058, 1077, 1081, 1084, 1085, 1100,
    CControlFactory::kModalCancelId, CControlFactory::kModalBackId, CControlFactory::kModalOkId,
    CControlFactory::kModalNextId,
};
static_assert(CDlgConfig::kMaxObjects <= 1004, "button ids (their indexes) stay below every fixed id");
static_assert(kFirstOverflowId + CDlgConfig::kMaxObjects + sizeof(kFixedIds) / sizeof(kFixedIds[0]) < 0xFFFF,
              "ids are 16 bits, and 0xFFFF is the description area's");
const int kMaxLanguageRows = 50;
const int kLanguageCodeSize = 15;
const int kVisibleLanguageRows = 10;

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

bool IsFixedId(int id)
{
    for (int fixed : kFixedIds)
    {
        if (id == fixed)
        {
            return true;
        }
    }
    return false;
}

HMENU ControlId(int id)
{
    return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}
}  // namespace

CControlFactory::CControlFactory(CUiEnv& env, CDlgConfig& config, CommandPoster post)
    : m_env(env), m_config(config), m_post(std::move(post))
{
}

CControlFactory::~CControlFactory() = default;

void CControlFactory::ApplyLayoutDirection(HWND window, bool rightToLeft)
{
    const LONG_PTR exStyle = ::GetWindowLongPtrA(window, GWL_EXSTYLE);
    ::SetWindowLongPtrA(window, GWL_EXSTYLE,
                        rightToLeft ? (exStyle | WS_EX_LAYOUTRTL) : (exStyle & ~static_cast<LONG_PTR>(WS_EX_LAYOUTRTL)));
}

ControlHost CControlFactory::Host() const
{
    ControlHost host;
    host.dialog = m_dialog;
    host.env = &m_env;
    host.postCommand = m_post;
    return host;
}

void CControlFactory::CreateObjectControls()
{
    int block = 0;
    int overflow = kFirstOverflowId;
    for (ObjectType type : CDlgConfig::kControlOrder)
    {
        std::vector<ObjectRecord>& list = m_config.Objects(type);
        for (size_t index = 0; index < list.size(); ++index)
        {
            int id = static_cast<int>(index);
            if (type != ObjectType::Button && index < static_cast<size_t>(kIdsPerType))
            {
                id = kFirstObjectId + block * kIdsPerType + static_cast<int>(index);
            }
            else if (type != ObjectType::Button)
            {
                while (IsFixedId(overflow))
                {
                    ++overflow;
                }
                id = overflow++;
            }
            CreateObjectControl(list[index], id);
        }
        ++block;
    }
}

bool CControlFactory::IsFixedControlId(int id)
{
    return IsFixedId(id);
}

void CControlFactory::CreateObjectControl(ObjectRecord& object, int id)
{
    const ControlHost host = Host();
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
                                           object.size.cy ? object.size.cy : 10, m_dialog, ControlId(id), nullptr,
                                           nullptr);
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

void CControlFactory::CreateStaticText(ObjectRecord& object, int id)
{
    const bool sized = object.size.cx != 0 && object.size.cy != 0;
    HWND control = ::CreateWindowExA(0, "STATIC", object.text.c_str(),
                                     WS_CHILD | SS_NOPREFIX | (object.centred ? SS_CENTER : SS_LEFT),
                                     object.position.x, object.position.y, sized ? object.size.cx : 10,
                                     sized ? object.size.cy : 10, m_dialog, ControlId(id), nullptr, nullptr);
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

void CControlFactory::CreateEditBox(ObjectRecord& object, int id)
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
                                     sized ? object.size.cy : 10, m_dialog, ControlId(id), nullptr, nullptr);
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

void CControlFactory::CreateAnimation(ObjectRecord& object, int id)
{
    const std::string path = object.aviFile.empty() ? std::string() : m_env.ResolveExistingFile(object.aviFile);
    if (path.empty())
    {
        return;
    }
    const bool sized = object.size.cx != 0 && object.size.cy != 0;
    HWND control = ::CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD | ACS_TRANSPARENT, object.position.x,
                                     object.position.y, sized ? object.size.cx : 100, sized ? object.size.cy : 100,
                                     m_dialog, ControlId(id), nullptr, nullptr);
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

// The rows of the language box, its choice of row, and a drop-down list tall enough for ten rows and
// wide enough for the widest text.
void CControlFactory::CreateLanguageBox(ObjectRecord& object, int id)
{
    const int width = object.size.cx != 0 ? object.size.cx : 10;
    const int height = object.size.cy != 0 ? object.size.cy : 10;
    HWND combo = ::CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
                                   object.position.x, object.position.y, width, height, m_dialog, ControlId(id),
                                   nullptr, nullptr);
    if (combo == nullptr)
    {
        return;
    }
    (void)::SendMessageA(combo, WM_SETFONT, reinterpret_cast<WPARAM>(Gdi::DialogFont()), FALSE);
    std::vector<std::string>& codes = m_languageCodes[combo];
    const int widest = FillLanguageRows(combo, object.dataSection, codes);
    SelectLanguageRow(combo, codes);
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

// Rows from the data file's section: "code = message name"; a row's text is that message of the
// string file. Returns the width of the widest text.
int CControlFactory::FillLanguageRows(HWND combo, const std::string& dataSection, std::vector<std::string>& codes)
{
    std::vector<char> lines(CConfigProfile::kTextSize, '\0');
    int widest = 0;
    if (dataSection.empty() ||
        !m_env.Data().GetSectionKeys(dataSection.c_str(), lines.data(), static_cast<DWORD>(lines.size())))
    {
        return widest;
    }
    for (const char* line = lines.data(); *line != '\0' && static_cast<int>(codes.size()) < kMaxLanguageRows;
         line += std::strlen(line) + 1)
    {
        const std::string entry = line;
        const size_t equals = entry.find('=');
        const std::string code = Trim(entry.substr(0, equals)).substr(0, kLanguageCodeSize);
        const std::string key = equals == std::string::npos ? std::string() : Trim(entry.substr(equals + 1));
        std::string text;
        (void)m_env.Strings().GetString("MESSAGES", key.c_str(), text);
        (void)::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        codes.push_back(code);
        const SIZE extent = Gdi::MeasureText(combo, Gdi::DialogFont(), text);
        widest = extent.cx > widest ? extent.cx : widest;
    }
    return widest;
}

// The current language's row is chosen, else the system language's.
void CControlFactory::SelectLanguageRow(HWND combo, const std::vector<std::string>& codes)
{
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
}

void CControlFactory::CreateModalButtons()
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
        auto button = std::make_unique<CDrawnButton>(Host(), record);
        if (button->Create(each.id))
        {
            (void)PlaceFixedControl(each.key, button->Window());
        }
        m_drawn.push_back(std::move(button));
    }
}

bool CControlFactory::PlaceFixedControl(const char* key, HWND control, int kind)
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
        (void)::MapWindowPoints(nullptr, m_dialog, reinterpret_cast<POINT*>(&current), 2);
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

void CControlFactory::DestroyControls()
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
    m_fonts.clear();                                          // after the texts that used them
    m_languageCodes.clear();
    for (ObjectType type : CDlgConfig::kControlOrder)
    {
        for (ObjectRecord& object : m_config.Objects(type))
        {
            object.control = nullptr;
        }
    }
}

const std::vector<std::string>* CControlFactory::LanguageCodes(HWND combo) const
{
    const auto found = m_languageCodes.find(combo);
    return found != m_languageCodes.end() ? &found->second : nullptr;
}
