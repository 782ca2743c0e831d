#pragma once
// Test support for the application tests: product folders made from the demo product with names of
// their own (registry key, mutex, message box caption, program file), runs of Setup.exe against them
// with the test's own Windows version, the installer's log, a user stand-in that answers message boxes
// from outside, and a stand-in for a running installer. Everything made is removed again.

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "base/Scoped.h"
#include "registry/Registry.h"
#include "support/TempDir.h"
#include "support/TestHelpers.h"
#include "support/TestThread.h"
#include "base/Messages.h"

namespace AppTest
{
inline std::string Backslashed(std::string path)
{
    for (char& c : path)
    {
        c = c == '/' ? '\\' : c;
    }
    return path;
}

inline std::string OwnFileName()
{
    const std::string own = BesideTest("");
    char path[MAX_PATH + 1] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path).substr(own.size());
}

inline std::string DemoDir()
{
    return Backslashed(std::string(KV_TEST_SOURCE_DIR) + "/../demo");
}

inline void CopyTree(const std::string& from, const std::string& to)
{
    (void)::CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA data = {};
    CFindHandle find(::FindFirstFileA((from + "\\*").c_str(), &data));
    if (!find.IsValid())
    {
        return;
    }
    do
    {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
        {
            continue;
        }
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        {
            CopyTree(from + "\\" + name, to + "\\" + name);
        }
        else
        {
            (void)::CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE);
        }
    } while (::FindNextFileA(find.Get(), &data));
}

inline std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
    {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The profile text without the section (its header and every line up to the next header).
inline std::string RemoveSection(const std::string& text, const std::string& section)
{
    std::string result;
    bool inSection = false;
    size_t start = 0;
    while (start < text.size())
    {
        const size_t newline = text.find('\n', start);
        const size_t end = newline == std::string::npos ? text.size() : newline + 1;
        const std::string line = Trimmed(text.substr(start, (newline == std::string::npos ? end : newline) - start));
        if (line.compare(0, 1, "[") == 0)
        {
            inSection = ::lstrcmpiA(line.c_str(), ("[" + section + "]").c_str()) == 0;
        }
        if (!inSection)
        {
            result += text.substr(start, end - start);
        }
        start = end;
    }
    return result;
}

// Sets "key = value" in section of a profile text (value null: removes the key's first line). A new
// line goes right after the section header; a missing section is added at the end.
inline std::string EditKey(const std::string& text, const std::string& section, const std::string& key,
                           const std::string* value)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    {
        lines.push_back(Trimmed(text.substr(start, end - start)));
    }
    lines.push_back(Trimmed(text.substr(start)));
    const auto isHeader = [](const std::string& line) { return line.compare(0, 1, "[") == 0; };
    size_t header = 0;
    while (header < lines.size() && ::lstrcmpiA(lines[header].c_str(), ("[" + section + "]").c_str()) != 0)
    {
        ++header;
    }
    if (header == lines.size())
    {
        lines.push_back("[" + section + "]");
    }
    size_t at = header + 1;
    while (at < lines.size() && !isHeader(lines[at]) &&
           ::lstrcmpiA(Trimmed(lines[at].substr(0, lines[at].find('='))).c_str(), key.c_str()) != 0)
    {
        ++at;
    }
    const bool found = at < lines.size() && !isHeader(lines[at]);
    if (found && value == nullptr)
    {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
    }
    else if (found)
    {
        lines[at] = key + " = " + *value;
    }
    else if (value != nullptr)
    {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(header) + 1, key + " = " + *value);
    }
    std::string result;
    for (const std::string& each : lines)
    {
        result += each + "\r\n";
    }
    return result;
}

// The texts of a log file's timed lines ("[hh.mm.ss]  text"), in order.
inline std::vector<std::string> ReadLog(const std::string& path)
{
    std::vector<std::string> texts;
    const std::string content = ReadTestFile(path);
    size_t start = 0;
    for (size_t end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2)
    {
        const std::string line = content.substr(start, end - start);
        if (line.size() >= 12 && line[0] == '[' && line[9] == ']' && line.compare(10, 2, "  ") == 0)
        {
            texts.push_back(line.substr(12));
        }
    }
    return texts;
}

// The log's last line for a run that ended with the exit code.
inline std::string ExitLine(DWORD code)
{
    switch (code)
    {
    case 0:
        return "Exit code 0: the run succeeded";
    case 3010:
        return "Exit code 3010: the run succeeded; Windows completes it at the next start";
    case 1602:
        return "Exit code 1602: the user cancelled the run";
    case 1618:
        return "Exit code 1618: another installer of this product is already running";
    case 1633:
        return "Exit code 1633: this system is not supported";
    default:
        return "Exit code " + std::to_string(code) + ": the run failed";
    }
}

