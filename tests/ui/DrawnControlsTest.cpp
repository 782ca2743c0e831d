// The drawn link and push button in a dialog of the test's own process, with the keyboard the dialog
// manager hands them: tab stops in creation order, Enter and Space pressing the focused control, Enter
// elsewhere going to the dialog's default button; and the hand over links where the system has none.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/DrawnControls.h"
#include "ui/Gdi.h"
#include "ui/UiResources.h"

namespace
{
const int kLinkId = 3000;
const int kButtonId = 5;
const int kEditId = 100;

// A dialog of an edit box, a link, a drawn button and a standard default OK button, in that tab order;
// it records the commands the controls hand over and the WM_COMMANDs it hears.
class DrawnControlsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // An empty template: caption, no controls; the WORDs after the header are menu, class, title.
        struct
        {
            DLGTEMPLATE header;
            WORD menu, windowClass, title;
        } dialogTemplate = {};
        dialogTemplate.header.style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
        dialogTemplate.header.cx = 200;
        dialogTemplate.header.cy = 100;
        m_dialog = ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr), &dialogTemplate.header, nullptr,
                                                DialogProc, reinterpret_cast<LPARAM>(this));
        ASSERT_NE(nullptr, m_dialog);
        m_edit = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 5, 5, 80, 20,
                                   m_dialog, reinterpret_cast<HMENU>(kEditId), nullptr, nullptr);
        ControlHost host;
        host.dialog = m_dialog;
        host.postCommand = [this](const ObjectCommand& command) { m_commands.push_back(command.type); };
        ObjectRecord link;
        link.text = "Read me first";
        link.position = {5, 30};
        link.command.type = "CT_LINK";
        m_link = std::make_unique<CMyLink>(host, link);
        ASSERT_TRUE(m_link->Create(kLinkId));
        ObjectRecord button;
        button.text = "Next >";
        button.position = {5, 60};
        button.size = {90, 26};
        button.command.type = "CT_BUTTON";
        m_button = std::make_unique<CDrawnButton>(host, button);
        ASSERT_TRUE(m_button->Create(kButtonId));
        m_ok = ::CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 110, 60,
                                 60, 24, m_dialog, reinterpret_cast<HMENU>(IDOK), nullptr, nullptr);
        ASSERT_NE(nullptr, m_ok);
        (void)::SetForegroundWindow(m_dialog);
        Pump();
    }

    void TearDown() override
    {
        SetShift(false);
        m_link.reset();
        m_button.reset();
        if (m_dialog != nullptr)
        {
            (void)::DestroyWindow(m_dialog);
        }
    }

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_INITDIALOG)
        {
            ::SetWindowLongPtrA(window, DWLP_USER, lParam);
            return TRUE;
        }
        auto* self = reinterpret_cast<DrawnControlsTest*>(::GetWindowLongPtrA(window, DWLP_USER));
        if (self != nullptr && message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED)
        {
            self->m_heard.push_back(LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }

    // Runs what is queued through the dialog manager, as the wizard's message loop does.
    void Pump()
    {
        MSG message = {};
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        {
            if (!::IsDialogMessageA(m_dialog, &message))
            {
                (void)::TranslateMessage(&message);
                (void)::DispatchMessageA(&message);
            }
        }
    }

    void KeyDown(UINT key) { (void)::PostMessageA(::GetFocus(), WM_KEYDOWN, key, 1); }
    void KeyUp(UINT key) { (void)::PostMessageA(::GetFocus(), WM_KEYUP, key, 0xC0000001); }
    // A key pressed and let go where the focus is, through the dialog manager.
    void Press(UINT key)
    {
        KeyDown(key);
        KeyUp(key);
        Pump();
    }

    // The Shift key as the dialog manager reads it for Shift+Tab.
    static void SetShift(bool down)
    {
        BYTE keys[256] = {};
        (void)::GetKeyboardState(keys);
        keys[VK_SHIFT] = down ? 0x80 : 0;
        (void)::SetKeyboardState(keys);
    }

    void Focus(HWND control)
    {
        (void)::SetFocus(control);
        Pump();
        ASSERT_EQ(control, ::GetFocus());
    }

    HWND m_dialog = nullptr;
    HWND m_edit = nullptr;
    HWND m_ok = nullptr;
    std::unique_ptr<CMyLink> m_link;
    std::unique_ptr<CDrawnButton> m_button;
    std::vector<std::string> m_commands;
    std::vector<int> m_heard;
};
}  // namespace

