// WinDriver.exe on a window of the test's own process: what its listing shows of list rows, check
// states and the focus, and its real input (pointer clicks, keys, typing) arriving as a person's would.

#include <gtest/gtest.h>

#include <commctrl.h>

#include <atomic>
#include <functional>
#include <sstream>
#include <string>

#include "support/TempDir.h"
#include "support/TestThread.h"
#include "support/WinDriver.h"

namespace
{
const char kTitle[] = "WinDriver test window";
const int kListId = 100;
const int kViewId = 101;
const int kCheckId = 102;
const int kRadioId = 103;
const int kEditId = 104;
const int kOtherEditId = 105;

class WinDriverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        InitCommonControls();
        m_window = ::CreateWindowExA(0, "#32770", kTitle, WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 20, 20, 400, 300,
                                     nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_window);
        HWND list = Child("LISTBOX", "", LBS_NOTIFY | WS_VSCROLL | WS_BORDER, 10, 10, 120, 80, kListId);
        for (const char* row : {"first row", "second \"row\"", "third"})
        {
            (void)::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));
        }
        (void)::SendMessageA(list, LB_SETCURSEL, 1, 0);
        HWND view = Child(WC_LISTVIEWA, "", LVS_REPORT | WS_BORDER, 140, 10, 200, 80, kViewId);
        LVCOLUMNA column = {};
        column.mask = LVCF_WIDTH;
        column.cx = 150;
        (void)::SendMessageA(view, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
        int index = 0;
        for (const char* row : {"alpha", "beta"})
        {
            LVITEMA item = {};
            item.mask = LVIF_TEXT;
            item.iItem = index++;
            item.pszText = const_cast<char*>(row);
            (void)::SendMessageA(view, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        }
        LVITEMA selected = {};
        selected.stateMask = LVIS_SELECTED;
        selected.state = LVIS_SELECTED;
        (void)::SendMessageA(view, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&selected));
        m_check = Child("BUTTON", "Check me", BS_AUTOCHECKBOX, 10, 100, 120, 20, kCheckId);
        (void)::SendMessageA(m_check, BM_SETCHECK, BST_CHECKED, 0);
        m_radio = Child("BUTTON", "Radio", BS_AUTORADIOBUTTON, 10, 125, 120, 20, kRadioId);
        m_edit = Child("EDIT", "", WS_BORDER | ES_AUTOHSCROLL, 10, 150, 200, 22, kEditId);
        m_otherEdit = Child("EDIT", "", WS_BORDER | ES_AUTOHSCROLL, 10, 180, 200, 22, kOtherEditId);
        (void)::SetFocus(m_edit);
    }

    void TearDown() override
    {
        if (m_window != nullptr)
        {
            (void)::DestroyWindow(m_window);
        }
    }

    HWND Child(const char* type, const char* text, DWORD style, int x, int y, int width, int height, int id)
    {
        return ::CreateWindowExA(0, type, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y, width, height,
                                 m_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }

    // Runs WinDriver while this thread answers its window's messages through the dialog manager.
    int Drive(const std::string& arguments, std::string* output = nullptr)
    {
        std::atomic<bool> done(false);
        int code = -1;
        {
            CTestThread driver([&] {
                code = m_driver.Run(arguments, output);
                done = true;
            });
            while (!done)
            {
                AnswerMessages();
            }
        }
        return code;
    }

    // Waits a moment for input, then answers what came through the dialog manager.
    void AnswerMessages()
    {
        (void)::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message = {};
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        {
            if (!::IsDialogMessageA(m_window, &message))
            {
                (void)::TranslateMessage(&message);
                (void)::DispatchMessageA(&message);
            }
        }
    }

    // Answers the window's messages until the condition holds, within a bound: what WinDriver's input
    // made the controls do may still be queued when it ends.
    bool PumpUntil(const std::function<bool()>& condition)
    {
        const DWORD start = ::GetTickCount();
        while (!condition())
        {
            if (::GetTickCount() - start > 10000)
            {
                return false;
            }
            AnswerMessages();
        }
        return true;
    }

    bool CheckBecomes(HWND button, LRESULT state)
    {
        return PumpUntil([&] { return ::SendMessageA(button, BM_GETCHECK, 0, 0) == state; });
    }

    static std::string Window() { return CWinDriver::Quote(kTitle); }

    CTempDir m_scratch;
    CWinDriver m_driver{m_scratch.Path()};
    HWND m_window = nullptr;
    HWND m_check = nullptr;
    HWND m_radio = nullptr;
    HWND m_edit = nullptr;
    HWND m_otherEdit = nullptr;
};

