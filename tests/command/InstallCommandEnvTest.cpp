// The command executor over a real installer environment: a product folder as on an installation
// medium, started with Init, its command sections run through the executor.

#include "command/InstallCommandEnv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CommandTestSupport.h"
#include "command/CmdOperator.h"
#include "env/EnvTestSupport.h"
#include "env/InstallEnv.h"
#include "items/UninstallRecords.h"

using namespace cmdtest;

namespace
{
class InstallCommandEnvTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_log.OpenLogFile()) << "the log opens in the test folder";
        const std::string vendor = "Software\\" + m_mfg;
        ASSERT_TRUE(::CreateDirectoryA(m_src.c_str(), nullptr)) << m_src;
        ASSERT_TRUE(WriteTreeFile(m_src, "Setup.dat",
                                  "[PROGRAM_INFO]\r\nMFG = " + m_mfg + "\r\nMDL = Model 7\r\nVIDPID = VID_1\r\n"
                                  "PROGRAM_NAME = CmdTest\r\nDESTINATION_DIR = $SRC_DIR$\\Dest\r\n"
                                  "[PROGRAM_LANG_INFO]\r\n0x0409\r\n0x0407\r\n"));
        ASSERT_TRUE(WriteTreeFile(m_src, "data\\kvinst.kvi",
                                  "[START]\r\nCT_SET_SETUP_TYPE = reinst\r\nCT_ADDREG = SOURCE_KEYS\r\n"
                                  "CT_COPY_FILE = COPY_README\r\n"));
        ASSERT_TRUE(WriteTreeFile(m_src, "data\\kvinst.cmd",
                                  "[SOURCE_KEYS]\r\nKEYNAME = " + vendor + "\\Keys\r\n"
                                  "VALUE = REG_SZ, Source, $SRC_DIR$\r\n"
                                  "[GERMAN_KEYS]\r\nSUPPORTED_LANG = GR\r\nKEYNAME = " + vendor + "\\Keys\r\n"
                                  "VALUE = REG_SZ, German, ja\r\n"
                                  "[COPY_README]\r\n"
                                  "FILE = $SRC_DIR$\\data\\readme.txt, $DEST_DIR$\\readme.txt\r\n"));
        ASSERT_TRUE(WriteTreeFile(m_src, "data\\readme.txt", "read me"));
        ASSERT_TRUE(WriteTreeFile(m_src, "data\\String\\Lang_EN.str", "[MESSAGES]\r\nHELLO = Hello\r\n"));
        ASSERT_TRUE(WriteTreeFile(m_src, "data\\String\\Lang_GR.str", "[MESSAGES]\r\nHELLO = Hallo\r\n"));
        ASSERT_TRUE(m_env.Init()) << "the product starts";
        ASSERT_TRUE(m_env.SetLanguage(0x0409, false)) << "English, whatever the system's language";
        (void)m_lines.New();
    }
    void TearDown() override
    {
        (void)CRegistry::DeleteKey(("Software\\" + m_mfg).c_str(), false, HKEY_LOCAL_MACHINE);
    }

    bool Run(const char* type, const char* p1 = "")
    {
        const CommandRecordPtr record = MakeCommandRecord(type, p1);
        return m_operator.Execute(record.get());
    }

    std::string KeysText(const char* name)
    {
        char text[4096] = {};
        const std::string key = "Software\\" + m_mfg + "\\Keys";
        const DWORD read = CRegistry::GetValue(key.c_str(), name, text, HKEY_LOCAL_MACHINE);
        return read == ERROR_SUCCESS ? text : "<missing>";
    }

    const std::string m_mfg = "KvTestVendorCmd" + std::to_string(::GetCurrentProcessId());
    CTempDir m_root;
    CTempDirOverride m_tmp{m_root.Path() + "\\"};
    CCurrentDirectoryKeeper m_cwd;
    const std::string m_src = m_root.Path() + "\\Disk1";
    CLog m_log;
    CLogLines m_lines{m_log};
    CInstallEnv m_env{m_log, m_src + "\\Setup.exe"};
    CUninstallRecords m_records{m_log, "Software\\" + m_mfg + "\\CmdTest\\Installing\\InstHistory"};
    CCmdOperator m_operator{m_log, m_env, m_env.GetExternalFnt(), m_records.Recorder()};
};
}  // namespace

