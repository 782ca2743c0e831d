#include "command/CmdOperator.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "CommandTestSupport.h"
#include "external/ExternalFnt.h"

using namespace cmdtest;

namespace
{
const char kConfig[] =
    "[DLG_COMMON]\nCANCEL_TYPE = null\n"
    "[RUN]\nCT_DO_MODAL = first , x,y,z,w\nct_show_toggle = second\nCT_DO_MODAL\nCT_DO_MODAL = $SRC_DIR$\n"
    "[BOTH]\nCT_DO_MODAL = from configuration\n"
    "[SELF]\nCT_COMMAND = SELF\n";
const char kCommand[] =
    "[BOTH]\nCT_DO_MODAL = from command file\n"
    "[ONLY_COMMAND]\nCT_DO_MODAL = one\nCT_NOT_A_COMMAND = two\nCT_DO_MODAL = three\n";

// The later capabilities' names: in the vocabulary, but connected by their own parts.
const char* const kLaterRows[] = {
    "CT_OPEN_DLG",       "CT_DLG_BACK",        "CT_DO_MODAL",   "CT_SHOW_TOGGLE",    "CT_DLG_CANCEL",
    "CT_APP_TERMINATE",  "CT_WRITE_ITEM_INFO", "CT_CHECK_ITEM", "CT_OPEN_TEST_PAGE", "CT_INSTALL_UPDATE",
    "CT_DELETE_ALL",     "CT_RUN_REMOTE_INSTALL", "CT_DIAGNOSIS"};

// A handler that remembers what it was given and the cursor shown while it ran.
struct CProbe
{
    std::vector<std::vector<std::string>> calls;
    const CommandRecord* seen = nullptr;
    HCURSOR cursor = nullptr;
    bool result = true;

    CCmdOperator::Handler Handler()
    {
        return [this](const CommandRecord& record) {
            calls.push_back({record.type, record.param[0], record.param[1], record.param[2], record.param[3],
                             record.param[4]});
            seen = &record;
            cursor = ::GetCursor();
            return result;
        };
    }
    std::vector<std::string> FirstParams() const
    {
        std::vector<std::string> params;
        for (const std::vector<std::string>& call : calls)
        {
            params.push_back(call[1]);
        }
        return params;
    }
};

std::string DispatchLine(const char* type, const char* p1 = "", const char* p2 = "", const char* p3 = "")
{
    return std::string("Call Command : Type = ") + type + ", Param1=" + p1 + ",Param2=" + p2 + ",Param3=" + p3 +
           ",Param4=,Param5=";
}

class CmdOperatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_log.OpenLogFile()) << "the log opens in the test folder";
        ASSERT_TRUE(m_env.OpenFiles(kConfig, kCommand)) << "the test's configuration and command files open";
    }

    bool Run(const char* type, const char* p1 = "", const char* p2 = "", const char* p3 = "")
    {
        const CommandRecordPtr record = MakeCommandRecord(type, p1, p2, p3);
        return m_operator.Execute(record.get());
    }

    // The calls the helper library recorded since the last look.
    std::string TakeHelperCalls()
    {
        using TakeCallsFn = DWORD(WINAPI*)(char*, DWORD);
        const auto take = reinterpret_cast<TakeCallsFn>(reinterpret_cast<void (*)()>(
            ::GetProcAddress(m_external.GetModule(kUtilityDll), "TestTakeCalls")));
        if (take == nullptr)
        {
            return "no helper library";
        }
        std::vector<char> buffer(take(nullptr, 0) + 1);
        take(buffer.data(), static_cast<DWORD>(buffer.size()));
        return buffer.data();
    }

    void LoadHelper()
    {
        CExternalFnt::Paths paths;
        paths[kUtilityDll] = BesideTest("ExtHelperGood.dll");
        m_external.Load(paths);
        (void)TakeHelperCalls();
        (void)m_lines.New();
    }

    CTempDir m_dir;
    CTempDirOverride m_tmp{m_dir.Path() + "\\"};
    CLog m_log;
    CLogLines m_lines{m_log};
    CTestCommandEnv m_env{m_log, m_dir.Path()};
    CExternalFnt m_external{m_log};
    CCmdOperator m_operator{m_log, m_env, m_external, nullptr};
    CProbe m_probe;
};
}  // namespace

