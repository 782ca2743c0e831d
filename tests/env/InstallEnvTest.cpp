#include "env/InstallEnv.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/Text.h"
#include "env/EnvTestSupport.h"
#include "env/InstallPaths.h"
#include "env/Platform.h"
#include "registry/Registry.h"
#include "support/WineRun.h"

namespace
{
// A manufacturer of its own per test process: runs in other languages and versions share the prefix.
std::string TestMfg()
{
    return "KvTestVendor" + std::to_string(::GetCurrentProcessId());
}

std::string DataText(const std::string& extra)
{
    return "[PROGRAM_INFO]\r\nMFG = " + TestMfg() +
           "\r\nMDL = Model 7\r\nVIDPID = VID_1234&PID_5678\r\nPROGRAM_NAME = EnvTest\r\n"
           "[STRINGS]\r\n%VENDOR% = \"Kv Vendor\"\r\n" +
           extra;
}

std::string ReadHklmText(const std::string& key, const char* name)
{
    char text[4097] = {};
    return CRegistry::GetValue(key.c_str(), name, text, HKEY_LOCAL_MACHINE, sizeof(text)) == ERROR_SUCCESS
               ? std::string(text)
               : std::string("(missing)");
}

DWORD ReadHklmDword(const std::string& key, const char* name)
{
    DWORD value = 0xDEADBEEF;
    (void)CRegistry::GetValue(key.c_str(), name, &value, HKEY_LOCAL_MACHINE);
    return value;
}

// A product folder as it lies on an installation medium (<temp>\Disk1 with Setup.dat, data\kvinst.kvi,
// data\kvinst.cmd, data\String\Lang_EN.str), a log in the test's temporary folder, and the test
// manufacturer's registry keys and Program Files folder removed afterwards.
class InstallEnvTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_log.OpenLogFile()) << "the log opens in the test folder";
        m_src = m_root.Path() + "\\Disk1";
        ASSERT_TRUE(::CreateDirectoryA(m_src.c_str(), nullptr)) << m_src;
        ASSERT_TRUE(WriteProduct(DataText(""))) << "the product folder is written";
    }

    void TearDown() override
    {
        (void)CRegistry::DeleteKey(("Software\\" + TestMfg()).c_str(), false, HKEY_LOCAL_MACHINE);
        CTempDir::RemoveTree(QuerySystemDirectories().programFilesDir + "\\" + TestMfg());
    }

    bool Write(const std::string& relative, const std::string& text)
    {
        return WriteTreeFile(m_src, relative, text);
    }

    bool WriteProduct(const std::string& data)
    {
        return Write("Setup.dat", data) &&
               Write("data\\kvinst.kvi",
                     "[DLG]\r\nTITLE = %VENDOR% @TITLE@ $LANG_ABBR$\r\nNAME = @NAME@\r\n") &&
               Write("data\\kvinst.cmd", "[CMD]\r\nRUN = %VENDOR%\\$PORT$\r\n") &&
               Write("data\\String\\Lang_EN.str", "[MESSAGES]\r\nTITLE = Welcome\\nEN\r\nNAME = EN\r\n");
    }

    std::unique_ptr<CInstallEnv> MakeEnv()
    {
        return std::make_unique<CInstallEnv>(m_log, m_src + "\\Setup.exe");
    }

    std::string Installing() const { return "Software\\" + TestMfg() + "\\EnvTest\\Installing"; }
    std::string Installed() const { return "Software\\" + TestMfg() + "\\EnvTest\\Installed"; }

    CTempDir m_root;
    CTempDirOverride m_tmp{m_root.Path() + "\\"};
    CCurrentDirectoryKeeper m_cwd;
    CLog m_log;
    CLogReader m_logTexts{m_log};
    std::string m_src;
};

std::string Read(const CConfigProfile& profile, const char* section, const char* key)
{
    std::string value;
    return profile.GetString(section, key, value) ? value : std::string("(missing)");
}

// Records the directories reported as created; any other kind is recorded as a failure text.
HistoryRecorder DirectoryRecorder(std::vector<std::string>& created)
{
    return [&created](const std::string& text, HistoryKind kind) {
        created.push_back(kind == kHistoryDirectory ? text : "(kind " + std::to_string(kind) + ") " + text);
        return true;
    };
}

std::vector<std::string> OptionLines(const std::vector<std::string>& texts)
{
    std::vector<std::string> lines;
    for (const std::string& text : texts)
    {
        if (text.find(" Option is ") != std::string::npos || text.find(" option is ") != std::string::npos)
        {
            lines.push_back(text);
        }
    }
    return lines;
}
}  // namespace

