#include "ui/DeviceConnectDlg.h"

#include <dbt.h>

#include "base/BoundedWait.h"
#include "base/PathText.h"
#include "base/UserMessage.h"
#include "base/WaitCursor.h"
#include "env/InstallEnv.h"
#include "env/Platform.h"
#include "log/Log.h"
#include "printer/MyPrinter.h"
#include "ui/MyMessageBox.h"
#include "ui/UiResources.h"
#include "ui/Wizard.h"

#undef SetPort                                                  // winspool.h's; the installer's own is meant

// {A5DCBF10-6530-11D2-901F-00C04FB951ED}
const GUID CDeviceConnnectDlg::kUsbInterfaceClass = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

namespace
{
// The registration filter for device-interface arrivals (the system's DEV_BROADCAST_DEVICEINTERFACE,
// which the Windows 95 headers do not have).
struct InterfaceFilter
{
    DWORD size;
    DWORD deviceType;
    DWORD reserved;
    GUID classGuid;
    char name[1];
};
constexpr DWORD kInterfaceDeviceType = 5;                      // DBT_DEVTYP_DEVICEINTERFACE
constexpr DWORD kNotifyWindowHandle = 0;                       // DEVICE_NOTIFY_WINDOW_HANDLE

using RegisterNotificationFn = void*(WINAPI*)(HANDLE recipient, void* filter, DWORD flags);
using UnregisterNotificationFn = BOOL(WINAPI*)(void* notification);

template <typename T>
T User32Entry(const char* name)
{
    HMODULE user32 = ::GetModuleHandleA("user32.dll");
    return user32 != nullptr ? reinterpret_cast<T>(reinterpret_cast<void (*)()>(::GetProcAddress(user32, name)))
                             : nullptr;
}

// The top-level window a child window belongs to.
HWND RootOf(HWND window)
{
    while (window != nullptr && (::GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0)
    {
        window = ::GetParent(window);
    }
    return window;
}

struct BoxSearch
{
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindBox(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<BoxSearch*>(parameter);
    char className[16] = {};
    (void)::GetClassNameA(window, className, sizeof(className));
    if (window != search->owner && ::GetWindow(window, GW_OWNER) == search->owner &&
        ::IsWindowVisible(window) != FALSE && std::string(className) == "#32770")
    {
        search->found = window;                               // the first is the one in front
        return FALSE;
    }
    return TRUE;
}
}  // namespace

// What a worker thread shares with the dialog. Both hold a reference; the last to let go deletes it,
// so a thread the dialog stopped waiting for still reads a live stop flag.
struct CDeviceConnnectDlg::Worker
{
    volatile LONG references = 2;
    volatile LONG stop = 0;
    HANDLE thread = nullptr;
    WPARAM id = 0;                                            // the messages it posts carry it
    HWND dialog = nullptr;
    HWND wizard = nullptr;
    CInstallEnv* env = nullptr;
    CLog* log = nullptr;
    SystemCheck::PendingInstallWait pendingWait;

    static void Release(Worker* worker)
    {
        if (::InterlockedDecrement(&worker->references) == 0)
        {
            if (worker->thread != nullptr)
            {
                (void)::CloseHandle(worker->thread);
            }
            delete worker;
        }
    }
    bool Stopped() const { return stop != 0; }
    // Brings the wizard to the front and tells the dialog, unless the dialog asked the thread to stop.
    void Report(UINT message) const
    {
        if (Stopped())
        {
            return;
        }
        if (wizard != nullptr)
        {
            (void)::SetForegroundWindow(wizard);
        }
        (void)::PostMessageA(dialog, message, id, 0);
    }
};

CDeviceConnnectDlg::CDeviceConnnectDlg(const DialogContext& context) : CDeviceConnnectDlg(context, SystemEntries()) {}

CDeviceConnnectDlg::CDeviceConnnectDlg(const DialogContext& context, const SystemEntries& entries)
    : CSkinDlg(context, IDD_SKIN), m_entries(entries)
{
}

CDeviceConnnectDlg::~CDeviceConnnectDlg()
{
    (void)StopWorker(m_poll, "Polling Thread");
    (void)StopWorker(m_pnp, "Pnp Wait Thread");
    Unregister();
}

bool CDeviceConnnectDlg::Create(HWND parent)
{
    if (!CSkinDlg::Create(parent))
    {
        return false;
    }
    Register();
    return true;
}

void CDeviceConnnectDlg::Register()
{
    const auto registerNotification = User32Entry<RegisterNotificationFn>(m_entries.registerNotification);
    if (registerNotification == nullptr || m_window == nullptr || m_notification != nullptr)
    {
        return;
    }
    InterfaceFilter filter = {};
    filter.size = sizeof(filter);
    filter.deviceType = kInterfaceDeviceType;
    filter.classGuid = kUsbInterfaceClass;
    m_notification = registerNotification(m_window, &filter, kNotifyWindowHandle);
}

void CDeviceConnnectDlg::Unregister()
{
    if (m_notification == nullptr)
    {
        return;
    }
    const auto unregisterNotification = User32Entry<UnregisterNotificationFn>(m_entries.unregisterNotification);
    if (unregisterNotification != nullptr)
    {
        (void)unregisterNotification(m_notification);
    }
    m_notification = nullptr;
}

void CDeviceConnnectDlg::InitFixedControls()
{
    CSkinDlg::InitFixedControls();
    (void)PlaceFixedControl("FIXED_NEXT", ::GetDlgItem(m_window, IDC_NEXT));
    m_warning = Config().OwnText("CONNECT_WARNNING_MSG");
}

void CDeviceConnnectDlg::OnEnter(const std::string& parameter)
{
    CInstallEnv* env = Context().env;
    if (env != nullptr && !env->GetOptions().usbOnly && m_poll == nullptr)
    {
        m_poll = StartWorker(PollThread);
    }
    CSkinDlg::OnEnter(parameter);
    // Shown again after it went on (Back from the next dialog): arrivals count again.
    Register();
    if (env != nullptr && env->GetOsClass() == OSCLASS_9X)
    {
        // Windows 9x keeps a driver index that would hide the newly copied driver from the device's
        // installation.
        (void)::DeleteFileA(PathText::Join(env->GetSystemDir(), "Drvidx.bin", IsSystemLeadByte).c_str());
        (void)::DeleteFileA(PathText::Join(env->GetSystemDir(), "Drvdata.bin", IsSystemLeadByte).c_str());
    }
}

void CDeviceConnnectDlg::OnLeave()
{
    (void)StopWorker(m_poll, "Polling Thread");
    (void)StopWorker(m_pnp, "Pnp Wait Thread");
}

INT_PTR CDeviceConnnectDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_DEVICECHANGE:
        OnDeviceChange(wParam);
        return TRUE;
    case UM_PNP_DONE:
        if (m_pnp != nullptr && m_pnp->id == wParam)
        {
            OnPnpDone();
        }
        return TRUE;
    case UM_POLL_FOUND:
        if (m_poll != nullptr && m_poll->id == wParam)
        {
            OnPollFound();
        }
        return TRUE;
    default:
        return CSkinDlg::HandleMessage(message, wParam, lParam);
    }
}

