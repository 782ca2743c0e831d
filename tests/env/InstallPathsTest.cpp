#include "env/InstallPaths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using Chain = std::vector<std::string>;

TEST(InstallPathsTest, ResolvePathText_DriveNetworkParentCurrentAndRelativeTexts)
{
    const std::string src = "D:\\Install\\Disk1";
    EXPECT_EQ("D:", ResolvePathText("D:", src)) << "a bare drive is taken unchanged";
    EXPECT_EQ("E:\\x\\y.kvi", ResolvePathText("E:\\x\\y.kvi", src)) << "a full path is taken unchanged";
    EXPECT_EQ("\\\\server\\share\\x.kvi", ResolvePathText("\\\\server\\share\\x.kvi", src))
        << "a network path is taken unchanged";
    EXPECT_EQ("D:\\Install\\common\\x.kvi", ResolvePathText("..\\common\\x.kvi", src))
        << "'..' continues from the source directory's parent";
    EXPECT_EQ("D:\\Install\\Disk1\\data\\kvinst.kvi", ResolvePathText(".\\data\\kvinst.kvi", src))
        << "'.' continues from the source directory";
    EXPECT_EQ("D:\\Install\\Disk1\\data\\kvinst.cmd", ResolvePathText("data\\kvinst.cmd", src))
        << "any other text lies below the source directory";
    EXPECT_EQ("D:\\Install\\Disk1\\C:x", ResolvePathText("C:x", src))
        << "a drive-relative text is neither a drive nor a full path";
}

TEST(InstallPathsTest, ResolvePathText_EmptyAndOneCharacterTexts)
{
    const std::string src = "D:\\Install\\Disk1";
    const struct
    {
        const char* text;
        std::string expected;
    } cases[] = {
        {"", src + "\\"},                                     // the source folder itself
        {".", src},
        {"..", "D:\\Install"},
        {"a", src + "\\a"},
        {":", src + "\\:"},
        {"\\", src + "\\\\"},
        {"C:", "C:"},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(c.expected, ResolvePathText(c.text, src)) << "text '" << c.text << "'";
        EXPECT_NO_THROW(ResolvePathText(c.text, "")) << "empty source folder, text '" << c.text << "'";
    }
}

TEST(InstallPathsTest, ResolvePathText_SourceDirMacro_NamesTheSourceDirectoryOnce)
{
    EXPECT_EQ("D:\\Install\\Disk1\\data\\x.dll",
              ResolvePathText("$SRC_DIR$\\data\\x.dll", "D:\\Install\\Disk1"))
        << "a text beginning with $SRC_DIR$ is a full path, not one below the source directory";
    EXPECT_EQ("\\\\srv\\share\\Disk1\\x.dll", ResolvePathText("$SRC_DIR$\\x.dll", "\\\\srv\\share\\Disk1"))
        << "a source directory on the network stays a network path";
    EXPECT_EQ("\\\\srv\\share\\y.dll", ResolvePathText("..\\y.dll", "\\\\srv\\share\\Disk1"))
        << "'..' from a network source directory";
    EXPECT_EQ("D:\\Install\\Disk1\\a\\D:\\Install\\Disk1",
              ResolvePathText("a\\$SRC_DIR$", "D:\\Install\\Disk1"))
        << "every occurrence is replaced";
}

TEST(InstallPathsTest, PathPieces_SplitAtTheLastBackslash)
{
    EXPECT_EQ("D:\\Install", ParentDirectory("D:\\Install\\Disk1"));
    EXPECT_EQ("D:", ParentDirectory("D:\\Setup.exe"))
        << "a program in a drive root has the drive as its folder";
    EXPECT_EQ("Disk1", ParentDirectory("Disk1")) << "a text without a backslash is its own parent";
    EXPECT_EQ("Lang_GR.str", FileNamePart("D:\\data\\String\\Lang_GR.str"));
    EXPECT_EQ("Setup", ApplicationNameOf("D:\\Install\\Disk1\\Setup.exe"));
    EXPECT_EQ("my.setup", ApplicationNameOf("D:\\a.b\\my.setup.exe")) << "only the last extension goes";
    EXPECT_EQ("Setup", ApplicationNameOf("D:\\a.b\\Setup")) << "a dot in a folder name is not an extension";
    EXPECT_EQ("C:\\x\\", WithoutTrailingBackslash("C:\\x\\\\")) << "exactly one trailing backslash goes";
    EXPECT_EQ("C:\\x", WithoutTrailingBackslash("C:\\x"));
    for (const char* shortPath : {"", "x", "\\"})                  // never read outside the text
    {
        const bool name = shortPath[0] == 'x';
        EXPECT_EQ(name ? "x" : "", ParentDirectory(shortPath)) << shortPath;
        EXPECT_EQ(name ? "x" : "", FileNamePart(shortPath)) << shortPath;
        EXPECT_EQ(name ? "x" : "", ApplicationNameOf(shortPath)) << shortPath;
        EXPECT_EQ(name ? "x" : "", WithoutTrailingBackslash(shortPath)) << shortPath;
    }
}

