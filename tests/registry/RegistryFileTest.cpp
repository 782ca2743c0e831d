#include "registry/Registry.h"

#include <gtest/gtest.h>

#include <string>

#include "registry/RegistryTestSupport.h"
#include "support/TempDir.h"

using RegistryFileTest = RegistryTestBase;

TEST_F(RegistryFileTest, SaveToFile_WritesSectionsParentFirstAndTheThreeValueForms)
{
    const std::string key = Path("Export");
    const BYTE bytes[2] = {1, 2};
    ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, key, "Bin", REG_BINARY, bytes, sizeof(bytes)));
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Count", 26ul, HKEY_LOCAL_MACHINE));
    ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, key, "Expand", REG_EXPAND_SZ, "%TEMP%", 7));
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Text", "C:\\new", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue((key + "\\Sub").c_str(), "V", "x", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue((key + "\\Sub\\Deep").c_str(), "D", 1ul, HKEY_LOCAL_MACHINE));

    CTempDir dir;
    const std::string file = dir.File("export.reg");
    ASSERT_EQ(0u, CRegistry::SaveToFile(key.c_str(), file.c_str(), HKEY_LOCAL_MACHINE));
    const std::string section = "[HKEY_LOCAL_MACHINE\\" + key;
    EXPECT_EQ(section + "]\r\n"
                        "\"Bin\" = hex:\r\n"
                        "\"Count\" = dword:0000001a\r\n"
                        "\"Text\" = \"C:\\new\"\r\n"
                        "\r\n" +
                  section + "\\Sub]\r\n"
                            "\"V\" = \"x\"\r\n"
                            "\r\n" +
                  section + "\\Sub\\Deep]\r\n"
                            "\"D\" = dword:00000001\r\n"
                            "\r\n",
              ReadTestFile(file))
        << "parent first, quoted names, the three value forms, other types left out, no header";

    ASSERT_TRUE(WriteTestFile(dir.File("existing.reg"), "keep"));
    EXPECT_EQ(80u, CRegistry::SaveToFile(key.c_str(), dir.File("existing.reg").c_str(), HKEY_LOCAL_MACHINE))
        << "an existing file gives the file-exists error";
    EXPECT_EQ("keep", ReadTestFile(dir.File("existing.reg"))) << "and is left unchanged";
    EXPECT_EQ(50u, CRegistry::SaveToFile(key.c_str(), dir.File("users.reg").c_str(), HKEY_USERS))
        << "HKEY_USERS has no name in this format";
    EXPECT_FALSE(TestFileExists(dir.File("users.reg"))) << "and no file is made for it";
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              CRegistry::SaveToFile(Path("Missing").c_str(), dir.File("missing.reg").c_str(), HKEY_LOCAL_MACHINE));
}

TEST_F(RegistryFileTest, LoadFromFile_WritesTextAndDwordValues_RootOrLocalMachine)
{
    CTempDir dir;
    const std::string file = dir.File("import.reg");
    ASSERT_TRUE(WriteTestFile(file, "[HKEY_CURRENT_USER\\" + Path("Import") + "]\r\n"
                                    "\"Text\" = \"C:\\new\\%TEMP%\"\r\n"
                                    "\"Short\" = dword:1A\r\n"
                                    "\"Long\" = dword:0000001a\r\n"
                                    "\"Nine\" = dword:10000001a\r\n"
                                    "\"Bin\" = hex:01,02\r\n"
                                    "[" + Path("NoRoot") + "]\r\n"
                                    "\"V\" = \"x\"\r\n"));
    EXPECT_EQ(0u, CRegistry::LoadFromFile(file.c_str()));
    EXPECT_EQ("C:\\new\\%TEMP%", ReadRaw(HKEY_CURRENT_USER, Path("Import"), "Text").bytes)
        << "the text is written as it stands: no escapes or defined strings are applied";
    DWORD number = 0;
    EXPECT_EQ(0u, CRegistry::GetValue(Path("Import").c_str(), "Short", &number, HKEY_CURRENT_USER));
    EXPECT_EQ(26u, number) << "dword:1A";
    EXPECT_EQ(0u, CRegistry::GetValue(Path("Import").c_str(), "Long", &number, HKEY_CURRENT_USER));
    EXPECT_EQ(26u, number) << "dword:0000001a";
    EXPECT_EQ(0u, CRegistry::GetValue(Path("Import").c_str(), "Nine", &number, HKEY_CURRENT_USER));
    EXPECT_EQ(26u, number) << "only the last eight digits count";
    EXPECT_EQ(static_cast<DWORD>(REG_NONE), ReadRaw(HKEY_CURRENT_USER, Path("Import"), "Bin").type)
        << "binary values are not imported";
    EXPECT_EQ("x", ReadRaw(HKEY_LOCAL_MACHINE, Path("NoRoot"), "V").bytes)
        << "a section without a root name goes under HKEY_LOCAL_MACHINE with its whole name as the path";
}

TEST_F(RegistryFileTest, LoadFromFile_ResultOfTheLastLine_MissingFileGivesItsError)
{
    CTempDir dir;
    const std::string file = dir.File("bad.reg");
    ASSERT_TRUE(WriteTestFile(file, "[" + Path("Bad") + "]\r\n\"Before\" = \"ok\"\r\n\"Last\" = word:1\r\n"));
    EXPECT_EQ(13u, CRegistry::LoadFromFile(file.c_str())) << "an unknown tag on the last line";
    EXPECT_EQ("ok", ReadRaw(HKEY_LOCAL_MACHINE, Path("Bad"), "Before").bytes) << "earlier lines are still written";

    ASSERT_TRUE(WriteTestFile(file, "[" + Path("Bad") + "]\r\n\"First\" = word:1\r\n\"Last\" = \"ok\"\r\n"));
    EXPECT_EQ(0u, CRegistry::LoadFromFile(file.c_str())) << "an earlier failure is not reported";

    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), CRegistry::LoadFromFile(dir.File("none.reg").c_str()));
    ASSERT_TRUE(WriteTestFile(dir.File("empty.reg"), "no section here\r\n"));
    EXPECT_EQ(13u, CRegistry::LoadFromFile(dir.File("empty.reg").c_str())) << "a file without sections";
}

TEST_F(RegistryFileTest, SaveThenLoad_RestoresTextAndDwordValues)
{
    const std::string key = Path("Round");
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Dest_Dir", "C:\\Program Files\\Kv", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue((key + "\\Items\\Driver").c_str(), "InstallNow", 2ul, HKEY_LOCAL_MACHINE));
    CTempDir dir;
    const std::string file = dir.File("round.reg");
    ASSERT_EQ(0u, CRegistry::SaveToFile(key.c_str(), file.c_str(), HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::DeleteKey(key.c_str(), false, HKEY_LOCAL_MACHINE));
    ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));

    EXPECT_EQ(0u, CRegistry::LoadFromFile(file.c_str()));
    EXPECT_EQ("C:\\Program Files\\Kv", ReadRaw(HKEY_LOCAL_MACHINE, key, "Dest_Dir").bytes);
    DWORD number = 0;
    EXPECT_EQ(0u, CRegistry::GetValue((key + "\\Items\\Driver").c_str(), "InstallNow", &number, HKEY_LOCAL_MACHINE));
    EXPECT_EQ(2u, number);
}
