// The item selection dialog over the real item list of a product, in the test's own process: the
// rows the items give, clicks and the space key on rows, check all, the description of the clicked
// row, and Next committing the selection (the warning and the confirmation stay, the choice of a
// printer driver picks the next dialog, Back drops an earlier selection's records).

#include <windows.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/UserMessage.h"
#include "items/Item.h"
#include "items/ItemTestSupport.h"
#include "support/LogLines.h"
#include "support/TestHelpers.h"
#include "support/UserMessageRecorder.h"
#include "ui/CustomDlg.h"
#include "ui/DestDirPanel.h"
#include "ui/DialogKinds.h"
#include "ui/InstallUiEnv.h"
#include "ui/UiResources.h"

namespace
{
const char kDialogs[] = R"([DLG_COMMON]
DLG_RECT = 0,0,500,360

[CUSTOM.ITEMS]
ITEM_LIST = LIST.ITEMS
FIXED_NEXT = BUTTON.NEXT
FIXED_CHECKBOX_ALL = CHECK.ALL
FIXED_CHANGE_PARAM = CHECK.PARAM
STR_WARNING = Choose at least one
NORMAL_DESC = STATIC.DESC
NUM_OF_OBJ = 1
OBJ_0 = DEST_DIR.PANEL

[CUSTOM.CONFIRM]
BASE_ON = CUSTOM.ITEMS
STR_CONFIRM = Install these?

[NORMAL.SUMMARY]
NUM_OF_OBJ = 1
OBJ_0 = RESULTLIST.CHOSEN

[RESULTLIST.CHOSEN]
POSITION = 10,10
SIZE = 200,100

[LIST.ITEMS]
POSITION = 10,10
SIZE = 300,150

[BUTTON.NEXT]
POSITION = 400,320
NAME = Next
CMD_TYPE = CT_OPEN_DLG
CMD_PARAM1 = NET.PORT
CMD_PARAM2 = NORMAL.READY

[CHECK.ALL]
POSITION = 10,170
NAME = All
BACK_COLOR = 1,2,3

[CHECK.PARAM]
POSITION = 10,190
NAME = Other parameters

[DEST_DIR.PANEL]
POSITION = 10,270
SIZE = 400,40
DESC_RECT = 30,0,390,14
DESC_NAME = Install into
PATH_RECT = 30,16,300,36
BROWSE_RECT = 310,16,390,36
BROWSE_NAME = Browse...

[STATIC.DESC]
POSITION = 10,220
SIZE = 300,40
NAME = Click an item
)";

std::string Item(const std::string& section, const std::string& name, const std::string& extra)
{
    return "[" + section + "]\r\nDISPLAY_NAME = " + name + "\r\nINST_CMD = $SRC_DIR$\\inst.exe\r\n" + extra;
}

