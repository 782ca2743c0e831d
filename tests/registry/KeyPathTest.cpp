#include "registry/KeyPath.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "registry/RegFileText.h"

namespace
{
// Code page 932: 0x95 0x5C is one character whose second byte is the backslash.
const std::string kFolder = "C:\\\x95\\";                   // a folder named by that one character
const std::string kPath = kFolder + "\\x";                    // and a name inside it
}  // namespace

// Every function of the registry layer that splits or joins key paths keeps the character whole.
TEST(KeyPathTest, DoubleByteNameEndingInBackslashByte_IsNeverCut)
{
    if (::GetACP() != 932)
    {
        GTEST_SKIP() << "needs the double-byte code page 932 of the system";
    }
    HKEY root = nullptr;
    std::string sectionPath;
    SplitRegSection("HKEY_CURRENT_USER\\" + kPath, &root, &sectionPath);
    HKEY ownRoot = nullptr;
    std::string ownPath;
    SplitRegSection("\x95\\\\x", &ownRoot, &ownPath);
    const struct
    {
        const char* what;
        std::string actual;
        std::string expected;
    } cases[] = {
        {"FindFirstKeySeparator", std::to_string(FindFirstKeySeparator("\x95\\\\x")), "2"},
        {"FindLastKeySeparator", std::to_string(FindLastKeySeparator(kFolder)), "2"},
        {"FindLastKeySeparator of a name inside", std::to_string(FindLastKeySeparator(kPath)), "5"},
        {"JoinKeyPath", JoinKeyPath(kFolder, "x"), kPath},
        {"TrimKeySeparators", TrimKeySeparators(kFolder), kFolder},
        {"TrimKeySeparators of a trailing backslash", TrimKeySeparators(kFolder + "\\"), kFolder},
        {"SplitRegSection path", sectionPath, kPath},
        {"SplitRegSection root", root == HKEY_CURRENT_USER ? "HKCU" : "other", "HKCU"},
        {"SplitRegSection without a root", ownPath, "\x95\\\\x"},
    };
    for (const auto& each : cases)
    {
        EXPECT_EQ(each.expected, each.actual) << each.what;
    }
    EXPECT_EQ(HKEY_LOCAL_MACHINE, ownRoot) << "a first piece that is no root name keeps the default root";
}
