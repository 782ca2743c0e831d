#include "command/ProgramCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CommandTestSupport.h"
#include "command/CmdOperator.h"
#include "external/ExternalFnt.h"
#include "support/MessageBoxWatcher.h"
#include "base/Messages.h"

using namespace cmdtest;

namespace
{
// A window standing in for the wizard: collects the UM_END_WAIT messages posted to it.
class CTestWindow
{
public:
    explicit CTestWindow(const char* title)
        : m_window(::CreateWindowExA(0, "STATIC", title, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                     nullptr))
    {
    }
    ~CTestWindow() { (void)::DestroyWindow(m_window); }
    CTestWindow(const CTestWindow&) = delete;
    CTestWindow& operator=(const CTestWindow&) = delete;

    HWND Get() const { return m_window; }

    // The wParams of the UM_END_WAIT messages that arrive within the time, up to count of them.
    std::vector<WPARAM> TakeEndWaits(size_t count, DWORD timeout = 15000)
    {
        std::vector<WPARAM> flags;
        for (DWORD waited = 0; flags.size() < count && waited <= timeout; waited += 20)
        {
            MSG message = {};
            while (flags.size() < count && ::PeekMessageA(&message, m_window, UM_END_WAIT, UM_END_WAIT, PM_REMOVE))
            {
                flags.push_back(message.wParam);
            }
            if (flags.size() < count)
            {
                ::Sleep(20);
            }
        }
        return flags;
    }

private:
    HWND m_window;
};

// A file type or URL scheme whose "open" runs the recorder program, removed again afterwards.
class CTestAssociation
{
public:
    CTestAssociation(const std::string& name, const std::string& command, bool urlScheme)
    {
        if (urlScheme)
        {
            m_keys = {name};
            (void)CRegistry::SetValue(name.c_str(), "URL Protocol", "", HKEY_CLASSES_ROOT);
            SetDefault(name + "\\shell\\open\\command", command);
            return;
        }
        const std::string progId = "KvCmdTest" + name.substr(1) + "File";
        m_keys = {name, progId};
        SetDefault(name, progId);
        SetDefault(progId + "\\shell\\open\\command", command);
    }
    ~CTestAssociation()
    {
        for (const std::string& key : m_keys)
        {
            (void)CRegistry::DeleteKey(key.c_str(), false, HKEY_CLASSES_ROOT);
        }
    }
    CTestAssociation(const CTestAssociation&) = delete;
    CTestAssociation& operator=(const CTestAssociation&) = delete;

private:
    static void SetDefault(const std::string& key, const std::string& text)
    {
        const DWORD size = static_cast<DWORD>(text.size());
        (void)::RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, text.c_str(), size);
    }

    std::vector<std::string> m_keys;
};

// The program commands with the browser of the first URL try replaced.
class CTestProgramCommands : public CProgramCommands
{
public:
    using CProgramCommands::CProgramCommands;
    using CProgramCommands::SetBrowserProgram;
};

class ProgramCommandsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_log.OpenLogFile()) << "the log opens in the test folder";
        ASSERT_TRUE(m_env.OpenFiles("[X]\n", "[X]\n"));
        ASSERT_NE(nullptr, m_wizard.Get()) << "test windows need the display of the test prefix";
        ASSERT_TRUE(::CopyFileA(BesideTest("CmdRecorder.exe").c_str(), m_program.c_str(), FALSE))
            << "the recorder program is copied into a folder with a blank in its name";
        m_hold = ::CreateEventA(nullptr, TRUE, TRUE, m_holdName.c_str());
        ASSERT_NE(nullptr, m_hold) << "the event that holds started recorders";
    }
    void TearDown() override
    {
        (void)::SetEvent(m_hold);                             // no recorder is left waiting
        (void)::CloseHandle(m_hold);
        EXPECT_TRUE(m_strayBoxes.Closed().empty()) << "no message box the test did not expect, first: "
                                                   << (m_strayBoxes.Closed().empty() ? "" : m_strayBoxes.Closed()[0]);
    }

    bool Run(const char* type, const char* p1 = "", const char* p2 = "", const char* p3 = "")
    {
        const CommandRecordPtr record = MakeCommandRecord(type, p1, p2, p3);
        return m_operator.Execute(record.get());
    }

    void HoldRecorders() { (void)::ResetEvent(m_hold); }
    void ReleaseRecorders() { (void)::SetEvent(m_hold); }

    // Waits for the last wait thread to end.
    bool WaitThreadEnded(CProgramCommands& programs)
    {
        const HANDLE thread = programs.GetLastWaitThread();
        return thread != nullptr && ::WaitForSingleObject(thread, 15000) == WAIT_OBJECT_0;
    }

    CTempDir m_dir;
    CTempDirOverride m_tmp{m_dir.Path() + "\\"};
    CLog m_log;
    CLogLines m_lines{m_log};
    CTestCommandEnv m_env{m_log, m_dir.Path()};
    CExternalFnt m_external{m_log};
    CCmdOperator m_operator{m_log, m_env, m_external, nullptr};
    CTestWindow m_wizard{"KvTest Wizard"};
    CTestWindow m_background{"KvTest Background"};
    const std::string m_programDir =
        ((void)::CreateDirectoryA(m_dir.File("Prog Dir").c_str(), nullptr), m_dir.File("Prog Dir"));
    const std::string m_program = m_programDir + "\\CmdRecorder.exe";
    const std::string m_recorded = m_dir.File("recorded.txt");
    const std::string m_holdName = "KvCmdTestHold" + std::to_string(::GetCurrentProcessId());
    // The file type and URL scheme of this run: runs in other Windows versions share the prefix's classes.
    const std::string m_type = "kvcmd" + std::to_string(::GetCurrentProcessId());
    CVariable m_recorderLog{"KV_RECORDER_LOG", m_recorded};
    CVariable m_recorderHold{"KV_RECORDER_HOLD", m_holdName};
    HANDLE m_hold = nullptr;
    CStrayBoxCloser m_strayBoxes;
};
}  // namespace

TEST_F(ProgramCommandsTest, ExeFileNoWait_StartsTheProgramInItsFolderWithExpandedArguments)
{
    EXPECT_TRUE(Run("CT_EXE_FILE_NOWAIT", "$SRC_DIR$\\Prog Dir\\CmdRecorder.exe", "/a $SRC_DIR$ , x"));
    const std::vector<std::string> lines = WaitForRecorderLines(m_recorded, 1);
    ASSERT_EQ(1u, lines.size()) << "the program ran once";
    EXPECT_EQ("\"" + m_program + "\" /a " + m_dir.Path() + " , x|" + m_programDir, lines[0])
        << "path and arguments macro-expanded; it runs in its own folder";

    (void)m_lines.New();
    EXPECT_FALSE(Run("CT_EXE_FILE_NOWAIT", "Prog Dir\\Missing.exe"));
    EXPECT_EQ((std::vector<std::string>{"Call Command : Type = CT_EXE_FILE_NOWAIT, Param1=Prog Dir\\Missing.exe,"
                                        "Param2=,Param3=,Param4=,Param5=",
                                        "(" + m_programDir + "\\Missing.exe) file does not exist."}),
              m_lines.New()) << "a missing program fails in the path resolution, without an error box";
}

TEST_F(ProgramCommandsTest, EmptyFileParameter_NamesTheSourceFolderWhichIsNoFile)
{
    for (const char* type : {"CT_EXE_FILE_NOWAIT", "CT_OPEN_FILE_NOWAIT", "CT_OPEN_MANUAL"})
    {
        (void)m_lines.New();
        EXPECT_FALSE(Run(type, "")) << type;
        const std::vector<std::string> lines = m_lines.New();
        EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "(" + m_dir.Path() + "\\) file does not exist."))
            << type << ": nothing is started for an empty file name";
    }
}

