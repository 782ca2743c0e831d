#pragma once
// Owners and guards for the drawing objects of the wizard's windows, the bitmap look-up by name, and
// the drawing calls older systems lack, looked up at run time with the fallback beside each.

#include <windows.h>

#include <string>

#include "base/Scoped.h"

template <typename T>
struct GdiObjectTraits
{
    using Type = T;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DeleteObject(h); }
};
struct MemoryDcTraits
{
    using Type = HDC;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DeleteDC(h); }
};
struct WindowTraits
{
    using Type = HWND;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DestroyWindow(h); }
};
using CBitmapHandle = CScoped<GdiObjectTraits<HBITMAP>>;
using CFontHandle = CScoped<GdiObjectTraits<HFONT>>;
using CBrushHandle = CScoped<GdiObjectTraits<HBRUSH>>;
using CPenHandle = CScoped<GdiObjectTraits<HPEN>>;
using CMemoryDc = CScoped<MemoryDcTraits>;
using CWindowHandle = CScoped<WindowTraits>;

// Selects an object into a device context and puts the old one back when it goes away.
class CSelectGuard
{
public:
    CSelectGuard(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(object != nullptr ? ::SelectObject(dc, object) : nullptr) {}
    ~CSelectGuard()
    {
        if (m_old != nullptr)
        {
            (void)::SelectObject(m_dc, m_old);
        }
    }
    CSelectGuard(const CSelectGuard&) = delete;
    CSelectGuard& operator=(const CSelectGuard&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// BeginPaint and EndPaint.
class CPaintGuard
{
public:
    explicit CPaintGuard(HWND window) : m_window(window), m_dc(::BeginPaint(window, &m_paint)) {}
    ~CPaintGuard() { (void)::EndPaint(m_window, &m_paint); }
    CPaintGuard(const CPaintGuard&) = delete;
    CPaintGuard& operator=(const CPaintGuard&) = delete;
    HDC Dc() const { return m_dc; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint = {};
    HDC m_dc;
};

// A window's device context from GetDC, released with ReleaseDC.
class CWindowDc
{
public:
    explicit CWindowDc(HWND window) : m_window(window), m_dc(::GetDC(window)) {}
    ~CWindowDc()
    {
        if (m_dc != nullptr)
        {
            (void)::ReleaseDC(m_window, m_dc);
        }
    }
    CWindowDc(const CWindowDc&) = delete;
    CWindowDc& operator=(const CWindowDc&) = delete;
    HDC Dc() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

namespace Gdi
{
// A bitmap by resource name: from library first (when given), then from the program itself. Empty
// owner when neither has it or the name is empty.
CBitmapHandle LoadNamedBitmap(HMODULE library, const std::string& name);
SIZE BitmapSize(HBITMAP bitmap);
// Draws the whole bitmap scaled into the rectangle with halftone scaling.
void DrawStretched(HDC dc, HBITMAP bitmap, const RECT& target);
// Copies the bitmap 1:1 to (x, y), cut to width and height.
void DrawCopied(HDC dc, HBITMAP bitmap, int x, int y, int width, int height);
// Draws the bitmap scaled into the rectangle leaving out every pixel of the transparent colour: a
// monochrome mask from that colour, then the and-mask / or-image pair.
void DrawTransparent(HDC dc, HBITMAP bitmap, const RECT& target, COLORREF transparent);
// A vertical gradient from top to bottom colour; the bottom colour alone where the system has no
// gradient fill. The entry name is for tests that try a system without it.
void FillVertical(HDC dc, const RECT& rect, COLORREF top, COLORREF bottom, const char* gradientEntry = "GradientFill");
// Asks for hover and leave notifications; false when the system cannot track the pointer (the caller
// then watches it with a timer). The entry names are for tests that try the older systems.
bool TrackHoverAndLeave(HWND window, DWORD hoverTimeMs, const char* userEntry = "TrackMouseEvent",
                        const char* commonControlsEntry = "_TrackMouseEvent");
// The pointing hand shown over links: the system's (Windows 98 and 2000 brought it) or, where the system
// has none, the program's own; the arrow when neither loads. Not owned. The system cursor's number is
// for tests that try a system without it.
HCURSOR HandCursor(const char* systemCursor = MAKEINTRESOURCEA(32649));
// The default dialog font of the system (not owned).
HFONT DialogFont();
// Every child window of window (a template's controls) writes in DialogFont.
void UseDialogFont(HWND window);
// Text extent of a single or multi-line text in a font.
SIZE MeasureText(HWND window, HFONT font, const std::string& text);
}  // namespace Gdi
