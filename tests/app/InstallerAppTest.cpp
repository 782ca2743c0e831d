// The application object in the test's own process, on copies of the demo product: what a test machine
// cannot make happen (a user without administrator rights, a thread that cannot start) through the
// object's seams, the install-run entries of the silent modes, the start-section choice, the start
// values, the watcher threads and the message loop.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/AppTestSupport.h"
#include "app/InstallerApp.h"
#include "env/Platform.h"

using namespace AppTest;

namespace
{
using Lines = std::vector<std::string>;

const char kEnd[] = "End of installation";

class CLoopApp : public CInstallerApp
{
public:
    using CInstallerApp::CInstallerApp;
    using CInstallerApp::CompleteInteractiveStart;
    using CInstallerApp::RunMessageLoop;
};

bool IsWatcherlessOs(int osCode)
{
    return osCode == OS_WIN95 || osCode == OS_WIN95_OSR2 || osCode == OS_NT3 || osCode == OS_NT4;
}

// A configuration file whose start sections are the names given.
std::string ConfigWith(const Lines& sections)
{
    std::string text = "[DLG_COMMON]\r\nCANCEL_TYPE = RESUME_EXIT\r\n";
    for (const std::string& section : sections)
    {
        text += "[" + section + "]\r\nDIALOGS = DIALOGS_OF_" + section + "\r\n";
    }
    return text;
}

// The frame window of the message loop test: counts UM_START and ends the loop after three more
// messages, each of which gives the loop another idle moment.
std::vector<WPARAM> g_starts;
int g_afterStart = 0;
const UINT kNudge = WM_USER + 100;

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == UM_START)
    {
        g_starts.push_back(wParam);
        (void)::PostMessageA(window, kNudge, 0, 0);
        return 0;
    }
    if (message == kNudge)
    {
        if (++g_afterStart < 3)
        {
            (void)::PostMessageA(window, kNudge, 0, 0);
        }
        else
        {
            ::PostQuitMessage(7);
        }
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

// The requirement refusal is Setup.exe's business (SetupRunTest): here no Windows version is refused,
// so that no message box holds up a first install.
class InstallerAppTest : public ::testing::Test
{
protected:
    InstallerAppTest() { m_product.SetDataKey("SYSTEM_REQUIREMENT", "UNSUPPORTED_OS", ""); }

    std::unique_ptr<CInstallerApp> MakeApp(const std::string& commandLine)
    {
        return std::unique_ptr<CInstallerApp>(new CInstallerApp(commandLine, m_product.ExePath()));
    }
    static Lines LogOf(CInstallerApp& app) { return ReadLog(app.GetLog().GetFilePath()); }
    void ClearInstalling()
    {
        (void)CRegistry::DeleteKey(m_product.InstallingKey().c_str(), false, HKEY_LOCAL_MACHINE);
    }

    CTestProduct m_product;
    CCurrentDirectoryKeeper m_directory;                      // restored before the product folder goes
};

TEST_F(InstallerAppTest, Administrator_NotAnAdministrator_RefusedOnlyWithTheDataFileMessage)
{
    int asked = 0;
    const auto notAdmin = [&asked] {
        ++asked;
        return false;
    };
    {
        auto app = MakeApp("/S /D");
        app->SetAdministratorCheck(notAdmin);
        if (app->GetEnv().GetOsClass() == OSCLASS_9X)
        {
            EXPECT_EQ(CInstallerApp::kExitSuccess, app->Run()) << "Windows 9x has no administrators";
            EXPECT_EQ(0, asked) << "not even asked on Windows 9x";
            return;
        }
        CBoxAnswerer user(m_product.ProgramName(), m_product.Folder() + "\\admin.txt");
        EXPECT_EQ(CInstallerApp::kExitInstallFailure, app->Run());
        std::string text;
        EXPECT_TRUE(user.Wait(text)) << "a message box captioned with PROGRAM_NAME";
        EXPECT_EQ("You need administrator rights to install the KP-3100 Series software.", text);
        const Lines log = LogOf(*app);
        EXPECT_TRUE(From(log, "Parameter : ").empty()) << "ends before the command line, with no line of its own";
        EXPECT_EQ((Lines{kEnd, ExitLine(1603)}), Lines(log.end() - 2, log.end()));
        EXPECT_EQ(1, asked);
    }
    m_product.RemoveDataKey("SYSTEM_REQUIREMENT", "MSG_IS_NOT_ADMIN");
    {
        auto app = MakeApp("/S /D");
        app->SetAdministratorCheck(notAdmin);
        EXPECT_EQ(CInstallerApp::kExitSuccess, app->Run()) << "without the message the start goes on";
        EXPECT_EQ((Lines{"Parameter : /S /D", kEnd, ExitLine(0)}), From(LogOf(*app), "Parameter : "));
    }
    m_product.SetDataKey("OPTION", "DEVICE_INSTALL", "0");
    asked = 0;
    {
        auto app = MakeApp("/S /D");
        app->SetAdministratorCheck(notAdmin);
        EXPECT_EQ(CInstallerApp::kExitSuccess, app->Run());
        EXPECT_EQ(0, asked) << "only a device installation needs the rights";
    }
}

TEST_F(InstallerAppTest, SilentRun_EachMode_CallsItsInstallRunEntryWithStartValuesWrittenFirst)
{
    struct Row
    {
        const char* commandLine;
        const char* silentSetting;
        std::string expectedCall;
        bool startValuesAtCall;
    };
    const std::string settingFile = m_product.ProductDir() + "\\Config.ini";
    const Row rows[] = {
        {"/S", "0", "install", true},
        {"/S /R", "0", "reinstall", false},
        {"/U /S", "0", "uninstall", false},
        {"", "1", "script " + settingFile, true},
        {"/S /D", "0", "", false},
    };
    for (const Row& row : rows)
    {
        ClearInstalling();
        m_product.SetSettingKey("INSTALL", "SILENT", row.silentSetting);
        std::vector<std::string> calls;
        bool startValues = false;
        const auto note = [&](const std::string& call) {
            calls.push_back(call);
            startValues = m_product.InstallingText("MFG") == m_product.Mfg();
            return true;
        };
        CInstallerApp::InstallRunEntries entries;
        entries.silentInstall = [&](bool reinstall) { return note(reinstall ? "reinstall" : "install"); };
        entries.silentUninstall = [&] { return note("uninstall"); };
        entries.scriptInstall = [&](const std::string& file) { return note("script " + file); };
        auto app = MakeApp(row.commandLine);
        app->SetInstallRun(entries);

        EXPECT_EQ(CInstallerApp::kExitSuccess, app->Run()) << "'" << row.commandLine << "': the entry succeeded";
        EXPECT_EQ(row.expectedCall.empty() ? Lines{} : Lines{row.expectedCall}, calls) << row.commandLine;
        EXPECT_EQ(row.startValuesAtCall, startValues) << "start values before the entry: " << row.commandLine;
        EXPECT_EQ(ExitLine(0), LogOf(*app).back()) << row.commandLine;
    }

    m_product.SetSettingKey("INSTALL", "SILENT", "0");
    CInstallerApp::InstallRunEntries failing;
    failing.silentUninstall = [] { return false; };
    auto app = MakeApp("/S /U");
    app->SetInstallRun(failing);
    EXPECT_EQ(CInstallerApp::kExitInstallFailure, app->Run()) << "a failed run is the process's failure";
    EXPECT_EQ(ExitLine(1603), LogOf(*app).back());
}

// A run that queues a file deletion for the next start ends with 3010 when it succeeded; a failure
// stays a failure. Windows 9x queues through wininit.ini, the NT family in the registry.
TEST_F(InstallerAppTest, ExitCode_RunQueuesWorkForTheNextStart_SuccessAsksForARestart)
{
    const char sessionKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
    std::vector<char> saved(65536, '\0');
    DWORD savedSize = static_cast<DWORD>(saved.size());
    CRegKey session;
    (void)::RegOpenKeyExA(HKEY_LOCAL_MACHINE, sessionKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, session.Receive());
    const bool hadValue = ::RegQueryValueExA(session.Get(), "PendingFileRenameOperations", nullptr, nullptr,
                                             reinterpret_cast<BYTE*>(saved.data()), &savedSize) == ERROR_SUCCESS;
    char windows[MAX_PATH + 1] = {};
    (void)::GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string wininit = std::string(windows) + "\\wininit.ini";
    const std::string doomed = m_product.Folder() + "\\doomed.txt";

    struct Row
    {
        bool queue;
        bool succeed;
        int expected;
    };
    const Row rows[] = {{true, true, 3010}, {true, false, 1603}, {false, true, 0}};
    for (const Row& row : rows)
    {
        ASSERT_TRUE(WriteTestFile(doomed, "x"));
        CInstallerApp::InstallRunEntries entries;
        CInstallerApp* running = nullptr;
        entries.silentUninstall = [&] {
            if (row.queue && running->GetEnv().GetOsClass() == OSCLASS_9X)
            {
                (void)::WritePrivateProfileStringA("rename", "NUL", doomed.c_str(), wininit.c_str());
            }
            else if (row.queue)
            {
                (void)::MoveFileExA(doomed.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            }
            return row.succeed;
        };
        auto app = MakeApp("/S /U");
        running = app.get();
        app->SetInstallRun(entries);
        EXPECT_EQ(row.expected, app->Run()) << "queued " << row.queue << ", succeeded " << row.succeed;
        EXPECT_EQ(ExitLine(row.expected), LogOf(*app).back());

        (void)::WritePrivateProfileStringA("rename", nullptr, nullptr, wininit.c_str());
        if (hadValue)
        {
            (void)::RegSetValueExA(session.Get(), "PendingFileRenameOperations", 0, REG_MULTI_SZ,
                                   reinterpret_cast<const BYTE*>(saved.data()), savedSize);
        }
        else
        {
            (void)::RegDeleteValueA(session.Get(), "PendingFileRenameOperations");
        }
    }
}

// The termination of an interactive run ends the message loop with the run's exit code.
TEST_F(InstallerAppTest, ExitCode_TerminationEndsTheLoop_CancelledFailedOrDone)
{
    struct Row
    {
        bool cancelled;
        bool failed;
        int expected;
    };
    for (const Row& row : {Row{true, false, 1602}, Row{true, true, 1602}, Row{false, true, 1603}, Row{false, false, 0}})
    {
        CLoopApp app("", m_product.ExePath());
        ASSERT_TRUE(app.GetEnv().Init());
        app.MakeRunHooks().quit(row.cancelled, row.failed);
        EXPECT_EQ(row.expected, app.RunMessageLoop()) << "cancelled " << row.cancelled << ", failed " << row.failed;
        EXPECT_EQ(row.expected, app.ExitInstance());
        EXPECT_EQ(ExitLine(row.expected), LogOf(app).back());
    }
}

TEST_F(InstallerAppTest, ChooseStartSection_FirstExistingSectionOfTheMode_DecidesAndIsStored)
{
    std::string osDefine;
    {
        auto probe = MakeApp("");
        ASSERT_TRUE(probe->GetEnv().Init());
        osDefine = probe->GetEnv().GetOsDefine();
    }
    const Lines all = {"INSTALL_START_INFO", "UNINST_START_INFO", "REINST_START_INFO", "DELETEALL_START_INFO"};
    struct Row
    {
        Lines sections;
        int mode;
        int expected;
        std::string section;
    };
    const Row rows[] = {
        {all, RUN_INSTALL, RUN_INSTALL, "INSTALL_START_INFO"},
        {all, RUN_UNINSTALL, RUN_UNINSTALL, "UNINST_START_INFO"},
        {all, RUN_REINSTALL, RUN_REINSTALL, "REINST_START_INFO"},
        {all, RUN_DELETE_ALL, RUN_DELETE_ALL, "DELETEALL_START_INFO"},
        {{"INSTALL_START_INFO", "REINST_START_INFO_LOCAL"}, RUN_REINSTALL, RUN_REINSTALL_CD,
         "REINST_START_INFO_LOCAL"},
        {{"INSTALL_START_INFO", "REINST_START_INFO_LOCAL"}, RUN_UNINSTALL, RUN_REINSTALL_LOCAL,
         "REINST_START_INFO_LOCAL"},
        {{"INSTALL_START_INFO", "REINST_START_INFO_CD"}, RUN_UNINSTALL, RUN_INSTALL, "INSTALL_START_INFO"},
        {{"INSTALL_START_INFO", "UNINST_START_INFO"}, RUN_DELETE_ALL, RUN_UNINSTALL, "UNINST_START_INFO"},
        {{"INSTALL_START_INFO", "INSTALL_START_INFO." + osDefine}, RUN_INSTALL, RUN_INSTALL,
         "INSTALL_START_INFO." + osDefine},
        {{"UNINST_START_INFO"}, RUN_INSTALL, RUN_NONE, ""},
    };
    for (const Row& row : rows)
    {
        ClearInstalling();
        m_product.WriteProductFile("data\\kvinst.kvi", ConfigWith(row.sections));
        auto app = MakeApp("");
        ASSERT_TRUE(app->GetEnv().Init());
        EXPECT_EQ(row.expected, app->ChooseStartSection(row.mode)) << row.section << " for mode " << row.mode;
        EXPECT_EQ(row.section, app->GetStartSection());
        EXPECT_EQ("Start Section is [" + row.section + "]", LogOf(*app).back());
        EXPECT_EQ(row.expected == RUN_NONE ? 0xDEADBEEF : static_cast<DWORD>(row.expected),
                  m_product.InstallingNumber("Setup_Type"))
            << "Setup_Type holds the result (nothing without a start section)";
    }
}

TEST_F(InstallerAppTest, ChooseStartSection_RecordedInstallation_MakesAnInstallAReinstallUnlessNetwork)
{
    m_product.WriteProductFile("data\\kvinst.kvi", ConfigWith({"INSTALL_START_INFO", "UNINST_START_INFO",
                                                               "REINST_START_INFO", "INSTALL_START_INFO.OVRA"}));
    const std::string installed = m_product.InstalledKey();
    const std::string item = installed + "\\Items\\ITEM_DRIVER";
    ASSERT_EQ(0u, CRegistry::SetValue(installed.c_str(), "Dest_Dir", m_product.DestDir().c_str(),
                                      HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue(installed.c_str(), "LangCode", 0x409u, HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue(item.c_str(), "InstallNow", 2u, HKEY_LOCAL_MACHINE));

    struct Step
    {
        std::function<void()> change;
        int mode;
        int expected;
        std::string section;
        bool installedMark;
        const char* why;
    };
    const auto option = [this](const char* key, const char* value) {
        return [this, key, value] { m_product.SetDataKey("OPTION", key, value); };
    };
    const auto itemState = [item](DWORD value) {
        return [item, value] { (void)CRegistry::SetValue(item.c_str(), "InstallNow", value, HKEY_LOCAL_MACHINE); };
    };
    const Step steps[] = {
        {[] {}, RUN_INSTALL, RUN_REINSTALL, "REINST_START_INFO", true, "installed: reinstall"},
        {option("NETWORK", "1"), RUN_INSTALL, RUN_INSTALL, "INSTALL_START_INFO", true, "network product"},
        {option("OVRA", "1"), RUN_INSTALL, RUN_INSTALL, "INSTALL_START_INFO.OVRA", true, "OVRA variant"},
        {option("NETWORK", "0"), RUN_INSTALL, RUN_REINSTALL, "REINST_START_INFO", true, "OVRA only for install"},
        {itemState(1), RUN_INSTALL, RUN_INSTALL, "INSTALL_START_INFO.OVRA", false, "no item marked installed"},
        {[] {}, RUN_REINSTALL, RUN_REINSTALL, "REINST_START_INFO", true, "a reinstall needs only LangCode"},
        {[installed] { (void)CRegistry::DeleteValue(installed.c_str(), "LangCode", HKEY_LOCAL_MACHINE); },
         RUN_REINSTALL, RUN_REINSTALL, "REINST_START_INFO", false, "without LangCode: no installed mark"},
    };
    for (const Step& step : steps)
    {
        step.change();
        auto app = MakeApp("");
        ASSERT_TRUE(app->GetEnv().Init());
        EXPECT_EQ(step.expected, app->ChooseStartSection(step.mode)) << step.why;
        EXPECT_EQ(step.section, app->GetStartSection()) << step.why;
        EXPECT_EQ(step.installedMark, app->GetEnv().IsInstalled()) << step.why;
    }

    // The item list's own test replaces the record check.
    (void)CRegistry::SetValue(installed.c_str(), "LangCode", 0x409u, HKEY_LOCAL_MACHINE);
    m_product.SetDataKey("OPTION", "MAIN_ONLY", "1");
    ClearInstalling();
    auto app = MakeApp("");
    ASSERT_TRUE(app->GetEnv().Init());
    app->SetInstalledItemsCheck([] { return true; });
    EXPECT_EQ(RUN_REINSTALL, app->ChooseStartSection(RUN_INSTALL)) << "the installed-items check is replaceable";
    EXPECT_EQ(0xDEADBEEF, m_product.InstallingNumber("Setup_Type")) << "nothing under Installing with MAIN_ONLY";
}

TEST_F(InstallerAppTest, WriteStartValues_PartialWithoutIdentity_NothingWithMainOnly)
{
    {
        auto app = MakeApp("");
        ASSERT_TRUE(app->GetEnv().Init());
        ClearInstalling();
        EXPECT_TRUE(app->WriteStartValues(false));
        EXPECT_EQ("<missing>", m_product.InstallingText("MFG")) << "the model identity only when full";
        EXPECT_EQ("<missing>", m_product.InstallingText("Program_Name"));
        EXPECT_EQ(m_product.DestDir(), m_product.InstallingText("Dest_Dir"));
        EXPECT_EQ(m_product.TempDir(), m_product.InstallingText("Temp_Dir"));
        EXPECT_NE(0xDEADBEEF, m_product.InstallingNumber("OS_Ver"));
        EXPECT_NE(0xDEADBEEF, m_product.InstallingNumber("LangCode"));
    }
    m_product.SetDataKey("OPTION", "MAIN_ONLY", "1");
    auto app = MakeApp("");
    ASSERT_TRUE(app->GetEnv().Init());
    ClearInstalling();
    EXPECT_TRUE(app->WriteStartValues(true));
    EXPECT_EQ("<missing>", m_product.InstallingText("MFG")) << "MAIN_ONLY: no start values";
    EXPECT_EQ(0xDEADBEEF, m_product.InstallingNumber("OS_Ver"));
}

namespace
{
using CallsFn = LONG(WINAPI*)(int);

CallsFn WatcherCalls()
{
    return reinterpret_cast<CallsFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("KvAppTestUtility.dll"), "KvWatcherCalls")));
}

// Waits, at most about ten seconds, until done() holds.
template <typename Condition>
bool WaitUntil(Condition done)
{
    for (int wait = 0; wait < 1000 && !done(); ++wait)
    {
        ::Sleep(10);
    }
    return done();
}
}  // namespace

TEST_F(InstallerAppTest, Watchers_CallTheirHelperEachIntervalUntilStopped)
{
    m_product.SetDataKey("INSTALLER_FILE_INFO", "UTILITY_DLL", BesideTest("KvAppTestUtility.dll"));
    auto app = MakeApp("");
    ASSERT_TRUE(app->GetEnv().Init());
    const CallsFn calls = WatcherCalls();
    ASSERT_NE(nullptr, calls) << "the utility library is loaded by the environment";
    // Pauses are recorded and last a millisecond: pass follows pass without the real interval.
    std::atomic<DWORD> pauseAsked{0};
    app->SetWatchPause(
        [&pauseAsked](HANDLE wake, DWORD interval) {
            pauseAsked = interval;
            (void)::WaitForSingleObject(wake, 1);
        },
        4321);
    std::vector<CHandle> threads;                             // copies, to see the threads end
    app->SetThreadStarter([&threads](LPTHREAD_START_ROUTINE routine, void* parameter) {
        HANDLE thread = ::CreateThread(nullptr, 0, routine, parameter, 0, nullptr);
        HANDLE copy = nullptr;
        (void)::DuplicateHandle(::GetCurrentProcess(), thread, ::GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0);
        threads.emplace_back(copy);
        return thread;
    });

    EXPECT_TRUE(app->StartHardwareWizardWatcher());
    EXPECT_TRUE(app->StartNewHardwareWatcher());
    EXPECT_TRUE(app->StartHardwareWizardWatcher()) << "a second start while running";
    if (IsWatcherlessOs(app->GetEnv().GetOsCode()))
    {
        EXPECT_TRUE(threads.empty()) << "no watcher threads on Windows 95 and NT 4";
        EXPECT_EQ(0, calls(0) + calls(1));
        return;
    }
    EXPECT_EQ(2u, threads.size()) << "one thread per watcher, even after a second start";
    EXPECT_TRUE(WaitUntil([&] { return calls(0) >= 3 && calls(1) >= 3; })) << "pass after pass";
    EXPECT_EQ(4321u, pauseAsked.load()) << "the pause between passes is the interval";

    EXPECT_TRUE(app->StopHardwareWizardWatcher());
    EXPECT_TRUE(app->StopNewHardwareWatcher());
    for (const CHandle& thread : threads)
    {
        ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread.Get(), 10000)) << "a stop ends the thread";
    }
    const LONG stopped = calls(0);

    EXPECT_TRUE(app->StartHardwareWizardWatcher()) << "started again after a stop";
    EXPECT_EQ(3u, threads.size());
    EXPECT_TRUE(WaitUntil([&] { return calls(0) > stopped; })) << "the new thread calls at once";
    EXPECT_TRUE(app->EndWatchers()) << "ended before the pause it calls goes away";
}

