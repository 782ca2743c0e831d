#include "ui/MyListCtrl.h"

#include "base/Messages.h"
#include "ui/UiEnv.h"

namespace
{
const int kImageSize = 16;
const int kImageCount = 4;
}  // namespace

void CMyListCtrl::Init(CUiEnv& env, HWND owner, HWND list, size_t capacity, bool checkBoxes)
{
    m_owner = owner;
    m_list = list;
    m_checkBoxes = checkBoxes;
    Clear();
    m_rows.reserve(capacity);
    if (m_list == nullptr)
    {
        return;
    }
    if (::SendMessageA(m_list, LVM_GETCOLUMNWIDTH, 0, 0) == 0)
    {
        LVCOLUMNA column = {};
        column.mask = LVCF_WIDTH | LVCF_FMT;
        column.fmt = LVCFMT_LEFT;
        RECT client = {};
        (void)::GetClientRect(m_list, &client);
        column.cx = client.right > 40 ? client.right - 20 : 20;
        (void)::SendMessageA(m_list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    }
    // Tool-tips per row where the common controls have them (nothing happens where they do not).
    (void)::SendMessageA(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_INFOTIP, LVS_EX_INFOTIP);
    MakeStateImages(env);
}

// The state images from the resource library's strip (CHECK_BMP, CHECK_BMP_R right to left,
// RADIO_BMP); where the strip cannot be loaded the system's own check boxes or radios are drawn into
// one, so that a row's state always shows.
void CMyListCtrl::MakeStateImages(CUiEnv& env)
{
    m_images.Reset(::ImageList_Create(kImageSize, kImageSize, ILC_COLOR24 | ILC_MASK, kImageCount, 0));
    if (!m_images.IsValid())
    {
        return;
    }
    const char* name = !m_checkBoxes ? "RADIO_BMP" : env.RightAlign() ? "CHECK_BMP_R" : "CHECK_BMP";
    CBitmapHandle strip = Gdi::LoadNamedBitmap(env.ResourceLibrary(), name);
    if (!strip.IsValid())
    {
        CMemoryDc dc(::CreateCompatibleDC(nullptr));
        HDC screen = ::GetDC(nullptr);
        strip.Reset(::CreateCompatibleBitmap(screen, kImageSize * kImageCount, kImageSize));
        (void)::ReleaseDC(nullptr, screen);
        if (!strip.IsValid())
        {
            return;
        }
        CSelectGuard select(dc.Get(), strip.Get());
        RECT all = {0, 0, kImageSize * kImageCount, kImageSize};
        CBrushHandle mask(::CreateSolidBrush(kMaskColour));
        (void)::FillRect(dc.Get(), &all, mask.Get());
        const UINT kind = m_checkBoxes ? DFCS_BUTTONCHECK : DFCS_BUTTONRADIO;
        const UINT looks[kImageCount] = {0, DFCS_CHECKED, DFCS_CHECKED | DFCS_INACTIVE, DFCS_INACTIVE};
        for (int image = 0; image < kImageCount; ++image)
        {
            RECT box = {image * kImageSize + 1, 1, image * kImageSize + kImageSize - 2, kImageSize - 2};
            (void)::DrawFrameControl(dc.Get(), &box, DFC_BUTTON, kind | looks[image] | DFCS_FLAT);
        }
    }
    (void)::ImageList_AddMasked(m_images.Get(), strip.Get(), kMaskColour);
    // State image n + 1 shows state n (state image 0 is "none").
    (void)::SendMessageA(m_list, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(m_images.Get()));
}

void CMyListCtrl::Clear()
{
    m_rows.clear();
    if (m_list != nullptr)
    {
        (void)::SendMessageA(m_list, LVM_DELETEALLITEMS, 0, 0);
    }
}

int CMyListCtrl::AddRow(int item, const std::string& text, int state)
{
    Row row;
    row.item = item;
    row.text = text;
    row.state = state < kUnchecked || state > kDisabled ? kUnchecked : state;
    m_rows.push_back(row);
    const int index = static_cast<int>(m_rows.size()) - 1;
    if (m_list != nullptr)
    {
        LVITEMA entry = {};
        entry.mask = LVIF_TEXT | LVIF_STATE | LVIF_PARAM;
        entry.iItem = index;
        entry.pszText = const_cast<char*>(m_rows.back().text.c_str());
        entry.stateMask = LVIS_STATEIMAGEMASK;
        entry.state = INDEXTOSTATEIMAGEMASK(row.state + 1);
        entry.lParam = index;
        (void)::SendMessageA(m_list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&entry));
        FitColumn();
    }
    return index;
}

// The column as wide as the list (less room for a scroll bar), or as its widest text.
void CMyListCtrl::FitColumn()
{
    RECT client = {};
    (void)::GetClientRect(m_list, &client);
    const int least = client.right > 40 ? client.right - 20 : 20;
    (void)::SendMessageA(m_list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(LVSCW_AUTOSIZE, 0));
    if (::SendMessageA(m_list, LVM_GETCOLUMNWIDTH, 0, 0) < least)
    {
        (void)::SendMessageA(m_list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(least, 0));
    }
}

