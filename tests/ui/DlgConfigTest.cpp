// Dialog descriptions read in the test's own process from a configuration file of the test's own:
// the BASE_ON chains of dialogs and objects, object types, the 64-bit parameters, program commands
// whose file is missing, and object counts and keys that are out of range.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "log/Log.h"
#include "profile/ConfigProfile.h"
#include "support/LogLines.h"
#include "support/TempDir.h"
#include "support/TestHelpers.h"
#include "ui/DlgConfig.h"
#include "ui/Gdi.h"
#include "ui/UiTestEnv.h"

namespace
{
const char kConfig[] = R"([DLG_COMMON]
CAPTION = Common caption
DLG_RECT = 0,0,400,300
DLG_POS_TYPE = free

[BASE.DIALOG]
CAPTION = Base caption
NUM_OF_OBJ = 4
OBJ_0 = LINK.ONE
OBJ_1 = STATIC.BASE
OBJ_2 = BUTTON.NEXT
OBJ_3 = LINE.RULE

[NORMAL.CHILD]
BASE_ON = BASE.DIALOG
CAPTION = Own caption
OBJ_1 = STATIC.OWN
DLG_POS_TYPE = full_screen
BLOCK_CANCEL = 1

[NORMAL.PLAIN]
NUM_OF_OBJ = 0

[NORMAL.SELF]
BASE_ON = NORMAL.SELF
DLG_RECT = 10,10,110,60

[LINK.ONE]
NAME = One
CMD_TYPE = CT_OPEN_DLG
CMD_PARAM1 = plain
CMD_PARAM1.64 = wide
CMD_PARAM2.64 = wide two
CMD_PARAM2 = plain two
SCRIPT = The description

[STATIC.BASE]
NAME = Base text

[STATIC.OWN]
NAME = Own text
COLOR = 1,2,3

[BUTTON.COMMON]
SIZE = 80,24
FONT = FONT.GONE
TOOLTIP = Common tip

[BUTTON.NEXT]
BASE_ON = BUTTON.COMMON
NAME = Next

[LINE.RULE]
POSITION = 5,6
SIZE = 100,2
COLOR = 10,20,30

[LINK.LOOP_A]
BASE_ON = LINK.LOOP_B
NAME = A

[LINK.LOOP_B]
BASE_ON = LINK.LOOP_A
NAME = B

[LINK.SELF]
BASE_ON = LINK.SELF
NAME = Self

[LINK.PROGRAM_THERE]
NAME = There
CMD_TYPE = ct_exe_file_wait
CMD_PARAM1 = there.exe

[LINK.PROGRAM_GONE]
NAME = Gone
CMD_TYPE = CT_EXE_FILE_WAIT
CMD_PARAM1 = gone.exe

[LINK.EMPTY]
)";

class DlgConfigTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WriteTestFile(m_dir.File("kvinst.kvi"), kConfig + m_extra));
        ASSERT_TRUE(WriteTestFile(m_dir.File("there.exe"), "MZ"));
        ASSERT_TRUE(m_log.OpenLogFile());
        ASSERT_TRUE(m_config.Open(m_dir.File("kvinst.kvi").c_str(), nullptr, nullptr, false));
    }
    // Reads section with a dialog description of its own.
    CDlgConfig Read(const std::string& section, bool windows64 = false)
    {
        m_env.reset(new CTestUiEnv(m_log, m_config, m_dir.Path(), windows64));
        CDlgConfig config(*m_env);
        (void)config.SetConfig(nullptr, section, true);
        return config;
    }
    void AddConfig(const std::string& text)
    {
        ASSERT_TRUE(WriteTestFile(m_dir.File("kvinst.kvi"), kConfig + text));
        ASSERT_TRUE(m_config.ReloadMain(m_dir.File("kvinst.kvi").c_str()));
    }

    CTempDir m_dir;
    CTempDirOverride m_temp{m_dir.Path()};
    CLog m_log;
    CLogLines m_lines{m_log};
    CConfigProfile m_config;
    std::string m_extra;
    std::unique_ptr<CTestUiEnv> m_env;
};
}  // namespace

TEST(DlgConfigTypeTest, ObjectTypeOf_SubstringsInFixedOrder)
{
    const struct
    {
        const char* name;
        ObjectType type;
    } rows[] = {
        {"LINK.README", ObjectType::Link},          {"MYLINK.X", ObjectType::Link},
        {"link.x", ObjectType::None},               {"BUTTON.LINK.X", ObjectType::Link},
        {"STATIC.T", ObjectType::Static},           {"BITMAP.B", ObjectType::Bitmap},
        {"BUTTON.B", ObjectType::Button},           {"LANG.L", ObjectType::Lang},
        {"EDIT.E", ObjectType::Edit},               {"DEST_DIR.D", ObjectType::DestDir},
        {"AVI.A", ObjectType::Avi},                 {"RESULTLIST.R", ObjectType::ResultList},
        {"LINE.L", ObjectType::Line},               {"RECTANGLE.R", ObjectType::Rectangle},
        {"EDGE.E", ObjectType::Edge},               {"GROUP_BOX.G", ObjectType::GroupBox},
        {"GRADIENTRECT.G", ObjectType::GradientRect}, {"WIDGET.W", ObjectType::None},
        {"", ObjectType::None},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(row.type, ObjectTypeOf(row.name)) << row.name;
    }
}

