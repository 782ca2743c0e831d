#include "items/UninstallRecords.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/Scoped.h"
#include "base/Text.h"
#include "base/TextRules.h"
#include "command/CopyFile.h"
#include "command/FileCopyTestSupport.h"
#include "command/FilePath.h"
#include "env/Platform.h"
#include "log/Log.h"
#include "registry/Registry.h"
#include "registry/RegistryTestSupport.h"
#include "support/RunWithOutput.h"
#include "support/TestHelpers.h"

namespace
{
const char kVendorKey[] = "Software\\KvTestVendorUninstall";
const char kOwnProgramRootVariable[] = "KV_OWN_PROGRAM_ROOT";

// Reaches the look-up of the INF uninstall function.
class CTestRecords : public CUninstallRecords
{
public:
    using CUninstallRecords::CUninstallRecords;
    using CUninstallRecords::SetInfUninstaller;
};

bool IsWow64Process32Bit()
{
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

// A file entry as it is stored: upper-cased for a 32-bit program on 64-bit Windows.
std::string AsRecordedFile(const std::string& path)
{
    return IsWow64Process32Bit() ? SystemUpper(path) : path;
}

DWORD ReadCount(const std::string& root, const char* name)
{
    const RawValue value = ReadRaw(HKEY_LOCAL_MACHINE, root, name);
    DWORD count = 0;
    if (value.type == REG_DWORD && value.bytes.size() == sizeof(count))
    {
        std::memcpy(&count, value.bytes.data(), sizeof(count));
        return count;
    }
    return 0xFFFFFFFF;                                        // missing or not a count
}

std::string ReadEntry(const std::string& root, const char* name)
{
    return ReadRaw(HKEY_LOCAL_MACHINE, root, name).bytes;
}

bool HasValue(HKEY hive, const std::string& key, const char* name)
{
    return ReadRaw(hive, key, name).type != REG_NONE;
}

// Every key below path with its values as "type:bytes".
void SnapshotKey(HKEY root, const std::string& path, std::map<std::string, std::string>& snapshot)
{
    CRegKey key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
    {
        return;
    }
    snapshot[path] = "<key>";
    for (DWORD index = 0;; ++index)
    {
        char name[1024] = {};
        DWORD nameLength = sizeof(name);
        BYTE data[4096] = {};
        DWORD size = sizeof(data);
        DWORD type = 0;
        if (::RegEnumValueA(key.Get(), index, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
        {
            break;
        }
        snapshot[path + "|" + name] = std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), size);
    }
    for (DWORD index = 0;; ++index)
    {
        char name[1024] = {};
        DWORD nameLength = sizeof(name);
        if (::RegEnumKeyExA(key.Get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        {
            break;
        }
        SnapshotKey(root, path + "\\" + name, snapshot);
    }
}


std::string TestLibraryPath(const char* name)
{
    const std::string program = TestProgramPath();
    return program.substr(0, program.find_last_of('\\') + 1) + name;
}
}  // namespace

class UninstallRecordsTest : public ::testing::Test
{
protected:
    UninstallRecordsTest()
        : m_base(std::string(kVendorKey) + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name()),
          m_tempOverride(m_dir.Path()),
          m_records(m_log, Root("Installing"))
    {
        RemoveKeys();
    }
    ~UninstallRecordsTest() override
    {
        RemovePendingUnder(m_dir.Path());
        RemoveKeys();
    }

    std::string Root(const std::string& name) const { return m_base + "\\" + name; }
    std::string Path(const std::string& relative) const { return m_dir.File(relative); }
    std::string LogText() const { return ReadTestFile(m_log.GetFilePath()); }
    static void RemoveKeys()
    {
        for (REGSAM view : {static_cast<REGSAM>(KEY_WOW64_32KEY), static_cast<REGSAM>(KEY_WOW64_64KEY)})
        {
            ForceDeleteTree(HKEY_LOCAL_MACHINE, kVendorKey, view);
            ForceDeleteTree(HKEY_CURRENT_USER, kVendorKey, view);
        }
    }

    std::string m_base;
    CTempDir m_dir;
    CTempDirOverride m_tempOverride;
    CLog m_log;
    CTestRecords m_records;
};

TEST_F(UninstallRecordsTest, AddEntry_NumbersEachKindFromZeroInItsOwnList)
{
    const struct
    {
        int kind;
        const char* count;
        const char* first;
    } kinds[] = {{kHistoryDirectory, "NumOfDirs", "Dir0"},          {kHistoryRegistryKey, "NumOfKeys", "Key0"},
                 {kHistoryRegistryValue, "NumOfValues", "Value0"},  {kHistoryShortcut, "NumOfShortcuts", "Shortcut0"},
                 {kHistoryDestinationDirectory, "NumOfDestDirs", "DestDir0"}};
    for (const auto& kind : kinds)
    {
        EXPECT_TRUE(m_records.AddEntry(std::string("entry of ") + kind.count, kind.kind, Root("Kinds")));
        EXPECT_EQ(1u, ReadCount(Root("Kinds"), kind.count)) << kind.count;
        EXPECT_EQ(std::string("entry of ") + kind.count, ReadEntry(Root("Kinds"), kind.first)) << kind.first;
    }

    EXPECT_TRUE(m_records.AddEntry("D:\\first.txt", kHistoryFile));
    EXPECT_TRUE(m_records.AddEntry("D:\\second.txt", kHistoryFile, std::string()));
    EXPECT_EQ(2u, ReadCount(Root("Installing"), "NumOfFiles")) << "without a root the current one is used";
    EXPECT_EQ(AsRecordedFile("D:\\second.txt"), ReadEntry(Root("Installing"), "File1")) << "numbered in the order added";
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), ReadRaw(HKEY_LOCAL_MACHINE, Root("Installing"), "File0").type);

    EXPECT_FALSE(m_records.AddEntry("x", 6, Root("Bad"))) << "kinds end at 5";
    EXPECT_FALSE(m_records.AddEntry("x", -1, Root("Bad")));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Root("Bad"))) << "an unknown kind writes nothing";

    HistoryRecorder toOther = m_records.Recorder(Root("Other"));
    EXPECT_TRUE(toOther("D:\\recorded.txt", kHistoryFile));
    EXPECT_EQ(AsRecordedFile("D:\\recorded.txt"), ReadEntry(Root("Other"), "File0")) << "the recorder adds to its root";
    EXPECT_TRUE(m_records.Recorder()("D:\\third.txt", kHistoryFile));
    EXPECT_EQ(AsRecordedFile("D:\\third.txt"), ReadEntry(Root("Installing"), "File2")) << "or to the current root";

    ASSERT_TRUE(m_log.OpenLogFile());
    CUninstallRecords noRoot(m_log, std::string());
    EXPECT_FALSE(noRoot.AddEntry("D:\\x.txt", kHistoryFile)) << "a root that cannot be written fails";
    EXPECT_NE(std::string::npos, LogText().find("Create history key fail ()")) << "and is logged";
}

