#pragma once
// The install dialogs: they start the install run when they are entered, show each item's start and
// result as the run's worker thread reports them, start the system update when every item is done,
// and go on when it has finished. INSTALL. (basic) shows the items in a fixed number of text slots
// with an icon each; INSTALL1. (full) lists the results, moves a progress bar by itself between them
// and ends with the list of failed items when SHOW_INST_ERROR is on. Cancel is blocked while they show.

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "items/InstallWorker.h"
#include "ui/InstallImages.h"
#include "ui/SkinDlg.h"
#include "ui/SmoothProgress.h"

class CInstallRun;

class CInstallProgressDlg : public CSkinDlg
{
public:
    CInstallProgressDlg(const DialogContext& context, int templateId, InstallProgressVariant variant);
    ~CInstallProgressDlg() override;

    bool IsCancelBlocked() const override { return true; }
    void OnEnter(const std::string& parameter) override;
    void InitFixedControls() override;

    // The setup type the run was entered with (1 install, 2 uninstall, 3 reinstall).
    DWORD SetupType() const { return m_setupType; }
    bool IsRunning() const { return m_running; }
    // Ends the worker threads within a bound, answering their messages meanwhile; a thread still
    // running at the bound keeps its worker (and run) alive for good.
    void StopRun();

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // What the dialog shows; the item state itself changes in the worker's handler afterwards.
    virtual void ShowRunStart() {}
    virtual void ShowStatus(WPARAM status, int index) = 0;
    virtual void OnTimer(UINT_PTR timer) = 0;
    virtual void OnSystemUpdateDone() = 0;
    std::string DisplayName(int index) const;
    // The person's view goes on to the next dialog.
    void Finish();

    std::string m_installing;
    std::string m_completed;
    std::string m_failed;
    std::string m_systemUpdate;

private:
    InstallProgressVariant m_variant;
    std::unique_ptr<CInstallRun> m_run;
    std::unique_ptr<CInstallWorker> m_worker;
    DWORD m_setupType = 1;
    bool m_running = false;
};

// INSTALL.: NUM_OF_CONTENT slots placed by CONTENT_RECT_%d, each a text with a 32-pixel icon at its left.
class CInstallDlg : public CInstallProgressDlg
{
public:
    explicit CInstallDlg(const DialogContext& context);
    ~CInstallDlg() override;
    void InitFixedControls() override;
    void OnEnter(const std::string& parameter) override;

    struct Slot
    {
        HWND text = nullptr;
        HWND icon = nullptr;
        std::string name;
        int item = -1;
        int state = 0;                                        // 2 once a result was shown
        int image = InstallImages::kPending;                  // the picture the icon shows
    };
    const std::vector<Slot>& Slots() const { return m_slots; }
    // The slot being worked on (past the last slot when the items outnumber them).
    int CurrentSlot() const { return m_current; }
    // The picture a slot's icon shows now (InstallImages numbering).
    int SlotImage(int slot) const;

protected:
    void ShowRunStart() override;
    void ShowStatus(WPARAM status, int index) override;
    void OnTimer(UINT_PTR timer) override;
    void OnSystemUpdateDone() override;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void DestroySlots();
    void FillSlots();
    void SetSlot(int slot, const std::string& text, int image);
    void SetSlotImage(int slot, int image);

    std::vector<Slot> m_slots;
    std::vector<HICON> m_icons;                               // one per picture, 32 × 32
    HBRUSH m_contentBrush = nullptr;
    COLORREF m_contentColour = 0;
    bool m_hasContentColour = false;
    int m_current = 0;
    int m_frame = 0;
};

// INSTALL1.: the state text, the result list (control 1064) and the progress bar.
class CInstall1Dlg : public CInstallProgressDlg
{
public:
    explicit CInstall1Dlg(const DialogContext& context);
    ~CInstall1Dlg() override;
    void InitFixedControls() override;
    void OnEnter(const std::string& parameter) override;

    const CSmoothProgress& Progress() const { return m_progress; }
    // Where the bar stands, 0 to CSmoothProgress::kEnd.
    int BarPosition() const;
    // The row being animated; -1 for none.
    int AnimatedRow() const { return m_animated; }

protected:
    void ShowStatus(WPARAM status, int index) override;
    void OnTimer(UINT_PTR timer) override;
    void OnSystemUpdateDone() override;

private:
    int AddRow(const std::string& text, int image);
    void SetRow(int row, const std::string& text, int image);
    void SetBarPosition(int position);
    void ShowErrorsAndGoOn();

    std::string m_errorText;
    CSmoothProgress m_progress;
    HIMAGELIST m_images = nullptr;
    int m_animated = -1;
    int m_frame = 0;
    int m_position = 0;
};
