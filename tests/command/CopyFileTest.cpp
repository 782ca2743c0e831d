#include "command/CopyFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/APIFunction.h"
#include "base/Scoped.h"
#include "base/TextRules.h"
#include "command/FileCopyTestSupport.h"
#include "command/FilePath.h"
#include "env/Platform.h"
#include "log/Log.h"
#include "registry/Registry.h"
#include "registry/RegistryTestSupport.h"

namespace
{
const char kListVendorKey[] = "Software\\KvTestVendorFileCopy";

// MoveFileExA really missing, as on Windows 9x: looked up under a name nobody exports.
class CNoMoveFileEx : public CAPIFunction
{
public:
    CNoMoveFileEx()
    {
        (void)Load();
        ResolveAs(kMoveFileExA, "KvNoSuchExport");
    }
};

int RunningOsClass()
{
    int osCode = 0;
    int osClass = 0;
    (void)GetOsVersionCode(osCode, osClass);
    return osClass;
}

std::vector<std::string> TempFilesIn(const std::string& directory)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data = {};
    HANDLE find = ::FindFirstFileA((directory + "\\*.tmp").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE)
    {
        do
        {
            names.push_back(data.cFileName);
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
    }
    return names;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix)
{
    return SystemUpper(text.substr(0, prefix.size())) == SystemUpper(prefix);
}

// wininit.ini of the Windows directory as it was, put back when the test ends.
class CWininitBackup
{
public:
    CWininitBackup()
    {
        char windows[MAX_PATH] = {};
        ::GetWindowsDirectoryA(windows, MAX_PATH);
        m_path = JoinPath(windows, "wininit.ini");
        m_existed = TestFileExists(m_path);
        m_content = ReadTestFile(m_path);
    }
    ~CWininitBackup()
    {
        (void)::WritePrivateProfileStringA(nullptr, nullptr, nullptr, m_path.c_str());   // flush the cache
        if (m_existed)
        {
            (void)WriteTestFile(m_path, m_content);
        }
        else
        {
            (void)::DeleteFileA(m_path.c_str());
        }
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    bool m_existed = false;
    std::string m_content;
};

// The [rename] lines of wininit.ini.
std::vector<std::string> RenameLines(const std::string& ini)
{
    std::vector<std::string> lines;
    char buffer[4096] = {};
    const DWORD length = ::GetPrivateProfileSectionA("rename", buffer, sizeof(buffer), ini.c_str());
    for (DWORD start = 0; start < length;)
    {
        const std::string line(&buffer[start]);
        lines.push_back(line);
        start += static_cast<DWORD>(line.size()) + 1;
    }
    return lines;
}

std::string ShortForm(const std::string& path)
{
    char buffer[MAX_PATH] = {};
    const DWORD length = ::GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return std::string(buffer, length);
}

using History = std::vector<std::pair<std::string, HistoryKind>>;

History Sorted(History history)
{
    std::sort(history.begin(), history.end());
    return history;
}
}  // namespace

class CopyFileTest : public ::testing::Test
{
protected:
    CopyFileTest() : m_tempOverride(m_dir.Path()), m_copier(m_log, RunningOsClass(), m_history.Recorder()) {}
    ~CopyFileTest() override
    {
        RemovePendingUnder(m_dir.Path());
        for (REGSAM view : {static_cast<REGSAM>(KEY_WOW64_32KEY), static_cast<REGSAM>(KEY_WOW64_64KEY)})
        {
            ForceDeleteTree(HKEY_LOCAL_MACHINE, kListVendorKey, view);
        }
    }

    std::string Path(const std::string& relative) const { return m_dir.File(relative); }
    bool MakeDirectory(const std::string& relative) const
    {
        return ::CreateDirectoryA(Path(relative).c_str(), nullptr) != FALSE;
    }