bool CDeviceConnnectDlg::OnKindCommand(int id, int code, HWND /*control*/)
{
    if (id != IDC_NEXT || code != BN_CLICKED)
    {
        return false;
    }
    if (IsShown())
    {
        OnNext();
    }
    return true;
}

CDeviceConnnectDlg::Worker* CDeviceConnnectDlg::StartWorker(LPTHREAD_START_ROUTINE routine)
{
    static WPARAM lastId = 0;
    auto* worker = new Worker;
    worker->id = ++lastId;
    worker->dialog = m_window;
    worker->wizard = Context().wizard != nullptr ? Context().wizard->Window() : nullptr;
    worker->env = Context().env;
    worker->log = &Env().Log();
    if (routine == PnpWaitThread)
    {
        worker->pendingWait = m_entries.pendingWait ? m_entries.pendingWait
                                                    : SystemCheck::SystemPendingInstallWait(m_entries.waitNoPendingInstall);
    }
    DWORD threadId = 0;
    worker->thread = ::CreateThread(nullptr, 0, routine, worker, 0, &threadId);
    if (worker->thread == nullptr)
    {
        delete worker;
        return nullptr;
    }
    return worker;
}

DWORD WINAPI CDeviceConnnectDlg::PollThread(void* parameter)
{
    auto* worker = static_cast<Worker*>(parameter);
    worker->log->Write("Check Device Connection polling Thread started!!!");
    while (!worker->Stopped())
    {
        if (worker->env->CheckDevicePort(true))
        {
            worker->log->Write("A printer was detected on LPT");
            break;
        }
        // The pause between checks, cut short when the dialog asks the thread to stop.
        for (DWORD slept = 0; slept < kPollMs && !worker->Stopped(); slept += kStopSliceMs)
        {
            ::Sleep(kStopSliceMs);
        }
    }
    worker->Report(UM_POLL_FOUND);
    worker->log->Write("Check Device Connection polling Thread ended!!!");
    Worker::Release(worker);
    return 0;
}

DWORD WINAPI CDeviceConnnectDlg::PnpWaitThread(void* parameter)
{
    auto* worker = static_cast<Worker*>(parameter);
    worker->log->Write("Waiting PNP Process started !!");
    // Without the system's wait (Windows 95, NT 4) there is nothing to wait for.
    DWORD waited = 0;
    while (worker->pendingWait && worker->pendingWait(kPnpCheckMs) == WAIT_TIMEOUT && !worker->Stopped())
    {
        waited += kPnpCheckMs;
        if (waited > kPnpLimitMs)
        {
            worker->log->Write("Waiting time is over then MAX_WAIT_TIME !!");
            break;
        }
    }
    worker->Report(UM_PNP_DONE);
    worker->log->Write("Waiting PNP Process End !!");
    Worker::Release(worker);
    return 0;
}

