#include "env/LanguageInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "env/EnvTestSupport.h"
#include "profile/ConfigProfile.h"

namespace
{
const char kLanguageData[] = "[PROGRAM_LANG_INFO]\r\n"
                             "Languages we ship\r\n"  // names no id: must not match language 0
                             "0x0409 = English\r\n"
                             "  0X0C0A\t= Spanish, modern sort\r\n"
                             "1034\r\n"  // 0x040A, Spanish, traditional sort
                             "7\r\n"  // German of every country
                             "[COUNTRY_LANG_CODE]\r\n"
                             "0X0C0A = 0x040A\r\n"
                             "0X0013 = 0x0409\r\n"  // Dutch of every country shows English
                             "[LANGUAGE_ABBR]\r\n"
                             "0X0C0A = SPM\r\n"
                             "0X0007 = DE\r\n"
                             "[LANGUAGE_DIR]\r\n"
                             "0X040A = Spanish\r\n";

// A language record over a data profile read from a real file, logging into the test's folder.
class LanguageInfoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_log.OpenLogFile()) << "the log opens in the test folder";
        const std::string path = m_dir.File("Setup.dat");
        ASSERT_TRUE(WriteTestFile(path, kLanguageData)) << "the data file is written";
        ASSERT_TRUE(m_profile.Open(path.c_str(), path.c_str(), nullptr, false)) << "the data profile opens";
    }

    CTempDir m_dir;
    CTempDirOverride m_tmp{m_dir.Path() + "\\"};
    CLog m_log;
    CLogReader m_logTexts{m_log};
    CConfigProfile m_profile;
};
}  // namespace

TEST(LanguageInfoAbbrTest, BuiltInLanguageAbbr_EveryRowOfTheTable)
{
    const std::pair<WORD, const char*> rows[] = {
        {0x0401, "AB"}, {0x0404, "CT"}, {0x0804, "CP"}, {0x0C04, "CP"}, {0x1004, "CP"}, {0x0405, "CZ"},
        {0x0406, "DN"}, {0x0407, "GR"}, {0x0807, "GR"}, {0x0408, "GK"}, {0x040A, "SP"}, {0x0C0A, "SP"},
        {0x040B, "FI"}, {0x040C, "FN"}, {0x040D, "HB"}, {0x040E, "HU"}, {0x0410, "IT"}, {0x0411, "JP"},
        {0x0412, "KR"}, {0x0413, "DT"}, {0x0414, "NR"}, {0x0415, "PO"}, {0x0416, "BP"}, {0x0816, "PT"},
        {0x0016, ""},   {0x0C16, ""},   {0x0419, "RU"}, {0x041D, "SW"}, {0x041E, "TI"}, {0x041F, "TK"},
        {0x0421, "IN"}, {0x0409, "EN"}, {0x0422, "EN"}, {0x0009, "EN"}, {0x0000, "EN"},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(row.second, CLanguageInfo::BuiltInLanguageAbbr(row.first))
            << "language 0x" << std::hex << row.first;
    }
    EXPECT_EQ("0X0C0A", CLanguageInfo::LanguageKey(0x0C0A)) << "keys are four upper-case hexadecimal digits";
}

TEST_F(LanguageInfoTest, MapAndSupport_FullIdFirstThenPrimaryLanguage)
{
    CLanguageInfo info(m_log, 0x0409);
    info.Init(&m_profile);
    EXPECT_EQ(0x040A, info.MapCountryLanguage(0x0C0A)) << "mapped by the full id";
    EXPECT_EQ(0x0409, info.MapCountryLanguage(0x0813)) << "Belgian Dutch mapped by its primary language";
    EXPECT_EQ(0x0411, info.MapCountryLanguage(0x0411)) << "no mapping: the id itself";

    const std::pair<WORD, WORD> supported[] = {
        {0x0409, 0x0409},  // hexadecimal with a value
        {0x0C0A, 0x0C0A},  // blanks and a tab around the id
        {0x040A, 0x040A},  // decimal 1034
        {0x0807, 0x0007},  // a primary-only line accepts every country and becomes the id
    };
    for (const auto& entry : supported)
    {
        WORD id = entry.first;
        EXPECT_TRUE(info.IsLanguageSupported(id)) << "0x" << std::hex << entry.first << " is listed";
        EXPECT_EQ(entry.second, id) << "0x" << std::hex << entry.first << " becomes the listed id";
    }
    for (WORD unlisted : {WORD(0x0411), WORD(0x080A), WORD(0x0400)})
    {
        WORD id = unlisted;
        EXPECT_FALSE(info.IsLanguageSupported(id)) << "0x" << std::hex << unlisted << " is not listed";
        EXPECT_EQ(unlisted, id) << "an unsupported id stays untouched";
    }
}