TEST_F(CmdOperatorTest, Execute_TypeInAnyCase_RunsTheHandlerOnACopyUnderTheWaitCursor)
{
    ASSERT_TRUE(m_operator.Connect("CT_DO_MODAL", m_probe.Handler()));
    m_probe.result = false;
    const HCURSOR arrow = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));   // IDC_ARROW
    (void)::SetCursor(arrow);
    const CommandRecordPtr record = MakeCommandRecord("ct_Do_Modal", "a", "b", "c", "d", "e");

    EXPECT_FALSE(m_operator.Execute(record.get())) << "the handler's result comes back";

    ASSERT_EQ(1u, m_probe.calls.size()) << "a type in any case dispatches to its row, once";
    EXPECT_EQ((std::vector<std::string>{"ct_Do_Modal", "a", "b", "c", "d", "e"}), m_probe.calls[0]);
    EXPECT_NE(record.get(), m_probe.seen) << "the handler works on the dispatcher's own copy";
    EXPECT_EQ(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)), m_probe.cursor)
        << "the wait cursor shows meanwhile";
    EXPECT_EQ(arrow, ::GetCursor()) << "and ends when the command returns";
    EXPECT_EQ(std::vector<std::string>{"Call Command : Type = ct_Do_Modal, "
                                       "Param1=a,Param2=b,Param3=c,Param4=d,Param5=e"},
              m_lines.New()) << "one dispatcher line with all six fields";
}

TEST_F(CmdOperatorTest, Execute_UnknownOrUnconnectedTypes_AnswerTrueAndOnlyLog)
{
    const HCURSOR arrow = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    (void)::SetCursor(arrow);
    EXPECT_TRUE(Run("CT_NOT_IN_THE_VOCABULARY", "p")) << "an unknown type does nothing and succeeds";
    EXPECT_EQ(std::vector<std::string>{DispatchLine("CT_NOT_IN_THE_VOCABULARY", "p")}, m_lines.New());
    EXPECT_EQ(arrow, ::GetCursor()) << "the wait cursor ends on this path too";

    for (const char* type : kLaterRows)
    {
        EXPECT_FALSE(m_operator.IsConnected(type)) << type << " is connected by a later part";
        EXPECT_TRUE(Run(type, "x")) << type << " behaves as an unknown type until then";
        EXPECT_EQ(std::vector<std::string>{DispatchLine(type, "x")}, m_lines.New()) << type;
    }
    for (const char* type : {"CT_RUNDLL", "CT_RUNDLL_AND_TERMINATE", "CT_DLG_HELP", "CT_VIEW_LICESNE"})
    {
        EXPECT_TRUE(m_operator.IsConnected(type)) << type << " is one of the no-action names";
        EXPECT_TRUE(Run(type)) << type;
        EXPECT_EQ(std::vector<std::string>{DispatchLine(type)}, m_lines.New()) << type << " does nothing more";
    }
    EXPECT_EQ(44, CCmdOperator::kVocabularySize);
    EXPECT_FALSE(m_operator.Connect("CT_NOT_IN_THE_VOCABULARY", m_probe.Handler()))
        << "only vocabulary names connect";
}

TEST_F(CmdOperatorTest, Execute_NullOrOverfullRecord_IsRefusedOrCutInsideItsFields)
{
    const HCURSOR arrow = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    (void)::SetCursor(arrow);
    EXPECT_FALSE(m_operator.Execute(nullptr));
    EXPECT_EQ(std::vector<std::string>{"Command Structure is invalid"}, m_lines.New());
    EXPECT_EQ(arrow, ::GetCursor()) << "the wait cursor ends for a null record too";

    // A producer that filled whole fields without their zero: nothing is read beyond a field.
    ASSERT_TRUE(m_operator.Connect("CT_SHOW_TOGGLE", m_probe.Handler()));
    const CommandRecordPtr record = MakeCommandRecord();
    std::memset(record.get(), 'A', sizeof(CommandRecord));
    std::memcpy(record->type, "CT_SHOW_TOGGLE", 15);
    EXPECT_TRUE(m_operator.Execute(record.get()));
    ASSERT_EQ(1u, m_probe.calls.size());
    for (int i = 1; i <= kCommandParamCount; ++i)
    {
        EXPECT_EQ(kCommandFieldSize - 1, m_probe.calls[0][i].size()) << "parameter " << i << " is cut to 16383";
    }

    const CommandRecordPtr made = MakeCommandRecord("CT_SHOW_TOGGLE", std::string(20000, 'B').c_str());
    EXPECT_EQ(kCommandFieldSize - 1, std::strlen(made->param[0])) << "producers copy bounded";
    EXPECT_EQ('\0', made->param[1][0]) << "unset fields are empty";
}

