// Every function of the command layer that splits or joins paths keeps a double-byte character whole.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command/CommandText.h"
#include "command/CopyCommands.h"
#include "command/FilePath.h"

namespace
{
// Code page 932: 0x95 0x5C is one character whose second byte is the backslash.
const std::string kFolder = "C:\\\x95\\";                   // a folder named by that one character
const std::string kPath = kFolder + "\\x";                    // and a name inside it

std::string Joined(const std::vector<size_t>& positions)
{
    std::string text;
    for (const size_t position : positions)
    {
        text += (text.empty() ? "" : ",") + std::to_string(position);
    }
    return text;
}

std::string Joined(const std::vector<std::string>& pieces)
{
    std::string text;
    for (const std::string& piece : pieces)
    {
        text += "<" + piece + ">";
    }
    return text;
}
}  // namespace

TEST(CommandPathTest, DoubleByteNameEndingInBackslashByte_IsNeverCut)
{
    if (::GetACP() != 932)
    {
        GTEST_SKIP() << "needs the double-byte code page 932 of the system";
    }
    CopyFileLine copy;
    const bool copyParsed = ParseCopyFileLine("FILE = \"" + kPath + "\", " + kFolder, copy);
    DeleteFileLine removal;
    const bool deleteParsed = ParseDeleteFileLine("DIRECTORY = " + kFolder, removal);
    const std::string share = "\\\\srv\\\x95\\\\x\\y";       // the share is named by the character
    const struct
    {
        const char* what;
        std::string actual;
        std::string expected;
    } cases[] = {
        {"FindPathSeparators", Joined(FindPathSeparators(kPath)), "2,5"},
        {"FindLastPathSeparator", std::to_string(FindLastPathSeparator(kFolder)), "2"},
        {"JoinPath", JoinPath(kFolder, "x"), kPath},
        {"ParentPath of the name inside", ParentPath(kPath), kFolder},
        {"ParentPath of the folder", ParentPath(kFolder), "C:"},
        {"DropTrailingSeparator", DropTrailingSeparator(kFolder), kFolder},
        {"RootLength of a share", std::to_string(RootLength(share)), "9"},
        {"IsProtectedDirectory", IsProtectedDirectory(kFolder) ? "protected" : "not", "not"},
        {"WorkingDirectoryOf", WorkingDirectoryOf(" \"" + kPath + "\" ", IsSystemLeadByte), kFolder},
        {"SplitPathPieces", Joined(SplitPathPieces(kPath, IsSystemLeadByte)), "<C:><\x95\\><x>"},
        {"ParseCopyFileLine source", copyParsed ? copy.source : "refused", kPath},
        {"ParseCopyFileLine destination", copyParsed ? copy.destination : "refused", kFolder},
        {"ParseDeleteFileLine", deleteParsed ? removal.target : "refused", kFolder},
    };
    for (const auto& each : cases)
    {
        EXPECT_EQ(each.expected, each.actual) << each.what;
    }
}
