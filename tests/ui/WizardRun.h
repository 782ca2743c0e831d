#pragma once
// Test support for the wizard walks: Setup.exe started on a test copy of the demo product with the
// pointer away from its windows, driven from outside by WinDriver, and ended when the test is done.

#include <windows.h>

#include <initializer_list>
#include <sstream>
#include <string>

#include "app/AppTestSupport.h"
#include "support/WinDriver.h"
#include "support/WineRun.h"

// The demo's three items, each installed by a program that exists in the test product.
inline const char kDemoItems[] =
    "[ITEM_INFO]\r\nDRIVER_ITEM\r\nMONITOR_ITEM\r\nMANUAL_ITEM\r\n\r\n"
    "[DRIVER_ITEM]\r\nDISPLAY_NAME = @ITEM_DRIVER@\r\nDESCRIPTION = @ITEM_DRIVER_DESC@\r\n"
    "INST_CMD = $SRC_DIR$\\KVres.dll\r\nDEFAULT_INST_TYPE = CHK\r\n\r\n"
    "[MONITOR_ITEM]\r\nDISPLAY_NAME = @ITEM_UTILITY@\r\nDESCRIPTION = @ITEM_UTILITY_DESC@\r\n"
    "INST_CMD = $SRC_DIR$\\KVres.dll\r\nDEFAULT_INST_TYPE = CHK\r\n\r\n"
    "[MANUAL_ITEM]\r\nDISPLAY_NAME = @ITEM_MANUAL@\r\nDESCRIPTION = @ITEM_MANUAL_DESC@\r\n"
    "INST_CMD = $SRC_DIR$\\KVres.dll\r\nDEFAULT_INST_TYPE = CHK\r\nTYPICAL = UNCHK\r\n";

// The listing line of the first visible control or row that has every word.
inline std::string VisibleLineWith(const std::string& listing, std::initializer_list<std::string> words)
{
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);)
    {
        bool all = line.find("visible=0") == std::string::npos;
        for (const std::string& word : words)
        {
            all = all && line.find(word) != std::string::npos;
        }
        if (all)
        {
            return line;
        }
    }
    return std::string();
}

class CWizardRun
{
public:
    // arguments: Setup.exe's command line; itemName: the display name of the product's one item (empty:
    // the product's items are the test's own).
    CWizardRun(AppTest::CTestProduct& product, const std::string& arguments,
               const std::string& itemName = "Wizard test item")
        : m_product(product), m_driver(product.Folder()), m_process(StartAwayFromPointer(arguments, itemName))
    {
    }
    ~CWizardRun()
    {
        if (AppTest::WaitForExit(m_process, 0) == STILL_ACTIVE)
        {
            (void)::TerminateProcess(m_process.Get(), 3);
            (void)::WaitForSingleObject(m_process.Get(), 5000);
        }
    }
    CWizardRun(const CWizardRun&) = delete;
    CWizardRun& operator=(const CWizardRun&) = delete;

    std::string Frame() const { return m_product.InstanceName(); }
    const CWinDriver& Driver() const { return m_driver; }
    // "WinDriver command window [a [b]]"; its exit code.
    int Do(const std::string& command, const std::string& window, const std::string& a = "",
           const std::string& b = "") const
    {
        std::string arguments = CWinDriver::Quote(command) + CWinDriver::Quote(window);
        arguments += a.empty() ? "" : CWinDriver::Quote(a);
        arguments += b.empty() ? "" : CWinDriver::Quote(b);
        return m_driver.Run(arguments);
    }
    bool WaitText(const std::string& text) const { return WaitText(Frame(), text); }
    bool WaitText(const std::string& window, const std::string& text) const
    {
        return Do("waittext", window, text) == 0;
    }
    // WinDriver's listing of the window's controls, one line each.
    std::string Listing(const std::string& window) const
    {
        std::string listing;
        (void)m_driver.Run(CWinDriver::Quote("list") + CWinDriver::Quote(window), &listing);
        return listing;
    }
    // The check state a row of the frame's list shows ("0", "1" ...); empty when there is no such row.
    std::string RowState(const std::string& text) const
    {
        return ListingField(VisibleLineWith(Listing(Frame()), {"row ", "text=\"" + text + "\""}), "state");
    }
    void Picture(const std::string& window, const std::string& name) const
    {
        (void)Do("picture", window, PictureDir() + "\\" + name + ".png");
    }
    DWORD Finish(DWORD timeoutMs = 30000) { return AppTest::WaitForExit(m_process, timeoutMs); }

private:
    // A wizard opening under a resting pointer would take it for the user pointing at a link.
    CHandle StartAwayFromPointer(const std::string& arguments, const std::string& itemName)
    {
        if (!itemName.empty())
        {
            m_product.SetWizardItem(true, itemName);
        }
        (void)m_driver.Run(CWinDriver::Quote("away"));
        return m_product.Start(arguments);
    }

    AppTest::CTestProduct& m_product;
    CWinDriver m_driver;
    CHandle m_process;
};
