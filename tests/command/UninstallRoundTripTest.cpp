// An install through the command engine, undone through the uninstall records: copy sections and
// registry sections run as a command section, their history is applied, and the machine is as it was.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "CommandTestSupport.h"
#include "FileCopyTestSupport.h"
#include "command/CmdOperator.h"
#include "external/ExternalFnt.h"
#include "items/UninstallRecords.h"

using namespace cmdtest;

namespace
{
class UninstallRoundTripTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_log.OpenLogFile()) << "the log opens in the test folder"; }
    void TearDown() override
    {
        RemovePendingUnder(m_dir.Path());
        (void)CRegistry::DeleteKey(m_base.c_str(), false, HKEY_LOCAL_MACHINE);
        (void)CRegistry::DeleteKey(m_base.c_str(), false, HKEY_CURRENT_USER);
        (void)CRegistry::DeleteKey(m_history.c_str(), false, HKEY_LOCAL_MACHINE);
    }

    std::string Path(const std::string& relative) const { return m_dir.File(relative); }

    std::map<std::string, std::string> RegistrySnapshot() const
    {
        std::map<std::string, std::string> snapshot;
        SnapshotKey(HKEY_LOCAL_MACHINE, m_base, snapshot, "HKLM");
        SnapshotKey(HKEY_CURRENT_USER, m_base, snapshot, "HKCU");
        return snapshot;
    }

    const std::string m_base = "Software\\KvTestTrip" + std::to_string(::GetCurrentProcessId());
    const std::string m_history = m_base + "History\\Installing\\InstHistory";
    CTempDir m_dir;
    CTempDirOverride m_tmp{m_dir.Path() + "\\"};
    CLog m_log;
    CTestCommandEnv m_env{m_log, m_dir.Path()};
    CExternalFnt m_external{m_log};
    CUninstallRecords m_records{m_log, m_history};
    CCmdOperator m_operator{m_log, m_env, m_external, m_records.Recorder()};
};
}  // namespace

