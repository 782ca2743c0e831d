#pragma once
// Test support for the shipped helpers: a helper copied with a setting file into a test folder and
// loaded from there, the temporary folder pointed at a test folder (the helpers log there), registry
// keys of the test's own, and programs run with a bounded wait.

#include <windows.h>

#include <string>

#include "support/TempDir.h"
#include "support/WineRun.h"

// The folder of the test program: the helpers and the probe program are built beside it.
inline std::string BinDir()
{
    char path[MAX_PATH + 1] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\'));
}

inline std::string ProbePath()
{
    return BinDir() + "\\HelperProbe.exe";
}

// TMP and TEMP point at a folder of the test while the object lives.
class CTempRedirect
{
public:
    explicit CTempRedirect(const std::string& dir)
    {
        char old[MAX_PATH + 1] = {};
        ::GetEnvironmentVariableA("TMP", old, MAX_PATH);
        m_tmp = old;
        ::GetEnvironmentVariableA("TEMP", old, MAX_PATH);
        m_temp = old;
        ::SetEnvironmentVariableA("TMP", dir.c_str());
        ::SetEnvironmentVariableA("TEMP", dir.c_str());
    }
    ~CTempRedirect()
    {
        ::SetEnvironmentVariableA("TMP", m_tmp.c_str());
        ::SetEnvironmentVariableA("TEMP", m_temp.c_str());
    }
    CTempRedirect(const CTempRedirect&) = delete;
    CTempRedirect& operator=(const CTempRedirect&) = delete;

private:
    std::string m_tmp;
    std::string m_temp;
};

// A helper file copied from the build folder into dir (under copyName when given; with "<name>.ini"
// holding settings when given) and, for a library, loaded from there.
class CHelperCopy
{
public:
    CHelperCopy(const std::string& dir, const std::string& file, const std::string& settings = std::string(),
                const std::string& copyName = std::string())
        : m_path(dir + "\\" + (copyName.empty() ? file : copyName))
    {
        ::CopyFileA((BinDir() + "\\" + file).c_str(), m_path.c_str(), FALSE);
        if (!settings.empty())
        {
            WriteTestFile(m_path.substr(0, m_path.find_last_of('.')) + ".ini", settings);
        }
        if (file.size() > 4 && file.compare(file.size() - 4, 4, ".dll") == 0)
        {
            m_module = ::LoadLibraryA(m_path.c_str());
        }
    }
    ~CHelperCopy()
    {
        if (m_module != nullptr)
        {
            ::FreeLibrary(m_module);
        }
    }
    CHelperCopy(const CHelperCopy&) = delete;
    CHelperCopy& operator=(const CHelperCopy&) = delete;

    template <typename Fn>
    Fn Entry(const char* name) const
    {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(m_module, name)));
    }
    const std::string& Path() const { return m_path; }
    bool Loaded() const { return m_module != nullptr; }

private:
    std::string m_path;
    HMODULE m_module = nullptr;
};

// A program copy presents the same Windows version as the test program while the object lives (the
// prefix's per-program setting, keyed by the copy's file name, which must be unique to the test run).
class CPresentedVersion
{
public:
    explicit CPresentedVersion(const std::string& programName)
        : m_key("Software\\Wine\\AppDefaults\\" + programName)
    {
        const std::string version = PresentedVersion();
        HKEY opened = nullptr;
        if (!version.empty() &&
            ::RegCreateKeyExA(HKEY_CURRENT_USER, m_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened,
                              nullptr) == ERROR_SUCCESS)
        {
            ::RegSetValueExA(opened, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                             static_cast<DWORD>(version.size() + 1));
            ::RegCloseKey(opened);
        }
    }
    ~CPresentedVersion() { ::RegDeleteKeyA(HKEY_CURRENT_USER, m_key.c_str()); }
    CPresentedVersion(const CPresentedVersion&) = delete;
    CPresentedVersion& operator=(const CPresentedVersion&) = delete;

private:
    std::string m_key;
};

// Registry keys under HKLM\Software\KvHelperTest_<process id>, all removed when the object goes.
class CTestRegistry
{
public:
    CTestRegistry() : m_root("Software\\KvHelperTest_" + std::to_string(::GetCurrentProcessId())) {}
    ~CTestRegistry() { DeleteTree(HKEY_LOCAL_MACHINE, m_root); }
    CTestRegistry(const CTestRegistry&) = delete;
    CTestRegistry& operator=(const CTestRegistry&) = delete;

    const std::string& Root() const { return m_root; }