TEST_F(UninstallRecordsTest, AddEntry_FileInSystemDirectoryOf32BitProgramOn64BitWindows_GoesUnderSysWow64)
{
    EXPECT_TRUE(m_records.AddEntry("C:\\windows\\system32\\kvtest.dll", kHistoryFile));
    EXPECT_TRUE(m_records.AddEntry("C:\\Data\\mysystem32\\a.dll", kHistoryFile));
    EXPECT_TRUE(m_records.AddEntry("C:\\windows\\system32\\kvfolder", kHistoryDirectory));
    const bool wow64 = IsWow64Process32Bit();
    EXPECT_EQ(wow64 ? "C:\\WINDOWS\\SYSWOW64\\KVTEST.DLL" : "C:\\windows\\system32\\kvtest.dll",
              ReadEntry(Root("Installing"), "File0"))
        << "upper-cased and redirected only for a 32-bit program on 64-bit Windows";
    EXPECT_EQ(wow64 ? "C:\\DATA\\MYSYSTEM32\\A.DLL" : "C:\\Data\\mysystem32\\a.dll",
              ReadEntry(Root("Installing"), "File1"))
        << "only a whole \\SYSTEM32\\ component is replaced";
    EXPECT_EQ("C:\\windows\\system32\\kvfolder", ReadEntry(Root("Installing"), "Dir0")) << "files only";

    if (wow64 && ::GetACP() == 932)
    {
        // 0x83 0x61 is one character whose second byte is a lower-case letter's code.
        EXPECT_TRUE(m_records.AddEntry("c:\\windows\\system32\\\x83\x61.dll", kHistoryFile));
        EXPECT_EQ("C:\\WINDOWS\\SYSWOW64\\\x83\x61.DLL", ReadEntry(Root("Installing"), "File2"))
            << "double-byte characters are not changed by upper-casing";
    }
}

