// The wizard's dialog kinds in the test's own process: the kind a section name selects, the kinds
// that block cancel, and what a dialog of a kind can reach through its context.

#include <gtest/gtest.h>

#include <memory>

#include "items/InstallRun.h"
#include "support/LogLines.h"
#include "support/TempDir.h"
#include "support/TestHelpers.h"
#include "ui/DialogKinds.h"
#include "ui/UiTestEnv.h"

namespace
{
const char kConfig[] = R"([DLG_COMMON]
DLG_RECT = 0,0,400,300

[NORMAL.BLOCKED]
BLOCK_CANCEL = 1
)";

class DialogKindsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WriteTestFile(m_dir.File("kvinst.kvi"), kConfig));
        ASSERT_TRUE(m_log.OpenLogFile());
        ASSERT_TRUE(m_config.Open(m_dir.File("kvinst.kvi").c_str(), nullptr, nullptr, false));
        m_context.ui = &m_env;
    }

    std::unique_ptr<CSkinDlg> Make(const std::string& section)
    {
        std::unique_ptr<CSkinDlg> dialog = MakeDialogOfKind(m_context, section);
        if (dialog)
        {
            (void)dialog->SetConfig(section);
        }
        return dialog;
    }

    CTempDir m_dir;
    CTempDirOverride m_temp{m_dir.Path()};
    CLog m_log;
    CLogLines m_lines{m_log};
    CConfigProfile m_config;
    CTestUiEnv m_env{m_log, m_config, m_dir.Path(), false};
    DialogContext m_context;
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
