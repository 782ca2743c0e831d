// The install dialogs' side of the install run and the follow-up commands, in the test's own process
// on a product with three items and stand-in helper libraries: the worker's status messages to a real
// window on a thread of its own, the item state its results leave, the system update, the preparation
// thread, the remote-install thread, the diagnosis choices and the termination steps.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/InstallerApp.h"
#include "app/RunProduct.h"
#include "command/CmdOperator.h"
#include "command/CommandEnv.h"
#include "command/CommandRecord.h"
#include "items/FollowUpCommands.h"
#include "items/InstallRun.h"
#include "items/InstallWorker.h"
#include "items/UninstallRecords.h"
#include "support/TestThread.h"

using namespace AppTest;

namespace
{
using Lines = std::vector<std::string>;
using Event = std::pair<UINT, std::pair<WPARAM, LPARAM>>;

Event Status(WPARAM status, LPARAM index)
{
    return {UM_INSTALL_STATUS, {status, index}};
}
const Event kUpdateDone = {UM_SYSUPDATE_DONE, {0, 0}};

// A window on a thread of its own that notes the run's messages, hands UM_INSTALL_STATUS to the
// worker, answers UM_CREATE_WIZARD with createReply, and ends at UM_SYSUPDATE_DONE or UM_PREPARE_DONE.
class CDialogWindow
{
public:
    CDialogWindow() : m_ready(::CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        m_thread.Start([this] { Run(); });
        (void)::WaitForSingleObject(m_ready.Get(), 10000);
    }
    HWND Get() const { return m_window; }
    // The messages noted until the window ended (bounded by a minute).
    std::vector<Event> Finish()
    {
        m_thread.Join();
        return m_events;
    }

    CInstallWorker* worker = nullptr;
    LRESULT createReply = 1;
    bool enabledAtEnd = true;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<CDialogWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self == nullptr)
        {
            return ::DefWindowProcA(window, message, wParam, lParam);
        }
        return self->Handle(message, wParam, lParam);
    }
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message)
        {
        case UM_INSTALL_STATUS:
            m_events.push_back({message, {wParam, lParam}});
            if (worker != nullptr)
            {
                worker->OnInstallStatus(wParam, lParam);
            }
            return 0;
        case UM_CREATE_WIZARD:
            m_events.push_back({message, {wParam, lParam == reinterpret_cast<LPARAM>(m_window) ? 1 : 0}});
            return createReply;
        case UM_SYSUPDATE_DONE:
        case UM_PREPARE_DONE:
        case WM_TIMER:
            m_events.push_back({message, {wParam, 0}});
            enabledAtEnd = ::IsWindowEnabled(m_window) != FALSE;
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcA(m_window, message, wParam, lParam);
        }
    }
    void Run()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "KvTestInstallDialog";
        (void)::RegisterClassA(&windowClass);
        m_window = ::CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     windowClass.hInstance, nullptr);
        ::SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        (void)::SetTimer(m_window, 1, 60000, nullptr);           // the bound of a run that never ends
        (void)::SetEvent(m_ready.Get());
        MSG message = {};
        while (::GetMessageA(&message, nullptr, 0, 0) > 0)
        {
            (void)::DispatchMessageA(&message);
        }
        (void)::DestroyWindow(m_window);
    }

    CHandle m_ready;
    HWND m_window = nullptr;
    std::vector<Event> m_events;
    CTestThread m_thread;
};

// Notes the UM_INSTALL_STATUS it gets and answers nothing else: a window of the thread that makes it.
class CStatusWindow
{
public:
    CStatusWindow()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "KvTestStatusWindow";
        (void)::RegisterClassA(&windowClass);
        m_window = ::CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     windowClass.hInstance, nullptr);
        ::SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CStatusWindow() { (void)::DestroyWindow(m_window); }
    CStatusWindow(const CStatusWindow&) = delete;
    CStatusWindow& operator=(const CStatusWindow&) = delete;
    HWND Get() const { return m_window; }
    std::vector<Event> events;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<CStatusWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && message == UM_INSTALL_STATUS)
        {
            self->events.push_back({message, {wParam, lParam}});
            return 0;
        }
        return ::DefWindowProcA(window, message, wParam, lParam);
    }

    HWND m_window = nullptr;
};