TEST_F(InstallCommandEnvTest, StartSection_RunsThroughTheEnvironmentsFilesKeysAndMacros)
{
    EXPECT_TRUE(Run("CT_COMMAND", "START")) << "the configuration file's section";
    DWORD setupType = 0;
    ASSERT_EQ(ERROR_SUCCESS, CRegistry::GetValue(m_env.GetInstallingKey().c_str(), "Setup_Type", &setupType,
                                                 HKEY_LOCAL_MACHINE));
    EXPECT_EQ(3u, setupType) << "under the environment's Installing key";
    EXPECT_EQ(m_src, KeysText("Source")) << "the command file's section, with the environment's macros";
    EXPECT_EQ("read me", ReadTestFile(m_env.GetDestDir() + "\\readme.txt")) << "copied to $DEST_DIR$";

    const std::string history = m_env.GetInstallingHistoryKey();
    DWORD files = 0;
    DWORD values = 0;
    EXPECT_EQ(ERROR_SUCCESS, CRegistry::GetValue(history.c_str(), "NumOfFiles", &files, HKEY_LOCAL_MACHINE));
    EXPECT_EQ(ERROR_SUCCESS, CRegistry::GetValue(history.c_str(), "NumOfValues", &values, HKEY_LOCAL_MACHINE));
    EXPECT_EQ(1u, files) << "the copied file is in the run's uninstall records";
    EXPECT_EQ(1u, values) << "so is the value the section created";

    (void)m_lines.New();
    EXPECT_FALSE(Run("CT_EXE_FILE_NOWAIT", "data\\missing.exe"));
    const std::vector<std::string> log = m_lines.New();
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ("(" + m_src + "\\data\\missing.exe) file does not exist.", log[1])
        << "programs are resolved against the source folder by the environment";
}

TEST_F(InstallCommandEnvTest, LanguageAndRemoteInstallCommands_ChangeTheEnvironment)
{
    EXPECT_TRUE(Run("CT_ADDREG", "GERMAN_KEYS"));
    EXPECT_EQ("<missing>", KeysText("German")) << "a German section does not apply to English";
    (void)m_lines.New();

    EXPECT_TRUE(Run("CT_CHANGE_LANG", "0x0407"));
    EXPECT_EQ("GR", m_env.GetLanguage().GetLangAbbr()) << "the environment switched to German";
    DWORD langCode = 0;
    ASSERT_EQ(ERROR_SUCCESS, CRegistry::GetValue(m_env.GetInstallingKey().c_str(), "LangCode", &langCode,
                                                 HKEY_LOCAL_MACHINE));
    EXPECT_EQ(0x0407u, langCode);
    EXPECT_EQ(m_src + "\\data\\String\\Lang_GR.str", m_env.GetStringFile());
    const std::vector<std::string> log = m_lines.New();
    ASSERT_LE(2u, log.size());
    EXPECT_EQ("Change Language ==> 0407", log[1]) << "after the dispatcher line, before the environment's";
    EXPECT_TRUE(Run("CT_ADDREG", "GERMAN_KEYS"));
    EXPECT_EQ("ja", KeysText("German")) << "now it applies";

    (void)m_lines.New();
    EXPECT_TRUE(Run("CT_CHANGE_LANG", "1031"));
    EXPECT_EQ((std::vector<std::string>{"Call Command : Type = CT_CHANGE_LANG, "
                                        "Param1=1031,Param2=,Param3=,Param4=,Param5=",
                                        "Change Language ==> 0407"}),
              m_lines.New()) << "the language already requested changes nothing";

    EXPECT_TRUE(Run("CT_SET_REMOTE_INSTALL", "1"));
    EXPECT_TRUE(m_env.IsRemoteInstallPreparation());
    EXPECT_TRUE(Run("CT_SET_REMOTE_INSTALL", "0"));
    EXPECT_FALSE(m_env.IsRemoteInstallPreparation());
}
