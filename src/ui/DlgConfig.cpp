#include "ui/DlgConfig.h"

#include <cstring>
#include <map>
#include <set>

#include "base/TextRules.h"
#include "log/Log.h"
#include "profile/ConfigProfile.h"
#include "ui/Gdi.h"

namespace
{
const char kCommonSection[] = "DLG_COMMON";
const size_t kSectionNameSize = 260;

struct TypeText
{
    const char* text;
    ObjectType type;
};
const TypeText kTypeTexts[] = {
    {"LINK.", ObjectType::Link},           {"STATIC.", ObjectType::Static},
    {"BITMAP.", ObjectType::Bitmap},       {"BUTTON.", ObjectType::Button},
    {"LANG.", ObjectType::Lang},           {"EDIT.", ObjectType::Edit},
    {"DEST_DIR.", ObjectType::DestDir},    {"AVI.", ObjectType::Avi},
    {"RESULTLIST.", ObjectType::ResultList}, {"LINE.", ObjectType::Line},
    {"RECTANGLE.", ObjectType::Rectangle}, {"EDGE.", ObjectType::Edge},
    {"GROUP_BOX.", ObjectType::GroupBox},  {"GRADIENTRECT.", ObjectType::GradientRect},
};

// The commands that start a program or open a file: their file must be on the medium.
const char* const kProgramCommands[] = {
    "CT_EXE_FILE_NOWAIT", "CT_EXE_FILE_ACTIVE", "CT_EXE_FILE_WAIT",  "CT_EXE_AND_TERMINATE", "CT_RUNDLL",
    "CT_RUNDLL_AND_TERMINATE", "CT_OPEN_FILE_NOWAIT", "CT_OPEN_FILE_WAIT", "CT_OPEN_MANUAL",
};

int ListIndex(ObjectType type)
{
    switch (type)
    {
    case ObjectType::Link: return 0;
    case ObjectType::Static: return 1;
    case ObjectType::Bitmap: return 2;
    case ObjectType::Button: return 3;
    case ObjectType::Lang: return 4;
    case ObjectType::Edit: return 5;
    case ObjectType::Avi: return 6;
    case ObjectType::ResultList: return 7;
    default: return -1;
    }
}

// The keys of a section's lines, in file order ("key = value" lines only).
bool SectionKeys(const CConfigProfile& profile, const std::string& section, std::vector<std::string>& keys)
{
    std::vector<char> buffer(CConfigProfile::kTextSize, '\0');
    if (!profile.GetSectionKeys(section.c_str(), buffer.data(), static_cast<DWORD>(buffer.size())))
    {
        return false;
    }
    for (const char* line = buffer.data(); *line != '\0'; line += std::strlen(line) + 1)
    {
        const char* equals = std::strchr(line, '=');
        if (equals != nullptr)
        {
            keys.push_back(Trim(std::string(line, static_cast<size_t>(equals - line)), " \t\""));
        }
    }
    return true;
}

bool ReadBool(const CConfigProfile& profile, const std::string& section, const char* key, bool& value)
{
    DWORD number = 0;
    if (!profile.GetDword(section.c_str(), key, &number))
    {
        return false;
    }
    value = number != 0;
    return true;
}

// "CMD_PARAM3" gives 2, "CMD_PARAM3.64" gives 2 and sets is64; -1 for other keys.
int ParamIndex(const std::string& key, bool& is64)
{
    const size_t prefix = std::strlen("CMD_PARAM");
    if (key.size() < prefix + 1 || !EqualsSystemNoCase(key.substr(0, prefix), "CMD_PARAM"))
    {
        return -1;
    }
    const char digit = key[prefix];
    const std::string rest = key.substr(prefix + 1);
    if (digit < '1' || digit > '5' || (!rest.empty() && rest != ".64"))
    {
        return -1;
    }
    is64 = !rest.empty();
    return digit - '1';
}
}  // namespace

const ObjectType CDlgConfig::kControlOrder[8] = {
    ObjectType::Bitmap, ObjectType::Avi,    ObjectType::Lang,   ObjectType::Edit,
    ObjectType::Link,   ObjectType::Static, ObjectType::Button, ObjectType::ResultList,
};

ObjectType ObjectTypeOf(const std::string& sectionName)
{
    for (const TypeText& each : kTypeTexts)
    {
        if (sectionName.find(each.text) != std::string::npos)
        {
            return each.type;
        }
    }
    return ObjectType::None;
}