// The listing line that has all the words.
std::string LineWith(const std::string& listing, std::initializer_list<const char*> words)
{
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);)
    {
        bool all = true;
        for (const char* word : words)
        {
            all = all && line.find(word) != std::string::npos;
        }
        if (all)
        {
            return line;
        }
    }
    return std::string();
}
}  // namespace

TEST_F(WinDriverTest, List_RowsCheckStatesAndFocus)
{
    std::string listing;
    ASSERT_EQ(0, Drive("list " + Window(), &listing));
    EXPECT_NE("", LineWith(listing, {"row 0 text=\"first row\" selected=0"})) << listing;
    EXPECT_NE("", LineWith(listing, {"row 1 text=\"second 'row'\" selected=1"})) << "quotes as in texts";
    EXPECT_NE("", LineWith(listing, {"row 2 text=\"third\" selected=0"}));
    EXPECT_NE("", LineWith(listing, {"row 0 text=\"alpha\" selected=0"})) << "the list view's rows";
    EXPECT_NE("", LineWith(listing, {"row 1 text=\"beta\" selected=1"}));
    EXPECT_NE("", LineWith(listing, {"text=\"Check me\"", "checked=1"}));
    EXPECT_NE("", LineWith(listing, {"text=\"Radio\"", "checked=0"}));
    EXPECT_EQ("", LineWith(listing, {"class=\"Edit\"", "checked="})) << "no check state for other controls";
    EXPECT_NE("", LineWith(listing, {"id=104", "focus=1"})) << "the focus is on the first edit box";
    EXPECT_EQ("", LineWith(listing, {"id=105", "focus=1"}));
}

TEST_F(WinDriverTest, RealInput_ClicksKeysAndTyping)
{
    EXPECT_EQ(0, Drive("--real click " + Window() + CWinDriver::Quote("Radio")));
    EXPECT_TRUE(CheckBecomes(m_radio, BST_CHECKED)) << "a pointer click checks the radio button";
    EXPECT_EQ(0, Drive("--real click " + Window() + CWinDriver::Quote("Check me")));
    EXPECT_TRUE(CheckBecomes(m_check, BST_UNCHECKED)) << "and unchecks the check box";

    EXPECT_EQ(0, Drive("--real key " + Window() + CWinDriver::Quote("space")));
    EXPECT_TRUE(CheckBecomes(m_check, BST_CHECKED)) << "Space on the focused check box";

    const std::string text = "Hello, World 1!";
    std::string said;
    EXPECT_EQ(0, Drive("--real type " + Window() + CWinDriver::Quote("#104") + CWinDriver::Quote(text), &said))
        << said;
    char typed[64] = {};
    (void)::GetWindowTextA(m_edit, typed, sizeof(typed));
    EXPECT_EQ(text, typed) << "shifted and plain characters";
    EXPECT_EQ(0, Drive("--real key " + Window() + CWinDriver::Quote("tab")));
    EXPECT_EQ(m_otherEdit, ::GetFocus()) << "Tab moves on";
    EXPECT_EQ(0, Drive("--real key " + Window() + CWinDriver::Quote("shifttab")));
    EXPECT_EQ(m_edit, ::GetFocus()) << "Shift+Tab moves back; the focus is on " << ::GetDlgCtrlID(::GetFocus());
    EXPECT_EQ(2, Drive("--real key " + Window() + CWinDriver::Quote("nosuchkey"))) << "a bad call";
}
