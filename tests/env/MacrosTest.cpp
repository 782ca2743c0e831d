#include "env/Macros.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
MacroValues SampleValues()
{
    MacroValues v;
    v.langAbbr = "GR";
    v.orgLangAbbr = "SG";
    v.srcDir = "D:\\Disk1";
    v.destDir = "C:\\Program Files\\Vendor";
    v.winDir = "C:\\WINDOWS";
    v.sysDir = "C:\\WINDOWS\\system32";
    v.osDir = "WinXP";
    v.programFilesDir = "C:\\Program Files";
    v.langDir = "German";
    v.orgLangDir = "Swiss";
    v.dataFile = "D:\\Disk1\\Setup.dat";
    v.configFile = "D:\\Disk1\\data\\kvinst.kvi";
    v.stringFile = "D:\\Disk1\\data\\String\\Lang_GR.str";
    v.version = "1.20";
    v.applicationName = "Setup";
    v.ip = "10.0.0.7";
    v.port = "LPT1:";
    v.langId = 0x0407;
    v.orgLangId = 0x0807;
    v.installed = false;
    return v;
}
}  // namespace

TEST(MacrosTest, ExpandMacros_EachMacro_GivesItsValue)
{
    const MacroValues values = SampleValues();
    const struct
    {
        const char* text;
        const char* expanded;
    } rows[] = {
        {"$LANG_ABBR$", "GR"},
        {"$ORG_LANG_ABBR$", "SG"},
        {"$SRC_DIR$", "D:\\Disk1"},
        {"$DEST_DIR$\\Bin", "C:\\Program Files\\Vendor\\Bin"},
        {"$DEST_INST_DIR$", "C:\\Program Files\\Vendor\\Install"},
        {"$WIN_DIR$", "C:\\WINDOWS"},
        {"$SYS_DIR$", "C:\\WINDOWS\\system32"},
        {"$INF_DIR$", "C:\\WINDOWS\\Inf"},
        {"$OS_DIR$", "WinXP"},
        {"$PROGRAM_FILES_DIR$", "C:\\Program Files"},
        {"$LANG_DIR$", "German"},
        {"$ORG_LANG_DIR$", "Swiss"},
        {"$DATA_FILE$", "D:\\Disk1\\Setup.dat"},
        {"$CONFIG_FILE$", "D:\\Disk1\\data\\kvinst.kvi"},
        {"$STRING_FILE$", "D:\\Disk1\\data\\String\\Lang_GR.str"},
        {"$VERSION$", "1.20"},
        {"$INSTALLER_EXE$", "Setup.exe"},
        {"$IP$", "10.0.0.7"},
        {"$STRING_FILE_NAME$", "Lang_GR.str"},
        {"$PORT$", "LPT1:"},
        {"$LCID$", "0407"},
        {"$ORG_LCID$", "0807"},
        {"$BOOL_INSTALLED$", "0"},
        {"$BOOL_!INSTALLED$", "1"},
        {"$DEST_DIR$;$DEST_INST_DIR$", "C:\\Program Files\\Vendor;C:\\Program Files\\Vendor\\Install"},
        {"$STRING_FILE$|$STRING_FILE_NAME$", "D:\\Disk1\\data\\String\\Lang_GR.str|Lang_GR.str"},
        {"$PORT$ $PORT$$PORT$", "LPT1: LPT1:LPT1:"},
        {"$dest_dir$ $OTHER$ $DEST_DIR $ $", "$dest_dir$ $OTHER$ $DEST_DIR $ $"},
        {"", ""},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(row.expanded, ExpandMacros(row.text, values)) << "expanding " << row.text;
    }

    MacroValues installed = values;
    installed.installed = true;
    installed.stringFile = "Lang_GR.str";
    EXPECT_EQ("1/0", ExpandMacros("$BOOL_INSTALLED$/$BOOL_!INSTALLED$", installed)) << "installed mark set";
    EXPECT_EQ("Lang_GR.str", ExpandMacros("$STRING_FILE_NAME$", installed))
        << "a path without a folder is its name";
}

