// The firewall service the network printer search stops while it runs, on the systems that have one.
#include "printer/NetPrinterList.h"

#include "env/Platform.h"

std::string CNetPrinterList::FirewallService() const
{
    if (m_context.osCode == OS_WINXP)
    {
        return "SharedAccess";
    }
    return m_context.osCode == OS_VISTA ? "mpssvc" : std::string();
}

bool CNetPrinterList::StopFirewall()
{
    const std::string service = FirewallService();
    DWORD state = 0;
    if (!m_context.stopFirewall || service.empty() || m_calls.queryService(service.c_str(), &state) != ERROR_SUCCESS ||
        state != SERVICE_RUNNING)
    {
        return false;
    }
    return m_calls.stopService(service.c_str(), &state) == ERROR_SUCCESS;
}

void CNetPrinterList::RestoreFirewall()
{
    const std::string service = FirewallService();
    DWORD state = 0;
    if (!service.empty())
    {
        (void)m_calls.startService(service.c_str(), &state);
    }
}