TEST_F(DrawnControlsTest, DialogCode_AsksForEnterOnly_LeavesTabAndArrowsToTheDialog)
{
    for (HWND control : {m_link->Window(), m_button->Window()})
    {
        EXPECT_NE(0, ::GetWindowLongA(control, GWL_STYLE) & WS_TABSTOP) << "a tab stop";
        const LRESULT plain = ::SendMessageA(control, WM_GETDLGCODE, 0, 0);
        EXPECT_NE(0, plain & DLGC_BUTTON);
        EXPECT_EQ(0, plain & (DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTARROWS | DLGC_WANTMESSAGE | DLGC_WANTCHARS |
                              DLGC_DEFPUSHBUTTON));
        MSG enter = {control, WM_KEYDOWN, VK_RETURN, 1, 0, {0, 0}};
        EXPECT_NE(0, ::SendMessageA(control, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) &
                         DLGC_WANTMESSAGE)
            << "Enter comes to the focused control";
        MSG tab = {control, WM_KEYDOWN, VK_TAB, 1, 0, {0, 0}};
        EXPECT_EQ(0, ::SendMessageA(control, WM_GETDLGCODE, VK_TAB, reinterpret_cast<LPARAM>(&tab)) &
                         (DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE))
            << "Tab stays with the dialog manager";
    }
}

TEST_F(DrawnControlsTest, TabAndShiftTab_VisitEveryControlInOrder)
{
    Focus(m_edit);
    const HWND forward[] = {m_link->Window(), m_button->Window(), m_ok, m_edit};
    for (HWND expected : forward)
    {
        Press(VK_TAB);
        EXPECT_EQ(expected, ::GetFocus());
    }
    SetShift(true);
    const HWND backward[] = {m_ok, m_button->Window(), m_link->Window(), m_edit};
    for (HWND expected : backward)
    {
        Press(VK_TAB);
        EXPECT_EQ(expected, ::GetFocus());
    }
    SetShift(false);
    EXPECT_TRUE(m_commands.empty()) << "moving the focus presses nothing";
    EXPECT_TRUE(m_heard.empty());
}

TEST_F(DrawnControlsTest, Enter_PressesTheFocusedControl_ElsewhereTheDefaultButton)
{
    Focus(m_button->Window());
    Press(VK_RETURN);
    EXPECT_EQ(std::vector<std::string>{"CT_BUTTON"}, m_commands) << "the button's command";
    EXPECT_EQ(std::vector<int>{kButtonId}, m_heard) << "and its click reported to the dialog";

    Focus(m_link->Window());
    Press(VK_RETURN);
    EXPECT_EQ((std::vector<std::string>{"CT_BUTTON", "CT_LINK"}), m_commands);
    EXPECT_EQ(std::vector<int>{kButtonId}, m_heard) << "a link reports nothing to the dialog";

    Focus(m_edit);
    Press(VK_RETURN);
    EXPECT_EQ(2u, m_commands.size()) << "no drawn control pressed";
    EXPECT_EQ((std::vector<int>{kButtonId, IDOK}), m_heard) << "the dialog's default button";
}

TEST_F(DrawnControlsTest, Space_PressesOnKeyUp_NotWhenTheFocusLeftMeanwhile)
{
    for (CDrawnControl* control : {static_cast<CDrawnControl*>(m_button.get()), static_cast<CDrawnControl*>(m_link.get())})
    {
        m_commands.clear();
        Focus(control->Window());
        KeyDown(VK_SPACE);
        Pump();
        EXPECT_TRUE(m_commands.empty()) << "nothing on key-down";
        KeyUp(VK_SPACE);
        Pump();
        EXPECT_EQ(1u, m_commands.size()) << "pressed on key-up";

        KeyDown(VK_SPACE);
        Pump();
        Focus(m_edit);
        (void)::PostMessageA(control->Window(), WM_KEYUP, VK_SPACE, 0xC0000001);
        Pump();
        EXPECT_EQ(1u, m_commands.size()) << "a Space let go after the focus moved presses nothing";
    }
    EXPECT_EQ(std::vector<int>{kButtonId}, m_heard) << "no default button either";
}