TEST_F(CmdOperatorTest, RunCommandLine_SplitsIntoTypeAndThreeParameters)
{
    ASSERT_TRUE(m_operator.Connect("CT_DO_MODAL", m_probe.Handler()));
    EXPECT_TRUE(m_operator.RunCommandLine("ct_do_modal = setup.exe , /s,,c,d,e"));
    EXPECT_TRUE(m_operator.RunCommandLine("  CT_DO_MODAL  "));
    ASSERT_EQ(2u, m_probe.calls.size());
    EXPECT_EQ((std::vector<std::string>{"ct_do_modal", "setup.exe", "/s", "c", "", ""}), m_probe.calls[0]);
    EXPECT_EQ((std::vector<std::string>{"CT_DO_MODAL", "", "", "", "", ""}), m_probe.calls[1]);
    EXPECT_EQ((std::vector<std::string>{DispatchLine("ct_do_modal", "setup.exe", "/s", "c"),
                                        DispatchLine("CT_DO_MODAL")}),
              m_lines.New());
}

TEST_F(CmdOperatorTest, CommandSection_RunsEveryLineFromTheConfigurationFileFirst)
{
    ASSERT_TRUE(m_operator.Connect("CT_DO_MODAL", m_probe.Handler()));
    ASSERT_TRUE(m_operator.Connect("CT_SHOW_TOGGLE", m_probe.Handler()));
    m_probe.result = false;                                   // a failing line does not stop the section

    EXPECT_TRUE(Run("CT_COMMAND", "run"));
    EXPECT_EQ((std::vector<std::string>{"first", "second", "", m_dir.Path()}), m_probe.FirstParams())
        << "every line in file order, section name in any case, macros expanded";
    EXPECT_EQ((std::vector<std::string>{"CT_DO_MODAL", "first", "x", "y", "", ""}), m_probe.calls[0])
        << "three parameters at most";
    EXPECT_EQ((std::vector<std::string>{DispatchLine("CT_COMMAND", "run"),
                                        DispatchLine("CT_DO_MODAL", "first", "x", "y"),
                                        DispatchLine("ct_show_toggle", "second"), DispatchLine("CT_DO_MODAL"),
                                        DispatchLine("CT_DO_MODAL", m_dir.Path().c_str())}),
              m_lines.New());

    m_probe.calls.clear();
    EXPECT_TRUE(Run("CT_COMMAND", "BOTH"));
    EXPECT_EQ(std::vector<std::string>{"from configuration"}, m_probe.FirstParams())
        << "a section in both files runs only from the configuration file";

    m_probe.calls.clear();
    EXPECT_TRUE(Run("CT_COMMAND", "ONLY_COMMAND"));
    EXPECT_EQ((std::vector<std::string>{"one", "three"}), m_probe.FirstParams())
        << "the command file is read when the configuration file has no such section; unknown lines pass";

    (void)m_lines.New();
    EXPECT_FALSE(Run("CT_COMMAND", "NO_SUCH_SECTION"));
    EXPECT_FALSE(Run("CT_COMMAND"));
    EXPECT_EQ((std::vector<std::string>{DispatchLine("CT_COMMAND", "NO_SUCH_SECTION"),
                                        DispatchLine("CT_COMMAND")}),
              m_lines.New()) << "a missing or unnamed section fails with nothing logged beyond the dispatcher";
}

TEST_F(CmdOperatorTest, CommandSection_RunningItself_StopsInsteadOfExhaustingTheStack)
{
    EXPECT_TRUE(Run("CT_COMMAND", "SELF")) << "the outer section ran";
    const std::vector<std::string> lines = m_lines.New();
    EXPECT_EQ(33u, lines.size()) << "the outer call and 32 nested ones; the deepest is refused";
    for (const std::string& line : lines)
    {
        EXPECT_EQ(DispatchLine("CT_COMMAND", "SELF"), line);
    }
    EXPECT_TRUE(Run("CT_COMMAND", "SELF")) << "the depth is counted per run, so the section runs again";
}