TEST_F(InstallerAppTest, Watchers_HelperCallHangs_ShutdownWaitEndsLoggedAndTheLibraryStaysLoaded)
{
    m_product.SetDataKey("INSTALLER_FILE_INFO", "UTILITY_DLL", BesideTest("KvAppTestUtility.dll"));
    const std::string holdName = "KvWatcherHold" + std::to_string(::GetCurrentProcessId());
    CHandle hold(::CreateEventA(nullptr, TRUE, FALSE, holdName.c_str()));
    ASSERT_TRUE(::SetEnvironmentVariableA("KV_TEST_WATCHER_HOLD", holdName.c_str()));
    auto app = MakeApp("");
    ASSERT_TRUE(app->GetEnv().Init());
    if (IsWatcherlessOs(app->GetEnv().GetOsCode()))
    {
        (void)::SetEnvironmentVariableA("KV_TEST_WATCHER_HOLD", nullptr);
        GTEST_SKIP() << "no watcher threads on Windows 95 and NT 4";
    }
    const CallsFn calls = WatcherCalls();
    ASSERT_NE(nullptr, calls);
    const LONG before = calls(0);
    ASSERT_TRUE(app->StartHardwareWizardWatcher());
    ASSERT_TRUE(WaitUntil([&] { return calls(0) > before; })) << "the watcher is inside its helper call";

    app->SetWatcherEndWait(50);
    EXPECT_FALSE(app->EndWatchers()) << "the wait is bounded";
    EXPECT_FALSE(app->WatchersEnded()) << "so Setup.exe leaves the application object to the process end";
    EXPECT_EQ((Lines{"Watcher thread did not end within 50 ms"}), From(LogOf(*app), "Watcher thread"));
    HMODULE library = ::GetModuleHandleA("KvAppTestUtility.dll");
    EXPECT_NE(nullptr, library);

    (void)::SetEvent(hold.Get());
    (void)::SetEnvironmentVariableA("KV_TEST_WATCHER_HOLD", nullptr);
    app->SetWatcherEndWait(10000);
    EXPECT_TRUE(app->EndWatchers()) << "the watcher ends once its helper returns";
    EXPECT_TRUE(app->WatchersEnded());
    app.reset();
    EXPECT_EQ(library, ::GetModuleHandleA("KvAppTestUtility.dll"))
        << "the table gave up its libraries without unloading them";
}

