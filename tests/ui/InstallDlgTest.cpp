// The install dialogs over the real item list of a product, in the test's own process, told of a run
// as the install worker tells them (UM_INSTALL_STATUS, UM_SYSUPDATE_DONE): the basic dialog's slots
// and icons, the full dialog's rows, state text and bar, the end of the run with the list of failed
// items when SHOW_INST_ERROR is on, and Next after it.

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "base/Messages.h"
#include "items/Item.h"
#include "items/ItemTestSupport.h"
#include "support/TestHelpers.h"
#include "support/UserMessageRecorder.h"
#include "ui/DialogKinds.h"
#include "ui/InstallDlg.h"
#include "ui/InstallImages.h"
#include "ui/InstallUiEnv.h"
#include "ui/UiResources.h"

namespace
{
const char kDialogs[] = R"([INSTALL.BASIC]
DLG_RECT = 0,0,500,360
NUM_OF_CONTENT = 5
CONTENT_RECT_0 = 50,10,400,40
CONTENT_RECT_1 = 50,50,400,80
CONTENT_RECT_2 = 50,90,400,120
CONTENT_RECT_3 = 50,130,400,160
CONTENT_RECT_4 = 50,170,400,200
STR_INSTALLING = Installing %s
STR_COMPLETED = %s done
STR_FAIL = %s failed
STR_SYSTEMUPDATE = Updating the system
FIXED_NEXT = BUTTON.NEXT

[INSTALL1.FULL]
DLG_RECT = 0,0,500,360
FIXED_STATIC_STATE = STATIC.STATE
FIXED_LIST_RESULT = LIST.RESULT
PROGRESS_BAR = PROGRESS.BAR
STR_INSTALLING = Installing %s
STR_COMPLETED = %s done
STR_FAIL = %s failed
STR_SYSTEMUPDATE = Updating the system
STR_INST_ERROR = These failed:
FIXED_NEXT = BUTTON.NEXT

[STATIC.STATE]
POSITION = 10,10
SIZE = 400,20

[LIST.RESULT]
POSITION = 10,40
SIZE = 400,150

[PROGRESS.BAR]
POSITION = 10,200
SIZE = 400,16

[BUTTON.NEXT]
CMD_TYPE = CT_OPEN_DLG
CMD_PARAM1 = FINISH.END
)";

std::string Item(const std::string& section)
{
    return "[" + section + "]\r\nDISPLAY_NAME = Item " + section + "\r\nINST_CMD = $SRC_DIR$\\inst.exe\r\n"
                                                                  "DEFAULT_INST_TYPE = CHK\r\n";
}

class InstallDlgTest : public ItemProductTest
{
protected:
    // count items A, B, C...; the first `selected` of them selected; SHOW_INST_ERROR as given.
    void StartProduct(int count, int selected, bool showErrors)
    {
        ASSERT_TRUE(Write("inst.exe", "MZ"));
        ASSERT_TRUE(Write("data\\kvinst.kvi", kDialogs));
        std::string list = "[ITEM_INFO]\r\n";
        std::string sections;
        for (int index = 0; index < count; ++index)
        {
            const std::string name(1, static_cast<char>('A' + index));
            list += name + "\r\n";
            sections += Item(name);
        }
        ASSERT_TRUE(Start(std::string("[OPTION]\r\nSHOW_INST_ERROR = ") + (showErrors ? "1" : "0") + "\r\n" + list +
                          sections));
        m_items = std::make_unique<CItem>(m_log, *m_env);
        ASSERT_TRUE(m_items->ReadItems());
        for (int index = 0; index < m_items->GetCount(); ++index)
        {
            m_items->GetItemAt(index)->selected = index < selected;
        }
        m_uiEnv = std::make_unique<CInstallUiEnv>(*m_env, m_log);
        m_context.ui = m_uiEnv.get();
        m_context.env = m_env.get();
        m_context.items = m_items.get();
        m_frame = ::CreateWindowExA(0, "STATIC", "Install test frame", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                    640, 480, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_frame);
    }

    void TearDown() override
    {
        m_dialog.reset();
        if (m_frame != nullptr)
        {
            (void)::DestroyWindow(m_frame);
        }
        ItemProductTest::TearDown();
    }