TEST_F(InstallEnvTest, Init_MinimalProduct_DefaultFilesVersionKeysAndLogLines)
{
    ASSERT_TRUE(Write("Autorun.inf", "[INFOMATION]\r\nVERSION=2.5.1\r\n"));
    auto env = MakeEnv();
    ASSERT_TRUE(env->Init()) << "a product with data, configuration, command and English string file starts";

    EXPECT_EQ(m_src, env->GetSourceDir()) << "the program file's folder";
    EXPECT_EQ(m_src, CurrentDirectory()) << "the source directory becomes the current directory";
    EXPECT_EQ("Setup", env->GetApplicationName());
    EXPECT_EQ("Setup.exe", env->GetInstallerFileName());
    EXPECT_EQ(m_src + "\\Setup.dat", env->GetDataFile()) << "the data file is named after the program";
    EXPECT_EQ(m_src + "\\data\\kvinst.kvi", env->GetConfigFile()) << "the default configuration file";
    EXPECT_EQ(m_src + "\\data\\kvinst.cmd", env->GetCommandFile()) << "the default command file";
    EXPECT_EQ(m_src + "\\data\\String\\Lang_%s.str", env->GetStringFileFormat()) << "the default format";
    EXPECT_EQ(m_src + "\\data\\String\\Lang_EN.str", env->GetStringFile());
    EXPECT_EQ("", env->GetSettingFile()) << "a missing setting file is no error, just empty";
    EXPECT_EQ("2.5.1", env->GetVersion()) << "without VERSION the Autorun.inf value";
    EXPECT_TRUE(env->GetOptions().deviceInstall) << "DEVICE_INSTALL is on without an OPTION section";
    EXPECT_TRUE(env->GetOptions().precreateDialogs) << "PRECREATE_DLG is on without an OPTION section";
    EXPECT_FALSE(env->GetOptions().ovraPresent) << "no OVRA key";

    const std::string base = "Software\\" + TestMfg() + "\\EnvTest";
    EXPECT_EQ(base + "\\Installing", env->GetInstallingKey());
    EXPECT_EQ(base + "\\Installing\\InstHistory", env->GetInstallingHistoryKey());
    EXPECT_EQ(base + "\\Installed", env->GetInstalledKey());
    EXPECT_EQ(base + "\\Installed\\InstHistory", env->GetInstalledHistoryKey());
    EXPECT_EQ(base + "\\UninstallInfo", env->GetUninstallInfoKey());
    EXPECT_EQ(9u, ReadHklmDword(Installing(), "LangCode")) << "the language is recorded";
    EXPECT_EQ("EN", ReadHklmText(Installing(), "LangAbbr"));
    EXPECT_EQ(m_src + "\\data\\String\\Lang_EN.str", ReadHklmText(Installing(), "STR_FILE"));

    const std::vector<std::string> options = {"Get Option fail", "USB ONLY Option is OFF",
                                              "NETWORK Option is OFF", "WIRELESS Option is OFF",
                                              "RIGHT ALIGN Option is OFF"};
    std::vector<std::string> expected = {"(" + m_src + "\\Config.ini) file does not exist."};
    expected.insert(expected.end(), options.begin(), options.end());
    for (const char* line :
         {"Set Language : Language ID\t\t= 0X0009", "Set Language : Language Abbr\t\t= EN"})
    {
        expected.push_back(line);
    }
    expected.push_back(FormatText("Set Language : System Language ID\t= 0X%04X", ::GetSystemDefaultLangID()));
    for (const char* line :
         {"Set Language : System Language Abbr = EN", "Set Language : Language Dir\t\t= EN",
          "Set Language : Org Language ID\t\t= 0X0009", "Set Language : Org Language Abbr\t\t= EN",
          "Set Language : Org Language Dir\t\t= EN", "Set Language : String file\t\t= Lang_EN.str"})
    {
        expected.push_back(line);
    }
    expected.push_back("Set Language : Configure file\t\t= " + m_src + "\\data\\kvinst.kvi");
    expected.insert(expected.end(), options.begin(), options.end());
    for (const ExternalFileKey& key : CExternalFnt::kFileKeys)
    {
        expected.push_back("(" + m_src + std::string(key.defaultPath).substr(1) + ") file does not exist.");
    }
    std::vector<std::string> logged = m_logTexts.Take();
    ASSERT_GE(logged.size(), expected.size()) << "every start-up line is logged";
    logged.resize(expected.size());
    EXPECT_EQ(expected, logged) << "exactly these lines, in this order, until the helper libraries load";

    EXPECT_FALSE(env->CheckDevicePort(false)) << "without the utility library no device is found";
    EXPECT_FALSE(env->IsDeviceFound());
    const std::vector<std::string> call = {"Call GetDevicePort(" + TestMfg() +
                                               ",Model 7,VID_1234&PID_5678,lpPort,lpdwPortNum)",
                                           "Call GetDevicePort ==> NULL"};
    EXPECT_EQ(call, m_logTexts.Take()) << "the call with the identity, then the missing entry";
}

TEST_F(InstallEnvTest, Init_DataConfigurationOrCommandFileMissing_FailsWithTheProfilesLine)
{
    const std::pair<const char*, const char*> cases[] = {{"Setup.dat", nullptr},
                                                         {"data\\kvinst.kvi", "data\\kvinst.kvi"},
                                                         {"data\\kvinst.cmd", "data\\kvinst.cmd"}};
    for (const auto& removed : cases)
    {
        ASSERT_TRUE(WriteProduct(DataText("")));
        ASSERT_TRUE(::DeleteFileA((m_src + "\\" + removed.first).c_str())) << removed.first;
        (void)m_logTexts.Take();
        auto env = MakeEnv();
        EXPECT_FALSE(env->Init()) << "start-up ends without " << removed.first;
        std::vector<std::string> expected;
        if (removed.second != nullptr)
        {
            expected.push_back("(" + m_src + "\\" + removed.second + ") file does not exist.");
        }
        expected.push_back("Initialize Profiles fail!!");
        EXPECT_EQ(expected, m_logTexts.Take()) << "the lines for a missing " << removed.first;
    }
}

