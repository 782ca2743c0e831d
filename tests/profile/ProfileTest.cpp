#include "profile/Profile.h"

#include "profile/ProfileTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>

namespace
{
std::string Value(const CProfile& profile, const char* section, const char* key, bool escapes = false)
{
    char buffer[16384] = {};
    return profile.GetString(section, key, buffer, sizeof(buffer), escapes) == 0 ? buffer : "<missing>";
}

std::string List(const char* buffer)
{
    std::string list;
    for (; *buffer != '\0'; buffer += std::strlen(buffer) + 1)
    {
        list += std::string(buffer) + "|";
    }
    return list;
}
}  // namespace

TEST(ProfileTest, LoadFile_CommentAndLineBreakRules)
{
    CTempFolder folder;
    const std::string path = folder.Write("c.ini",
        "// header comment\n[S]\r\nKEY = 1 // note\r\n\r\n\r\n// only a note\n"
        "URL = \"http://host/a\" // tail\n/* a */A2 = 2\nB = x /* across\nlines */ y\n"
        "SEMI = 1;2\rLONE = cr\n[T]\nLAST = z //");
    CProfile profile(path.c_str(), nullptr);
    EXPECT_TRUE(profile.IsMainLoaded());
    EXPECT_EQ("1", Value(profile, "S", "KEY")) << "'//' starts a comment outside quotes";
    EXPECT_EQ("\"http://host/a\"", Value(profile, "S", "URL")) << "quoted slashes and the quotes stay";
    EXPECT_EQ("2", Value(profile, "S", "A2")) << "a block comment before the key disappears";
    EXPECT_EQ("x  y", Value(profile, "S", "B")) << "a block comment across lines joins them";
    EXPECT_EQ("1;2", Value(profile, "S", "SEMI")) << "';' has no special meaning";
    EXPECT_EQ("cr", Value(profile, "S", "LONE")) << "a lone CR ends a line";
    EXPECT_EQ("z", Value(profile, "T", "LAST")) << "a comment at the end of the data";
    char names[64];
    EXPECT_EQ(0u, profile.GetSectionName(names, sizeof(names), true));
    EXPECT_EQ("S|T|", List(names)) << "comment-only and empty lines never become keys";
    char keys[256];
    EXPECT_EQ(0u, profile.GetAllKey("S", keys, sizeof(keys), false));
    EXPECT_EQ("KEY = 1|URL = \"http://host/a\"|A2 = 2|B = x  y|SEMI = 1;2|LONE = cr|", List(keys));

    char out[32] = {};
    const char text[] = "A\r\n\r\n\nB /* open";
    EXPECT_TRUE(CProfile::ProcessData(text, out, sizeof(text) - 1, sizeof(out)));
    EXPECT_STREQ("A\r\nB ", out) << "a run of breaks is one CR LF; an unterminated comment drops the rest";
}

// A header that repeats a name, in any letter case, continues that section; a name with characters
// outside ASCII among them leaves the look-up to the document's own comparison.
TEST(ProfileTest, LoadFile_RepeatedHeaders_ContinueTheirSection)
{
    CTempFolder folder;
    for (const std::string& first : {std::string(), std::string("[\xC4rger]\nU = 1\n")})
    {
        CProfile profile(folder.Write("r.ini", first + "[Sec]\nA = 1\n[Other]\nB = 2\n[\"SEC\"]\nC = 3\n"
                                                       "[ sec ]\nA = 4\n[other]\nD = 5\n").c_str(), nullptr);
        char names[64];
        ASSERT_EQ(0u, profile.GetSectionName(names, sizeof(names), true));
        EXPECT_EQ(first.empty() ? "Sec|Other|" : "\xC4rger|Sec|Other|", List(names)) << first;
        char keys[256];
        EXPECT_EQ(0u, profile.GetAllKey("SEC", keys, sizeof(keys), false));
        EXPECT_EQ("A = 1|C = 3|A = 4|", List(keys)) << first;
        EXPECT_EQ(0u, profile.GetAllKey("other", keys, sizeof(keys), false));
        EXPECT_EQ("B = 2|D = 5|", List(keys)) << first;
    }
}