TEST_F(UninstallRecordsTest, AddEntry_RootChangedBetweenEntriesByOthers_EntriesStillLandInIt)
{
    const std::string root = Root("Shared");
    ASSERT_TRUE(m_records.AddEntry("D:\\mine0.txt", kHistoryFile, root));
    CUninstallRecords other(m_log, root);
    ASSERT_TRUE(other.AddEntry("D:\\theirs.txt", kHistoryFile));
    ASSERT_TRUE(m_records.AddEntry("D:\\mine1.txt", kHistoryFile, root));
    EXPECT_EQ(3u, ReadCount(root, "NumOfFiles")) << "another writer's entry is counted, not overwritten";
    EXPECT_EQ(AsRecordedFile("D:\\theirs.txt"), ReadEntry(root, "File1"));
    EXPECT_EQ(AsRecordedFile("D:\\mine1.txt"), ReadEntry(root, "File2"));

    ForceDeleteTree(HKEY_LOCAL_MACHINE, root, 0);
    ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, root));
    EXPECT_TRUE(m_records.AddEntry("D:\\after.txt", kHistoryFile, root)) << "a root deleted meanwhile is made anew";
    EXPECT_EQ(1u, ReadCount(root, "NumOfFiles"));
    EXPECT_EQ(AsRecordedFile("D:\\after.txt"), ReadEntry(root, "File0"));

    ASSERT_TRUE(m_records.AddEntry("D:\\a.txt", kHistoryFile, Root("Source")));
    ASSERT_TRUE(m_records.Merge(Root("Source"), root));
    EXPECT_TRUE(m_records.AddEntry("D:\\b.txt", kHistoryFile, Root("Source"))) << "a merged root is made anew";
    EXPECT_EQ(AsRecordedFile("D:\\b.txt"), ReadEntry(Root("Source"), "File0"));
    EXPECT_EQ(2u, ReadCount(root, "NumOfFiles"));
}

TEST_F(UninstallRecordsTest, Merge_ContinuesDestinationNumberingAndDeletesSource)
{
    for (const char* file : {"D:\\s0.txt", "D:\\s1.txt", "D:\\s2.txt"})
    {
        ASSERT_TRUE(m_records.AddEntry(file, kHistoryFile, Root("Source")));
    }
    ASSERT_TRUE(m_records.AddEntry("HKEY_LOCAL_MACHINE\\Software\\K", kHistoryRegistryKey, Root("Source")));
    ASSERT_TRUE(m_records.AddEntry("D:\\d0.txt", kHistoryFile, Root("Destination")));
    ASSERT_TRUE(m_records.AddEntry("D:\\d1.txt", kHistoryFile, Root("Destination")));

    EXPECT_FALSE(m_records.Merge(Root("Source"), Root("Source\\"))) << "a root into itself";
    EXPECT_FALSE(m_records.Merge(Root("Source"), Root("Source\\Inner"))) << "a root into one inside it";
    EXPECT_FALSE(m_records.Merge(std::string(), Root("Destination")));
    EXPECT_EQ(3u, ReadCount(Root("Source"), "NumOfFiles")) << "refused merges change nothing";

    EXPECT_TRUE(m_records.Merge(Root("Source"), Root("Destination")));

    EXPECT_EQ(5u, ReadCount(Root("Destination"), "NumOfFiles"));
    EXPECT_EQ(AsRecordedFile("D:\\d1.txt"), ReadEntry(Root("Destination"), "File1")) << "the destination's own entries stay";
    EXPECT_EQ(AsRecordedFile("D:\\s0.txt"), ReadEntry(Root("Destination"), "File2")) << "numbering continues";
    EXPECT_EQ(AsRecordedFile("D:\\s2.txt"), ReadEntry(Root("Destination"), "File4")) << "in the source's order";
    EXPECT_EQ("HKEY_LOCAL_MACHINE\\Software\\K", ReadEntry(Root("Destination"), "Key0"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Root("Source"))) << "the source root is deleted";
}

