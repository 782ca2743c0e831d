#include "ui/CopyFileDlg.h"

#include <commctrl.h>

#include "base/Messages.h"
#include "base/PathText.h"
#include "base/TextRules.h"
#include "base/UserMessage.h"
#include "command/CopyFile.h"
#include "env/FileSystem.h"
#include "env/InstallEnv.h"
#include "items/Item.h"
#include "log/Log.h"
#include "log/WorkerStop.h"
#include "ui/UiResources.h"
#include "ui/Wizard.h"

namespace
{
const DWORD kAskPollMs = 500;
const DWORD kStopBoundMs = 30000;
const UINT kResumeExit = 0x36;
const int kBarSteps = 1000;                                // Resume / Exit with the warning icon
// The copy records of a run and its folders, and the tables of the stack of the copy.
const SIZE_T kCopyStack = 256 * 1024;

// The folders of path's directory chain that do not exist yet, the outermost first.
std::vector<std::string> MissingFolders(const std::string& path)
{
    std::vector<std::string> missing;
    std::string folder = PathText::DirectoryPart(path, IsSystemLeadByte);
    while (!folder.empty() && !SystemCheck::PathExists(folder))
    {
        missing.insert(missing.begin(), folder);
        const std::string parent = PathText::DirectoryPart(folder, IsSystemLeadByte);
        if (parent == folder)
        {
            break;
        }
        folder = parent;
    }
    return missing;
}
}  // namespace

CCopyFileDlg::CCopyFileDlg(const DialogContext& context) : CSkinDlg(context, IDD_COPYFILE) {}

CCopyFileDlg::~CCopyFileDlg()
{
    StopCopy();
}

// A copy still running at the bound keeps running: the dialog's window is gone by then, and the
// thread's sends to it fail without harm, but the object stays for it.
void CCopyFileDlg::StopCopy()
{
    if (!m_thread.IsValid())
    {
        return;
    }
    if (!WorkerStop::StopAndWait(m_thread.Get(), [this] { (void)::InterlockedExchange(&m_stop, 1); }, kStopBoundMs,
                                 Env().Log(), "copy"))
    {
        (void)m_thread.Release();
        return;
    }
    m_thread.Reset();
}

std::string CCopyFileDlg::ShownName(const std::string& destinationDir, const std::string& path)
{
    return destinationDir + "\\...\\" + PathText::NamePart(path, IsSystemLeadByte);
}

void CCopyFileDlg::InitFixedControls()
{
    CSkinDlg::InitFixedControls();
    (void)PlaceFixedControl("COPY_FILE_NAME", ::GetDlgItem(m_window, IDC_COPY_NAME), CControlFactory::kKindText);
    (void)PlaceFixedControl("COPY_FILE_DESC", ::GetDlgItem(m_window, IDC_COPY_DESC), CControlFactory::kKindText);
    (void)::SetDlgItemTextA(m_window, IDC_COPY_NAME, "");
    (void)::SetDlgItemTextA(m_window, IDC_COPY_DESC, "");
    (void)PlaceFixedControl("FIXED_CANCEL", ::GetDlgItem(m_window, IDC_COPY_CANCEL));
    (void)PlaceFixedControl("PROGRESS_BAR", ::GetDlgItem(m_window, IDC_PROGRESS));
    (void)::SendDlgItemMessageA(m_window, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, kBarSteps));
    m_folderFormat = Config().OwnText("STR_FILE_DESC", "%s");
    m_deleteText = Config().OwnText("STR_DELETE_FILE");
}