TEST_F(LanguageInfoTest, ResolveLanguage_ShownAndRequestedLanguages)
{
    CLanguageInfo info(m_log, 0x0409);
    info.Init(&m_profile);
    EXPECT_EQ(0x040A, info.ResolveLanguage(0x0C0A)) << "modern Spanish shows the traditional texts";
    EXPECT_EQ(0x0C0A, info.GetRequestedLangId()) << "while modern Spanish stays requested";
    EXPECT_EQ(0x0009, info.ResolveLanguage(0x0411)) << "an unlisted language shows English";
    EXPECT_EQ(0x0009, info.GetRequestedLangId()) << "and English is requested";
    EXPECT_EQ(0x0007, info.ResolveLanguage(0x0807)) << "Swiss German through the primary-only line";
    EXPECT_EQ(0x0007, info.GetRequestedLangId()) << "the requested id becomes the listed one";
    EXPECT_EQ(0x0409, info.ResolveLanguage(0x0813)) << "Belgian Dutch is mapped to a listed language";
    EXPECT_EQ(0x0009, info.GetRequestedLangId()) << "but is itself not listed";
}

TEST_F(LanguageInfoTest, LookupLanguageText_FullIdThenPrimaryThenBuiltIn)
{
    CLanguageInfo info(m_log, 0x0807);
    info.Init(&m_profile);
    EXPECT_EQ("SPM", info.LookupLanguageText(0x0C0A, CLanguageInfo::kAbbrSection)) << "full id";
    EXPECT_EQ("DE", info.LookupLanguageText(0x0807, CLanguageInfo::kAbbrSection)) << "primary language";
    EXPECT_EQ("JP", info.LookupLanguageText(0x0411, CLanguageInfo::kAbbrSection)) << "built-in table";
    EXPECT_EQ("Spanish", info.LookupLanguageText(0x040A, CLanguageInfo::kDirSection)) << "directory entry";
    EXPECT_EQ("SP", info.LookupLanguageText(0x0C0A, CLanguageInfo::kDirSection))
        << "a directory without entry is the built-in abbreviation";
    EXPECT_EQ("DE", info.GetSystemLangAbbr()) << "Init looks up the system language's abbreviation";
}

TEST_F(LanguageInfoTest, Set_LogsTheEightLinesAndSkipsTheLanguageAlreadyRequested)
{
    CLanguageInfo info(m_log, 0x0807);
    EXPECT_FALSE(info.Set(nullptr, 0x0409, true)) << "no profile, no change";
    info.Init(&m_profile);
    (void)m_logTexts.Take();

    ASSERT_TRUE(info.Set(&m_profile, 0x0C0A, false)) << "a new language changes";
    const std::vector<std::string> expected = {
        "Set Language : Language ID\t\t= 0X040A",      "Set Language : Language Abbr\t\t= SP",
        "Set Language : System Language ID\t= 0X0807", "Set Language : System Language Abbr = DE",
        "Set Language : Language Dir\t\t= Spanish",    "Set Language : Org Language ID\t\t= 0X0C0A",
        "Set Language : Org Language Abbr\t\t= SPM",   "Set Language : Org Language Dir\t\t= SP",
    };
    EXPECT_EQ(expected, m_logTexts.Take()) << "the eight lines in their order, with their tabs";

    EXPECT_FALSE(info.Set(&m_profile, 0x0C0A, false)) << "the requested language again changes nothing";
    EXPECT_TRUE(m_logTexts.Take().empty()) << "and logs nothing";
    EXPECT_TRUE(info.Set(&m_profile, 0x0C0A, true)) << "from the default it is set again";
    EXPECT_EQ(8u, m_logTexts.Take().size()) << "and logged again";

    EXPECT_TRUE(info.Set(&m_profile, 0, false)) << "0 stands for the system language";
    EXPECT_EQ(0x0007, info.GetLangId()) << "Swiss German shows the primary-only listed German";
    EXPECT_EQ("DE", info.GetLangAbbr()) << "with the primary language's abbreviation";
    EXPECT_EQ("GR", info.GetLangDir()) << "and the built-in directory";
}