TEST_F(InstallEnvTest, Init_ModelIdentityIncomplete_FailsUnlessMainOnly)
{
    const std::string noVidPid =
        "[PROGRAM_INFO]\r\nMFG = " + TestMfg() + "\r\nMDL = Model 7\r\nPROGRAM_NAME = EnvTest\r\n";
    ASSERT_TRUE(Write("Setup.dat", noVidPid));
    EXPECT_FALSE(MakeEnv()->Init()) << "VIDPID is required";
    EXPECT_EQ("Initialize Model Variable fail!!", m_logTexts.Take().back()) << "the last line says why";
    EXPECT_EQ(0xDEADBEEFu, ReadHklmDword(Installing(), "LangCode")) << "nothing is written to the registry";

    ASSERT_TRUE(Write("Setup.dat", noVidPid + "[OPTION]\r\nMAIN_ONLY = 1\r\n"));
    EXPECT_TRUE(MakeEnv()->Init()) << "MAIN_ONLY starts without the full identity";
    const std::vector<std::string> logged = m_logTexts.Take();
    EXPECT_TRUE(Contains(logged, "Initialize Model Variable fail!!")) << "the failure is still logged";
    EXPECT_TRUE(Contains(logged, "JUST MAIN option is ON"));

    // A manufacturer name longer than a registry key name, and longer than the helper buffers.
    const std::string longMfg(300, 'M');
    ASSERT_TRUE(Write("Setup.dat", "[PROGRAM_INFO]\r\nMFG = " + longMfg +
                                       "\r\nMDL = M\r\nVIDPID = V\r\nDESTINATION_DIR = $SRC_DIR$\\Dest\r\n"
                                       "[OPTION]\r\nMAIN_ONLY = 1\r\n"));
    auto env = MakeEnv();
    EXPECT_TRUE(env->Init()) << "MAIN_ONLY starts without registry keys";
    EXPECT_TRUE(Contains(m_logTexts.Take(), "Initialize Registry Variable fail!!"));
    EXPECT_EQ("", env->GetInstallingKey()) << "no key path outside the installer's own keys";
    EXPECT_EQ("", env->GetInstalledKey());
    EXPECT_EQ(longMfg, env->GetMfg());
    EXPECT_EQ(std::string(259, 'M'), env->GetMfgBuffer())
        << "the helper buffer holds 259 characters and its zero";
}

TEST_F(InstallEnvTest, InitProfiles_FileKeysLanguageVariantDefinedStringsMessagesAndMacros)
{
    ASSERT_TRUE(Write("Setup.dat", DataText("[INSTALLER_FILE_INFO]\r\n"
                                            "CONFIGURE_FILE.EN = ..\\common\\en.kvi\r\n"
                                            "CONFIGURE_FILE = .\\data\\kvinst.kvi\r\n"
                                            "COMMAND_FILE = $SRC_DIR$\\data\\cmd\\my.cmd\r\n"
                                            "STRING_FILE_FORMAT = .\\data\\Lang\\%s\\text.str\r\n"
                                            "SETTING_FILE = Config.ini\r\n"
                                            "[TEXT]\r\nRAW = a\\nb @NAME@\r\n")));
    ASSERT_TRUE(
        WriteTreeFile(m_root.Path(), "common\\en.kvi", "[DLG]\r\nTITLE = %VENDOR% @TITLE@ $LANG_ABBR$\r\n"));
    ASSERT_TRUE(Write("data\\cmd\\my.cmd", "[CMD]\r\nRUN = %VENDOR%\\$PORT$\r\n"));
    ASSERT_TRUE(Write("data\\Lang\\EN\\text.str", "[MESSAGES]\r\nTITLE = Welcome\\nEN\r\nNAME = EN\r\n"));
    ASSERT_TRUE(Write("Config.ini", "[INSTALL]\r\nSILENT = 1\r\n"));
    auto env = MakeEnv();
    ASSERT_TRUE(env->Init());

    EXPECT_EQ(m_root.Path() + "\\common\\en.kvi", env->GetConfigFile()) << "the language's key, beside Disk1";
    EXPECT_EQ(m_src + "\\data\\cmd\\my.cmd", env->GetCommandFile()) << "$SRC_DIR$ names the source directory";
    EXPECT_EQ(m_src + "\\data\\Lang\\%s\\text.str", env->GetStringFileFormat());
    EXPECT_EQ(m_src + "\\data\\Lang\\EN\\text.str", env->GetStringFile());
    EXPECT_EQ("text.str", env->GetStringFileName());
    EXPECT_EQ(m_src + "\\data\\Lang\\EN\\text.str", env->GetSystemStringFile())
        << "the system language's file";
    EXPECT_EQ(m_src + "\\Config.ini", env->GetSettingFile());

    EXPECT_EQ("Kv Vendor Welcome\nEN EN", Read(env->GetConfigProfile(), "DLG", "TITLE"))
        << "configuration: defined string of the data file, message with escapes, macro";
    EXPECT_EQ("Welcome\nEN", Read(env->GetStringProfile(), "MESSAGES", "TITLE"))
        << "the string file converts";
    EXPECT_EQ("a\\nb EN", Read(env->GetDataProfile(), "TEXT", "RAW")) << "the data file does not convert";
    EXPECT_EQ("Kv Vendor\\LPT1:", Read(env->GetCommandProfile(), "CMD", "RUN")) << "the port at Init";
    env->SetPort("COM2:");
    EXPECT_EQ("Kv Vendor\\COM2:", Read(env->GetCommandProfile(), "CMD", "RUN"))
        << "macros see the current port";

    env->SetRemoteInstallPreparation(true);
    for (const CConfigProfile* profile : {&env->GetDataProfile(), &env->GetConfigProfile(),
                                          &env->GetCommandProfile(), &env->GetStringProfile()})
    {
        EXPECT_TRUE(profile->IsRemoteInstallPreparation()) << "one setter reaches all four profiles";
    }
    EXPECT_EQ("Kv Vendor Welcome\nEN $LANG_ABBR$", Read(env->GetConfigProfile(), "DLG", "TITLE"))
        << "no macro expansion while preparing a remote install";
    env->SetRemoteInstallPreparation(false);
    EXPECT_EQ("Kv Vendor Welcome\nEN EN", Read(env->GetConfigProfile(), "DLG", "TITLE"));
}

