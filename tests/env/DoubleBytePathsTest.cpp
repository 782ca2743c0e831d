// Every public function of the environment layer that splits or joins paths, given a folder whose name
// is one code-page-932 character with the second byte 0x5C: the character is never cut at that byte.
// The functions use the system's code page, so the test needs a Japanese system (the ja_JP runs);
// the macros take the lead-byte test and are also given code page 932's own.

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/PathText.h"
#include "env/FileSystem.h"
#include "env/InstallPaths.h"
#include "env/Macros.h"
#include "env/SourceMedia.h"
#include "support/TempDir.h"

namespace
{
const std::string kTable = "\x95\x5C";                       // one character whose second byte is 0x5C
const std::string kFolder = "C:\\" + kTable;                  // C:\<0x95 0x5C>, no trailing backslash
const std::string kPath = kFolder + "\\x";                    // C:\<0x95 0x5C>\x

bool IsLeadByte932(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::string StringFileName(const std::string& stringFile, LeadBytePredicate isLeadByte)
{
    MacroValues values;
    values.stringFile = stringFile;
    values.isLeadByte = isLeadByte;
    return ExpandMacros("$STRING_FILE_NAME$", values);
}

bool IsJapaneseSystem()
{
    return ::GetACP() == 932;
}
}  // namespace

TEST(DoubleBytePathsTest, EnvironmentPathFunctions_NeverCutACharacterEndingIn0x5C)
{
    EXPECT_EQ(kTable, StringFileName(kFolder, IsLeadByte932)) << "the macros, with code page 932's test";
    EXPECT_EQ("x", StringFileName(kPath, IsLeadByte932));
    if (!IsJapaneseSystem())
    {
        GTEST_SKIP() << "the other functions split by the system's code page: only with a Japanese system";
    }
    struct Case
    {
        const char* function;
        std::function<std::string()> call;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"ParentDirectory", [] { return ParentDirectory(kPath); }, kFolder},
        {"ParentDirectory of the folder", [] { return ParentDirectory(kFolder); }, "C:"},
        {"FileNamePart", [] { return FileNamePart(kFolder); }, kTable},
        {"WithoutTrailingBackslash", [] { return WithoutTrailingBackslash(kFolder); }, kFolder},
        {"ApplicationNameOf", [] { return ApplicationNameOf(kFolder + "\\Setup.exe"); }, "Setup"},
        {"ApplicationNameOf a folder", [] { return ApplicationNameOf(kFolder); }, kTable},
        {"ResolvePathText '.'", [] { return ResolvePathText(".\\a", kFolder); }, kFolder + "\\a"},
        {"ResolvePathText '..'", [] { return ResolvePathText("..\\a", kPath); }, kFolder + "\\a"},
        {"ResolvePathText relative", [] { return ResolvePathText("a", kFolder); }, kFolder + "\\a"},
        {"DirectoryChain", [] { return DirectoryChain(kPath).back(); }, kPath},
        {"DirectoryChain, outermost", [] { return DirectoryChain(kPath).front(); }, kFolder},
        {"ChooseWindowsDirectory", [] { return ChooseWindowsDirectory(true, std::nullopt, kPath + "\\", ""); },
         kFolder},
        {"DriveRootOf", [] { return SystemCheck::DriveRootOf(kPath); }, "C:\\"},
        {"DriveRootOf a share", [] { return SystemCheck::DriveRootOf("\\\\" + kTable + "\\share\\x"); },
         "\\\\" + kTable + "\\share\\"},
        {"SetupSourcePathFor, a character ending in the backslash",
         [] { return SystemCheck::SetupSourcePathFor((kFolder + "SYSTEM32\\A").c_str(), true); },
         kFolder + "SYSTEM32\\A"},
        {"SetupSourcePathFor, a real folder",
         [] { return SystemCheck::SetupSourcePathFor((kFolder + "\\SYSTEM32\\A").c_str(), true); },
         kFolder + "\\SYSWOW64\\A"},
        {"$STRING_FILE_NAME$", [] { return StringFileName(kFolder, IsSystemLeadByte); }, kTable},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.expected, c.call()) << c.function;
    }
    EXPECT_EQ(2u, DirectoryChain(kPath).size()) << "one piece per folder";
}

TEST(DoubleBytePathsTest, FolderWalks_RemoveTheFoldersWhoseNamesEndIn0x5C)
{
    if (!IsJapaneseSystem())
    {
        GTEST_SKIP() << "folder names of code page 932 need a Japanese system";
    }
    CTempDir top;
    ASSERT_TRUE(WriteTestFile(top.File("keep.txt"), "x")) << "the walk must stop at the test folder";
    const std::string table = top.File(kTable);
    const std::string inner = table + "\\" + kTable;
    if (!::CreateDirectoryA(table.c_str(), nullptr))
    {
        // Wine on a host without that locale cannot name such files.
        GTEST_SKIP() << "the file system cannot name a folder by that character here";
    }
    ASSERT_TRUE(::CreateDirectoryA(inner.c_str(), nullptr) && WriteTestFile(inner + "\\f.txt", "x"));
    EXPECT_TRUE(SystemCheck::IsDirectory(inner) && SystemCheck::IsFile(inner + "\\f.txt"));
    EXPECT_TRUE(SystemCheck::FileExists((inner + "\\f.txt").c_str()));

    EXPECT_TRUE(SystemCheck::DeleteFileAndEmptyDirs((inner + "\\f.txt").c_str(), false));
    EXPECT_FALSE(SystemCheck::PathExists(table)) << "both folders named by the character are gone";
    EXPECT_TRUE(SystemCheck::IsDirectory(top.Path())) << "the folder holding keep.txt stays";

    ASSERT_TRUE(::CreateDirectoryA(table.c_str(), nullptr) && ::CreateDirectoryA(inner.c_str(), nullptr));
    EXPECT_TRUE(SystemCheck::RemoveDirectoryChain((inner + "\\").c_str()));
    EXPECT_FALSE(SystemCheck::PathExists(table)) << "a trailing backslash after the character is a separator";
}