TEST_F(CmdOperatorTest, ReadCancelType_KnownWordsInAnyCaseOnly)
{
    EXPECT_EQ(RESUME_EXIT, m_operator.GetCancelType()) << "the default before reading";
    m_operator.ReadCancelType();
    EXPECT_EQ(CANCEL_NULL, m_operator.GetCancelType()) << "null in lower case";

    const struct
    {
        const char* config;
        int expected;
    } cases[] = {
        {"[DLG_COMMON]\nCANCEL_TYPE = Ok_Cancel\n", OK_CANCEL},
        {"[DLG_COMMON]\nCANCEL_TYPE = QUIT\n", OK_CANCEL},
        {"[DLG_COMMON]\nOTHER = 1\n", OK_CANCEL},
        {"[DLG_COMMON]\nCANCEL_TYPE = RESUME_EXIT\n", RESUME_EXIT},
    };
    for (const auto& c : cases)
    {
        ASSERT_TRUE(m_env.OpenFiles(c.config, kCommand));
        m_operator.ReadCancelType();
        EXPECT_EQ(c.expected, m_operator.GetCancelType()) << c.config << "(other words and a missing key keep it)";
    }
}

TEST_F(CmdOperatorTest, SetupTypeCommands_WriteTheInstallingKey)
{
    const char* key = m_env.installingKey.c_str();
    const struct
    {
        const char* word;
        DWORD expected;
    } cases[] = {{"INSTALL", 1}, {"uninst", 2}, {"reinst", 3}, {"", 0}, {"SOMETHING", 0}};
    for (const auto& c : cases)
    {
        EXPECT_TRUE(Run("CT_SET_SETUP_TYPE", c.word));
        DWORD value = 99;
        ASSERT_EQ(ERROR_SUCCESS, CRegistry::GetValue(key, "Setup_Type", &value, HKEY_LOCAL_MACHINE));
        EXPECT_EQ(c.expected, value) << "Setup_Type for '" << c.word << "'";
    }

    EXPECT_TRUE(Run("CT_SET_INST_TYPE", "Custom, with comma"));
    char text[4096] = {};
    ASSERT_EQ(ERROR_SUCCESS, CRegistry::GetValue(key, "Install_Type", text, HKEY_LOCAL_MACHINE));
    EXPECT_STREQ("Custom, with comma", text) << "p1 is written as it is";
}

TEST_F(CmdOperatorTest, EnvironmentCommands_RemoteInstallFlagAndLanguage)
{
    EXPECT_TRUE(Run("CT_SET_REMOTE_INSTALL", " 1 "));
    EXPECT_TRUE(Run("CT_SET_REMOTE_INSTALL", "on"));
    EXPECT_EQ((std::vector<long>{1, 0}), m_env.remoteInstall) << "the trimmed integer; non-numeric text gives 0";

    (void)m_lines.New();
    EXPECT_TRUE(Run("CT_CHANGE_LANG", "0X0407"));
    EXPECT_TRUE(Run("CT_CHANGE_LANG", "1036"));
    EXPECT_EQ((std::vector<std::string>{DispatchLine("CT_CHANGE_LANG", "0X0407"), "Change Language ==> 0407",
                                        DispatchLine("CT_CHANGE_LANG", "1036"), "Change Language ==> 040c"}),
              m_lines.New());
    ASSERT_EQ(2u, m_env.languages.size());
    EXPECT_EQ(0x0407, m_env.languages[0].first);
    EXPECT_TRUE(m_env.languages[0].second)
        << "the switch is the interactive one: an unchanged language is skipped";
    EXPECT_EQ(0x040C, m_env.languages[1].first);
}

