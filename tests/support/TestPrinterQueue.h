#pragma once
// Test support: a printer driver and printer queues that use it, made as a driver installer makes them
// (driver files staged in the driver directory, AddPrinterDriverEx, AddPrinter) and removed again at
// the end. The spooler does not check the driver's files. Queue names carry the process id, so runs
// that share a prefix do not meet. A renamed queue cannot be opened by its new name under Wine: its
// handle from AddPrinter is kept to delete it.

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

inline std::string TestQueueName(const std::string& what)
{
    return "KvTest " + what + " " + std::to_string(::GetCurrentProcessId());
}

class CTestPrinterQueues
{
public:
    explicit CTestPrinterQueues(const std::string& driverName) : m_driver(driverName)
    {
        char dir[MAX_PATH + 1] = {};
        DWORD needed = 0;
        if (::GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), MAX_PATH, &needed))
        {
            for (const char* file : {"kvtestdrv.dll", "kvtestdrv.ppd", "kvtestui.dll"})
            {
                HANDLE h = ::CreateFileA((std::string(dir) + "\\" + file).c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
                if (h != INVALID_HANDLE_VALUE)
                {
                    ::CloseHandle(h);
                }
            }
        }
        DRIVER_INFO_3A info = {};
        info.cVersion = 3;
        info.pName = &m_driver[0];
        info.pDriverPath = const_cast<char*>("kvtestdrv.dll");
        info.pDataFile = const_cast<char*>("kvtestdrv.ppd");
        info.pConfigFile = const_cast<char*>("kvtestui.dll");
        m_added = ::AddPrinterDriverExA(nullptr, 3, reinterpret_cast<BYTE*>(&info), APD_COPY_NEW_FILES) != FALSE;
    }
    ~CTestPrinterQueues()
    {
        for (HANDLE printer : m_printers)
        {
            ::DeletePrinter(printer);
            ::ClosePrinter(printer);
        }
        if (m_added)
        {
            ::DeletePrinterDriverA(nullptr, nullptr, &m_driver[0]);
        }
    }
    CTestPrinterQueues(const CTestPrinterQueues&) = delete;
    CTestPrinterQueues& operator=(const CTestPrinterQueues&) = delete;

    bool IsAdded() const { return m_added; }
    const std::string& Driver() const { return m_driver; }

    // A queue of this driver on the port; false (error in GetLastError) when the spooler refuses it.
    bool Add(std::string name, std::string port = "FILE:")
    {
        PRINTER_INFO_2A info = {};
        info.pPrinterName = &name[0];
        info.pPortName = &port[0];
        info.pDriverName = &m_driver[0];
        info.pPrintProcessor = const_cast<char*>("WinPrint");
        info.pDatatype = const_cast<char*>("RAW");
        HANDLE printer = ::AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
        if (printer == nullptr)
        {
            return false;
        }
        m_printers.push_back(printer);
        return true;
    }

private:
    std::string m_driver;
    bool m_added = false;
    std::vector<HANDLE> m_printers;
};

// What the spooler shows of a queue, found by enumeration (a renamed queue cannot be opened by name).
struct TestQueueState
{
    bool found = false;
    std::string name;
    std::string port;
    std::string share;
    DWORD attributes = 0;
};

inline TestQueueState FindTestQueue(const std::string& name)
{
    TestQueueState state;
    DWORD needed = 0;
    DWORD count = 0;
    ::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1);
    if (!::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &count))
    {
        return state;
    }
    const PRINTER_INFO_2A* infos = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
    {
        if (infos[i].pPrinterName && ::lstrcmpiA(infos[i].pPrinterName, name.c_str()) == 0)
        {
            state.found = true;
            state.name = infos[i].pPrinterName;
            state.port = infos[i].pPortName ? infos[i].pPortName : "";
            state.share = infos[i].pShareName ? infos[i].pShareName : "";
            state.attributes = infos[i].Attributes;
        }
    }
    return state;
}
