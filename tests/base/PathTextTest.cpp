#include "base/PathText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// Lead bytes of code page 932, where many second bytes are 0x5C, the backslash.
bool IsLeadByte932(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

const std::string kTable = "C:\\\x95\\\\x";                  // C:\<0x95 0x5C>\x: the 0x5C is no separator
}  // namespace

TEST(PathTextTest, PiecesOfShortEmptyAndDoubleByteTexts)
{
    const struct
    {
        std::string path;
        std::string directory;
        std::string name;
        std::string withoutTrailing;
        bool endsWithSeparator;
    } cases[] = {
        {"", "", "", "", false},
        {"\\", "", "", "", true},
        {"a", "", "a", "a", false},
        {"C:", "", "C:", "C:", false},
        {"C:\\", "C:", "", "C:", true},
        {"C:\\dir\\file.txt", "C:\\dir", "file.txt", "C:\\dir\\file.txt", false},
        {"C:\\dir\\\\", "C:\\dir\\", "", "C:\\dir\\", true},
        {kTable, "C:\\\x95\\", "x", kTable, false},
        {"C:\\\x95\\", "C:", "\x95\\", "C:\\\x95\\", false},
        {"\x95", "", "\x95", "\x95", false},                  // a lead byte with nothing after it
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE("path '" + c.path + "'");
        EXPECT_EQ(c.directory, PathText::DirectoryPart(c.path, IsLeadByte932));
        EXPECT_EQ(c.name, PathText::NamePart(c.path, IsLeadByte932));
        EXPECT_EQ(c.withoutTrailing, PathText::WithoutTrailingSeparator(c.path, IsLeadByte932));
        EXPECT_EQ(c.endsWithSeparator, PathText::EndsWithSeparator(c.path, IsLeadByte932));
    }
    EXPECT_EQ((std::vector<size_t>{2, 5}), PathText::Separators(kTable, IsLeadByte932));
    EXPECT_EQ((std::vector<size_t>{2, 4, 5}), PathText::Separators(kTable, nullptr)) << "single-byte text";
    EXPECT_EQ(2u, PathText::FirstSeparator(kTable, IsLeadByte932));
    EXPECT_EQ(std::string::npos, PathText::FirstSeparator("", IsLeadByte932));
    EXPECT_EQ(std::string::npos, PathText::LastSeparator("a", IsLeadByte932));
}

TEST(PathTextTest, JoinAndTrailingSeparators)
{
    EXPECT_EQ("\\a", PathText::Join("", "a", nullptr)) << "an empty directory still gets its separator";
    EXPECT_EQ("C:\\a", PathText::Join("C:\\", "a", nullptr));
    EXPECT_EQ("C:\\d\\a", PathText::Join("C:\\d", "a", nullptr));
    EXPECT_EQ("C:\\\x95\\\\a", PathText::Join("C:\\\x95\\", "a", IsLeadByte932))
        << "a double-byte character ending in 0x5C is no trailing separator";
    EXPECT_EQ("C:", PathText::WithoutTrailingSeparators("C:\\\\\\", nullptr));
    EXPECT_EQ("", PathText::WithoutTrailingSeparators("\\\\", nullptr));
    EXPECT_EQ("", PathText::WithoutTrailingSeparators("", nullptr));
}

TEST(PathTextTest, IsFullPath_DriveAndNetworkPathsOnly)
{
    for (const char* full : {"C:\\", "c:\\data\\Kvrun.dll", "\\\\server\\share\\x.dll", "\\\\s"})
    {
        EXPECT_TRUE(PathText::IsFullPath(full, nullptr)) << full;
    }
    for (const char* relative : {"", "C", "C:", "C:data\\x.dll", "Kvrun.dll", ".\\data\\Kvrun.dll",
                                 "..\\Kvrun.dll", "\\data\\Kvrun.dll", "\\\\", "1:\\x", "data\\C:\\x"})
    {
        EXPECT_FALSE(PathText::IsFullPath(relative, nullptr)) << relative << ": found through the current folder";
    }
    EXPECT_FALSE(PathText::IsFullPath("\x95\\\\x", IsLeadByte932))
        << "a double-byte character ending in 0x5C does not open a network path";
    EXPECT_TRUE(PathText::IsFullPath("C:\\\x95\\", IsLeadByte932));
}
