#pragma once
// The dialogs where a person makes one choice before the items are chosen: the licence agreement
// (LICENSE.: the licence text, accept or do not accept, Next only while accepted) and the choice of up
// to five options (SELECT_TYPE.: each option leads Next to its own target).

#include <windows.h>

#include <string>

#include "ui/SkinDlg.h"

class CLicenseDlg : public CSkinDlg
{
public:
    explicit CLicenseDlg(const DialogContext& context);
    void InitFixedControls() override;

    // The licence text box's window class: the rich-edit library's newest the system has, else a
    // plain multi-line edit box (the licence then shows as plain text).
    static const char* TextBoxClass();
    // True when the bytes are rich text: "{\rtf" at the start (any case) and "}" at the end, not
    // counting line ends, blanks and zero bytes after it.
    static bool IsRichText(const std::string& bytes);

protected:
    bool OnKindCommand(int id, int code, HWND control) override;

private:
    void LoadLicenceText(const std::string& objectSection);
    HWND m_text = nullptr;
};

class CSelectTypeDlg : public CSkinDlg
{
public:
    static constexpr int kChoices = 5;

    explicit CSelectTypeDlg(const DialogContext& context);
    void InitFixedControls() override;
    // The option chosen now, 0 to 4.
    int Chosen() const;

protected:
    bool OnKindCommand(int id, int code, HWND control) override;
};
