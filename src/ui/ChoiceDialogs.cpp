#include "ui/ChoiceDialogs.h"

#include <richedit.h>

#include <cstdlib>

#include "base/APIFunction.h"
#include "base/TextRules.h"
#include "log/Log.h"
#include "profile/ConfigProfile.h"
#include "profile/ProfilePlatform.h"
#include "ui/UiResources.h"

namespace
{
// The text of a value of the dialog section (else its base section) as a number; fallback when absent.
int ReadNumber(const CDlgConfig& config, const char* key, int fallback)
{
    std::string text;
    if (!config.ReadOwnString(key, text) || Trim(text).empty())
    {
        return fallback;
    }
    return std::atoi(Trim(text).c_str());
}

// Hands the licence bytes to the rich edit box piece by piece.
struct StreamSource
{
    const std::string* bytes;
    size_t offset;
};

DWORD CALLBACK ReadLicenceBytes(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given)
{
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    const size_t left = source->bytes->size() - source->offset;
    const size_t count = left < static_cast<size_t>(wanted) ? left : static_cast<size_t>(wanted);
    if (count > 0)
    {
        source->bytes->copy(reinterpret_cast<char*>(buffer), count, source->offset);
    }
    source->offset += count;
    *given = static_cast<LONG>(count);
    return 0;
}

}  // namespace

// The licence dialog.

CLicenseDlg::CLicenseDlg(const DialogContext& context) : CSkinDlg(context, IDD_LICENSE) {}

const char* CLicenseDlg::TextBoxClass()
{
    const char* rich = CRichEditLibrary::RegisteredClassName();
    return *rich != '\0' ? rich : "EDIT";
}

bool CLicenseDlg::IsRichText(const std::string& bytes)
{
    size_t end = bytes.find_last_not_of(std::string(" \t\r\n\x1a", 5) + '\0');
    return end != std::string::npos && bytes[end] == '}' && bytes.size() >= 5 &&
           StartsWithAsciiNoCase(bytes, "{\\rtf");
}

