#include "ui/InstallDlg.h"

#include <cstdlib>

#include "base/Messages.h"
#include "base/TextRules.h"
#include "base/UserMessage.h"
#include "env/InstallEnv.h"
#include "items/InstallRun.h"
#include "items/Item.h"
#include "items/ItemRecord.h"
#include "log/Log.h"
#include "profile/ConfigProfile.h"
#include "ui/InstallImages.h"
#include "ui/UiResources.h"
#include "ui/Wizard.h"

namespace
{
const UINT_PTR kAnimationTimer = 1;
const UINT_PTR kProgressTimer = 2;
const UINT_PTR kEndPauseTimer = 3;
const UINT kAnimationMs = 300;
const UINT kProgressMs = 1000;
const UINT kEndPauseMs = 1000;
const size_t kMaxShownName = 259;
const int kBarSteps = 1000;

}  // namespace

// What both install dialogs share: the run and its worker.

CInstallProgressDlg::CInstallProgressDlg(const DialogContext& context, int templateId, InstallProgressVariant variant)
    : CSkinDlg(context, templateId), m_variant(variant)
{
}

CInstallProgressDlg::~CInstallProgressDlg()
{
    StopRun();
}

void CInstallProgressDlg::StopRun()
{
    if (m_worker && !m_worker->Stop())
    {
        // A helper that never returns keeps its thread; the thread still uses the worker and the run.
        Env().Log().Write("The install run of [%s] is left running", Section().c_str());
        (void)m_worker.release();
        (void)m_run.release();
    }
    m_worker.reset();
    m_run.reset();
    m_running = false;
}

std::string CInstallProgressDlg::DisplayName(int index) const
{
    const CItem* items = Context().items;
    const ITEM_RECORD* item = items != nullptr ? items->GetItemAt(index) : nullptr;
    return item != nullptr ? item->displayName.substr(0, kMaxShownName) : std::string();
}

void CInstallProgressDlg::InitFixedControls()
{
    CSkinDlg::InitFixedControls();
    (void)PlaceFixedControl("FIXED_CANCEL", ::GetDlgItem(m_window, IDC_INSTALL_CANCEL));
    // Nothing cuts an install run short: the button only shows where the configuration puts it.
    (void)::EnableWindow(::GetDlgItem(m_window, IDC_INSTALL_CANCEL), FALSE);
    m_installing = Config().OwnText("STR_INSTALLING", "%s");
    m_completed = Config().OwnText("STR_COMPLETED", "%s");
    m_failed = Config().OwnText("STR_FAIL", "%s");
    m_systemUpdate = Config().OwnText("STR_SYSTEMUPDATE", "STR_SYSTEMUPDATE");
}

void CInstallProgressDlg::OnEnter(const std::string& parameter)
{
    const DialogContext& context = Context();
    if (context.wizard != nullptr)
    {
        context.wizard->SetCancelBlocked(true);
    }
    m_setupType = context.items != nullptr ? context.items->GetSetupType() : 1;
    ShowRunStart();
    if (m_running)
    {
        Env().Log().Write("[%s] is entered while its install run still runs", Section().c_str());
    }
    else if (context.items == nullptr || context.wizard == nullptr || !context.makeInstallRun)
    {
        Env().Log().Write("[%s] has no items to install", Section().c_str());
    }
    else
    {
        StopRun();
        m_run = context.makeInstallRun();
        m_worker = std::make_unique<CInstallWorker>(Env().Log(), *context.env, *context.items, *m_run,
                                                    context.wizard->Executor(), m_variant);
        m_running = m_worker->Start(m_window);
        if (!m_running)
        {
            // Nothing is reported: the dialog stays, as the person sees it, with the close box blocked.
            Env().Log().Write("The install run of [%s] cannot be started", Section().c_str());
        }
    }
    CSkinDlg::OnEnter(parameter);
}

INT_PTR CInstallProgressDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case UM_INSTALL_STATUS:
        ShowStatus(wParam, static_cast<int>(lParam));
        if (m_worker)
        {
            m_worker->OnInstallStatus(wParam, lParam);
        }
        return TRUE;
    case UM_SYSUPDATE_DONE:
        m_running = false;
        OnSystemUpdateDone();
        return TRUE;
    case WM_TIMER:
        OnTimer(static_cast<UINT_PTR>(wParam));
        return TRUE;
    default:
        return CSkinDlg::HandleMessage(message, wParam, lParam);
    }
}

void CInstallProgressDlg::Finish()
{
    if (Context().wizard != nullptr)
    {
        Context().wizard->BringToFront();
    }
    PostNext(true);
}