TEST(ProfileTest, ReadOneLine_Codes)
{
    char line[8];
    DWORD size = sizeof(line);
    EXPECT_EQ(0u, CProfile::ReadOneLine("  ab \t\r\nx", line, &size));
    EXPECT_STREQ("ab", line) << "the line is trimmed of blanks and tabs";
    EXPECT_EQ(8u, size) << "bytes taken include the CR LF";
    size = sizeof(line);
    EXPECT_EQ(0u, CProfile::ReadOneLine("1234567\nx", line, &size)) << "size - 1 characters fit";
    EXPECT_EQ(8u, size) << "a lone LF counts one byte";
    size = sizeof(line);
    EXPECT_EQ(14u, CProfile::ReadOneLine("12345678\n", line, &size)) << "a longer line is refused";
    size = sizeof(line);
    EXPECT_EQ(259u, CProfile::ReadOneLine("", line, &size)) << "end of data";
    EXPECT_EQ(259u, CProfile::ReadOneLine("tail", line, &size)) << "a last line without a break is not returned";
    size = 0;
    EXPECT_EQ(87u, CProfile::ReadOneLine("x\n", line, &size));
    EXPECT_EQ(87u, CProfile::ReadOneLine(nullptr, line, &size));
}

TEST(ProfileTest, LoadFile_BadInput_NeverCrashes)
{
    CTempFolder folder;
    CProfile missing(folder.Path("none.ini").c_str(), nullptr);
    EXPECT_FALSE(missing.IsMainLoaded()) << "a missing file is an empty document";
    EXPECT_STREQ("", missing.GetPath()) << "and no write target";
    CSectionList document;
    EXPECT_EQ(87u, CProfile::LoadFile("", document));

    for (const std::string& text : {std::string(), std::string("KEY=1\nOTHER=2\n"), std::string("[S]\n\"A=1\n")})
    {
        CProfile profile(folder.Write("e.ini", text).c_str(), nullptr);
        EXPECT_TRUE(profile.IsMainLoaded()) << "an empty file or one without a header still loads";
    }
    const std::string nul = std::string("[S]\nA=1\nB=2") + '\0' + "C=3\n[T]\nD=4\n";
    CProfile withNul(folder.Write("n.ini", nul).c_str(), nullptr);
    EXPECT_EQ("1", Value(withNul, "S", "A"));
    EXPECT_EQ("<missing>", Value(withNul, "S", "B")) << "parsing ends at a zero byte";
    EXPECT_EQ("<missing>", Value(withNul, "T", "D"));

    const std::string longest = "K=" + std::string(4093, 'v');   // 4095 characters
    const std::string text = "[S]\nA=1\n" + longest + "\nB=2\n" + longest + "v\nC=3\n[" +
                             std::string(300, 'N') + "]\nLOST=1\n[T]\nD=4\n";
    CProfile cut(folder.Write("l.ini", text).c_str(), nullptr);
    EXPECT_EQ(4093u, Value(cut, "S", "K").size()) << "a 4095-character line loads";
    EXPECT_EQ("2", Value(cut, "S", "B"));
    EXPECT_EQ("<missing>", Value(cut, "S", "C")) << "parsing stops at a 4096-character line";

    CProfile names(folder.Write("m.ini", "[" + std::string(300, 'N') + "]\nLOST=1\n[T]\nD=4\n").c_str(), nullptr);
    char list[64];
    EXPECT_EQ(0u, names.GetSectionName(list, sizeof(list), true));
    EXPECT_EQ("T|", List(list)) << "a section name over 255 characters is refused with its lines";

    std::string big = "[BIG]\n";
    for (int i = 0; big.size() < 1024 * 1024; ++i)
    {
        big += "KEY" + std::to_string(i) + " = \"" + std::string(90, 'x') + "\" // c\n";
    }
    CProfile large(folder.Write("big.ini", big + "LAST=end\n").c_str(), nullptr);
    EXPECT_EQ("end", Value(large, "BIG", "LAST")) << "a 1 MB file loads completely";
}

