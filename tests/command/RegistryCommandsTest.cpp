#include "command/RegistryCommands.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "CommandTestSupport.h"
#include "command/CmdOperator.h"
#include "external/ExternalFnt.h"

using namespace cmdtest;

namespace
{
using History = std::vector<std::pair<std::string, HistoryKind>>;

class RegistryCommandsTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_log.OpenLogFile()) << "the log opens in the test folder"; }
    void TearDown() override
    {
        (void)CRegistry::DeleteKey(m_base.c_str(), false, HKEY_LOCAL_MACHINE);
        (void)CRegistry::DeleteKey(m_base.c_str(), false, HKEY_CURRENT_USER);
    }

    // Opens a command file whose sections may use "@BASE@" for the test's own key.
    void UseCommandFile(std::string text)
    {
        for (size_t at = text.find("@BASE@"); at != std::string::npos; at = text.find("@BASE@"))
        {
            text.replace(at, 6, m_base);
        }
        ASSERT_TRUE(m_env.OpenFiles("[X]\n", text));
        (void)m_lines.New();
    }

    bool Run(const char* type, const char* p1 = "")
    {
        const CommandRecordPtr record = MakeCommandRecord(type, p1);
        return m_operator.Execute(record.get());
    }

    std::string Text(HKEY root, const std::string& key, const char* name)
    {
        char text[4096] = {};
        return CRegistry::GetValue(key.c_str(), name, text, root) == ERROR_SUCCESS ? text : "<missing>";
    }
    DWORD Number(HKEY root, const std::string& key, const char* name)
    {
        DWORD value = 0xDEADBEEF;
        (void)CRegistry::GetValue(key.c_str(), name, &value, root);
        return value;
    }

    std::string DispatchLine(const char* type, const char* p1)
    {
        return std::string("Call Command : Type = ") + type + ", Param1=" + p1 +
               ",Param2=,Param3=,Param4=,Param5=";
    }

    const std::string m_base = "Software\\KvTestRegCmd" + std::to_string(::GetCurrentProcessId());
    CTempDir m_dir;
    CTempDirOverride m_tmp{m_dir.Path() + "\\"};
    CLog m_log;
    CLogLines m_lines{m_log};
    CTestCommandEnv m_env{m_log, m_dir.Path()};
    CExternalFnt m_external{m_log};
    CRecordedHistory m_history;
    CCmdOperator m_operator{m_log, m_env, m_external, m_history.Recorder()};
};
}  // namespace

TEST_F(RegistryCommandsTest, AddReg_WritesTheValueLinesOfTheSection)
{
    UseCommandFile("[APP_KEYS]\nROOTKEY = HKLM\nKEYNAME = @BASE@\\App\n"
                   "VALUE = REG_SZ, Path, C:\\A,B\nVALUE = reg_dword, Hex, 0x10\nvalue = REG_DWORD , Dec , 10\n"
                   "VALUE = REG_EXPAND_SZ, Source, $SRC_DIR$\\data\nVALUE = REG_SZ, , nameless\n"
                   "OTHER = REG_SZ, Ignored, x\nVALUE = REG_DWORD, Empty\n");
    EXPECT_TRUE(Run("CT_ADDREG", "app_keys"));

    const std::string key = m_base + "\\App";
    EXPECT_EQ("C:\\A,B", Text(HKEY_LOCAL_MACHINE, key, "Path")) << "the data keeps its commas";
    EXPECT_EQ(16u, Number(HKEY_LOCAL_MACHINE, key, "Hex"));
    EXPECT_EQ(10u, Number(HKEY_LOCAL_MACHINE, key, "Dec"));
    EXPECT_EQ(m_dir.Path() + "\\data", Text(HKEY_LOCAL_MACHINE, key, "Source"))
        << "macros are expanded; other types are strings";
    EXPECT_EQ(0u, Number(HKEY_LOCAL_MACHINE, key, "Empty")) << "a DWORD without data is 0";
    EXPECT_EQ("<missing>", Text(HKEY_LOCAL_MACHINE, key, "Ignored")) << "only VALUE lines are written";
    EXPECT_EQ(std::vector<std::string>{DispatchLine("CT_ADDREG", "app_keys")}, m_lines.New())
        << "nothing else is logged";
}

