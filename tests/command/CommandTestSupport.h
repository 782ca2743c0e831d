#pragma once
// Test support for the command engine: an environment over real profile files in a temporary folder,
// the log's lines, the recorder program's lines, and registry keys under the test-only vendor.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/HistoryRecorder.h"
#include "base/Lock.h"
#include "command/CommandEnv.h"
#include "env/InstallPaths.h"
#include "env/Macros.h"
#include "env/Platform.h"
#include "env/FileSystem.h"
#include "log/Log.h"
#include "profile/ConfigProfile.h"
#include "registry/Registry.h"
#include "support/LogLines.h"
#include "support/TempDir.h"
#include "support/TestHelpers.h"
#include "support/TestThread.h"

namespace cmdtest
{
// Sets an environment variable (inherited by programs the test starts) and removes it again.
class CVariable
{
public:
    CVariable(const char* name, const std::string& value) : m_name(name)
    {
        ::SetEnvironmentVariableA(name, value.c_str());
    }
    ~CVariable() { ::SetEnvironmentVariableA(m_name.c_str(), nullptr); }
    CVariable(const CVariable&) = delete;
    CVariable& operator=(const CVariable&) = delete;

private:
    std::string m_name;
};

// The environment the handlers see: real configuration and command files in the source folder,
// macros expanded with the real expansion, paths resolved against the source folder.
class CTestCommandEnv : public CCommandEnv
{
public:
    CTestCommandEnv(CLog& log, std::string sourceDir) : m_log(log), m_sourceDir(std::move(sourceDir))
    {
        m_macros.srcDir = m_sourceDir;
        m_macros.langAbbr = langAbbr;
        (void)GetOsVersionCode(osCode, osClass);
        installingKey = "Software\\KvTestCmd" + std::to_string(::GetCurrentProcessId()) + "\\Installing";
    }
    ~CTestCommandEnv() override
    {
        (void)CRegistry::DeleteKey(installingKey.c_str(), false, HKEY_LOCAL_MACHINE);
    }

    // Writes and opens (or reloads) the configuration file and the command file.
    bool OpenFiles(const std::string& configText, const std::string& commandText)
    {
        const std::string config = m_sourceDir + "\\kvinst.kvi";
        const std::string command = m_sourceDir + "\\kvinst.cmd";
        if (!WriteTestFile(config, configText) || !WriteTestFile(command, commandText))
        {
            return false;
        }
        const bool opened = m_config.IsMainOpen()
                                ? m_config.ReloadMain(config.c_str()) && m_command.ReloadMain(command.c_str())
                                : m_config.Open(config.c_str(), "", "", false) &&
                                      m_command.Open(command.c_str(), "", "", false);
        const auto expander = [this](const std::string& text, DWORD, const std::string&, const std::string&) {
            return ExpandMacros(text);
        };
        m_config.SetMacroExpander(expander);
        m_command.SetMacroExpander(expander);
        return opened;
    }

    const CConfigProfile& GetConfigProfile() const override { return m_config; }
    const CConfigProfile& GetCommandProfile() const override { return m_command; }
    std::string ExpandMacros(const std::string& text) const override { return ::ExpandMacros(text, m_macros); }
    std::string ResolvePath(const std::string& text, bool mustExist) const override
    {
        const std::string path = ResolvePathText(text, m_sourceDir);
        if (mustExist && !SystemCheck::FileExists(path.c_str()))
        {
            m_log.Write("(%s) file does not exist.", path.c_str());
            return std::string();
        }
        return path;
    }
    std::string GetInstallingKey() const override { return installingKey; }
    std::string GetMfg() const override { return mfg; }
    std::string GetMdl() const override { return mdl; }
    std::string GetVidPid() const override { return vidPid; }
    int GetOsCode() const override { return osCode; }
    int GetOsClass() const override { return osClass; }
    std::string GetOsDefine() const override { return osDefine; }
    std::string GetLangAbbr() const override { return langAbbr; }
    void SetRemoteInstallPreparation(long value) override
    {
        remoteInstall.push_back(value);
        m_config.SetRemoteInstallPreparation(value != 0);
        m_command.SetRemoteInstallPreparation(value != 0);
    }
    bool SetLanguage(WORD langId, bool interactive) override
    {
        languages.emplace_back(langId, interactive);
        return true;
    }

