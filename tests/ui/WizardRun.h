#pragma once
// Test support for the wizard walks: Setup.exe started on a test copy of the demo product with the
// pointer away from its windows, driven from outside by WinDriver, and ended when the test is done.

#include <windows.h>

#include <string>

#include "app/AppTestSupport.h"
#include "support/WinDriver.h"
#include "support/WineRun.h"

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