TEST_F(ProgramCommandsTest, ExeFileWait_DisablesTheWizardUntilTheProgramEnds)
{
    m_operator.SetWindows(m_wizard.Get(), m_background.Get());
    HoldRecorders();
    EXPECT_TRUE(Run("CT_EXE_FILE_WAIT", m_program.c_str(), "first"));
    EXPECT_EQ(1u, WaitForRecorderLines(m_recorded, 1).size()) << "the program runs";
    EXPECT_FALSE(::IsWindowEnabled(m_wizard.Get())) << "the wizard is disabled while it runs";
    EXPECT_FALSE(::IsWindowEnabled(m_background.Get())) << "so is the background window";
    EXPECT_TRUE(m_wizard.TakeEndWaits(1, 300).empty()) << "the command returned before the program ended";

    ReleaseRecorders();
    EXPECT_EQ(std::vector<WPARAM>{1}, m_wizard.TakeEndWaits(1)) << "UM_END_WAIT with the bring-to-front flag";
    EXPECT_TRUE(WaitThreadEnded(m_operator.GetProgramCommands())) << "the wait thread ends after posting";

    (void)::EnableWindow(m_wizard.Get(), TRUE);
    (void)::EnableWindow(m_background.Get(), TRUE);
    EXPECT_TRUE(Run("CT_EXE_FILE_ACTIVE", m_program.c_str()));
    EXPECT_EQ(std::vector<WPARAM>{0}, m_wizard.TakeEndWaits(1))
        << "CT_EXE_FILE_ACTIVE does not bring it to the front";

    (void)::EnableWindow(m_wizard.Get(), TRUE);
    (void)::EnableWindow(m_background.Get(), TRUE);
    EXPECT_TRUE(Run("CT_EXE_FILE_WAIT", "Missing.exe")) << "a missing program still answers true";
    EXPECT_TRUE(::IsWindowEnabled(m_wizard.Get())) << "and disables nothing";
    EXPECT_TRUE(m_wizard.TakeEndWaits(1, 300).empty());
}

TEST_F(ProgramCommandsTest, ExeFileWait_ProgramThatDoesNotEnd_WizardGivenBackAtTheBound)
{
    m_operator.SetWindows(m_wizard.Get(), m_background.Get());
    m_operator.GetProgramCommands().SetProgramWaitBound(200);
    HoldRecorders();
    (void)m_lines.New();
    EXPECT_TRUE(Run("CT_EXE_FILE_WAIT", m_program.c_str(), "held"));
    EXPECT_EQ(1u, WaitForRecorderLines(m_recorded, 1).size()) << "the program runs and is held";
    EXPECT_EQ(std::vector<WPARAM>{1}, m_wizard.TakeEndWaits(1))
        << "the wizard is told that the wait is over while the program still runs";
    EXPECT_TRUE(WaitThreadEnded(m_operator.GetProgramCommands())) << "the wait thread ends after posting";
    const std::vector<std::string> lines = m_lines.New();
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(),
                                     "The started program did not end within 200 ms; the wizard goes on"))
        << "the log says why the wizard went on";
    ReleaseRecorders();
}

TEST_F(ProgramCommandsTest, ExeFileWait_TwoProgramsOfOneSection_RunTogetherAndReportTheirOwnFlags)
{
    ASSERT_TRUE(m_env.OpenFiles("[RUN_BOTH]\nCT_EXE_FILE_WAIT = " + m_program + ", one\nCT_EXE_FILE_ACTIVE = " +
                                    m_program + ", two\n",
                                "[X]\n"));
    m_operator.SetWindows(m_wizard.Get(), nullptr);
    HoldRecorders();
    EXPECT_TRUE(Run("CT_COMMAND", "RUN_BOTH"));
    EXPECT_EQ(2u, WaitForRecorderLines(m_recorded, 2).size()) << "both programs run at the same time";
    ReleaseRecorders();
    std::vector<WPARAM> flags = m_wizard.TakeEndWaits(2);
    std::sort(flags.begin(), flags.end());
    EXPECT_EQ((std::vector<WPARAM>{0, 1}), flags) << "each wait reports the flag of its own command";
}

TEST_F(ProgramCommandsTest, ExeFileWait_SilentRun_StartsTheProgramAndWaitsForNothing)
{
    EXPECT_TRUE(Run("CT_EXE_FILE_WAIT", m_program.c_str()));
    EXPECT_EQ(1u, WaitForRecorderLines(m_recorded, 1).size());
    EXPECT_EQ(nullptr, m_operator.GetProgramCommands().GetLastWaitThread()) << "no window: no wait thread";
}

TEST_F(ProgramCommandsTest, ExeAndTerminate_TerminatesOnlyWhenTheProgramStarted)
{
    std::vector<bool> terminations;
    m_operator.SetTerminator([&terminations](bool cancelled) { terminations.push_back(cancelled); });
    EXPECT_TRUE(Run("CT_EXE_AND_TERMINATE", "Missing.exe"));
    EXPECT_TRUE(terminations.empty()) << "nothing started, nothing ends";
    EXPECT_TRUE(Run("CT_EXE_AND_TERMINATE", m_program.c_str(), "bye"));
    EXPECT_EQ(std::vector<bool>{false}, terminations) << "started: the termination steps run, not cancelled";
    EXPECT_EQ(1u, WaitForRecorderLines(m_recorded, 1).size());
}