inline int Count(const std::vector<std::string>& texts, const std::string& text)
{
    int count = 0;
    for (const std::string& each : texts)
    {
        count += each == text ? 1 : 0;
    }
    return count;
}

// The value after prefix of the first text that starts with it; empty when none does.
inline std::string ValueAfter(const std::vector<std::string>& texts, const std::string& prefix)
{
    const std::vector<std::string> rest = From(texts, prefix);
    return rest.empty() ? std::string() : rest.front().substr(prefix.size());
}

inline CHandle StartProgram(const std::string& program, const std::string& arguments)
{
    std::string commandLine = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process))
    {
        return CHandle();
    }
    ::CloseHandle(process.hThread);
    return CHandle(process.hProcess);
}

// Waits for a process; its exit code, or STILL_ACTIVE when it did not end in time.
inline DWORD WaitForExit(const CHandle& process, DWORD timeoutMs)
{
    DWORD code = STILL_ACTIVE;
    if (process.IsValid() && ::WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0)
    {
        (void)::GetExitCodeProcess(process.Get(), &code);
    }
    return code;
}

// The Windows version Wine presents to this test program ("" for the prefix's default).
inline std::string OwnWineVersion()
{
    char version[64] = {};
    const std::string key = "Software\\Wine\\AppDefaults\\" + OwnFileName();
    return CRegistry::GetValue(key.c_str(), "Version", version, HKEY_CURRENT_USER, sizeof(version)) == ERROR_SUCCESS
               ? version
               : "";
}

// A user at the screen: answers the first message box with the caption, from another process.
class CBoxAnswerer
{
public:
    CBoxAnswerer(const std::string& caption, const std::string& textFile, DWORD timeoutMs = 60000)
        : m_textFile(textFile),
          m_process(StartProgram(BesideTest("MessageBoxAnswer.exe"),
                                 "\"" + caption + "\" \"" + textFile + "\" " + std::to_string(timeoutMs)))
    {
    }
    ~CBoxAnswerer()
    {
        if (WaitForExit(m_process, 0) == STILL_ACTIVE)
        {
            (void)::TerminateProcess(m_process.Get(), 3);
            (void)::WaitForSingleObject(m_process.Get(), 5000);
        }
    }
    // True when a box was answered; text receives what it said.
    bool Wait(std::string& text, DWORD timeoutMs = 60000)
    {
        const bool answered = WaitForExit(m_process, timeoutMs) == 0;
        text = answered ? ReadTestFile(m_textFile) : std::string();
        return answered;
    }

private:
    std::string m_textFile;
    CHandle m_process;
};

// An installer that seems to run: the named mutex, owned by the calling thread, and with withWindow a
// hidden top-level window of the class of that name, on a thread of its own, that counts the
// activation requests it receives.
class CRunningInstance
{
public:
    CRunningInstance(const std::string& name, bool withWindow)
        : m_name(name), m_mutex(::CreateMutexA(nullptr, TRUE, name.c_str()))
    {
        if (withWindow)
        {
            m_thread.Start([this] { RunWindow(); });
            while (!m_windowReady)
            {
                ::Sleep(10);
            }
        }
    }
    ~CRunningInstance()
    {
        if (m_window != nullptr)
        {
            (void)::PostMessageA(m_window, WM_CLOSE, 0, 0);
        }
        m_thread.Join();
        (void)::UnregisterClassA(m_name.c_str(), ::GetModuleHandleA(nullptr));
        (void)::ReleaseMutex(m_mutex.Get());
    }
    CRunningInstance(const CRunningInstance&) = delete;
    CRunningInstance& operator=(const CRunningInstance&) = delete;

    bool HasWindow() const { return m_window != nullptr; }
    int Activations() const { return m_activations; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<CRunningInstance*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == UM_ACTIVATE_INSTANCE && self != nullptr)
        {
            ++self->m_activations;
            return 0;
        }
        if (message == WM_DESTROY)
        {
            ::PostQuitMessage(0);
        }
        return ::DefWindowProcA(window, message, wParam, lParam);
    }

    void RunWindow()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = m_name.c_str();
        (void)::RegisterClassA(&windowClass);
        HWND window = ::CreateWindowExA(0, m_name.c_str(), "Running installer", WS_POPUP, 0, 0, 10, 10, nullptr,
                                        nullptr, windowClass.hInstance, nullptr);
        if (window != nullptr)
        {
            ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        }
        m_window = window;
        m_windowReady = true;
        MSG message = {};
        while (window != nullptr && ::GetMessageA(&message, nullptr, 0, 0) > 0)
        {
            ::DispatchMessageA(&message);
        }
    }

    std::string m_name;
    CHandle m_mutex;
    std::atomic<HWND> m_window{nullptr};
    std::atomic<bool> m_windowReady{false};
    std::atomic<int> m_activations{0};
    CTestThread m_thread;
};

