// The wizard frame in the test's own process, over a configuration of the test's own: the rules no
// walk reaches cheaply (opening by name with a parameter, Back on the first dialog, the order Back
// follows without pre-created dialogs, full screen, the close box while cancel is blocked, a worker's
// report to the frame handed on to the dialog shown).

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/BoundedWait.h"
#include "base/Messages.h"
#include "command/CmdOperator.h"
#include "command/CommandTestSupport.h"
#include "external/ExternalFnt.h"
#include "support/TestThread.h"
#include "ui/UiTestEnv.h"
#include "ui/Wizard.h"

using cmdtest::CTestCommandEnv;

namespace
{
const char kConfig[] = R"([DLG_COMMON]
DLG_RECT = 0,0,300,200
DLG_POS_TYPE = FREE

[START]
DIALOGS = START_DIALOGS
CMD_TYPE = CT_OPEN_DLG
CMD_PARAM1 = NORMAL.FIRST

[START_DIALOGS]
NORMAL.FIRST
NORMAL.SECOND
NORMAL.BLOCKED

[NORMAL.FIRST]
CAPTION = First

[NORMAL.SECOND]
CAPTION = Second

[NORMAL.BLOCKED]
CAPTION = Blocked
BLOCK_CANCEL = 1

[NORMAL.WHOLE_SCREEN]
CAPTION = Whole screen
DLG_RECT = 0,0,320,240
DLG_POS_TYPE = FULL_SCREEN
)";

// Notes the UM_INSTALL_STATUS a dialog window gets and answers each with kAnswer; the dialog's own
// procedure gets every other message.
class CStatusTap
{
public:
    static constexpr LRESULT kAnswer = 0x5A5;
    using Notes = std::vector<std::pair<WPARAM, LPARAM>>;

    explicit CStatusTap(HWND window) : m_window(window)
    {
        (void)::SetPropA(window, kProperty, this);
        m_dialogProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CStatusTap::Proc)));
    }
    ~CStatusTap()
    {
        (void)::SetWindowLongPtrA(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_dialogProc));
        (void)::RemovePropA(m_window, kProperty);
    }
    CStatusTap(const CStatusTap&) = delete;
    CStatusTap& operator=(const CStatusTap&) = delete;

    Notes notes;

private:
    static constexpr const char* kProperty = "KvStatusTap";
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = static_cast<CStatusTap*>(::GetPropA(window, kProperty));
        if (message == UM_INSTALL_STATUS)
        {
            self->notes.push_back({wParam, lParam});
            return kAnswer;
        }
        return ::CallWindowProcA(self->m_dialogProc, window, message, wParam, lParam);
    }

    HWND m_window;
    WNDPROC m_dialogProc = nullptr;
};

class WizardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_log.OpenLogFile());
        ASSERT_TRUE(m_commandEnv.OpenFiles(kConfig, "[CMD]\r\nX = 1\r\n"));
        m_wizard = std::make_unique<CWizard>(
            m_ui, std::make_unique<CCmdOperator>(m_log, m_commandEnv, m_external, nullptr), *m_mailbox);
        ASSERT_EQ(CWizard::kCreated, m_wizard->Create("Wizard test " + std::to_string(::GetCurrentProcessId())));
    }

    void TearDown() override { m_wizard.reset(); }

    void Begin(bool precreate)
    {
        ASSERT_TRUE(m_wizard->Start("START", nullptr, precreate));
        (void)::SendMessageA(m_wizard->Window(), UM_START, 1, 0);
        Pump();
    }

    void Pump()
    {
        MSG message = {};
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        {
            if (!m_wizard->PreTranslateMessage(message))
            {
                (void)::TranslateMessage(&message);
                (void)::DispatchMessageA(&message);
            }
        }
    }

    void Navigate(WPARAM how, const char* request = nullptr)
    {
        (void)::SendMessageA(m_wizard->Window(), UM_NAVIGATE, how, reinterpret_cast<LPARAM>(request));
        Pump();
    }

    std::string Shown()
    {
        CSkinDlg* current = m_wizard->CurrentDialog();
        return current != nullptr ? current->Section() : std::string();
    }

    bool HasCloseBox() const { return (::GetWindowLongA(m_wizard->Window(), GWL_STYLE) & WS_SYSMENU) != 0; }

    CTempDir m_dir;
    CTempDirOverride m_tmp{m_dir.Path() + "\\"};
    CLog m_log;
    CTestCommandEnv m_commandEnv{m_log, m_dir.Path()};
    CExternalFnt m_external{m_log};
    CTestUiEnv m_ui{m_log, m_commandEnv.GetConfigProfile(), m_dir.Path(), false};
    CommandRecordPtr m_mailbox = MakeCommandRecord();
    std::unique_ptr<CWizard> m_wizard;
};
}  // namespace

