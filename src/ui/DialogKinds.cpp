#include "ui/DialogKinds.h"

#include "base/TextRules.h"
#include "log/Log.h"

namespace
{
// The kinds by the text their section name contains, in the order they are tested.
struct DialogKind
{
    const char* text;
    bool built;
};
const DialogKind kDialogKinds[] = {
    {"NORMAL.", true},         {"DEVICE_CONNECT.", false},     {"CUSTOM.", false},
    {"COPYFILE.", false},      {"INSTALL.", false},            {"INSTALL1.", false},
    {"TEST_PAGE.", false},     {"FINISH.", false},             {"SELECT_NET_PRINTER.", false},
    {"SEARCH_AVI.", false},    {"SELECT_NET_PRINTER1.", false}, {"ADD_TCPIP_PORT.", false},
    {"SET_IP.", false},        {"SET_PRINTER.", false},        {"SET_PRINTER1.", false},
    {"SELECT_TYPE.", false},   {"LICENSE.", false},
};

// The kinds that block the close box whatever their description says.
bool KindBlocksCancel(const std::string& upperSection)
{
    for (const char* text : {"INSTALL.", "INSTALL1.", "TEST_PAGE.", "FINISH."})
    {
        if (upperSection.find(text) != std::string::npos)
        {
            return true;
        }
    }
    return false;
}

class CBlockingDlg : public CNormalDlg
{
public:
    using CNormalDlg::CNormalDlg;
    bool IsCancelBlocked() const override { return true; }
};
}  // namespace

std::unique_ptr<CSkinDlg> MakeDialogOfKind(CUiEnv& env, const std::string& section)
{
    const std::string upper = AsciiUpper(section);
    for (const DialogKind& kind : kDialogKinds)
    {
        if (upper.find(kind.text) == std::string::npos)
        {
            continue;
        }
        if (!kind.built)
        {
            env.Log().Write("[%s] is a %s dialog, a kind this build shows as a NORMAL. dialog", section.c_str(),
                            kind.text);
        }
        if (KindBlocksCancel(upper))
        {
            return std::make_unique<CBlockingDlg>(env);
        }
        return std::make_unique<CNormalDlg>(env);
    }
    env.Log().Write("%s Section is invalid dialog section", section.c_str());
    return nullptr;
}
