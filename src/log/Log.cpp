#include "log/Log.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "base/Text.h"

namespace
{
constexpr size_t kMaxLineText = 4095;

std::string LocalTimeText(const char* format)
{
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
#if defined(_MSC_VER)
    localtime_s(&local, &now);
#else
    local = *std::localtime(&now);
#endif
    char text[128] = {};
    std::strftime(text, sizeof(text), format, &local);
    return text;
}

// The system's own text for an error code (default language); empty when it has none.
std::string SystemMessage(DWORD code)
{
    char* message = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&message), 0, nullptr);
    CLocalMemory owner(message);
    return length != 0 && message != nullptr ? std::string(message, length) : std::string();
}
}  // namespace

bool CLog::OpenLogFile(int attempt)
{
    char programPath[MAX_PATH + 1] = {};
    const DWORD pathLength = ::GetModuleFileNameA(nullptr, programPath, MAX_PATH);
    if (pathLength == 0 || pathLength >= MAX_PATH)
    {
        return false;
    }
    const char* slash = std::strrchr(programPath, '\\');
    const char* programName = slash != nullptr ? slash + 1 : programPath;

    char tempDir[MAX_PATH + 1] = {};
    const DWORD tempLength = ::GetTempPathA(MAX_PATH, tempDir);
    if (tempLength == 0 || tempLength >= MAX_PATH)
    {
        return true;                                          // no temporary directory: run without a log
    }

    // Existing logs are never touched: the numbering goes on until a new file can be created.
    for (int n = attempt;; ++n)
    {
        const std::string path = n == -1 ? FormatText("%s%s.log", tempDir, programName)
                                         : FormatText("%s%s%d.log", tempDir, programName, n);
        HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        const DWORD err = file != INVALID_HANDLE_VALUE ? ERROR_SUCCESS : ::GetLastError();
        if (err == ERROR_SUCCESS)
        {
            m_file.Reset(file);
            m_path = path;
            return true;
        }
        if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS)
        {
            return true;                                      // unwritable: the installer runs the same without a log
        }
        if (n == INT_MAX)
        {
            return true;
        }
    }
}

void CLog::WriteRaw(const char* text, size_t length)
{
    DWORD written = 0;
    (void)::WriteFile(m_file.Get(), text, static_cast<DWORD>(length), &written, nullptr);
}

void CLog::WriteTextLine(const char* text)
{
    const std::string line = "[" + LocalTimeText("%H.%M.%S") + "]  " + text + "\r\n";
    WriteRaw(line.data(), line.size());
}

void CLog::WriteBanner(const char* programName)
{
    if (!IsOpen())
    {
        return;
    }
    const std::string slashes(60, '/');
    const std::string blank = "//" + std::string(56, ' ') + "//";
    const std::string banner = slashes + "\r\n" + blank + "\r\n" +
                               FormatText("// %-55s//", programName != nullptr ? programName : "") + "\r\n" +
                               blank + "\r\n" + slashes + "\r\n" + "\r\n" +
                               "Data : " + LocalTimeText("%A, %B %d, %Y") + "\r\n" + "\r\n";
    CLockGuard guard(m_lock);
    WriteRaw(banner.data(), banner.size());
}

void CLog::WriteFormatted(DWORD code, bool withError, const char* format, va_list args)
{
    if (!IsOpen() || format == nullptr)
    {
        return;
    }
    // A write that starts again on the thread that is writing (code called during the write) is
    // dropped; writes from other threads wait for their turn instead of being lost.
    const DWORD self = ::GetCurrentThreadId();
    if (m_writerThread.load() == self)
    {
        return;
    }
    CLockGuard guard(m_lock);
    m_writerThread.store(self);

    char text[kMaxLineText + 1] = {};
    std::vsnprintf(text, sizeof(text), format, args);
    WriteTextLine(text);
    if (withError && code != ERROR_SUCCESS)
    {
        const std::string message = SystemMessage(code);
        if (!message.empty())
        {
            const std::string errorLine = FormatText("Error Code = %d :%s ", static_cast<int>(code), message.c_str());
            CopyText(text, sizeof(text), errorLine.c_str());
            WriteTextLine(text);
        }
    }
    m_writerThread.store(0);
}

void CLog::Write(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteFormatted(ERROR_SUCCESS, false, format, args);
    va_end(args);
}

void CLog::WriteError(DWORD code, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteFormatted(code, true, format, args);
    va_end(args);
}
