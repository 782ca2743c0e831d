// The base wizard dialog in the test's own process, made from a configuration file of the test's own:
// the ids of its controls, its description area and what a language change leaves behind.

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "base/Messages.h"
#include "log/Log.h"
#include "profile/ConfigProfile.h"
#include "support/TempDir.h"
#include "support/TestHelpers.h"
#include "ui/ControlFactory.h"
#include "ui/SkinDlg.h"
#include "ui/UiTestEnv.h"

namespace
{
const int kStatics = 150;
const int kLinks = 120;
const int kButtons = 3;

// A dialog with more static texts and links than one type's block of ids holds, and a few buttons.
std::string ManyObjectsDialog()
{
    std::string text = "[NORMAL.MANY]\r\nDLG_RECT = 0,0,500,400\r\nNUM_OF_OBJ = " +
                       std::to_string(kStatics + kLinks + kButtons) + "\r\n";
    std::string sections;
    int number = 0;
    const auto add = [&](const char* prefix, int count) {
        for (int index = 0; index < count; ++index, ++number)
        {
            const std::string name = std::string(prefix) + std::to_string(index);
            text += "OBJ_" + std::to_string(number) + " = " + name + "\r\n";
            sections += "[" + name + "]\r\nNAME = " + name + "\r\nPOSITION = 1," + std::to_string(index) + "\r\n";
        }
    };
    add("STATIC.T", kStatics);
    add("LINK.L", kLinks);
    add("BUTTON.B", kButtons);
    return text + sections;
}

class SkinDlgTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_log.OpenLogFile());
        WNDCLASSA hostClass = {};
        hostClass.lpfnWndProc = ::DefWindowProcA;
        hostClass.hInstance = ::GetModuleHandleA(nullptr);
        hostClass.lpszClassName = "KvSkinDlgTestHost";
        (void)::RegisterClassA(&hostClass);
        m_host = ::CreateWindowExA(0, "KvSkinDlgTestHost", "", WS_OVERLAPPEDWINDOW, 0, 0, 600, 500, nullptr, nullptr,
                                   hostClass.hInstance, nullptr);
        ASSERT_NE(nullptr, m_host) << "a window needs a display";
    }
    void TearDown() override
    {
        m_dialog.reset();
        if (m_host != nullptr)
        {
            (void)::DestroyWindow(m_host);
        }
    }
    // Writes the configuration and makes the dialog of section from it, as the wizard does.
    CNormalDlg& Make(const std::string& configText, const std::string& section)
    {
        EXPECT_TRUE(WriteTestFile(m_dir.File("kvinst.kvi"), configText));
        EXPECT_TRUE(m_config.Open(m_dir.File("kvinst.kvi").c_str(), nullptr, nullptr, false));
        DialogContext context;
        context.ui = &m_env;
        m_dialog = std::make_unique<CNormalDlg>(context);
        (void)m_dialog->SetConfig(section);
        EXPECT_TRUE(m_dialog->Create(m_host)) << section;
        return *m_dialog;
    }

    CTempDir m_dir;
    CTempDirOverride m_temp{m_dir.Path()};
    CLog m_log;
    CConfigProfile m_config;
    CTestUiEnv m_env{m_log, m_config, m_dir.Path(), false};
    HWND m_host = nullptr;
    std::unique_ptr<CNormalDlg> m_dialog;
};
}  // namespace

