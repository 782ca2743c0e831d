// The collection's side of the printer manager: the printer list built from the printer items and the
// driver installer's arguments and port that the printer records give back.
#include "items/Item.h"

#include "base/TextRules.h"
#include "env/InstallEnv.h"
#include "log/Log.h"
#include "printer/MyPrinter.h"

DriverInstallerArguments CItem::PrinterArguments(const ITEM_RECORD& item, int index) const
{
    DriverInstallerArguments arguments;
    if (m_env.GetOptions().autoPrinterCommand && !item.printerName.empty() && m_printers != nullptr)
    {
        (void)m_printers->GetDriverInstallerSwitches(index, item.langAbbr, m_env.GetMdl(), m_env.GetVidPid(),
                                                     &arguments.installSwitches);
        (void)m_printers->GetDriverUninstallerArgument(index, &arguments.uninstallArgument);
    }
    return arguments;
}

bool CItem::PortForItem(int index, std::string& port) const
{
    return m_printers != nullptr && m_printers->GetPortForItem(index, &port);
}

bool CItem::ChangePrinterParameter(int index)
{
    ITEM_RECORD* item = GetItemAt(index);
    DWORD setupType = 0;
    if (item == nullptr || !ReadSetupType(&setupType))
    {
        return false;
    }
    if (setupType == 0 || setupType == 2 || setupType == 6 || item->driverName.empty())
    {
        return true;
    }
    std::string port;
    if (!PortForItem(index, port))
    {
        return true;
    }
    // A driver installer that takes the printer's switches (AUTO_PRINTER_CMD) learns its port from them:
    // they are made again from the printer record as it stands now and go before the item's own
    // parameter, as the item's record holds them (writing the item's parameter alone would drop them,
    // and with them the printer's name, default flag and port). The item's own parameter then changes
    // only where it names a port itself.
    const DriverInstallerArguments arguments = PrinterArguments(*item, index);
    const bool switched = !arguments.installSwitches.empty();
    const std::string own = !switched || AsciiUpper(item->instParam).find("/P") != std::string::npos
                                ? ReplacePortSwitch(item->instParam, port)
                                : item->instParam;
    const std::string recorded = switched ? arguments.installSwitches + " " + own : own;
    m_log.Write("Modify install param of printer[%s] from [%s] to [%s]", item->displayName.c_str(),
                item->instParam.c_str(), recorded.c_str());
    item->instParam = own;
    m_history.WriteInstallParameter(item->sectionName, recorded);
    return true;
}

void CItem::BuildPrinterList(bool byCheckState)
{
    if (m_printers == nullptr)
    {
        return;
    }
    m_printers->ClearList();
    int position = 0;
    for (int index = 0; index < GetCount(); ++index)
    {
        const ITEM_RECORD& item = *m_items[static_cast<size_t>(index)];
        if (item.driverName.empty() || (byCheckState && !IsSelectingCheckState(item.checkState)))
        {
            continue;
        }
        PRINTER_RECORD record;
        record.driverName = item.driverName;
        record.printerName = item.printerName;
        record.shareName = item.shareName;
        record.infPath = item.destInfPath;
        record.portName = m_env.GetPort();
        record.defaultPrinter = item.defaultPrinter;
        record.sharePrinter = item.sharePrinter;
        record.portValid = m_env.IsDeviceFound();
        record.itemIndex = index;
        record.position = position++;
        (void)m_printers->AddRecord(record);
    }
}

