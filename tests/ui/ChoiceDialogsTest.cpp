// The licence and choice dialogs in the test's own process: the licence text as rich or plain text,
// Next only while the licence is accepted, the radios' own colours; each option of the choice
// dialog leading Next to its own target.

#include <richedit.h>

#include "ui/ChoiceDialogs.h"
#include "ui/DialogTestSupport.h"
#include "ui/UiResources.h"

namespace
{
const char kConfig[] = R"([DLG_COMMON]
DLG_RECT = 0,0,500,360

[LICENSE.RICH]
FIXED_RICHEDIT_LICENSE = TEXT.RICH
FIXED_NEXT = BUTTON.NEXT
FIXED_RADIO_0 = RADIO.ACCEPT
FIXED_RADIO_1 = RADIO.DECLINE

[LICENSE.PLAIN]
BASE_ON = LICENSE.RICH
FIXED_RICHEDIT_LICENSE = TEXT.PLAIN
FIXED_RADIO_INIT = 0

[LICENSE.NONAME]
BASE_ON = LICENSE.RICH
FIXED_RICHEDIT_LICENSE = TEXT.NONAME

[LICENSE.MISSING]
BASE_ON = LICENSE.RICH
FIXED_RICHEDIT_LICENSE = TEXT.MISSING

[LICENSE.ONE_RADIO]
BASE_ON = LICENSE.RICH
FIXED_RADIO_1 =

[TEXT.RICH]
POSITION = 10,10
SIZE = 480,200
TEXT_FILE = licence.rtf

[TEXT.PLAIN]
BASE_ON = TEXT.RICH
TEXT_FILE = licence.txt

[TEXT.NONAME]
POSITION = 10,10

[TEXT.MISSING]
TEXT_FILE = nowhere.txt

[BUTTON.NEXT]
POSITION = 400,320
NAME = Next
CMD_TYPE = CT_OPEN_DLG
CMD_PARAM1 = FIRST.
CMD_PARAM2 = SECOND.
CMD_PARAM3 = THIRD.
CMD_PARAM4 = FOURTH.
CMD_PARAM5 = FIFTH.

[RADIO.ACCEPT]
POSITION = 10,220
NAME = I accept
BACK_COLOR = 10,20,30

[RADIO.DECLINE]
POSITION = 10,240
NAME = I do not accept
BACK_COLOR = 40,50,60

[SELECT_TYPE.CHOICE]
FIXED_NEXT = BUTTON.NEXT
FIXED_RADIO_0 = RADIO.ACCEPT
FIXED_RADIO_1 = RADIO.DECLINE
FIXED_RADIO_2 = RADIO.ACCEPT
FIXED_RADIO_3 = RADIO.ACCEPT
FIXED_RADIO_4 = RADIO.ACCEPT
FIXED_RADIO_INIT = 2
)";

class ChoiceDialogsTest : public CDialogTest
{
protected:
    void SetUp() override
    {
        (void)::LoadLibraryA("riched20.dll");                  // as the installer does at its start
        Configure(kConfig);
        ASSERT_TRUE(WriteTestFile(File("licence.rtf"), "{\\rtf1\\ansi Hello \\b bold\\b0  world}\r\n"));
        ASSERT_TRUE(WriteTestFile(File("licence.txt"), "Plain {terms}\nline two"));
    }

    std::string LicenceText()
    {
        char text[256] = {};
        (void)::GetWindowTextA(Control(IDC_LICENSE_TEXT), text, sizeof(text));
        return text;
    }
};
}  // namespace