TEST(ProfileTest, StringToDword_DecimalAndHexForms)
{
    EXPECT_EQ(31u, CProfile::StringToDword("0x1F"));
    EXPECT_EQ(31u, CProfile::StringToDword(" 0X1f"));
    EXPECT_EQ(12u, CProfile::StringToDword("12abc"));
    EXPECT_EQ(0xFFFFFFFBu, CProfile::StringToDword("-5")) << "-5 as a 32-bit value";
    EXPECT_EQ(42u, CProfile::StringToDword(" \t+42"));
    EXPECT_EQ(0u, CProfile::StringToDword("abc"));
    EXPECT_EQ(0u, CProfile::StringToDword("4294967296")) << "decimal wraps modulo 2^32";
    EXPECT_EQ(0x23456789u, CProfile::StringToDword("0x123456789")) << "at most 8 digits from the right";
    EXPECT_EQ(0x101u, CProfile::StringToDword("0x1G1")) << "another character counts as digit 0";
    EXPECT_EQ(0u, CProfile::StringToDword(nullptr));
}

TEST(ProfileTest, GetControl_ValuesAndResultCodes)
{
    CTempFolder folder;
    CProfile profile(folder.Write("v.ini",
        "[V]\nSZ=10, 20\nONE=5\nRED=255,0,0\nWRAP=0,0,256\nGRAY=1,,2,,3\nRC=1,2,3,4\nRC3=1,2,3\nNUM=0x1F\n")
        .c_str(), nullptr);
    SIZE size = {-1, -1};
    EXPECT_EQ(0u, profile.GetControl("V", "SZ", &size));
    EXPECT_EQ(10, size.cx);
    EXPECT_EQ(20, size.cy) << "blanks before a number are allowed";
    size = {-1, -1};
    EXPECT_EQ(87u, profile.GetControl("V", "ONE", &size)) << "SIZE without a second number";
    EXPECT_EQ(-1, size.cx) << "the output is untouched on failure";
    EXPECT_EQ(13u, profile.GetControl("V", "NONE", &size)) << "SIZE of a missing key";
    POINT point = {};
    EXPECT_EQ(87u, profile.GetControl("V", "NONE", &point)) << "POINT: any failure is 87";
    EXPECT_EQ(0u, profile.GetControl("V", "SZ", &point));
    DWORD color = 7;
    EXPECT_EQ(0u, profile.GetControl("V", "RED", &color));
    EXPECT_EQ(255u, color);
    EXPECT_EQ(0u, profile.GetControl("V", "WRAP", &color));
    EXPECT_EQ(0u, color) << "each part is taken modulo 256";
    EXPECT_EQ(0u, profile.GetControl("V", "GRAY", &color));
    EXPECT_EQ(0x030201u, color) << "runs of commas count as one";
    EXPECT_EQ(87u, profile.GetControl("V", "SZ", &color)) << "colour without a third number";
    EXPECT_EQ(13u, profile.GetControl("V", "NONE", &color));
    RECT rect = {};
    EXPECT_EQ(0u, profile.GetControl("V", "RC", &rect));
    EXPECT_EQ(4, rect.bottom);
    EXPECT_EQ(87u, profile.GetControl("V", "RC3", &rect)) << "RECT with three numbers";
    EXPECT_EQ(87u, profile.GetControl("V", "NONE", &rect)) << "RECT of a missing key";
    EXPECT_EQ(87u, profile.GetControl("", "SZ", &size));
    EXPECT_EQ(87u, profile.GetControl("V", "SZ", static_cast<SIZE*>(nullptr)));
    DWORD number = 0;
    EXPECT_EQ(0u, profile.GetDword("V", "NUM", &number));
    EXPECT_EQ(31u, number);
    EXPECT_EQ(13u, profile.GetDword("V", "NONE", &number));
}

