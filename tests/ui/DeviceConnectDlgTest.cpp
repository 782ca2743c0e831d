// The device connection dialog in the test's own process: it registers for USB arrivals where the
// system has the registration, and goes without it where the system lacks it; its question comes from
// the dialog's section or its base; without an installer environment an arrival finds no printer and
// nothing moves on. Over a real installer environment: an arrival while the question is open turns
// its buttons off until Plug and Play settles, then closes it and goes on to the usual next dialog;
// leaving stops the polling and the settle wait, and a stopped wait reports nothing.

#include <windows.h>
#include <dbt.h>

#include <memory>
#include <string>
#include <vector>

#include "base/UserMessage.h"
#include "env/EnvTestSupport.h"
#include "items/ItemTestSupport.h"
#include "ui/DeviceConnectDlg.h"
#include "ui/DialogTestSupport.h"
#include "ui/InstallUiEnv.h"
#include "ui/MyMessageBox.h"
#include "ui/UiResources.h"

namespace
{
const char kConfig[] = R"([DLG_COMMON]
DLG_RECT = 0,0,400,300
DLG_POS_TYPE = FREE

[DEVICE_BASE]
CONNECT_WARNNING_MSG = Connect it from the base

[DEVICE_CONNECT.OWN]
FIXED_NEXT = BUTTON.NEXT
CONNECT_WARNNING_MSG = Connect it

[DEVICE_CONNECT.BASED]
BASE_ON = DEVICE_BASE
FIXED_NEXT = BUTTON.NEXT

[BUTTON.NEXT]
POSITION = 300,260
SIZE = 90,26
NAME = Next
CMD_TYPE = CT_OPEN_DLG
CMD_PARAM1 = NEXT.DLG
CMD_PARAM2 = WITHOUT.DLG
)";
}  // namespace

class DeviceConnectDlgTest : public CDialogTest
{
};

TEST_F(DeviceConnectDlgTest, ArrivalRegistration_WhereTheSystemHasIt_WithoutItPollingAndNextRemain)
{
    Configure(kConfig);
    auto* dialog = dynamic_cast<CDeviceConnnectDlg*>(Show("DEVICE_CONNECT.OWN"));
    ASSERT_NE(nullptr, dialog);
    EXPECT_TRUE(dialog->HasArrivalNotification()) << "this system registers USB interface arrivals";
    EXPECT_EQ("Connect it", dialog->WarningText());
    EXPECT_TRUE(::IsWindowVisible(Control(CSkinDlg::kNextId))) << "FIXED_NEXT places the template's Next";

    CDeviceConnnectDlg::SystemEntries missing;
    missing.registerNotification = "KvNoSuchRegistration";
    CDeviceConnnectDlg without(m_context, missing);
    (void)without.SetConfig("DEVICE_CONNECT.BASED");
    ASSERT_TRUE(without.Create(m_frame));
    EXPECT_FALSE(without.HasArrivalNotification()) << "a system without the registration";
    EXPECT_EQ("Connect it from the base", without.WarningText());
    EXPECT_TRUE(::IsWindow(::GetDlgItem(without.Window(), CSkinDlg::kNextId)));
}

