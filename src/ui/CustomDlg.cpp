#include "ui/CustomDlg.h"

#include "base/WaitCursor.h"
#include "items/Item.h"
#include "items/ItemRecord.h"
#include "log/Log.h"
#include "ui/UiResources.h"

CCustomDlg::CCustomDlg(const DialogContext& context) : CSkinDlg(context, IDD_CUSTOM) {}

void CCustomDlg::InitFixedControls()
{
    CSkinDlg::InitFixedControls();
    (void)PlaceFixedControl("ITEM_LIST", ::GetDlgItem(m_window, IDC_ITEM_LIST), CControlFactory::kKindList);
    (void)PlaceFixedControl("FIXED_NEXT", ::GetDlgItem(m_window, IDC_NEXT));
    (void)PlaceColouredControl("FIXED_CHECKBOX_ALL", ::GetDlgItem(m_window, IDC_CHECK_ALL));
    (void)PlaceColouredControl("FIXED_CHANGE_PARAM", ::GetDlgItem(m_window, IDC_CHANGE_PARAM));
    m_warning = Config().OwnText("STR_WARNING");
    m_confirm = Config().OwnText("STR_CONFIRM");
    m_filter = ItemFilterFromText(Config().OwnText("ITEM_TYPE"));
}

bool CCustomDlg::PrepareShow()
{
    CItem* items = Context().items;
    m_list.Init(Env(), m_window, ::GetDlgItem(m_window, IDC_ITEM_LIST),
                items != nullptr ? static_cast<size_t>(items->GetCount()) : 0, true);
    if (items == nullptr)
    {
        Env().Log().Write("[%s] has no items to list", Section().c_str());
        return true;
    }
    for (const ItemListRow& entry : items->FillSelectionList(m_filter))
    {
        const int row = m_list.AddRow(entry.index, entry.name, entry.state);
        m_list.SetRowDescription(row, entry.description);
        m_list.SetRowTooltip(row, entry.tooltip);
    }
    return true;
}

void CCustomDlg::OnEnter(const std::string& parameter)
{
    CSkinDlg::OnEnter(parameter);
    if (Context().items != nullptr)
    {
        Context().items->StartNewSelection();
    }
    m_committed = false;
}

void CCustomDlg::OnLeave()
{
    Broadcast(WM_USER_DLG_END, m_committed ? 0 : 1, 0, false);
}

INT_PTR CCustomDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY && lParam != 0)
    {
        LRESULT result = 0;
        if (m_list.HandleNotify(*reinterpret_cast<const NMHDR*>(lParam), result))
        {
            ::SetWindowLongPtrA(m_window, DWLP_MSGRESULT, result);
            return TRUE;
        }
    }
    return CSkinDlg::HandleMessage(message, wParam, lParam);
}

bool CCustomDlg::OnKindCommand(int id, int code, HWND control)
{
    if (code != BN_CLICKED)
    {
        return false;
    }
    if (id == IDC_CHECK_ALL)
    {
        m_list.CheckAll(::SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED);
        return true;
    }
    if (id == IDC_NEXT)
    {
        OnNext();
        return true;
    }
    return false;
}

// Commits the rows to the items and goes on; the warning or a No to the confirmation stays.
void CCustomDlg::OnNext()
{
    CWaitCursor wait;
    if (!IsShown())
    {
        return;
    }
    CItem* items = Context().items;
    if (items == nullptr)
    {
        PostNext(true);
        m_committed = true;
        return;
    }
    std::vector<ItemListRow> rows;
    rows.reserve(static_cast<size_t>(m_list.RowCount()));
    for (int index = 0; index < m_list.RowCount(); ++index)
    {
        const CMyListCtrl::Row& shown = m_list.GetRow(index);
        ItemListRow row;
        row.index = shown.item;
        row.name = shown.text;
        row.state = shown.state;
        rows.push_back(row);
    }
    SelectionCommit commit;
    commit.owner = m_window;
    commit.warningText = m_warning;
    commit.confirmText = m_confirm;
    commit.changeParameter = ::IsDlgButtonChecked(m_window, IDC_CHANGE_PARAM) == BST_CHECKED;
    bool printerChosen = false;
    if (!items->CommitSelection(rows, commit, &printerChosen))
    {
        return;
    }
    PostNext(printerChosen);
    m_committed = true;
}