TEST(ProfileTest, DefinedStrings_ExpandOrStayUnchanged)
{
    CTempFolder folder;
    const std::string strings = folder.Write("s.str",
        "[OTHER]\n%NAME% = Elsewhere\n[STRINGS]\n%EMPTY% =\n%NAME% = World\n%Q% = \"quoted\"\n%NEST% = <%NAME%>\n%SELF% = x%SELF%\n%PING% = %PONG%\n"
        "%PONG% = %PING%\n%BIG% = " + std::string(4000, 'b') + "\n");
    CProfile profile(folder.Write("m.ini",
        "[STRINGS]\n%NAME% = Main\n%LOCAL% = here\n[S]\nA = Hello %NAME%\nB = Hello %OTHER%\nC = 50%, 60%\n"
        "D = %Q%/%NEST%/%LOCAL%\nSELF = %SELF%\nLOOP = %PING%\nE = 10% of %NAME%\n"
        "BIG = %BIG%%BIG%%BIG%%BIG%\nF = [%EMPTY%]\n").c_str(), strings.c_str());
    EXPECT_TRUE(profile.AreDefinedStringsLoaded());
    EXPECT_EQ(nullptr, profile.GetDefinedStringsDocument().FindSection("OTHER")) << "only [STRINGS] is kept";
    EXPECT_EQ("[]", Value(profile, "S", "F")) << "an empty defined string";
    EXPECT_EQ("Hello World", Value(profile, "S", "A")) << "the defined-strings file comes first";
    EXPECT_EQ("Hello %OTHER%", Value(profile, "S", "B")) << "an undefined token stays";
    EXPECT_EQ("50%, 60%", Value(profile, "S", "C"));
    EXPECT_EQ("quoted/<World>/here", Value(profile, "S", "D")) << "quotes stripped, nesting, main STRINGS";
    EXPECT_EQ("10% of World", Value(profile, "S", "E")) << "the closing '%' may open the next token";

    const std::string self = Value(profile, "S", "SELF");
    EXPECT_EQ(std::string(CProfile::kMaxDefinedStringSubstitutions, 'x') + "%SELF%", self)
        << "a self-referring defined string stops after the substitution limit";
    EXPECT_NE("<missing>", Value(profile, "S", "LOOP")) << "two strings referring to each other end too";

    char buffer[16384] = {};
    const std::string big = "%BIG%%BIG%%BIG%%BIG%" + std::string(384, 'y');   // 16,384 bytes expanded
    std::strcpy(buffer, big.c_str());
    EXPECT_EQ(14u, profile.ConvertDefinedString(buffer, sizeof(buffer), false)) << "16,384 bytes do not fit";
    EXPECT_EQ(big, buffer) << "a refused expansion leaves the buffer unchanged";
    std::strcpy(buffer, big.substr(0, big.size() - 1).c_str());
    EXPECT_EQ(0u, profile.ConvertDefinedString(buffer, sizeof(buffer), false));
    EXPECT_EQ(16383u, std::strlen(buffer)) << "16,383 bytes fit";
    EXPECT_EQ(87u, profile.ConvertDefinedString(buffer, 0, false));
    std::strcpy(buffer, "%OTHER% %NAME%");
    EXPECT_EQ(0u, profile.ConvertDefinedString(buffer, sizeof(buffer), false)) << "the last lookup decides";
    std::strcpy(buffer, "%NAME% %OTHER%");
    EXPECT_EQ(13u, profile.ConvertDefinedString(buffer, sizeof(buffer), false));
    EXPECT_STREQ("World %OTHER%", buffer);
}

TEST(ProfileTest, GetAllKey_EscapesOnlyWhenAsked_KeepsWindowsPaths)
{
    CTempFolder folder;
    CProfile profile(folder.Write("cmd.ini",
        "[STRINGS]\n%DIR% = data\n[COPY]\nFILE = %DIR%\\readme.txt\nINF = C:\\new\\x.inf\nBARE\nMSG = a\\nb\n")
        .c_str(), nullptr);
    char keys[512];
    EXPECT_EQ(0u, profile.GetAllKey("COPY", keys, sizeof(keys), false));
    EXPECT_EQ("FILE = data\\readme.txt|INF = C:\\new\\x.inf|BARE|MSG = a\\nb|", List(keys))
        << "without escape conversion backslashes in paths stay as written";
    EXPECT_EQ(0u, profile.GetAllKey("COPY", keys, sizeof(keys), true, true));
    EXPECT_EQ("FILE = data\readme.txt|INF = C:\new\\x.inf|MSG = a\nb|", List(keys))
        << "with escape conversion \\r and \\n become CR and LF; skip-bare-keys leaves BARE out";
    EXPECT_EQ(14u, profile.GetAllKey("COPY", keys, 20, false)) << "entries that do not fit";
    EXPECT_EQ(13u, profile.GetAllKey("NONE", keys, sizeof(keys), false));
    EXPECT_EQ(87u, profile.GetAllKey("COPY", nullptr, sizeof(keys), false));
    EXPECT_EQ("C:\\new\\x.inf", Value(profile, "COPY", "INF"));
    EXPECT_EQ("a\nb", Value(profile, "COPY", "MSG", true));

    char names[16];
    EXPECT_EQ(0u, profile.GetSectionName(names, sizeof(names), false));
    EXPECT_EQ(std::string("STRINGS COPY ") + std::string(2, ' '), names) << "space-separated, space-filled";
    EXPECT_EQ(14u, profile.GetSectionName(names, 12, false)) << "COPY does not fit";
    EXPECT_EQ(std::string("STRINGS    "), names) << "what fitted stays";
    EXPECT_EQ(13u, CProfile().GetSectionName(names, sizeof(names), true)) << "no sections";
}

