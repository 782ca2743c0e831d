// The program's own message box in the test's process: a second box shown from within the first
// one's message loop, each answered and closed on its own.

#include <gtest/gtest.h>

#include <string>

#include "log/Log.h"
#include "profile/ConfigProfile.h"
#include "support/TempDir.h"
#include "support/TestHelpers.h"
#include "ui/MyMessageBox.h"
#include "ui/UiResources.h"
#include "ui/UiTestEnv.h"

namespace
{
const char kStrings[] = R"([MESSAGES]
BUTTON.OK = OK
BUTTON.CANCEL = Cancel
BUTTON.YES = Yes
BUTTON.NO = No
BUTTON.RESUME = Resume
BUTTON.EXIT = Exit
)";

// How the driver answers a box.
enum class Answer
{
    First,                                                    // click the first button
    Second,                                                   // click the second button
    CloseBox,                                                 // the close box (WM_CLOSE)
};

struct Box
{
    std::string title;
    UINT type;
    Answer answer;
};

// Plays the user with a thread timer, whose ticks the boxes' own message loops dispatch: once the outer
// box is up, it shows the inner box from inside the tick; once the inner box is up, it answers it;
// after the inner box has returned, it answers the outer one. A tick that finds the outer box still
// open after its answer (a timer message comes only once the answer was handled) ends it with 99, so
// that a box that ignores its answer fails the test instead of hanging it.
class CNestedDriver
{
public:
    CNestedDriver(CMyMessageBox& box, const Box& outer, const Box& inner) : m_box(box), m_outer(outer), m_inner(inner)
    {
    }

    int RunOuter()
    {
        s_driver = this;
        m_timer = ::SetTimer(nullptr, 0, 10, Tick);
        const int answer = m_box.Show(nullptr, "The outer box's text", m_outer.title, m_outer.type);
        (void)::KillTimer(nullptr, m_timer);
        s_driver = nullptr;
        return answer;
    }

    HWND outerWindow = nullptr;
    HWND innerWindow = nullptr;
    int innerAnswer = -1;
    std::string outerTextAfterInner;
    bool outerForced = false;

private:
    enum Step
    {
        kWaitOuter,
        kWaitInner,
        kInnerAnswered,
        kOuterAnswered,
        kDone,
    };

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (s_driver != nullptr)
        {
            s_driver->OnTick();
        }
    }

    void OnTick()
    {
        switch (m_step)
        {
        case kWaitOuter:
            outerWindow = ::FindWindowA(nullptr, m_outer.title.c_str());
            if (outerWindow != nullptr)
            {
                m_step = kWaitInner;
                innerAnswer = m_box.Show(outerWindow, "The inner box's text", m_inner.title, m_inner.type);
                char text[256] = {};
                (void)::GetDlgItemTextA(outerWindow, IDC_BOX_TEXT, text, sizeof(text));
                outerTextAfterInner = text;
                m_step = kOuterAnswered;
                Press(outerWindow, m_outer.answer);
            }
            break;
        case kWaitInner:
            innerWindow = ::FindWindowA(nullptr, m_inner.title.c_str());
            if (innerWindow != nullptr)
            {
                m_step = kInnerAnswered;
                Press(innerWindow, m_inner.answer);
            }
            break;
        case kOuterAnswered:
            m_step = kDone;
            outerForced = true;
            (void)::EndDialog(outerWindow, 99);
            break;
        default:
            break;
        }
    }

    static void Press(HWND window, Answer answer)
    {
        if (answer == Answer::CloseBox)
        {
            (void)::PostMessageA(window, WM_CLOSE, 0, 0);
            return;
        }
        const int id = answer == Answer::First ? IDOK : IDC_BOX_SECOND;
        (void)::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                             reinterpret_cast<LPARAM>(::GetDlgItem(window, id)));
    }

    static CNestedDriver* s_driver;
    CMyMessageBox& m_box;
    Box m_outer;
    Box m_inner;
    UINT_PTR m_timer = 0;
    Step m_step = kWaitOuter;
};
CNestedDriver* CNestedDriver::s_driver = nullptr;

class MyMessageBoxTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WriteTestFile(m_dir.File("strings.kvi"), kStrings));
        ASSERT_TRUE(m_log.OpenLogFile());
        ASSERT_TRUE(m_config.Open(m_dir.File("strings.kvi").c_str(), nullptr, nullptr, false));
    }

    CTempDir m_dir;
    CTempDirOverride m_temp{m_dir.Path()};
    CLog m_log;
    CConfigProfile m_config;
    CTestUiEnv m_env{m_log, m_config, m_dir.Path(), false};
    CMyMessageBox m_box{m_env};
};
}  // namespace

TEST_F(MyMessageBoxTest, BoxOverABox_EachClosesWithItsOwnAnswer)
{
    CNestedDriver driver(m_box, {"Outer box", 0x21, Answer::First}, {"Inner box", 0x24, Answer::Second});
    const int outerAnswer = driver.RunOuter();

    ASSERT_NE(nullptr, driver.outerWindow) << "the outer box was shown";
    ASSERT_NE(nullptr, driver.innerWindow) << "the inner box was shown over it";
    EXPECT_NE(driver.outerWindow, driver.innerWindow);
    EXPECT_EQ(2, driver.innerAnswer) << "the inner box's No";
    EXPECT_EQ("The outer box's text", driver.outerTextAfterInner) << "the outer box keeps its text";
    EXPECT_FALSE(driver.outerForced) << "the outer box ended on its own answer";
    EXPECT_EQ(1, outerAnswer) << "the outer box's OK";
    EXPECT_FALSE(::IsWindow(driver.innerWindow)) << "the inner box is gone";
    EXPECT_FALSE(::IsWindow(driver.outerWindow)) << "the outer box is gone";
}

// The close rule is each box's own: an inner Resume/Exit box refuses its close box and is answered
// with Exit; the outer OK/Cancel box then still takes its close box as Cancel.
TEST_F(MyMessageBoxTest, BoxOverABox_CloseRuleOfEachBoxStaysItsOwn)
{
    CNestedDriver driver(m_box, {"Outer question", 0x21, Answer::CloseBox}, {"Inner warning", 0x36, Answer::Second});
    const int outerAnswer = driver.RunOuter();

    EXPECT_EQ(2, driver.innerAnswer) << "the inner box's Exit";
    EXPECT_FALSE(driver.outerForced) << "the outer box took its close box";
    EXPECT_EQ(2, outerAnswer) << "the close box of an OK/Cancel box answers Cancel";
    EXPECT_FALSE(::IsWindow(driver.innerWindow));
    EXPECT_FALSE(::IsWindow(driver.outerWindow));
}