TEST_F(UninstallRecordsTest, Merge_OfARunThatRecordedTheSameAgain_KeepsEachEntryOnce)
{
    ASSERT_TRUE(m_records.AddEntry("D:\\Product\\Install", kHistoryDestinationDirectory, Root("Installed")));
    ASSERT_TRUE(m_records.AddEntry("D:\\menu\\Product.lnk", kHistoryShortcut, Root("Installed")));
    ASSERT_TRUE(m_records.AddEntry("D:\\PRODUCT\\install", kHistoryDestinationDirectory, Root("Reinstall")));
    ASSERT_TRUE(m_records.AddEntry("D:\\menu\\Product.lnk", kHistoryShortcut, Root("Reinstall")));
    ASSERT_TRUE(m_records.AddEntry("D:\\menu\\New.lnk", kHistoryShortcut, Root("Reinstall")));

    EXPECT_TRUE(m_records.Merge(Root("Reinstall"), Root("Installed")));

    EXPECT_EQ(1u, ReadCount(Root("Installed"), "NumOfDestDirs")) << "the same folder, in other letter case";
    EXPECT_EQ(2u, ReadCount(Root("Installed"), "NumOfShortcuts")) << "only the new shortcut is added";
    EXPECT_EQ("D:\\menu\\New.lnk", ReadEntry(Root("Installed"), "Shortcut1"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Root("Reinstall")));
}

TEST_F(UninstallRecordsTest, Apply_RemovesEachKindLastAddedFirst)
{
    const std::string history = Root("Apply");
    // Directories are recorded parent first and removed one by one (not recursively): only the
    // reverse order with the files gone first empties them.
    ASSERT_TRUE(::CreateDirectoryA(Path("A").c_str(), nullptr) && ::CreateDirectoryA(Path("A\\B").c_str(), nullptr));
    ASSERT_TRUE(WriteTestFile(Path("A\\f1.txt"), "1") && WriteTestFile(Path("A\\B\\f2.txt"), "2"));
    ASSERT_TRUE(::CreateDirectoryA(Path("Kept").c_str(), nullptr) && WriteTestFile(Path("Kept\\user.txt"), "u"));
    ASSERT_TRUE(::CreateDirectoryA(Path("Dest").c_str(), nullptr) && WriteTestFile(Path("Dest\\any.txt"), "a"));
    ASSERT_TRUE(WriteTestFile(Path("Product.lnk"), "link"));
    for (const std::string& directory : {Path("A"), Path("A\\B"), Path("Kept")})
    {
        ASSERT_TRUE(m_records.AddEntry(directory, kHistoryDirectory, history));
    }
    ASSERT_TRUE(m_records.AddEntry(Path("A\\f1.txt"), kHistoryFile, history));
    ASSERT_TRUE(m_records.AddEntry(Path("A\\B\\f2.txt"), kHistoryFile, history));
    ASSERT_TRUE(m_records.AddEntry(Path("Dest"), kHistoryDestinationDirectory, history));
    ASSERT_TRUE(m_records.AddEntry(Path("Product.lnk"), kHistoryShortcut, history));

    const std::string machineKey = Root("Machine");
    const std::string userKey = Root("User");
    ASSERT_EQ(0u, CRegistry::SetValue(userKey.c_str(), "Gone", "x", HKEY_CURRENT_USER));
    ASSERT_EQ(0u, CRegistry::SetValue(userKey.c_str(), "Stays", "x", HKEY_CURRENT_USER));
    ASSERT_EQ(0u, CRegistry::SetValue((machineKey + "\\Tree\\Sub").c_str(), "v", "x", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue((machineKey + "\\Plain").c_str(), "v", "x", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue((machineKey + "\\Named").c_str(), "v", "x", HKEY_LOCAL_MACHINE));
    const std::vector<std::string> values = {"HKEY_CURRENT_USER\\" + userKey + "\\Gone",
                                             "NOT_A_HIVE\\" + machineKey + "\\Named\\v", "HKEY_CURRENT_USER"};
    for (const std::string& value : values)
    {
        ASSERT_TRUE(m_records.AddEntry(value, kHistoryRegistryValue, history));
    }
    ASSERT_TRUE(m_records.AddEntry("HKEY_LOCAL_MACHINE\\" + machineKey + "\\Tree", kHistoryRegistryKey, history));
    ASSERT_TRUE(m_records.AddEntry("UNKNOWN\\" + machineKey + "\\Plain", kHistoryRegistryKey, history));

    EXPECT_FALSE(m_records.Apply(std::string(), false)) << "an empty root";
    EXPECT_TRUE(m_records.Apply(history, false));

    EXPECT_FALSE(TestFileExists(Path("A"))) << "files first, then the directories, the last added first";
    EXPECT_TRUE(TestFileExists(Path("Kept\\user.txt"))) << "a recorded directory that is not empty stays";
    EXPECT_FALSE(TestFileExists(Path("Dest"))) << "a destination directory goes with its contents";
    EXPECT_FALSE(TestFileExists(Path("Product.lnk"))) << "shortcuts are deleted";
    EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, userKey, "Gone")) << "a current-user value entry";
    EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, userKey, "Stays")) << "removes only its own value";
    EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, machineKey + "\\Named", "v")) << "an unknown hive skips a value";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, machineKey + "\\Tree")) << "a key goes with its subkeys";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, machineKey + "\\Plain")) << "an unknown hive means local machine";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, machineKey)) << "a parent that was not recorded stays";
}