TEST_F(DrawnControlsTest, Pointer_PressesOnReleaseInside_NotWhenLetGoOutsideOrTakenAway)
{
    for (CDrawnControl* control : {static_cast<CDrawnControl*>(m_button.get()), static_cast<CDrawnControl*>(m_link.get())})
    {
        m_commands.clear();
        const HWND window = control->Window();
        const LPARAM inside = MAKELPARAM(3, 3);
        (void)::SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, inside);
        EXPECT_EQ(window, ::GetCapture()) << "the pressed control holds the pointer";
        EXPECT_TRUE(m_commands.empty()) << "nothing on the button's way down";
        (void)::SendMessageA(window, WM_LBUTTONUP, 0, inside);
        EXPECT_EQ(1u, m_commands.size()) << "pressed when let go on it";
        EXPECT_EQ(nullptr, ::GetCapture()) << "and the pointer let go";

        (void)::SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, inside);
        (void)::SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(-20, 3));
        EXPECT_EQ(1u, m_commands.size()) << "let go outside: nothing pressed";

        (void)::SendMessageA(window, WM_LBUTTONUP, 0, inside);
        EXPECT_EQ(1u, m_commands.size()) << "a release without a press presses nothing";

        (void)::SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, inside);
        (void)::SendMessageA(window, WM_MOUSELEAVE, 0, 0);   // reported as the press takes the pointer
        (void)::SendMessageA(window, WM_LBUTTONUP, 0, inside);
        EXPECT_EQ(2u, m_commands.size()) << "a leave while the control holds the pointer keeps the press";
        (void)::SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, inside);
        (void)::SendMessageA(window, WM_MOUSELEAVE, 0, 0);
        (void)::SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(-20, 3));
        EXPECT_EQ(2u, m_commands.size()) << "and the release still decides: let go outside, nothing";

        (void)::SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, inside);
        (void)::SetCapture(m_edit);                       // a box opening over the pressed control
        (void)::ReleaseCapture();
        (void)::SendMessageA(window, WM_LBUTTONUP, 0, inside);
        EXPECT_EQ(2u, m_commands.size()) << "a press taken away by another window presses nothing";
    }
}

// The control's face as it paints it, pixel by pixel.
std::vector<DWORD> Face(HWND control)
{
    RECT client = {};
    (void)::GetClientRect(control, &client);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    CMemoryDc dc(::CreateCompatibleDC(nullptr));
    CBitmapHandle bitmap(::CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap.IsValid() || bits == nullptr)
    {
        return {};
    }
    CSelectGuard select(dc.Get(), bitmap.Get());
    (void)::SendMessageA(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT);
    (void)::GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    return std::vector<DWORD>(pixels, pixels + client.right * client.bottom);
}

TEST_F(DrawnControlsTest, FocusMark_ShownWhileFocused)
{
    for (HWND control : {m_link->Window(), m_button->Window()})
    {
        Focus(m_edit);
        const std::vector<DWORD> plain = Face(control);
        ASSERT_FALSE(plain.empty());
        Focus(control);
        EXPECT_NE(plain, Face(control)) << "the focus mark";
        Focus(m_edit);
        EXPECT_EQ(plain, Face(control)) << "gone with the focus";
    }
}

TEST_F(DrawnControlsTest, Link_HandCursor_SystemsOwnOrTheProgramsWhereMissing)
{
    HCURSOR system = Gdi::HandCursor();
    ASSERT_NE(nullptr, system);
    EXPECT_EQ(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)), system) << "the system's hand where it has one";
    EXPECT_TRUE(::SendMessageA(m_link->Window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(m_link->Window()),
                               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(system, ::GetCursor()) << "set over the link";

    // A cursor number no system has stands for a system without the hand (Windows 95, NT 4).
    HCURSOR own = Gdi::HandCursor(MAKEINTRESOURCEA(1));
    ASSERT_NE(nullptr, own);
    EXPECT_EQ(::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_HAND_CURSOR)), own)
        << "the program's own hand";
    EXPECT_NE(::LoadCursorA(nullptr, IDC_ARROW), own);
    ICONINFO info = {};
    ASSERT_TRUE(::GetIconInfo(own, &info));
    EXPECT_FALSE(info.fIcon) << "a cursor";
    EXPECT_EQ(5u, info.xHotspot) << "the finger tip points";
    EXPECT_EQ(0u, info.yHotspot);
    BITMAP mask = {};
    ASSERT_NE(0, ::GetObjectA(info.hbmMask, sizeof(mask), &mask));
    EXPECT_EQ(32, mask.bmWidth);
    (void)::DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr)
    {
        (void)::DeleteObject(info.hbmColor);
    }
    (void)::SetCursor(own);
    EXPECT_EQ(own, ::GetCursor());
}