TEST_F(CmdOperatorTest, FindLocalPrinter_RunsACommandOrOpensTheDialogThroughTheWizardsHandler)
{
    LoadHelper();
    ASSERT_TRUE(m_operator.Connect("CT_DO_MODAL", m_probe.Handler()));
    CProbe dialogs;

    m_env.mfg = "fill";                                       // the test library reports one port for it
    EXPECT_TRUE(Run("CT_FIND_LOCAL_PRINTER", "ct_do_modal = DLG.SETUP", "DLG.NOT_CONNECTED"));
    EXPECT_EQ(std::vector<std::string>{"DLG.SETUP"}, m_probe.FirstParams())
        << "connected: p1 runs as a command line";
    EXPECT_EQ("GetDevicePort(fill,Jet 100,VID_1234&PID_5678)\n", TakeHelperCalls());

    m_env.mfg = "Acme";                                       // reported with a port count of -1
    (void)m_lines.New();
    EXPECT_TRUE(Run("CT_FIND_LOCAL_PRINTER", "CT_DO_MODAL", "DLG.NOT_CONNECTED"));
    EXPECT_EQ((std::vector<std::string>{DispatchLine("CT_FIND_LOCAL_PRINTER", "CT_DO_MODAL", "DLG.NOT_CONNECTED"),
                                        "Call GetDevicePort(Acme,Jet 100,VID_1234&PID_5678,lpPort,lpdwPortNum)"}),
              m_lines.New()) << "a dialog name without the wizard's handler does nothing";

    ASSERT_TRUE(m_operator.Connect("CT_OPEN_DLG", dialogs.Handler()));
    EXPECT_TRUE(Run("CT_FIND_LOCAL_PRINTER", "CT_DO_MODAL", "DLG.NOT_CONNECTED"));
    ASSERT_EQ(1u, dialogs.calls.size()) << "not connected: p2, a dialog name, goes to CT_OPEN_DLG's handler";
    EXPECT_EQ((std::vector<std::string>{"CT_OPEN_DLG", "DLG.NOT_CONNECTED", "", "", "", ""}), dialogs.calls[0]);
    for (const std::string& line : m_lines.New())
    {
        EXPECT_EQ(std::string::npos, line.find("Type = CT_OPEN_DLG"))
            << "no dispatcher line for the dialog: " << line;
    }
    EXPECT_EQ(1u, m_probe.calls.size()) << "p1 did not run";
}

TEST_F(CmdOperatorTest, HelperCommands_ForwardTheModelToTheHelperLibrary)
{
    LoadHelper();
    const struct
    {
        const char* type;
        const char* helperCall;
        const char* callLine;
    } cases[] = {
        {"CT_REFRESH_SYSTEM", "SystemRefresh(AcmeJet 100,VID_1234&PID_5678)\n",
         "Call SystemRefresh(AcmeJet 100,VID_1234&PID_5678)"},
        {"CT_START_PREVENT_PNP", "StartPreventPnP(AcmeJet 100)\n", "Call StartPreventPnP(AcmeJet 100)"},
        {"CT_END_PREVENT_PNP", "EndPreventPnP(AcmeJet 100)\n", "Call EndPreventPnP(AcmeJet 100)"},
        {"CT_RMHW_DLG", "RemoveHardwareWizardDialog()\n", nullptr},
        {"CT_REMOVE_DEV", "RemoveUnknownDev(AcmeJet 100,VID_1234&PID_5678)\n",
         "Call RemoveUnknownDev(AcmeJet 100,VID_1234&PID_5678)"},
    };
    for (const auto& c : cases)
    {
        EXPECT_TRUE(Run(c.type)) << c.type << " answers true whatever the library answers";
        EXPECT_EQ(c.helperCall, TakeHelperCalls()) << c.type;
        std::vector<std::string> expected = {DispatchLine(c.type)};
        if (c.callLine != nullptr)
        {
            expected.push_back(c.callLine);
        }
        EXPECT_EQ(expected, m_lines.New()) << c.type;
    }

    for (int osCode : {OS_NT3, OS_NT4})
    {
        m_env.osCode = osCode;
        EXPECT_TRUE(Run("CT_REFRESH_SYSTEM"));
        EXPECT_EQ("", TakeHelperCalls()) << "no refresh on Windows NT " << (osCode == OS_NT3 ? 3 : 4);
    }
    m_env.osCode = OS_WIN98;
    EXPECT_TRUE(Run("CT_REFRESH_SYSTEM"));
    EXPECT_EQ("SystemRefresh(AcmeJet 100,VID_1234&PID_5678)\n", TakeHelperCalls()) << "Windows 98 refreshes";

    m_external.Load(CExternalFnt::Paths());
    (void)m_lines.New();
    EXPECT_TRUE(Run("CT_START_PREVENT_PNP")) << "a missing library changes nothing for the command";
    EXPECT_EQ((std::vector<std::string>{DispatchLine("CT_START_PREVENT_PNP"), "Call StartPreventPnP(AcmeJet 100)",
                                        "Call StartPreventPnP ==> NULL"}),
              m_lines.New());
}