void CLicenseDlg::InitFixedControls()
{
    CSkinDlg::InitFixedControls();
    if (m_text == nullptr)
    {
        m_text = ::CreateWindowExA(WS_EX_CLIENTEDGE, TextBoxClass(), "",
                                   WS_CHILD | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                                   10, 10, 300, 120, m_window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LICENSE_TEXT)),
                                   ::GetModuleHandleA(nullptr), nullptr);
        if (m_text != nullptr)
        {
            (void)::SendMessageA(m_text, WM_SETFONT, reinterpret_cast<WPARAM>(Gdi::DialogFont()), FALSE);
            // First in the tab order: a keyboard user reads the licence before choosing.
            (void)::SetWindowPos(m_text, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
    if (PlaceFixedControl("FIXED_RICHEDIT_LICENSE", m_text))
    {
        std::string objectSection;
        (void)Config().ReadOwnString("FIXED_RICHEDIT_LICENSE", objectSection);
        LoadLicenceText(objectSection);
    }
    HWND next = ::GetDlgItem(m_window, IDC_NEXT);
    HWND accept = ::GetDlgItem(m_window, IDC_LICENSE_ACCEPT);
    HWND decline = ::GetDlgItem(m_window, IDC_LICENSE_DECLINE);
    (void)PlaceFixedControl("FIXED_NEXT", next);
    const bool acceptPlaced = PlaceColouredControl("FIXED_RADIO_0", accept);
    const bool declinePlaced = PlaceColouredControl("FIXED_RADIO_1", decline);
    const int initial = ReadNumber(Config(), "FIXED_RADIO_INIT", 1);
    (void)::CheckRadioButton(m_window, IDC_LICENSE_ACCEPT, IDC_LICENSE_DECLINE,
                             initial == 0 ? IDC_LICENSE_ACCEPT : IDC_LICENSE_DECLINE);
    if (acceptPlaced && declinePlaced && initial == 1)
    {
        (void)::EnableWindow(next, FALSE);
    }
    // The choice to make has the focus; the licence box is one Shift+Tab away.
    if (acceptPlaced || declinePlaced)
    {
        m_focusControl = initial == 0 || !declinePlaced ? accept : decline;
    }
}

void CLicenseDlg::LoadLicenceText(const std::string& objectSection)
{
    CLog& log = Env().Log();
    std::string name;
    (void)Env().Config().GetString(objectSection.c_str(), "TEXT_FILE", name);
    if (Trim(name).empty())
    {
        log.Write("License File name is empty !!");
        return;
    }
    const std::string path = Env().ResolveExistingFile(name);
    std::string bytes;
    if (path.empty() || ReadWholeFile(path.c_str(), bytes) != ERROR_SUCCESS)
    {
        log.Write("Couldn't open the License File : [%s]", path.empty() ? name.c_str() : path.c_str());
        return;
    }
    log.Write("License File : [%s]", path.c_str());
    const bool rich = IsRichText(bytes);
    log.Write(rich ? "License File Format is RTF !!" : "License File Format is not RTF !!");
    if (std::string(TextBoxClass()) == "EDIT")
    {
        // No rich-edit library: the text as it stands.
        (void)::SetWindowTextA(m_text, WithCrLf(bytes).c_str());
        return;
    }
    StreamSource source = {&bytes, 0};
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = ReadLicenceBytes;
    (void)::SendMessageA(m_text, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(bytes.size() + 1024));
    (void)::SendMessageA(m_text, EM_STREAMIN, rich ? SF_RTF : SF_TEXT, reinterpret_cast<LPARAM>(&stream));
    if (stream.dwError != 0)
    {
        log.Write("LicenseDlg : GPF Error!!!");
    }
}

bool CLicenseDlg::OnKindCommand(int id, int code, HWND /*control*/)
{
    if (code != BN_CLICKED || (id != IDC_LICENSE_ACCEPT && id != IDC_LICENSE_DECLINE))
    {
        return false;
    }
    (void)::EnableWindow(::GetDlgItem(m_window, IDC_NEXT), id == IDC_LICENSE_ACCEPT ? TRUE : FALSE);
    return true;
}

// The choice dialog.

CSelectTypeDlg::CSelectTypeDlg(const DialogContext& context) : CSkinDlg(context, IDD_SELECT_TYPE) {}

void CSelectTypeDlg::InitFixedControls()
{
    CSkinDlg::InitFixedControls();
    // Each option takes the Next command's parameter of its number: the fourth and fifth too.
    std::string objectSection;
    if (Config().ReadOwnString("FIXED_NEXT", objectSection) && !objectSection.empty())
    {
        (void)Env().Config().GetString(objectSection.c_str(), "CMD_PARAM4", NextCommand().param[3]);
        (void)Env().Config().GetString(objectSection.c_str(), "CMD_PARAM5", NextCommand().param[4]);
    }
    (void)PlaceFixedControl("FIXED_NEXT", ::GetDlgItem(m_window, IDC_NEXT));
    for (int choice = 0; choice < kChoices; ++choice)
    {
        const std::string key = "FIXED_RADIO_" + std::to_string(choice);
        (void)PlaceColouredControl(key.c_str(), ::GetDlgItem(m_window, IDC_TYPE_RADIO_0 + choice));
    }
    int initial = ReadNumber(Config(), "FIXED_RADIO_INIT", 0);
    initial = initial < 0 || initial >= kChoices ? 0 : initial;
    (void)::CheckRadioButton(m_window, IDC_TYPE_RADIO_0, IDC_TYPE_RADIO_4, IDC_TYPE_RADIO_0 + initial);
}

int CSelectTypeDlg::Chosen() const
{
    for (int choice = 0; choice < kChoices; ++choice)
    {
        if (::IsDlgButtonChecked(m_window, IDC_TYPE_RADIO_0 + choice) == BST_CHECKED)
        {
            return choice;
        }
    }
    return 0;
}

bool CSelectTypeDlg::OnKindCommand(int id, int code, HWND /*control*/)
{
    if (id != IDC_NEXT || code != BN_CLICKED)
    {
        return false;
    }
    if (!IsShown())
    {
        return true;
    }
    // The chosen option's parameter leads, for this posting only.
    ObjectCommand& next = NextCommand();
    const std::string first = next.param[0];
    const int chosen = Chosen();
    next.param[0] = next.param[chosen];
    PostNext(true);
    next.param[0] = first;
    return true;
}