bool CDeviceConnnectDlg::StopWorker(Worker*& worker, const char* name)
{
    if (worker == nullptr)
    {
        return true;
    }
    CWaitCursor waitCursor;
    CLog& log = Env().Log();
    log.Write("Terminate Thread (%s)", name);
    Worker* stopping = worker;
    worker = nullptr;                                         // what it posts from now on is not heard
    (void)::InterlockedExchange(&stopping->stop, 1);
    // Messages sent to this thread are answered meanwhile; posted ones (the threads' reports, the
    // wizard's next command) wait for the dialog's own loop, so that the wizard never moves on inside
    // a handler of this dialog.
    const bool ended =
        BoundedWait::WaitPumping(stopping->thread, kStopBoundMs, BoundedWait::Pump::kSentOnly, kStopSliceMs);
    if (!ended)
    {
        log.Write("Thread Waiting time is over than MAX Waiting Time");
    }
    log.Write("Terminate Thread (%s) End", name);
    Worker::Release(stopping);
    return ended;
}

bool CDeviceConnnectDlg::Found(bool requireLpt) const
{
    return Context().env != nullptr && Context().env->CheckDevicePort(requireLpt);
}

void CDeviceConnnectDlg::OnDeviceChange(WPARAM event)
{
    if (!IsActive() || event != DBT_DEVICEARRIVAL || !Found(false))
    {
        return;
    }
    const HWND box = OpenBox();
    if (box != nullptr)
    {
        // The question is answered by the arrival: nobody may close it before the settle wait ends.
        (void)::SendMessageA(box, UM_ENABLE_BUTTONS, 0, 0);
        m_boxClosedByArrival = true;
    }
    if (m_pnp == nullptr)                                     // a second arrival shares the first's wait
    {
        m_pnp = StartWorker(PnpWaitThread);
        if (m_pnp == nullptr)
        {
            return;
        }
    }
    (void)StopWorker(m_poll, "Polling Thread");
}

void CDeviceConnnectDlg::OnPnpDone()
{
    Worker* done = m_pnp;
    m_pnp = nullptr;
    Worker::Release(done);                                    // the thread is ending by itself
    EndOpenBox();
    (void)::EnableWindow(m_window, TRUE);
    if (!Found(false))
    {
        return;
    }
    (void)StopWorker(m_poll, "Polling Thread");
    if (IsShown())
    {
        GoOn(true);
    }
}

void CDeviceConnnectDlg::OnPollFound()
{
    Worker* done = m_poll;
    m_poll = nullptr;
    Worker::Release(done);
    (void)StopWorker(m_pnp, "Pnp Wait Thread");
    EndOpenBox();
    GoOn(true);
}

void CDeviceConnnectDlg::OnNext()
{
    CWaitCursor waitCursor;
    const HWND next = ::GetDlgItem(m_window, IDC_NEXT);
    (void)::EnableWindow(next, FALSE);
    for (;;)
    {
        if (Found(false))
        {
            Finish(true);
            return;
        }
        m_boxClosedByArrival = false;
        m_asking = true;
        const int answer = ShowUserMessage(m_window, m_warning, Env().ProgramName(), MB_YESNO | MB_ICONINFORMATION);
        m_asking = false;
        if (answer != IDYES || m_boxClosedByArrival)
        {
            Finish(false);
            return;
        }
    }
}

void CDeviceConnnectDlg::Finish(bool main)
{
    (void)StopWorker(m_poll, "Polling Thread");
    (void)StopWorker(m_pnp, "Pnp Wait Thread");
    Unregister();
    (void)::EnableWindow(::GetDlgItem(m_window, IDC_NEXT), TRUE);
    GoOn(main);
}

void CDeviceConnnectDlg::GoOn(bool main)
{
    CInstallEnv* env = Context().env;
    std::string port;
    if (main && IsActive() && env != nullptr && env->FindDevicePort(&port) && !port.empty())
    {
        env->SetPort(port);
        if (Context().printers != nullptr)
        {
            (void)Context().printers->SetPortOfAllPrinters(port, true);
        }
    }
    PostNext(main);
}

HWND CDeviceConnnectDlg::OpenBox() const
{
    if (!m_asking)
    {
        return nullptr;
    }
    BoxSearch search = {RootOf(m_window), nullptr};
    (void)::EnumThreadWindows(::GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void CDeviceConnnectDlg::EndOpenBox()
{
    const HWND box = OpenBox();
    if (box != nullptr)
    {
        (void)::EndDialog(box, 2);
    }
}
