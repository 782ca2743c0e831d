#include "printer/MyPrinter.h"

#include "base/Text.h"
#include "base/TextRules.h"

namespace
{
std::string Cut(const std::string& text)
{
    return text.size() > CMyPrinter::kMaxText ? text.substr(0, CMyPrinter::kMaxText) : text;
}

PRINTER_RECORD Stored(const PRINTER_RECORD& record)
{
    PRINTER_RECORD stored = record;
    stored.driverName = Cut(record.driverName);
    stored.printerName = Cut(record.printerName);
    stored.shareName = Cut(record.shareName);
    stored.infPath = Cut(record.infPath);
    stored.portName = Cut(record.portName);
    return stored;
}

// A switch value stands in double quotation marks directly after the switch letters.
void AppendSwitch(std::string& text, const char* name, const std::string& value)
{
    text += ' ';
    text += name;
    text += '"';
    text += value;
    text += '"';
}
}   // namespace

CMyPrinter::CMyPrinter(CLog& log) : m_log(log)
{
    ClearList();
}

void CMyPrinter::ClearList()
{
    for (PRINTER_RECORD& record : m_records)
    {
        record = PRINTER_RECORD();
    }
    m_count = 0;
}

bool CMyPrinter::AddRecord(const PRINTER_RECORD& record)
{
    if (m_count >= kMaxRecords)
    {
        return false;
    }
    m_records[m_count] = Stored(record);
    m_records[m_count].position = m_count;
    ++m_count;
    return true;
}

PRINTER_RECORD CMyPrinter::GetRecord(int position) const
{
    if (position < 0 || position >= kMaxRecords)
    {
        return PRINTER_RECORD();
    }
    return m_records[position];
}

bool CMyPrinter::PutRecord(const PRINTER_RECORD& record)
{
    if (record.position < 0 || record.position >= kMaxRecords)
    {
        return false;
    }
    m_records[record.position] = Stored(record);
    return true;
}

bool CMyPrinter::MarkInstalled(const std::string& driverName)
{
    for (int i = 0; i < m_count; ++i)
    {
        if (EqualsSystemNoCase(m_records[i].driverName, driverName))
        {
            m_records[i].installed = true;
            return true;
        }
    }
    return false;
}

void CMyPrinter::ClearPortValidFlags()
{
    for (PRINTER_RECORD& record : m_records)
    {
        record.portValid = false;
    }
}

bool CMyPrinter::SetPortOfAllPrinters(const std::string& port, bool valid)
{
    if (port.empty())
    {
        return false;
    }
    m_log.Write("Set all printer port as %s , %d", port.c_str(), valid ? 1 : 0);
    for (PRINTER_RECORD& record : m_records)
    {
        record.portName = Cut(port);
        record.portValid = valid;
    }
    return true;
}

const PRINTER_RECORD* CMyPrinter::FindByItem(int itemIndex) const
{
    if (itemIndex == -1)
    {
        return nullptr;
    }
    for (int i = 0; i < m_count; ++i)
    {
        if (m_records[i].itemIndex == itemIndex)
        {
            return &m_records[i];
        }
    }
    return nullptr;
}

bool CMyPrinter::GetPortForItem(int itemIndex, std::string* port) const
{
    const PRINTER_RECORD* record = FindByItem(itemIndex);
    if (!record)
    {
        return false;
    }
    *port = record->portName;
    return true;
}

bool CMyPrinter::GetDriverInstallerSwitches(int itemIndex, const std::string& languageAbbr, const std::string& mdl,
                                            const std::string& vidPid, std::string* switches) const
{
    const PRINTER_RECORD* record = FindByItem(itemIndex);
    if (!record)
    {
        return false;
    }
    std::string text = "\"" + record->infPath + "\"";
    AppendSwitch(text, "/M", mdl);
    AppendSwitch(text, "/V", vidPid);
    AppendSwitch(text, "/L", languageAbbr);
    AppendSwitch(text, "/N", record->printerName);
    if (record->defaultPrinter)
    {
        text += " /D";
    }
    if (record->sharePrinter)
    {
        AppendSwitch(text, "/S", record->shareName);
    }
    AppendSwitch(text, "/P", record->portValid ? record->portName : std::string("FILE:"));
    *switches = text;
    return true;
}

bool CMyPrinter::GetDriverUninstallerArgument(int itemIndex, std::string* argument) const
{
    const PRINTER_RECORD* record = FindByItem(itemIndex);
    if (!record)
    {
        return false;
    }
    *argument = "\"" + record->infPath + "\" /U";
    return true;
}

bool CMyPrinter::ReplacePort(const std::string& oldPort, const std::string& newPort)
{
    for (int i = 0; i < m_count; ++i)
    {
        if (EqualsSystemNoCase(m_records[i].portName, oldPort))
        {
            m_records[i].portName = Cut(newPort);
            return true;
        }
    }
    return false;
}

std::string CMyPrinter::GetDefaultPrinterName() const
{
    for (int i = 0; i < m_count; ++i)
    {
        if (m_records[i].defaultPrinter)
        {
            return m_records[i].printerName;
        }
    }
    return std::string();
}

std::string CMyPrinter::GetDefaultPrinterCandidate() const
{
    for (int i = 0; i < m_count; ++i)
    {
        if (m_records[i].defaultPrinter)
        {
            return m_records[i].driverName;
        }
    }
    return m_records[0].printerName;
}

int CMyPrinter::GetInstalledPrinterNames(std::vector<std::string>* names) const
{
    std::vector<std::string> found;
    size_t used = 0;
    for (int i = 0; i < m_count; ++i)
    {
        if (!m_records[i].installed)
        {
            continue;
        }
        const std::string& name = m_records[i].printerName;
        if (used + name.size() + 1 > kNameListSize)
        {
            return -1;
        }
        used += name.size() + 1;
        found.push_back(name);
    }
    *names = found;
    return static_cast<int>(found.size());
}