// The basic dialog.

CInstallDlg::CInstallDlg(const DialogContext& context)
    : CInstallProgressDlg(context, IDD_INSTALL, InstallProgressVariant::kBasic)
{
}

CInstallDlg::~CInstallDlg()
{
    StopRun();
    DestroySlots();
    for (HICON icon : m_icons)
    {
        (void)::DestroyIcon(icon);
    }
}

void CInstallDlg::DestroySlots()
{
    for (Slot& slot : m_slots)
    {
        (void)::DestroyWindow(slot.text);
        (void)::DestroyWindow(slot.icon);
    }
    m_slots.clear();
    if (m_contentBrush != nullptr)
    {
        (void)::DeleteObject(m_contentBrush);
        m_contentBrush = nullptr;
    }
}

void CInstallDlg::InitFixedControls()
{
    CInstallProgressDlg::InitFixedControls();
    if (m_icons.empty())
    {
        HIMAGELIST pictures = InstallImages::Make(32);
        for (int picture = 0; pictures != nullptr && picture < InstallImages::kCount; ++picture)
        {
            m_icons.push_back(::ImageList_GetIcon(pictures, picture, ILD_NORMAL));
        }
        if (pictures != nullptr)
        {
            (void)::ImageList_Destroy(pictures);
        }
    }
    DestroySlots();
    std::string text;
    const int count = Config().ReadOwnString("NUM_OF_CONTENT", text) ? std::atoi(text.c_str()) : 0;
    DWORD colour = 0;
    m_hasContentColour = Env().Config().GetColor(Section().c_str(), "CONTENT_BK_COLOR", &colour);
    if (m_hasContentColour)
    {
        m_contentColour = colour;
        m_contentBrush = ::CreateSolidBrush(colour);
    }
    for (int number = 0; number < count && number < 64; ++number)
    {
        const std::string key = "CONTENT_RECT_" + std::to_string(number);
        RECT rect = {};
        if (!Config().ReadOwnRect(key.c_str(), rect))
        {
            continue;
        }
        Slot slot;
        slot.text = ::CreateWindowExA(WS_EX_TRANSPARENT, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                                      rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, m_window,
                                      nullptr, ::GetModuleHandleA(nullptr), nullptr);
        slot.icon = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_ICON, rect.left - 32, rect.top, 32,
                                      32, m_window, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        (void)::SendMessageA(slot.text, WM_SETFONT, reinterpret_cast<WPARAM>(Gdi::DialogFont()), FALSE);
        m_slots.push_back(slot);
        SetSlot(static_cast<int>(m_slots.size()) - 1, std::string(), InstallImages::kPending);
    }
}

void CInstallDlg::SetSlot(int slot, const std::string& text, int image)
{
    if (slot < 0 || static_cast<size_t>(slot) >= m_slots.size())
    {
        return;
    }
    (void)::SetWindowTextA(m_slots[static_cast<size_t>(slot)].text, text.c_str());
    SetSlotImage(slot, image);
}

void CInstallDlg::SetSlotImage(int slot, int image)
{
    if (slot < 0 || static_cast<size_t>(slot) >= m_slots.size())
    {
        return;
    }
    m_slots[static_cast<size_t>(slot)].image = image;
    if (static_cast<size_t>(image) < m_icons.size())
    {
        (void)::SendMessageA(m_slots[static_cast<size_t>(slot)].icon, STM_SETICON,
                             reinterpret_cast<WPARAM>(m_icons[static_cast<size_t>(image)]), 0);
    }
}

int CInstallDlg::SlotImage(int slot) const
{
    return slot >= 0 && static_cast<size_t>(slot) < m_slots.size() ? m_slots[static_cast<size_t>(slot)].image : -1;
}

// Items beyond the last slot are not shown; their results still count.
void CInstallDlg::FillSlots()
{
    int next = 0;
    const CItem* items = Context().items;
    for (int index = 0; items != nullptr && index < items->GetCount(); ++index)
    {
        if (!items->GetItemAt(index)->selected || static_cast<size_t>(next) >= m_slots.size())
        {
            continue;
        }
        Slot& slot = m_slots[static_cast<size_t>(next)];
        slot.name = DisplayName(index);
        slot.item = index;
        slot.state = 0;
        SetSlot(next, FillPlaceholder(m_installing, slot.name), InstallImages::kPending);
        ++next;
    }
    if (!m_slots.empty())
    {
        const int last = static_cast<int>(m_slots.size()) - 1;
        SetSlot(next <= last ? next : last, m_systemUpdate, InstallImages::kPending);
    }
}

