#pragma once
// Test support: a program run to its end with its standard output and error in a file.

#include <windows.h>

#include <string>

#include "base/Scoped.h"

// Runs commandLine (application null: its first word names the program) with its output going to
// outputFile, shared for reading and writing: a process it starts by the way may keep the handle it
// inherited. Waits up to timeoutMs; the exit code, or 0xFFFFFFFF when it could not be started or did
// not end in time (it is ended then).
inline DWORD RunWithOutput(const char* application, std::string commandLine, const std::string& outputFile,
                           DWORD timeoutMs)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    CHandle output(::CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output.Get();
    startup.hStdError = output.Get();
    PROCESS_INFORMATION info = {};
    if (!output.IsValid() || !::CreateProcessA(application, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                               nullptr, &startup, &info))
    {
        return 0xFFFFFFFF;
    }
    const CHandle process(info.hProcess);
    const CHandle thread(info.hThread);
    DWORD code = 0xFFFFFFFF;
    if (::WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0)
    {
        (void)::GetExitCodeProcess(process.Get(), &code);
    }
    else
    {
        (void)::TerminateProcess(process.Get(), 3);
    }
    return code;
}