    template <class Dialog>
    Dialog& Show(const std::string& section)
    {
        m_dialog = MakeDialogOfKind(m_context, section);
        EXPECT_TRUE(m_dialog != nullptr);
        m_dialog->SetCommandPoster([this](const ObjectCommand& command) { m_posted.push_back(command.param[0]); });
        (void)m_dialog->SetConfig(section);
        EXPECT_TRUE(m_dialog->Create(m_frame));
        m_dialog->OnEnter(std::string());
        (void)::ShowWindow(m_dialog->Window(), SW_SHOW);
        Pump();
        return dynamic_cast<Dialog&>(*m_dialog);
    }

    void Status(WPARAM status, LPARAM index)
    {
        (void)::SendMessageA(m_dialog->Window(), UM_INSTALL_STATUS, status, index);
        Pump();
    }

    void Pump()
    {
        MSG message = {};
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        {
            (void)::TranslateMessage(&message);
            (void)::DispatchMessageA(&message);
        }
    }

    // Pumps until done() holds or ten seconds have passed.
    template <class Condition>
    bool PumpUntil(Condition done)
    {
        const DWORD start = ::GetTickCount();
        while (!done() && ::GetTickCount() - start < 10000)
        {
            (void)::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            Pump();
        }
        return done();
    }

    std::string Text(HWND control) const
    {
        char text[512] = {};
        (void)::GetWindowTextA(control, text, sizeof(text));
        return text;
    }

