#pragma once
// Test support for the wizard walks: Setup.exe started on a test copy of the demo product with the
// pointer away from its windows, driven from outside by WinDriver, and ended when the test is done.

#include <windows.h>

#include <gtest/gtest.h>

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
    // A click as a person gives it: the pointer moved onto the control and its button pressed.
    int RealClick(const std::string& window, const std::string& control) const
    {
        return m_driver.Run("--real " + CWinDriver::Quote("click") + CWinDriver::Quote(window) +
                            CWinDriver::Quote(control));
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

// A started Setup.exe and a person's keyboard.
class CKeyboardRun : public CWizardRun
{
public:
    static constexpr int kMostTabStops = 16;                  // more presses than any demo dialog has stops

    // itemName: as CWizardRun's (empty: the product's items are the test's own).
    explicit CKeyboardRun(AppTest::CTestProduct& product, const std::string& itemName = "Wizard test item")
        : CWizardRun(product, "", itemName)
    {
    }

    // A key pressed and let go with real input; WinDriver's exit code.
    int Key(const std::string& window, const std::string& key) const
    {
        std::string said;
        const int code = Driver().Run("--real " + CWinDriver::Quote("key") + CWinDriver::Quote(window) +
                                          CWinDriver::Quote(key),
                                      &said);
        m_said += said;
        return code;
    }
    // The text of the control holding the keyboard focus in the window; empty when none.
    std::string Focused(const std::string& window) const
    {
        std::istringstream lines(Listing(window));
        for (std::string line; std::getline(lines, line);)
        {
            if (ListingField(line, "focus") == "1")
            {
                return ListingField(line, "text");
            }
        }
        return std::string();
    }
    // The listing line of the control holding the keyboard focus.
    std::string FocusedLine(const std::string& window) const
    {
        std::istringstream lines(Listing(window));
        for (std::string line; std::getline(lines, line);)
        {
            if (ListingField(line, "focus") == "1")
            {
                return line;
            }
        }
        return std::string();
    }
    // Tab (or Shift+Tab) until the control showing text (or of id "#N") has the focus, within more presses than the
    // dialog has tab stops; the texts focused on the way are kept for the failure message.
    bool TabTo(const std::string& window, const std::string& text, bool backwards)
    {
        m_path.clear();
        for (int press = 0; press < kMostTabStops; ++press)
        {
            if (Key(window, backwards ? "shifttab" : "tab") != 0)
            {
                return false;
            }
            const std::string line = FocusedLine(window);
            const std::string now = ListingField(line, "text");
            m_path += "\"" + now + "\" ";
            if (text[0] == '#' ? ListingField(line, "id") == text.substr(1) : now == text)
            {
                return true;
            }
        }
        return false;
    }
    std::string Path() const { return m_path + m_said; }

private:
    std::string m_path;
    mutable std::string m_said;
};

// The end of the run's log, for a failure message.
inline std::string WalkLogTail(const AppTest::CTestProduct& product)
{
    std::vector<std::string> log;
    for (const std::string& line : AppTest::ReadLog(product.LogPath()))
    {
        // The hardware wizard watcher's line every second says nothing about the walk.
        if (line.find("RemoveHardwareWizardDialog") == std::string::npos)
        {
            log.push_back(line);
        }
    }
    std::string tail;
    for (size_t line = log.size() > 25 ? log.size() - 25 : 0; line < log.size(); ++line)
    {
        tail += log[line] + "\n";
    }
    return tail;
}

// Welcome, licence accepted, a typical setup: the dialog before the work begins. (The walks through
// these dialogs with real input are the selection walks' and the demo's; here the work after them is.)
inline void WalkToReady(const CWizardRun& run)
{
    ASSERT_TRUE(run.WaitText("Read me first"));
    ASSERT_EQ(0, run.Do("click", run.Frame(), "Next >"));
    ASSERT_TRUE(run.WaitText("I accept the licence agreement"));
    ASSERT_EQ(0, run.Do("click", run.Frame(), "I accept the licence agreement"));
    ASSERT_EQ(0, run.Do("click", run.Frame(), "Next >"));
    ASSERT_TRUE(run.WaitText("Choose the setup type"));
    ASSERT_EQ(0, run.Do("click", run.Frame(), "Next >")) << "typical";
    ASSERT_TRUE(run.WaitText("Setup is ready"));
}