TEST_F(InstallEnvTest, InitProfiles_EmptyFileKeys_NameTheSourceFolderWhichIsNoFile)
{
    struct Case
    {
        const char* key;
        bool initSucceeds;                                    // only the setting file may be missing
    };
    const Case cases[] = {{"CONFIGURE_FILE", false}, {"COMMAND_FILE", false}, {"SETTING_FILE", true},
                          {"UTILITY_DLL", true}};
    const std::string missing = "(" + m_src + "\\) file does not exist.";
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.key);
        ASSERT_TRUE(Write("Setup.dat", DataText(std::string("[INSTALLER_FILE_INFO]\r\n") + c.key + " =\r\n")));
        auto env = MakeEnv();
        EXPECT_EQ(c.initSucceeds, env->Init());
        EXPECT_TRUE(Contains(m_logTexts.Take(), missing)) << "the source folder is named and is no file";
        if (c.initSucceeds)
        {
            EXPECT_EQ("", std::string(c.key) == "SETTING_FILE" ? env->GetSettingFile()
                                                               : env->GetExternalFnt().GetPath(kUtilityDll));
        }
    }
}

TEST_F(InstallEnvTest, ReadOptions_EveryKeyLogsItsLine_MostSpecificSectionFirst)
{
    ASSERT_TRUE(Write("Setup.dat", DataText("[OPTION]\r\nUSB_ONLY = 0\r\nNETWORK = 1\r\nWIRELESS = 1\r\n"
                                            "DEVICE_INSTALL = 0\r\nSHOW_INST_ERROR = 1\r\nRIGHT_ALIGN = 1\r\n"
                                            "PRECREATE_DLG = 0\r\nMAIN_ONLY = 0\r\nAUTO_PRINTER_CMD = 1\r\n"
                                            "SET_SOURCE_PATH = 1\r\nUSE_PUBLIC_OID = 0x1\r\nUSE_IPX = 1\r\n"
                                            "STOP_FIREWALL = 1\r\nOVRA = 0\r\n"
                                            "[OPTION.EN]\r\nSHOW_INST_ERROR = 0\r\n"
                                            "[OPTION.EN.NETWORK]\r\nUSE_IPX = 0\r\n")));
    auto env = MakeEnv();
    ASSERT_TRUE(env->Init());

    // Windows 95 and NT 4 have no right-to-left layout.
    const std::string version = PresentedVersion();
    const char* rightAlign =
        (version == "nt40" || version == "win95") ? "RIGHT ALIGN Option is OFF" : "RIGHT ALIGN Option is ON";
    // The first reading knows no product kind yet and finds OPTION.EN; the second, after the language
    // is set, has NETWORK on and finds OPTION.EN.NETWORK. Keys missing there come from OPTION.
    std::vector<std::string> expected = {
        "USB ONLY Option is OFF", "NETWORK Option is ON", "WIRELESS Option is ON",
        "INSTALL DEVICE Option is OFF", "SHOW INSTALL ERROR Option is OFF", rightAlign,
        "PRECREATE DIALOG option is OFF", "JUST MAIN option is OFF", "AUTO PRINTER COMMAND option is ON",
        "SET SOURCE PATH option is ON", "USE PUBLIC OID option is ON", "USE IPX option is ON",
        "Stop Firewall option is ON", "OVRA option is OFF"};
    std::vector<std::string> second = expected;
    second[4] = "SHOW INSTALL ERROR Option is ON";
    second[11] = "USE IPX option is OFF";
    expected.insert(expected.end(), second.begin(), second.end());
    const std::vector<std::string> logged = m_logTexts.Take();
    EXPECT_EQ(expected, OptionLines(logged)) << "every key once per reading, in the table's order";
    EXPECT_FALSE(Contains(logged, "Get Option fail")) << "an OPTION section exists";
    EXPECT_TRUE(env->GetOptions().network);
    EXPECT_FALSE(env->GetOptions().useIpx) << "the NETWORK variant's value";
    EXPECT_FALSE(env->GetOptions().ovra);
    EXPECT_TRUE(env->GetOptions().ovraPresent) << "OVRA = 0 is still a present key";
}

TEST_F(InstallEnvTest, Init_RealSystemLanguage_ChoosesAbbreviationAndStringFile)
{
    struct Expected
    {
        const char* locale;
        WORD systemId;
        WORD shownId;
        WORD requestedId;
        const char* abbr;
    };
    // Modern Spanish (0x0C0A) is mapped to the traditional sort's texts; Swiss German is listed neither
    // by itself nor by its primary language, so it gets English.
    const Expected table[] = {
        {"de_DE", 0x0407, 0x0407, 0x0407, "GR"}, {"es_ES", 0x0C0A, 0x040A, 0x0C0A, "SP"},
        {"zh_TW", 0x0404, 0x0404, 0x0404, "CT"}, {"zh_CN", 0x0804, 0x0804, 0x0804, "CP"},
        {"pt_BR", 0x0416, 0x0416, 0x0416, "BP"}, {"pt_PT", 0x0816, 0x0816, 0x0816, "PT"},
        {"ja_JP", 0x0411, 0x0411, 0x0411, "JP"}, {"de_CH", 0x0807, 0x0009, 0x0009, "EN"},
    };
    char locale[64] = {};
    (void)::GetEnvironmentVariableA("LC_ALL", locale, sizeof(locale));
    Expected expect = {"", 0x0409, 0x0409, 0x0409, "EN"};
    for (const Expected& row : table)
    {
        if (std::strncmp(locale, row.locale, std::strlen(row.locale)) == 0)
        {
            expect = row;
        }
    }
    if (expect.locale[0] == '\0' && ::GetSystemDefaultLangID() != 0x0409)
    {
        GTEST_SKIP() << "a system language this test has no expectation for";
    }
    ASSERT_EQ(expect.systemId, ::GetSystemDefaultLangID()) << "the run presents the language of " << locale;

    ASSERT_TRUE(Write("Setup.dat", DataText("[PROGRAM_LANG_INFO]\r\n0x0409\r\n0x0407\r\n0x040A\r\n0x0C0A\r\n"
                                            "0x0404\r\n0x0804\r\n0x0416\r\n0x0816\r\n0x0411\r\n"
                                            "[COUNTRY_LANG_CODE]\r\n0X0C0A = 0x040A\r\n"
                                            "[TEXT]\r\nNAME = @NAME@\r\n")));
    for (const char* abbr : {"GR", "SP", "CT", "CP", "BP", "PT", "JP"})
    {
        ASSERT_TRUE(Write(std::string("data\\String\\Lang_") + abbr + ".str",
                          std::string("[MESSAGES]\r\nNAME = ") + abbr + "\r\n"));
    }
    auto env = MakeEnv();
    ASSERT_TRUE(env->Init());

    const std::string file = std::string("Lang_") + expect.abbr + ".str";
    EXPECT_EQ(expect.shownId, env->GetLanguage().GetLangId()) << "the language shown";
    EXPECT_EQ(expect.requestedId, env->GetLanguage().GetRequestedLangId()) << "the language requested";
    EXPECT_EQ(expect.abbr, env->GetLanguage().GetLangAbbr());
    EXPECT_EQ(m_src + "\\data\\String\\" + file, env->GetStringFile());
    EXPECT_EQ(m_src + "\\data\\String\\" + file, env->GetSystemStringFile()) << "the system language's file";
    EXPECT_EQ(expect.abbr, Read(env->GetConfigProfile(), "DLG", "NAME")) << "configuration messages reloaded";
    EXPECT_EQ(expect.abbr, Read(env->GetDataProfile(), "TEXT", "NAME")) << "data file messages reloaded";
    EXPECT_EQ(expect.abbr, Read(env->GetStringProfile(), "MESSAGES", "NAME"))
        << "the string profile reloaded";
    EXPECT_EQ(expect.requestedId, ReadHklmDword(Installing(), "LangCode")) << "LangCode records the request";
    EXPECT_EQ(expect.abbr, ReadHklmText(Installing(), "LangAbbr"));
    EXPECT_EQ(m_src + "\\data\\String\\Lang_EN.str", ReadHklmText(Installing(), "STR_FILE"))
        << "STR_FILE is the string file from before the change";
    EXPECT_TRUE(Contains(m_logTexts.Take(), "Set Language : String file\t\t= " + file));
}