TEST_F(DeviceConnectDlgTest, ArrivalWithoutAPrinterFound_NothingMovesOn)
{
    Configure(kConfig);
    CSkinDlg* dialog = Show("DEVICE_CONNECT.OWN");
    ASSERT_NE(nullptr, dialog);
    (void)::SendMessageA(dialog->Window(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    (void)::SendMessageA(dialog->Window(), UM_PNP_DONE, 12345, 0);
    (void)::SendMessageA(dialog->Window(), UM_POLL_FOUND, 12345, 0);
    Pump();
    EXPECT_TRUE(m_posted.empty()) << "no printer, and reports of threads it never started are not heard";
    EXPECT_FALSE(dynamic_cast<CDeviceConnnectDlg*>(dialog)->IsWaitingForPnp());
}

// The dialog over a real installer environment whose device helper answers from KV_TEST_DEVICE_ID,
// its question shown in the program's own box, and Plug and Play held busy until the test lets go.
class DeviceConnectRunTest : public ItemProductTest
{
public:
    HWND DialogWindow() const { return m_dialog->Window(); }
    // Plug and Play settles.
    static void Release() { (void)::InterlockedExchange(&s_busy, 0); }

protected:
    bool Logged(const std::string& text) const { return Contains(ReadLogTexts(m_log), text); }

    void SetUp() override
    {
        ItemProductTest::SetUp();
        ASSERT_TRUE(Write("data\\kvinst.kvi", kConfig));
        ASSERT_TRUE(Start("[OPTION]\r\nUSB_ONLY = 0\r\n"));
        m_uiEnv = std::make_unique<CInstallUiEnv>(*m_env, m_log);
        m_context.ui = m_uiEnv.get();
        m_context.env = m_env.get();
        m_frame = ::CreateWindowExA(0, "STATIC", "Device test frame", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                    640, 480, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_frame);
        m_previous = SetUserMessageHandler([this](HWND owner, const std::string& text, const std::string& caption,
                                                  UINT type) {
            return CMyMessageBox(*m_uiEnv).ShowAsSystemBox(owner, text, caption, type);
        });
        CDeviceConnnectDlg::SystemEntries entries;
        entries.pendingWait = [](DWORD timeout) {
            for (DWORD waited = 0; waited < timeout && s_busy != 0; waited += 10)
            {
                ::Sleep(10);
            }
            return s_busy != 0 ? static_cast<DWORD>(WAIT_TIMEOUT) : static_cast<DWORD>(WAIT_OBJECT_0);
        };
        s_busy = 1;
        m_dialog = std::make_unique<CDeviceConnnectDlg>(m_context, entries);
        m_dialog->SetCommandPoster([this](const ObjectCommand& command) { m_posted.push_back(command.param[0]); });
        (void)m_dialog->SetConfig("DEVICE_CONNECT.OWN");
        ASSERT_TRUE(m_dialog->Create(m_frame));
        m_dialog->OnEnter(std::string());
        (void)::ShowWindow(m_dialog->Window(), SW_SHOW);
    }

    void TearDown() override
    {
        s_busy = 0;
        m_dialog.reset();
        (void)SetUserMessageHandler(m_previous);
        (void)::DestroyWindow(m_frame);
        ItemProductTest::TearDown();
    }

    void Arrive()
    {
        ::SetEnvironmentVariableA("KV_TEST_DEVICE_ID", "MFG:Kestrow;MDL:KP-3100;");
        (void)::SendMessageA(m_dialog->Window(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    }

    // Pumps until done() holds or ten seconds have passed.
    template <class Condition>
    bool PumpUntil(Condition done)
    {
        const DWORD start = ::GetTickCount();
        while (!done() && ::GetTickCount() - start < 10000)
        {
            MSG message = {};
            while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            {
                (void)::TranslateMessage(&message);
                (void)::DispatchMessageA(&message);
            }
            (void)::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        return done();
    }

    static volatile LONG s_busy;
    std::unique_ptr<CInstallUiEnv> m_uiEnv;
    DialogContext m_context;
    HWND m_frame = nullptr;
    UserMessageHandler m_previous;
    std::unique_ptr<CDeviceConnnectDlg> m_dialog;
    std::vector<std::string> m_posted;
};
volatile LONG DeviceConnectRunTest::s_busy = 0;

namespace
{
// What the timer sees inside the question's own message loop.
struct Asked
{
    DeviceConnectRunTest* test = nullptr;
    HWND box = nullptr;
    bool buttonsOff = false;
    bool closeRefused = false;
};
Asked g_asked;

BOOL CALLBACK FindQuestion(HWND window, LPARAM)
{
    char name[16] = {};
    (void)::GetClassNameA(window, name, sizeof(name));
    if (std::string(name) == "#32770" && ::IsWindowVisible(window) && ::GetDlgItem(window, IDC_BOX_SECOND) != nullptr)
    {
        g_asked.box = window;
        return FALSE;
    }
    return TRUE;
}

// Inside the question's loop: the printer arrives, the buttons go off and the box cannot be closed;
// then Plug and Play settles.
void CALLBACK WhileAsking(HWND, UINT, UINT_PTR id, DWORD)
{
    (void)::EnumThreadWindows(::GetCurrentThreadId(), FindQuestion, 0);
    if (g_asked.box == nullptr)
    {
        return;
    }
    (void)::KillTimer(nullptr, id);
    ::SetEnvironmentVariableA("KV_TEST_DEVICE_ID", "MFG:Kestrow;MDL:KP-3100;");
    (void)::SendMessageA(g_asked.test->DialogWindow(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    g_asked.buttonsOff = !::IsWindowEnabled(::GetDlgItem(g_asked.box, IDOK)) &&
                         !::IsWindowEnabled(::GetDlgItem(g_asked.box, IDC_BOX_SECOND));
    (void)::SendMessageA(g_asked.box, WM_CLOSE, 0, 0);
    g_asked.closeRefused = ::IsWindow(g_asked.box) != FALSE;
    DeviceConnectRunTest::Release();
}
}  // namespace

TEST_F(DeviceConnectRunTest, ArrivalWhileAsking_ButtonsOffUntilPlugAndPlaySettles_ThenTheUsualNext)
{
    g_asked = Asked();
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, WhileAsking);
    ASSERT_NE(0u, timer);
    g_asked.test = this;
    (void)::SendMessageA(::GetDlgItem(m_dialog->Window(), CSkinDlg::kNextId), BM_CLICK, 0, 0);
    EXPECT_TRUE(g_asked.buttonsOff) << "the arrival answers the question: nobody may answer it meanwhile";
    EXPECT_TRUE(g_asked.closeRefused);
    EXPECT_FALSE(::IsWindow(g_asked.box)) << "the end of the settle wait closed it";
    EXPECT_EQ(std::vector<std::string>{"NEXT.DLG"}, m_posted) << "the usual next dialog, once";
    EXPECT_TRUE(Logged("Waiting PNP Process End !!"));
}

TEST_F(DeviceConnectRunTest, Leaving_StopsTheSettleWaitAndThePolling_NothingMovesOn)
{
    ASSERT_TRUE(PumpUntil([this] { return Logged("Check Device Connection polling Thread started!!!"); }));
    EXPECT_TRUE(m_dialog->IsPolling());
    m_dialog->OnLeave();
    EXPECT_FALSE(m_dialog->IsPolling());
    EXPECT_TRUE(Logged("Terminate Thread (Polling Thread) End"));

    m_dialog->OnEnter(std::string());
    Arrive();
    ASSERT_TRUE(m_dialog->IsWaitingForPnp()) << "Plug and Play is still busy";
    EXPECT_FALSE(m_dialog->IsPolling()) << "the arrival ends the polling";
    m_dialog->OnLeave();                                      // Back
    EXPECT_FALSE(m_dialog->IsWaitingForPnp());
    EXPECT_TRUE(Logged("Terminate Thread (Pnp Wait Thread)"));
    EXPECT_TRUE(Logged("Terminate Thread (Pnp Wait Thread) End"));
    // The thread has ended: anything it posted is in the queue now.
    MSG message = {};
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    {
        (void)::DispatchMessageA(&message);
    }
    EXPECT_TRUE(m_posted.empty()) << "a stopped wait reports nothing";
}