bool IsShape(ObjectType type)
{
    return type == ObjectType::Line || type == ObjectType::Rectangle || type == ObjectType::Edge ||
           type == ObjectType::GroupBox || type == ObjectType::GradientRect;
}

// The character set of the system's 8-bit code page: a font named by its face alone (one without
// Hebrew letters, say) is then matched with one that has the texts' letters.
BYTE CodePageCharset()
{
    switch (::GetACP())
    {
    case 874: return THAI_CHARSET;
    case 932: return SHIFTJIS_CHARSET;
    case 936: return GB2312_CHARSET;
    case 949: return HANGUL_CHARSET;
    case 950: return CHINESEBIG5_CHARSET;
    case 1250: return EASTEUROPE_CHARSET;
    case 1251: return RUSSIAN_CHARSET;
    case 1253: return GREEK_CHARSET;
    case 1254: return TURKISH_CHARSET;
    case 1255: return HEBREW_CHARSET;
    case 1256: return ARABIC_CHARSET;
    case 1257: return BALTIC_CHARSET;
    default: return DEFAULT_CHARSET;
    }
}

int CALLBACK NoteFontFound(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;                                                  // one is enough
}

// Whether the system has a font of that face; the font mapper would otherwise quietly take another.
// Many objects name the same few faces, so each face is asked about once (descriptions are read on
// the wizard's thread only).
bool IsFontInstalled(const std::string& face)
{
    static std::map<std::string, bool> known;
    const auto cached = known.find(face);
    if (cached != known.end())
    {
        return cached->second;
    }
    const HDC screen = ::GetDC(nullptr);
    bool found = false;
    (void)::EnumFontFamiliesA(screen, face.c_str(), NoteFontFound, reinterpret_cast<LPARAM>(&found));
    (void)::ReleaseDC(nullptr, screen);
    known[face] = found;
    return found;
}

HFONT CreateDescribedFont(const FontDesc& font)
{
    LOGFONTA description = {};
    description.lfHeight = font.height;
    description.lfWidth = font.width;
    description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    description.lfItalic = font.italic ? TRUE : FALSE;
    description.lfUnderline = font.underline ? TRUE : FALSE;
    description.lfCharSet = CodePageCharset();
    (void)lstrcpynA(description.lfFaceName, font.face.c_str(), LF_FACESIZE);
    return ::CreateFontIndirectA(&description);
}

std::vector<ObjectRecord>& CDlgConfig::Objects(ObjectType type)
{
    const int index = ListIndex(type);
    return index < 0 ? m_none : m_lists[index];
}

const std::vector<ObjectRecord>& CDlgConfig::Objects(ObjectType type) const
{
    const int index = ListIndex(type);
    return index < 0 ? m_none : m_lists[index];
}

void CDlgConfig::ClearObjects()
{
    for (std::vector<ObjectRecord>& list : m_lists)
    {
        list.clear();
    }
    m_none.clear();
    m_shapes.clear();
    m_destDirSection.clear();
}

bool CDlgConfig::SetConfig(HWND parent, const std::string& section, bool childOfWizard)
{
    m_section = section;
    m_childOfWizard = childOfWizard;
    ClearObjects();
    if (!m_env.Config().HasSection(section.c_str()))
    {
        m_env.Log().Write("Dialog section [%s] does not exist; the dialog takes the common keys", section.c_str());
    }
    ReadDialogKeys();
    ReadObjects();
    return parent != nullptr;
}

std::string CDlgConfig::ResolveSection(const std::string& name) const
{
    char resolved[kSectionNameSize] = {};
    if (name.empty() || !m_env.Config().ResolveSection(name.c_str(), resolved, sizeof(resolved)))
    {
        return std::string();
    }
    return resolved;
}

bool CDlgConfig::FindKey(const char* key, bool withCommon, std::string& section) const
{
    std::string value;
    for (const std::string* each : {&m_section, &m_baseSection})
    {
        if (!each->empty() && m_env.Config().GetString(each->c_str(), key, value, false))
        {
            section = *each;
            return true;
        }
    }
    if (withCommon && m_env.Config().GetString(kCommonSection, key, value, false))
    {
        section = kCommonSection;
        return true;
    }
    return false;
}

bool CDlgConfig::ReadOwnString(const char* key, std::string& value) const
{
    std::string section;
    return FindKey(key, false, section) && m_env.Config().GetString(section.c_str(), key, value);
}

std::string CDlgConfig::OwnText(const char* key, const std::string& fallback) const
{
    std::string text;
    return ReadOwnString(key, text) ? text : fallback;
}