    std::string mfg = "Acme";
    std::string mdl = "Jet 100";
    std::string vidPid = "VID_1234&PID_5678";
    int osCode = 0;
    int osClass = 0;
    std::string osDefine = "WINXP";
    std::string langAbbr = "EN";
    std::string installingKey;
    std::vector<long> remoteInstall;
    std::vector<std::pair<WORD, bool>> languages;

private:
    CLog& m_log;
    std::string m_sourceDir;
    MacroValues m_macros;
    CConfigProfile m_config;
    CConfigProfile m_command;
};

// The lines the recorder program wrote: "<command line>|<working directory>".
inline std::vector<std::string> RecorderLines(const std::string& file)
{
    std::vector<std::string> lines;
    const std::string content = ReadTestFile(file);
    size_t start = 0;
    for (size_t end; (end = content.find('\n', start)) != std::string::npos; start = end + 1)
    {
        lines.push_back(content.substr(start, end - start));
    }
    return lines;
}

// Waits up to timeout ms until the recorder file has count lines.
inline std::vector<std::string> WaitForRecorderLines(const std::string& file, size_t count, DWORD timeout = 15000)
{
    std::vector<std::string> lines = RecorderLines(file);
    for (DWORD waited = 0; lines.size() < count && waited < timeout; waited += 50)
    {
        ::Sleep(50);
        lines = RecorderLines(file);
    }
    return lines;
}
}  // namespace cmdtest

namespace cmdtest
{
// Every subkey and value below path: keys as "<key>", values as "<type>:<data bytes>" (texts without
// their terminating zeros).
inline void SnapshotKey(HKEY root, const std::string& path, std::map<std::string, std::string>& snapshot,
                        const std::string& prefix = std::string())
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    {
        return;
    }
    const std::string base = prefix.empty() ? path : prefix;
    snapshot[base] = "<key>";
    for (DWORD index = 0;; ++index)
    {
        char name[16384] = {};
        DWORD nameSize = sizeof(name);
        std::vector<BYTE> data(65536);
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (::RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS)
        {
            break;
        }
        std::string bytes(reinterpret_cast<const char*>(data.data()), dataSize);
        while ((type == REG_SZ || type == REG_EXPAND_SZ) && !bytes.empty() && bytes.back() == '\0')
        {
            bytes.pop_back();                                 // stored with or without its zero: the same text
        }
        snapshot[base + "\\" + name] = std::to_string(type) + ":" + bytes;
    }
    std::vector<std::string> subKeys;
    for (DWORD index = 0;; ++index)
    {
        char name[256] = {};
        if (::RegEnumKeyA(key, index, name, sizeof(name)) != ERROR_SUCCESS)
        {
            break;
        }
        subKeys.push_back(name);
    }
    ::RegCloseKey(key);
    for (const std::string& name : subKeys)
    {
        SnapshotKey(root, path + "\\" + name, snapshot, base + "\\" + name);
    }
}

// Keeps everything a history recorder is told.
struct CRecordedHistory
{
    std::vector<std::pair<std::string, HistoryKind>> entries;
    HistoryRecorder Recorder()
    {
        return [this](const std::string& text, HistoryKind kind) {
            entries.emplace_back(text, kind);
            return true;
        };
    }
};
}  // namespace cmdtest

namespace cmdtest
{
// Closes any message box of this process that stays open longer than the grace time, so that a test
// that fails by showing an unexpected box ends instead of waiting for a user. The captions of the
// boxes it had to close tell the test what happened.
class CStrayBoxCloser
{
public:
    explicit CStrayBoxCloser(DWORD graceMs = 3000) : m_grace(graceMs), m_thread([this] { Run(); }) {}
    ~CStrayBoxCloser()
    {
        m_stop = true;
        m_thread.Join();
    }
    CStrayBoxCloser(const CStrayBoxCloser&) = delete;
    CStrayBoxCloser& operator=(const CStrayBoxCloser&) = delete;

    std::vector<std::string> Closed()
    {
        CLockGuard guard(m_lock);
        return m_closed;
    }

private:
    static BOOL CALLBACK Collect(HWND window, LPARAM parameter)
    {
        DWORD process = 0;
        (void)::GetWindowThreadProcessId(window, &process);
        char className[64] = {};
        (void)::GetClassNameA(window, className, sizeof(className));
        if (process == ::GetCurrentProcessId() && std::string(className) == "#32770" && ::IsWindowVisible(window))
        {
            reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
        }
        return TRUE;
    }

    void Run()
    {
        std::map<HWND, DWORD> firstSeen;
        for (; !m_stop; ::Sleep(100))
        {
            std::vector<HWND> boxes;
            (void)::EnumWindows(Collect, reinterpret_cast<LPARAM>(&boxes));
            const DWORD now = ::GetTickCount();
            for (HWND box : boxes)
            {
                const DWORD seen = firstSeen.emplace(box, now).first->second;
                if (now - seen >= m_grace)
                {
                    char caption[1024] = {};
                    (void)::GetWindowTextA(box, caption, sizeof(caption));
                    {
                        CLockGuard guard(m_lock);
                        m_closed.push_back(caption);
                    }
                    (void)::PostMessageA(box, WM_CLOSE, 0, 0);
                    firstSeen.erase(box);
                }
            }
        }
    }

    DWORD m_grace;
    std::atomic<bool> m_stop{false};
    CCriticalSection m_lock;
    std::vector<std::string> m_closed;
    CTestThread m_thread;                                     // last: starts once the rest is ready
};
}  // namespace cmdtest