void CInstallDlg::OnEnter(const std::string& parameter)
{
    m_current = 0;
    m_frame = 0;
    CInstallProgressDlg::OnEnter(parameter);
}

void CInstallDlg::ShowRunStart()
{
    FillSlots();
}

void CInstallDlg::ShowStatus(WPARAM status, int /*index*/)
{
    switch (status)
    {
    case CInstallWorker::kStatusStarted:
        m_current = 0;
        m_frame = 0;
        (void)::SetTimer(m_window, kAnimationTimer, kAnimationMs, nullptr);
        break;
    case CInstallWorker::kStatusSucceeded:
    case CInstallWorker::kStatusFailed:
        if (static_cast<size_t>(m_current) < m_slots.size())
        {
            Slot& slot = m_slots[static_cast<size_t>(m_current)];
            const bool succeeded = status == CInstallWorker::kStatusSucceeded;
            SetSlot(m_current, FillPlaceholder(succeeded ? m_completed : m_failed, slot.name),
                    succeeded ? InstallImages::kSuccess : InstallImages::kFailure);
            slot.state = 2;
        }
        ++m_current;
        break;
    default:
        break;
    }
}

void CInstallDlg::OnTimer(UINT_PTR timer)
{
    if (timer != kAnimationTimer)
    {
        return;
    }
    if (static_cast<size_t>(m_current) < m_slots.size())
    {
        SetSlotImage(m_current, m_frame % InstallImages::kBusyFrames);
    }
    ++m_frame;
}

void CInstallDlg::OnSystemUpdateDone()
{
    (void)::EnableWindow(m_window, TRUE);
    (void)::KillTimer(m_window, kAnimationTimer);
    Finish();
}

INT_PTR CInstallDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CTLCOLORSTATIC && m_hasContentColour)
    {
        for (const Slot& slot : m_slots)
        {
            if (reinterpret_cast<HWND>(lParam) == slot.text)
            {
                HDC dc = reinterpret_cast<HDC>(wParam);
                (void)::SetBkColor(dc, m_contentColour);
                return reinterpret_cast<INT_PTR>(m_contentBrush);
            }
        }
    }
    return CInstallProgressDlg::HandleMessage(message, wParam, lParam);
}

// The full dialog.

CInstall1Dlg::CInstall1Dlg(const DialogContext& context)
    : CInstallProgressDlg(context, IDD_INSTALL1, InstallProgressVariant::kFull)
{
}

CInstall1Dlg::~CInstall1Dlg()
{
    StopRun();
    if (m_images != nullptr)
    {
        (void)::ImageList_Destroy(m_images);
    }
}

void CInstall1Dlg::InitFixedControls()
{
    CInstallProgressDlg::InitFixedControls();
    HWND list = ::GetDlgItem(m_window, IDC_RESULT_LIST);
    (void)PlaceFixedControl("FIXED_STATIC_STATE", ::GetDlgItem(m_window, IDC_INSTALL_STATE), CControlFactory::kKindText);
    (void)PlaceFixedControl("FIXED_LIST_RESULT", list, CControlFactory::kKindList);
    (void)PlaceFixedControl("PROGRESS_BAR", ::GetDlgItem(m_window, IDC_PROGRESS));
    m_errorText = Config().OwnText("STR_INST_ERROR", "STR_INST_ERROR");
    if (m_images == nullptr)
    {
        m_images = InstallImages::Make(16);
    }
    (void)::SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_images));
    if (::SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0) == 0)
    {
        RECT client = {};
        (void)::GetClientRect(list, &client);
        LVCOLUMNA column = {};
        column.mask = LVCF_WIDTH;
        column.cx = client.right - ::GetSystemMetrics(SM_CXVSCROLL);
        (void)::SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    }
}

void CInstall1Dlg::OnEnter(const std::string& parameter)
{
    (void)::SendDlgItemMessageA(m_window, IDC_RESULT_LIST, LVM_DELETEALLITEMS, 0, 0);
    (void)::SetDlgItemTextA(m_window, IDC_INSTALL_STATE, "");
    m_animated = -1;
    m_frame = 0;
    int selected = 0;
    const CItem* items = Context().items;
    for (int index = 0; items != nullptr && index < items->GetCount(); ++index)
    {
        selected += items->GetItemAt(index)->selected ? 1 : 0;
    }
    m_progress.Prepare(selected + 1);
    (void)::SendDlgItemMessageA(m_window, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, kBarSteps));
    SetBarPosition(0);
    CInstallProgressDlg::OnEnter(parameter);
    (void)::SetTimer(m_window, kProgressTimer, kProgressMs, nullptr);
    (void)::SetTimer(m_window, kAnimationTimer, kAnimationMs, nullptr);
}