    void SetText(const std::string& key, const char* name, const std::string& value) const
    {
        HKEY opened = nullptr;
        ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr);
        ::RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
        ::RegCloseKey(opened);
    }
    void SetNumber(const std::string& key, const char* name, DWORD value) const
    {
        HKEY opened = nullptr;
        ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr);
        ::RegSetValueExA(opened, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
        ::RegCloseKey(opened);
    }
    static std::string Text(const std::string& key, const char* name)
    {
        char data[4096] = {};
        DWORD size = sizeof(data) - 1;
        HKEY opened = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        {
            return "(no key)";
        }
        const LONG err = ::RegQueryValueExA(opened, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
        ::RegCloseKey(opened);
        return err == ERROR_SUCCESS ? std::string(data) : "(none)";
    }
    static DWORD Number(const std::string& key, const char* name, DWORD fallback = 0xDEADBEEF)
    {
        DWORD data = fallback;
        DWORD size = sizeof(data);
        HKEY opened = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS)
        {
            if (::RegQueryValueExA(opened, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
            {
                data = fallback;
            }
            ::RegCloseKey(opened);
        }
        return data;
    }
    static void DeleteTree(HKEY root, const std::string& key)
    {
        HKEY opened = nullptr;
        if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS)
        {
            return;
        }
        char child[256];
        while (::RegEnumKeyA(opened, 0, child, sizeof(child)) == ERROR_SUCCESS)
        {
            DeleteTree(opened, child);
        }
        ::RegCloseKey(opened);
        ::RegDeleteKeyA(root, key.c_str());
    }

private:
    std::string m_root;
};

// Runs a command line and waits (at most two minutes) for it; the exit code, or ~0 when it could
// not be started or did not end.
inline DWORD RunAndWait(const std::string& commandLine, DWORD limitMs = 120000)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    {
        return ~0UL;
    }
    DWORD code = ~0UL;
    if (::WaitForSingleObject(process.hProcess, limitMs) == WAIT_OBJECT_0)
    {
        ::GetExitCodeProcess(process.hProcess, &code);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return code;
}

inline bool FileContains(const std::string& path, const std::string& text)
{
    return ReadTestFile(path).find(text) != std::string::npos;
}

// Waits (at most a minute) until the condition holds.
template <typename Condition>
bool EventuallyTrue(Condition condition)
{
    for (int step = 0; step < 600; ++step)
    {
        if (condition())
        {
            return true;
        }
        ::Sleep(100);
    }
    return condition();
}

// The printer simulator (KvPrnSim.exe) started from a test folder on a free port, answering as the
// printers of its "[PRINTERn]" sections; stopped (QUIT) or waited for when it goes.
class CSimulator
{
public:
    CSimulator(const std::string& dir, const std::string& name, const std::string& simulatorKeys,
               const std::string& printers)
        : m_settings(dir + "\\" + name + ".ini"), m_program(dir, "KvPrnSim.exe")
    {
        WriteTestFile(m_settings, "[SIMULATOR]\r\nPORT=0\r\nPORT_FILE=" + m_settings + ".port\r\n" + simulatorKeys + printers);
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        std::string line = "\"" + m_program.Path() + "\" \"" + m_settings + "\"";
        ::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &m_process);
        EventuallyTrue([&] { return Port() != 0; });
    }
    ~CSimulator()
    {
        ::WaitForSingleObject(m_process.hProcess, 60000);
        ::CloseHandle(m_process.hThread);
        ::CloseHandle(m_process.hProcess);
    }
    CSimulator(const CSimulator&) = delete;
    CSimulator& operator=(const CSimulator&) = delete;

    unsigned Port() const { return ::GetPrivateProfileIntA("SIMULATOR", "PORT", 0, (m_settings + ".port").c_str()); }
    std::string ClientSettings(DWORD timeoutMs = 3000) const
    {
        return "[SIMULATOR]\r\nPORT=" + std::to_string(Port()) + "\r\nTIMEOUT_MS=" + std::to_string(timeoutMs) + "\r\n";
    }
    const std::string& Program() const { return m_program.Path(); }
    DWORD WaitExit() const
    {
        DWORD code = ~0UL;
        if (::WaitForSingleObject(m_process.hProcess, 60000) == WAIT_OBJECT_0)
        {
            ::GetExitCodeProcess(m_process.hProcess, &code);
        }
        return code;
    }

private:
    std::string m_settings;
    CHelperCopy m_program;
    PROCESS_INFORMATION m_process = {};
};
