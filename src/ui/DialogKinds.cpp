#include "ui/DialogKinds.h"

#include "base/TextRules.h"
#include "log/Log.h"
#include "ui/ChoiceDialogs.h"
#include "ui/CopyFileDlg.h"
#include "ui/CustomDlg.h"
#include "ui/DeviceConnectDlg.h"
#include "ui/FinishDlg.h"
#include "ui/InstallDlg.h"

namespace
{
// A kind whose own dialog is not built yet is made as a NORMAL. dialog; the kinds that show an
// installation under way or its end block the close box whatever their description says.
class CBlockingDlg : public CNormalDlg
{
public:
    using CNormalDlg::CNormalDlg;
    bool IsCancelBlocked() const override { return true; }
};

using Maker = std::unique_ptr<CSkinDlg> (*)(const DialogContext& context);

template <class Dialog>
std::unique_ptr<CSkinDlg> Make(const DialogContext& context)
{
    return std::make_unique<Dialog>(context);
}

// The kinds by the text their section name contains, in the order they are tested: the first text
// the name contains decides the kind, and with it whether the kind blocks cancel.
struct DialogKind
{
    const char* text;
    Maker make;                                               // null: not built yet
    bool blocksCancel;
};
const DialogKind kDialogKinds[] = {
    {"NORMAL.", Make<CNormalDlg>, false},
    {"DEVICE_CONNECT.", Make<CDeviceConnnectDlg>, false},
    {"CUSTOM.", Make<CCustomDlg>, false},
    {"COPYFILE.", Make<CCopyFileDlg>, true},
    {"INSTALL.", Make<CInstallDlg>, true},
    {"INSTALL1.", Make<CInstall1Dlg>, true},
    {"TEST_PAGE.", Make<CTestPageDlg>, true},
    {"FINISH.", Make<CFinishDlg>, true},
    {"SELECT_NET_PRINTER.", nullptr, false},
    {"SEARCH_AVI.", nullptr, false},
    {"SELECT_NET_PRINTER1.", nullptr, false},
    {"ADD_TCPIP_PORT.", nullptr, false},
    {"SET_IP.", nullptr, false},
    {"SET_PRINTER.", nullptr, false},
    {"SET_PRINTER1.", nullptr, false},
    {"SELECT_TYPE.", Make<CSelectTypeDlg>, false},
    {"LICENSE.", Make<CLicenseDlg>, false},
};
}  // namespace

std::unique_ptr<CSkinDlg> MakeDialogOfKind(const DialogContext& context, const std::string& section)
{
    const std::string upper = AsciiUpper(section);
    for (const DialogKind& kind : kDialogKinds)
    {
        if (upper.find(kind.text) == std::string::npos)
        {
            continue;
        }
        if (kind.make != nullptr)
        {
            return kind.make(context);
        }
        context.ui->Log().Write("[%s] is a %s dialog, a kind this build shows as a NORMAL. dialog", section.c_str(),
                                kind.text);
        if (kind.blocksCancel)
        {
            return std::make_unique<CBlockingDlg>(context);
        }
        return std::make_unique<CNormalDlg>(context);
    }
    context.ui->Log().Write("%s Section is invalid dialog section", section.c_str());
    return nullptr;
}
