#pragma once
// The base of every wizard dialog: a built-in template joined with the dialog's description. It
// has its control factory create the described controls and bind the template's fixed controls
// through FIXED_ keys, keeps the
// description area, paints the background and shapes, posts the Next command once per showing, and
// runs modally for CT_DO_MODAL. Commands are never run here: they go to the wizard's mailbox.

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/ControlFactory.h"
#include "ui/DialogContext.h"
#include "ui/DestDirPanel.h"
#include "ui/DlgConfig.h"
#include "ui/Gdi.h"

constexpr UINT UM_REFRESH_LIST = WM_USER + 1032;             // to child controls: result lists refill

class CSkinDlg
{
public:
    static constexpr int kNextId = 1004;

    using CommandPoster = std::function<void(const ObjectCommand&)>;

    // A window of the wizard's look only (background, initialisation window, message box).
    CSkinDlg(CUiEnv& env, int templateId);
    // A wizard dialog of a kind, with what its context gives it (context.ui must be set).
    CSkinDlg(const DialogContext& context, int templateId);
    virtual ~CSkinDlg();
    CSkinDlg(const CSkinDlg&) = delete;
    CSkinDlg& operator=(const CSkinDlg&) = delete;

    // What the wizard calls, in this order of declaration.
    virtual void OnLeave() {}
    virtual void OnEnter(const std::string& parameter);
    virtual bool PrepareShow() { return true; }
    virtual void Refresh();
    // Creates the window from the template, hidden, with parent as its parent (or owner when modal).
    virtual bool Create(HWND parent);
    virtual bool SetConfig(const std::string& section);
    virtual bool IsCancelBlocked() const { return m_config.IsCancelBlocked(); }
    virtual void InitFixedControls();

    // Runs the dialog modally over owner: 1 for next, back, OK or the Next button, 2 for cancel.
    int DoModal(HWND owner);

    // Places a fixed control of the template by its FIXED_ key (kind: CControlFactory::kKind...).
    bool PlaceFixedControl(const char* key, HWND control, int kind = 0);
    bool ReadFixedCommand(const char* key, ObjectCommand& command) const;
    // The BACK_COLOR of the object section a fixed-control key names; false (colour untouched) when
    // the key or the colour is missing.
    bool FixedBackColour(const char* key, COLORREF& colour) const;
    // Puts a fixed check box or radio button on its section's BACK_COLOR, when the section has one:
    // its text is drawn transparent over a brush of that colour, owned by the dialog. False otherwise.
    bool ApplyFixedBackColour(const char* key, HWND control);
    void PostNext(bool main);
    void Broadcast(UINT message, WPARAM wParam, LPARAM lParam, bool post);
    // Shows or hides the control of the object section name; false when there is none.
    bool ToggleObject(const std::string& name);
    // Focus to the first object with DEFAULT_BUTTON: links, then buttons, then language boxes.
    void FocusDefault();

    void SetCommandPoster(CommandPoster poster) { m_poster = std::move(poster); }
    HWND Window() const { return m_window; }
    CDlgConfig& Config() { return m_config; }
    const CDlgConfig& Config() const { return m_config; }
    const std::string& Section() const { return m_config.GetSection(); }
    const std::string& Caption() const { return m_config.GetCaption(); }
    const DialogContext& Context() const { return m_context; }
    // The destination panel of the dialog's DEST_DIR. object (none or one).
    const std::vector<std::unique_ptr<CDestDirPanel>>& DestinationPanels() const { return m_panels; }

protected:
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // A kind's own handling of a control's notification; true when it took it (the base then does
    // nothing more with it). The template's Next button (control 1004) comes here first.
    virtual bool OnKindCommand(int id, int code, HWND control) { return false; }
    void PostCommand(const ObjectCommand& command);
    // The Next command read from FIXED_NEXT, for kinds that change it for one posting.
    ObjectCommand& NextCommand() { return m_next; }
    // The result lists show the display names of the items selected now (none without items).
    void RefillResultLists();
    // PlaceFixedControl, then the control's own BACK_COLOR when its object section has one.
    bool PlaceColouredControl(const char* key, HWND control, int kind = 0);
    // True while the dialog is shown (a kind acts on Next only then).
    bool IsShown() const { return m_window != nullptr && ::IsWindowVisible(m_window) != FALSE; }
    // True from entering until its Next (or the alternative) has been posted.
    bool IsActive() const { return m_active; }
    CUiEnv& Env() { return m_env; }
    // A stand-alone window (background, initialisation window) rather than a child of the wizard.
    void SetTopLevel(bool topLevel) { m_topLevel = topLevel; }

    HWND m_window = nullptr;
    HWND m_focusControl = nullptr;                            // a kind's own focus control

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    void CreateControls(bool centreAndShow, bool mirror);
    void LayOut(bool centreAndShow, bool mirror);
    BOOL OnEraseBackground(HDC dc);
    INT_PTR OnControlColour(HDC dc, HWND control);
    void OnCommand(int id, int code, HWND control);
    void OnLanguageChosen(HWND combo);
    void OnSetDescription(const char* text);
    HBRUSH BrushFor(COLORREF colour);

    CUiEnv& m_env;
    DialogContext m_context;
    int m_templateId;
    CDlgConfig m_config;
    CControlFactory m_controls;                               // after m_config, which it reads
    CommandPoster m_poster;
    ObjectCommand m_next;
    bool m_modal = false;
    bool m_topLevel = false;
    bool m_active = false;
    HWND m_parent = nullptr;
    HWND m_description = nullptr;
    std::string m_defaultDescription;
    COLORREF m_descriptionBack = RGB(255, 255, 255);
    CBitmapHandle m_backBitmap;
    std::map<COLORREF, CBrushHandle> m_brushes;
    std::map<HWND, COLORREF> m_controlBacks;                  // fixed controls on a colour of their own
    std::vector<std::unique_ptr<CDestDirPanel>> m_panels;     // the DEST_DIR. object's
};

// A NORMAL. dialog: the base behaviour, and result lists refill when it is entered.
class CNormalDlg : public CSkinDlg
{
public:
    explicit CNormalDlg(const DialogContext& context);
    void OnEnter(const std::string& parameter) override;
};