// A window on a thread of its own that looks at no message until Release: a worker that sends to it
// waits until then. Afterwards it notes UM_INSTALL_STATUS and ends at the status 6 (bounded by a minute).
class CHeldWindow
{
public:
    CHeldWindow()
        : m_ready(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          m_release(::CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        m_thread.Start([this] { Run(); });
        (void)::WaitForSingleObject(m_ready.Get(), 10000);
    }
    ~CHeldWindow() { (void)Release(); }
    HWND Get() const { return m_window; }
    // Lets the thread answer, and the messages noted once it has ended.
    std::vector<Event> Release()
    {
        (void)::SetEvent(m_release.Get());
        m_thread.Join();
        return m_events;
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<CHeldWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && (message == UM_INSTALL_STATUS || message == WM_TIMER))
        {
            self->m_events.push_back({message, {wParam, lParam}});
            if (message == WM_TIMER || wParam == 6)
            {
                ::PostQuitMessage(0);
            }
            return 0;
        }
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
    void Run()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "KvTestHeldWindow";
        (void)::RegisterClassA(&windowClass);
        m_window = ::CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     windowClass.hInstance, nullptr);
        ::SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        (void)::SetEvent(m_ready.Get());
        (void)::WaitForSingleObject(m_release.Get(), INFINITE);
        (void)::SetTimer(m_window, 1, 60000, nullptr);           // the bound of a sender that never ends
        MSG message = {};
        while (::GetMessageA(&message, nullptr, 0, 0) > 0)
        {
            (void)::DispatchMessageA(&message);
        }
        (void)::DestroyWindow(m_window);
    }

    CHandle m_ready;
    CHandle m_release;
    HWND m_window = nullptr;
    std::vector<Event> m_events;
    CTestThread m_thread;
};

}  // namespace

// The application's environment and items over the product, with the run's commands on an executor
// of the test's own.
class InstallWorkerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_product.SetDataKey("INSTALLER_FILE_INFO", "UTILITY_DLL", ".\\data\\Kvrun.dll");
        m_product.SetDataKey("INSTALLER_FILE_INFO", "REMOTE_INSTALL_DLL", ".\\data\\Kvrun.dll");
        m_product.SetDataKey("INSTALLER_FILE_INFO", "DIAGNOSIS_DLL", ".\\data\\Kvrun.dll");
        m_product.SetDataKey("INSTALLER_FILE_INFO", "PREINSTALLER_DLL", ".\\data\\Kvrun.dll");
        m_app.reset(new CInstallerApp("", m_product.ExePath()));
        ASSERT_TRUE(m_app->GetEnv().Init());
        m_commands.reset(new CCmdOperator(m_app->GetLog(), m_app->GetEnv(), m_app->GetEnv().GetExternalFnt(),
                                          m_app->InstallingRecorder()));
        m_app->ConnectRunCommands(*m_commands);
        m_product.TakeCalls();
    }
    void TearDown() override
    {
        m_commands.reset();
        m_app.reset();
    }
    // Reads the items and selects them as the selection would (every item is checked).
    void SelectItems(const char* setupType)
    {
        Execute("CT_SET_SETUP_TYPE", setupType);
        m_app->GetItems().ClearItems();
        ASSERT_TRUE(m_app->GetItems().ReadItems());
        Execute("CT_WRITE_ITEM_INFO");
    }
    bool Execute(const char* type, const char* p1 = "")
    {
        return m_commands->Execute(MakeCommandRecord(type, p1).get());
    }
    Lines Log() const { return ReadLog(m_app->GetLog().GetFilePath()); }
    // The remote-install settings the dialogs leave: computers by name under PC_<index>, count computers.
    std::string WriteRemoteSettings(const std::vector<std::pair<const char*, const char*>>& computers, DWORD count)
    {
        const std::string settings = m_product.InstallingKey() + "\\Remote_Info";
        std::vector<std::pair<const char*, const char*>> values = {
            {"User_Name", "ann"}, {"Password", "pw"}, {"Domain", "lab"}};
        values.insert(values.end(), computers.begin(), computers.end());
        for (const auto& value : values)
        {
            (void)CRegistry::SetValue(settings.c_str(), value.first, value.second, HKEY_LOCAL_MACHINE);
        }
        (void)CRegistry::SetValue(settings.c_str(), "NumOfPCs", count, HKEY_LOCAL_MACHINE);
        return settings;
    }
    CFollowUpCommands MakeFollowUp(RunHooks hooks)
    {
        return CFollowUpCommands(m_app->GetLog(), m_app->GetEnv(), m_app->GetItems(), *m_commands, hooks);
    }

    CRunProduct m_product;
    CCurrentDirectoryKeeper m_directory;                      // restored before the product folder goes
    std::unique_ptr<CInstallerApp> m_app;
    std::unique_ptr<CCmdOperator> m_commands;
};

