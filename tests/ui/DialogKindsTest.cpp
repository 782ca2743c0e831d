// The wizard's dialog kinds in the test's own process: the kind a section name selects, the kinds
// that block cancel, and what a dialog of a kind can reach through its context.

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>

#include "base/Messages.h"
#include "items/InstallRun.h"
#include "support/LogLines.h"
#include "support/TempDir.h"
#include "support/TestHelpers.h"
#include "ui/DialogKinds.h"
#include "ui/ProgressWnd.h"
#include "ui/UiResources.h"
#include "ui/DialogTestSupport.h"

namespace
{
const char kConfig[] = R"([DLG_COMMON]
DLG_RECT = 0,0,400,300

[NORMAL.BLOCKED]
BLOCK_CANCEL = 1

[INIT_PLAIN]
DLG_RECT = 0,0,300,80

[INIT_WITH_BAR]
DLG_RECT = 0,0,300,80
PROGRESS_BAR = PROGRESS.BAR

[PROGRESS.BAR]
POSITION = 16,44
SIZE = 268,14
)";

class DialogKindsTest : public CDialogTest
{
protected:
    void SetUp() override { Configure(kConfig); }

    std::unique_ptr<CSkinDlg> Make(const std::string& section)
    {
        std::unique_ptr<CSkinDlg> dialog = MakeDialogOfKind(m_context, section);
        if (dialog)
        {
            (void)dialog->SetConfig(section);
        }
        return dialog;
    }
};
}  // namespace

TEST_F(DialogKindsTest, CancelBlockedByTheKindTheNameSelects_NotByAnyTextItContains)
{
    const struct
    {
        const char* section;
        bool blocked;
    } rows[] = {
        {"INSTALL.MAIN", true},       {"UNINSTALL.X", true},     // contains "INSTALL.": an install dialog
        {"INSTALL1.MAIN", true},      {"TEST_PAGE.T", true},     {"FINISH.END", true},
        {"NORMAL.FINISH.", false},    // a NORMAL. dialog: "FINISH." later in the name does not count
        {"NORMAL.BLOCKED", true},     // its own BLOCK_CANCEL
        {"CUSTOM.INSTALL.", false},   {"LICENSE.L", false},      {"SELECT_TYPE.S", false},
    };
    for (const auto& row : rows)
    {
        std::unique_ptr<CSkinDlg> dialog = Make(row.section);
        ASSERT_TRUE(dialog) << row.section;
        EXPECT_EQ(row.blocked, dialog->IsCancelBlocked()) << row.section;
    }
    EXPECT_FALSE(Make("WIDGET.W"));
    EXPECT_TRUE(Contains(m_lines.All(), "WIDGET.W Section is invalid dialog section"));
}

TEST_F(DialogKindsTest, Context_ReachesTheDialog)
{
    int items = 0;
    m_context.items = reinterpret_cast<CItem*>(&items);
    bool made = false;
    m_context.makeInstallRun = [&made] {
        made = true;
        return std::unique_ptr<CInstallRun>();
    };
    std::unique_ptr<CSkinDlg> dialog = Make("NORMAL.ANY");
    ASSERT_TRUE(dialog);
    EXPECT_EQ(&m_env, dialog->Context().ui);
    EXPECT_EQ(m_context.items, dialog->Context().items);
    EXPECT_EQ(nullptr, dialog->Context().printers) << "what the test does not give stays null";
    ASSERT_TRUE(dialog->Context().makeInstallRun);
    (void)dialog->Context().makeInstallRun();
    EXPECT_TRUE(made);
}

TEST_F(DialogKindsTest, InitialisationWindow_OnlyWithItsSection_ItsBarWherePlaced)
{
    CProgressWnd missing(m_env);
    EXPECT_FALSE(missing.CreateFor("INIT_WINDOW", nullptr)) << "a product without the section shows no window";
    EXPECT_EQ(nullptr, missing.Window());

    CProgressWnd plain(m_env);
    ASSERT_TRUE(plain.CreateFor("INIT_PLAIN", nullptr));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(plain.Window(), IDC_PROGRESS))) << "no PROGRESS_BAR: no bar";

    CProgressWnd withBar(m_env);
    ASSERT_TRUE(withBar.CreateFor("INIT_WITH_BAR", nullptr));
    HWND bar = ::GetDlgItem(withBar.Window(), IDC_PROGRESS);
    EXPECT_TRUE(::IsWindowVisible(bar) || !::IsWindowVisible(withBar.Window()));
    RECT rect = {};
    (void)::GetWindowRect(bar, &rect);
    (void)::MapWindowPoints(nullptr, withBar.Window(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(16, rect.left);
    EXPECT_EQ(44, rect.top);
    EXPECT_EQ(268, rect.right - rect.left);
    EXPECT_EQ(0, ::SendMessageA(bar, PBM_GETPOS, 0, 0));
    (void)::SendMessageA(withBar.Window(), UM_PROGRESS_STEP, 50, 2);
    (void)::SendMessageA(withBar.Window(), UM_PROGRESS_STEP, 0, 0);
    EXPECT_EQ(25, ::SendMessageA(bar, PBM_GETPOS, 0, 0)) << "one step of two shares half the span";
}
