#pragma once
// The controls the installer draws itself: the link (CMyLink), the drawn push button and the bitmap
// picture. Each is a window of a class of its own with its object record; a click never runs a
// command itself but hands the object's command to the host, which posts it to the wizard.

#include <windows.h>

#include <functional>
#include <string>

#include "ui/DlgConfig.h"
#include "ui/Gdi.h"

// What a drawn control needs from the dialog it lives in.
struct ControlHost
{
    HWND dialog = nullptr;                                    // owner: description area, background
    CUiEnv* env = nullptr;
    std::function<void(const ObjectCommand&)> postCommand;    // into the mailbox, UM_EXEC_COMMAND
};

class CDrawnControl
{
public:
    virtual ~CDrawnControl();
    CDrawnControl(const CDrawnControl&) = delete;
    CDrawnControl& operator=(const CDrawnControl&) = delete;

    HWND Window() const { return m_window; }
    const ObjectRecord& Object() const { return m_object; }

    // Paints the part of the dialog's background that lies under child into dc.
    static void PaintParentBackground(HWND child, HDC dc);

protected:
    CDrawnControl(const ControlHost& host, const ObjectRecord& object) : m_host(host), m_object(object) {}
    bool CreateControl(const char* className, int id, DWORD style);
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Makes the tool-tip of the object's TOOLTIP text, wrapped at 0.7 of the dialog's width.
    void AddToolTip();
    HFONT TextFont() const;
    // The pointer's coming and going, through the system's hover and leave tracking or, where the system
    // has none, a timer watching the pointer: OnPointerEnter and OnPointerLeave, for the controls that
    // track it. True when the message was one of them.
    bool HandlePointer(UINT message, WPARAM wParam);
    virtual bool TracksPointer() const { return false; }
    virtual void OnPointerEnter();
    virtual void OnPointerLeave();
    // The keyboard of a control a user can press: a tab stop of the dialog that asks the dialog manager
    // for Enter (and the characters of Enter and Space) only, so that Tab and Shift+Tab still move the
    // focus and Enter elsewhere still goes to the dialog's default button. Enter presses on key-down,
    // Space on key-up after a key-down, as the system's buttons do; BM_CLICK presses too. True when the
    // message was one of them, with its answer in result.
    bool HandleKeyboard(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The keyboard (above) and the face of a control that can be pressed: WM_PAINT through Paint, and
    // WM_PRINTCLIENT into the caller's context. True when the message was one of them.
    bool HandlePressable(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The pointer's button down on the control, and let go: true when the release completes a press.
    void OnPointerPress();
    bool OnPointerRelease(LPARAM lParam);
    // The face into dc; nothing for controls that paint their own way.
    virtual void Paint(HDC dc) {}
    // What pressing the control does (the keyboard and BM_CLICK); nothing for controls that cannot be
    // pressed.
    virtual void Press() {}
    // The dotted focus mark inside the rectangle while the control has the keyboard focus.
    void DrawFocusMark(HDC dc, RECT rect) const;

    ControlHost m_host;
    ObjectRecord m_object;
    HWND m_window = nullptr;
    CWindowHandle m_toolTip;
    CFontHandle m_font;                                       // the object's FONT, or the bold dialog font
    bool m_hover = false;
    bool m_pressed = false;
    bool m_tracking = false;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static void RegisterClasses();
};

class CMyLink : public CDrawnControl
{
public:
    static constexpr COLORREF kHighlight = 0x0000FF;
    static constexpr COLORREF kNormal = 0xFF0000;

    CMyLink(const ControlHost& host, const ObjectRecord& object);
    bool Create(int id);
    bool IsUnsupported() const { return m_unsupported; }
    bool IsHovered() const { return m_hover; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool TracksPointer() const override { return !m_unsupported; }
    void OnPointerEnter() override;
    void OnPointerLeave() override;
    void Paint(HDC dc) override;
    void Press() override;

    COLORREF m_colours[3];                                    // highlight, normal, unsupported
    std::string m_onBitmap = "IDB_ON_BUTTON";
    std::string m_offBitmap = "IDB_OFF_BUTTON";
    std::string m_clickedBitmap = "IDB_CLICKED_BUTTON";
    COLORREF m_transColour;
    bool m_unsupported = false;
};

class CDrawnButton : public CDrawnControl
{
public:
    CDrawnButton(const ControlHost& host, const ObjectRecord& object) : CDrawnControl(host, object) {}
    bool Create(int id);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool TracksPointer() const override { return true; }
    void Paint(HDC dc) override;
    void Press() override { Click(); }
    void Click();
};

class CBitmapPicture : public CDrawnControl
{
public:
    CBitmapPicture(const ControlHost& host, const ObjectRecord& object) : CDrawnControl(host, object) {}
    // False (control left unsized and hidden) when the bitmap cannot be loaded.
    bool Create(int id);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
    CBitmapHandle m_bitmap;
};

// True when the running system's name is in the object's UNSUPPORTED_OS text.
bool IsUnsupportedOs(const std::string& unsupportedOs, const std::string& osDefine);