TEST_F(InstallWorkerTest, Worker_EachVariantAndSetupType_ReportsToTheDialogAndLeavesItsItemState)
{
    struct Row
    {
        InstallProgressVariant variant;
        const char* setupType;
        bool updateThreadStarts;
        std::vector<Event> events;
        std::vector<bool> installed;
        int failures;
        const char* endCommand;
        const char* why;
    };
    const std::vector<Row> rows = {
        {InstallProgressVariant::kFull, "INSTALL", true,
         {Status(2, 0), Status(1, 0), Status(2, 1), Status(0, 1), Status(2, 2), Status(1, 2), Status(6, 0), kUpdateDone},
         {true, false, true}, 1, "CT_INSTALL_UPDATE", "full: each start and result, failures recorded"},
        {InstallProgressVariant::kBasic, "INSTALL", true,
         {Status(2, 0), Status(1, 0), Status(0, 1), Status(1, 2), Status(6, 0), kUpdateDone},
         {true, false, true}, 0, "CT_INSTALL_UPDATE", "basic: one start, a failure clears the installed flag"},
        {InstallProgressVariant::kFull, "UNINST", true,
         {Status(2, 0), Status(1, 0), Status(2, 1), Status(0, 1), Status(2, 2), Status(1, 2), Status(6, 0), kUpdateDone},
         {false, true, false}, 1, "CT_DELETE_ALL", "uninstall: a removed item loses its flag and record"},
        {InstallProgressVariant::kFull, "INSTALL", false,
         {Status(2, 0), Status(1, 0), Status(2, 1), Status(0, 1), Status(2, 2), Status(1, 2), Status(6, 0), kUpdateDone},
         {true, false, true}, 1, nullptr, "no system-update thread: the dialog is told at once"},
    };
    m_product.Answer("MyInstall", "ITEM_B", "0");
    for (const Row& row : rows)
    {
        (void)CRegistry::DeleteKey(m_product.InstalledKey().c_str(), false, HKEY_LOCAL_MACHINE);
        for (const char* item : {"ITEM_A", "ITEM_B", "ITEM_C"})
        {
            if (std::string(row.setupType) == "UNINST")         // what an earlier install recorded
            {
                (void)CRegistry::SetValue((m_product.InstalledKey() + "\\Items\\" + item).c_str(), "InstallNow",
                                          2u, HKEY_LOCAL_MACHINE);
            }
        }
        (void)CRegistry::DeleteKey((m_product.InstallingKey() + "\\InstallFail").c_str(), false, HKEY_LOCAL_MACHINE);
        SelectItems(row.setupType);
        const size_t logStart = Log().size();
        CUninstallRecords records(m_app->GetLog(), m_app->GetEnv().GetInstallingHistoryKey());
        CInstallRun run(m_app->GetLog(), m_app->GetEnv(), m_app->GetItems(), *m_commands, records,
                        m_app->MakeRunHooks());
        CInstallWorker worker(m_app->GetLog(), m_app->GetEnv(), m_app->GetItems(), run, *m_commands, row.variant);
        int started = 0;
        worker.SetThreadStarter([&](LPTHREAD_START_ROUTINE routine, void* parameter) -> HANDLE {
            return ++started > 1 && !row.updateThreadStarts ? nullptr
                                                            : ::CreateThread(nullptr, 0, routine, parameter, 0, nullptr);
        });
        CDialogWindow dialog;
        dialog.worker = &worker;
        ASSERT_TRUE(worker.Start(dialog.Get())) << row.why;
        EXPECT_EQ(row.events, dialog.Finish()) << row.why;
        EXPECT_EQ(row.variant == InstallProgressVariant::kFull, dialog.enabledAtEnd) << "the basic one disables";
        for (int index = 0; index < 3; ++index)
        {
            EXPECT_EQ(row.installed[index], m_app->GetItems().GetItemAt(index)->installed) << row.why << " " << index;
        }
        EXPECT_EQ(row.failures, m_app->GetItems().GetFailureCount()) << row.why;
        EXPECT_TRUE(m_app->GetItems().AnyFailedInRun()) << row.why << ": item B failed, recorded or not";
        const Lines all = Log();
        const Lines log(all.begin() + static_cast<std::ptrdiff_t>(logStart), all.end());
        EXPECT_TRUE(Contains(log, " Item A Installation/ReInstallation/Uninstallation ==> Success")) << row.why;
        EXPECT_TRUE(Contains(log, " Item B Installation/ReInstallation/Uninstallation ==> Fail")) << row.why;
        const std::string end = row.endCommand == nullptr ? "none" : row.endCommand;
        EXPECT_EQ(row.endCommand != nullptr,
                  Contains(log, "Call Command : Type = " + end + ", Param1=,Param2=,Param3=,Param4=,Param5="))
            << row.why;
        if (std::string(row.setupType) == "UNINST")
        {
            EXPECT_EQ(0xDEADBEEF, m_product.InstalledItem("ITEM_A")) << "the removed item's record is deleted";
            EXPECT_EQ(2u, m_product.InstalledItem("ITEM_B")) << "the failed one keeps it";
        }
        if (row.failures == 1)
        {
            EXPECT_EQ("Failed:\r\n\r\nItem B\r\n", worker.FailureMessage("Failed:"));
        }
    }
}

