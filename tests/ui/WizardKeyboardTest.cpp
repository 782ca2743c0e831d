// Setup.exe's wizard on a copy of the demo product, walked with the keyboard alone: WinDriver presses
// real keys through the system's input queue, as a person at the keyboard does. Tab and Shift+Tab reach
// the drawn buttons, Enter and Space press them, the cancel question is answered by keys. Pictures of
// what was seen are kept in build/<tree>/pictures.

#include <gtest/gtest.h>

#include <sstream>

#include "app/AppTestSupport.h"
#include "registry/Registry.h"
#include "support/WinDriver.h"
#include "ui/WizardRun.h"

using namespace AppTest;

namespace
{
const DWORD kCancelledExit = 1602;
const int kMostTabStops = 16;                                 // more presses than any demo dialog has stops

// A started Setup.exe and a person's keyboard.
class CKeyboardRun : public CWizardRun
{
public:
    // itemName: as CWizardRun's (empty: the product's items are the test's own).
    explicit CKeyboardRun(CTestProduct& product, const std::string& itemName = "Wizard test item")
        : CWizardRun(product, "", itemName)
    {
    }

    // A key pressed and let go with real input; WinDriver's exit code.
    int Key(const std::string& window, const std::string& key) const
    {
        std::string said;
        const int code = Driver().Run("--real " + CWinDriver::Quote("key") + CWinDriver::Quote(window) +
                                          CWinDriver::Quote(key),
                                      &said);
        m_said += said;
        return code;
    }
    // The text of the control holding the keyboard focus in the window; empty when none.
    std::string Focused(const std::string& window) const
    {
        std::istringstream lines(Listing(window));
        for (std::string line; std::getline(lines, line);)
        {
            if (ListingField(line, "focus") == "1")
            {
                return ListingField(line, "text");
            }
        }
        return std::string();
    }
    // The listing line of the control holding the keyboard focus.
    std::string FocusedLine(const std::string& window) const
    {
        std::istringstream lines(Listing(window));
        for (std::string line; std::getline(lines, line);)
        {
            if (ListingField(line, "focus") == "1")
            {
                return line;
            }
        }
        return std::string();
    }
    // Tab (or Shift+Tab) until the control showing text (or of id "#N") has the focus, within more presses than the
    // dialog has tab stops; the texts focused on the way are kept for the failure message.
    bool TabTo(const std::string& window, const std::string& text, bool backwards)
    {
        m_path.clear();
        for (int press = 0; press < kMostTabStops; ++press)
        {
            if (Key(window, backwards ? "shifttab" : "tab") != 0)
            {
                return false;
            }
            const std::string line = FocusedLine(window);
            const std::string now = ListingField(line, "text");
            m_path += "\"" + now + "\" ";
            if (text[0] == '#' ? ListingField(line, "id") == text.substr(1) : now == text)
            {
                return true;
            }
        }
        return false;
    }
    std::string Path() const { return m_path + m_said; }

private:
    std::string m_path;
    mutable std::string m_said;
};
}  // namespace

TEST(WizardKeyboardTest, KeyboardOnly_TabEnterSpaceShiftTabAndCancelByKeys)
{
    CTestProduct product;
    CKeyboardRun run(product);
    const std::string frame = run.Frame();
    ASSERT_TRUE(run.WaitText(frame, "Read me first")) << "the welcome dialog";

    ASSERT_TRUE(run.TabTo(frame, "Next >", false)) << "Tab reaches Next past the drawn controls: " << run.Path();
    run.Picture(frame, "test_keyboard_next_focused");
    ASSERT_EQ(0, run.Key(frame, "enter")) << run.Path();
    ASSERT_TRUE(run.WaitText(frame, "I accept the licence agreement")) << "Enter on Next opens the licence dialog";

    ASSERT_TRUE(run.TabTo(frame, "< Back", true)) << "Shift+Tab reaches Back: " << run.Path();
    run.Picture(frame, "test_keyboard_back_focused");
    ASSERT_EQ(0, run.Key(frame, "tab"));
    EXPECT_EQ("Cancel", run.Focused(frame)) << "Tab goes on to the next drawn button";
    ASSERT_EQ(0, run.Key(frame, "shifttab"));
    ASSERT_EQ("< Back", run.Focused(frame)) << "Shift+Tab comes back";
    ASSERT_EQ(0, run.Key(frame, "space"));
    ASSERT_TRUE(run.WaitText(frame, "Read me first")) << "Space on Back returns to the welcome dialog";

    ASSERT_TRUE(run.TabTo(frame, "Cancel", false)) << run.Path();
    ASSERT_EQ(0, run.Key(frame, "enter"));
    const std::string question = "Setup is not complete. Do you really want to quit?";
    ASSERT_TRUE(run.WaitText("#32770", question)) << "Enter on Cancel asks";
    run.Picture("#32770", "test_keyboard_cancel_question");
    ASSERT_TRUE(run.TabTo("#32770", "Exit", false)) << "the question's buttons by Tab: " << run.Path();
    ASSERT_EQ(0, run.Key("#32770", "space")) << "Space on Exit";
    EXPECT_EQ(kCancelledExit, run.Finish()) << "a cancel confirmed by keys ends as cancelled";
    const std::vector<std::string> log = ReadLog(product.LogPath());
    EXPECT_EQ(1, Count(log, "Call Command : Type = CT_DLG_CANCEL, Param1=,Param2=,Param3=,Param4=,Param5="));
    EXPECT_EQ("Exit code 1602: the user cancelled the run", log.empty() ? "" : log.back());
}

