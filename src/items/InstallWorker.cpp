#include "items/InstallWorker.h"

#include "base/Messages.h"
#include "command/CmdOperator.h"
#include "command/CommandRecord.h"
#include "env/InstallEnv.h"
#include "external/ExternalFnt.h"
#include "items/InstallRun.h"
#include "items/Item.h"
#include "log/Log.h"
#include "log/WorkerStop.h"

namespace
{
const DWORD kSetupUninstall = 2;
// The command records of the system update live on the thread's stack: room for two of them.
const SIZE_T kSystemUpdateStack = 256 * 1024;

}  // namespace

CInstallWorker::CInstallWorker(CLog& log, CInstallEnv& env, CItem& items, CInstallRun& run, CCmdOperator& commands,
                               InstallProgressVariant variant)
    : m_log(log), m_env(env), m_items(items), m_run(run), m_commands(commands), m_variant(variant)
{
    m_threadStarter = [](LPTHREAD_START_ROUTINE routine, void* parameter) {
        return ::CreateThread(nullptr, kSystemUpdateStack, routine, parameter, 0, nullptr);
    };
}

CInstallWorker::~CInstallWorker()
{
    (void)Stop();
}

void CInstallWorker::RequestStop()
{
    (void)::InterlockedExchange(&m_stopRequested, 1);
}

bool CInstallWorker::Stop(DWORD boundMs)
{
    RequestStop();
    struct Thread
    {
        CHandle* handle;
        const char* name;
    };
    const Thread threads[] = {{&m_worker, "install run"}, {&m_systemUpdate, "system update"},
                              {&m_preparation, "preparation"}};
    bool allEnded = true;
    for (const Thread& thread : threads)
    {
        if (!thread.handle->IsValid())
        {
            continue;
        }
        if (WorkerStop::StopAndWait(thread.handle->Get(), nullptr, boundMs, m_log, thread.name))
        {
            thread.handle->Reset();
        }
        else
        {
            allEnded = false;
        }
    }
    return allEnded;
}

// A thread of the same role that still runs is never waited for here: the new one is refused.
bool CInstallWorker::StartThread(CHandle& thread, LPTHREAD_START_ROUTINE routine)
{
    if (thread.IsValid())
    {
        if (::WaitForSingleObject(thread.Get(), 0) == WAIT_TIMEOUT)
        {
            m_log.Write("The installer's worker is still running: it is not started again");
            return false;
        }
        thread.Reset();
    }
    thread.Reset(m_threadStarter(routine, this));
    return thread.IsValid();
}

bool CInstallWorker::Start(HWND dialog)
{
    m_dialog = dialog;
    return StartThread(m_worker, WorkerThread);
}

DWORD WINAPI CInstallWorker::WorkerThread(void* parameter)
{
    static_cast<CInstallWorker*>(parameter)->RunItems();
    return 0;
}

// The item state belongs to the dialog's thread: each result is sent and handled there before the
// next item starts.
void CInstallWorker::RunItems()
{
    const bool full = m_variant == InstallProgressVariant::kFull;
    if (!full)
    {
        (void)::SendMessageA(m_dialog, UM_INSTALL_STATUS, kStatusStarted, 0);
    }
    for (int index = 0; index < m_items.GetCount(); ++index)
    {
        if (!m_items.GetItemAt(index)->selected)
        {
            continue;
        }
        if (IsStopRequested())
        {
            m_log.Write("The install run was stopped before [%s]", m_items.GetItemAt(index)->displayName.c_str());
            return;
        }
        if (full)
        {
            (void)m_items.ChangePrinterParameter(index);
            (void)::SendMessageA(m_dialog, UM_INSTALL_STATUS, kStatusStarted, index);
        }
        const bool succeeded = m_run.RunItem(index);
        (void)::SendMessageA(m_dialog, UM_INSTALL_STATUS, succeeded ? kStatusSucceeded : kStatusFailed, index);
    }
    if (IsStopRequested())
    {
        return;
    }
    (void)::PostMessageA(m_dialog, UM_INSTALL_STATUS, kStatusDone, 0);
}

void CInstallWorker::OnInstallStatus(WPARAM status, LPARAM index)
{
    const bool full = m_variant == InstallProgressVariant::kFull;
    switch (status)
    {
    case kStatusSucceeded:
    case kStatusFailed:
        m_run.ApplyResult(static_cast<int>(index), status == kStatusSucceeded, full);
        break;
    case kStatusDone:
        if (!full)
        {
            (void)::EnableWindow(m_dialog, FALSE);
        }
        (void)StartSystemUpdate();
        break;
    default:
        break;
    }
}

bool CInstallWorker::StartSystemUpdate()
{
    if (StartThread(m_systemUpdate, SystemUpdateThread))
    {
        return true;
    }
    (void)::PostMessageA(m_dialog, UM_SYSUPDATE_DONE, 0, 0);
    return false;
}

DWORD WINAPI CInstallWorker::SystemUpdateThread(void* parameter)
{
    static_cast<CInstallWorker*>(parameter)->RunSystemUpdate();
    return 0;
}

void CInstallWorker::RunSystemUpdate()
{
    const char* command = m_items.GetSetupType() == kSetupUninstall ? "CT_DELETE_ALL" : "CT_INSTALL_UPDATE";
    (void)m_commands.Execute(MakeCommandRecord(command).get());
    (void)::PostMessageA(m_dialog, UM_SYSUPDATE_DONE, 0, 0);
}

std::string CInstallWorker::FailureMessage(const CItem& items, const std::string& errorText)
{
    std::string message = errorText + "\r\n\r\n";
    const int count = items.GetFailureCount();
    for (int n = 0; n < count; ++n)
    {
        message += items.GetFailedItemName(n) + "\r\n";
    }
    return message;
}

bool CInstallWorker::StartPreparation(HWND window, HWND mainWindow, int startDecision,
                                      const std::string& preinstallCommand)
{
    m_dialog = window;
    m_mainWindow = mainWindow;
    m_startDecision = startDecision;
    m_preinstallCommand = preinstallCommand;
    return StartThread(m_preparation, PreparationThread);
}

DWORD WINAPI CInstallWorker::PreparationThread(void* parameter)
{
    static_cast<CInstallWorker*>(parameter)->Prepare();
    return 0;
}

void CInstallWorker::Prepare()
{
    if (!m_items.ReadItems(CItem::kDefaultListSection, m_dialog))
    {
        m_log.Write("Initialize installed item information fail");
        (void)::PostMessageA(m_dialog, UM_PREPARE_DONE, 0, 0);
        return;
    }
    m_items.BuildPrinterList(false);
    if (::SendMessageA(m_mainWindow, UM_CREATE_WIZARD, static_cast<WPARAM>(m_startDecision),
                       reinterpret_cast<LPARAM>(m_dialog)) == 0)
    {
        m_log.Write("Init Wizard fail!!");
        (void)::PostMessageA(m_dialog, UM_PREPARE_DONE, 0, 0);
        return;
    }
    m_log.Write("Call Pre-Installer : Command ==> %s", m_preinstallCommand.c_str());
    (void)m_env.GetExternalFnt().Preinstall(m_preinstallCommand.c_str(), m_dialog);
    (void)::PostMessageA(m_dialog, UM_PREPARE_DONE, 1, 0);
}
