#pragma once
// The device connection dialog (DEVICE_CONNECT.): asks the person to connect and switch on the
// printer and goes on by itself once it is there. A USB arrival comes as the system's device-change
// notification; the dialog then waits, in a thread, until Plug and Play has settled. A printer on a
// parallel port is found by a polling thread. Next checks at once and, with nothing found, asks
// CONNECT_WARNNING_MSG: Yes checks again, No goes on to FIXED_NEXT's alternative target. An arrival
// while that question is open disables its buttons, and the end of the settle wait closes it.
// Whenever the dialog goes on with the printer found, the printers of this run are set to the port
// the device reported.

#include <windows.h>

#include <string>

#include "env/SpoolerCheck.h"
#include "ui/SkinDlg.h"

constexpr UINT UM_PNP_DONE = WM_USER + 1020;                   // the settle wait has ended
constexpr UINT UM_POLL_FOUND = WM_USER + 1021;                 // a printer was found on a parallel port

class CDeviceConnnectDlg : public CSkinDlg
{
public:
    static constexpr DWORD kPnpCheckMs = 1000;
    static constexpr DWORD kPnpLimitMs = 60000;
    static constexpr DWORD kPollMs = 2000;
    static constexpr DWORD kStopSliceMs = 100;
    static constexpr DWORD kStopBoundMs = 69900;

    // The system functions the dialog looks up at run time; tests name missing ones to try a system
    // without them.
    struct SystemEntries
    {
        const char* registerNotification = "RegisterDeviceNotificationA";
        const char* unregisterNotification = "UnregisterDeviceNotification";
        const char* waitNoPendingInstall = "CMP_WaitNoPendingInstallEvents";
        // When set, the wait for Plug and Play used instead of the system's.
        SystemCheck::PendingInstallWait pendingWait;
    };

    explicit CDeviceConnnectDlg(const DialogContext& context);
    CDeviceConnnectDlg(const DialogContext& context, const SystemEntries& entries);
    ~CDeviceConnnectDlg() override;

    bool Create(HWND parent) override;
    void InitFixedControls() override;
    void OnEnter(const std::string& parameter) override;
    void OnLeave() override;

    bool HasArrivalNotification() const { return m_notification != nullptr; }
    bool IsPolling() const { return m_poll != nullptr; }
    bool IsWaitingForPnp() const { return m_pnp != nullptr; }
    const std::string& WarningText() const { return m_warning; }

    // The USB device interface class whose arrivals the dialog registers for.
    static const GUID kUsbInterfaceClass;

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnKindCommand(int id, int code, HWND control) override;

private:
    struct Worker;
    static DWORD WINAPI PollThread(void* parameter);
    static DWORD WINAPI PnpWaitThread(void* parameter);
    Worker* StartWorker(LPTHREAD_START_ROUTINE routine);
    bool StopWorker(Worker*& worker, const char* name);
    void Register();
    void Unregister();
    void OnDeviceChange(WPARAM event);
    void OnPnpDone();
    void OnPollFound();
    void OnNext();
    void Finish(bool main);
    // PostNext; going on as found first gives the printers of this run the device's port.
    void GoOn(bool main);
    HWND OpenBox() const;
    void EndOpenBox();
    bool Found(bool requireLpt) const;

    SystemEntries m_entries;
    std::string m_warning;
    void* m_notification = nullptr;
    Worker* m_poll = nullptr;
    Worker* m_pnp = nullptr;
    bool m_asking = false;
    bool m_boxClosedByArrival = false;
};