void CCopyFileDlg::OnEnter(const std::string& parameter)
{
    const DialogContext& context = Context();
    if (context.wizard != nullptr)
    {
        context.wizard->SetCancelBlocked(true);
    }
    DWORD setupType = 0;
    const bool known = context.items != nullptr && context.items->ReadSetupType(&setupType);
    // Only a first install may be taken back: a reinstall or uninstall has nothing of its own to undo.
    (void)::EnableWindow(::GetDlgItem(m_window, IDC_COPY_CANCEL), known && setupType != 1 ? FALSE : TRUE);
    CSkinDlg::OnEnter(parameter);
    if (IsCopying())
    {
        Env().Log().Write("[%s] is entered while its copy still runs", Section().c_str());
        return;
    }
    m_thread.Reset();
    if (context.env == nullptr)
    {
        Env().Log().Write("[%s] has no files to copy", Section().c_str());
        (void)::PostMessageA(m_window, UM_COPY_END, 0, 0);
        return;
    }
    m_listKey = context.env->GetInstallingKey() + "\\CopyFiles";
    m_destinationDir = context.env->GetDestDir();
    m_osClass = context.env->GetOsClass();
    m_keepCopied = context.items != nullptr && context.items->HasUninstallData();
    m_state = kRunning;
    m_stop = 0;
    m_done = 0;
    m_total = 0;
    ShowDone();
    m_thread.Reset(::CreateThread(nullptr, kCopyStack, CopyThread, this, 0, nullptr));
    if (!m_thread.IsValid())
    {
        Env().Log().WriteError(::GetLastError(), "The copy of [%s] cannot be started", Section().c_str());
        (void)::PostMessageA(m_window, UM_COPY_END, 0, 0);
    }
}

DWORD WINAPI CCopyFileDlg::CopyThread(void* parameter)
{
    static_cast<CCopyFileDlg*>(parameter)->RunCopy();
    return 0;
}

// Runs on the copy thread: texts and steps are sent, so the dialog shows each file as it is copied.
void CCopyFileDlg::RunCopy()
{
    const DialogContext& context = Context();
    CCopyFile copier(Env().Log(), m_osClass, context.fileRecorder ? context.fileRecorder() : HistoryRecorder());
    if (!copier.LoadList(m_listKey.c_str()))
    {
        Env().Log().Write("Copy file Initial fail!!");
        (void)::PostMessageA(m_window, UM_COPY_END, 0, 0);
        return;
    }
    const std::vector<CopyFileEntry>& entries = copier.GetEntries();
    const WPARAM count = entries.size();
    (void)::PostMessageA(m_window, UM_PROGRESS_STEP, count, count);
    std::vector<bool> created(entries.size(), false);
    std::vector<std::string> newFolders;
    size_t copied = 0;
    std::string lastFolder;
    for (size_t index = 0; index < entries.size(); ++index)
    {
        while (m_state == kAsking && m_stop == 0)
        {
            ::Sleep(kAskPollMs);
        }
        if (m_state == kCancelled || m_stop != 0)
        {
            break;
        }
        const std::string& destination = entries[index].destination;
        const std::string folder = PathText::DirectoryPart(destination, IsSystemLeadByte);
        if (folder != lastFolder)
        {
            (void)::SendMessageA(m_window, UM_COPY_TEXT, 1, reinterpret_cast<LPARAM>(folder.c_str()));
            lastFolder = folder;
        }
        (void)::SendMessageA(m_window, UM_COPY_TEXT, 0, reinterpret_cast<LPARAM>(destination.c_str()));
        const bool existed = SystemCheck::PathExists(destination);
        for (const std::string& missing : MissingFolders(destination))
        {
            newFolders.push_back(missing);
        }
        (void)copier.CopyEntry(index);
        created[index] = !existed && SystemCheck::PathExists(destination);
        copied = index + 1;
        (void)::SendMessageA(m_window, UM_PROGRESS_STEP, 0, 0);
    }
    if (m_state == kCancelled && m_stop == 0)
    {
        Env().Log().Write("The copy was cancelled after %lu of %lu files", static_cast<unsigned long>(copied),
                          static_cast<unsigned long>(entries.size()));
        for (size_t index = copied; index-- > 0;)
        {
            const std::string& destination = entries[index].destination;
            (void)::SendMessageA(m_window, UM_COPY_TEXT, 0, reinterpret_cast<LPARAM>(destination.c_str()));
            if (!m_keepCopied && created[index])
            {
                (void)copier.DeleteEntryTarget(index);
            }
            (void)::SendMessageA(m_window, UM_PROGRESS_STEP, 0, 0);
        }
        // Only folders this copy made, innermost first; one that is not empty stays.
        for (size_t index = newFolders.size(); !m_keepCopied && index-- > 0;)
        {
            (void)::RemoveDirectoryA(newFolders[index].c_str());
        }
    }
    (void)::PostMessageA(m_window, UM_COPY_END, 0, 0);
}