TEST_F(InstallEnvTest, SetLanguage_InstalledLanguageVariantsFallbackAndReadOptionsAgain)
{
    ASSERT_TRUE(
        Write("Setup.dat", DataText("[PROGRAM_LANG_INFO]\r\n0x0409\r\n7\r\n0x040A\r\n0x0C0A\r\n0x0411\r\n"
                                    "[COUNTRY_LANG_CODE]\r\n0X0C0A = 0x040A\r\n"
                                    "[LANGUAGE_ABBR]\r\n0X040A = SPT\r\n0X0C0A = SPM\r\n"
                                    "[INSTALLER_FILE_INFO]\r\nCONFIGURE_FILE.GR = .\\data\\kvinst_gr.kvi\r\n"
                                    "[OPTION.GR]\r\nUSE_IPX = 1\r\n")));
    ASSERT_TRUE(Write("data\\kvinst_gr.kvi", "[DLG]\r\nNAME = Deutsch @NAME@\r\n"));
    ASSERT_TRUE(Write("data\\String\\Lang_GR.str", "[MESSAGES]\r\nNAME = GR\r\n"));
    ASSERT_TRUE(Write("data\\String\\Lang_SPT.str", "[MESSAGES]\r\nNAME = SPT\r\n"));
    ASSERT_EQ(ERROR_SUCCESS,
              CRegistry::SetValue(Installed().c_str(), "LangCode", 0x0807, HKEY_LOCAL_MACHINE));
    auto env = MakeEnv();
    ASSERT_TRUE(env->Init());

    EXPECT_EQ(0x0007, env->GetLanguage().GetRequestedLangId())
        << "the installed Swiss German, by its primary line";
    EXPECT_EQ("GR", env->GetLanguage().GetLangAbbr()) << "whatever the system language is";
    EXPECT_EQ(m_src + "\\data\\kvinst_gr.kvi", env->GetConfigFile()) << "the language's configuration file";
    EXPECT_EQ("Deutsch GR", Read(env->GetConfigProfile(), "DLG", "NAME")) << "read from the German files";
    EXPECT_TRUE(env->GetOptions().useIpx) << "the German OPTION variant";
    EXPECT_EQ(7u, ReadHklmDword(Installing(), "LangCode"));
    (void)m_logTexts.Take();

    EXPECT_TRUE(env->SetLanguage(0x0C0A, false));
    EXPECT_EQ(0x040A, env->GetLanguage().GetLangId()) << "modern Spanish shows the traditional texts";
    EXPECT_EQ("SPT", env->GetLanguage().GetLangAbbr());
    EXPECT_EQ("SPM", env->GetLanguage().GetRequestedLangAbbr());
    EXPECT_EQ(0x0C0Au, ReadHklmDword(Installing(), "LangCode")) << "LangCode records modern Spanish";
    EXPECT_EQ("SPT", ReadHklmText(Installing(), "LangAbbr"));
    EXPECT_EQ(m_src + "\\data\\String\\Lang_GR.str", ReadHklmText(Installing(), "STR_FILE"))
        << "the file of the language before";
    EXPECT_EQ(m_src + "\\data\\kvinst.kvi", env->GetConfigFile()) << "no Spanish variant: the plain file";
    EXPECT_EQ("SPT", Read(env->GetConfigProfile(), "DLG", "NAME")) << "the plain configuration, reloaded";
    EXPECT_FALSE(env->GetOptions().useIpx) << "a flag only the German variant set does not linger";
    const std::vector<std::string> logged = m_logTexts.Take();
    EXPECT_TRUE(Contains(logged, "Set Language : String file\t\t= Lang_SPT.str"));
    EXPECT_TRUE(Contains(logged, "Set Language : Configure file\t\t= " + m_src + "\\data\\kvinst.kvi"));

    EXPECT_TRUE(env->SetLanguage(0x0411, false));
    EXPECT_EQ("JP", env->GetLanguage().GetLangAbbr()) << "the abbreviation stays that of the language";
    EXPECT_EQ(m_src + "\\data\\String\\Lang_EN.str", env->GetStringFile()) << "without Lang_JP.str: English";
    EXPECT_EQ("EN", Read(env->GetStringProfile(), "MESSAGES", "NAME"));
    EXPECT_TRUE(Contains(m_logTexts.Take(), "Set Language : String file\t\t= Lang_EN.str"));
}