bool CDlgConfig::ReadOwnRect(const char* key, RECT& value) const
{
    std::string section;
    return FindKey(key, false, section) && m_env.Config().GetRect(section.c_str(), key, &value);
}

void CDlgConfig::ReadDialogKeys()
{
    const CConfigProfile& config = m_env.Config();
    m_baseSection.clear();
    if (config.GetString(m_section.c_str(), "BASE_ON", m_baseSection) &&
        EqualsSystemNoCase(m_baseSection, m_section))
    {
        m_env.Log().Write("Dialog section [%s] is based on itself", m_section.c_str());
        m_baseSection.clear();
    }
    std::string section;
    m_caption = m_env.ProgramName();
    if (FindKey("CAPTION", true, section))
    {
        (void)config.GetString(section.c_str(), "CAPTION", m_caption);
    }
    m_backBitmap.clear();
    if (FindKey("BACK_BMP", true, section))
    {
        (void)config.GetString(section.c_str(), "BACK_BMP", m_backBitmap);
    }
    m_stretch = false;
    if (FindKey("STRETCH_BACK_BMP", true, section))
    {
        (void)ReadBool(config, section, "STRETCH_BACK_BMP", m_stretch);
    }
    m_rect = RECT{0, 0, 0, 0};
    m_ownRect = false;
    if (FindKey("DLG_RECT", true, section) && config.GetRect(section.c_str(), "DLG_RECT", &m_rect))
    {
        m_ownRect = section != kCommonSection;
    }
    m_positionType = kCentre;
    std::string position;
    if (FindKey("DLG_POS_TYPE", true, section) && config.GetString(section.c_str(), "DLG_POS_TYPE", position))
    {
        m_positionType = EqualsSystemNoCase(position, "FREE")          ? kFree
                         : EqualsSystemNoCase(position, "FULL_SCREEN") ? kFullScreen
                                                                       : kCentre;
    }
    m_blockCancel = false;
    (void)ReadBool(config, m_section, "BLOCK_CANCEL", m_blockCancel);
}

void CDlgConfig::ReadObjects()
{
    std::string section;
    DWORD count = 0;
    if (!FindKey("NUM_OF_OBJ", false, section) || !m_env.Config().GetDword(section.c_str(), "NUM_OF_OBJ", &count))
    {
        return;
    }
    const int number = static_cast<int>(count);
    if (number < 0 || number > kMaxObjects)
    {
        m_env.Log().Write("NUM_OF_OBJ %d of [%s] is out of range (0 to %d)", number, m_section.c_str(),
                          kMaxObjects);
        if (number < 0)
        {
            return;
        }
    }
    const int last = number > kMaxObjects ? kMaxObjects : number;
    for (int index = 0; index < last; ++index)
    {
        const std::string key = "OBJ_" + std::to_string(index);
        std::string name;
        if (FindKey(key.c_str(), false, section) && m_env.Config().GetString(section.c_str(), key.c_str(), name))
        {
            ReadOneObject(name);
        }
    }
}

void CDlgConfig::ReadOneObject(const std::string& name)
{
    const ObjectType type = ObjectTypeOf(name);
    if (type == ObjectType::None)
    {
        m_env.Log().Write("Object [%s] of [%s] has no known type; not shown", name.c_str(), m_section.c_str());
        return;
    }
    if (type == ObjectType::DestDir)
    {
        m_destDirSection = name;                              // at most one; its dialog comes with its kind
        return;
    }
    if (IsShape(type))
    {
        m_shapes.push_back(ReadShape(type, name));
        return;
    }
    const std::string resolved = ResolveSection(name);
    ObjectRecord record;
    if (!resolved.empty() && ReadObject(record, resolved))
    {
        record.type = type;
        Objects(type).push_back(record);
        return;
    }
    m_env.Log().Write("Object section [%s] of [%s] does not exist or is empty; not shown", name.c_str(),
                      m_section.c_str());
}

bool CDlgConfig::ReadObject(ObjectRecord& record, const std::string& section) const
{
    return ReadObjectChain(record, section, 0);
}