// Past 100 objects of one type, the ids of the next type's block were handed out a second time.
TEST_F(SkinDlgTest, ManyObjectsOfOneType_EveryControlHasAnIdOfItsOwnAndNoFixedOne)
{
    CNormalDlg& dialog = Make(ManyObjectsDialog(), "NORMAL.MANY");
    HWND window = dialog.Window();
    ASSERT_NE(nullptr, window);
    ASSERT_EQ(static_cast<size_t>(kStatics), dialog.Config().Objects(ObjectType::Static).size());
    ASSERT_EQ(static_cast<size_t>(kLinks), dialog.Config().Objects(ObjectType::Link).size());

    std::set<int> ids;
    int children = 0;
    for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
    {
        const int id = ::GetDlgCtrlID(child);
        ++children;
        EXPECT_TRUE(ids.insert(id).second) << "id " << id << " is taken twice";
        EXPECT_TRUE(::GetDlgItem(window, id) == child) << "id " << id << " finds its own control";
    }
    EXPECT_EQ(kStatics + kLinks + kButtons + 2, children) << "the objects, the Next button and the description";
    for (ObjectType type : {ObjectType::Static, ObjectType::Link, ObjectType::Button})
    {
        for (const ObjectRecord& object : dialog.Config().Objects(type))
        {
            ASSERT_NE(nullptr, object.control) << object.section;
            EXPECT_FALSE(CControlFactory::IsFixedControlId(::GetDlgCtrlID(object.control))) << object.section;
        }
    }
    EXPECT_EQ(3500, ::GetDlgCtrlID(dialog.Config().Objects(ObjectType::Static)[0].control))
        << "the first objects of a type keep the ids product authors know";
    EXPECT_EQ(3599, ::GetDlgCtrlID(dialog.Config().Objects(ObjectType::Static)[99].control));
    EXPECT_EQ(3400, ::GetDlgCtrlID(dialog.Config().Objects(ObjectType::Link)[0].control));
    EXPECT_EQ(2, ::GetDlgCtrlID(dialog.Config().Objects(ObjectType::Button)[2].control)) << "buttons by index";
    HWND next = ::GetDlgItem(window, CSkinDlg::kNextId);
    char nextText[32] = {};
    (void)::GetWindowTextA(next, nextText, sizeof(nextText));
    EXPECT_STREQ("&Next >", nextText) << "id 1004 is the template's Next button";
    for (int fixed : {1004, 1009, 1054, 1058, 1077, 1081, 1084, 1085, 61436, 61439})
    {
        EXPECT_TRUE(CControlFactory::IsFixedControlId(fixed)) << fixed;
    }
}

// The default description came back cut to its first 1,023 bytes once another text had been shown.
TEST_F(SkinDlgTest, LongDefaultDescription_ComesBackWhole)
{
    std::string longText;
    for (int sentence = 0; longText.size() < 3000; ++sentence)
    {
        longText += "Sentence " + std::to_string(sentence) + " of the default description. ";
    }
    longText.pop_back();                                      // values are read without their last blank
    CNormalDlg& dialog = Make("[NORMAL.LONG]\r\nDLG_RECT = 0,0,500,400\r\nNORMAL_DESC = DESC.LONG\r\n"
                              "[DESC.LONG]\r\nPOSITION = 10,10\r\nSIZE = 480,300\r\nNAME = " + longText + "\r\n",
                              "NORMAL.LONG");
    HWND description = ::GetDlgItem(dialog.Window(), CControlFactory::kDescriptionId);
    ASSERT_NE(nullptr, description);
    const auto shown = [description] {
        std::string text(8192, '\0');
        text.resize(static_cast<size_t>(::GetWindowTextA(description, &text[0], static_cast<int>(text.size()))));
        return text;
    };
    ASSERT_EQ(longText.size(), shown().size()) << "the description object's whole NAME is shown at first";

    (void)::SendMessageA(dialog.Window(), UM_SET_DESC, 0, reinterpret_cast<LPARAM>("A link's description"));
    EXPECT_EQ("A link's description", shown());
    (void)::SendMessageA(dialog.Window(), UM_SET_DESC, 0, reinterpret_cast<LPARAM>(""));
    EXPECT_EQ(longText, shown()) << "an empty text brings the whole default description back";
}