TEST_F(InstallWorkerTest, Preparation_WizardCreatedOrNot_EndsWithItsResult)
{
    struct Row
    {
        LRESULT reply;
        WPARAM done;
        bool preinstalled;
        const char* line;
    };
    const Row rows[] = {{1, 1, true, "Call Pre-Installer : Command ==> /P test"}, {0, 0, false, "Init Wizard fail!!"}};
    for (const Row& row : rows)
    {
        CUninstallRecords records(m_app->GetLog(), m_app->GetEnv().GetInstallingHistoryKey());
        CInstallRun run(m_app->GetLog(), m_app->GetEnv(), m_app->GetItems(), *m_commands, records, RunHooks());
        CInstallWorker worker(m_app->GetLog(), m_app->GetEnv(), m_app->GetItems(), run, *m_commands,
                              InstallProgressVariant::kFull);
        m_app->GetItems().ClearItems();
        CDialogWindow window;
        window.createReply = row.reply;
        ASSERT_TRUE(worker.StartPreparation(window.Get(), window.Get(), 3, "/P test"));
        const std::vector<Event> events = window.Finish();
        ASSERT_FALSE(events.empty());
        EXPECT_EQ((Event{UM_CREATE_WIZARD, {3, 1}}), events.front()) << "the start decision and the window";
        EXPECT_EQ((Event{UM_PREPARE_DONE, {row.done, 0}}), events.back());
        EXPECT_TRUE(Contains(Log(), row.line)) << row.line;
        EXPECT_EQ(row.preinstalled ? Lines{"Preinstall /P test"} : Lines{}, m_product.TakeCalls());
        EXPECT_EQ(3, m_app->GetItems().GetCount()) << "the items were read";
    }
}

TEST_F(InstallWorkerTest, RemoteInstall_ThirdOfThreeComputersFails_EachReportedAndTheEnd)
{
    const std::string settings = m_product.InstallingKey() + "\\Remote_Info";
    for (const auto& value : std::vector<std::pair<const char*, const char*>>{
             {"User_Name", "ann"}, {"Password", "pw"}, {"Domain", "lab"}, {"PC_0", "alpha"}, {"PC_2", "gamma"}})
    {
        (void)CRegistry::SetValue(settings.c_str(), value.first, value.second, HKEY_LOCAL_MACHINE);
    }
    (void)CRegistry::SetValue(settings.c_str(), "NumOfPCs", 3u, HKEY_LOCAL_MACHINE);
    m_product.Answer("DoRemoteInstall", "gamma", "0");
    CDialogWindow window;
    RunHooks hooks;
    hooks.remoteInstallWindow = [&window] { return window.Get(); };
    CFollowUpCommands followUp = MakeFollowUp(hooks);
    EXPECT_TRUE(followUp.RunRemoteInstall());
    EXPECT_EQ(1u, followUp.WaitForRemoteInstall());
    (void)::PostMessageA(window.Get(), UM_SYSUPDATE_DONE, 0, 0);
    EXPECT_EQ((std::vector<Event>{Status(2, 0), Status(1, 0), Status(2, 0), Status(0, 0), Status(6, 0), kUpdateDone}),
              window.Finish())
        << "the missing second computer is passed over";
    const std::string file = m_app->GetEnv().GetTempDir() + "\\RtReg.reg";
    const std::string common = "|ann|pw|lab|" + m_app->GetEnv().GetDestDir() + "|" + file + "|" +
                               m_app->GetEnv().GetApplicationName() + ".exe /Remote";
    EXPECT_EQ((Lines{"SaveFile " + settings, "DoRemoteInstall|alpha|" + common, "DoRemoteInstall|gamma|" + common}),
              m_product.TakeCalls());

    m_product.Answer("SaveFile", "Result", "0");
    EXPECT_FALSE(followUp.RunRemoteInstall()) << "settings that cannot be saved start nothing";
    EXPECT_EQ((Lines{"SaveFile " + settings}), m_product.TakeCalls());
}