class CustomDlgTest : public ItemProductTest
{
protected:
    void SetUp() override
    {
        ItemProductTest::SetUp();
        ASSERT_TRUE(Write("inst.exe", "MZ"));
        ASSERT_TRUE(Write("data\\kvinst.kvi", kDialogs));
        ASSERT_TRUE(Start("[ITEM_INFO]\r\nUTIL\r\nDRV\r\nBASE\r\nMANUAL\r\n" +
                          Item("UTIL", "Utility", "DEFAULT_INST_TYPE = CHK\r\nDESCRIPTION = Installs %s.\r\n"
                                                  "TOOLTIP = The utility\r\n") +
                          Item("DRV", "Driver", "DEFAULT_INST_TYPE = GRAYCHK\r\nDRIVER_NAME = KvNoSuchDriver\r\n") +
                          Item("BASE", "Base", "DEFAULT_INST_TYPE = ALL\r\n") +
                          Item("MANUAL", "Manual", "DEFAULT_INST_TYPE = UNCHK\r\nDESCRIPTION = The manual\r\n")));
        m_items = std::make_unique<CItem>(m_log, *m_env);
        ASSERT_TRUE(m_items->ReadItems());
        m_uiEnv = std::make_unique<CInstallUiEnv>(*m_env, m_log);
        m_context.ui = m_uiEnv.get();
        m_context.env = m_env.get();
        m_context.items = m_items.get();
        m_frame = ::CreateWindowExA(0, "STATIC", "Selection test frame", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                                    0, 640, 480, nullptr, nullptr, nullptr, nullptr);
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

    CCustomDlg& Show(const std::string& section)
    {
        m_dialog = MakeDialogOfKind(m_context, section);
        EXPECT_TRUE(m_dialog != nullptr);
        m_dialog->SetCommandPoster([this](const ObjectCommand& command) { m_posted.push_back(command.param[0]); });
        (void)m_dialog->SetConfig(section);
        EXPECT_TRUE(m_dialog->Create(m_frame));
        Enter();
        return static_cast<CCustomDlg&>(*m_dialog);
    }

    void Enter()
    {
        m_dialog->OnEnter(std::string());
        (void)m_dialog->PrepareShow();
        (void)::ShowWindow(m_dialog->Window(), SW_SHOW);
        Pump();
    }

    void Pump()
    {
        MSG message = {};
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        {
            if (!::IsDialogMessageA(m_dialog->Window(), &message))
            {
                (void)::TranslateMessage(&message);
                (void)::DispatchMessageA(&message);
            }
        }
    }

    CMyListCtrl& List() { return static_cast<CCustomDlg&>(*m_dialog).List(); }
    HWND Control(int id) { return ::GetDlgItem(m_dialog->Window(), id); }
    void Click(int id)
    {
        (void)::SendMessageA(Control(id), BM_CLICK, 0, 0);
        Pump();
    }
    // A click on the row: the pointer on it, its button pressed and let go there.
    void ClickRow(int row)
    {
        RECT rect = {};
        rect.left = LVIR_LABEL;
        (void)::SendMessageA(List().Window(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
        POINT at = {rect.left + 4, (rect.top + rect.bottom) / 2};
        POINT screen = at;
        (void)::ClientToScreen(List().Window(), &screen);
        // The list finds the row from the pointer's place with the click: the pointer must be there.
        const DWORD start = ::GetTickCount();
        POINT now = {};
        while ((!::GetCursorPos(&now) || now.x != screen.x || now.y != screen.y) && ::GetTickCount() - start < 5000)
        {
            (void)::SetCursorPos(screen.x, screen.y);
            Pump();
            (void)::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        (void)::PostMessageA(List().Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        (void)::PostMessageA(List().Window(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        Pump();
    }
    std::vector<int> States()
    {
        std::vector<int> states;
        for (int row = 0; row < List().RowCount(); ++row)
        {
            states.push_back(List().GetRow(row).state);
        }
        return states;
    }
    std::string Description()
    {
        char text[256] = {};
        (void)::GetDlgItemTextA(m_dialog->Window(), CControlFactory::kDescriptionId, text, sizeof(text));
        return text;
    }

    std::unique_ptr<CItem> m_items;
    std::unique_ptr<CInstallUiEnv> m_uiEnv;
    DialogContext m_context;
    HWND m_frame = nullptr;
    std::unique_ptr<CSkinDlg> m_dialog;
    std::vector<std::string> m_posted;
};
}  // namespace

TEST_F(CustomDlgTest, Rows_ClicksSpaceAndCheckAll)
{
    Show("CUSTOM.ITEMS");
    ASSERT_EQ(3, List().RowCount()) << "the ALL item is never listed";
    EXPECT_EQ("Utility", List().GetRow(0).text);
    EXPECT_EQ((std::vector<int>{1, 2, 0}), States()) << "CHK, GRAYCHK, UNCHK";
    EXPECT_EQ(3, ::SendMessageA(List().Window(), LVM_GETITEMCOUNT, 0, 0));
    const LRESULT image = ::SendMessageA(List().Window(), LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK);
    EXPECT_EQ(INDEXTOSTATEIMAGEMASK(3), image) << "the locked row shows the locked image";

    ClickRow(0);
    EXPECT_EQ((std::vector<int>{0, 2, 0}), States()) << "a click unchecks";
    EXPECT_EQ("Installs Utility.", Description()) << "and shows the row's description";
    ClickRow(1);
    EXPECT_EQ((std::vector<int>{0, 2, 0}), States()) << "a locked row does not change";
    ClickRow(2);
    EXPECT_EQ((std::vector<int>{0, 2, 1}), States());
    EXPECT_EQ("The manual", Description());

    (void)::SendMessageA(List().Window(), WM_SETFOCUS, 0, 0);
    LVITEMA focus = {};
    focus.stateMask = LVIS_FOCUSED;
    focus.state = LVIS_FOCUSED;
    (void)::SendMessageA(List().Window(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&focus));
    NMLVKEYDOWN space = {};
    space.hdr = {List().Window(), static_cast<UINT_PTR>(IDC_ITEM_LIST), static_cast<UINT>(LVN_KEYDOWN)};
    space.wVKey = VK_SPACE;
    (void)::SendMessageA(m_dialog->Window(), WM_NOTIFY, IDC_ITEM_LIST, reinterpret_cast<LPARAM>(&space));
    EXPECT_EQ((std::vector<int>{1, 2, 1}), States()) << "Space toggles the focused row";

    Click(IDC_CHECK_ALL);
    Click(IDC_CHECK_ALL);
    EXPECT_EQ((std::vector<int>{0, 2, 0}), States()) << "check all cleared: every row but the locked one";
    Click(IDC_CHECK_ALL);
    EXPECT_EQ((std::vector<int>{1, 2, 1}), States());
}

TEST_F(CustomDlgTest, Next_CommitsTheRows_WarnsConfirmsAndPicksTheNextDialog)
{
    Show("CUSTOM.ITEMS");
    ClickRow(0);                                               // the utility off: only the locked driver
    {
        CUserMessageRecorder boxes(IDOK);
        Click(IDC_NEXT);
        EXPECT_TRUE(boxes.texts.empty());
    }
    ASSERT_EQ(std::vector<std::string>{"NET.PORT"}, m_posted) << "a printer driver chosen: the main target";
    EXPECT_TRUE(m_items->GetItemAt(1)->selected);
    EXPECT_TRUE(m_items->GetItemAt(2)->selected) << "the ALL item goes with the install";
    EXPECT_FALSE(m_items->GetItemAt(0)->selected);
    EXPECT_EQ("DW:1", ReadKeyValues(ItemKey("DRV"))["InstallNow"]);

    // Back to the dialog: the earlier records go; the next choice has no driver.
    m_dialog->OnLeave();
    Enter();
    EXPECT_TRUE(ReadKeyValues(ItemKey("DRV")).empty()) << "entering drops the earlier selection's records";
    EXPECT_FALSE(m_items->GetItemAt(1)->selected);
    m_posted.clear();
    Show("CUSTOM.CONFIRM");
    List().SetRowState(1, CMyListCtrl::kUnchecked);            // as a product whose driver may be left out
    List().SetRowState(0, CMyListCtrl::kUnchecked);
    {
        CUserMessageRecorder boxes(IDOK);
        Click(IDC_NEXT);
        EXPECT_EQ(std::vector<std::string>{"Choose at least one"}, boxes.texts) << "STR_WARNING from the base";
    }
    EXPECT_TRUE(m_posted.empty()) << "nothing chosen: the dialog stays";
    ClickRow(0);
    {
        CUserMessageRecorder boxes(IDNO);
        Click(IDC_NEXT);
        EXPECT_EQ(std::vector<std::string>{"Install these?"}, boxes.texts);
    }
    EXPECT_TRUE(m_posted.empty()) << "No to the confirmation: the dialog stays";
    {
        CUserMessageRecorder boxes(IDYES);
        Click(IDC_NEXT);
    }
    EXPECT_EQ(std::vector<std::string>{"NORMAL.READY"}, m_posted) << "no printer driver: the alternative target";
    EXPECT_TRUE(static_cast<CCustomDlg&>(*m_dialog).IsCommitted());
}

TEST_F(CustomDlgTest, DestinationPanel_BrowseChangesIt_GoingBackPutsTheDefaultBack)
{
    const std::string initial = m_env->GetDestDir();
    Show("CUSTOM.ITEMS");
    ASSERT_EQ(1u, m_dialog->DestinationPanels().size());
    CDestDirPanel& panel = *m_dialog->DestinationPanels()[0];
    EXPECT_TRUE(::IsWindowVisible(panel.Window()));
    EXPECT_EQ(initial, panel.ShownPath());
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(panel.Window(), IDC_DEST_ICON))) << "no ICON_RECT: no icon";
    char text[64] = {};
    (void)::GetDlgItemTextA(panel.Window(), IDC_DEST_BROWSE, text, sizeof(text));
    EXPECT_STREQ("Browse...", text);

    const std::string chosen = m_root.Path() + "\\Chosen place";
    std::string asked;
    panel.SetFolderBrowser([&](const std::string& section, const std::string& start) {
        asked = section + "|" + start;
        return chosen;
    });
    (void)::SendMessageA(::GetDlgItem(panel.Window(), IDC_DEST_BROWSE), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ("BROWSE_DIRECTORY|" + initial, asked) << "the default browser section, from the destination";
    EXPECT_EQ(chosen, m_env->GetDestDir());
    EXPECT_EQ(chosen, panel.ShownPath());
    EXPECT_TRUE(Contains(ReadLogTexts(m_log), "Change Destination directory ==> " + chosen));
    EXPECT_EQ("SZ:" + chosen, ReadKeyValues(Installing())["Dest_Dir"]) << "recorded for the install";

    m_dialog->OnLeave();                                       // Back, nothing committed
    EXPECT_EQ(initial, m_env->GetDestDir()) << "going back puts the default back";
    EXPECT_EQ(initial, panel.ShownPath());

    (void)::SendMessageA(::GetDlgItem(panel.Window(), IDC_DEST_BROWSE), BM_CLICK, 0, 0);
    Pump();
    {
        CUserMessageRecorder boxes(IDOK);
        Click(IDC_NEXT);
    }
    m_dialog->OnLeave();                                       // Next: the choice stays
    EXPECT_EQ(chosen, m_env->GetDestDir());
}

TEST(FolderCheckTest, TrimsChecksDriveSpaceAndMakesTheFolderOnRequest)
{
    std::vector<std::string> said;
    std::set<std::string> existing = {"C:\\", "C:\\Here"};
    bool answer = true;
    bool enough = true;
    FolderCheck check;
    check.driveType = [](const char* root) { return root[0] == 'C' ? UINT(DRIVE_FIXED) : UINT(DRIVE_REMOTE); };
    check.enoughSpace = [&](const std::string&) { return enough; };
    check.exists = [&](const std::string& path) { return existing.count(path) != 0; };
    check.create = [&](const std::string& path) {
        existing.insert(path);
        return true;
    };
    check.ask = [&](const std::string& text) {
        said.push_back("ask " + text);
        return answer;
    };
    check.warn = [&](const std::string& text) { said.push_back("warn " + text); };
    check.notFoundText = "%s does not exist. Make it?";
    check.cannotCreateText = "%s cannot be made";

    EXPECT_EQ("C:\\Here", CheckChosenFolder(" \t\"C:\\Here\" ", check)) << "blanks, tabs and quotes trimmed";
    EXPECT_EQ("C:\\", CheckChosenFolder("C:", check)) << "a drive alone: its root";
    EXPECT_EQ("", CheckChosenFolder("N:\\Share", check)) << "not a fixed local drive";
    EXPECT_EQ("", CheckChosenFolder("\\\\server\\share", check));
    EXPECT_TRUE(said.empty()) << "refused without a question";
    enough = false;
    EXPECT_EQ("", CheckChosenFolder("C:\\Here", check)) << "too little free space";
    enough = true;

    answer = false;
    EXPECT_EQ("", CheckChosenFolder("C:\\New", check));
    EXPECT_EQ(std::vector<std::string>{"ask C:\\New does not exist. Make it?"}, said) << "No: not made";
    answer = true;
    said.clear();
    EXPECT_EQ("C:\\New", CheckChosenFolder("C:\\New", check));
    EXPECT_EQ(1u, existing.count("C:\\New")) << "made on Yes";
    said.clear();
    const std::string tooLong = "C:\\" + std::string(148, 'x');
    ASSERT_EQ(151u, tooLong.size());
    EXPECT_EQ("", CheckChosenFolder(tooLong, check));
    ASSERT_EQ(2u, said.size());
    EXPECT_EQ("warn " + tooLong + " cannot be made", said[1]) << "151 characters are not made";
    EXPECT_EQ("C:\\" + std::string(147, 'x'), CheckChosenFolder("C:\\" + std::string(147, 'x'), check)) << "150 are";
}

TEST_F(CustomDlgTest, ResultList_ShowsTheItemsChosen_EachTimeItsDialogIsEntered)
{
    Show("CUSTOM.ITEMS");
    ClickRow(0);                                               // the utility off
    {
        CUserMessageRecorder boxes(IDOK);
        Click(IDC_NEXT);
    }
    ASSERT_TRUE(m_items->GetItemAt(1)->selected);
    std::unique_ptr<CSkinDlg> summary = MakeDialogOfKind(m_context, "NORMAL.SUMMARY");
    ASSERT_TRUE(summary);
    (void)summary->SetConfig("NORMAL.SUMMARY");
    ASSERT_TRUE(summary->Create(m_frame));
    summary->OnEnter(std::string());
    HWND list = ::FindWindowExA(summary->Window(), nullptr, WC_LISTVIEWA, nullptr);
    ASSERT_NE(nullptr, list);
    const auto rows = [list] {
        std::vector<std::string> texts;
        const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row)
        {
            char text[128] = {};
            LVITEMA item = {};
            item.iSubItem = 0;
            item.pszText = text;
            item.cchTextMax = sizeof(text);
            (void)::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
            texts.push_back(text);
        }
        return texts;
    };
    EXPECT_EQ((std::vector<std::string>{"Driver", "Base"}), rows()) << "the chosen items in item order";
    m_items->GetItemAt(3)->selected = true;
    summary->OnEnter(std::string());
    EXPECT_EQ((std::vector<std::string>{"Driver", "Base", "Manual"}), rows()) << "filled again on entering";
}