bool CDlgConfig::ReadObjectChain(ObjectRecord& record, const std::string& section, int depth) const
{
    if (section.empty())
    {
        return false;
    }
    const CConfigProfile& config = m_env.Config();
    std::string base;
    if (config.GetString(section.c_str(), "BASE_ON", base) && !base.empty())
    {
        if (depth >= kMaxBaseDepth || EqualsSystemNoCase(base, section))
        {
            m_env.Log().Write("Object section [%s]: BASE_ON [%s] goes round in a loop; not followed",
                              section.c_str(), base.c_str());
        }
        else
        {
            (void)ReadObjectChain(record, base, depth + 1);
        }
    }
    record.section = section;
    std::vector<std::string> keys;
    if (!SectionKeys(config, section, keys) || keys.empty())
    {
        return false;
    }
    for (const std::string& key : keys)
    {
        ApplyObjectKey(record, section, key);
    }
    return depth > 0 || CheckProgramFile(record);
}

void CDlgConfig::ApplyObjectKey(ObjectRecord& record, const std::string& section, const std::string& key) const
{
    const CConfigProfile& config = m_env.Config();
    const char* s = section.c_str();
    const char* k = key.c_str();
    const auto is = [&key](const char* name) { return EqualsSystemNoCase(key, name); };
    const auto colour = [&](COLORREF& value) {
        DWORD read = 0;
        if (config.GetColor(s, k, &read))
        {
            value = read;
            return true;
        }
        return false;
    };
    bool is64 = false;
    const int param = ParamIndex(key, is64);
    if (param >= 0)
    {
        if (!is64 || m_env.IsWindows64())
        {
            (void)config.GetString(s, k, record.command.param[param]);
        }
    }
    else if (is("POSITION")) { (void)config.GetPoint(s, k, &record.position); }
    else if (is("SIZE")) { (void)config.GetSize(s, k, &record.size); }
    else if (is("NAME")) { (void)config.GetString(s, k, record.text); }
    else if (is("ENABLE")) { (void)ReadBool(config, section, k, record.enabled); }
    else if (is("SHOW")) { (void)ReadBool(config, section, k, record.shown); }
    else if (is("FONT"))
    {
        std::string fontSection;
        if (config.GetString(s, k, fontSection))
        {
            record.hasFont = ReadFont(fontSection, record.font);
        }
    }
    else if (is("COLOR")) { record.hasColours = colour(record.colour) || record.hasColours; }
    else if (is("HI_COLOR")) { record.hasColours = colour(record.hiColour) || record.hasColours; }
    else if (is("DIS_COLOR")) { record.hasColours = colour(record.disColour) || record.hasColours; }
    else if (is("TRANS_COLOR")) { record.hasTransColour = colour(record.transColour) || record.hasTransColour; }
    else if (is("BACK_COLOR")) { record.hasBackColour = colour(record.backColour) || record.hasBackColour; }
    else if (is("TOOLTIP")) { (void)config.GetString(s, k, record.tooltip); }
    else if (is("SCRIPT")) { (void)config.GetString(s, k, record.script); }
    else if (is("CMD_TYPE")) { (void)config.GetString(s, k, record.command.type); }
    else if (is("USE_BITMAP_ICON")) { (void)ReadBool(config, section, k, record.useBitmapIcon); }
    else if (is("ON_BITMAP")) { (void)config.GetString(s, k, record.onBitmap); }
    else if (is("OFF_BITMAP")) { (void)config.GetString(s, k, record.offBitmap); }
    else if (is("CLICKED_BITMAP")) { (void)config.GetString(s, k, record.clickedBitmap); }
    else if (is("UNSUPPORTED_OS")) { (void)config.GetString(s, k, record.unsupportedOs); }
    else if (is("DATA_SECTION")) { (void)config.GetString(s, k, record.dataSection); }
    else if (is("DEFAULT_BUTTON")) { (void)ReadBool(config, section, k, record.defaultButton); }
    else if (is("TEXT_FILE")) { (void)config.GetString(s, k, record.textFile); }
    else if (is("TEXT_ALIGN_CENTER")) { (void)ReadBool(config, section, k, record.centred); }
    else if (is("AVI_FILE")) { (void)config.GetString(s, k, record.aviFile); }
}

// An object whose program is not on the medium is left out altogether.
bool CDlgConfig::CheckProgramFile(const ObjectRecord& record) const
{
    if (record.command.type.empty() || record.command.param[0].empty())
    {
        return true;
    }
    for (const char* type : kProgramCommands)
    {
        if (EqualsSystemNoCase(type, record.command.type))
        {
            return !m_env.ResolveExistingFile(record.command.param[0]).empty();
        }
    }
    return true;
}