TEST_F(InstallWorkerTest, RemoteInstall_SecondStartWhileOneRuns_RefusedAtOnceTheFirstGoesOnAndEnds)
{
    const std::string settings = WriteRemoteSettings({{"PC_0", "alpha"}}, 1);
    // The thread reports to a window of this thread, which answers only while this thread waits: the
    // first install cannot end before the wait below.
    CStatusWindow window;
    RunHooks hooks;
    hooks.remoteInstallWindow = [&window] { return window.Get(); };
    CFollowUpCommands followUp = MakeFollowUp(hooks);
    ASSERT_TRUE(followUp.RunRemoteInstall());
    m_product.Answer("SaveFile", "Result", "0");                // a second save would show as a false start

    EXPECT_FALSE(followUp.RunRemoteInstall()) << "refused without waiting for the running one";
    EXPECT_EQ(1, Count(Log(), "Remote install is still running: not started again"));
    EXPECT_EQ(1u, followUp.WaitForRemoteInstall()) << "the wait answers the reports sent meanwhile";
    EXPECT_EQ((std::vector<Event>{Status(2, 0), Status(1, 0), Status(6, 0)}), window.events)
        << "the first install's reports, once each";
    const std::string file = m_app->GetEnv().GetTempDir() + "\\RtReg.reg";
    EXPECT_EQ((Lines{"SaveFile " + settings, "DoRemoteInstall|alpha||ann|pw|lab|" + m_app->GetEnv().GetDestDir() + "|" +
                                                 file + "|" + m_app->GetEnv().GetApplicationName() + ".exe /Remote"}),
              m_product.TakeCalls())
        << "the refused start saved nothing over the running one's settings";

    m_product.Answer("SaveFile", "Result", "1");
    window.events.clear();
    EXPECT_TRUE(followUp.RunRemoteInstall()) << "once the first has ended, a new one starts";
    EXPECT_EQ(1u, followUp.WaitForRemoteInstall());
    EXPECT_EQ((std::vector<Event>{Status(2, 0), Status(1, 0), Status(6, 0)}), window.events);
}

TEST_F(InstallWorkerTest, RemoteInstall_ReportsNeverAnswered_EndWaitsAreBoundedAndLogged)
{
    (void)WriteRemoteSettings({{"PC_0", "alpha"}}, 1);
    CHeldWindow window;
    {
        RunHooks hooks;
        hooks.remoteInstallWindow = [&window] { return window.Get(); };
        CFollowUpCommands followUp = MakeFollowUp(hooks);
        followUp.SetRemoteInstallEndWait(50);
        ASSERT_TRUE(followUp.RunRemoteInstall());
        EXPECT_EQ(0u, followUp.WaitForRemoteInstall()) << "the thread waits for its first report to be answered";
        EXPECT_FALSE(followUp.RunRemoteInstall()) << "and still runs after the bound";
    }
    EXPECT_EQ(2, Count(Log(), "Thread [remote install] did not end within 50 ms"))
        << "the wait and the end each give up at the bound";
    EXPECT_EQ((std::vector<Event>{Status(2, 0), Status(1, 0), Status(6, 0)}), window.Release())
        << "the thread left running goes on with what it was given and ends";
    HMODULE library = ::GetModuleHandleA("Kvrun.dll");
    ASSERT_NE(nullptr, library);
    m_commands.reset();
    m_app.reset();
    EXPECT_EQ(library, ::GetModuleHandleA("Kvrun.dll"))
        << "a thread left running may still be inside the library: the table gave it up without unloading it";
}

