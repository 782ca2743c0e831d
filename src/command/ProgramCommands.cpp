#include "command/ProgramCommands.h"

#include <shellapi.h>

#include <memory>
#include <vector>

#include "base/APIFunction.h"
#include "base/PathText.h"
#include "base/Text.h"
#include "command/CommandEnv.h"
#include "command/CommandText.h"
#include "base/WaitCursor.h"
#include "env/Platform.h"
#include "env/SystemError.h"
#include "external/ExternalFnt.h"
#include "external/FaultGuard.h"
#include "log/Log.h"
#include "registry/Registry.h"
#include "base/Messages.h"

namespace
{
// The flags every program start uses: a waitable process handle, and the shell waits for a DDE
// conversation to finish before it returns.
constexpr ULONG kStartFlags = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_UNICODE;

constexpr UINT kPrintActionTestPage = 4;                      // PRINTACTION_TESTPAGE
constexpr int kMaxPrintUiCommandLine = 260;

using PrintUIEntryWFn = void(WINAPI*)(HWND window, HINSTANCE instance, LPCWSTR commandLine, int show);
using SHInvokePrinterCommandAFn = BOOL(WINAPI*)(HWND window, UINT action, LPCSTR text1, LPCSTR text2,
                                                BOOL modal);

// An entry point of a loaded system library; null when the library or the entry is missing.
template <typename Fn>
Fn LookUp(const CModule& module, const char* name)
{
    if (!module.IsValid())
    {
        return nullptr;
    }
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module.Get(), name)));
}

// Everything a wait thread needs, handed over to it: the thread owns the process handle.
struct ProgramWait
{
    HWND window = nullptr;
    CHandle process;
    bool bringToFront = false;
    DWORD boundMs = 0;
    CLog* log = nullptr;
};

// A program that never ends (hung, or waiting for a window nobody sees) must not keep the wizard
// disabled for good: at the bound the wizard is given back and the program is left running.
DWORD WINAPI WaitThread(void* parameter)
{
    const std::unique_ptr<ProgramWait> wait(static_cast<ProgramWait*>(parameter));
    if (::WaitForSingleObject(wait->process.Get(), wait->boundMs) == WAIT_TIMEOUT)
    {
        wait->log->Write("The started program did not end within %lu ms; the wizard goes on",
                         static_cast<unsigned long>(wait->boundMs));
    }
    (void)::PostMessageA(wait->window, UM_END_WAIT, wait->bringToFront ? 1 : 0, 0);
    return 1;
}

// ShellExecuteExA with the start flags; false with the system error code in *error.
bool ShellStart(HWND parent, const char* file, const char* arguments, const char* directory, CHandle* process,
                DWORD* error)
{
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = kStartFlags;
    info.hwnd = parent;
    info.lpVerb = "open";
    info.lpFile = file;
    info.lpParameters = arguments != nullptr && *arguments != '\0' ? arguments : nullptr;
    info.lpDirectory = directory != nullptr && *directory != '\0' ? directory : nullptr;
    info.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExA(&info))
    {
        *error = ::GetLastError();
        return false;
    }
    process->Reset(info.hProcess);
    return true;
}

INT_PTR ShellOpen(HWND parent, const char* file, const char* arguments)
{
    return reinterpret_cast<INT_PTR>(::ShellExecuteA(parent, "open", file, arguments, nullptr, SW_SHOWNORMAL));
}
}  // namespace

CProgramCommands::CProgramCommands(CLog& log, const CCommandEnv& env, const CExternalFnt& external)
    : m_log(log), m_env(env), m_external(external)
{
}

CHandle CProgramCommands::StartProgram(const CommandRecord& record)
{
    const std::string program = m_env.ResolvePath(m_env.ExpandMacros(record.param[0]), true);
    const std::string directory = WorkingDirectoryOf(program, IsSystemLeadByte);
    if (program.empty())
    {
        return CHandle();
    }
    const std::string arguments = m_env.ExpandMacros(record.param[1]);
    CHandle process;
    DWORD error = ERROR_SUCCESS;
    if (!ShellStart(ParentWindow(), program.c_str(), arguments.c_str(), directory.c_str(), &process, &error))
    {
        SystemCheck::ShowSystemError(error, program.c_str());
    }
    return process;
}

bool CProgramCommands::ExeFileNoWait(const CommandRecord& record)
{
    return StartProgram(record).IsValid();
}

