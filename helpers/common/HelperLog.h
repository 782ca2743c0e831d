#pragma once
// A helper's own log: "<temp><name>.log", one "[HH.MM.SS]  text" line per step, appended, so the
// lines of several calls and processes follow one another. Failures to write are silent.

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "base/Scoped.h"

class CHelperLog
{
public:
    explicit CHelperLog(const char* name) : m_name(name) {}

    std::string Path() const
    {
        char temp[MAX_PATH + 1] = {};
        const DWORD length = ::GetTempPathA(MAX_PATH, temp);
        return std::string(temp, length <= MAX_PATH ? length : 0) + m_name + ".log";
    }

    void Write(const char* format, ...) const
    {
        va_list args;
        va_start(args, format);
        WriteLine(0, false, format, args);
        va_end(args);
    }

    // The line, followed by " (error N)" for the system error that belongs to it.
    void WriteError(DWORD code, const char* format, ...) const
    {
        va_list args;
        va_start(args, format);
        WriteLine(code, true, format, args);
        va_end(args);
    }

private:
    void WriteLine(DWORD code, bool withError, const char* format, va_list args) const
    {
        char text[4096] = {};
        std::vsnprintf(text, sizeof(text), format, args);
        SYSTEMTIME now = {};
        ::GetLocalTime(&now);
        char line[4200] = {};
        int length = std::snprintf(line, sizeof(line), "[%02u.%02u.%02u]  %s", now.wHour, now.wMinute, now.wSecond,
                                   text);
        if (withError && length > 0 && length < static_cast<int>(sizeof(line)))
        {
            length += std::snprintf(line + length, sizeof(line) - length, " (error %lu)", code);
        }
        if (length < 0 || length > static_cast<int>(sizeof(line)) - 3)
        {
            length = static_cast<int>(sizeof(line)) - 3;
        }
        line[length++] = '\r';
        line[length++] = '\n';
        CHandle file(::CreateFileA(Path().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid())
        {
            return;
        }
        ::SetFilePointer(file.Get(), 0, nullptr, FILE_END);
        DWORD written = 0;
        (void)::WriteFile(file.Get(), line, static_cast<DWORD>(length), &written, nullptr);
    }

    std::string m_name;
};