TEST_F(InstallWorkerTest, Diagnosis_PrinterFromParameterListOrInstalled_ChoosesTheEntries)
{
    struct Row
    {
        const char* parameter;
        const char* current;
        const char* installed;
        const char* exAnswer;
        bool result;
        Lines calls;
    };
    const std::string mfg = m_app->GetEnv().GetMfg();
    const Row rows[] = {
        {"", "", "", "1", false, {}},
        {"P1", "p1", "", "1", true, {"Diagnosis " + mfg + " P1"}},
        {"", "Cur", "Inst", "1", true, {"Diagnosis " + mfg + " Cur"}},
        {"", "", "Inst", "1", true, {"DiagnosisEx " + mfg + " Inst", "Diagnosis " + mfg + " Inst"}},
        {"Other", "Cur", "", "0", true, {"DiagnosisEx " + mfg + " Other"}},
    };
    for (const Row& row : rows)
    {
        m_product.Answer("DiagnosisEx", row.parameter[0] != '\0' ? row.parameter : row.installed, row.exAnswer);
        RunHooks hooks;
        hooks.currentPrinter = [&row] { return std::string(row.current); };
        hooks.installedPrinter = [&row] { return std::string(row.installed); };
        CFollowUpCommands followUp = MakeFollowUp(hooks);
        EXPECT_EQ(row.result, followUp.Diagnosis(*MakeCommandRecord("CT_DIAGNOSIS", row.parameter))) << row.parameter;
        EXPECT_EQ(row.calls, m_product.TakeCalls()) << row.parameter << "/" << row.current << "/" << row.installed;
    }
    EXPECT_TRUE(Contains(Log(), "Diagnosis fail!! (Printer Name not found)"));
}

TEST_F(InstallWorkerTest, Termination_DeleteAllAndCancel_KeepOrRemoveTheRecords)
{
    const std::string installedItem = m_product.InstalledKey() + "\\Items\\ITEM_A";
    (void)CRegistry::SetValue(m_product.InstalledKey().c_str(), "Dest_Dir", m_product.DestDir().c_str(),
                              HKEY_LOCAL_MACHINE);
    (void)CRegistry::SetValue(installedItem.c_str(), "InstallNow", 2u, HKEY_LOCAL_MACHINE);
    SelectItems("INSTALL");
    std::vector<std::pair<bool, bool>> quits;
    RunHooks hooks;
    hooks.quit = [&quits](bool cancelled, bool failed) { quits.push_back({cancelled, failed}); };
    CFollowUpCommands followUp = MakeFollowUp(hooks);

    EXPECT_FALSE(followUp.DeleteAll()) << "an item is still installed";
    EXPECT_TRUE(m_product.HasKey(installedItem)) << "nothing was removed";

    followUp.Terminate(true);
    EXPECT_TRUE(m_product.HasKey(installedItem)) << "an installed product keeps its records";
    EXPECT_FALSE(m_product.HasKey(m_product.InstallingKey()));
    m_app->GetItems().GetItemAt(1)->failedInRun = true;      // as the basic install dialog leaves it
    followUp.Terminate(false);
    m_app->GetItems().GetItemAt(1)->failedInRun = false;
    EXPECT_EQ((std::vector<std::pair<bool, bool>>{{true, false}, {false, true}}), quits)
        << "a failed item fails the run, recorded as a failure or not";

    m_app->GetItems().GetItemAt(0)->installed = false;
    (void)CRegistry::DeleteKey(installedItem.c_str(), false, HKEY_LOCAL_MACHINE);
    followUp.Terminate(false);
    EXPECT_FALSE(m_product.HasKey(m_product.InstalledKey())) << "nothing installed: the Installed key goes";

    followUp.Connect(*m_commands);
    quits.clear();
    EXPECT_TRUE(Execute("CT_APP_TERMINATE"));
    (void)m_commands->Execute(
        MakeCommandRecord("CT_EXE_AND_TERMINATE", BesideTest("CmdRecorder.exe").c_str()).get());
    EXPECT_EQ((std::vector<std::pair<bool, bool>>{{false, false}, {false, false}}), quits)
        << "the command and a started program end the run alike";
}

TEST_F(InstallWorkerTest, Vocabulary_AfterTheRunIsConnected_OnlyTheWizardsRowsAreOpen)
{
    const Lines wizardRows = {"CT_OPEN_DLG",    "CT_DLG_BACK",      "CT_DO_MODAL",
                              "CT_SHOW_TOGGLE", "CT_DLG_CANCEL",    "CT_OPEN_TEST_PAGE"};
    for (const char* type : CCmdOperator::kVocabulary)
    {
        const bool wizard = std::find(wizardRows.begin(), wizardRows.end(), type) != wizardRows.end();
        EXPECT_EQ(!wizard, m_commands->IsConnected(type)) << type;
    }
}