// Windows 95 and NT 4 lack the gradient fill, and Windows 95 has pointer tracking in comctl32 only.
TEST(GdiTest, OlderSystems_SolidFillAndCommonControlsTracking)
{
    CMemoryDc dc(::CreateCompatibleDC(nullptr));
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 16;
    info.bmiHeader.biHeight = -16;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    CBitmapHandle bitmap(::CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(bitmap.IsValid());
    {
        CSelectGuard select(dc.Get(), bitmap.Get());
        const RECT rect = {0, 0, 16, 16};
        Gdi::FillVertical(dc.Get(), rect, RGB(255, 0, 0), RGB(0, 0, 255));
        EXPECT_GT(GetRValue(::GetPixel(dc.Get(), 8, 0)), 200) << "the gradient starts with the top colour";
        Gdi::FillVertical(dc.Get(), rect, RGB(255, 0, 0), RGB(0, 0, 255), "KvNoSuchExport");
        EXPECT_EQ(RGB(0, 0, 255), ::GetPixel(dc.Get(), 8, 0)) << "without gradient fill: the bottom colour";
    }

    CWindowHandle window(::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(window.IsValid());
    EXPECT_TRUE(Gdi::TrackHoverAndLeave(window.Get(), 1));
    EXPECT_TRUE(Gdi::TrackHoverAndLeave(window.Get(), 1, "KvNoSuchExport")) << "comctl32's tracking, as on Windows 95";
    EXPECT_FALSE(Gdi::TrackHoverAndLeave(window.Get(), 1, "KvNoSuchExport", "KvNoSuchExport"))
        << "no tracking at all: the caller watches the pointer with a timer";
}

TEST_F(DlgConfigTest, BaseOn_PerKeyFromDialogThenBaseThenCommon)
{
    const CDlgConfig child = Read("NORMAL.CHILD");
    EXPECT_EQ("Own caption", child.GetCaption()) << "the dialog's own key wins";
    EXPECT_EQ(CDlgConfig::kFullScreen, child.GetPositionType()) << "FULL_SCREEN in any case";
    EXPECT_FALSE(child.HasOwnRect()) << "DLG_RECT came from DLG_COMMON";
    EXPECT_EQ(400, child.GetRect().right);
    EXPECT_TRUE(child.IsCancelBlocked());
    ASSERT_EQ(1u, child.Objects(ObjectType::Static).size());
    EXPECT_EQ("Own text", child.Objects(ObjectType::Static)[0].text) << "OBJ_1 of the dialog replaces the base's";
    EXPECT_TRUE(child.Objects(ObjectType::Static)[0].hasColours);
    ASSERT_EQ(1u, child.Objects(ObjectType::Link).size()) << "OBJ_0 from the base";
    ASSERT_EQ(1u, child.Shapes().size());
    EXPECT_EQ(RGB(10, 20, 30), child.Shapes()[0].colour);
    ASSERT_EQ(1u, child.Objects(ObjectType::Button).size());
    const ObjectRecord& next = child.Objects(ObjectType::Button)[0];
    EXPECT_EQ("Next", next.text);
    EXPECT_EQ(80, next.size.cx) << "the object's BASE_ON gives what it does not set";
    EXPECT_EQ("Common tip", next.tooltip);
    EXPECT_FALSE(next.hasFont) << "a font section that does not exist";
    EXPECT_TRUE(Contains(m_lines.All(), "Font section [FONT.GONE] does not exist"));

    const CDlgConfig plain = Read("NORMAL.PLAIN");
    EXPECT_EQ("Common caption", plain.GetCaption());
    EXPECT_EQ(CDlgConfig::kFree, plain.GetPositionType());
    EXPECT_EQ(0u, plain.Objects(ObjectType::Link).size() + plain.Shapes().size()) << "NUM_OF_OBJ 0";

    const CDlgConfig self = Read("NORMAL.SELF");
    EXPECT_TRUE(self.HasOwnRect());
    EXPECT_TRUE(Contains(m_lines.All(), "Dialog section [NORMAL.SELF] is based on itself"));
    const CDlgConfig missing = Read("NORMAL.NOWHERE");
    EXPECT_EQ("Common caption", missing.GetCaption()) << "a missing section: DLG_COMMON's keys";
}

TEST_F(DlgConfigTest, ReadObject_ParametersLoopsAndProgramFiles)
{
    for (bool windows64 : {false, true})
    {
        const CDlgConfig config = Read("NORMAL.PLAIN", windows64);
        ObjectRecord link;
        ASSERT_TRUE(config.ReadObject(link, "LINK.ONE"));
        EXPECT_EQ(windows64 ? "wide" : "plain", link.command.param[0]) << ".64 after the plain key wins on 64-bit";
        EXPECT_EQ("plain two", link.command.param[1]) << "the plain key after .64 wins everywhere";
        EXPECT_EQ("The description", link.script);
    }
    const CDlgConfig config = Read("NORMAL.PLAIN");
    const struct
    {
        const char* section;
        bool read;
        const char* text;
    } rows[] = {
        {"LINK.LOOP_A", true, "A"},                           // the loop is cut, the object stays
        {"LINK.SELF", true, "Self"},
        {"LINK.PROGRAM_THERE", true, "There"},
        {"LINK.PROGRAM_GONE", false, nullptr},               // its program is not on the medium
        {"LINK.EMPTY", false, nullptr},                      // no lines
        {"LINK.NOWHERE", false, nullptr},
        {"", false, nullptr},
    };
    for (const auto& row : rows)
    {
        ObjectRecord record;
        EXPECT_EQ(row.read, config.ReadObject(record, row.section)) << row.section;
        if (row.text != nullptr)
        {
            EXPECT_EQ(row.text, record.text) << row.section;
        }
    }
    const std::vector<std::string> log = m_lines.All();
    EXPECT_TRUE(Contains(log, "(" + m_dir.File("gone.exe") + ") file does not exist."));
    EXPECT_FALSE(From(log, "Object section [LINK.SELF]: BASE_ON [LINK.SELF] goes round").empty());
    EXPECT_FALSE(From(log, "Object section [LINK.").empty()) << "the two-section loop too";
}

TEST_F(DlgConfigTest, BadCountsTypesSectionsAndFonts_LoggedAndLeftOut)
{
    std::string many = "[NORMAL.MANY]\r\nNUM_OF_OBJ = 1001\r\n";
    for (int i = 0; i < 1001; i += 100)
    {
        many += "OBJ_" + std::to_string(i) + " = STATIC.BASE\r\n";
    }
    AddConfig("[NORMAL.NEGATIVE]\r\nNUM_OF_OBJ = -1\r\nOBJ_0 = STATIC.BASE\r\n"
              "[NORMAL.THOUSAND]\r\nNUM_OF_OBJ = 1000\r\nOBJ_999 = STATIC.BASE\r\nOBJ_1 = WIDGET.X\r\n"
              "OBJ_2 = LINK.NOWHERE\r\nOBJ_3 = LINK.EMPTY\r\nOBJ_4 = STATIC.FONTS\r\nOBJ_5 = STATIC.REAL_FONT\r\n"
              "[STATIC.FONTS]\r\nNAME = x\r\nFONT = FONT.NOWHERE\r\n[FONT.NOWHERE]\r\nLF_FACENAME = KvNoSuchFace\r\n"
              "[STATIC.REAL_FONT]\r\nNAME = y\r\nFONT = FONT.REAL\r\n[FONT.REAL]\r\nLF_FACENAME = Tahoma\r\n" +
              many);
    EXPECT_EQ(0u, Read("NORMAL.NEGATIVE").Objects(ObjectType::Static).size());
    EXPECT_EQ(3u, Read("NORMAL.THOUSAND").Objects(ObjectType::Static).size()) << "unknown types skipped";
    EXPECT_TRUE(Read("NORMAL.ABSENT").Objects(ObjectType::Static).empty());
    EXPECT_EQ(10u, Read("NORMAL.MANY").Objects(ObjectType::Static).size()) << "OBJ_1000 is beyond the cut";
    const std::vector<std::string> log = m_lines.All();
    EXPECT_TRUE(Contains(log, "NUM_OF_OBJ -1 of [NORMAL.NEGATIVE] is out of range (0 to 1000)"));
    EXPECT_TRUE(Contains(log, "NUM_OF_OBJ 1001 of [NORMAL.MANY] is out of range (0 to 1000)"));
    EXPECT_FALSE(Contains(log, "NUM_OF_OBJ 1000 of [NORMAL.THOUSAND] is out of range (0 to 1000)"));
    EXPECT_TRUE(Contains(log, "Object [WIDGET.X] of [NORMAL.THOUSAND] has no known type; not shown"));
    EXPECT_TRUE(Contains(log, "Object section [LINK.NOWHERE] of [NORMAL.THOUSAND] does not exist or is empty; not shown"));
    EXPECT_TRUE(Contains(log, "Object section [LINK.EMPTY] of [NORMAL.THOUSAND] does not exist or is empty; not shown"));
    EXPECT_TRUE(Contains(log, "Font section [FONT.NOWHERE]: \"KvNoSuchFace\" is not installed; the system's nearest font "
                         "is used"));
    EXPECT_FALSE(Contains(log, "Font section [FONT.REAL]: \"Tahoma\" is not installed; the system's nearest font is used"));
    EXPECT_TRUE(Contains(log, "Dialog section [NORMAL.ABSENT] does not exist; the dialog takes the common keys"));
}
