#pragma once
// The installer's trace of one run: a new file in the temporary directory, one time-stamped line
// per step. Every failure to create or write the file is silent; writes then do nothing.
// Writers on several threads are serialised; a write re-entered on the same thread while that
// thread's own write is in progress is dropped, so logging can never deadlock.

#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <string>

#include "base/Lock.h"
#include "base/Scoped.h"

class CLog
{
public:
    static constexpr const char* kDefaultProgramName = "Corvane Printer Installer Program";

    CLog() = default;
    virtual ~CLog() = default;
    CLog(const CLog&) = delete;
    CLog& operator=(const CLog&) = delete;

    // Creates "<temp><program file name>.log", or the first free "<temp><program file name><n>.log"
    // from n = attempt + 1 on; never overwrites or appends. False only when the program's own file
    // name cannot be obtained.
    bool OpenLogFile(int attempt = -1);
    void WriteBanner(const char* programName = kDefaultProgramName);
    void Write(const char* format, ...);
    // Writes the line, then for a non-zero code with a system message "Error Code = %d :%s ".
    void WriteError(DWORD code, const char* format, ...);

    bool IsOpen() const { return m_file.IsValid(); }
    const std::string& GetFilePath() const { return m_path; }

private:
    void WriteRaw(const char* text, size_t length);
    void WriteTextLine(const char* text);
    void WriteFormatted(DWORD code, bool withError, const char* format, va_list args);

    CHandle m_file;
    std::string m_path;
    CCriticalSection m_lock;
    std::atomic<DWORD> m_writerThread{0};
};