TEST_F(ChoiceDialogsTest, Licence_RichOrPlainText_LoggedAsTheFileIs)
{
    ASSERT_NE(nullptr, Show("LICENSE.RICH"));
    EXPECT_EQ("Hello bold world", LicenceText().substr(0, 16)) << "rich text shown as text, its codes gone";
    EXPECT_TRUE(Contains(m_lines.New(), "License File Format is RTF !!"));
    ASSERT_NE(nullptr, Show("LICENSE.PLAIN"));
    EXPECT_EQ("Plain {terms}\r\nline two", LicenceText().substr(0, 23)) << "plain text as it stands";
    std::vector<std::string> lines = m_lines.New();
    EXPECT_TRUE(Contains(lines, "License File : [" + File("licence.txt") + "]"));
    EXPECT_TRUE(Contains(lines, "License File Format is not RTF !!"));

    ASSERT_NE(nullptr, Show("LICENSE.NONAME"));
    EXPECT_TRUE(Contains(m_lines.New(), "License File name is empty !!"));
    ASSERT_NE(nullptr, Show("LICENSE.MISSING"));
    EXPECT_TRUE(Contains(m_lines.New(), "Couldn't open the License File : [nowhere.txt]"));
    EXPECT_EQ("", LicenceText());

    EXPECT_TRUE(CLicenseDlg::IsRichText(std::string("{\\RTF1 x}\r\n\0", 12))) << "any case; line end and zero after";
    EXPECT_FALSE(CLicenseDlg::IsRichText("{\\rtf1 cut off"));
    EXPECT_FALSE(CLicenseDlg::IsRichText("terms {in braces}"));
    EXPECT_FALSE(CLicenseDlg::IsRichText(""));
}

TEST_F(ChoiceDialogsTest, Licence_NextOnlyWhileAccepted_RadiosInTheirOwnColours)
{
    ASSERT_NE(nullptr, Show("LICENSE.RICH"));
    EXPECT_TRUE(Checked(IDC_LICENSE_DECLINE)) << "not accepted at first";
    EXPECT_FALSE(Enabled(IDC_NEXT));
    Click(IDC_LICENSE_ACCEPT);
    EXPECT_TRUE(Enabled(IDC_NEXT));
    Click(IDC_LICENSE_DECLINE);
    EXPECT_FALSE(Enabled(IDC_NEXT));
    Click(IDC_LICENSE_ACCEPT);
    Click(IDC_NEXT);
    Click(IDC_NEXT);
    ASSERT_EQ(1u, m_posted.size()) << "Next posts once per showing";
    EXPECT_EQ("CT_OPEN_DLG", m_posted[0].type);
    EXPECT_EQ("FIRST.", m_posted[0].param[0]);
    RECT placed = {};
    (void)::GetWindowRect(Control(IDC_LICENSE_ACCEPT), &placed);
    (void)::MapWindowPoints(nullptr, m_dialog->Window(), reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(10, placed.left) << "the fixed radio at its object's POSITION";
    EXPECT_EQ(220, placed.top);
    char text[64] = {};
    (void)::GetWindowTextA(Control(IDC_LICENSE_ACCEPT), text, sizeof(text));
    EXPECT_STREQ("I accept", text) << "with its NAME";
    EXPECT_EQ(RGB(10, 20, 30), BackColour(IDC_LICENSE_ACCEPT));
    EXPECT_EQ(RGB(40, 50, 60), BackColour(IDC_LICENSE_DECLINE));

    ASSERT_NE(nullptr, Show("LICENSE.PLAIN"));
    EXPECT_TRUE(Checked(IDC_LICENSE_ACCEPT)) << "FIXED_RADIO_INIT = 0";
    EXPECT_TRUE(Enabled(IDC_NEXT));
    ASSERT_NE(nullptr, Show("LICENSE.ONE_RADIO"));
    EXPECT_TRUE(Enabled(IDC_NEXT)) << "without the second radio nobody could enable Next";
    EXPECT_FALSE(::IsWindowVisible(Control(IDC_LICENSE_DECLINE)));
}

TEST_F(ChoiceDialogsTest, SelectType_EachOptionLeadsNextToItsOwnTarget)
{
    auto* dialog = static_cast<CSelectTypeDlg*>(Show("SELECT_TYPE.CHOICE"));
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(2, dialog->Chosen()) << "FIXED_RADIO_INIT";
    const char* targets[] = {"FIRST.", "SECOND.", "THIRD.", "FOURTH.", "FIFTH."};
    for (int choice : {2, 0, 4, 1})
    {
        m_posted.clear();
        Click(IDC_TYPE_RADIO_0 + choice);
        Click(IDC_NEXT);
        ASSERT_EQ(1u, m_posted.size()) << choice;
        EXPECT_EQ(targets[choice], m_posted[0].param[0]) << "option " << choice;
        Enter();                                               // Back to the dialog
    }
    m_posted.clear();
    (void)::ShowWindow(dialog->Window(), SW_HIDE);
    Click(IDC_NEXT);
    EXPECT_TRUE(m_posted.empty()) << "Next does nothing while the dialog is not shown";
}
