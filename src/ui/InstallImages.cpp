#include "ui/InstallImages.h"

#include "ui/Gdi.h"

namespace
{
const COLORREF kMask = RGB(255, 0, 255);

void FillEllipse(HDC dc, int left, int top, int right, int bottom, COLORREF colour)
{
    CBrushHandle brush(::CreateSolidBrush(colour));
    HGDIOBJ oldBrush = ::SelectObject(dc, brush.Get());
    HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(NULL_PEN));
    (void)::Ellipse(dc, left, top, right + 1, bottom + 1);
    (void)::SelectObject(dc, oldPen);
    (void)::SelectObject(dc, oldBrush);
}

void Line(HDC dc, const POINT* points, int count, int width, COLORREF colour)
{
    HPEN pen = ::CreatePen(PS_SOLID, width, colour);
    HGDIOBJ oldPen = ::SelectObject(dc, pen);
    (void)::Polyline(dc, points, count);
    (void)::SelectObject(dc, oldPen);
    (void)::DeleteObject(pen);
}

// Five dots on a ring; the dot `lit` is dark blue, the others light grey.
void DrawBusy(HDC dc, int x, int size, int lit)
{
    // The dots' places on the ring, in hundredths of the picture: top, then clockwise.
    static const int kPlaces[InstallImages::kBusyFrames][2] = {{50, 14}, {84, 39}, {71, 79}, {29, 79}, {16, 39}};
    const int radius = size / 8 > 1 ? size / 8 : 1;
    for (int dot = 0; dot < InstallImages::kBusyFrames; ++dot)
    {
        const int cx = x + kPlaces[dot][0] * size / 100;
        const int cy = kPlaces[dot][1] * size / 100;
        FillEllipse(dc, cx - radius, cy - radius, cx + radius, cy + radius,
                    dot == lit ? RGB(20, 70, 160) : RGB(190, 195, 205));
    }
}
}  // namespace

HIMAGELIST InstallImages::Make(int size)
{
    HIMAGELIST list = ::ImageList_Create(size, size, ILC_COLORDDB | ILC_MASK, kCount, 0);
    if (list == nullptr)
    {
        return nullptr;
    }
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP strip = ::CreateCompatibleBitmap(screen, size * kCount, size);
    (void)::ReleaseDC(nullptr, screen);
    if (dc == nullptr || strip == nullptr)
    {
        if (dc != nullptr)
        {
            (void)::DeleteDC(dc);
        }
        if (strip != nullptr)
        {
            (void)::DeleteObject(strip);
        }
        (void)::ImageList_Destroy(list);
        return nullptr;
    }
    HGDIOBJ oldBitmap = ::SelectObject(dc, strip);
    RECT all = {0, 0, size * kCount, size};
    CBrushHandle mask(::CreateSolidBrush(kMask));
    (void)::FillRect(dc, &all, mask.Get());
    for (int frame = 0; frame < kBusyFrames; ++frame)
    {
        DrawBusy(dc, frame * size, size, frame);
    }
    const int pen = size / 8 > 1 ? size / 8 : 2;
    int x = kSuccess * size;
    const POINT tick[] = {{x + size * 2 / 10, size / 2}, {x + size * 42 / 100, size * 74 / 100},
                          {x + size * 82 / 100, size * 24 / 100}};
    Line(dc, tick, 3, pen, RGB(20, 140, 40));
    x = kFailure * size;
    const POINT down[] = {{x + size / 4, size / 4}, {x + size * 3 / 4, size * 3 / 4}};
    const POINT up[] = {{x + size / 4, size * 3 / 4}, {x + size * 3 / 4, size / 4}};
    Line(dc, down, 2, pen, RGB(200, 30, 30));
    Line(dc, up, 2, pen, RGB(200, 30, 30));
    x = kPending * size;
    const int ring = size / 4;
    FillEllipse(dc, x + ring, ring, x + size - ring, size - ring, RGB(160, 160, 160));
    FillEllipse(dc, x + ring + pen / 2 + 1, ring + pen / 2 + 1, x + size - ring - pen / 2 - 1,
                size - ring - pen / 2 - 1, kMask);
    (void)::SelectObject(dc, oldBitmap);
    (void)::DeleteDC(dc);
    (void)::ImageList_AddMasked(list, strip, kMask);
    (void)::DeleteObject(strip);
    return list;
}