INT_PTR CCopyFileDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case UM_COPY_TEXT:
    {
        const std::string text = lParam != 0 ? reinterpret_cast<const char*>(lParam) : "";
        if (wParam == 1)
        {
            (void)::SetDlgItemTextA(m_window, IDC_COPY_DESC, FillPlaceholder(m_folderFormat, text).c_str());
        }
        else
        {
            (void)::SetDlgItemTextA(m_window, IDC_COPY_NAME, ShownName(m_destinationDir, text).c_str());
        }
        return TRUE;
    }
    case UM_PROGRESS_STEP:
        if (wParam != 0 && lParam != 0)
        {
            m_total = static_cast<int>(lParam);
            m_done = 0;
        }
        else
        {
            // Once cancelled the bar runs back over what is taken back.
            m_done += m_state == kCancelled ? -1 : 1;
        }
        ShowDone();
        return TRUE;
    case UM_ENABLE_CANCEL:
        (void)::EnableWindow(::GetDlgItem(m_window, IDC_COPY_CANCEL), wParam != 0 ? TRUE : FALSE);
        return TRUE;
    case UM_COPY_END:
        OnCopyEnd();
        return TRUE;
    default:
        return CSkinDlg::HandleMessage(message, wParam, lParam);
    }
}

// The control shows thousandths of the files: every system's progress bar takes that range.
void CCopyFileDlg::ShowDone()
{
    const int done = m_done < 0 ? 0 : (m_done > m_total ? m_total : m_done);
    const int shown = m_total > 0 ? static_cast<int>(static_cast<long long>(done) * kBarSteps / m_total) : 0;
    (void)::SendDlgItemMessageA(m_window, IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(shown), 0);
}

bool CCopyFileDlg::OnKindCommand(int id, int code, HWND /*control*/)
{
    if (id != IDC_COPY_CANCEL || code != BN_CLICKED)
    {
        return false;
    }
    if (IsShown() && m_state == kRunning)
    {
        OnCancel();
    }
    return true;
}

// The copy waits while the question is open.
void CCopyFileDlg::OnCancel()
{
    (void)::InterlockedExchange(&m_state, kAsking);
    const DialogContext& context = Context();
    const std::string question = context.wizard != nullptr ? context.wizard->CancelMessage() : std::string();
    // Owned by the frame, as the wizard's own cancel question is.
    HWND owner = context.wizard != nullptr ? context.wizard->Window() : m_window;
    const bool exit = ShowUserMessage(owner, question, Env().ProgramName(), kResumeExit) == IDCANCEL;
    if (m_endPending)
    {
        // The copy ended while the question was open: the answer still decides.
        m_endPending = false;
        (void)::InterlockedExchange(&m_state, exit ? kCancelled : kRunning);
        OnCopyEnd();
        return;
    }
    if (!exit)
    {
        (void)::InterlockedExchange(&m_state, kRunning);
        return;
    }
    (void)::InterlockedExchange(&m_state, kCancelled);
    (void)::SetDlgItemTextA(m_window, IDC_COPY_DESC, m_deleteText.c_str());
    (void)::EnableWindow(::GetDlgItem(m_window, IDC_COPY_CANCEL), FALSE);
}

void CCopyFileDlg::OnCopyEnd()
{
    if (m_state == kAsking)
    {
        m_endPending = true;
        return;
    }
    if (m_thread.IsValid())
    {
        (void)WorkerStop::StopAndWait(m_thread.Get(), nullptr, kStopBoundMs, Env().Log(), "copy");
    }
    if (m_state != kCancelled)
    {
        PostNext(true);
        return;
    }
    // A cancelled copy ends the installer as the person asked: the run counts as cancelled.
    if (Context().wizard != nullptr)
    {
        Context().wizard->Executor().Terminate(true);
    }
}
