// Stopping a worker thread from the thread that owns the windows: the worker's sends to those windows
// are answered while it is being stopped, posted messages go on being handled, and a worker that never
// ends leaves the wait at its bound with one log line.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "base/Scoped.h"
#include "log/Log.h"
#include "support/LogLines.h"
#include "support/TempDir.h"
#include "log/WorkerStop.h"

namespace
{
const UINT kReport = WM_APP + 1;                              // sent by the worker while it runs
const UINT kStopping = WM_APP + 2;                            // sent by the worker once asked to stop
const UINT kPosted = WM_APP + 3;                              // posted

// A window of the test's thread counting what reaches it.
class CCountingWindow
{
public:
    CCountingWindow()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "KvWorkerStopTest";
        (void)::RegisterClassA(&windowClass);
        m_window = ::CreateWindowExA(0, "KvWorkerStopTest", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     windowClass.hInstance, this);
    }
    ~CCountingWindow()
    {
        if (m_window != nullptr)
        {
            (void)::DestroyWindow(m_window);
        }
    }
    CCountingWindow(const CCountingWindow&) = delete;
    CCountingWindow& operator=(const CCountingWindow&) = delete;

    HWND Window() const { return m_window; }

    std::atomic<int> reports{0};
    std::atomic<int> stopping{0};
    std::atomic<int> posted{0};
    CHandle postedSeen{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE)
        {
            ::SetWindowLongPtrA(window, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        }
        auto* self = reinterpret_cast<CCountingWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr)
        {
            switch (message)
            {
            case kReport: ++self->reports; return 1;
            case kStopping: ++self->stopping; return 2;
            case kPosted:
                ++self->posted;
                (void)::SetEvent(self->postedSeen.Get());
                return 0;
            default: break;
            }
        }
        return ::DefWindowProcA(window, message, wParam, lParam);
    }

    HWND m_window = nullptr;
};

DWORD WINAPI RunBody(void* body)
{
    (*static_cast<std::function<void()>*>(body))();
    return 0;
}

class WorkerStopTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_log.OpenLogFile());
        ASSERT_NE(nullptr, m_window.Window()) << "a window needs a display";
        ASSERT_TRUE(m_window.postedSeen.IsValid());
    }
    void Start(std::function<void()> body)
    {
        m_body = std::move(body);
        m_thread.Reset(::CreateThread(nullptr, 0, RunBody, &m_body, 0, nullptr));
        ASSERT_TRUE(m_thread.IsValid());
    }
    bool HasEnded() const { return ::WaitForSingleObject(m_thread.Get(), 0) == WAIT_OBJECT_0; }
    // The clean-up after a failed stop: the worker may still wait for an answer from this thread.
    void PumpUntilEnded()
    {
        HANDLE thread = m_thread.Get();
        while (::MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
        {
            MSG message;
            while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            {
                (void)::DispatchMessageA(&message);
            }
        }
    }

    CTempDir m_dir;
    CTempDirOverride m_temp{m_dir.Path()};
    CLog m_log;
    CLogLines m_lines{m_log};
    CCountingWindow m_window;
    std::function<void()> m_body;
    CHandle m_thread;
};
}  // namespace

// The worker's first send blocks until the stopping thread answers it: a plain wait would never return.
TEST_F(WorkerStopTest, WorkerSendsWhileBeingStopped_EndsWithEveryMessageAnswered)
{
    std::atomic<bool> stop{false};
    std::vector<LRESULT> answers;
    HWND window = m_window.Window();
    HANDLE postedSeen = m_window.postedSeen.Get();
    Start([&stop, &answers, window, postedSeen] {
        do
        {
            answers.push_back(::SendMessageA(window, kReport, 0, 0));
        } while (!stop);
        answers.push_back(::SendMessageA(window, kStopping, 0, 0));
        // It ends only once its posted message was handled on the window's thread.
        (void)::PostMessageA(window, kPosted, 0, 0);
        (void)::WaitForSingleObject(postedSeen, INFINITE);
    });

    const bool ended = WorkerStop::StopAndWait(m_thread.Get(), [&stop] { stop = true; }, 60000, m_log, "reporter");
    if (!ended)
    {
        (void)::SetEvent(postedSeen);                         // let it end before the test goes away
        stop = true;
        PumpUntilEnded();
    }
    EXPECT_TRUE(ended) << "the worker ended while its sends were answered";
    EXPECT_TRUE(HasEnded());
    ASSERT_FALSE(answers.empty());
    EXPECT_EQ(2, answers.back()) << "the send after the stop request had its answer";
    EXPECT_EQ(static_cast<int>(answers.size()) - 1, m_window.reports.load()) << "every report send was answered";
    EXPECT_EQ(1, m_window.stopping.load());
    EXPECT_EQ(1, m_window.posted.load()) << "posted messages are handled while waiting";
    EXPECT_TRUE(m_lines.All().empty()) << "an ended worker writes no line";
}

TEST_F(WorkerStopTest, WorkerNeverEnds_FalseAtTheBoundLoggedAndTheQueueKept)
{
    CHandle release(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(release.IsValid());
    HANDLE releaseEvent = release.Get();
    Start([releaseEvent] { (void)::WaitForSingleObject(releaseEvent, INFINITE); });
    (void)::PostMessageA(m_window.Window(), kPosted, 0, 0);
    ::PostQuitMessage(7);
    int asked = 0;

    const bool ended = WorkerStop::StopAndWait(m_thread.Get(), [&asked] { ++asked; }, 300, m_log, "stubborn", 50);
    const bool stillRunning = !HasEnded();
    MSG quit = {};
    const BOOL quitKept = ::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    (void)::SetEvent(releaseEvent);
    (void)::WaitForSingleObject(m_thread.Get(), INFINITE);

    EXPECT_FALSE(ended) << "the worker still ran at the bound";
    EXPECT_TRUE(stillRunning);
    EXPECT_EQ(1, asked) << "the worker is asked once";
    EXPECT_EQ(1, m_window.posted.load()) << "a message posted before the wait is handled during it";
    EXPECT_TRUE(quitKept) << "WM_QUIT is posted again for the caller's loop";
    EXPECT_EQ(7u, quit.wParam);
    EXPECT_EQ(std::vector<std::string>{"Thread [stubborn] did not end within 300 ms"}, m_lines.All());
}

TEST_F(WorkerStopTest, NoThreadOrAnEndedOne_TrueWithoutALine)
{
    EXPECT_TRUE(WorkerStop::StopAndWait(nullptr, nullptr, 0, m_log, "none")) << "no thread: nothing to wait for";
    Start([] {});
    (void)::WaitForSingleObject(m_thread.Get(), INFINITE);
    bool asked = false;
    EXPECT_TRUE(WorkerStop::StopAndWait(m_thread.Get(), [&asked] { asked = true; }, 0, m_log, "ended"))
        << "an ended thread is found ended even with no time to wait";
    EXPECT_TRUE(asked);
    EXPECT_TRUE(m_lines.All().empty());
}