TEST_F(InstallerAppTest, Watchers_StartWhileTheStoppedThreadHangs_NewThreadAtOnceTheOldOneEndsByItsOwnStop)
{
    m_product.SetDataKey("INSTALLER_FILE_INFO", "UTILITY_DLL", BesideTest("KvAppTestUtility.dll"));
    const std::string holdName = "KvWatcherHold" + std::to_string(::GetCurrentProcessId());
    CHandle hold(::CreateEventA(nullptr, TRUE, FALSE, holdName.c_str()));
    ASSERT_TRUE(::SetEnvironmentVariableA("KV_TEST_WATCHER_HOLD", holdName.c_str()));
    auto app = MakeApp("");
    ASSERT_TRUE(app->GetEnv().Init());
    if (IsWatcherlessOs(app->GetEnv().GetOsCode()))
    {
        (void)::SetEnvironmentVariableA("KV_TEST_WATCHER_HOLD", nullptr);
        GTEST_SKIP() << "no watcher threads on Windows 95 and NT 4";
    }
    const CallsFn calls = WatcherCalls();
    ASSERT_NE(nullptr, calls);
    std::vector<CHandle> threads;                             // copies, to see the threads end
    app->SetThreadStarter([&threads](LPTHREAD_START_ROUTINE routine, void* parameter) {
        HANDLE thread = ::CreateThread(nullptr, 0, routine, parameter, 0, nullptr);
        HANDLE copy = nullptr;
        (void)::DuplicateHandle(::GetCurrentProcess(), thread, ::GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0);
        threads.emplace_back(copy);
        return thread;
    });
    const LONG before = calls(0);
    ASSERT_TRUE(app->StartHardwareWizardWatcher());
    ASSERT_TRUE(WaitUntil([&] { return calls(0) > before; })) << "the watcher is inside its helper call";
    EXPECT_TRUE(app->StopHardwareWizardWatcher());

    // The start runs on a thread of its own: a start that waited for the stopped thread would wait for
    // the held helper call, and shows here as a start that does not come back.
    CHandle started(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    bool result = false;
    CTestThread starter([&] {
        result = app->StartHardwareWizardWatcher();
        (void)::SetEvent(started.Get());
    });
    const bool returned = ::WaitForSingleObject(started.Get(), 10000) == WAIT_OBJECT_0;
    if (!returned)
    {
        (void)::SetEvent(hold.Get());                         // lets the waiting start end
    }
    starter.Join();
    ASSERT_TRUE(returned) << "a start never waits for a stopped watcher thread";
    EXPECT_TRUE(result);
    ASSERT_EQ(2u, threads.size()) << "a new thread beside the stopped one";
    EXPECT_TRUE(WaitUntil([&] { return calls(0) > before + 1; })) << "the new thread makes its own pass";
    EXPECT_FALSE(app->WatchersEnded()) << "the stopped thread counts until it has ended";

    (void)::SetEvent(hold.Get());
    (void)::SetEnvironmentVariableA("KV_TEST_WATCHER_HOLD", nullptr);
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(threads[0].Get(), 10000)) << "the stopped one ends by its stop";
    EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(threads[1].Get(), 0)) << "the new one was not stopped with it";
    EXPECT_TRUE(app->EndWatchers());
    EXPECT_TRUE(app->WatchersEnded());
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(threads[1].Get(), 0));
}