TEST_F(InstallEnvTest, SetLanguage_Interactive_SameLanguageDoesNothingOtherRunsTheWindowSequence)
{
    ASSERT_TRUE(Write("Setup.dat", DataText("[PROGRAM_LANG_INFO]\r\n0x0409\r\n0x0407\r\n")));
    auto env = MakeEnv();
    ASSERT_TRUE(env->SetLanguage(0x0407, true))
        << "before Init there is nothing to apply, and nothing breaks";
    ASSERT_TRUE(env->Init());
    ASSERT_TRUE(env->SetLanguage(0x0409, false)) << "English requested";
    int sequences = 0;
    int reloads = 0;
    env->SetLanguageWindowSequence([&sequences]() { ++sequences; });
    env->SetNetworkTextsReloader([&reloads]() { ++reloads; });
    ASSERT_EQ(ERROR_SUCCESS, CRegistry::DeleteKey(Installing().c_str(), false, HKEY_LOCAL_MACHINE));
    (void)m_logTexts.Take();

    EXPECT_TRUE(env->SetLanguage(0x0409, true)) << "the language already requested";
    EXPECT_TRUE(m_logTexts.Take().empty()) << "nothing is logged";
    EXPECT_EQ(0xDEADBEEFu, ReadHklmDword(Installing(), "LangCode")) << "nothing is written";
    EXPECT_EQ(0, sequences + reloads) << "no window sequence, no reload";

    EXPECT_TRUE(env->SetLanguage(0x0407, true));
    EXPECT_EQ(1, sequences) << "an interactive change runs the wizard's window sequence";
    EXPECT_EQ(1, reloads) << "and the network printer texts are reloaded";
    EXPECT_EQ(0x0407u, ReadHklmDword(Installing(), "LangCode"));

    EXPECT_TRUE(env->SetLanguage(0x0409, false));
    EXPECT_EQ(1, sequences) << "a change from the command line shows no windows";
    EXPECT_EQ(2, reloads);

    env->SetLanguageWindowSequence(nullptr);
    EXPECT_TRUE(env->SetLanguage(0x0407, true)) << "without a wizard the change ends after the options";
    EXPECT_EQ("GR", env->GetLanguage().GetLangAbbr());
}

TEST_F(InstallEnvTest, Destination_ChoiceCreationAndChanges)
{
    ASSERT_TRUE(Write("Setup.dat",
                      DataText("[PROGRAM_INFO]\r\nDESTINATION_DIR = $SRC_DIR$\\Dest\\$LANG_ABBR$\\\r\n")));
    std::vector<std::string> created;
    auto env = MakeEnv();
    env->SetHistoryRecorder(DirectoryRecorder(created));
    ASSERT_TRUE(env->Init());
    const std::string first = m_src + "\\Dest\\EN";
    EXPECT_EQ(first, env->GetDestDir()) << "DESTINATION_DIR with macros, one trailing backslash removed";
    EXPECT_EQ(first + "\\Install", env->GetDestInstallDir());
    EXPECT_EQ((std::vector<std::string>{m_src + "\\Dest", first}), created)
        << "each created folder, parents first";
    EXPECT_TRUE(DirectoryExists(first));
    EXPECT_EQ(first + "\\x", env->ExpandMacros("$DEST_DIR$\\x"));
    (void)m_logTexts.Take();

    created.clear();
    env->SetDestination(m_src + "\\DEST\\en\\");
    EXPECT_TRUE(m_logTexts.Take().empty()) << "the same folder in other letters changes nothing";
    EXPECT_EQ("(missing)", ReadHklmText(Installing(), "Dest_Dir")) << "and records nothing";

    const std::string second = m_root.Path() + "\\New\\Sub";
    env->SetDestination(second);
    EXPECT_EQ(std::vector<std::string>{"Set Destination ==> " + second}, m_logTexts.Take());
    EXPECT_EQ(second, env->GetDestDir());
    EXPECT_EQ(second + "\\Install", env->GetDestInstallDir());
    EXPECT_EQ(second, ReadHklmText(Installing(), "Dest_Dir")) << "recorded under the Installing key";
    EXPECT_EQ((std::vector<std::string>{m_root.Path() + "\\New", second}), created);
    EXPECT_FALSE(DirectoryExists(m_src + "\\Dest")) << "the old empty chain is gone";
    EXPECT_TRUE(DirectoryExists(m_src)) << "up to the first folder that is not empty";

    ASSERT_TRUE(WriteTestFile(second + "\\kept.txt", "user data"));
    env->SetDestination("");
    EXPECT_EQ((std::vector<std::string>{"Reset Destination Directory [" + first + "]",
                                        "Set Destination ==> " + first}),
              m_logTexts.Take());
    EXPECT_EQ(first, env->GetDestDir()) << "back to the initial destination";
    EXPECT_TRUE(TestFileExists(second + "\\kept.txt")) << "a folder with files in it is never removed";
}