int CInstall1Dlg::AddRow(const std::string& text, int image)
{
    HWND list = ::GetDlgItem(m_window, IDC_RESULT_LIST);
    LVITEMA row = {};
    row.mask = LVIF_TEXT | LVIF_IMAGE;
    row.iItem = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    row.pszText = const_cast<char*>(text.c_str());
    row.iImage = image;
    const int added = static_cast<int>(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row)));
    // Scrolled into view when it is below the list's client area.
    (void)::SendMessageA(list, LVM_ENSUREVISIBLE, added, FALSE);
    return added;
}

void CInstall1Dlg::SetRow(int row, const std::string& text, int image)
{
    if (row < 0)
    {
        return;
    }
    LVITEMA item = {};
    item.mask = LVIF_IMAGE | (text.empty() ? 0 : LVIF_TEXT);
    item.iItem = row;
    item.pszText = const_cast<char*>(text.c_str());
    item.iImage = image;
    (void)::SendDlgItemMessageA(m_window, IDC_RESULT_LIST, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

int CInstall1Dlg::BarPosition() const
{
    return m_position;
}

// The control shows the position in thousandths: every system's progress bar takes that range.
void CInstall1Dlg::SetBarPosition(int position)
{
    m_position = position;
    (void)::SendDlgItemMessageA(m_window, IDC_PROGRESS, PBM_SETPOS,
                                static_cast<WPARAM>(position / (CSmoothProgress::kEnd / kBarSteps)), 0);
}

void CInstall1Dlg::ShowStatus(WPARAM status, int index)
{
    switch (status)
    {
    case CInstallWorker::kStatusStarted:
    {
        const std::string text = FillPlaceholder(m_installing, DisplayName(index));
        (void)::SetDlgItemTextA(m_window, IDC_INSTALL_STATE, text.c_str());
        m_animated = AddRow(text, InstallImages::kPending);
        break;
    }
    case CInstallWorker::kStatusSucceeded:
    case CInstallWorker::kStatusFailed:
    {
        m_progress.BeginPeriod(BarPosition());
        const bool succeeded = status == CInstallWorker::kStatusSucceeded;
        SetRow(m_animated, FillPlaceholder(succeeded ? m_completed : m_failed, DisplayName(index)),
               succeeded ? InstallImages::kSuccess : InstallImages::kFailure);
        m_animated = -1;
        break;
    }
    case CInstallWorker::kStatusDone:
        (void)::SetDlgItemTextA(m_window, IDC_INSTALL_STATE, m_systemUpdate.c_str());
        m_animated = AddRow(m_systemUpdate, InstallImages::kPending);
        break;
    default:
        break;
    }
}

void CInstall1Dlg::OnTimer(UINT_PTR timer)
{
    switch (timer)
    {
    case kAnimationTimer:
        if (m_animated >= 0)
        {
            SetRow(m_animated, std::string(), m_frame % InstallImages::kBusyFrames);
            ++m_frame;
        }
        break;
    case kProgressTimer:
        SetBarPosition(m_progress.Tick(BarPosition()));
        break;
    case kEndPauseTimer:
        (void)::KillTimer(m_window, kEndPauseTimer);
        ShowErrorsAndGoOn();
        break;
    default:
        break;
    }
}

// The bar at its end and the update's row done; the end shows for a second before the dialog goes on.
void CInstall1Dlg::OnSystemUpdateDone()
{
    if (Context().wizard != nullptr)
    {
        Context().wizard->BringToFront();
    }
    SetBarPosition(CSmoothProgress::kEnd);
    SetRow(m_animated, m_systemUpdate, InstallImages::kSuccess);
    m_animated = -1;
    (void)::KillTimer(m_window, kProgressTimer);
    (void)::KillTimer(m_window, kAnimationTimer);
    (void)::SetTimer(m_window, kEndPauseTimer, kEndPauseMs, nullptr);
}

void CInstall1Dlg::ShowErrorsAndGoOn()
{
    const DialogContext& context = Context();
    const int failures = context.items != nullptr ? context.items->GetFailureCount() : 0;
    if (failures > 0 && context.env != nullptr && context.env->GetOptions().showInstallError)
    {
        (void)ShowUserMessage(context.wizard != nullptr ? context.wizard->Window() : m_window,
                              CInstallWorker::FailureMessage(*context.items, m_errorText),
                              context.env->GetProgramName(), MB_OK | MB_ICONWARNING);
    }
    Finish();
}
