#include "registry/RegFileText.h"

#include <gtest/gtest.h>

#include <string>

TEST(RegFileTextTest, FormatRegValueLine_QuotedNamesAndTheThreeValueForms)
{
    EXPECT_EQ("\"Path\" = \"C:\\new\"", FormatRegValueLine("Path", REG_SZ, reinterpret_cast<const BYTE*>("C:\\new")))
        << "text in double quotes, nothing escaped";
    const DWORD number = 26;
    EXPECT_EQ("\"Count\" = dword:0000001a", FormatRegValueLine("Count", REG_DWORD, reinterpret_cast<const BYTE*>(&number)))
        << "eight lower-case hexadecimal digits";
    const DWORD big = 0xABCDEF01;
    EXPECT_EQ("\"Big\" = dword:abcdef01", FormatRegValueLine("Big", REG_DWORD, reinterpret_cast<const BYTE*>(&big)));
    const BYTE bytes[2] = {1, 2};
    EXPECT_EQ("\"Bin\" = hex:", FormatRegValueLine("Bin", REG_BINARY, bytes)) << "only the tag, not the bytes";
    EXPECT_EQ("", FormatRegValueLine("Expand", REG_EXPAND_SZ, reinterpret_cast<const BYTE*>("%TEMP%")))
        << "other types are not written";
    EXPECT_EQ("", FormatRegValueLine("Multi", REG_MULTI_SZ, reinterpret_cast<const BYTE*>("a\0b\0")));
}

TEST(RegFileTextTest, ParseRegValueLine_TextDwordHexAndUnknownTags)
{
    RegFileValue value = ParseRegValueLine("\"Path\"", "\"C:\\new\"");
    EXPECT_EQ(RegFileValue::kString, value.kind);
    EXPECT_EQ("Path", value.name) << "the name loses its quotes";
    EXPECT_EQ("C:\\new", value.text) << "the text loses its quotes and keeps its backslashes";

    value = ParseRegValueLine(" \"Quoted\"\t", "\"\"\"inner\"\"\"");
    EXPECT_EQ("Quoted", value.name) << "blanks, tabs and quotes are trimmed from the name";
    EXPECT_EQ("inner", value.text) << "all leading and trailing quotes go";

    EXPECT_EQ(26u, ParseRegValueLine("\"N\"", "dword:1A").number) << "short upper-case digits";
    EXPECT_EQ(RegFileValue::kDword, ParseRegValueLine("\"N\"", "dword:1A").kind);
    EXPECT_EQ(26u, ParseRegValueLine("\"N\"", "dword:0000001a").number) << "the exported form";
    EXPECT_EQ(26u, ParseRegValueLine("\"N\"", "DWord:\"0000001a\"").number) << "tag in any case, digits quoted";
    EXPECT_EQ(0x0000001Au, ParseRegValueLine("\"N\"", "dword:10000001a").number) << "only the last eight digits count";
    EXPECT_EQ(0x10u, ParseRegValueLine("\"N\"", "dword:1g").number) << "a non-digit counts as 0";
    EXPECT_EQ(0u, ParseRegValueLine("\"N\"", "dword:").number);

    EXPECT_EQ(RegFileValue::kIgnored, ParseRegValueLine("\"B\"", "hex:01,02").kind) << "binary data is not imported";
    EXPECT_EQ(RegFileValue::kIgnored, ParseRegValueLine("\"B\"", "HEX:").kind);
    EXPECT_EQ(RegFileValue::kInvalid, ParseRegValueLine("\"B\"", "hex(2):41,00").kind) << "an unknown tag";
    EXPECT_EQ(RegFileValue::kInvalid, ParseRegValueLine("\"B\"", "plain").kind) << "neither quoted nor tagged";
    EXPECT_EQ(RegFileValue::kInvalid, ParseRegValueLine("Bare", "").kind) << "a bare key";
}

TEST(RegFileTextTest, SplitRegSection_RootPrefixOrLocalMachine)
{
    HKEY root = nullptr;
    std::string path;
    SplitRegSection("HKEY_CURRENT_USER\\Software\\X", &root, &path);
    EXPECT_EQ(HKEY_CURRENT_USER, root);
    EXPECT_EQ("Software\\X", path);
    SplitRegSection("hkey_classes_root\\.kvt", &root, &path);
    EXPECT_EQ(HKEY_CLASSES_ROOT, root) << "root names compare without regard to case";
    EXPECT_EQ(".kvt", path);
    SplitRegSection("Software\\X", &root, &path);
    EXPECT_EQ(HKEY_LOCAL_MACHINE, root) << "no root name: the local machine";
    EXPECT_EQ("Software\\X", path) << "and the whole name is the path";
    SplitRegSection("HKEY_USERS\\.DEFAULT", &root, &path);
    EXPECT_EQ(HKEY_LOCAL_MACHINE, root) << "HKEY_USERS has no name in this format";
    EXPECT_EQ("HKEY_USERS\\.DEFAULT", path);

    EXPECT_STREQ("HKEY_LOCAL_MACHINE", RegRootName(HKEY_LOCAL_MACHINE));
    EXPECT_STREQ("HKEY_DYN_DATA", RegRootName(HKEY_DYN_DATA));
    EXPECT_EQ(nullptr, RegRootName(HKEY_USERS));
}
