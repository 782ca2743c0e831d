#pragma once
// A dialog's description from the configuration file: caption, background bitmap, rectangle and
// placement (each looked up in the dialog section, its BASE_ON section, then DLG_COMMON), and the
// numbered objects: controls by type and drawn shapes. Bad descriptions are logged and read as far as
// they go; nothing here fails for want of a key.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/UiEnv.h"

enum class ObjectType
{
    None,
    Link,
    Static,
    Bitmap,
    Button,
    Lang,
    Edit,
    DestDir,
    Avi,
    ResultList,
    Line,
    Rectangle,
    Edge,
    GroupBox,
    GradientRect,
};

// The type an object section name stands for: the first of the type texts ("LINK.", "STATIC." ...)
// it contains, case-sensitively; None for no type.
ObjectType ObjectTypeOf(const std::string& sectionName);
bool IsShape(ObjectType type);

// A font section: LF_FACENAME, LF_HEIGHT, LF_WIDTH, LF_BOLD, LF_ITALIC, LF_UNDERLINE.
struct FontDesc
{
    std::string face;
    LONG height = 0;
    LONG width = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

// CMD_TYPE and CMD_PARAM1..5 of an object, as read.
struct ObjectCommand
{
    std::string type;
    std::string param[5];
};

struct ObjectRecord
{
    ObjectType type = ObjectType::None;
    std::string section;
    std::string text;                                         // NAME; a picture's bitmap name
    POINT position = {0, 0};
    SIZE size = {0, 0};
    ObjectCommand command;
    std::string tooltip;
    std::string script;
    bool hasColours = false;
    COLORREF colour = 0;
    COLORREF hiColour = 0;
    COLORREF disColour = 0;
    bool hasTransColour = false;
    COLORREF transColour = RGB(198, 195, 198);
    bool hasBackColour = false;
    COLORREF backColour = ::GetSysColor(COLOR_BTNFACE);
    bool useBitmapIcon = false;
    std::string onBitmap;
    std::string offBitmap;
    std::string clickedBitmap;
    bool hasFont = false;
    FontDesc font;
    bool enabled = true;
    bool shown = true;
    std::string unsupportedOs;
    std::string dataSection;
    bool defaultButton = false;
    std::string textFile;
    bool centred = false;
    std::string aviFile;
    HWND control = nullptr;                                   // the control made for it; owned by the dialog
};

struct ShapeRecord
{
    ObjectType kind = ObjectType::Line;
    POINT position = {0, 0};
    SIZE size = {0, 0};
    int lineWidth = 1;
    COLORREF colour = 0;
    COLORREF startColour = 0xFF0000;
    COLORREF endColour = 0xFFFFFF;
    std::string title;                                        // group box only
    bool hasFont = false;
    FontDesc font;
    bool hasBackColour = false;
    COLORREF backColour = 0;
};

class CDlgConfig
{
public:
    static constexpr int kMaxObjects = 1000;                  // NUM_OF_OBJ beyond this is cut (logged)
    static constexpr int kMaxBaseDepth = 8;                   // BASE_ON chains of objects

    enum PositionType
    {
        kCentre = 0,
        kFree = 1,
        kFullScreen = 2,
    };

    explicit CDlgConfig(CUiEnv& env) : m_env(env) {}

    // Reads the dialog keys and all objects of section. False only without a parent window (the
    // description is read all the same, so that tests and modal dialogs can use it).
    bool SetConfig(HWND parent, const std::string& section, bool childOfWizard);
    // Reads one object record from section, its BASE_ON chain first. False for an empty or missing
    // section, one without lines, or a program command whose file is missing.
    bool ReadObject(ObjectRecord& record, const std::string& section) const;
    // A value of the dialog section, else of its base section (not DLG_COMMON).
    bool ReadOwnString(const char* key, std::string& value) const;
    // ReadOwnString's text, or fallback when neither section has the key.
    std::string OwnText(const char* key, const std::string& fallback = std::string()) const;
    // A rectangle "left,top,right,bottom" of the dialog section, else of its base section.
    bool ReadOwnRect(const char* key, RECT& value) const;
    // Draws the shapes in order.
    void PaintShapes(HDC dc) const;
    // Forgets every object (their controls are the dialog's to destroy).
    void ClearObjects();

    const std::string& GetSection() const { return m_section; }
    const std::string& GetCaption() const { return m_caption; }
    const std::string& GetBackBitmap() const { return m_backBitmap; }
    bool IsStretched() const { return m_stretch; }
    const RECT& GetRect() const { return m_rect; }
    void SetRect(const RECT& rect) { m_rect = rect; }
    bool HasOwnRect() const { return m_ownRect; }
    int GetPositionType() const { return m_positionType; }
    bool IsCancelBlocked() const { return m_blockCancel; }
    bool IsChildOfWizard() const { return m_childOfWizard; }
    const std::string& GetDestDirSection() const { return m_destDirSection; }

    // The objects by type, in object order.
    std::vector<ObjectRecord>& Objects(ObjectType type);
    const std::vector<ObjectRecord>& Objects(ObjectType type) const;
    const std::vector<ShapeRecord>& Shapes() const { return m_shapes; }
    // The control types in the order their controls are created.
    static const ObjectType kControlOrder[8];

    CUiEnv& Env() const { return m_env; }

private:
    void ReadDialogKeys();
    void ReadObjects();
    void ReadOneObject(const std::string& name);
    bool ReadObjectChain(ObjectRecord& record, const std::string& section, int depth) const;
    void ApplyObjectKey(ObjectRecord& record, const std::string& section, const std::string& key) const;
    bool CheckProgramFile(const ObjectRecord& record) const;
    ShapeRecord ReadShape(ObjectType kind, const std::string& section) const;
    bool ReadFont(const std::string& section, FontDesc& font) const;
    std::string ResolveSection(const std::string& name) const;
    // The first of dialog, base (and DLG_COMMON when withCommon) that has the key.
    bool FindKey(const char* key, bool withCommon, std::string& section) const;

    CUiEnv& m_env;
    std::string m_section;
    std::string m_baseSection;
    std::string m_caption;
    std::string m_backBitmap;
    bool m_stretch = false;
    RECT m_rect = {0, 0, 0, 0};
    bool m_ownRect = false;
    int m_positionType = kCentre;
    bool m_blockCancel = false;
    bool m_childOfWizard = true;
    std::string m_destDirSection;
    std::vector<ObjectRecord> m_lists[9];
    std::vector<ObjectRecord> m_none;
    std::vector<ShapeRecord> m_shapes;
};

// Makes a font from a font description; null when the system refuses it.
HFONT CreateDescribedFont(const FontDesc& font);