TEST_F(UninstallRecordsTest, Apply_RootWithoutKeyCount_StillProcessesTheOtherKinds)
{
    const std::string history = Root("NoKeys");
    ASSERT_EQ(0u, CRegistry::SetValue(Root("Listed").c_str(), "v", "x", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue(history.c_str(), "Key0", ("HKEY_LOCAL_MACHINE\\" + Root("Listed")).c_str(),
                                      HKEY_LOCAL_MACHINE));
    ASSERT_TRUE(WriteTestFile(Path("file.txt"), "f"));
    ASSERT_TRUE(m_records.AddEntry(Path("file.txt"), kHistoryFile, history));

    EXPECT_TRUE(m_records.Apply(history, false));

    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Root("Listed"))) << "no NumOfKeys: no key is deleted";
    EXPECT_FALSE(TestFileExists(Path("file.txt"))) << "the files are still deleted";
}

TEST_F(UninstallRecordsTest, Apply_EntriesFoundByTheirNamesAsTheRegistryComparesThem)
{
    const std::string history = Root("Names");
    const char* const files[] = {"lower.txt", "padded.txt", "past.txt", "expand.txt", "kept.txt", "upper.txt"};
    for (const char* file : files)
    {
        ASSERT_TRUE(WriteTestFile(Path(file), file));
    }
    const DWORD three = 3;
    ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, history, "numoffiles", REG_DWORD, &three, sizeof(three)));
    const auto text = [&](const char* name, const char* file, DWORD type) {
        const std::string path = Path(file);
        return WriteRaw(HKEY_LOCAL_MACHINE, history, name, type, path.c_str(), static_cast<DWORD>(path.size()));
    };
    ASSERT_TRUE(text("file0", "lower.txt", REG_SZ));
    ASSERT_TRUE(text("File01", "padded.txt", REG_SZ));
    ASSERT_TRUE(text("File3", "past.txt", REG_SZ));
    ASSERT_TRUE(text("File1", "expand.txt", REG_EXPAND_SZ));
    ASSERT_TRUE(text("FILE2", "upper.txt", REG_SZ));
    ASSERT_TRUE(text("Files2", "kept.txt", REG_SZ));

    EXPECT_TRUE(m_records.Apply(history, false));

    EXPECT_FALSE(TestFileExists(Path("lower.txt"))) << "names and counts in any letter case";
    EXPECT_FALSE(TestFileExists(Path("upper.txt")));
    EXPECT_TRUE(TestFileExists(Path("padded.txt"))) << "a leading zero names no entry";
    EXPECT_TRUE(TestFileExists(Path("past.txt"))) << "an entry past the count is none";
    EXPECT_TRUE(TestFileExists(Path("expand.txt"))) << "an entry is a REG_SZ text";
    EXPECT_TRUE(TestFileExists(Path("kept.txt"))) << "the number follows the prefix directly";
}