TEST_F(ProgramCommandsTest, StartProgram_ShellRefuses_ShowsTheErrorWithTheProgramAsCaption)
{
    const std::string broken = m_dir.File("Broken.exe");
    ASSERT_TRUE(WriteTestFile(broken, "this is no program"));
    CMessageBoxWatcher ours(broken);
    CMessageBoxWatcher shells("Error");                       // the shell's own report of the failure
    EXPECT_FALSE(Run("CT_EXE_FILE_NOWAIT", broken.c_str()));
    EXPECT_EQ(1u, ours.Texts().size()) << "one system error box captioned with the program path";
    EXPECT_FALSE(ours.Texts().empty() || ours.Texts()[0].empty()) << "showing the system's text";
}

TEST_F(ProgramCommandsTest, OpenFile_OpensTheDocumentWithItsAssociatedProgram)
{
    const CTestAssociation association("." + m_type, "\"" + m_program + "\" open \"%1\"", false);
    const std::string document = m_dir.File("Read Me." + m_type);
    ASSERT_TRUE(WriteTestFile(document, "text"));

    EXPECT_TRUE(Run("CT_OPEN_FILE_WAIT", ("Read Me." + m_type).c_str())) << "relative to the source folder";
    EXPECT_TRUE(Run("CT_OPEN_FILE_NOWAIT", document.c_str()));
    const std::vector<std::string> lines = WaitForRecorderLines(m_recorded, 2);
    ASSERT_EQ(2u, lines.size());
    for (const std::string& line : lines)
    {
        EXPECT_EQ(0u, line.find("\"" + m_program + "\" open \"" + document + "\"|")) << line;
    }

    EXPECT_FALSE(Run("CT_OPEN_FILE_NOWAIT", ("Missing." + m_type).c_str())) << "a missing document fails";

    const std::string orphan = m_dir.File("orphan.kvnoassoc");
    ASSERT_TRUE(WriteTestFile(orphan, "text"));
    CMessageBoxWatcher box(orphan);
    EXPECT_TRUE(Run("CT_OPEN_FILE_NOWAIT", orphan.c_str()))
        << "a document the shell cannot open still answers true";
    EXPECT_EQ(1u, box.Texts().size()) << "after the system error box captioned with the document";
}

TEST_F(ProgramCommandsTest, OpenUrl_TriesTheBrowserThenTheUrlItself)
{
    const CTestAssociation scheme(m_type, "\"" + m_program + "\" url \"%1\"", true);
    CTestProgramCommands programs(m_log, m_env, m_external);
    const CommandRecordPtr record = MakeCommandRecord("CT_OPEN_URL", (m_type + "://host/page?a=1").c_str());

    programs.SetBrowserProgram(m_program);
    EXPECT_TRUE(programs.OpenUrl(*record));
    std::vector<std::string> lines = WaitForRecorderLines(m_recorded, 1);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(0u, lines[0].find("\"" + m_program + "\" " + m_type + "://host/page?a=1|")) << "the browser gets the URL";
    EXPECT_TRUE(m_lines.New().empty()) << "a first try that works logs nothing";

    programs.SetBrowserProgram("KvNoSuchBrowser.exe");
    EXPECT_TRUE(programs.OpenUrl(*record));
    lines = WaitForRecorderLines(m_recorded, 2);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(0u, lines[1].find("\"" + m_program + "\" url \"" + m_type + "://host/page?a=1\"|"))
        << "the second try opens the URL as a file";
    std::vector<std::string> log = m_lines.New();
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ("Open KvNoSuchBrowser.exe", log[0]);
    EXPECT_EQ(0u, log[1].find("Error Code = 2 :")) << log[1];

    const CommandRecordPtr unknown = MakeCommandRecord("CT_OPEN_URL", "kvnoscheme:nothing");
    EXPECT_FALSE(programs.OpenUrl(*unknown)) << "both tries failed";
    log = m_lines.New();
    ASSERT_EQ(3u, log.size());
    EXPECT_EQ("Open KvNoSuchBrowser.exe", log[0]);
    EXPECT_EQ("There is no association for the specified file type.", log[2]);
}