namespace
{
// The process's GDI objects as the system counts them. Wine does not count them (GetGuiResources
// answers 0); there every live object is found by its slot in the handle table, which takes a handle
// without the generation in its high word.
DWORD GdiObjectCount()
{
    using Fn = DWORD(WINAPI*)(HANDLE, DWORD);
    const auto count = reinterpret_cast<Fn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetGuiResources")));
    const DWORD counted = count != nullptr ? count(::GetCurrentProcess(), 0 /* GR_GDIOBJECTS */) : 0;
    if (counted != 0)
    {
        return counted;
    }
    DWORD found = 0;
    for (UINT_PTR slot = 1; slot <= 0xFFFF; ++slot)
    {
        found += ::GetObjectType(reinterpret_cast<HGDIOBJ>(slot)) != 0 ? 1 : 0;
    }
    return found;
}

const char kFontDialog[] = R"([NORMAL.FONTS]
DLG_RECT = 0,0,500,400
NORMAL_DESC = DESC.TEXT
NUM_OF_OBJ = 6
OBJ_0 = STATIC.ONE
OBJ_1 = STATIC.TWO
OBJ_2 = LINK.PLAIN
OBJ_3 = LINK.FONT
OBJ_4 = BUTTON.FONT
OBJ_5 = STATIC.PLAIN

[DESC.TEXT]
NAME = The description
BACK_COLOR = 1,2,3

[FONT.BIG]
LF_HEIGHT = 20
LF_BOLD = 1

[STATIC.ONE]
NAME = One
FONT = FONT.BIG
BACK_COLOR = 200,10,10

[STATIC.TWO]
NAME = Two
FONT = FONT.BIG
POSITION = 0,40

[STATIC.PLAIN]
NAME = Plain
POSITION = 0,80

[LINK.PLAIN]
NAME = Plain link
POSITION = 0,120

[LINK.FONT]
NAME = Link
FONT = FONT.BIG
POSITION = 0,160

[BUTTON.FONT]
NAME = Button
FONT = FONT.BIG
POSITION = 0,200
)";
}  // namespace

