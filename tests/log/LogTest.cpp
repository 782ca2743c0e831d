#include "log/Log.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/TestThread.h"

namespace
{
std::string ProgramFileName()
{
    char path[MAX_PATH + 1] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string full = path;
    return full.substr(full.find_last_of('\\') + 1);
}

std::vector<std::string> SplitCrLf(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(text.size(), start) << "every line ends with CR LF";
    return lines;
}

const std::regex kTimedLine(R"(\[\d\d\.\d\d\.\d\d\]  (.*))");
}  // namespace

TEST(LogTest, OpenLogFile_ExistingLogs_TakesNextNumberAndLeavesThemAlone)
{
    CTempDir dir;
    CTempDirOverride tmp(dir.Path() + "\\");
    const std::string name = ProgramFileName();
    ASSERT_TRUE(WriteTestFile(dir.File(name + ".log"), "first"));
    ASSERT_TRUE(WriteTestFile(dir.File(name + "0.log"), "second"));

    CLog log;
    ASSERT_TRUE(log.OpenLogFile());
    EXPECT_TRUE(log.IsOpen());
    EXPECT_EQ(dir.File(name + "1.log"), log.GetFilePath()) << "the first free number is taken";
    log.Write("hello");
    EXPECT_EQ("first", ReadTestFile(dir.File(name + ".log"))) << "an existing log is never appended to";
    EXPECT_EQ("second", ReadTestFile(dir.File(name + "0.log")));

    CLog plain;
    CTempDir other;
    CTempDirOverride tmp2(other.Path() + "\\");
    ASSERT_TRUE(plain.OpenLogFile());
    EXPECT_EQ(other.File(name + ".log"), plain.GetFilePath()) << "without earlier logs the name has no number";
}

TEST(LogTest, WriteBanner_WritesTheFixedBlockAndDate)
{
    CTempDir dir;
    CTempDirOverride tmp(dir.Path() + "\\");
    CLog log;
    ASSERT_TRUE(log.OpenLogFile());
    log.WriteBanner();
    const std::vector<std::string> lines = SplitCrLf(ReadTestFile(log.GetFilePath()));
    ASSERT_EQ(8u, lines.size()) << "the banner has eight lines";
    const std::string slashes(60, '/');
    const std::string blank = "//" + std::string(56, ' ') + "//";
    EXPECT_EQ(slashes, lines[0]);
    EXPECT_EQ(blank, lines[1]);
    EXPECT_EQ("// Corvane Printer Installer Program" + std::string(22, ' ') + "//", lines[2])
        << "the default program name padded to 55 characters";
    EXPECT_EQ(blank, lines[3]);
    EXPECT_EQ(slashes, lines[4]);
    EXPECT_EQ("", lines[5]);
    EXPECT_TRUE(std::regex_match(lines[6], std::regex(R"(Data : [A-Z][a-z]+day, [A-Z][a-z]+ \d\d, \d{4})")))
        << "date line was: " << lines[6];
    EXPECT_EQ("", lines[7]);
}

TEST(LogTest, WriteAndWriteError_WriteTimedLinesAndTheSystemText)
{
    CTempDir dir;
    CTempDirOverride tmp(dir.Path() + "\\");
    CLog log;
    ASSERT_TRUE(log.OpenLogFile());
    log.Write("Parameter : %s", "/S /U");
    log.WriteError(0, "Nothing failed %d", 1);
    log.WriteError(ERROR_FILE_NOT_FOUND, "Load Utility DLL fail (%s)", "x.dll");
    log.Write("%s", std::string(5000, 'x').c_str());

    const std::vector<std::string> lines = SplitCrLf(ReadTestFile(log.GetFilePath()));
    std::vector<std::string> texts;
    for (const std::string& line : lines)
    {
        std::smatch match;
        if (std::regex_match(line, match, kTimedLine))
        {
            texts.push_back(match[1]);
        }
    }
    // The system text usually ends with its own CR LF, which then ends the error line.
    ASSERT_GE(texts.size(), 5u) << "every written line carries the time stamp";
    EXPECT_EQ("Parameter : /S /U", texts[0]);
    EXPECT_EQ("Nothing failed 1", texts[1]) << "code 0 writes exactly one line";
    EXPECT_EQ("Load Utility DLL fail (x.dll)", texts[2]);
    EXPECT_EQ(0u, texts[3].find("Error Code = 2 :")) << "second line of an error: " << texts[3];
    EXPECT_GT(texts[3].size(), std::string("Error Code = 2 :").size()) << "the system's text follows the code";
    EXPECT_EQ(std::string(4095, 'x'), texts.back()) << "a line's text is cut at 4,095 characters";
}

TEST(LogTest, TemporaryDirectoryNotWritable_RunsWithoutLog)
{
    CTempDir dir;
    CTempDirOverride tmp(dir.File("missing\\deeper\\"));
    CLog log;
    EXPECT_TRUE(log.OpenLogFile()) << "an unwritable temporary directory is not a failure";
    EXPECT_FALSE(log.IsOpen());
    log.WriteBanner();
    log.Write("dropped %d", 1);
    log.WriteError(5, "dropped");
    EXPECT_FALSE(TestFileExists(dir.File("missing"))) << "nothing is created";
}

TEST(LogTest, ConcurrentWriters_NoLineIsLostOrTorn)
{
    CTempDir dir;
    CTempDirOverride tmp(dir.Path() + "\\");
    CLog log;
    ASSERT_TRUE(log.OpenLogFile());
    constexpr int kThreads = 4;
    constexpr int kLines = 250;
    {
        CTestThread threads[kThreads];
        for (int t = 0; t < kThreads; ++t)
        {
            threads[t].Start([&log, t] {
                for (int i = 0; i < kLines; ++i)
                {
                    log.WriteError(ERROR_ACCESS_DENIED, "thread %d line %d", t, i);
                }
            });
        }
    }
    const std::vector<std::string> lines = SplitCrLf(ReadTestFile(log.GetFilePath()));
    int textLines = 0;
    for (size_t i = 0; i < lines.size(); ++i)
    {
        if (lines[i] == " ")
        {
            continue;                                         // the blank after the system text's own line break
        }
        std::smatch match;
        ASSERT_TRUE(std::regex_match(lines[i], match, kTimedLine)) << "torn line: " << lines[i];
        if (match[1].str().rfind("thread ", 0) == 0)
        {
            ++textLines;
            ASSERT_LT(i + 1, lines.size());
            EXPECT_EQ(0u, lines[i + 1].find_first_of('[')) << "each error line is followed by its code line";
            EXPECT_NE(std::string::npos, lines[i + 1].find("Error Code = 5 :"));
        }
    }
    EXPECT_EQ(kThreads * kLines, textLines) << "writers on other threads wait instead of dropping lines";
}