    CWininitBackup m_wininit;
    CTempDir m_dir;
    CTempDirOverride m_tempOverride;
    CLog m_log;
    CHistoryLog m_history;
    CCopyFile m_copier;
};

TEST_F(CopyFileTest, CopyFile_MissingDirectoriesSeveralLevels_MakesAndRecordsEachNewOneThenTheFile)
{
    ASSERT_TRUE(WriteTestFile(Path("source.txt"), "new"));
    ASSERT_TRUE(MakeDirectory("existing"));
    const std::string destination = Path("existing\\one\\two\\three\\copy.txt");

    EXPECT_TRUE(m_copier.CopyFile(Path("source.txt").c_str(), destination.c_str(), true));

    EXPECT_EQ("new", ReadTestFile(destination)) << "the file is copied into the new directories";
    const History expected = {{Path("existing\\one"), kHistoryDirectory},
                              {Path("existing\\one\\two"), kHistoryDirectory},
                              {Path("existing\\one\\two\\three"), kHistoryDirectory},
                              {destination, kHistoryFile}};
    EXPECT_EQ(expected, m_history.entries) << "each new directory parent first, then the file; never the "
                                              "directories that were there";

    m_history.entries.clear();
    const std::string unrecorded = Path("existing\\four\\five\\copy.txt");
    EXPECT_TRUE(m_copier.CopyFile(Path("source.txt").c_str(), unrecorded.c_str(), false));
    EXPECT_EQ("new", ReadTestFile(unrecorded)) << "copied without save history as well";
    EXPECT_TRUE(m_history.entries.empty()) << "without save history nothing is recorded";
}

TEST_F(CopyFileTest, CopyFile_ExistingReadOnlyDestination_IsReplacedLeftNormalAndNotRecorded)
{
    ASSERT_TRUE(WriteTestFile(Path("source.txt"), "new"));
    ASSERT_TRUE(WriteTestFile(Path("target.txt"), "old"));
    ASSERT_TRUE(::SetFileAttributesA(Path("target.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));

    EXPECT_TRUE(m_copier.CopyFile(Path("source.txt").c_str(), Path("target.txt").c_str(), true));

    EXPECT_EQ("new", ReadTestFile(Path("target.txt"))) << "the read-only file is replaced";
    EXPECT_EQ(0u, ::GetFileAttributesA(Path("target.txt").c_str()) &
                      (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY))
        << "the copy ends with normal attributes (Wine shows files as archived)";
    EXPECT_TRUE(m_history.entries.empty()) << "a file that was there before is not the installer's to remove";
}

TEST_F(CopyFileTest, CopyFile_RefusedCases_ChangeNothing)
{
    ASSERT_TRUE(WriteTestFile(Path("Self.txt"), "self"));
    EXPECT_TRUE(m_copier.CopyFile(Path("Self.txt").c_str(), Path("SELF.TXT").c_str(), true))
        << "a copy onto itself (other letter case) succeeds without copying";
    EXPECT_EQ("self", ReadTestFile(Path("Self.txt"))) << "the file is untouched";

    EXPECT_FALSE(m_copier.CopyFile("", Path("x.txt").c_str(), true)) << "empty source";
    EXPECT_FALSE(m_copier.CopyFile(Path("Self.txt").c_str(), nullptr, true)) << "no destination";
    EXPECT_FALSE(m_copier.CopyFile(Path("missing.txt").c_str(), Path("made\\x.txt").c_str(), true))
        << "a missing source";
    EXPECT_FALSE(TestFileExists(Path("made"))) << "no directory is made for a missing source";
    ASSERT_TRUE(MakeDirectory("folder"));
    EXPECT_FALSE(m_copier.CopyFile(Path("Self.txt").c_str(), Path("folder").c_str(), true))
        << "a directory is never replaced by a file";
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY), ::GetFileAttributesA(Path("folder").c_str()))
        << "the directory stays";

    const std::string overlong = Path("long\\" + std::string(kMaxPathLength, 'x') + ".txt");
    EXPECT_FALSE(m_copier.CopyFile(Path("Self.txt").c_str(), overlong.c_str(), true))
        << "a destination over the path limit fails";
    EXPECT_FALSE(TestFileExists(Path("long"))) << "and makes no directory";
    EXPECT_FALSE(m_copier.CreatePath(overlong.c_str(), true)) << "CreatePath refuses the path as well";
    EXPECT_TRUE(m_history.entries.empty()) << "nothing recorded";
}

TEST_F(CopyFileTest, CopyFile_DestinationLoadedAsProgram_IsReplacedAndOldFileDeletedAtNextStart)
{
    ASSERT_TRUE(MakeDirectory("app"));
    const std::string destination = Path("app\\Module.dll");
    CHeldLibrary held(destination);
    ASSERT_TRUE(held.IsHeld()) << "test library loaded from " << destination;
    ASSERT_TRUE(WriteTestFile(Path("replacement.dll"), "replacement"));

    EXPECT_TRUE(m_copier.CopyFile(Path("replacement.dll").c_str(), destination.c_str(), true));

    EXPECT_EQ("replacement", ReadTestFile(destination)) << "the new file is in place at once";
    const std::vector<std::string> pending = PendingDeletesUnder(m_dir.Path());
    ASSERT_EQ(1u, pending.size()) << "one file in the temporary directory is deleted at the next start";
    EXPECT_TRUE(StartsWithNoCase(FileNamePart(pending[0]), "Mod")) << pending[0] << " named after the file";
    EXPECT_EQ(ReadTestFile(CHeldLibrary::LibraryPath()), ReadTestFile(pending[0]))
        << "the old file was moved aside to that name";
    EXPECT_TRUE(m_history.entries.empty()) << "the replaced file was there before";
}

TEST_F(CopyFileTest, CopyFile_DestinationHeldWithoutSharing_FailsOnNtAndLeavesNoTrace)
{
    ASSERT_TRUE(WriteTestFile(Path("source.txt"), "new"));
    ASSERT_TRUE(WriteTestFile(Path("locked.txt"), "old"));
    bool copied = false;
    {
        CHandle locked(::CreateFileA(Path("locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(locked.IsValid());
        copied = m_copier.CopyFile(Path("source.txt").c_str(), Path("locked.txt").c_str(), true);
    }
    EXPECT_EQ("old", ReadTestFile(Path("locked.txt"))) << "the held file is unchanged";
    EXPECT_TRUE(PendingDeletesUnder(m_dir.Path()).empty()) << "nothing is scheduled";
    EXPECT_TRUE(m_history.entries.empty()) << "nothing recorded";
    if (RunningOsClass() == OSCLASS_9X)
    {
        EXPECT_TRUE(copied) << "Windows 9x replaces even a held file at the next start";
        EXPECT_EQ(1u, RenameLines(m_wininit.Path()).size()) << "through wininit.ini";
        return;
    }
    EXPECT_FALSE(copied) << "a file that can be neither written nor renamed cannot be replaced";
    EXPECT_TRUE(TempFilesIn(m_dir.Path()).empty()) << "no temporary file is left behind";
}

TEST_F(CopyFileTest, ReplaceInUse_WithoutMoveFileEx_WritesWininitRenameLineOnlyOnWindows9x)
{
    m_copier.SetSystemFunctions(CNoMoveFileEx());
    ASSERT_TRUE(MakeDirectory("Deep Folder Name"));
    const std::string destination = Path("Deep Folder Name\\Long Destination Name.dll");
    CHeldLibrary held(destination);
    ASSERT_TRUE(held.IsHeld());
    ASSERT_TRUE(WriteTestFile(Path("replacement.dll"), "replacement"));

    const bool replaced = m_copier.ReplaceInUse(Path("replacement.dll").c_str(), destination.c_str());

    if (RunningOsClass() != OSCLASS_9X)
    {
        EXPECT_FALSE(replaced) << "without MoveFileExA an NT system has no other way";
        EXPECT_TRUE(RenameLines(m_wininit.Path()).empty()) << "wininit.ini is left alone outside Windows 9x";
        EXPECT_TRUE(TempFilesIn(m_dir.Path()).empty()) << "no temporary file is left behind";
        return;
    }
    EXPECT_TRUE(replaced) << "Windows 9x replaces the file at the next start";
    const std::vector<std::string> temps = TempFilesIn(m_dir.Path());
    ASSERT_EQ(1u, temps.size()) << "the new file waits under one temporary name";
    const std::string temp = Path(temps[0]);
    EXPECT_EQ("replacement", ReadTestFile(temp)) << "holding the new bytes";
    const std::string expectedLine = ShortForm(destination) + "=" + ShortForm(temp);
    EXPECT_EQ(std::vector<std::string>{expectedLine}, RenameLines(m_wininit.Path()))
        << "destination = temporary file, both in their short form";
    EXPECT_NE(destination, ShortForm(destination)) << "the long name has a short form of its own";
    EXPECT_EQ(ReadTestFile(CHeldLibrary::LibraryPath()), ReadTestFile(destination))
        << "the file in use stays until the next start";
}

TEST_F(CopyFileTest, CopyDirectory_WithAndWithoutSubdirectories)
{
    ASSERT_TRUE(MakeDirectory("src") && MakeDirectory("src\\sub") && MakeDirectory("src\\sub\\deep"));
    ASSERT_TRUE(WriteTestFile(Path("src\\a.txt"), "a") && WriteTestFile(Path("src\\sub\\b.txt"), "b") &&
                WriteTestFile(Path("src\\sub\\deep\\c.txt"), "c"));

    EXPECT_TRUE(m_copier.CopyDirectory(Path("src").c_str(), Path("all\\copy").c_str(), true, true));
    EXPECT_EQ("c", ReadTestFile(Path("all\\copy\\sub\\deep\\c.txt"))) << "the whole tree is copied";
    const History expected = {{Path("all"), kHistoryDirectory},
                              {Path("all\\copy"), kHistoryDirectory},
                              {Path("all\\copy\\a.txt"), kHistoryFile},
                              {Path("all\\copy\\sub"), kHistoryDirectory},
                              {Path("all\\copy\\sub\\b.txt"), kHistoryFile},
                              {Path("all\\copy\\sub\\deep"), kHistoryDirectory},
                              {Path("all\\copy\\sub\\deep\\c.txt"), kHistoryFile}};
    EXPECT_EQ(expected, Sorted(m_history.entries)) << "every directory made and every file copied";

    m_history.entries.clear();
    EXPECT_TRUE(m_copier.CopyDirectory(Path("src").c_str(), Path("top").c_str(), false, false));
    EXPECT_EQ("a", ReadTestFile(Path("top\\a.txt"))) << "the top level is copied";
    EXPECT_FALSE(TestFileExists(Path("top\\sub"))) << "subdirectories are left out";
    EXPECT_TRUE(m_history.entries.empty()) << "without save history nothing is recorded";

    EXPECT_FALSE(m_copier.CopyDirectory(Path("missing").c_str(), Path("none").c_str(), true, true))
        << "a missing source fails";
    EXPECT_FALSE(TestFileExists(Path("none"))) << "and makes no destination";
}

TEST_F(CopyFileTest, CopyDirectory_NameOverPathLimit_SkipsOnlyThatFile)
{
    ASSERT_TRUE(MakeDirectory("src"));
    const std::string longName = std::string(100, 'n') + ".txt";
    ASSERT_TRUE(WriteTestFile(Path("src\\s.txt"), "s") && WriteTestFile(Path("src\\" + longName), "long"));
    const std::string destination = Path(std::string(200 - m_dir.Path().size(), 'd'));

    EXPECT_TRUE(m_copier.CopyDirectory(Path("src").c_str(), destination.c_str(), true, true));

    EXPECT_EQ("s", ReadTestFile(destination + "\\s.txt")) << "the file that fits is copied";
    EXPECT_FALSE(TestFileExists(destination + "\\" + longName)) << "the path over the limit is not made";
    EXPECT_EQ(2u, m_history.entries.size()) << "the directory and the one file copied are recorded";
}

TEST_F(CopyFileTest, LoadList_CopyAll_EntriesFromRegistryCopyList)
{
    const std::string list = std::string(kListVendorKey) + "\\CopyFiles";
    ASSERT_TRUE(MakeDirectory("src") && MakeDirectory("src\\sub"));
    ASSERT_TRUE(WriteTestFile(Path("file.txt"), "f") && WriteTestFile(Path("src\\a.txt"), "a") &&
                WriteTestFile(Path("src\\sub\\b.txt"), "b"));
    const auto entry = [&](const char* name, const std::string& source, const std::string& destination,
                           DWORD copySubDir, DWORD saveHistory) {
        const std::string key = list + "\\" + name;
        return CRegistry::SetValue(key.c_str(), "Src", source.c_str(), HKEY_LOCAL_MACHINE) == 0 &&
               CRegistry::SetValue(key.c_str(), "Dest", destination.c_str(), HKEY_LOCAL_MACHINE) == 0 &&
               CRegistry::SetValue(key.c_str(), "Description", name, HKEY_LOCAL_MACHINE) == 0 &&
               CRegistry::SetValue(key.c_str(), "CopySubDir", copySubDir, HKEY_LOCAL_MACHINE) == 0 &&
               CRegistry::SetValue(key.c_str(), "Delete", saveHistory, HKEY_LOCAL_MACHINE) == 0;
    };
    ASSERT_TRUE(entry("1", Path("file.txt"), Path("out\\file.txt"), 0, 1));
    ASSERT_TRUE(entry("2", Path("src"), Path("flat"), 0, 0));
    ASSERT_TRUE(entry("3", Path("missing.txt"), Path("out\\missing.txt"), 0, 1));
    ASSERT_TRUE(entry("4", Path("src"), Path("tree"), 1, 1));

    ASSERT_TRUE(m_copier.LoadList(list.c_str()));
    const std::vector<CopyFileEntry>& entries = m_copier.GetEntries();
    ASSERT_EQ(4u, entries.size()) << "the file, one file of the flat directory, two of the tree; "
                                     "the missing source is skipped";
    EXPECT_EQ(Path("file.txt"), entries[0].source);
    EXPECT_EQ(Path("out\\file.txt"), entries[0].destination);
    EXPECT_EQ("1", entries[0].description);
    EXPECT_TRUE(entries[0].saveHistory) << "Delete = 1 saves history";
    EXPECT_EQ(0, entries[0].state);
    EXPECT_EQ(Path("flat\\a.txt"), entries[1].destination) << "a directory source adds one entry per file";
    EXPECT_EQ("2", entries[1].description) << "with the directory's description";
    EXPECT_FALSE(entries[1].saveHistory) << "Delete = 0";
    EXPECT_EQ(list, m_copier.GetListKey());

    for (size_t index = 0; index < entries.size(); ++index)
    {
        EXPECT_TRUE(m_copier.CopyEntry(index)) << "entry " << index;
    }
    EXPECT_FALSE(m_copier.CopyEntry(entries.size())) << "an index past the list";
    EXPECT_EQ("b", ReadTestFile(Path("tree\\sub\\b.txt"))) << "CopySubDir = 1 takes the subdirectories";
    EXPECT_FALSE(TestFileExists(Path("flat\\sub"))) << "CopySubDir = 0 does not";
    EXPECT_TRUE(m_copier.DeleteEntryTarget(0));
    EXPECT_FALSE(TestFileExists(Path("out\\file.txt"))) << "DeleteEntryTarget deletes the destination";

    ASSERT_TRUE(m_log.OpenLogFile());
    CCopyFile fresh(m_log, RunningOsClass());
    EXPECT_FALSE(fresh.CopyAll((list + "\\NoSuchList").c_str())) << "a missing list fails";
    EXPECT_NE(std::string::npos, ReadTestFile(m_log.GetFilePath()).find("Copy file Initial fail!!"))
        << "and is logged";
    EXPECT_TRUE(fresh.CopyAll(list.c_str()));
    EXPECT_EQ("f", ReadTestFile(Path("out\\file.txt"))) << "CopyAll copies every entry";
}

TEST_F(CopyFileTest, DeleteFile_MissingReadOnlyQuotedDirectoryAndInUse)
{
    EXPECT_TRUE(m_copier.DeleteFile(Path("missing.txt").c_str())) << "a missing file is silently gone";
    EXPECT_TRUE(m_copier.DeleteFile(Path("missing\\dir\\x.txt").c_str())) << "so is one in a missing directory";

    ASSERT_TRUE(WriteTestFile(Path("ro.txt"), "ro"));
    ASSERT_TRUE(::SetFileAttributesA(Path("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(m_copier.DeleteFile(("  \"" + Path("ro.txt") + "\" ").c_str()));
    EXPECT_FALSE(TestFileExists(Path("ro.txt"))) << "a read-only file given in quotes and blanks is deleted";

    ASSERT_TRUE(MakeDirectory("folder"));
    EXPECT_FALSE(m_copier.DeleteFile(Path("folder").c_str())) << "a directory is not a file";
    EXPECT_TRUE(TestFileExists(Path("folder"))) << "and is left alone";

    ASSERT_TRUE(MakeDirectory("app"));
    CHeldLibrary held(Path("app\\InUse.dll"));
    ASSERT_TRUE(held.IsHeld());
    EXPECT_TRUE(m_copier.DeleteFile(Path("app\\InUse.dll").c_str())) << "a file in use is scheduled";
    EXPECT_FALSE(TestFileExists(Path("app\\InUse.dll"))) << "and moved out of its directory";
    const std::vector<std::string> pending = PendingDeletesUnder(m_dir.Path());
    ASSERT_EQ(1u, pending.size()) << "one deletion at the next start";
    EXPECT_EQ(ReadTestFile(CHeldLibrary::LibraryPath()), ReadTestFile(pending[0])) << "of the moved file";

    ASSERT_TRUE(WriteTestFile(Path("locked.txt"), "locked"));
    {
        CHandle locked(::CreateFileA(Path("locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(locked.IsValid());
        EXPECT_FALSE(m_copier.DeleteFile(Path("locked.txt").c_str())) << "a file that cannot be moved fails";
    }
    EXPECT_EQ("locked", ReadTestFile(Path("locked.txt"))) << "and stays as it was";
    EXPECT_EQ(1u, TempFilesIn(m_dir.Path()).size()) << "only the scheduled file waits in the temporary directory";
}

TEST_F(CopyFileTest, DeleteDirectory_RecursiveRemovesTreeAndEmptyParentsOnly)
{
    ASSERT_TRUE(MakeDirectory("A") && MakeDirectory("A\\B") && MakeDirectory("A\\B\\C") &&
                MakeDirectory("A\\B\\C\\D") && MakeDirectory("A\\B\\C\\Empty"));
    ASSERT_TRUE(WriteTestFile(Path("A\\other.txt"), "o") && WriteTestFile(Path("A\\B\\C\\f.txt"), "f") &&
                WriteTestFile(Path("A\\B\\C\\D\\g.txt"), "g"));
    ASSERT_TRUE(::SetFileAttributesA(Path("A\\B\\C\\D\\g.txt").c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_FALSE(m_copier.DeleteDirectory(Path("A\\B").c_str(), false)) << "without recursion a full directory stays";
    EXPECT_TRUE(TestFileExists(Path("A\\B\\C\\f.txt")));

    EXPECT_TRUE(m_copier.DeleteDirectory((Path("A\\B\\C") + "\\").c_str(), true));
    EXPECT_FALSE(TestFileExists(Path("A\\B\\C"))) << "the tree is gone, read-only files included";
    EXPECT_FALSE(TestFileExists(Path("A\\B"))) << "the parent left empty is removed";
    EXPECT_TRUE(TestFileExists(Path("A\\other.txt"))) << "a parent with other content stays";

    ASSERT_TRUE(MakeDirectory("A\\Single"));
    EXPECT_TRUE(m_copier.DeleteDirectory(Path("A\\Single").c_str(), false));
    EXPECT_FALSE(TestFileExists(Path("A\\Single"))) << "an empty directory goes without recursion";
    EXPECT_TRUE(m_copier.DeleteDirectory(Path("A\\Single").c_str(), false)) << "a missing directory is gone";
    EXPECT_FALSE(m_copier.DeleteDirectory("", true)) << "an empty path";
}

TEST_F(CopyFileTest, DeleteDirectory_DriveAndShareRoots_AreNeverTouched)
{
    // Pure checks first: the real roots of this system are never handed to DeleteDirectory here.
    for (const char* root : {"C:\\", "C:", "c:\\\\", "C:\\windows\\..", "\\\\server\\share", "\\\\server\\share\\",
                             "\\\\server", "\\", "ab"})
    {
        EXPECT_TRUE(IsProtectedDirectory(root)) << root;
    }
    for (const char* directory : {"C:\\A", "C:\\A\\", "\\\\server\\share\\A"})
    {
        EXPECT_FALSE(IsProtectedDirectory(directory)) << directory;
    }
    // A drive letter and a server that do not exist: removing them would report them gone (true).
    char unused[] = "?:\\";
    const DWORD drives = ::GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y' && unused[0] == '?'; ++letter)
    {
        if ((drives & (1u << (letter - 'A'))) == 0)
        {
            unused[0] = letter;
        }
    }
    ASSERT_NE('?', unused[0]) << "a free drive letter";
    EXPECT_FALSE(m_copier.DeleteDirectory(unused, true)) << unused << " is a drive root";
    EXPECT_FALSE(m_copier.DeleteDirectory((std::string(unused) + "sub\\..").c_str(), true)) << "so is this";
    EXPECT_FALSE(m_copier.DeleteDirectory("\\\\kvnosuchserver\\share\\", true)) << "a share root";
}
