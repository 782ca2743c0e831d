#pragma once
// The item selection dialog (CUSTOM.): the items that apply to this run in a check-box list, the
// check-all and change-parameter boxes, the description of the clicked item, and Next, which commits
// the selection to the items (warning when nothing is chosen, asking when the dialog has a
// confirmation) and goes on by whether a printer driver was chosen.

#include <windows.h>

#include <string>

#include "ui/MyListCtrl.h"
#include "ui/SkinDlg.h"

// To every child window of a selection dialog that is left: wParam 1 when the selection was not
// committed during this showing (the person went back), 0 when it was.
constexpr UINT WM_USER_DLG_END = WM_USER + 1033;

class CCustomDlg : public CSkinDlg
{
public:
    explicit CCustomDlg(const DialogContext& context);

    void OnLeave() override;
    void OnEnter(const std::string& parameter) override;
    bool PrepareShow() override;
    void InitFixedControls() override;

    CMyListCtrl& List() { return m_list; }
    bool IsCommitted() const { return m_committed; }

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnKindCommand(int id, int code, HWND control) override;

private:
    void OnNext();

    CMyListCtrl m_list;
    std::string m_warning;
    std::string m_confirm;
    int m_filter = 0;
    bool m_committed = false;
};