TEST_F(UninstallRecordsTest, Apply_InfFile_UninstalledFromInfStoreThenDeleted)
{
    EXPECT_TRUE(CUninstallRecords::IsInfFile("C:\\Drivers\\printer.inf"));
    EXPECT_TRUE(CUninstallRecords::IsInfFile("OEM12.INF"));
    EXPECT_FALSE(CUninstallRecords::IsInfFile("C:\\Drivers\\printer.inf.txt"));
    EXPECT_FALSE(CUninstallRecords::IsInfFile("C:\\Drivers.inf\\readme"));
    EXPECT_FALSE(CUninstallRecords::IsInfFile("INF"));

    ASSERT_TRUE(m_log.OpenLogFile());
    // An INF in the system's INF folder, as the driver installation leaves it there.
    char windows[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetWindowsDirectoryA(windows, MAX_PATH));
    const std::string storeInf = FormatText("%s\\inf\\kvtest%lu.inf", windows, ::GetCurrentProcessId());
    struct CRemoveAtEnd
    {
        std::string path;
        ~CRemoveAtEnd() { (void)::DeleteFileA(path.c_str()); }
    } removeStoreInf{storeInf};
    ASSERT_TRUE(WriteTestFile(storeInf, "[Version]"));
    ASSERT_TRUE(m_records.AddEntry(storeInf, kHistoryFile, Root("Store")));
    EXPECT_TRUE(m_records.Apply(Root("Store"), false));
    EXPECT_NE(std::string::npos, LogText().find(ReadEntry(Root("Store"), "File0") + " file uninstalled"))
        << "the system's INF store takes the file: " << LogText();
    EXPECT_FALSE(TestFileExists(storeInf)) << "and it is deleted as well";

    const std::string history = Root("Inf");
    ASSERT_TRUE(m_records.AddEntry(Path("printer.inf"), kHistoryFile, history));
    ASSERT_TRUE(m_records.AddEntry(Path("other.txt"), kHistoryFile, history));
    const std::string recorded = ReadEntry(history, "File0");   // upper-cased under WOW64

    // A stand-in for the system function sees the arguments and refuses.
    CModule fake(::LoadLibraryA(TestLibraryPath("KvFakeSetupApi.dll").c_str()));
    ASSERT_TRUE(fake.IsValid());
    using Calls = LONG(WINAPI*)();
    using LastName = const char*(WINAPI*)();
    using LastFlags = DWORD(WINAPI*)();
    const auto calls = reinterpret_cast<Calls>(reinterpret_cast<void (*)()>(::GetProcAddress(fake.Get(), "KvFakeCalls")));
    const auto lastName =
        reinterpret_cast<LastName>(reinterpret_cast<void (*)()>(::GetProcAddress(fake.Get(), "KvFakeLastName")));
    const auto lastFlags =
        reinterpret_cast<LastFlags>(reinterpret_cast<void (*)()>(::GetProcAddress(fake.Get(), "KvFakeLastFlags")));
    ASSERT_TRUE(calls && lastName && lastFlags);
    m_records.SetInfUninstaller(TestLibraryPath("KvFakeSetupApi.dll"), "SetupUninstallOEMInfA");
    ASSERT_TRUE(WriteTestFile(Path("printer.inf"), "[Version]") && WriteTestFile(Path("other.txt"), "o"));

    EXPECT_TRUE(m_records.Apply(history, false));
    EXPECT_EQ(1, calls()) << "once, for the INF file only";
    EXPECT_EQ(SystemUpper("printer.inf"), SystemUpper(lastName())) << "by its file name without the path";
    EXPECT_EQ(1u, lastFlags()) << "with the force-delete flag";
    const std::string log = LogText();
    EXPECT_NE(std::string::npos, log.find("]  " + recorded + "\r\n")) << "a failure logs the path";
    EXPECT_NE(std::string::npos, log.find("Error Code = 1168")) << "with the system error";
    EXPECT_FALSE(TestFileExists(Path("printer.inf"))) << "the file is deleted all the same";

    m_records.SetInfUninstaller("KvNoSuchLibrary.dll", "SetupUninstallOEMInfA");
    ASSERT_TRUE(WriteTestFile(Path("printer.inf"), "[Version]"));
    const size_t logSize = LogText().size();
    EXPECT_TRUE(m_records.Apply(history, false));
    EXPECT_EQ(logSize, LogText().size()) << "without the function nothing is uninstalled or logged";
    EXPECT_FALSE(TestFileExists(Path("printer.inf"))) << "but the file is deleted";
}

