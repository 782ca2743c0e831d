#include "command/CopyCommands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command/CopyFile.h"
#include "command/FileCopyTestSupport.h"
#include "command/FilePath.h"
#include "log/Log.h"

TEST(CopyCommandsTest, ParseCopyFileLine_TypesFieldsAndFlags)
{
    CopyFileLine line;
    ASSERT_TRUE(ParseCopyFileLine("FILE = a.txt, C:\\X\\a.txt, 0", line));
    EXPECT_FALSE(line.directory);
    EXPECT_EQ("a.txt", line.source);
    EXPECT_EQ("C:\\X\\a.txt", line.destination);
    EXPECT_FALSE(line.saveHistory) << "a flag of 0 is off";

    ASSERT_TRUE(ParseCopyFileLine("file=a.txt,C:\\X\\a.txt", line));
    EXPECT_TRUE(line.saveHistory) << "a missing flag is on; the type is read in any case";

    ASSERT_TRUE(ParseCopyFileLine(" \tDirectory\t = \"C:\\Src Dir\" ,, \t\"C:\\Dst\"\t, 0 , 2", line));
    EXPECT_TRUE(line.directory);
    EXPECT_EQ("C:\\Src Dir", line.source) << "blanks, tabs and quotes around a path are dropped";
    EXPECT_EQ("C:\\Dst", line.destination) << "the empty field between two commas does not count";
    EXPECT_FALSE(line.includeSubDirectories) << "third field of a DIRECTORY line";
    EXPECT_TRUE(line.saveHistory) << "fourth field: any number but 0 is on";

    ASSERT_TRUE(ParseCopyFileLine("DIRECTORY = a, b", line));
    EXPECT_TRUE(line.includeSubDirectories && line.saveHistory) << "both flags missing: both on";
    ASSERT_TRUE(ParseCopyFileLine("DIRECTORY = a, b, 1, 0, 0", line));
    EXPECT_TRUE(line.includeSubDirectories);
    EXPECT_FALSE(line.saveHistory) << "a fifth field is never read";

    line.source = "untouched";
    EXPECT_FALSE(ParseCopyFileLine("FILES = a, b", line)) << "only FILE and DIRECTORY";
    EXPECT_FALSE(ParseCopyFileLine("REGISTRY = a, b", line));
    EXPECT_FALSE(ParseCopyFileLine("FILE a, b", line)) << "no equals sign";
    EXPECT_EQ("untouched", line.source) << "a skipped line leaves the result alone";
}

TEST(CopyCommandsTest, ParseDeleteFileLine_TypeContainsFileOrDirectory)
{
    DeleteFileLine line;
    ASSERT_TRUE(ParseDeleteFileLine("MYFILES = \"C:\\x.txt\"  ", line));
    EXPECT_FALSE(line.directory) << "a type containing FILE deletes a file";
    EXPECT_EQ("\"C:\\x.txt\"", line.target) << "blanks are trimmed here, quotes by the deletion";

    ASSERT_TRUE(ParseDeleteFileLine("Directory= C:\\D", line));
    EXPECT_TRUE(line.directory);
    EXPECT_EQ("C:\\D", line.target);

    ASSERT_TRUE(ParseDeleteFileLine("FILE_DIRECTORY = C:\\x", line));
    EXPECT_FALSE(line.directory) << "FILE is looked for first";

    line.target = "untouched";
    EXPECT_FALSE(ParseDeleteFileLine("FOLDER = C:\\x", line)) << "neither word";
    EXPECT_FALSE(ParseDeleteFileLine("FILE", line)) << "no equals sign";
    EXPECT_EQ("untouched", line.target);
}