bool CProgramCommands::ExeFileWait(const CommandRecord& record, bool bringToFront)
{
    CHandle process = StartProgram(record);
    if (process.IsValid())
    {
        WaitForProgram(std::move(process), bringToFront);
    }
    return true;
}

void CProgramCommands::DisableWindows()
{
    (void)::EnableWindow(m_windows.wizard, FALSE);
    if (m_windows.background != nullptr)
    {
        (void)::EnableWindow(m_windows.background, FALSE);
    }
}

void CProgramCommands::WaitForProgram(CHandle process, bool bringToFront)
{
    if (m_windows.wizard == nullptr)
    {
        return;                                               // a silent run: nobody to disable or notify
    }
    DisableWindows();
    auto wait = std::make_unique<ProgramWait>();
    wait->window = m_windows.wizard;
    wait->process = std::move(process);
    wait->bringToFront = bringToFront;
    wait->boundMs = m_programWaitMs;
    wait->log = &m_log;
    HANDLE thread = ::CreateThread(nullptr, 0, WaitThread, wait.get(), 0, nullptr);
    if (thread == nullptr)
    {
        // Without its thread the wizard would stay disabled: tell it at once that the wait is over.
        (void)::PostMessageA(m_windows.wizard, UM_END_WAIT, bringToFront ? 1 : 0, 0);
        return;
    }
    (void)wait.release();                                     // the thread owns it now
    m_lastWaitThread.Reset(thread);
}

bool CProgramCommands::OpenFile(const CommandRecord& record)
{
    const std::string document = m_env.ResolvePath(record.param[0], true);
    if (document.empty())
    {
        return false;
    }
    if (ShellOpen(ParentWindow(), document.c_str(), nullptr) <= 32)
    {
        SystemCheck::ShowSystemError(::GetLastError(), document.c_str());
    }
    return true;
}

void CProgramCommands::LogShellFailure(INT_PTR result, const char* programText)
{
    if (result == 0)
    {
        m_log.Write("The system is out of memory or resources.\r\n");
    }
    else if (result == SE_ERR_NOASSOC)
    {
        m_log.Write("There is no association for the specified file type.\r\n");
    }
    else
    {
        m_log.WriteError(static_cast<DWORD>(result), "%s", programText);
    }
}

bool CProgramCommands::OpenUrl(const CommandRecord& record)
{
    const char* url = record.param[0];
    INT_PTR result = ShellOpen(ParentWindow(), m_browserProgram.c_str(), url);
    if (result > 32)
    {
        return true;
    }
    LogShellFailure(result, ("Open " + m_browserProgram).c_str());
    result = ShellOpen(ParentWindow(), url, nullptr);
    if (result > 32)
    {
        return true;
    }
    LogShellFailure(result, "Open");
    return false;
}

bool CProgramCommands::OpenBrowse(const CommandRecord& record)
{
    std::string folder = m_env.ResolvePath(m_env.ExpandMacros(record.param[0]), false);
    if (!PathText::EndsWithSeparator(folder, IsSystemLeadByte))
    {
        folder += '\\';
    }
    m_log.Write("Open Browse : %s", folder.c_str());
    if (ShellOpen(ParentWindow(), folder.c_str(), nullptr) <= 32)
    {
        SystemCheck::ShowSystemError(::GetLastError(), "");
    }
    return true;
}

// A missing viewer is a failed start of its own: the shell is not asked to open an empty name, which
// would only show its own error box before the manual opens by itself.
bool CProgramCommands::StartManualViewer(const std::string& manual, const std::string& arguments,
                                         CHandle* process)
{
    const std::string& viewer = m_external.GetPath(kKvOpenExe);
    DWORD error = ERROR_FILE_NOT_FOUND;
    if (!viewer.empty())
    {
        const std::string commandLine = FormatText("/T %s %s", manual.c_str(), arguments.c_str());
        if (ShellStart(ParentWindow(), viewer.c_str(), commandLine.c_str(), nullptr, process, &error))
        {
            return true;
        }
    }
    m_log.WriteError(error, "Open Manual");
    return false;
}

