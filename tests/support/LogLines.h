#pragma once
// Test support: the texts of a log file's timed lines ("[HH.MM.SS]  text"), in order.

#include <cstddef>
#include <regex>
#include <string>
#include <vector>

#include "log/Log.h"
#include "support/TempDir.h"

inline std::vector<std::string> ReadLogTexts(const std::string& path)
{
    static const std::regex timedLine(R"(\[\d\d\.\d\d\.\d\d\]  (.*))");
    std::vector<std::string> texts;
    const std::string content = ReadTestFile(path);
    size_t start = 0;
    for (size_t end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2)
    {
        std::smatch match;
        const std::string line = content.substr(start, end - start);
        if (std::regex_match(line, match, timedLine))
        {
            texts.push_back(match[1]);
        }
    }
    return texts;
}

inline std::vector<std::string> ReadLogTexts(const CLog& log)
{
    return ReadLogTexts(log.GetFilePath());
}

// Reads a log's lines as a test goes on: All of them, or only those New since the last call.
class CLogLines
{
public:
    explicit CLogLines(const CLog& log) : m_log(log) {}

    std::vector<std::string> All() const { return ReadLogTexts(m_log); }
    std::vector<std::string> New()
    {
        const std::vector<std::string> all = All();
        std::vector<std::string> fresh(all.begin() + static_cast<std::ptrdiff_t>(m_seen), all.end());
        m_seen = all.size();
        return fresh;
    }

private:
    const CLog& m_log;
    size_t m_seen = 0;
};
