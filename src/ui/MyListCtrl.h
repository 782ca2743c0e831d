#pragma once
// The item list of a selection dialog: a one-column list view whose rows carry a check state shown
// as a state image (0 unchecked, 1 checked, 2 checked and locked, 3 drawn disabled), a description
// the owner dialog shows when the row is clicked, and a tool-tip. Clicks and the space key change a
// row's state by the list's mode: check boxes toggle, radios choose one row.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/Gdi.h"

class CUiEnv;

struct ImageListTraits
{
    using Type = HIMAGELIST;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { (void)::ImageList_Destroy(h); }
};
using CImageListHandle = CScoped<ImageListTraits>;

class CMyListCtrl
{
public:
    enum State
    {
        kUnchecked = 0,
        kChecked = 1,
        kLocked = 2,
        kDisabled = 3,
    };
    struct Row
    {
        int item = -1;                                        // the item's index in the item list
        std::string text;
        int state = kUnchecked;
        std::string description;
        std::string tooltip;
    };
    // The colour of a state-image bitmap that is left out (transparent).
    static constexpr COLORREF kMaskColour = RGB(255, 0, 255);

    // list: the list view of the owner dialog's template. checkBoxes: check-box mode, else radio mode.
    void Init(CUiEnv& env, HWND owner, HWND list, size_t capacity, bool checkBoxes);
    void Clear();
    int AddRow(int item, const std::string& text, int state);
    void SetRowDescription(int row, const std::string& text);
    void SetRowTooltip(int row, const std::string& text);
    void SetRowState(int row, int state);
    const Row& GetRow(int row) const { return m_rows[static_cast<size_t>(row)]; }
    int RowCount() const { return static_cast<int>(m_rows.size()); }
    // Every row that is neither locked nor disabled, checked or not.
    void CheckAll(bool checked);
    // What a click on the row does (a row of -1: nothing).
    void Toggle(int row);

    // The owner dialog's WM_NOTIFY from the list; true when it was the list's, with the answer in result.
    bool HandleNotify(const NMHDR& header, LRESULT& result);
    HWND Window() const { return m_list; }

private:
    void MakeStateImages(CUiEnv& env);
    int RowAtPointer() const;
    int FocusedRow() const;
    void FitColumn();

    HWND m_owner = nullptr;
    HWND m_list = nullptr;
    bool m_checkBoxes = true;
    bool m_handling = false;                                  // a click arriving while one is handled
    std::vector<Row> m_rows;
    CImageListHandle m_images;
};
