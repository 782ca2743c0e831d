#pragma once
// Test support for the environment tests: a product folder as it lies on an installation medium
// (Disk1\Setup.dat, data\..., String files), the log's texts, and the process state that Init changes
// (the current directory), restored when the object goes away.

#include <windows.h>

#include <string>
#include <vector>

#include "log/Log.h"
#include "support/LogLines.h"
#include "support/TempDir.h"
#include "support/TestHelpers.h"


// Writes a file below root, creating the folders on the way; false on failure.
inline bool WriteTreeFile(const std::string& root, const std::string& relative, const std::string& text)
{
    for (size_t at = relative.find('\\'); at != std::string::npos; at = relative.find('\\', at + 1))
    {
        ::CreateDirectoryA((root + "\\" + relative.substr(0, at)).c_str(), nullptr);
    }
    return WriteTestFile(root + "\\" + relative, text);
}

// Collects the log texts written since the last call.
class CLogReader
{
public:
    explicit CLogReader(const CLog& log) : m_log(log) {}
    std::vector<std::string> Take()
    {
        const std::vector<std::string> all = ReadLogTexts(m_log);
        std::vector<std::string> fresh(all.begin() + static_cast<std::ptrdiff_t>(m_seen), all.end());
        m_seen = all.size();
        return fresh;
    }

private:
    const CLog& m_log;
    size_t m_seen = 0;
};

// The texts that start with prefix, in order.
inline std::vector<std::string> WithPrefix(const std::vector<std::string>& texts, const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& text : texts)
    {
        if (text.compare(0, prefix.size(), prefix) == 0)
        {
            found.push_back(text);
        }
    }
    return found;
}

inline std::string CurrentDirectory()
{
    char dir[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryA(MAX_PATH, dir);
    return dir;
}