TEST_F(RegistryCommandsTest, RootKey_TheTextHkcuAnywhereSelectsTheCurrentUser)
{
    UseCommandFile("[LOWER]\nROOTKEY = hkcu\nKEYNAME = @BASE@\\Lower\nVALUE = REG_SZ, V, lower\n"
                   "[SPELLED]\nROOTKEY = HKEY_CURRENT_USER\nKEYNAME = @BASE@\\Spelled\n"
                   "VALUE = REG_SZ, V, spelled\n"
                   "[NONE]\nKEYNAME = @BASE@\\None\nVALUE = REG_SZ, V, none\n");
    EXPECT_TRUE(Run("CT_ADDREG", "LOWER"));
    EXPECT_TRUE(Run("CT_ADDREG", "SPELLED"));
    EXPECT_TRUE(Run("CT_ADDREG", "NONE"));
    EXPECT_EQ("lower", Text(HKEY_CURRENT_USER, m_base + "\\Lower", "V"));
    EXPECT_EQ("<missing>", Text(HKEY_LOCAL_MACHINE, m_base + "\\Lower", "V"));
    EXPECT_EQ("spelled", Text(HKEY_LOCAL_MACHINE, m_base + "\\Spelled", "V"))
        << "HKEY_CURRENT_USER spelled out does not contain HKCU";
    EXPECT_EQ("none", Text(HKEY_LOCAL_MACHINE, m_base + "\\None", "V")) << "the default root";
}

TEST_F(RegistryCommandsTest, Failures_MissingSectionNameKeyNameOrLines_AreLogged)
{
    std::string manyLines = "[HUGE]\nKEYNAME = @BASE@\\Huge\n";
    for (int i = 0; i < 600; ++i)
    {
        manyLines += "VALUE = REG_SZ, Name" + std::to_string(i) + ", some data to fill the list\n";
    }
    UseCommandFile("[NO_NAME]\nVALUE = REG_SZ, V, x\n[EMPTY_NAME]\nKEYNAME =\nVALUE = REG_SZ, V, x\n" + manyLines);

    const struct
    {
        const char* type;
        const char* section;
        const char* line;
    } cases[] = {
        {"CT_ADDREG", "", "Get Add registry section error!"},
        {"CT_ADDREG", "NO_NAME", "Get Add registry Key Name error!"},
        {"CT_ADDREG", "EMPTY_NAME", "Get Add registry Key Name error!"},
        {"CT_ADDREG", "NO_SUCH_SECTION", "Get Add registry Key Name error!"},
        {"CT_ADDREG", "HUGE", "Get value fail!"},
        {"CT_DELREG", "", "Get Delete registry section error!"},
        {"CT_DELREG", "NO_NAME", "Get Delete registry Key Name error!"},
        {"CT_DELREG", "EMPTY_NAME", "Get Delete registry Key Name error!"},
        {"CT_DELREG", "HUGE", "Delete value fail!"},
    };
    for (const auto& c : cases)
    {
        EXPECT_FALSE(Run(c.type, c.section)) << c.type << " " << c.section;
        EXPECT_EQ((std::vector<std::string>{DispatchLine(c.type, c.section), c.line}), m_lines.New())
            << c.type << " " << c.section;
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, m_base + "\\Huge")) << "lines that do not fit write nothing";
    EXPECT_TRUE(m_history.entries.empty());
}

TEST_F(RegistryCommandsTest, Applicability_SectionsForOtherPlatformsOrLanguagesDoNothing)
{
    UseCommandFile("[NOT_XP]\nUNSUPPORTED_OS = WIN98, winxp\nKEYNAME = @BASE@\\NotXp\nVALUE = REG_SZ, V, x\n"
                   "[ONLY_98]\nSUPPORTED_OS = WIN98\nKEYNAME = @BASE@\\Only98\nVALUE = REG_SZ, V, x\n"
                   "[ONLY_GERMAN]\nSUPPORTED_LANG = GR\nKEYNAME = @BASE@\\German\nVALUE = REG_SZ, V, x\n"
                   "[NOT_ENGLISH]\nUNSUPPORTED_LANG = FN,EN\nKEYNAME = @BASE@\\NotEnglish\nVALUE = REG_SZ, V, x\n"
                   "[XP_ENGLISH]\nSUPPORTED_OS = WINXP\nSUPPORTED_LANG = EN\nKEYNAME = @BASE@\\Yes\n"
                   "VALUE = REG_SZ, V, x\n"
                   "[DEL_NOT_XP]\nUNSUPPORTED_OS = WINXP\nKEYNAME = @BASE@\\Yes\nVALUE = V\nDELETE_KEY = 1\n");
    for (const char* section : {"NOT_XP", "ONLY_98", "ONLY_GERMAN", "NOT_ENGLISH"})
    {
        EXPECT_TRUE(Run("CT_ADDREG", section)) << section << ": a section that does not apply succeeds";
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, m_base)) << "and writes nothing";
    EXPECT_TRUE(Run("CT_ADDREG", "XP_ENGLISH"));
    EXPECT_EQ("x", Text(HKEY_LOCAL_MACHINE, m_base + "\\Yes", "V")) << "both lists name the current ones";
    EXPECT_TRUE(Run("CT_DELREG", "DEL_NOT_XP"));
    EXPECT_EQ("x", Text(HKEY_LOCAL_MACHINE, m_base + "\\Yes", "V")) << "deletions check the lists too";
}

