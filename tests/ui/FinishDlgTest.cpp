// The dialogs at the end of a run in the test's own process, inside a wizard whose commands are
// recorded: Finish opens the registration, prints the test page of its type, runs the end command and
// ends the installer, in that order, and hands on the restart chosen; the test-page dialog prints only
// when asked and goes to its alternative target otherwise; which end command a setup type runs.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/Messages.h"
#include "command/CmdOperator.h"
#include "command/CommandTestSupport.h"
#include "external/ExternalFnt.h"
#include "ui/FinishDlg.h"
#include "ui/UiResources.h"
#include "ui/UiTestEnv.h"
#include "ui/Wizard.h"

using cmdtest::CTestCommandEnv;

namespace
{
const char kConfig[] = R"([DLG_COMMON]
DLG_RECT = 0,0,400,300
DLG_POS_TYPE = FREE

[START]
DIALOGS = START_DIALOGS
CMD_TYPE = CT_OPEN_DLG
CMD_PARAM1 = FINISH.PRN
END_CMD = MY_END

[START_DIALOGS]
FINISH.PRN
FINISH.COMPOSED
TEST_PAGE.ASK

[FINISH.PRN]
FIXED_END = BUTTON.END
FIXED_CHECKBOX = CHECK.REGISTER
FIXED_CHECKBOX_TESTPRINT = CHECK.PRINT
FIXED_RADIO_REBOOT = RADIO.NOW
FIXED_RADIO_NO_REBOOT = RADIO.LATER
ONLINE_REG_URL = "http://register.invalid/kp"
TEST_PAGE_TYPE = " prn "
TESTPAGE_FILE = page.prn

[FINISH.COMPOSED]
FIXED_END = BUTTON.END
FIXED_CHECKBOX = CHECK.REGISTER_OFF
FIXED_CHECKBOX_TESTPRINT = CHECK.PRINT
TESTPAGE_URL = "http://page.invalid"
TESTPAGE_BITMAP = page.bmp

[TEST_PAGE.ASK]
FIXED_NEXT = BUTTON.NEXT
FIXED_RADIO_0 = RADIO.PRINT
FIXED_RADIO_1 = RADIO.SKIP

[BUTTON.END]
POSITION = 300,260
NAME = Finish

[BUTTON.NEXT]
POSITION = 300,260
NAME = Next
CMD_TYPE = CT_OPEN_DLG
CMD_PARAM1 = NORMAL.PRINTED
CMD_PARAM2 = NORMAL.NOT_PRINTED

[CHECK.REGISTER]
POSITION = 10,100
NAME = Register
CHECK_BOX_INIT = 1

[CHECK.REGISTER_OFF]
POSITION = 10,100
NAME = Register

[CHECK.PRINT]
POSITION = 10,120
NAME = Print a test page
CHECK_BOX_INIT = 1

[RADIO.NOW]
POSITION = 10,140
NAME = Restart now
RADIO_INIT = 1

[RADIO.LATER]
POSITION = 10,160
NAME = Restart later

[RADIO.PRINT]
POSITION = 10,140
NAME = Print
RADIO_INIT = 1

[RADIO.SKIP]
POSITION = 10,160
NAME = Do not print
)";

class FinishDlgTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_log.OpenLogFile());
        ASSERT_TRUE(m_commandEnv.OpenFiles(kConfig, "[MY_END]\r\nX = 1\r\n"));
        m_wizard = std::make_unique<CWizard>(
            m_ui, std::make_unique<CCmdOperator>(m_log, m_commandEnv, m_external, nullptr), *m_mailbox);
        for (const char* type : {"CT_OPEN_URL", "CT_PRINT_TEST_PAGE", "CT_PRINT_PRN_TEST_PAGE",
                                 "CT_PRINT_META_TEST_PAGE", "CT_COMMAND", "CT_APP_TERMINATE", "CT_DIAGNOSIS",
                                 "CT_OPEN_DLG"})
        {
            const std::string name = type;
            (void)m_wizard->Executor().Connect(type, [this, name](const CommandRecord& record) {
                m_commands.push_back(name + "(" + record.param[0] + "|" + record.param[1] + "|" + record.param[2] +
                                     "|" + record.param[3] + ")");
                return true;
            });
        }
        DialogContext context;
        context.restartChosen = [this](bool now) { m_restart.push_back(now ? "now" : "later"); };
        m_wizard->SetDialogContext(context);
        ASSERT_EQ(CWizard::kCreated, m_wizard->Create("Finish test " + std::to_string(::GetCurrentProcessId())));
        ASSERT_TRUE(m_wizard->Start("START", nullptr, true));
        (void)::SendMessageA(m_wizard->Window(), UM_START, 1, 0);
        Pump();
        m_commands.clear();                                   // the start's own CT_OPEN_DLG
    }

    void TearDown() override { m_wizard.reset(); }

    void Pump()
    {
        MSG message = {};
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        {
            (void)::TranslateMessage(&message);
            (void)::DispatchMessageA(&message);
        }
    }

    void Open(const char* dialog)
    {
        (void)::SendMessageA(m_wizard->Window(), UM_NAVIGATE, 0, reinterpret_cast<LPARAM>(dialog));
        Pump();
        ASSERT_NE(nullptr, m_wizard->CurrentDialog());
        ASSERT_EQ(dialog, m_wizard->CurrentDialog()->Section());
    }

    void Click(int id)
    {
        HWND dialog = m_wizard->CurrentDialog()->Window();
        (void)::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                             reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
        Pump();
    }

    bool Checked(int id) const
    {
        return ::IsDlgButtonChecked(m_wizard->CurrentDialog()->Window(), id) == BST_CHECKED;
    }

    CTempDir m_dir;
    CTempDirOverride m_tmp{m_dir.Path() + "\\"};
    CLog m_log;
    CTestCommandEnv m_commandEnv{m_log, m_dir.Path()};
    CExternalFnt m_external{m_log};
    CTestUiEnv m_ui{m_log, m_commandEnv.GetConfigProfile(), m_dir.Path(), false};
    CommandRecordPtr m_mailbox = MakeCommandRecord();
    std::unique_ptr<CWizard> m_wizard;
    std::vector<std::string> m_commands;
    std::vector<std::string> m_restart;
};
}  // namespace