TEST(InstallPathsTest, FillLanguageFormat_ReplacesTheFirstPlaceholderOnly)
{
    EXPECT_EQ("D:\\data\\String\\Lang_GR.str", FillLanguageFormat("D:\\data\\String\\Lang_%s.str", "GR"));
    EXPECT_EQ("%d_GR_%s%n.str", FillLanguageFormat("%d_%s_%s%n.str", "GR"))
        << "other directives stay text: a configured format must never be handed to printf";
    EXPECT_EQ("D:\\Lang.str", FillLanguageFormat("D:\\Lang.str", "GR")) << "a format without %s stays";
}

TEST(InstallPathsTest, DirectoryChain_PiecesBelowTheRootOutermostFirst)
{
    EXPECT_EQ((Chain{"C:\\A", "C:\\A\\B"}), DirectoryChain("C:\\A\\B\\")) << "drive path, trailing backslash";
    EXPECT_EQ((Chain{"C:\\A", "C:\\A\\\\B"}), DirectoryChain("C:\\A\\\\B")) << "an empty piece makes nothing";
    EXPECT_EQ((Chain{"\\\\srv\\share\\a", "\\\\srv\\share\\a\\b"}), DirectoryChain("\\\\srv\\share\\a\\b"))
        << "server and share are never created";
    EXPECT_EQ((Chain{"rel", "rel\\x"}), DirectoryChain("rel\\x")) << "relative path";
    EXPECT_TRUE(DirectoryChain("C:\\").empty()) << "a drive root has nothing to create";
    EXPECT_TRUE(DirectoryChain("\\\\srv\\share").empty()) << "a share root has nothing to create";
}

TEST(InstallPathsTest, DoubleByteNames_ASecondByteLikeABackslashDoesNotSplit)
{
    // 0x95 0x5C is one character in the Japanese and both Chinese code pages.
    if (!::IsDBCSLeadByte(0x95))
    {
        GTEST_SKIP() << "only with a double-byte system code page";
    }
    const std::string folder = "C:\\\x95\x5C";
    EXPECT_EQ(folder, ParentDirectory(folder + "\\Setup.exe"));
    EXPECT_EQ("\x95\x5C", FileNamePart(folder)) << "the name ends with the character, not inside it";
    EXPECT_EQ(folder, WithoutTrailingBackslash(folder)) << "a second byte 0x5C is not a trailing backslash";
    EXPECT_EQ((Chain{folder, folder + "\\a"}), DirectoryChain(folder + "\\a"));
    EXPECT_EQ("C:\\\x95\x5C\\data\\x.kvi", ResolvePathText(".\\data\\x.kvi", folder));
}

TEST(InstallPathsTest, ChooseWindowsDirectory_TerminalServerUsesTheSystemsDirectory)
{
    EXPECT_EQ("C:\\Users\\me\\WINDOWS",
              ChooseWindowsDirectory(false, std::string("C:\\WINNT"), "C:\\WINNT\\system32",
                                     "C:\\Users\\me\\WINDOWS"))
        << "elsewhere the reported directory";
    EXPECT_EQ("C:\\WINNT",
              ChooseWindowsDirectory(true, std::string("C:\\WINNT"), "D:\\X\\system32", "C:\\me"))
        << "a terminal server's SystemRoot";
    EXPECT_EQ("C:\\WINDOWS", ChooseWindowsDirectory(true, std::nullopt, "C:\\WINDOWS\\system32", "C:\\me"))
        << "without SystemRoot the system directory's parent";
    EXPECT_EQ("C:\\WINDOWS", ChooseWindowsDirectory(true, std::string(), "C:\\WINDOWS\\system32\\", "C:\\me"))
        << "an empty SystemRoot counts as missing";
}

TEST(InstallPathsTest, ChooseDefaultPort_ConfiguredPortOnlyWhenTheSpoolerHasIt)
{
    const std::vector<std::string> withLpt = {"COM1:", "FILE:", "LPT1:"};
    const std::vector<std::string> withoutLpt = {"COM1:", "FILE:"};
    EXPECT_EQ("FILE:", ChooseDefaultPort("USB001", withoutLpt, false)) << "unknown port, no LPT1:";
    EXPECT_EQ("LPT1:", ChooseDefaultPort("USB001", withLpt, false)) << "unknown port, LPT1: exists";
    EXPECT_EQ("lpt1:", ChooseDefaultPort("lpt1:", withLpt, false)) << "names compare without regard to case";
    EXPECT_EQ("FILE:", ChooseDefaultPort("USB001", withLpt, true)) << "a USB-only product prints to FILE:";
    EXPECT_EQ("com1:", ChooseDefaultPort("com1:", withLpt, true)) << "an existing configured port wins";
    EXPECT_EQ("LPT1:", ChooseDefaultPort("", withLpt, false)) << "no configured port";
    EXPECT_EQ("FILE:", ChooseDefaultPort("LPT1:", {}, false)) << "no port list at all";
}
