#pragma once
// The copy dialog (COPYFILE.): a thread copies the files recorded for this run while the dialog shows
// each file, its folder and a bar of the files done. Cancel pauses the copy and asks; Exit takes back
// what this run copied, walking the bar back, and ends the installer as cancelled. A cancelled copy
// leaves no file or folder of this run behind, unless installed items of an earlier run still need
// the files: then they stay, recorded for the uninstall. Files that were there before are never
// removed.

#include <windows.h>

#include <string>
#include <vector>

#include "base/Scoped.h"
#include "ui/SkinDlg.h"

constexpr UINT UM_COPY_END = WM_USER + 1023;                  // 0 / 0: the copy thread has finished
constexpr UINT UM_COPY_TEXT = WM_USER + 1024;                 // 1 folder, 0 file / the text
constexpr UINT UM_ENABLE_CANCEL = WM_USER + 1025;             // non-zero enables the cancel button

class CCopyFileDlg : public CSkinDlg
{
public:
    enum CopyState : LONG
    {
        kRunning = 0,
        kAsking = 1,
        kCancelled = 2,
    };

    explicit CCopyFileDlg(const DialogContext& context);
    ~CCopyFileDlg() override;

    bool IsCancelBlocked() const override { return true; }
    void InitFixedControls() override;
    void OnEnter(const std::string& parameter) override;

    CopyState State() const { return static_cast<CopyState>(m_state); }
    int FilesDone() const { return m_done; }
    int FilesTotal() const { return m_total; }
    bool IsCopying() const { return m_thread.IsValid() && ::WaitForSingleObject(m_thread.Get(), 0) == WAIT_TIMEOUT; }
    // The name line's text for a copied file: "<destination>\...\<file name>".
    static std::string ShownName(const std::string& destinationDir, const std::string& path);

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnKindCommand(int id, int code, HWND control) override;

private:
    static DWORD WINAPI CopyThread(void* parameter);
    void RunCopy();
    void OnCancel();
    void OnCopyEnd();
    void StopCopy();
    void ShowDone();

    std::string m_folderFormat;
    std::string m_deleteText;
    std::string m_listKey;
    std::string m_destinationDir;
    int m_osClass = 0;
    bool m_keepCopied = false;
    bool m_endPending = false;
    int m_done = 0;                                           // files copied (or not yet taken back)
    int m_total = 0;                                // the copy ended while the question was open
    CHandle m_thread;
    volatile LONG m_state = kRunning;
    volatile LONG m_stop = 0;
};