TEST_F(InstallerAppTest, Watchers_ThreadCannotStart_LogTheirLinesWithTheSystemError)
{
    auto app = MakeApp("");
    ASSERT_TRUE(app->GetEnv().Init());
    app->SetThreadStarter([](LPTHREAD_START_ROUTINE, void*) -> HANDLE {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    });
    const bool skipped = IsWatcherlessOs(app->GetEnv().GetOsCode());
    EXPECT_EQ(skipped, app->StartHardwareWizardWatcher());
    EXPECT_EQ(skipped, app->StartNewHardwareWatcher());
    const Lines log = LogOf(*app);
    const Lines first = From(log, "Create Compress PnP Thread error!!");
    const Lines second = From(log, "Create Active PnP Thread error!!");
    if (skipped)
    {
        EXPECT_TRUE(first.empty() && second.empty()) << "nothing is started on Windows 95 and NT 4";
        return;
    }
    ASSERT_EQ(4u, first.size()) << "each line followed by its system error";
    EXPECT_EQ(0u, first[1].find("Error Code = 8 :")) << first[1];
    EXPECT_EQ("Create Active PnP Thread error!!", first[2]);
    EXPECT_EQ(0u, first[3].find("Error Code = 8 :")) << first[3];
}

TEST_F(InstallerAppTest, MessageLoop_FirstIdleMoment_StartsTheWizardOnceAndEndsWithTheQuitCode)
{
    CLoopApp app("", m_product.ExePath());
    ASSERT_TRUE(app.GetEnv().Init());
    ClearInstalling();
    EXPECT_FALSE(app.OnIdle(0));
    EXPECT_FALSE(Contains(LogOf(app), "Start installation")) << "not before the start is complete";

    WNDCLASSA frameClass = {};
    frameClass.lpfnWndProc = FrameProc;
    frameClass.hInstance = ::GetModuleHandleA(nullptr);
    frameClass.lpszClassName = "KvTestFrame";
    (void)::RegisterClassA(&frameClass);
    HWND frame = ::CreateWindowExA(0, "KvTestFrame", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   frameClass.hInstance, nullptr);
    ASSERT_NE(nullptr, frame) << "a window needs a display";
    g_starts.clear();
    g_afterStart = 0;

    app.CompleteInteractiveStart(frame);
    EXPECT_EQ(m_product.Mfg(), m_product.InstallingText("MFG")) << "the start values are written at the end";
    EXPECT_EQ(7, app.RunMessageLoop()) << "WM_QUIT's code";
    EXPECT_EQ(std::vector<WPARAM>{1}, g_starts) << "one UM_START with 1, although idle came four times";
    EXPECT_EQ(1, Count(LogOf(app), "Start installation"));
    (void)::DestroyWindow(frame);
    (void)::UnregisterClassA("KvTestFrame", frameClass.hInstance);
}