// Run only by Apply_DeleteOwnProgram, in a copy of this program: applies the root it is given with
// the own-program flag set.
TEST(UninstallRecordsChild, DISABLED_ApplyDeletingOwnProgram)
{
    char root[1024] = {};
    ASSERT_NE(0u, ::GetEnvironmentVariableA(kOwnProgramRootVariable, root, sizeof(root)));
    CLog log;
    CUninstallRecords records(log, root);
    EXPECT_TRUE(records.Apply(root, true));
}

TEST_F(UninstallRecordsTest, Apply_DeleteOwnProgram_RunningProgramIsMovedAsideAndDeletedAtNextStart)
{
    const std::string program = Path("OwnProgram.exe");
    ASSERT_TRUE(::CopyFileA(TestProgramPath().c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(WriteTestFile(Path("listed.txt"), "l"));
    ASSERT_TRUE(m_records.AddEntry(Path("listed.txt"), kHistoryFile, Root("Own")));
    ASSERT_TRUE(::SetEnvironmentVariableA(kOwnProgramRootVariable, Root("Own").c_str()));

    const DWORD exitCode =
        RunWithOutput(program.c_str(), "\"" + program + "\" --gtest_filter=UninstallRecordsChild.* "
                      "--gtest_also_run_disabled_tests", Path("child.txt"), 120000);
    ::SetEnvironmentVariableA(kOwnProgramRootVariable, nullptr);

    EXPECT_EQ(0u, exitCode) << ReadTestFile(Path("child.txt"));
    EXPECT_FALSE(TestFileExists(Path("listed.txt"))) << "the entries are applied";
    EXPECT_FALSE(TestFileExists(program)) << "the running program is moved out of its place";
    const std::vector<std::string> pending = PendingDeletesUnder(m_dir.Path());
    ASSERT_EQ(1u, pending.size()) << "and deleted at the next start";
    EXPECT_TRUE(SystemUpper(FileNamePart(pending[0])).compare(0, 3, "OWN") == 0) << pending[0];
    EXPECT_EQ(ReadTestFile(TestProgramPath()).size(), ReadTestFile(pending[0]).size()) << "it is the program";
}

TEST_F(UninstallRecordsTest, RoundTrip_CopiedTreeAndRegistryEntries_LeaveTheMachineAsBefore)
{
    // The machine before the install: a program folder with a shared file, a vendor key with a value.
    const std::string machine = Path("machine");
    const std::string shared = machine + "\\Program Files\\Shared\\shared.dll";
    ASSERT_TRUE(::CreateDirectoryA(machine.c_str(), nullptr) &&
                ::CreateDirectoryA((machine + "\\Program Files").c_str(), nullptr) &&
                ::CreateDirectoryA((machine + "\\Program Files\\Shared").c_str(), nullptr));
    ASSERT_TRUE(WriteTestFile(shared, "old shared") && WriteTestFile(machine + "\\Program Files\\user.txt", "u"));
    const std::string vendorKey = Root("Machine\\Vendor");
    ASSERT_EQ(0u, CRegistry::SetValue(vendorKey.c_str(), "Keep", "k", HKEY_LOCAL_MACHINE));
    ASSERT_TRUE(MakeKey(HKEY_LOCAL_MACHINE, Root("Machine\\Empty")));
    ASSERT_TRUE(MakeKey(HKEY_CURRENT_USER, m_base));
    const std::map<std::string, std::string> filesBefore = SnapshotTree(machine);
    std::map<std::string, std::string> keysBefore;
    SnapshotKey(HKEY_LOCAL_MACHINE, Root("Machine"), keysBefore);
    SnapshotKey(HKEY_CURRENT_USER, m_base, keysBefore);

    // The installation medium.
    const std::string media = Path("media");
    ASSERT_TRUE(::CreateDirectoryA(media.c_str(), nullptr) &&
                ::CreateDirectoryA((media + "\\data").c_str(), nullptr) &&
                ::CreateDirectoryA((media + "\\data\\sub").c_str(), nullptr));
    ASSERT_TRUE(WriteTestFile(media + "\\app.exe", "app") && WriteTestFile(media + "\\data\\a.dat", "a") &&
                WriteTestFile(media + "\\data\\sub\\b.dat", "b") && WriteTestFile(media + "\\shared.dll", "new"));

    // Install with recording: files, directories, keys and values.
    const std::string history = Root("History");
    const std::string product = machine + "\\Program Files\\Vendor\\Product";
    CCopyFile copier(m_log, 0, m_records.Recorder(history));
    ASSERT_TRUE(copier.CopyDirectory((media + "\\data").c_str(), (product + "\\data").c_str(), true, true));
    ASSERT_TRUE(copier.CopyFile((media + "\\app.exe").c_str(), (product + "\\app.exe").c_str(), true));
    ASSERT_TRUE(copier.CopyFile(CHeldLibrary::LibraryPath().c_str(), (product + "\\Module.dll").c_str(), true));
    ASSERT_TRUE(copier.CopyFile((media + "\\shared.dll").c_str(), shared.c_str(), true));
    const std::string productKey = Root("Machine\\Vendor\\Product");
    ASSERT_EQ(0u, CRegistry::SetValue(productKey.c_str(), "Version", "1.0", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue((productKey + "\\Sub\\Deep").c_str(), "Level", 2, HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue(vendorKey.c_str(), "Added", "a", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue(Root("User").c_str(), "Setting", 1, HKEY_CURRENT_USER));
    const std::vector<std::pair<std::string, int>> created = {
        {"HKEY_LOCAL_MACHINE\\" + productKey, kHistoryRegistryKey},
        {"HKEY_LOCAL_MACHINE\\" + productKey + "\\Sub", kHistoryRegistryKey},
        {"HKEY_LOCAL_MACHINE\\" + productKey + "\\Sub\\Deep", kHistoryRegistryKey},
        {"HKEY_LOCAL_MACHINE\\" + vendorKey + "\\Added", kHistoryRegistryValue},
        {"HKEY_CURRENT_USER\\" + Root("User"), kHistoryRegistryKey},
        {"HKEY_CURRENT_USER\\" + Root("User") + "\\Setting", kHistoryRegistryValue}};
    for (const auto& entry : created)
    {
        ASSERT_TRUE(m_records.AddEntry(entry.first, entry.second, history));
    }
    EXPECT_EQ(4u, ReadCount(history, "NumOfFiles")) << "the shared file was there before and is not recorded";
    EXPECT_EQ(4u, ReadCount(history, "NumOfDirs")) << "Vendor, Product, data, sub: only the new directories";

    // The product runs: its module is in use while it is uninstalled.
    CModule module(::LoadLibraryA((product + "\\Module.dll").c_str()));
    ASSERT_TRUE(module.IsValid());
    EXPECT_TRUE(m_records.Apply(history, false));

    std::map<std::string, std::string> filesExpected = filesBefore;
    filesExpected["Program Files\\Shared\\shared.dll"] = std::to_string(::GetFileAttributesA(shared.c_str())) + ":new";
    EXPECT_EQ(filesExpected, SnapshotTree(machine))
        << "every file and directory the install made is gone; what was there stays (the shared file updated)";
    std::map<std::string, std::string> keysAfter;
    SnapshotKey(HKEY_LOCAL_MACHINE, Root("Machine"), keysAfter);
    SnapshotKey(HKEY_CURRENT_USER, m_base, keysAfter);
    EXPECT_EQ(keysBefore, keysAfter) << "every key and value the install made is gone, the others stay";
    const std::vector<std::string> pending = PendingDeletesUnder(m_dir.Path());
    ASSERT_EQ(1u, pending.size()) << "the module in use is deleted at the next start";
    EXPECT_EQ(ReadTestFile(CHeldLibrary::LibraryPath()), ReadTestFile(pending[0])) << "moved aside to " << pending[0];
}