TEST(ProfileTest, SetValue_WritesFileOnDiskOnly)
{
    CTempFolder folder;
    const std::string path = folder.Write("w.ini", "[S]\nOLD = 1\nGONE = 2\n[T]\nKEEP = 3\n");
    CProfile profile(path.c_str(), nullptr);
    const SIZE size = {3, -4};
    const RECT rect = {1, 2, 3, 4};
    EXPECT_EQ(0u, profile.SetValue("S", "OLD", "new"));
    EXPECT_EQ(0u, profile.SetValue("N", "NUM", -7));
    EXPECT_EQ(0u, profile.SetValue("N", "SZ", size));
    EXPECT_EQ(0u, profile.SetValue("N", "RC", rect));
    EXPECT_EQ(0u, profile.SetColor("N", "COL", 0x00030201u));
    EXPECT_EQ(0u, profile.SetData("N", "DATA", "C:\\dir\\x"));
    EXPECT_EQ("1", Value(profile, "S", "OLD")) << "the loaded document is not changed";
    EXPECT_EQ(0u, profile.SetValue("T", "", "ignored")) << "an empty key empties the section";
    EXPECT_EQ(87u, profile.SetValue("", "K", "v"));
    EXPECT_EQ(87u, profile.SetData("S", nullptr, "v"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, CProfile().SetValue("S", "K", "v")) << "no file was loaded";

    CProfile reread(path.c_str(), nullptr);
    EXPECT_EQ("new", Value(reread, "S", "OLD"));
    EXPECT_EQ("2", Value(reread, "S", "GONE"));
    EXPECT_EQ("-7", Value(reread, "N", "NUM"));
    EXPECT_EQ("3,-4", Value(reread, "N", "SZ"));
    EXPECT_EQ("1,2,3,4", Value(reread, "N", "RC"));
    EXPECT_EQ("1,2,3", Value(reread, "N", "COL"));
    EXPECT_EQ("C:\\dir\\x", Value(reread, "N", "DATA"));
    EXPECT_EQ("<missing>", Value(reread, "T", "KEEP"));
    EXPECT_TRUE(reread.GetMainDocument().FindSection("T") != nullptr) << "the emptied section remains";
}

TEST(ProfileTest, Copy_SharesDocumentsWithoutDoubleFree)
{
    CTempFolder folder;
    const std::string path = folder.Write("p.ini", "[S]\nK = v\n");
    auto source = std::make_unique<CProfile>(path.c_str(), nullptr);
    CProfile assigned;
    {
        CProfile copy(*source);
        EXPECT_EQ("v", Value(copy, "S", "K")) << "the copy reads the same records";
        EXPECT_STREQ(source->GetPath(), copy.GetPath());
        assigned = copy;
        EXPECT_EQ(0u, copy.Reload(path.c_str(), nullptr)) << "a copy reloads into records of its own";
        EXPECT_TRUE(copy.GetMainDocument().OwnsRecords());
    }
    EXPECT_EQ("v", Value(*source, "S", "K")) << "the source's records survive the copy";
    CProfile moved(std::move(*source));
    source.reset();
    EXPECT_EQ("v", Value(moved, "S", "K"));
    EXPECT_EQ("v", Value(assigned, "S", "K"));
}