TEST_F(InstallerAppTest, ExitInstance_InteractiveStartEnds_MutexReleasedAndShutdownLogged)
{
    m_product.EndWizardAtStart();
    m_product.SetWizardItem(true);
    auto app = MakeApp("/U");
    app->Run();
    const Lines log = LogOf(*app);
    EXPECT_TRUE(Contains(log, CTestProduct::kWizardEnd)) << "the wizard's start command ends the run";
    EXPECT_TRUE(Contains(log, kEnd));

    DWORD waited = WAIT_FAILED;
    const std::string name = m_product.InstanceName();
    CTestThread other([&] {
        CHandle mutex(::OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str()));
        waited = ::WaitForSingleObject(mutex.Get(), 0);
        if (waited == WAIT_OBJECT_0)
        {
            (void)::ReleaseMutex(mutex.Get());
        }
    });
    other.Join();
    EXPECT_EQ(WAIT_OBJECT_0, waited) << "the mutex is still there, released by the shutdown";
}

// The licence dialog's box is a rich edit box: the interactive start loads the library once, and it
// stays loaded to the end of the run.
TEST_F(InstallerAppTest, InteractiveStart_RichEditLibraryLoadedAndItsBoxesCanBeMade)
{
    m_product.EndWizardAtStart();
    m_product.SetWizardItem(true);
    auto app = MakeApp("/U");
    EXPECT_FALSE(app->RichEdit().IsLoaded()) << "not before the start";
    app->Run();

    ASSERT_TRUE(app->RichEdit().IsLoaded()) << "loaded by the interactive start, kept after the run";
    EXPECT_STREQ("RichEdit20A", app->RichEdit().ClassName()) << "the newer library where the system has it";
    EXPECT_NE(nullptr, ::GetModuleHandleA("riched20.dll"));
    HWND box = ::CreateWindowExA(0, app->RichEdit().ClassName(), "licence", WS_POPUP, 0, 0, 100, 40, nullptr,
                                 nullptr, nullptr, nullptr);
    EXPECT_NE(nullptr, box) << "a rich edit box can be made";
    if (box != nullptr)
    {
        (void)::DestroyWindow(box);
    }
    EXPECT_FALSE(Contains(LogOf(*app), "The rich edit library cannot be loaded"));
}