TEST_F(InstallEnvTest, Destination_RecordedInstallationWins_UncreatableOneStillStarts)
{
    const std::string recorded = m_root.Path() + "\\Recorded";
    ASSERT_EQ(ERROR_SUCCESS, CRegistry::SetValue(Installed().c_str(), "Dest_Dir", (recorded + "\\").c_str(),
                                                 HKEY_LOCAL_MACHINE));
    ASSERT_TRUE(Write("Setup.dat", DataText("[PROGRAM_INFO]\r\nDESTINATION_DIR = $SRC_DIR$\\Dest\r\n")));
    auto env = MakeEnv();
    ASSERT_TRUE(env->Init());
    EXPECT_EQ(recorded, env->GetDestDir()) << "Dest_Dir of the installed product comes first";
    EXPECT_TRUE(DirectoryExists(recorded));

    ASSERT_TRUE(
        Write("Setup.dat", DataText("[PROGRAM_INFO]\r\nDESTINATION_DIR = $SRC_DIR$\\Setup.dat\\x\r\n")));
    ASSERT_EQ(ERROR_SUCCESS, CRegistry::DeleteValue(Installed().c_str(), "Dest_Dir", HKEY_LOCAL_MACHINE));
    auto blocked = MakeEnv();
    EXPECT_TRUE(blocked->Init()) << "a destination that cannot be created does not end the start-up";
    EXPECT_FALSE(blocked->InitDestination()) << "but InitDestination reports it";
    EXPECT_EQ(m_src + "\\Setup.dat\\x", blocked->GetDestDir());
}

TEST_F(InstallEnvTest, Init_NoDestinationConfigured_CreatesOneBelowProgramFiles)
{
    std::vector<std::string> created;
    auto env = MakeEnv();
    env->SetHistoryRecorder(DirectoryRecorder(created));
    ASSERT_TRUE(env->Init());
    const std::string vendor = env->GetProgramFilesDir() + "\\" + TestMfg();
    EXPECT_EQ(vendor + "\\EnvTest", env->GetDestDir()) << "<Program Files>\\<MFG>\\<PROGRAM_NAME>";
    EXPECT_EQ((std::vector<std::string>{vendor, vendor + "\\EnvTest"}), created);
    EXPECT_TRUE(DirectoryExists(vendor + "\\EnvTest"));
}

TEST_F(InstallEnvTest, Port_DefaultFromTheSpoolersRealPorts_SettersLogTheirLines)
{
    const std::pair<const char*, const char*> cases[] = {
        {"DEFAULT_PORT = USB001\r\n", "LPT1:"},  // not a port here; Wine's spooler has LPT1:
        {"DEFAULT_PORT = lpt2:\r\n", "lpt2:"},  // exists, in other letters
        {"DEFAULT_PORT = USB001\r\n[OPTION]\r\nUSB_ONLY = 1\r\n", "FILE:"},
        {"DEFAULT_PORT = com1:\r\n[OPTION]\r\nUSB_ONLY = 1\r\n", "com1:"},
    };
    for (const auto& entry : cases)
    {
        ASSERT_TRUE(Write("Setup.dat", DataText(std::string("[PROGRAM_INFO]\r\n") + entry.first)));
        auto env = MakeEnv();
        ASSERT_TRUE(env->Init());
        EXPECT_EQ(entry.second, env->GetPort()) << "with " << entry.first;
    }

    ASSERT_TRUE(Write("Setup.dat", DataText("")));
    auto env = MakeEnv();
    ASSERT_TRUE(env->Init());
    (void)m_logTexts.Take();
    env->SetPort("IP_10.0.0.9");
    env->SetIp("10.0.0.9");
    EXPECT_EQ("IP_10.0.0.9 10.0.0.9", env->ExpandMacros("$PORT$ $IP$"));
    env->SetPort("");
    env->SetPrinterInstalled(false);
    env->SetPrinterInstalled(true);
    EXPECT_EQ("LPT1:", env->GetPort()) << "an empty port selects the default";
    EXPECT_TRUE(env->IsPrinterInstalled());
    const std::vector<std::string> expected = {"Set Port : IP_10.0.0.9", "Set IP : 10.0.0.9",
                                               "Set Port : LPT1:", "Printer was installed"};
    EXPECT_EQ(expected, m_logTexts.Take());
}

TEST_F(InstallEnvTest, OsDefine_RealWindowsVersion_DefineStringDirectoryAndSections)
{
    ASSERT_TRUE(
        Write("Setup.dat", DataText("[OS_DEFINE]\r\n0X00010400 = W95\r\n0X0001040A = W98\r\n"
                                    "0X0001045A = WME\r\n0X00020400 = NT4\r\n0X00020500 = W2K\r\n"
                                    "0X00020501 = XP\r\n0X00020501.64 = XP64\r\n0X00020502 = W2003\r\n"
                                    "0X00020600 = VISTA\r\n0X00020601 = WIN7\r\n"
                                    "[OS_DIR]\r\nXP = WinXP\r\nW98 = Win9x\r\n"
                                    "[DLG]\r\nDRIVER = $OS_DIR$\\drv\r\n")));
    ASSERT_TRUE(Write("data\\kvinst.kvi", "[INSTALL_START_INFO]\r\n[INSTALL_START_INFO.EN]\r\n"
                                          "[INSTALL_START_INFO.XP]\r\n[INSTALL_START_INFO.XP.EN]\r\n"
                                          "[INSTALL_START_INFO.VISTA]\r\n"));
    auto env = MakeEnv();
    ASSERT_TRUE(env->Init());
    const std::vector<std::string> logged = m_logTexts.Take();
    const std::vector<std::string> defineLines = WithPrefix(logged, "OS D");
    ASSERT_EQ(2u, defineLines.size()) << "the define string and the directory are logged";
    EXPECT_EQ("OS Define String = " + env->GetOsDefine(), defineLines[0]);
    EXPECT_EQ("OS Directory = " + env->GetOsDir(), defineLines[1]);
    EXPECT_EQ(env->GetOsDir() + "\\drv", Read(env->GetDataProfile(), "DLG", "DRIVER")) << "$OS_DIR$";

    struct Presented
    {
        const char* version;
        const char* define32;
        const char* define64;
        const char* osDir32;
        const char* osDir64;
        const char* startSection;
    };
    const Presented table[] = {
        {"win95", "W95", "W95", "W95", "W95", "INSTALL_START_INFO.EN"},
        {"win98", "W98", "W98", "Win9x", "Win9x", "INSTALL_START_INFO.EN"},
        {"nt40", "NT4", "NT4", "NT4", "NT4", "INSTALL_START_INFO.EN"},
        {"winxp", "XP", "XP64", "WinXP", "XP64", nullptr},
        {"vista", "VISTA", "VISTA", "VISTA", "VISTA", "INSTALL_START_INFO.VISTA"},
    };
    const std::string version = PresentedVersion();
    const Presented* presented = nullptr;
    for (const Presented& row : table)
    {
        presented = version == row.version ? &row : presented;
    }
    if (presented == nullptr || PrefixIs64Bit() < 0)
    {
        GTEST_SKIP() << "the exact define string is checked in the versioned runs";
    }
    const bool windows64 = PrefixIs64Bit() == 1;
    EXPECT_EQ(windows64 ? presented->define64 : presented->define32, env->GetOsDefine());
    EXPECT_EQ(windows64 ? presented->osDir64 : presented->osDir32, env->GetOsDir())
        << "OS_DIR, else the define";
    const char* start = presented->startSection != nullptr
                            ? presented->startSection
                            : (windows64 ? "INSTALL_START_INFO.EN" : "INSTALL_START_INFO.XP.EN");
    char resolved[256] = {};
    ASSERT_TRUE(env->GetConfigProfile().ResolveSection("INSTALL_START_INFO", resolved, sizeof(resolved)));
    EXPECT_STREQ(start, resolved) << "the most specific section for this Windows and language";
}

