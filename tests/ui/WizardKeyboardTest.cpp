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