TEST(MacrosTest, ExpandMacros_InsertedText_SeenByLaterMacrosOnly)
{
    MacroValues values = SampleValues();
    values.srcDir = "$DEST_DIR$\\src";   // row 3 inserts a row-4 name: replaced
    values.destDir = "$SRC_DIR$\\dest";  // row 4 inserts a row-3 name: stays
    values.langDir = "$LANG_DIR$+";      // a macro never sees its own insertion again
    values.ip = "$POR";                  // with the text after it forms $PORT$, a later row
    EXPECT_EQ("$SRC_DIR$\\dest\\src", ExpandMacros("$SRC_DIR$", values)) << "later row sees the insertion";
    EXPECT_EQ("$SRC_DIR$\\dest", ExpandMacros("$DEST_DIR$", values)) << "earlier row does not";
    EXPECT_EQ("$LANG_DIR$+ $LANG_DIR$+", ExpandMacros("$LANG_DIR$ $LANG_DIR$", values)) << "no re-expansion";
    EXPECT_EQ("LPT1:", ExpandMacros("$IP$T$", values))
        << "a name formed across an insertion counts for later rows";

    values.port = "$IP$";
    EXPECT_EQ("$IP$", ExpandMacros("$PORT$", values)) << "$IP$ is replaced before $PORT$ inserts it";
}

TEST(MacrosTest, ExpandMacros_Overrides_ReplaceOnlyTheCurrentLanguage)
{
    MacroValues values = SampleValues();
    const std::string text = "$LCID$ $ORG_LCID$ $LANG_ABBR$ $ORG_LANG_ABBR$ $LANG_DIR$ $ORG_LANG_DIR$";
    EXPECT_EQ("0407 0807 GR SG German Swiss", ExpandMacros(text, values, MacroOverrides()))
        << "0 and empty: current";

    MacroOverrides overrides;
    overrides.langId = 0x0412;
    overrides.langAbbr = "KR";
    overrides.langDir = "Korean";
    EXPECT_EQ("0412 0807 KR SG Korean Swiss", ExpandMacros(text, values, overrides))
        << "overrides change the current language's macros, never the requested one's";

    values.langId = 0x0c0a;
    values.orgLangId = 7;
    EXPECT_EQ("0C0A 0007", ExpandMacros("$LCID$ $ORG_LCID$", values)) << "four upper-case hexadecimal digits";
}

TEST(MacrosTest, ExpandMacros_IntoBuffer_CutsAtTheBufferAndAlwaysTerminates)
{
    MacroValues values = SampleValues();
    std::vector<char> buffer(kMaxExpandedText + 1, 'x');
    values.destDir = std::string(kMaxExpandedText - 4, 'd');
    EXPECT_TRUE(ExpandMacros("$DEST_DIR$1234", values, MacroOverrides(), buffer.data(), buffer.size()))
        << "16,383 characters fit";
    EXPECT_EQ(values.destDir + "1234", std::string(buffer.data()));

    EXPECT_FALSE(ExpandMacros("$DEST_DIR$12345", values, MacroOverrides(), buffer.data(), buffer.size()))
        << "one more character is cut and reported";
    EXPECT_EQ(values.destDir + "1234", std::string(buffer.data())) << "the cut text keeps what fits";

    char small[16] = "$PORT$-$IP$";
    EXPECT_TRUE(ExpandMacros(small, values, MacroOverrides(), small, sizeof(small))) << "in place";
    EXPECT_STREQ("LPT1:-10.0.0.7", small);
    EXPECT_TRUE(ExpandMacros(nullptr, values, MacroOverrides(), small, sizeof(small))) << "no text is empty";
    EXPECT_STREQ("", small);
    EXPECT_FALSE(ExpandMacros("a", values, MacroOverrides(), small, 0)) << "a zero-size buffer takes nothing";
}