// What one run of Setup.exe left: its exit code (STILL_ACTIVE when it had to be ended) and its log.
struct SetupRun
{
    DWORD exitCode = STILL_ACTIVE;
    std::vector<std::string> log;
};

// A copy of the demo product in a fresh folder, with a program file, MFG and PROGRAM_NAME of its own,
// its destination inside the folder, and the temporary directory (where the log goes) pointed there.
// Setup.exe is copied under a name of its own (with the data file named to match), presented as the
// Windows version this test program runs as.
class CTestProduct
{
public:
    CTestProduct()
        : m_id(NextId()),
          m_temp(MakeFolder(m_root.Path() + "\\temp")),
          m_tempOverride(m_temp),
          m_name("KvSetup" + m_id),
          m_mfg("KvTestMaker" + m_id),
          m_programName("KvTest Installer " + m_id)
    {
        CopyTree(DemoDir(), ProductDir());
        (void)::DeleteFileA((ProductDir() + "\\Setup.dat").c_str());
        (void)::CopyFileA(BesideTest("Setup.exe").c_str(), ExePath().c_str(), FALSE);
        (void)::CopyFileA(BesideTest("KVres.dll").c_str(), (ProductDir() + "\\KVres.dll").c_str(), FALSE);
        m_data = ReadTestFile(DemoDir() + "\\Setup.dat");
        // The tests describe the items, shortcuts, copy sections and Add/Remove entry they need
        // themselves: the demo's own are left out.
        for (const char* section : {"ITEM_INFO", "SHORTCUT_INFO"})
        {
            m_data = RemoveSection(m_data, section);
        }
        const std::string commandFile = ProductDir() + "\\data\\kvinst.cmd";
        std::string command = ReadTestFile(commandFile);
        for (const char* section : {"COPY_FILE_INFO", "ADD_REG.UNINSTKEY"})
        {
            command = RemoveSection(command, section);
        }
        (void)WriteTestFile(commandFile, command);
        SetDataKey("PROGRAM_INFO", "MFG", m_mfg);
        SetDataKey("PROGRAM_INFO", "PROGRAM_NAME", m_programName);
        SetDataKey("PROGRAM_INFO", "DESTINATION_DIR", DestDir());
        m_version = OwnWineVersion();
        if (!m_version.empty())
        {
            (void)CRegistry::SetValue(AppDefaultsKey().c_str(), "Version", m_version.c_str(), HKEY_CURRENT_USER);
        }
    }
    ~CTestProduct()
    {
        (void)CRegistry::DeleteKey(("Software\\" + m_mfg).c_str(), false, HKEY_LOCAL_MACHINE);
        if (!m_version.empty())
        {
            (void)::RegDeleteKeyA(HKEY_CURRENT_USER, AppDefaultsKey().c_str());
        }
    }
    CTestProduct(const CTestProduct&) = delete;
    CTestProduct& operator=(const CTestProduct&) = delete;

    void SetDataKey(const std::string& section, const std::string& key, const std::string& value)
    {
        m_data = EditKey(m_data, section, key, &value);
        (void)WriteTestFile(DataFile(), m_data);
    }
    void RemoveDataKey(const std::string& section, const std::string& key)
    {
        m_data = EditKey(m_data, section, key, nullptr);
        (void)WriteTestFile(DataFile(), m_data);
    }
    // Sets a key of the configuration file data\kvinst.kvi.
    void SetConfigKey(const std::string& section, const std::string& key, const std::string& value)
    {
        const std::string path = ProductDir() + "\\data\\kvinst.kvi";
        (void)WriteTestFile(path, EditKey(ReadTestFile(path), section, key, &value));
    }
    // Every start section's command ends the run: an interactive start shows its wizard and ends at
    // the first idle moment, with exit code 0 and the log line kWizardEnd.
    void EndWizardAtStart()
    {
        for (const char* section : {"INSTALL_START_INFO", "UNINST_START_INFO", "REINST_START_INFO",
                                    "DELETEALL_START_INFO"})
        {
            SetConfigKey(section, "CMD_TYPE", "CT_APP_TERMINATE");
            SetConfigKey(section, "CMD_PARAM1", "");
        }
    }
    // The item list of an interactive start, which the wizard does not start without: one item that is
    // never installed in these runs, or (present false) no ITEM_INFO at all, as the test product has
    // from the start.
    void SetWizardItem(bool present, const std::string& displayName = "Wizard test item")
    {
        m_data = RemoveSection(RemoveSection(m_data, "ITEM_INFO"), "KV_WIZARD_ITEM");
        if (present)
        {
            m_data += "\r\n[ITEM_INFO]\r\nKV_WIZARD_ITEM\r\n\r\n[KV_WIZARD_ITEM]\r\nDISPLAY_NAME = " + displayName +
                      "\r\nINST_CMD = $SRC_DIR$\\KVres.dll\r\nDEFAULT_INST_TYPE = CHK\r\n";
        }
        (void)WriteTestFile(DataFile(), m_data);
    }
    static constexpr const char* kWizardEnd =
        "Call Command : Type = CT_APP_TERMINATE, Param1=,Param2=,Param3=,Param4=,Param5=";
    // Appends lines as they stand (a list section's bare entries, whole sections) to the data file or
    // the command file.
    void AppendDataText(const std::string& text)
    {
        m_data += "\r\n" + text;
        (void)WriteTestFile(DataFile(), m_data);
    }
    void AppendCommandText(const std::string& text)
    {
        const std::string path = ProductDir() + "\\data\\kvinst.cmd";
        (void)WriteTestFile(path, ReadTestFile(path) + "\r\n" + text);
    }
    void SetSettingKey(const std::string& section, const std::string& key, const std::string& value)
    {
        const std::string path = ProductDir() + "\\Config.ini";
        (void)WriteTestFile(path, EditKey(ReadTestFile(path), section, key, &value));
    }