TEST_F(ProgramCommandsTest, OpenBrowse_OpensTheFolderWindow)
{
    const std::string name = "KvBrowse" + std::to_string(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryA(m_dir.File(name).c_str(), nullptr));
    EXPECT_TRUE(Run("CT_OPEN_BROWSE", ("$SRC_DIR$\\" + name).c_str()));
    std::vector<std::string> log = m_lines.New();
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ("Open Browse : " + m_dir.File(name) + "\\", log[1]) << "expanded, resolved, one backslash added";

    HWND folder = nullptr;
    for (int waited = 0; folder == nullptr && waited < 300; ++waited)
    {
        ::Sleep(50);
        folder = ::FindWindowA(nullptr, name.c_str());
    }
    EXPECT_NE(nullptr, folder) << "a folder window shows the folder";
    if (folder != nullptr)
    {
        (void)::PostMessageA(folder, WM_CLOSE, 0, 0);
    }

    const CommandRecordPtr empty = MakeCommandRecord("CT_OPEN_BROWSE");
    const std::string sourceName = "KvSource" + std::to_string(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryA(m_dir.File(sourceName).c_str(), nullptr));
    CTestCommandEnv source(m_log, m_dir.File(sourceName));
    CTestProgramCommands sourcePrograms(m_log, source, m_external);
    EXPECT_TRUE(sourcePrograms.OpenBrowse(*empty));
    EXPECT_EQ(std::vector<std::string>{"Open Browse : " + m_dir.File(sourceName) + "\\"}, m_lines.New())
        << "an empty folder opens the source folder";
    folder = nullptr;
    for (int waited = 0; folder == nullptr && waited < 300; ++waited)
    {
        ::Sleep(50);
        folder = ::FindWindowA(nullptr, sourceName.c_str());
    }
    if (folder != nullptr)
    {
        (void)::PostMessageA(folder, WM_CLOSE, 0, 0);
    }
    EXPECT_NE(nullptr, folder) << "the source folder's window";
}

TEST_F(ProgramCommandsTest, OpenManual_ThroughTheViewerThenTheManualItself)
{
    const CTestAssociation association("." + m_type, "\"" + m_program + "\" manual \"%1\"", false);
    const std::string manual = m_dir.File("Guide." + m_type);
    ASSERT_TRUE(WriteTestFile(manual, "manual"));
    CExternalFnt::Paths paths;
    paths[kKvOpenExe] = m_program;
    m_external.Load(paths);
    m_operator.SetWindows(m_wizard.Get(), nullptr);
    (void)m_lines.New();

    EXPECT_TRUE(Run("CT_OPEN_MANUAL", ("$SRC_DIR$\\Guide." + m_type).c_str(), "-page 3"));
    std::vector<std::string> lines = WaitForRecorderLines(m_recorded, 1);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(0u, lines[0].find("\"" + m_program + "\" /T " + manual + " -page 3|"))
        << "the viewer's command line";
    EXPECT_FALSE(::IsWindowEnabled(m_wizard.Get())) << "the wizard waits for the viewer";
    EXPECT_EQ(std::vector<WPARAM>{0}, m_wizard.TakeEndWaits(1)) << "and is not brought to the front afterwards";
    (void)::EnableWindow(m_wizard.Get(), TRUE);

    m_external.Load(CExternalFnt::Paths());                   // no viewer beside the installer
    (void)m_lines.New();
    EXPECT_TRUE(Run("CT_OPEN_MANUAL", ("Guide." + m_type).c_str()));
    lines = WaitForRecorderLines(m_recorded, 2);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(0u, lines[1].find("\"" + m_program + "\" manual \"" + manual + "\"|"))
        << "the manual opens by itself";
    const std::vector<std::string> log = m_lines.New();
    ASSERT_EQ(3u, log.size());
    EXPECT_EQ("Open Manual", log[1]);
    EXPECT_EQ(0u, log[2].find("Error Code = 2 :")) << log[2];
    EXPECT_TRUE(::IsWindowEnabled(m_wizard.Get())) << "the manual's own program is not waited for";

    EXPECT_FALSE(Run("CT_OPEN_MANUAL", ("Missing." + m_type).c_str())) << "a missing manual fails";

    const std::string orphan = m_dir.File("orphan.kvnoassoc");
    ASSERT_TRUE(WriteTestFile(orphan, "text"));
    CMessageBoxWatcher box(orphan);
    CMessageBoxWatcher shells("Error");
    EXPECT_FALSE(Run("CT_OPEN_MANUAL", orphan.c_str())) << "neither the viewer nor the manual's program";
    EXPECT_EQ(1u, box.Texts().size()) << "the system error box captioned with the manual";
}