TEST(FinishDlgRulesTest, TestPageTypeAndEndCommandByTheSetupType)
{
    EXPECT_EQ(TestPageSpec::kPrn, TestPageSpec::TypeFromText("PRN"));
    EXPECT_EQ(TestPageSpec::kPrn, TestPageSpec::TypeFromText(" \t\"prn\" "));
    EXPECT_EQ(TestPageSpec::kMetafile, TestPageSpec::TypeFromText("Wmf"));
    EXPECT_EQ(TestPageSpec::kComposed, TestPageSpec::TypeFromText("EMF"));
    EXPECT_EQ(TestPageSpec::kComposed, TestPageSpec::TypeFromText(""));

    EXPECT_EQ("INST_END_CMD", CFinishDlg::EndCommandFor(1, false));
    EXPECT_EQ("UNINST_END_CMD", CFinishDlg::EndCommandFor(2, false));
    EXPECT_EQ("", CFinishDlg::EndCommandFor(2, true)) << "items stay installed: nothing of the uninstall end";
    for (DWORD reinstall : {3u, 4u, 5u})
    {
        EXPECT_EQ("REINST_END_CMD", CFinishDlg::EndCommandFor(reinstall, false));
    }
    EXPECT_EQ("", CFinishDlg::EndCommandFor(0, false));
    EXPECT_EQ("", CFinishDlg::EndCommandFor(6, false));
}

TEST_F(FinishDlgTest, Finish_RegistrationTestPageEndCommandThenTheEnd_AndTheRestartChosen)
{
    Open("FINISH.PRN");
    EXPECT_TRUE(m_wizard->IsCancelBlocked());
    EXPECT_TRUE(Checked(IDC_FINISH_REGISTER)) << "CHECK_BOX_INIT";
    EXPECT_TRUE(Checked(IDC_FINISH_TESTPRINT));
    EXPECT_TRUE(Checked(IDC_FINISH_REBOOT_LATER)) << "RADIO_INIT 1: later";
    Click(IDC_FINISH_END);
    const std::vector<std::string> expected = {
        "CT_OPEN_URL(http://register.invalid/kp|||)",
        "CT_PRINT_PRN_TEST_PAGE(|page.prn||)",
        "CT_COMMAND(MY_END|||)",
        "CT_APP_TERMINATE(|||)",
    };
    EXPECT_EQ(expected, m_commands) << "the start section's END_CMD is the end command";
    EXPECT_EQ(std::vector<std::string>{"later"}, m_restart);
}

TEST_F(FinishDlgTest, Finish_ComposedPageWithoutItsString_RegistrationUnticked)
{
    Open("FINISH.COMPOSED");
    EXPECT_FALSE(Checked(IDC_FINISH_REGISTER));
    Click(IDC_FINISH_END);
    ASSERT_FALSE(m_commands.empty());
    EXPECT_EQ("CT_PRINT_TEST_PAGE(||http://page.invalid|page.bmp)", m_commands.front())
        << "a missing TESTPAGE_STRING still passes the URL and the bitmap";
    EXPECT_TRUE(m_restart.empty()) << "no restart controls: no restart is chosen";
}

TEST_F(FinishDlgTest, TestPage_NotAskedGoesToTheAlternative)
{
    Open("TEST_PAGE.ASK");
    EXPECT_TRUE(Checked(IDC_TESTPAGE_SKIP)) << "RADIO_INIT 1";
    Click(IDC_NEXT);
    EXPECT_EQ(std::vector<std::string>{"CT_OPEN_DLG(NORMAL.NOT_PRINTED|||)"}, m_commands)
        << "nothing printed: Next's second target";
}
