#include "ui/Gdi.h"

#include "base/APIFunction.h"
#include "ui/UiResources.h"

namespace
{
using GradientFillFn = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);
using TrackMouseEventFn = BOOL(WINAPI*)(LPTRACKMOUSEEVENT);

// A function of a system library, loading the library when the process has not (it then stays loaded
// for the life of the process); null when the library or the function is missing.
FARPROC SystemEntry(const char* library, const char* name)
{
    HMODULE module = ::GetModuleHandleA(library);
    if (module == nullptr)
    {
        module = LoadSystemLibrary(library);
    }
    return module != nullptr ? ::GetProcAddress(module, name) : nullptr;
}

template <typename Fn>
Fn SystemFunction(const char* library, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(SystemEntry(library, name)));
}
}  // namespace

namespace Gdi
{
CBitmapHandle LoadNamedBitmap(HMODULE library, const std::string& name)
{
    if (name.empty())
    {
        return CBitmapHandle();
    }
    for (HMODULE module : {library, ::GetModuleHandleA(nullptr)})
    {
        if (module == nullptr)
        {
            continue;
        }
        HANDLE image = ::LoadImageA(module, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
        if (image != nullptr)
        {
            return CBitmapHandle(static_cast<HBITMAP>(image));
        }
    }
    return CBitmapHandle();
}

SIZE BitmapSize(HBITMAP bitmap)
{
    BITMAP info = {};
    SIZE size = {0, 0};
    if (bitmap != nullptr && ::GetObjectA(bitmap, sizeof(info), &info) != 0)
    {
        size.cx = info.bmWidth;
        size.cy = info.bmHeight;
    }
    return size;
}

void DrawStretched(HDC dc, HBITMAP bitmap, const RECT& target)
{
    CMemoryDc source(::CreateCompatibleDC(dc));
    if (!source.IsValid())
    {
        return;
    }
    CSelectGuard select(source.Get(), bitmap);
    const SIZE size = BitmapSize(bitmap);
    const int oldMode = ::SetStretchBltMode(dc, HALFTONE);
    (void)::SetBrushOrgEx(dc, 0, 0, nullptr);
    (void)::StretchBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top,
                       source.Get(), 0, 0, size.cx, size.cy, SRCCOPY);
    (void)::SetStretchBltMode(dc, oldMode);
}

void DrawCopied(HDC dc, HBITMAP bitmap, int x, int y, int width, int height)
{
    CMemoryDc source(::CreateCompatibleDC(dc));
    if (!source.IsValid())
    {
        return;
    }
    CSelectGuard select(source.Get(), bitmap);
    (void)::BitBlt(dc, x, y, width, height, source.Get(), 0, 0, SRCCOPY);
}

// The classic sequence every Windows has: a monochrome mask from the transparent colour, the mask
// ANDed onto the background, the image with the transparent pixels blackened ORed on top.
void DrawTransparent(HDC dc, HBITMAP bitmap, const RECT& target, COLORREF transparent)
{
    const SIZE size = BitmapSize(bitmap);
    const int width = target.right - target.left;
    const int height = target.bottom - target.top;
    if (size.cx <= 0 || size.cy <= 0 || width <= 0 || height <= 0)
    {
        return;
    }
    CMemoryDc image(::CreateCompatibleDC(dc));
    CMemoryDc mask(::CreateCompatibleDC(dc));
    CMemoryDc work(::CreateCompatibleDC(dc));
    CBitmapHandle maskBitmap(::CreateBitmap(size.cx, size.cy, 1, 1, nullptr));
    CBitmapHandle workBitmap(::CreateCompatibleBitmap(dc, size.cx, size.cy));
    if (!image.IsValid() || !mask.IsValid() || !work.IsValid() || !maskBitmap.IsValid() || !workBitmap.IsValid())
    {
        return;
    }
    CSelectGuard selectImage(image.Get(), bitmap);
    CSelectGuard selectMask(mask.Get(), maskBitmap.Get());
    CSelectGuard selectWork(work.Get(), workBitmap.Get());
    (void)::SetBkColor(image.Get(), transparent);
    (void)::BitBlt(mask.Get(), 0, 0, size.cx, size.cy, image.Get(), 0, 0, SRCCOPY);   // 1 where transparent
    (void)::BitBlt(work.Get(), 0, 0, size.cx, size.cy, image.Get(), 0, 0, SRCCOPY);
    (void)::SetBkColor(work.Get(), RGB(0, 0, 0));
    (void)::SetTextColor(work.Get(), RGB(255, 255, 255));
    (void)::BitBlt(work.Get(), 0, 0, size.cx, size.cy, mask.Get(), 0, 0, SRCAND);     // transparent -> black
    (void)::SetBkColor(dc, RGB(255, 255, 255));
    (void)::SetTextColor(dc, RGB(0, 0, 0));
    const int oldMode = ::SetStretchBltMode(dc, COLORONCOLOR);
    (void)::StretchBlt(dc, target.left, target.top, width, height, mask.Get(), 0, 0, size.cx, size.cy, SRCAND);
    (void)::StretchBlt(dc, target.left, target.top, width, height, work.Get(), 0, 0, size.cx, size.cy, SRCPAINT);
    (void)::SetStretchBltMode(dc, oldMode);
}

void FillVertical(HDC dc, const RECT& rect, COLORREF top, COLORREF bottom, const char* gradientEntry)
{
    // msimg32 and its gradient fill arrived with Windows 98 and 2000; Windows 95 and NT 4 get the
    // bottom colour alone.
    const auto gradientFill = SystemFunction<GradientFillFn>("msimg32.dll", gradientEntry);
    if (gradientFill != nullptr)
    {
        TRIVERTEX vertices[2] = {};
        vertices[0].x = rect.left;
        vertices[0].y = rect.top;
        vertices[0].Red = static_cast<COLOR16>(GetRValue(top) << 8);
        vertices[0].Green = static_cast<COLOR16>(GetGValue(top) << 8);
        vertices[0].Blue = static_cast<COLOR16>(GetBValue(top) << 8);
        vertices[1].x = rect.right;
        vertices[1].y = rect.bottom;
        vertices[1].Red = static_cast<COLOR16>(GetRValue(bottom) << 8);
        vertices[1].Green = static_cast<COLOR16>(GetGValue(bottom) << 8);
        vertices[1].Blue = static_cast<COLOR16>(GetBValue(bottom) << 8);
        GRADIENT_RECT gradient = {0, 1};
        if (gradientFill(dc, vertices, 2, &gradient, 1, GRADIENT_FILL_RECT_V))
        {
            return;
        }
    }
    CBrushHandle brush(::CreateSolidBrush(bottom));
    (void)::FillRect(dc, &rect, brush.Get());
}

bool TrackHoverAndLeave(HWND window, DWORD hoverTimeMs, const char* userEntry, const char* commonControlsEntry)
{
    // TrackMouseEvent is in user32 from Windows 98 and NT 4; Windows 95 has it in comctl32 only.
    auto track = SystemFunction<TrackMouseEventFn>("user32.dll", userEntry);
    if (track == nullptr)
    {
        track = SystemFunction<TrackMouseEventFn>("comctl32.dll", commonControlsEntry);
    }
    if (track == nullptr)
    {
        return false;
    }
    TRACKMOUSEEVENT request = {};
    request.cbSize = sizeof(request);
    request.dwFlags = TME_HOVER | TME_LEAVE;
    request.hwndTrack = window;
    request.dwHoverTime = hoverTimeMs;
    return track(&request) != FALSE;
}

HCURSOR HandCursor(const char* systemCursor)
{
    HCURSOR hand = ::LoadCursorA(nullptr, systemCursor);
    if (hand == nullptr)
    {
        hand = ::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_HAND_CURSOR));
    }
    return hand != nullptr ? hand : ::LoadCursorA(nullptr, IDC_ARROW);
}

HFONT DialogFont()
{
    return static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

void UseDialogFont(HWND window)
{
    for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
    {
        (void)::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
    }
}

SIZE MeasureText(HWND window, HFONT font, const std::string& text)
{
    SIZE size = {0, 0};
    CWindowDc dc(window);
    if (dc.Dc() == nullptr)
    {
        return size;
    }
    CSelectGuard select(dc.Dc(), font != nullptr ? font : DialogFont());
    RECT rect = {0, 0, 0, 0};
    (void)::DrawTextA(dc.Dc(), text.c_str(), static_cast<int>(text.size()), &rect, DT_CALCRECT | DT_NOPREFIX);
    size.cx = rect.right - rect.left;
    size.cy = rect.bottom - rect.top;
    return size;
}
}  // namespace Gdi