TEST_F(WizardTest, OpenByName_WithParameter_BackStopsAtTheFirst_NextFollowsTheList)
{
    Begin(true);
    EXPECT_EQ("NORMAL.FIRST", Shown()) << "the start command opens the first dialog";
    EXPECT_TRUE(::IsWindowVisible(m_wizard->Window()));
    Navigate(static_cast<WPARAM>(-1));
    EXPECT_EQ("NORMAL.FIRST", Shown()) << "Back on the first dialog does nothing";
    Navigate(0, " \"normal.second\" - 2 ");
    EXPECT_EQ("NORMAL.SECOND", Shown()) << "by name, any case, with a parameter after '-'";
    char title[64] = {};
    (void)::GetWindowTextA(m_wizard->Window(), title, sizeof(title));
    EXPECT_STREQ("Second", title) << "the frame takes the dialog's caption";
    Navigate(0, "NORMAL.NOWHERE");
    EXPECT_EQ("NORMAL.SECOND", Shown()) << "a dialog that is not described: the shown one stays";
    Navigate(static_cast<WPARAM>(-2));
    EXPECT_EQ("NORMAL.BLOCKED", Shown()) << "next in the list";
    Navigate(static_cast<WPARAM>(-2));
    EXPECT_EQ("NORMAL.BLOCKED", Shown()) << "past the last: nothing";
}

TEST_F(WizardTest, WithoutPrecreatedDialogs_BackFollowsTheOrderFirstOpened)
{
    Begin(false);
    Navigate(0, "NORMAL.BLOCKED");
    Navigate(0, "NORMAL.SECOND");
    Navigate(static_cast<WPARAM>(-1));
    EXPECT_EQ("NORMAL.BLOCKED", Shown()) << "Back goes to the dialog opened before, not the listed one";
}

TEST_F(WizardTest, CancelBlocked_NoCloseBox_CloseIgnored_FullScreen)
{
    Begin(true);
    EXPECT_TRUE(HasCloseBox());
    Navigate(0, "NORMAL.BLOCKED");
    EXPECT_FALSE(HasCloseBox()) << "no close box while cancel is blocked";
    (void)::SendMessageA(m_wizard->Window(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_TRUE(::IsWindow(m_wizard->Window()));
    EXPECT_EQ("", std::string(m_mailbox->type)) << "closing asks nothing while blocked";
    Navigate(0, "NORMAL.FIRST");
    EXPECT_TRUE(HasCloseBox()) << "back with the next dialog that does not block";

    Navigate(0, "NORMAL.WHOLE_SCREEN");
    RECT frame = {};
    (void)::GetWindowRect(m_wizard->Window(), &frame);
    EXPECT_EQ(0, frame.left);
    EXPECT_EQ(0, frame.top);
    EXPECT_EQ(::GetSystemMetrics(SM_CXSCREEN), frame.right - frame.left) << "the whole screen";
    EXPECT_EQ(::GetSystemMetrics(SM_CYSCREEN), frame.bottom - frame.top);
}

TEST_F(WizardTest, InstallStatusToTheFrame_GoesToTheDialogShown_ItsAnswerComesBack)
{
    const HWND frame = m_wizard->Window();
    EXPECT_EQ(0, ::SendMessageA(frame, UM_INSTALL_STATUS, 2, 0)) << "no dialog shown yet: nobody to tell";
    Begin(true);
    ASSERT_NE(nullptr, m_wizard->CurrentDialog());
    CStatusTap first(m_wizard->CurrentDialog()->Window());

    // A worker's report, sent from its own thread while this one waits answering sent messages.
    LRESULT answer = 0;
    CHandle sent(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    CTestThread worker([&] {
        answer = ::SendMessageA(frame, UM_INSTALL_STATUS, 1, 7);
        (void)::SetEvent(sent.Get());
    });
    ASSERT_TRUE(BoundedWait::WaitPumping(sent.Get(), 10000, BoundedWait::Pump::kSentOnly));
    worker.Join();
    EXPECT_EQ(CStatusTap::kAnswer, answer) << "the dialog's answer goes back to the worker";
    EXPECT_EQ((CStatusTap::Notes{{1, 7}}), first.notes) << "the same status and index";

    Navigate(static_cast<WPARAM>(-2));
    ASSERT_EQ("NORMAL.SECOND", Shown());
    CStatusTap second(m_wizard->CurrentDialog()->Window());
    EXPECT_EQ(CStatusTap::kAnswer, ::SendMessageA(frame, UM_INSTALL_STATUS, 6, 0));
    EXPECT_EQ((CStatusTap::Notes{{6, 0}}), second.notes) << "the dialog shown now";
    EXPECT_EQ(1u, first.notes.size()) << "a dialog no longer shown is not told";
}