ShapeRecord CDlgConfig::ReadShape(ObjectType kind, const std::string& section) const
{
    const CConfigProfile& config = m_env.Config();
    const char* s = section.c_str();
    ShapeRecord shape;
    shape.kind = kind;
    (void)config.GetPoint(s, "POSITION", &shape.position);
    (void)config.GetSize(s, "SIZE", &shape.size);
    DWORD number = 0;
    if (config.GetDword(s, "LINE_WIDTH", &number))
    {
        shape.lineWidth = static_cast<int>(number);
    }
    DWORD colour = 0;
    shape.colour = config.GetColor(s, "COLOR", &colour) ? colour : shape.colour;
    shape.startColour = config.GetColor(s, "START_COLOR", &colour) ? colour : shape.startColour;
    shape.endColour = config.GetColor(s, "END_COLOR", &colour) ? colour : shape.endColour;
    if (kind == ObjectType::GroupBox && config.GetString(s, "NAME", shape.title))
    {
        std::string fontSection;
        shape.hasFont = config.GetString(s, "FONT", fontSection) && ReadFont(fontSection, shape.font);
        shape.hasBackColour = config.GetColor(s, "BACK_COLOR", &colour);
        shape.backColour = shape.hasBackColour ? colour : shape.backColour;
    }
    return shape;
}

bool CDlgConfig::ReadFont(const std::string& section, FontDesc& font) const
{
    const CConfigProfile& config = m_env.Config();
    const char* s = section.c_str();
    if (section.empty() || !config.HasSection(s))
    {
        m_env.Log().Write("Font section [%s] does not exist", section.c_str());
        return false;
    }
    font = FontDesc();
    if (config.GetString(s, "LF_FACENAME", font.face) && !font.face.empty() && !IsFontInstalled(font.face))
    {
        m_env.Log().Write("Font section [%s]: \"%s\" is not installed; the system's nearest font is used",
                          section.c_str(), font.face.c_str());
    }
    DWORD number = 0;
    font.height = config.GetDword(s, "LF_HEIGHT", &number) ? static_cast<LONG>(number) : 0;
    font.width = config.GetDword(s, "LF_WIDTH", &number) ? static_cast<LONG>(number) : 0;
    (void)ReadBool(config, section, "LF_BOLD", font.bold);
    (void)ReadBool(config, section, "LF_ITALIC", font.italic);
    (void)ReadBool(config, section, "LF_UNDERLINE", font.underline);
    return true;
}

void CDlgConfig::PaintShapes(HDC dc) const
{
    for (const ShapeRecord& shape : m_shapes)
    {
        RECT rect = {shape.position.x, shape.position.y, shape.position.x + shape.size.cx,
                     shape.position.y + shape.size.cy};
        switch (shape.kind)
        {
        case ObjectType::Line:
        {
            CBrushHandle brush(::CreateSolidBrush(shape.colour));
            (void)::FillRect(dc, &rect, brush.Get());
            break;
        }
        case ObjectType::Rectangle:
        {
            CPenHandle pen(::CreatePen(PS_SOLID, shape.lineWidth, shape.colour));
            CSelectGuard select(dc, pen.Get());
            (void)::MoveToEx(dc, rect.left, rect.top, nullptr);
            (void)::LineTo(dc, rect.left, rect.bottom);
            (void)::LineTo(dc, rect.right, rect.bottom);
            (void)::LineTo(dc, rect.right, rect.top);
            (void)::LineTo(dc, rect.left, rect.top);
            break;
        }
        case ObjectType::Edge:
            (void)::DrawEdge(dc, &rect, EDGE_ETCHED, BF_TOP);
            break;
        case ObjectType::GroupBox:
            (void)::DrawEdge(dc, &rect, EDGE_ETCHED, BF_RECT);
            if (!shape.title.empty())
            {
                CSelectGuard select(dc, Gdi::DialogFont());
                SIZE text = {0, 0};
                (void)::GetTextExtentPoint32A(dc, shape.title.c_str(), static_cast<int>(shape.title.size()), &text);
                (void)::SetBkMode(dc, OPAQUE);
                (void)::SetBkColor(dc, shape.hasBackColour ? shape.backColour : ::GetSysColor(COLOR_BTNFACE));
                (void)::TextOutA(dc, rect.left + 8, rect.top + 2 - text.cy / 2, shape.title.c_str(),
                                 static_cast<int>(shape.title.size()));
            }
            break;
        case ObjectType::GradientRect:
            Gdi::FillVertical(dc, rect, shape.startColour, shape.endColour);
            break;
        default:
            break;
        }
    }
}