    // A result row: "text|image".
    std::string Row(int row) const
    {
        char text[512] = {};
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = row;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        if (!::SendDlgItemMessageA(m_dialog->Window(), IDC_RESULT_LIST, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        {
            return "(none)";
        }
        return std::string(text) + "|" + std::to_string(item.iImage);
    }
    int RowCount() const
    {
        return static_cast<int>(::SendDlgItemMessageA(m_dialog->Window(), IDC_RESULT_LIST, LVM_GETITEMCOUNT, 0, 0));
    }

    std::unique_ptr<CItem> m_items;
    std::unique_ptr<CInstallUiEnv> m_uiEnv;
    DialogContext m_context;
    HWND m_frame = nullptr;
    std::unique_ptr<CSkinDlg> m_dialog;
    std::vector<std::string> m_posted;
};
}  // namespace

TEST_F(InstallDlgTest, Basic_ItemsInSlots_TheUpdateInTheNextSlot_ResultsWithTheirIcons)
{
    StartProduct(4, 3, false);
    CInstallDlg& dialog = Show<CInstallDlg>("INSTALL.BASIC");
    ASSERT_TRUE(dialog.IsCancelBlocked());
    const std::vector<CInstallDlg::Slot>& slots = dialog.Slots();
    ASSERT_EQ(5u, slots.size());
    const char* shown[] = {"Installing Item A", "Installing Item B", "Installing Item C", "Updating the system", ""};
    for (size_t slot = 0; slot < slots.size(); ++slot)
    {
        EXPECT_EQ(shown[slot], Text(slots[slot].text)) << "slot " << slot;
        EXPECT_EQ(InstallImages::kPending, dialog.SlotImage(static_cast<int>(slot)));
    }
    EXPECT_EQ(2, slots[2].item);
    EXPECT_EQ(-1, slots[3].item) << "the update's slot stands for no item";

    Status(2, 0);
    EXPECT_TRUE(PumpUntil([&dialog] { return dialog.SlotImage(0) < InstallImages::kBusyFrames; }))
        << "the slot being worked on turns";
    Status(1, 0);
    Status(0, 1);
    EXPECT_EQ("Item A done", Text(slots[0].text));
    EXPECT_EQ(InstallImages::kSuccess, dialog.SlotImage(0));
    EXPECT_EQ("Item B failed", Text(slots[1].text));
    EXPECT_EQ(InstallImages::kFailure, dialog.SlotImage(1));
    EXPECT_EQ(2, slots[1].state);
    EXPECT_EQ(2, dialog.CurrentSlot());
    Status(1, 2);
    EXPECT_TRUE(PumpUntil([&dialog] { return dialog.SlotImage(3) < InstallImages::kBusyFrames; }))
        << "then the update's slot turns";

    (void)::SendMessageA(dialog.Window(), UM_SYSUPDATE_DONE, 0, 0);
    Pump();
    EXPECT_EQ(std::vector<std::string>{"FINISH.END"}, m_posted) << "the wizard goes on after the update";
}

TEST_F(InstallDlgTest, Basic_AsManyOrMoreItemsThanSlots_TheLastSlotShowsTheUpdate_ExtraResultsAreSafe)
{
    StartProduct(7, 7, false);
    CInstallDlg& dialog = Show<CInstallDlg>("INSTALL.BASIC");
    const std::vector<CInstallDlg::Slot>& slots = dialog.Slots();
    ASSERT_EQ(5u, slots.size());
    EXPECT_EQ("Installing Item D", Text(slots[3].text));
    EXPECT_EQ("Updating the system", Text(slots[4].text)) << "the update replaces the last slot's text";
    EXPECT_EQ(4, slots[4].item) << "the slot still stands for its item";
    Status(2, 0);
    for (int index = 0; index < 7; ++index)
    {
        Status(index == 5 ? 0 : 1, index);
    }
    EXPECT_EQ("Item A done", Text(slots[0].text));
    EXPECT_EQ("Item E done", Text(slots[4].text));
    EXPECT_EQ(7, dialog.CurrentSlot()) << "results past the slots are counted, not shown";
}

TEST_F(InstallDlgTest, Full_RowsStateTextAndBar_TheEndListsTheFailuresThenGoesOn)
{
    StartProduct(3, 3, true);
    CUserMessageRecorder boxes(IDOK);
    CInstall1Dlg& dialog = Show<CInstall1Dlg>("INSTALL1.FULL");
    HWND state = ::GetDlgItem(dialog.Window(), IDC_INSTALL_STATE);
    EXPECT_EQ(0, RowCount());
    EXPECT_EQ(4, dialog.Progress().PeriodsLeft()) << "three items and the update";
    EXPECT_EQ(0, dialog.BarPosition());

    Status(2, 0);
    EXPECT_EQ("Installing Item A", Text(state));
    EXPECT_EQ("Installing Item A|7", Row(0)) << "a new row, pending";
    EXPECT_EQ(0, dialog.AnimatedRow());
    EXPECT_TRUE(PumpUntil([this] { return Row(0) != "Installing Item A|7"; })) << "the row turns";
    Status(1, 0);
    EXPECT_EQ("Item A done|5", Row(0));
    EXPECT_EQ(-1, dialog.AnimatedRow());
    EXPECT_EQ(3, dialog.Progress().PeriodsLeft());
    Status(2, 1);
    m_items->RecordFailure(1);                                // as the run records it
    Status(0, 1);
    EXPECT_EQ("Item B failed|6", Row(1));
    Status(2, 2);
    Status(1, 2);
    EXPECT_TRUE(PumpUntil([&dialog] { return dialog.BarPosition() > 0; })) << "the bar moves by itself";

    Status(6, 0);
    EXPECT_EQ("Updating the system", Text(state));
    EXPECT_EQ("Updating the system|7", Row(3));
    EXPECT_EQ(3, dialog.AnimatedRow());
    (void)::SendMessageA(dialog.Window(), UM_SYSUPDATE_DONE, 0, 0);
    EXPECT_EQ(CSmoothProgress::kEnd, dialog.BarPosition()) << "the bar at its end";
    EXPECT_EQ("Updating the system|5", Row(3));
    EXPECT_TRUE(m_posted.empty()) << "the end shows a moment before the wizard goes on";
    ASSERT_TRUE(PumpUntil([this] { return !m_posted.empty(); }));
    EXPECT_EQ(std::vector<std::string>{"FINISH.END"}, m_posted);
    ASSERT_EQ(1u, boxes.texts.size()) << "SHOW_INST_ERROR is on and an item failed";
    EXPECT_EQ("These failed:\r\n\r\nItem B\r\n", boxes.texts[0]);
    EXPECT_EQ("ItemTest|These failed:\r\n\r\nItem B\r\n", boxes.shown[0]) << "captioned with the program name";
}

TEST_F(InstallDlgTest, Full_FailureWithoutShowInstError_NoBox_NoItems_StillEnds)
{
    StartProduct(2, 0, false);
    CUserMessageRecorder boxes(IDOK);
    CInstall1Dlg& dialog = Show<CInstall1Dlg>("INSTALL1.FULL");
    EXPECT_EQ(1, dialog.Progress().PeriodsLeft()) << "no item selected: the update alone";
    m_items->RecordFailure(0);
    Status(6, 0);
    (void)::SendMessageA(dialog.Window(), UM_SYSUPDATE_DONE, 0, 0);
    ASSERT_TRUE(PumpUntil([this] { return !m_posted.empty(); }));
    EXPECT_TRUE(boxes.texts.empty()) << "SHOW_INST_ERROR is off";
    EXPECT_EQ(1, RowCount()) << "only the update's row";
}