void CMyListCtrl::SetRowDescription(int row, const std::string& text)
{
    if (row >= 0 && row < RowCount())
    {
        m_rows[static_cast<size_t>(row)].description = text;
    }
}

void CMyListCtrl::SetRowTooltip(int row, const std::string& text)
{
    if (row >= 0 && row < RowCount())
    {
        m_rows[static_cast<size_t>(row)].tooltip = text;
    }
}

void CMyListCtrl::SetRowState(int row, int state)
{
    if (row < 0 || row >= RowCount())
    {
        return;
    }
    m_rows[static_cast<size_t>(row)].state = state;
    if (m_list != nullptr)
    {
        LVITEMA entry = {};
        entry.stateMask = LVIS_STATEIMAGEMASK;
        entry.state = INDEXTOSTATEIMAGEMASK(state + 1);
        (void)::SendMessageA(m_list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&entry));
        (void)::SendMessageA(m_list, LVM_REDRAWITEMS, static_cast<WPARAM>(row), static_cast<LPARAM>(row));
    }
}

void CMyListCtrl::CheckAll(bool checked)
{
    for (int row = 0; row < RowCount(); ++row)
    {
        const int state = m_rows[static_cast<size_t>(row)].state;
        if (state != kLocked && state != kDisabled)
        {
            SetRowState(row, checked ? kChecked : kUnchecked);
        }
    }
}

void CMyListCtrl::Toggle(int row)
{
    if (row < 0 || row >= RowCount() || m_handling)
    {
        return;
    }
    m_handling = true;
    const Row& current = m_rows[static_cast<size_t>(row)];
    if (current.state == kUnchecked)
    {
        if (!m_checkBoxes)
        {
            for (int other = 0; other < RowCount(); ++other)
            {
                if (m_rows[static_cast<size_t>(other)].state == kChecked)
                {
                    SetRowState(other, kUnchecked);
                }
            }
        }
        SetRowState(row, kChecked);
    }
    else if (current.state == kChecked && m_checkBoxes)
    {
        SetRowState(row, kUnchecked);
    }
    if (current.state == kChecked && m_list != nullptr)
    {
        LVITEMA selected = {};
        selected.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        selected.state = LVIS_SELECTED | LVIS_FOCUSED;
        (void)::SendMessageA(m_list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&selected));
    }
    if (!current.description.empty() && m_owner != nullptr)
    {
        (void)::SendMessageA(m_owner, UM_SET_DESC, 0, reinterpret_cast<LPARAM>(current.description.c_str()));
    }
    m_handling = false;
}

int CMyListCtrl::RowAtPointer() const
{
    const DWORD at = ::GetMessagePos();
    LVHITTESTINFO hit = {};
    hit.pt.x = static_cast<short>(LOWORD(at));
    hit.pt.y = static_cast<short>(HIWORD(at));
    (void)::ScreenToClient(m_list, &hit.pt);
    const LRESULT row = ::SendMessageA(m_list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    return (hit.flags & LVHT_ONITEM) != 0 ? static_cast<int>(row) : -1;
}

int CMyListCtrl::FocusedRow() const
{
    return static_cast<int>(::SendMessageA(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

bool CMyListCtrl::HandleNotify(const NMHDR& header, LRESULT& result)
{
    if (m_list == nullptr || header.hwndFrom != m_list)
    {
        return false;
    }
    result = 0;
    switch (header.code)
    {
    case NM_CLICK:
    case NM_DBLCLK:
        Toggle(RowAtPointer());
        return true;
    case LVN_KEYDOWN:
        if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_SPACE)
        {
            Toggle(FocusedRow());
        }
        return true;
    case NM_CUSTOMDRAW:
    {
        auto& draw = const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header));
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT)
        {
            result = CDRF_NOTIFYITEMDRAW;
        }
        else if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT)
        {
            const int row = static_cast<int>(draw.nmcd.dwItemSpec);
            if (row >= 0 && row < RowCount() && m_rows[static_cast<size_t>(row)].state >= kLocked)
            {
                draw.clrText = ::GetSysColor(COLOR_GRAYTEXT);    // locked and disabled rows
            }
            result = CDRF_DODEFAULT;
        }
        return true;
    }
    case LVN_GETINFOTIPA:
    {
        auto& tip = const_cast<NMLVGETINFOTIPA&>(reinterpret_cast<const NMLVGETINFOTIPA&>(header));
        if (tip.iItem >= 0 && tip.iItem < RowCount() && tip.pszText != nullptr && tip.cchTextMax > 0)
        {
            (void)lstrcpynA(tip.pszText, m_rows[static_cast<size_t>(tip.iItem)].tooltip.c_str(), tip.cchTextMax);
        }
        return true;
    }
    default:
        return false;
    }
}
