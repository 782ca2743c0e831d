#include "profile/ConfigProfile.h"

#include "profile/ProfileTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
const char kMain[] =
    "[DLG]\nTITLE = @TITLE@ - $SRC_DIR$\nGREET = @NAME@ at a@b\nMISSING = @NOPE@ stays\nNUM = 0x10\n"
    "RC = 1,2,3,4\n[CMD]\nRUN = $SRC_DIR$\\setup.exe\nBARE\nCOPY = data\\new.txt\nNOTE = @NAME@\n"
    "[Data.XP]\n[My Section]\n";
const char kMessages[] = "[MESSAGES]\nTITLE = Printer\\nSetup\nNAME = Bob\n";

std::string List(const char* buffer)
{
    std::string list;
    for (; *buffer != '\0'; buffer += std::strlen(buffer) + 1)
    {
        list += std::string(buffer) + "|";
    }
    return list;
}

// Replaces $SRC_DIR$ and records the overrides it was given, as the installer environment would.
struct CMacroProbe
{
    DWORD langId = 0;
    std::string abbr;
    std::string dir;
    CConfigProfile::MacroExpander Expander()
    {
        return [this](const std::string& text, DWORD id, const std::string& a, const std::string& d) {
            langId = id;
            abbr = a;
            dir = d;
            std::string result = text;
            for (size_t at = result.find("$SRC_DIR$"); at != std::string::npos; at = result.find("$SRC_DIR$"))
            {
                result.replace(at, 9, "C:\\src");
            }
            return result;
        };
    }
};

class ConfigProfileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_mainPath = m_folder.Write("kvinst.kvi", kMain);
        m_messagesPath = m_folder.Write("Lang_EN.str", kMessages);
        ASSERT_TRUE(m_profile.Open(m_mainPath.c_str(), "", m_messagesPath.c_str(), false));
        m_profile.SetMacroExpander(m_probe.Expander());
    }

    CTempFolder m_folder;
    std::string m_mainPath;
    std::string m_messagesPath;
    CConfigProfile m_profile;
    CMacroProbe m_probe;
};
}  // namespace

TEST_F(ConfigProfileTest, GetString_ExpandsMessagesThenMacros)
{
    char out[260] = {};
    ASSERT_TRUE(m_profile.GetString("DLG", "TITLE", out, sizeof(out), true, 0x0409, "EN", "English"));
    EXPECT_STREQ("Printer\nSetup - C:\\src", out) << "message texts convert escapes; macros expand";
    EXPECT_EQ(0x0409u, m_probe.langId) << "the overrides reach the macro hook";
    EXPECT_EQ("EN", m_probe.abbr);
    EXPECT_EQ("English", m_probe.dir);
    std::string text;
    EXPECT_TRUE(m_profile.GetString("DLG", "TITLE", text, false));
    EXPECT_EQ("Printer\nSetup - $SRC_DIR$", text) << "without expand the macro stays";
    EXPECT_TRUE(m_profile.GetString("DLG", "GREET", text));
    EXPECT_EQ("Bob at a@b", text) << "a lone at sign after the reference stays";
    EXPECT_TRUE(m_profile.GetString("DLG", "MISSING", text));
    EXPECT_EQ("@NOPE@ stays", text) << "an unknown message reference stays";

    m_profile.SetRemoteInstallPreparation(true);
    EXPECT_TRUE(m_profile.GetString("DLG", "TITLE", text, true));
    EXPECT_EQ("Printer\nSetup - $SRC_DIR$", text) << "remote-install preparation turns macro expansion off";
    m_profile.SetRemoteInstallPreparation(false);

    std::strcpy(out, "untouched");
    EXPECT_FALSE(m_profile.GetString("DLG", "NONE", out, sizeof(out)));
    EXPECT_STREQ("untouched", out) << "a missing key leaves out as it was";
    EXPECT_TRUE(m_profile.GetString("DLG", "TITLE", out, 8));
    EXPECT_STREQ("Printer", out) << "the result is cut to the caller's buffer";
    EXPECT_FALSE(CConfigProfile().GetString("DLG", "TITLE", text)) << "nothing opened";
    DWORD number = 0;
    RECT rect = {};
    EXPECT_TRUE(m_profile.GetDword("DLG", "NUM", &number));
    EXPECT_EQ(16u, number);
    EXPECT_TRUE(m_profile.GetRect("DLG", "RC", &rect));
    EXPECT_FALSE(m_profile.GetSize("DLG", "NONE", reinterpret_cast<SIZE*>(&rect)));
}