    // Runs Setup.exe with the arguments and waits for it; a run that does not end in time is ended.
    SetupRun Run(const std::string& arguments, DWORD timeoutMs = 30000)
    {
        CHandle process = Start(arguments);
        return Finish(process, -1, timeoutMs);
    }
    // Waits for a started run; logNumber names its log as LogPath does.
    SetupRun Finish(const CHandle& process, int logNumber, DWORD timeoutMs = 30000)
    {
        SetupRun run;
        run.exitCode = WaitForExit(process, timeoutMs);
        if (run.exitCode == STILL_ACTIVE && process.IsValid())
        {
            (void)::TerminateProcess(process.Get(), 3);
            (void)::WaitForSingleObject(process.Get(), 5000);
        }
        run.log = ReadLog(LogPath(logNumber));
        return run;
    }
    // Starts Setup.exe after removing the logs of earlier runs.
    CHandle Start(const std::string& arguments)
    {
        (void)::DeleteFileA(LogPath().c_str());
        (void)::DeleteFileA(LogPath(0).c_str());
        return StartProgram(ExePath(), arguments);
    }

    void WriteProductFile(const std::string& relative, const std::string& text)
    {
        (void)WriteTestFile(ProductDir() + "\\" + relative, text);
    }

    std::string ProductDir() const { return m_root.Path() + "\\product"; }
    std::string ExePath() const { return ProductDir() + "\\" + m_name + ".exe"; }
    std::string DataFile() const { return ProductDir() + "\\" + m_name + ".dat"; }
    std::string TempDir() const { return m_temp; }
    std::string DestDir() const { return m_root.Path() + "\\dest\\KP"; }
    std::string Folder() const { return m_root.Path(); }
    // The log of a run: the first one's, or the one numbered n of a run while that one was open.
    std::string LogPath(int n = -1) const
    {
        return m_temp + "\\" + m_name + ".exe" + (n < 0 ? std::string() : std::to_string(n)) + ".log";
    }
    const std::string& ProgramName() const { return m_programName; }
    const std::string& Mfg() const { return m_mfg; }
    std::string InstanceName() const { return m_programName + " Installer Program"; }
    std::string InstallingKey() const { return "Software\\" + m_mfg + "\\" + m_programName + "\\Installing"; }
    std::string InstalledKey() const { return "Software\\" + m_mfg + "\\" + m_programName + "\\Installed"; }

    std::string InstallingText(const char* name) const
    {
        char text[4097] = {};
        return CRegistry::GetValue(InstallingKey().c_str(), name, text, HKEY_LOCAL_MACHINE, sizeof(text)) ==
                       ERROR_SUCCESS
                   ? text
                   : "<missing>";
    }
    DWORD InstallingNumber(const char* name) const
    {
        DWORD value = 0xDEADBEEF;
        return CRegistry::GetValue(InstallingKey().c_str(), name, &value, HKEY_LOCAL_MACHINE) == ERROR_SUCCESS
                   ? value
                   : 0xDEADBEEF;
    }

private:
    static std::string NextId()
    {
        static LONG counter = 0;
        return std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(::InterlockedIncrement(&counter));
    }
    static std::string MakeFolder(const std::string& path)
    {
        (void)::CreateDirectoryA(path.c_str(), nullptr);
        return path;
    }
    std::string AppDefaultsKey() const { return "Software\\Wine\\AppDefaults\\" + m_name + ".exe"; }

    CTempDir m_root;
    std::string m_id;
    std::string m_temp;
    CTempDirOverride m_tempOverride;
    std::string m_name;
    std::string m_mfg;
    std::string m_programName;
    std::string m_data;
    std::string m_version;
};
}  // namespace AppTest