// A language change rebuilds the controls: the fonts made for the old ones went with them, and the
// process's count of GDI objects does not grow from one change to the next.
TEST_F(SkinDlgTest, LanguageChanges_LeaveNoGdiObjectBehind)
{
    CNormalDlg& dialog = Make(kFontDialog, "NORMAL.FONTS");
    ASSERT_NE(nullptr, dialog.Window());
    const auto staticFonts = [&dialog] {
        std::set<HGDIOBJ> fonts;
        for (const ObjectRecord& object : dialog.Config().Objects(ObjectType::Static))
        {
            fonts.insert(reinterpret_cast<HGDIOBJ>(::SendMessageA(object.control, WM_GETFONT, 0, 0)));
        }
        return fonts;
    };
    const auto paint = [&dialog] {
        (void)::ShowWindow(dialog.Window(), SW_SHOWNA);
        (void)::RedrawWindow(dialog.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN |
                                                                     RDW_UPDATENOW);
    };
    paint();
    const std::set<HGDIOBJ> firstFonts = staticFonts();
    dialog.Refresh();
    paint();
    const std::set<HGDIOBJ> laterFonts = staticFonts();
    for (HGDIOBJ font : firstFonts)
    {
        if (font != nullptr && laterFonts.count(font) == 0 && font != ::GetStockObject(DEFAULT_GUI_FONT))
        {
            EXPECT_EQ(0u, static_cast<unsigned>(::GetObjectType(font))) << "a static text's font outlived it";
        }
    }

    const DWORD before = GdiObjectCount();
    {
        CFontHandle probe(::CreateFontA(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial"));
        ASSERT_EQ(before + 1, GdiObjectCount()) << "the count sees one more font: the test can count objects";
    }
    for (int change = 0; change < 5; ++change)
    {
        dialog.Refresh();
        paint();
    }
    const DWORD after = GdiObjectCount();
    EXPECT_LE(after, before) << "GDI objects after five more changes";
}

// A kind's check box and radio button stand on their sections' BACK_COLOR: the dialog answers their
// colour messages with a brush of that colour and a transparent text background. A control whose
// section has no colour keeps the dialog's look.
TEST_F(SkinDlgTest, FixedCheckBoxAndRadio_DrawnOnTheirSectionsBackColour)
{
    CNormalDlg& dialog = Make("[NORMAL.CHECKS]\r\nDLG_RECT = 0,0,400,300\r\nFIXED_CHECKBOX = CHECK.GREEN\r\n"
                              "FIXED_RADIO_0 = RADIO.BLUE\r\nFIXED_RADIO_1 = RADIO.PLAIN\r\n"
                              "[CHECK.GREEN]\r\nPOSITION = 10,10\r\nSIZE = 200,20\r\nNAME = Tick\r\n"
                              "BACK_COLOR = 10,200,30\r\n"
                              "[RADIO.BLUE]\r\nPOSITION = 10,40\r\nSIZE = 200,20\r\nNAME = One\r\n"
                              "BACK_COLOR = 20,30,220\r\n"
                              "[RADIO.PLAIN]\r\nPOSITION = 10,70\r\nSIZE = 200,20\r\nNAME = Two\r\n",
                              "NORMAL.CHECKS");
    HWND window = dialog.Window();
    ASSERT_NE(nullptr, window);
    const auto make = [window](DWORD style, int id) {
        return ::CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    };
    HWND check = make(BS_AUTOCHECKBOX, 1070);
    HWND radio = make(BS_AUTORADIOBUTTON | WS_GROUP, 1071);
    HWND plain = make(BS_AUTORADIOBUTTON, 1072);
    ASSERT_TRUE(check != nullptr && radio != nullptr && plain != nullptr);
    for (const auto& fixed : {std::make_pair("FIXED_CHECKBOX", check), std::make_pair("FIXED_RADIO_0", radio),
                              std::make_pair("FIXED_RADIO_1", plain)})
    {
        EXPECT_TRUE(dialog.PlaceFixedControl(fixed.first, fixed.second)) << fixed.first;
    }
    EXPECT_TRUE(dialog.ApplyFixedBackColour("FIXED_CHECKBOX", check));
    EXPECT_TRUE(dialog.ApplyFixedBackColour("FIXED_RADIO_0", radio));
    EXPECT_FALSE(dialog.ApplyFixedBackColour("FIXED_RADIO_1", plain)) << "no BACK_COLOR in its section";
    EXPECT_FALSE(dialog.ApplyFixedBackColour("FIXED_CHECKBOX_REBOOT", plain)) << "no such key";

    CMemoryDc dc(::CreateCompatibleDC(nullptr));
    const auto answer = [&](UINT message, HWND control, COLORREF& brushColour, int& mode) {
        (void)::SetBkMode(dc.Get(), OPAQUE);
        const auto brush = reinterpret_cast<HBRUSH>(
            ::SendMessageA(window, message, reinterpret_cast<WPARAM>(dc.Get()), reinterpret_cast<LPARAM>(control)));
        LOGBRUSH described = {};
        brushColour = brush != nullptr && ::GetObjectA(brush, sizeof(described), &described) != 0 ? described.lbColor
                                                                                                   : CLR_INVALID;
        mode = ::GetBkMode(dc.Get());
    };
    COLORREF colour = 0;
    int mode = 0;
    answer(WM_CTLCOLORSTATIC, check, colour, mode);
    EXPECT_EQ(RGB(10, 200, 30), colour) << "the check box's brush";
    EXPECT_EQ(TRANSPARENT, mode);
    answer(WM_CTLCOLORBTN, radio, colour, mode);
    EXPECT_EQ(RGB(20, 30, 220), colour) << "the radio button's brush";
    answer(WM_CTLCOLORSTATIC, plain, colour, mode);
    EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), colour) << "a control without a colour of its own keeps the system's";

    // What the check box paints: its empty right end shows the colour.
    RECT client = {};
    (void)::GetClientRect(check, &client);
    CWindowDc screen(check);
    CBitmapHandle picture(::CreateCompatibleBitmap(screen.Dc(), client.right, client.bottom));
    {
        CSelectGuard select(dc.Get(), picture.Get());
        (void)::SendMessageA(check, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT | PRF_ERASEBKGND);
        EXPECT_EQ(RGB(10, 200, 30), ::GetPixel(dc.Get(), client.right - 3, client.bottom / 2));
    }

    dialog.Refresh();
    answer(WM_CTLCOLORSTATIC, check, colour, mode);
    EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), colour) << "a language change clears them until the kind sets them again";
    EXPECT_TRUE(dialog.ApplyFixedBackColour("FIXED_CHECKBOX", check));
    const DWORD before = GdiObjectCount();
    for (int change = 0; change < 3; ++change)
    {
        dialog.Refresh();
        EXPECT_TRUE(dialog.ApplyFixedBackColour("FIXED_CHECKBOX", check));
        answer(WM_CTLCOLORSTATIC, check, colour, mode);
    }
    EXPECT_LE(GdiObjectCount(), before) << "one brush per colour, kept by the dialog";
}