TEST_F(ProgramCommandsTest, TestPageCommands_FallBackToTheSystemTestPageOnMinusOne)
{
    CExternalFnt::Paths paths;
    paths[kTestPageDll] = BesideTest("ExtHelperGood.dll");
    m_external.Load(paths);
    m_env.osClass = OSCLASS_NT5;                              // the printui path only logs its command line
    (void)m_lines.New();

    EXPECT_TRUE(Run("CT_PRINT_TEST_PAGE", "Kv Printer", "2"));
    EXPECT_TRUE(Run("CT_PRINT_META_TEST_PAGE", "Kv Printer", "page.emf"));
    EXPECT_TRUE(Run("CT_PRINT_PRN_TEST_PAGE", "Kv Printer", "page.prn"));
    for (const std::string& line : m_lines.New())
    {
        EXPECT_EQ(std::string::npos, line.find("Print Test Page")) << "the library printed: " << line;
    }

    m_external.Load(CExternalFnt::Paths());
    (void)m_lines.New();
    const std::string systemPage = "Print Test Page ( /k /n\"Kv Printer\" )";
    EXPECT_TRUE(Run("CT_PRINT_TEST_PAGE", "Kv Printer", "2", "3"));
    std::vector<std::string> log = m_lines.New();
    EXPECT_EQ(systemPage, log.back()) << "the missing library answers -1: system test page";
    EXPECT_TRUE(Run("CT_PRINT_META_TEST_PAGE", "Kv Printer", "page.emf"));
    log = m_lines.New();
    EXPECT_EQ(systemPage, log.back());
    EXPECT_TRUE(Run("CT_PRINT_PRN_TEST_PAGE", "Kv Printer", "page.prn"));
    log = m_lines.New();
    EXPECT_EQ("Call PrintPrnFile ==> NULL", log.back()) << "its fallback 1 prints nothing";
}

// Runs on the Windows versions the tests name: the printui path on Windows 2000 and later, the shell's
// printer command on Windows 9x. Under Wine the first does nothing and the second is a stub that
// raises: both must leave the installer running.
TEST_F(ProgramCommandsTest, PrintSystemTestPage_UsesThePlatformsPrinterCommand)
{
    CProgramCommands& programs = m_operator.GetProgramCommands();
    ASSERT_EQ(ERROR_SUCCESS, CRegistry::SetValue(m_env.installingKey.c_str(), "Default_Printer", "Kv Default",
                                                 HKEY_LOCAL_MACHINE));
    (void)m_lines.New();
    if (m_env.osClass == OSCLASS_NT5)
    {
        EXPECT_EQ(1, programs.PrintSystemTestPage("Kv Printer"));
        EXPECT_EQ(1, programs.PrintSystemTestPage(""));
        EXPECT_EQ((std::vector<std::string>{"Print Test Page ( /k /n\"Kv Printer\" )",
                                            "Print Test Page ( /k /n\"Kv Default\" )"}),
                  m_lines.New()) << "an empty name prints on the Installing key's Default_Printer";
    }
    else
    {
        ASSERT_EQ(OSCLASS_9X, m_env.osClass) << "the test runs on the Windows 9x and NT 5 families";
        const int result = programs.PrintSystemTestPage("Kv Printer");
        const std::vector<std::string> log = m_lines.New();
        if (log.empty())
        {
            EXPECT_NE(0, result) << "the shell printed the page";
        }
        else
        {
            EXPECT_EQ(0, result) << "a faulting printer command answers as if it were missing";
            EXPECT_EQ(std::vector<std::string>{"Call SHInvokePrinterCommandA() ==> GPF!!!!"}, log);
        }
    }
    EXPECT_EQ(0, programs.PrintSystemTestPage("Kv Printer", "KvNoSuchLibrary.dll", "KvNoSuchLibrary.dll"))
        << "a missing library gives 0";
    EXPECT_TRUE(m_lines.New().empty()) << "and logs nothing";
}
