#pragma once
// Test support: WinDriver.exe (beside the test program) run as a user at the screen would act, with
// what it printed. See tools/windriver/WinDriver.cpp for its commands.

#include <windows.h>

#include <string>

#include "support/RunWithOutput.h"
#include "support/TempDir.h"
#include "support/TestHelpers.h"

class CWinDriver
{
public:
    // scratch: a folder for its output.
    explicit CWinDriver(std::string scratch) : m_scratch(std::move(scratch)) {}

    // Runs "WinDriver.exe arguments"; its exit code (0 done, 1 not found in time), or -1 when it could
    // not start or did not end within timeoutMs. output receives what it printed.
    int Run(const std::string& arguments, std::string* output = nullptr, DWORD timeoutMs = 60000) const
    {
        // A file of its own each time, shared: a process WinDriver starts by the way (Wine's desktop
        // process, when it is the first window of the prefix) keeps the handle it inherited.
        static LONG counter = 0;
        const std::string outputPath = m_scratch + "\\windriver" + std::to_string(::InterlockedIncrement(&counter)) +
                                       ".txt";
        const DWORD code = RunWithOutput(nullptr, "\"" + Program() + "\" " + arguments, outputPath, timeoutMs);
        if (output != nullptr)
        {
            *output = ReadTestFile(outputPath);
        }
        (void)::DeleteFileA(outputPath.c_str());
        return static_cast<int>(code);
    }

    // A command with quoted words: Quote("click") + Quote(window) ...
    static std::string Quote(const std::string& word) { return "\"" + word + "\" "; }

    static std::string Program()
    {
        char path[MAX_PATH + 1] = {};
        ::GetModuleFileNameA(nullptr, path, MAX_PATH);
        const std::string own = path;
        return own.substr(0, own.find_last_of('\\') + 1) + "WinDriver.exe";
    }

private:
    std::string m_scratch;
};

// The value of name=... in one line of WinDriver's listing: the text between quotes when quoted,
// else up to the next blank or the line's end; empty when the line has no such field.
inline std::string ListingField(const std::string& line, const std::string& name)
{
    const size_t at = line.find(" " + name + "=");
    if (at == std::string::npos)
    {
        return std::string();
    }
    const size_t start = at + name.size() + 2;
    if (start < line.size() && line[start] == '"')
    {
        return line.substr(start + 1, line.find('"', start + 1) - start - 1);
    }
    return line.substr(start, line.find_first_of(" \r", start) - start);
}

// The folder the wizard tests keep their pictures in (build/<tree>/pictures), made when missing.
inline std::string PictureDir()
{
    const std::string dir = BesideTest("..\\pictures");
    (void)::CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}