TEST_F(InstallEnvTest, HelperLibraries_VariantSectionFirst_DevicePortThroughTheUtilityLibrary)
{
    const std::string helper = BesideTest("EnvTestHelper.dll");
    ASSERT_TRUE(::CopyFileA(helper.c_str(), (m_src + "\\data\\Kvutil_en.dll").c_str(), FALSE)) << helper;
    ASSERT_TRUE(::CopyFileA(helper.c_str(), (m_src + "\\data\\diag.dll").c_str(), FALSE));
    ASSERT_TRUE(
        Write("Setup.dat", DataText("[INSTALLER_FILE_INFO.EN]\r\nUTILITY_DLL = .\\data\\Kvutil_en.dll\r\n"
                                    "[INSTALLER_FILE_INFO]\r\nUTILITY_DLL = .\\data\\missing.dll\r\n"
                                    "DIAGNOSIS_DLL = $SRC_DIR$\\data\\diag.dll\r\n")));
    auto env = MakeEnv();
    ASSERT_TRUE(env->Init());
    const CExternalFnt& table = env->GetExternalFnt();
    EXPECT_EQ(m_src + "\\data\\Kvutil_en.dll", table.GetPath(kUtilityDll)) << "the language variant first";
    EXPECT_NE(nullptr, table.GetModule(kUtilityDll)) << "and loaded";
    EXPECT_EQ(m_src + "\\data\\diag.dll", table.GetPath(kDiagnosisDll)) << "the plain section";
    EXPECT_EQ(m_src + "\\data\\diag.dll", table.GetPath(kTestPageDll))
        << "the test page library defaults to it";
    EXPECT_EQ("", table.GetPath(kInstallerDll)) << "a missing default library has no path";
    EXPECT_TRUE(Contains(m_logTexts.Take(), "(" + m_src + "\\data\\Kvrun.dll) file does not exist."));

    ::SetEnvironmentVariableA("KV_TEST_DEVICE_PORT", nullptr);
    EXPECT_FALSE(env->CheckDevicePort(false)) << "no device connected";
    EXPECT_FALSE(env->IsDeviceFound());
    char args[512] = {};
    (void)::GetEnvironmentVariableA("KV_TEST_DEVICE_ARGS", args, sizeof(args));
    EXPECT_EQ(TestMfg() + "|Model 7|VID_1234&PID_5678", args) << "the identity buffers are passed";

    ::SetEnvironmentVariableA("KV_TEST_DEVICE_PORT", "USB001");
    EXPECT_FALSE(env->CheckDevicePort(true)) << "a USB port where a parallel one is required";
    EXPECT_TRUE(env->IsDeviceFound()) << "the device is there all the same";
    EXPECT_TRUE(env->CheckDevicePort(false)) << "any port will do";
    ::SetEnvironmentVariableA("KV_TEST_DEVICE_PORT", "lpt2:");
    EXPECT_TRUE(env->CheckDevicePort(true)) << "a parallel port in any letter case";
    ::SetEnvironmentVariableA("KV_TEST_DEVICE_PORT", nullptr);
}

TEST_F(InstallEnvTest, Directories_AsTheSystemReportsThem)
{
    auto env = MakeEnv();
    char dir[MAX_PATH + 1] = {};
    ASSERT_NE(0u, ::GetWindowsDirectoryA(dir, MAX_PATH));
    EXPECT_EQ(dir, env->GetWindowsDir()) << "not a terminal server: the reported Windows directory";
    EXPECT_EQ(std::string(dir) + "\\Inf", env->GetInfDir());
    ASSERT_NE(0u, ::GetSystemDirectoryA(dir, MAX_PATH));
    EXPECT_EQ(dir, env->GetSystemDir());
    EXPECT_EQ(m_root.Path(), env->GetTempDir()) << "the temporary directory without its trailing backslash";
    std::string programFiles;
    ASSERT_EQ(ERROR_SUCCESS,
              ReadRegistryText(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                               "ProgramFilesDir", programFiles));
    EXPECT_EQ(programFiles, env->GetProgramFilesDir());
    EXPECT_FALSE(env->GetProgramFilesDir().empty());
    if (PrefixIs64Bit() >= 0)
    {
        EXPECT_EQ(PrefixIs64Bit() == 1, env->IsWindows64()) << "64-bit Windows exactly in the 64-bit prefix";
    }
}