TEST_F(ConfigProfileTest, GetSectionKeys_ExpandsEachEntry_EscapesFollowTheFlag)
{
    char out[512] = {};
    ASSERT_TRUE(m_profile.GetSectionKeys("CMD", out, sizeof(out), 0, "", ""));
    EXPECT_EQ("RUN = C:\\src\\setup.exe|BARE|COPY = data\\new.txt|NOTE = Bob|", List(out))
        << "entries expand; a profile opened without escape conversion keeps \\n in paths";
    EXPECT_FALSE(m_profile.GetSectionKeys("CMD", out, 20)) << "entries that do not fit in out";
    EXPECT_FALSE(m_profile.GetSectionKeys("NONE", out, sizeof(out)));

    m_profile.SetRemoteInstallPreparation(true);
    std::memset(out, 'x', sizeof(out));
    EXPECT_TRUE(m_profile.GetSectionKeys("CMD", out, sizeof(out))) << "the section exists";
    EXPECT_EQ(std::string(sizeof(out), 'x'), std::string(out, sizeof(out)))
        << "remote-install preparation leaves out as the caller passed it";

    CConfigProfile strings;
    ASSERT_TRUE(strings.Open(m_mainPath.c_str(), "", "", true));
    std::memset(out, 0, sizeof(out));
    ASSERT_TRUE(strings.GetSectionKeys("CMD", out, sizeof(out)));
    EXPECT_EQ("RUN = $SRC_DIR$\\setup.exe|BARE|COPY = data\new.txt|NOTE = @NAME@|", List(out))
        << "with escape conversion on (string profiles) \\n turns into LF; no messages, no hook";
}

TEST_F(ConfigProfileTest, Sections_NamesResolveAndReload)
{
    EXPECT_TRUE(m_profile.HasSection("data.xp"));
    EXPECT_TRUE(m_profile.HasSection("My Section")) << "a name with a space is found";
    EXPECT_FALSE(m_profile.HasSection("My"));
    EXPECT_FALSE(m_profile.HasSection("NONE"));
    char names[64] = {};
    ASSERT_TRUE(m_profile.GetSectionNames(names, sizeof(names)));
    EXPECT_EQ(0, std::strncmp("DLG CMD Data.XP My Section ", names, 27)) << names;

    char out[32] = "untouched";
    EXPECT_FALSE(m_profile.ResolveSection("DATA", out, sizeof(out))) << "by default only the base name itself";
    EXPECT_STREQ("untouched", out);
    EXPECT_TRUE(m_profile.ResolveSection("dlg", out, sizeof(out)));
    EXPECT_STREQ("dlg", out);
    m_profile.SetSectionCandidates([](const std::string& base) {
        return std::vector<std::string>{base + ".XP.EN", base + ".XP", base};
    });
    EXPECT_TRUE(m_profile.ResolveSection("DATA", out, sizeof(out)));
    EXPECT_STREQ("DATA.XP", out) << "the first candidate that exists";

    const std::string german = m_folder.Write("Lang_DE.str", "[MESSAGES]\nNAME = Bernd\n");
    EXPECT_TRUE(m_profile.ReloadMessages(german.c_str()));
    std::string text;
    EXPECT_TRUE(m_profile.GetString("CMD", "NOTE", text));
    EXPECT_EQ("Bernd", text) << "messages come from the reloaded string file";
    EXPECT_TRUE(m_profile.ReloadMain(m_folder.Write("other.kvi", "[CMD]\nNOTE = @NAME@!\n").c_str()));
    EXPECT_TRUE(m_profile.GetString("CMD", "NOTE", text));
    EXPECT_EQ("Bernd!", text);
    EXPECT_FALSE(m_profile.HasSection("DLG")) << "the old main document is gone";
}

TEST(ConfigProfileDbcsTest, DoubleByteNames_CompareAsCharacters)
{
    if (!IsShiftJisCodePage())
    {
        GTEST_SKIP() << "needs the double-byte ANSI code page 932";
    }
    CTempFolder folder;
    // 83 41 and 83 61 differ only in a trail byte that looks like 'A' / 'a'; 82 60 and 82 81 are the
    // full-width letters A and a; 83 5D ends in ']'; 81 40 (full-width space) ends in '@'; 95 5C in '\'.
    const std::string main = "[\x83\x41]\nK = 1\n[\x82\x60]\nK = 2\n[\x83\x5D]\nK = 3\n[M]\n[\x83\x5D\n"
                             "SPACE = \x81\x40@NAME@\nESC = \x95\x5Cn\n";
    CConfigProfile profile;
    ASSERT_TRUE(profile.Open(folder.Write("j.kvi", main).c_str(), "",
                             folder.Write("j.str", "[MESSAGES]\nNAME = Bob\n").c_str(), true));
    const CSectionList& doc = profile.GetMain().GetMainDocument();
    EXPECT_EQ(nullptr, doc.FindSection("\x83\x61")) << "a trail byte is not case-folded";
    EXPECT_NE(nullptr, doc.FindSection("\x83\x41"));
    EXPECT_NE(nullptr, doc.FindSection("\x82\x81")) << "full-width letters compare without regard to case";
    const SECTION_LIST* bracket = doc.FindSection("\x83\x5D");
    ASSERT_NE(nullptr, bracket) << "a name whose last trail byte is ']' keeps its character";
    EXPECT_STREQ("\x83\x5D", bracket->name) << "the name is stored whole";
    EXPECT_EQ(nullptr, bracket->firstLine->nextLine) << "'[' + a character ending in 0x5D is no header";
    std::string text;
    EXPECT_TRUE(profile.GetString("M", "SPACE", text));
    EXPECT_EQ("\x81\x40" "Bob", text) << "the trail byte 0x40 is not an at sign";
    EXPECT_TRUE(profile.GetString("M", "ESC", text));
    EXPECT_EQ("\x95\x5Cn", text) << "the trail byte 0x5C is not a backslash";
}