TEST_F(RegistryCommandsTest, DelReg_DeletesNamedValuesAndOnRequestTheTreeWithEmptyParents)
{
    const std::string key = m_base + "\\Product\\Settings";
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Typed", "1", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Bare", "2", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Stays", "3", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue((key + "\\Deep").c_str(), "D", "4", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue(m_base.c_str(), "Sibling", "5", HKEY_CURRENT_USER));
    UseCommandFile("[VALUES]\nKEYNAME = @BASE@\\Product\\Settings\nVALUE = REG_SZ, Typed\nVALUE = Bare\n"
                   "VALUE = REG_SZ, Missing\n"
                   "[TREE]\nKEYNAME = @BASE@\\Product\\Settings\nDELETE_KEY = 1\n"
                   "[USER_TREE]\nROOTKEY = HKCU\nKEYNAME = @BASE@\nDELETE_KEY = 0\nVALUE = Sibling\n");

    EXPECT_TRUE(Run("CT_DELREG", "VALUES"));
    EXPECT_EQ("<missing>", Text(HKEY_LOCAL_MACHINE, key, "Typed")) << "type and name: the name";
    EXPECT_EQ("<missing>", Text(HKEY_LOCAL_MACHINE, key, "Bare")) << "a bare name";
    EXPECT_EQ("3", Text(HKEY_LOCAL_MACHINE, key, "Stays"));
    EXPECT_EQ(std::vector<std::string>{DispatchLine("CT_DELREG", "VALUES")}, m_lines.New())
        << "a value that is not there is silent";

    EXPECT_TRUE(Run("CT_DELREG", "TREE"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key)) << "the tree goes";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, m_base)) << "with the parents it leaves empty";
    EXPECT_EQ((std::vector<std::string>{DispatchLine("CT_DELREG", "TREE"), "Delete Key (" + key + ") "}),
              m_lines.New());

    EXPECT_TRUE(Run("CT_DELREG", "USER_TREE"));
    EXPECT_EQ("<missing>", Text(HKEY_CURRENT_USER, m_base, "Sibling"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, m_base)) << "DELETE_KEY 0 keeps the key";
}

// An uninstall must remove exactly what this run created: a key is reported only when the system
// says it created it, a value only when it was not there before the write.
TEST_F(RegistryCommandsTest, AddReg_ReportsOnlyTheKeysAndValuesItCreated)
{
    const std::string existing = m_base + "\\Existing";
    ASSERT_EQ(0u, CRegistry::SetValue(existing.c_str(), "Kept", "old", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue(m_base.c_str(), "Marker", "m", HKEY_CURRENT_USER));
    UseCommandFile("[INTO_EXISTING]\nKEYNAME = @BASE@\\Existing\nVALUE = REG_SZ, Kept, new\n"
                   "VALUE = REG_DWORD, Fresh, 1\n"
                   "[NEW_TREE]\nKEYNAME = @BASE@\\\\Existing\\New\\Deep\\\n"
                   "VALUE = REG_SZ, A, a\nVALUE = REG_SZ, B, b\n"
                   "[USER]\nROOTKEY = HKCU\nKEYNAME = @BASE@\\User\nVALUE = REG_DWORD, Count, 3\n");

    EXPECT_TRUE(Run("CT_ADDREG", "INTO_EXISTING"));
    EXPECT_TRUE(Run("CT_ADDREG", "NEW_TREE"));
    EXPECT_TRUE(Run("CT_ADDREG", "USER"));
    const std::string machine = "HKEY_LOCAL_MACHINE\\" + existing;
    const History expected = {
        {machine + "\\Fresh", kHistoryRegistryValue},
        {machine + "\\New", kHistoryRegistryKey},
        {machine + "\\New\\Deep\\A", kHistoryRegistryValue},
        {machine + "\\New\\Deep\\B", kHistoryRegistryValue},
        {"HKEY_CURRENT_USER\\" + m_base + "\\User", kHistoryRegistryKey},
        {"HKEY_CURRENT_USER\\" + m_base + "\\User\\Count", kHistoryRegistryValue},
    };
    EXPECT_EQ(expected, m_history.entries)
        << "the overwritten value and the keys that were there are not reported; of a new key path only "
           "its first new key (its subkeys go with it); paths without doubled or trailing backslashes";
    EXPECT_EQ("new", Text(HKEY_LOCAL_MACHINE, existing, "Kept")) << "an existing value is still overwritten";

    m_history.entries.clear();
    EXPECT_TRUE(Run("CT_ADDREG", "NEW_TREE"));
    EXPECT_TRUE(Run("CT_ADDREG", "INTO_EXISTING"));
    EXPECT_TRUE(m_history.entries.empty()) << "a second run creates nothing new and reports nothing";
}