bool CProgramCommands::OpenManual(const CommandRecord& record)
{
    const std::string manual = m_env.ResolvePath(m_env.ExpandMacros(record.param[0]), true);
    const std::string arguments = m_env.ExpandMacros(record.param[1]);
    if (manual.empty())
    {
        return false;
    }
    CHandle viewer;
    if (StartManualViewer(manual, arguments, &viewer))
    {
        WaitForProgram(std::move(viewer), false);
        return true;
    }
    CHandle document;
    DWORD error = ERROR_SUCCESS;
    if (ShellStart(ParentWindow(), manual.c_str(), nullptr, nullptr, &document, &error))
    {
        return true;                                          // the manual's own program is not waited for
    }
    SystemCheck::ShowSystemError(error, manual.c_str());
    return false;
}

bool CProgramCommands::PrintTestPage(const CommandRecord& record)
{
    const CWaitCursor wait;
    if (m_external.PrintTestPage(record.param[0], record.param[1], record.param[2], record.param[3]) == -1)
    {
        (void)PrintSystemTestPage(record.param[0]);
    }
    return true;
}

bool CProgramCommands::PrintMetaTestPage(const CommandRecord& record)
{
    const CWaitCursor wait;
    if (m_external.MetaTestPage(record.param[0], record.param[1]) == -1)
    {
        (void)PrintSystemTestPage(record.param[0]);
    }
    return true;
}

bool CProgramCommands::PrintPrnTestPage(const CommandRecord& record)
{
    const CWaitCursor wait;
    if (m_external.PrintPrnFile(record.param[0], record.param[1]) == -1)
    {
        (void)PrintSystemTestPage(record.param[0]);
    }
    return true;
}

std::string CProgramCommands::PrinterOrDefault(const std::string& printer) const
{
    if (!printer.empty())
    {
        return printer;
    }
    char name[4096] = {};
    if (CRegistry::GetValue(m_env.GetInstallingKey().c_str(), "Default_Printer", name, HKEY_LOCAL_MACHINE,
                            static_cast<int>(sizeof(name))) != ERROR_SUCCESS)
    {
        return std::string();
    }
    return name;
}

int CProgramCommands::PrintSystemTestPage(const std::string& printer, const char* printUiLibrary,
                                          const char* shellLibrary)
{
    const std::string name = PrinterOrDefault(printer);
    if (m_env.GetOsClass() == OSCLASS_NT5)
    {
        return PrintUiTestPage(name, printUiLibrary);
    }
    return ShellTestPage(name, shellLibrary);
}

// The printer functions are system functions that some Windows builds only stub: a call that
// faults is abandoned and answered as if the function were missing.
int CProgramCommands::PrintUiTestPage(const std::string& printer, const char* library)
{
    const CModule module(LoadSystemLibrary(library));
    const auto entry = LookUp<PrintUIEntryWFn>(module, "PrintUIEntryW");
    if (entry == nullptr)
    {
        return 0;
    }
    const std::string commandLine = FormatText("/k /n\"%s\"", printer.c_str());
    m_log.Write("Print Test Page ( %s )", commandLine.c_str());
    const int needed = ::MultiByteToWideChar(CP_ACP, 0, commandLine.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> wide(needed > 0 ? static_cast<size_t>(needed) : 1, L'\0');
    (void)::MultiByteToWideChar(CP_ACP, 0, commandLine.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    if (wide.size() > kMaxPrintUiCommandLine)
    {
        wide[kMaxPrintUiCommandLine] = L'\0';
    }
    const HWND parent = ParentWindow();
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    if (!CFaultGuard::Run([&]() { entry(parent, instance, wide.data(), SW_SHOWNORMAL); }).completed)
    {
        m_log.Write("Call PrintUIEntryW() ==> GPF!!!!");
        return 0;
    }
    return 1;
}

int CProgramCommands::ShellTestPage(const std::string& printer, const char* library)
{
    const CModule module(LoadSystemLibrary(library));
    const auto entry = LookUp<SHInvokePrinterCommandAFn>(module, "SHInvokePrinterCommandA");
    if (entry == nullptr)
    {
        return 0;
    }
    BOOL result = FALSE;
    const HWND parent = ParentWindow();
    const auto call = [&]() { result = entry(parent, kPrintActionTestPage, printer.c_str(), nullptr, TRUE); };
    if (!CFaultGuard::Run(call).completed)
    {
        m_log.Write("Call SHInvokePrinterCommandA() ==> GPF!!!!");
        return 0;
    }
    return result;
}
