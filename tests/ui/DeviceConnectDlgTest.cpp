// The device connection dialog in the test's own process: it registers for USB arrivals where the
// system has the registration, and goes without it where the system lacks it; its question comes from
// the dialog's section or its base; without an installer environment an arrival finds no printer and
// nothing moves on.

#include <windows.h>
#include <dbt.h>

#include "ui/DeviceConnectDlg.h"
#include "ui/DialogTestSupport.h"

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