TEST(CopyCommandsTest, RunLines_CopyAndDeleteSections)
{
    CTempDir dir;
    CLog log;
    CHistoryLog history;
    CCopyFile copier(log, 0, history.Recorder());
    ASSERT_TRUE(::CreateDirectoryA(dir.File("src").c_str(), nullptr) &&
                ::CreateDirectoryA(dir.File("src\\sub").c_str(), nullptr));
    ASSERT_TRUE(WriteTestFile(dir.File("a.txt"), "a") && WriteTestFile(dir.File("src\\top.txt"), "t") &&
                WriteTestFile(dir.File("src\\sub\\low.txt"), "l"));

    RunCopyFileLines(copier, {"FILE = " + dir.File("a.txt") + ", " + dir.File("X\\a.txt") + ", 0",
                              "FILE = " + dir.File("a.txt") + ", " + dir.File("Y\\a.txt"),
                              "DIRECTORY = " + dir.File("src") + ", " + dir.File("Z") + ", 0, 0",
                              "UNKNOWN = " + dir.File("a.txt") + ", " + dir.File("W\\a.txt"),
                              "FILE = " + dir.File("missing.txt") + ", " + dir.File("V\\m.txt"),
                              "FILE = " + dir.File("a.txt") + ", " + dir.File("U\\a.txt") + ", 0"});

    EXPECT_EQ("a", ReadTestFile(dir.File("X\\a.txt"))) << "FILE with flag 0 copies";
    EXPECT_EQ("a", ReadTestFile(dir.File("U\\a.txt"))) << "a failing line does not stop the section";
    EXPECT_EQ("t", ReadTestFile(dir.File("Z\\top.txt"))) << "DIRECTORY with flag 0 copies the top level";
    EXPECT_FALSE(TestFileExists(dir.File("Z\\sub"))) << "and nothing below it";
    EXPECT_FALSE(TestFileExists(dir.File("W"))) << "an unknown type is skipped";
    const std::vector<std::pair<std::string, HistoryKind>> expected = {{dir.File("Y"), kHistoryDirectory},
                                                                       {dir.File("Y\\a.txt"), kHistoryFile}};
    EXPECT_EQ(expected, history.entries) << "only the FILE line without a flag records its directory and file";

    ASSERT_TRUE(::CreateDirectoryA(dir.File("Z\\deeper").c_str(), nullptr));
    RunDeleteFileLines(copier, {"MYFILES = " + dir.File("X\\a.txt"), "DIRECTORY = " + dir.File("Z"),
                                "OTHER = " + dir.File("Y\\a.txt")});
    EXPECT_FALSE(TestFileExists(dir.File("X\\a.txt"))) << "MYFILES deletes a file";
    EXPECT_FALSE(TestFileExists(dir.File("Z"))) << "DIRECTORY deletes the tree";
    EXPECT_TRUE(TestFileExists(dir.File("Y\\a.txt"))) << "another type deletes nothing";
}

TEST(CopyCommandsTest, FilePath_EmptyAndOneCharacterTexts_NeverReadOutside)
{
    for (const char* shortPath : {"", "x", "\\"})
    {
        const bool separator = shortPath[0] == '\\';
        EXPECT_EQ("", ParentPath(shortPath)) << shortPath;
        EXPECT_EQ(shortPath[0] == 'x' ? "x" : "", DropTrailingSeparator(shortPath)) << shortPath;
        EXPECT_EQ(separator ? 0u : std::string::npos, FindLastPathSeparator(shortPath)) << shortPath;
        EXPECT_EQ(separator ? std::vector<size_t>{0} : std::vector<size_t>{}, FindPathSeparators(shortPath));
        EXPECT_EQ(std::string(shortPath) + (separator ? "" : "\\") + "y", JoinPath(shortPath, "y")) << shortPath;
    }
}

// In code page 932 the second byte of many characters is a backslash: 0x95 0x5C is one character.
// (Wine on a host without that locale cannot name such files, so the paths are checked as text.)
TEST(CopyCommandsTest, FilePath_DoubleByteCharacterEndingInBackslashByte_IsNoSeparator)
{
    if (::GetACP() != 932)
    {
        GTEST_SKIP() << "needs the double-byte code page 932";
    }
    const std::string folder = "C:\\Data\\\x95\x5C";
    const std::string file = folder + "\\\x95\x5C.txt";
    EXPECT_EQ(folder, ParentPath(file)) << "the file's own name keeps its character";
    EXPECT_EQ("\x95\x5C.txt", FileNamePart(file));
    EXPECT_EQ("C:\\Data", ParentPath(folder)) << "a folder named by that character";
    EXPECT_EQ(folder + "\\", JoinPath(folder, std::string())) << "gets its own separator";
    EXPECT_EQ(folder, DropTrailingSeparator(folder)) << "and loses nothing";
    EXPECT_EQ((std::vector<size_t>{2, 7, 10}), FindPathSeparators(file));
    EXPECT_FALSE(IsProtectedDirectory("C:\\\x95\x5C")) << "a folder of one character is no root";
}