TEST_F(UninstallRoundTripTest, CopyAndRegistrySections_AppliedHistory_LeaveTheMachineAsBefore)
{
    // The machine before the install: a program folder with a shared file, vendor keys with a value and
    // an empty key, the vendor's key of the current user.
    const std::string machine = Path("machine");
    const std::string shared = machine + "\\Program Files\\Shared\\shared.txt";
    ASSERT_TRUE(::CreateDirectoryA(machine.c_str(), nullptr) &&
                ::CreateDirectoryA((machine + "\\Program Files").c_str(), nullptr) &&
                ::CreateDirectoryA((machine + "\\Program Files\\Shared").c_str(), nullptr));
    ASSERT_TRUE(WriteTestFile(shared, "old shared") && WriteTestFile(machine + "\\Program Files\\user.txt", "u"));
    ASSERT_EQ(0u, CRegistry::SetValue((m_base + "\\Vendor").c_str(), "Keep", "kept", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue((m_base + "\\Vendor").c_str(), "Overwritten", "before", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue((m_base + "\\Vendor\\Empty\\Marker").c_str(), "M", 1, HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::DeleteValue((m_base + "\\Vendor\\Empty\\Marker").c_str(), "M", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue(m_base.c_str(), "User", "u", HKEY_CURRENT_USER));
    const std::map<std::string, std::string> filesBefore = SnapshotTree(machine);
    const std::map<std::string, std::string> keysBefore = RegistrySnapshot();

    // The installation medium, with a module the product will hold in use.
    ASSERT_TRUE(::CreateDirectoryA(Path("media").c_str(), nullptr) &&
                ::CreateDirectoryA(Path("media\\data").c_str(), nullptr) &&
                ::CreateDirectoryA(Path("media\\data\\sub").c_str(), nullptr));
    ASSERT_TRUE(WriteTestFile(Path("media\\app.exe"), "app") && WriteTestFile(Path("media\\data\\a.dat"), "a") &&
                WriteTestFile(Path("media\\data\\sub\\b.dat"), "b") &&
                WriteTestFile(Path("media\\shared.txt"), "new"));
    ASSERT_TRUE(::CopyFileA(CHeldLibrary::LibraryPath().c_str(), Path("media\\Module.dll").c_str(), FALSE));

    const std::string product = machine + "\\Program Files\\Vendor\\Product";
    ASSERT_TRUE(m_env.OpenFiles(
        "[INSTALL]\nCT_COPY_FILE = COPY_PRODUCT\nCT_ADDREG = PRODUCT_KEYS\nCT_ADDREG = DEEP_KEYS\n"
        "CT_ADDREG = VENDOR_VALUES\nCT_ADDREG = UNDER_EMPTY\nCT_ADDREG = USER_KEYS\n",
        "[COPY_PRODUCT]\nDIRECTORY = $SRC_DIR$\\media\\data, " + product + "\\data\n"
        "FILE = $SRC_DIR$\\media\\app.exe, " + product + "\\app.exe\n"
        "FILE = $SRC_DIR$\\media\\Module.dll, \"" + product + "\\Module.dll\"\n"
        "FILE = $SRC_DIR$\\media\\shared.txt, " + shared + "\n"
        "[PRODUCT_KEYS]\nKEYNAME = " + m_base + "\\Vendor\\Product\nVALUE = REG_SZ, Version, 1.0\n"
        "[DEEP_KEYS]\nKEYNAME = " + m_base + "\\Vendor\\Product\\Sub\\Deep\nVALUE = REG_DWORD, Level, 2\n"
        "[VENDOR_VALUES]\nKEYNAME = " + m_base + "\\Vendor\nVALUE = REG_SZ, Added, a\n"
        "VALUE = REG_SZ, Overwritten, by the install\n"
        "[UNDER_EMPTY]\nKEYNAME = " + m_base + "\\Vendor\\Empty\\Marker\\Child\nVALUE = REG_SZ, C, c\n"
        "[USER_KEYS]\nROOTKEY = HKCU\nKEYNAME = " + m_base + "\\Settings\nVALUE = REG_DWORD, Setting, 1\n"));

    const CommandRecordPtr install = MakeCommandRecord("CT_COMMAND", "INSTALL");
    ASSERT_TRUE(m_operator.Execute(install.get()));
    ASSERT_EQ("app", ReadTestFile(product + "\\app.exe")) << "the install copied the product";
    ASSERT_EQ("b", ReadTestFile(product + "\\data\\sub\\b.dat")) << "with its subdirectories";
    ASSERT_NE(keysBefore, RegistrySnapshot()) << "and wrote its keys";

    // The product runs: its module is in use while it is uninstalled.
    CModule module(::LoadLibraryA((product + "\\Module.dll").c_str()));
    ASSERT_TRUE(module.IsValid()) << "the copied module loads";
    EXPECT_TRUE(m_records.Apply(m_history, false));

    std::map<std::string, std::string> filesExpected = filesBefore;
    filesExpected["Program Files\\Shared\\shared.txt"] =
        std::to_string(::GetFileAttributesA(shared.c_str())) + ":new";
    EXPECT_EQ(filesExpected, SnapshotTree(machine))
        << "every file and directory the install made is gone; what was there stays (updated by the copy)";
    std::map<std::string, std::string> keysExpected = keysBefore;
    keysExpected["HKLM\\Vendor\\Overwritten"] = std::to_string(REG_SZ) + ":by the install";
    EXPECT_EQ(keysExpected, RegistrySnapshot())
        << "every key and value the install made is gone; what was there stays (an overwritten value keeps "
           "the install's data), empty keys included";
    const std::vector<std::string> pending = PendingDeletesUnder(m_dir.Path());
    ASSERT_EQ(1u, pending.size()) << "the module in use is deleted at the next start";
    EXPECT_EQ(ReadTestFile(CHeldLibrary::LibraryPath()), ReadTestFile(pending[0]))
        << "moved aside to " << pending[0];
}