TEST(WizardKeyboardTest, KeyboardOnly_AcceptChooseCustomLeaveTheManualOut)
{
    CTestProduct product;
    product.AppendDataText(kDemoItems);
    CKeyboardRun run(product, "");
    const std::string frame = run.Frame();
    ASSERT_TRUE(run.WaitText(frame, "Read me first"));
    ASSERT_TRUE(run.TabTo(frame, "Next >", false)) << run.Path();
    ASSERT_EQ(0, run.Key(frame, "enter"));

    ASSERT_TRUE(run.WaitText(frame, "I accept the licence agreement"));
    EXPECT_EQ("I do not accept the licence agreement", run.Focused(frame)) << "the choice to make has the focus";
    ASSERT_EQ(0, run.Key(frame, "up"));
    ASSERT_EQ(0, run.Key(frame, "space"));
    EXPECT_NE("", VisibleLineWith(run.Listing(frame), {"text=\"I accept the licence agreement\"", "checked=1"}))
        << "the arrow moves to the acceptance, Space takes it";
    ASSERT_TRUE(run.TabTo(frame, "Next >", false)) << "Next is a tab stop once accepted: " << run.Path();
    ASSERT_EQ(0, run.Key(frame, "enter"));

    ASSERT_TRUE(run.WaitText(frame, "Choose the setup type"));
    ASSERT_TRUE(run.TabTo(frame, "Typical", false)) << run.Path();
    ASSERT_EQ(0, run.Key(frame, "down"));
    ASSERT_EQ(0, run.Key(frame, "space"));
    EXPECT_NE("", VisibleLineWith(run.Listing(frame), {"text=\"Custom\"", "checked=1"}));
    ASSERT_TRUE(run.TabTo(frame, "Next >", false)) << run.Path();
    ASSERT_EQ(0, run.Key(frame, "enter"));

    ASSERT_TRUE(run.WaitText(frame, "Choose the components to install"));
    ASSERT_TRUE(run.TabTo(frame, "#1009", true)) << "the item list by Shift+Tab: " << run.Path();
    for (int press = 0; press < 5 && VisibleLineWith(run.Listing(frame), {"row 2 ", "selected=1"}).empty(); ++press)
    {
        ASSERT_EQ(0, run.Key(frame, "down"));
    }
    ASSERT_NE("", VisibleLineWith(run.Listing(frame), {"row 2 ", "selected=1"})) << "the arrows reach the manual";
    ASSERT_EQ(0, run.Key(frame, "space"));
    EXPECT_EQ("0", run.RowState("KP-3100 User's Manual")) << "Space unchecks it";
    EXPECT_EQ("1", run.RowState("KP-3100 Status Monitor"));
    run.Picture(frame, "test_keyboard_items");
    ASSERT_TRUE(run.TabTo(frame, "Next >", false)) << run.Path();
    ASSERT_EQ(0, run.Key(frame, "enter"));

    ASSERT_TRUE(run.WaitText(frame, "Setup is ready"));
    const std::string items = product.InstallingKey() + "\\Items\\";
    DWORD installNow = 0;
    EXPECT_EQ(ERROR_SUCCESS,
              CRegistry::GetValue((items + "MONITOR_ITEM").c_str(), "InstallNow", &installNow, HKEY_LOCAL_MACHINE));
    EXPECT_EQ(1u, installNow);
    installNow = 0;
    (void)CRegistry::GetValue((items + "MANUAL_ITEM").c_str(), "InstallNow", &installNow, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(0u, installNow) << "the manual was left out by keys";

    ASSERT_TRUE(run.TabTo(frame, "Cancel", false)) << run.Path();
    ASSERT_EQ(0, run.Key(frame, "enter"));
    ASSERT_TRUE(run.WaitText("#32770", "Setup is not complete. Do you really want to quit?"));
    ASSERT_TRUE(run.TabTo("#32770", "Exit", false)) << run.Path();
    ASSERT_EQ(0, run.Key("#32770", "space"));
    EXPECT_EQ(kCancelledExit, run.Finish());
}
