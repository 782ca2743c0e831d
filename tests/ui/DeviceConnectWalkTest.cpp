// Setup.exe's wizard waiting for the printer, walked from outside with WinDriver as a person does it,
// the pointer and its button given through the system's input. The printer is the utility library's
// device simulation (read anew at every question), and a USB printer arrives through WinDriver's
// device-change notification, as the system delivers one: the wizard goes on by itself after a USB
// arrival and when polling finds a printer on LPT1:; Next with nothing connected asks, Yes asks again,
// No goes on to the alternative dialog; an arrival answers an open question; with USB_ONLY nothing
// polls; Back stops the polling, and the dialog shown again polls again. Each run then installs for
// real and ends with 0.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/RunProduct.h"
#include "support/TestHelpers.h"
#include "ui/WizardRun.h"

using namespace AppTest;

namespace
{
const char kTitle[] = "Connect the printer";
const char kWarning[] = "Setup cannot find the printer. Check the cable and that the printer is switched on.\\r\\n\\r\\n"
                        "Try again?";

// The device simulation: no printer, or one on these ports.
void Device(CTestProduct& product, const std::string& ports)
{
    product.WriteProductFile("data\\Kvutil.ini", "[DEVICE]\r\nCONNECTED=" + std::string(ports.empty() ? "0" : "1") +
                                                     "\r\nPORTS=" + ports + "\r\n");
}

// From the ready dialog to the device dialog, with no printer connected.
void WalkToDevice(const CWizardRun& run, CTestProduct& product)
{
    WalkToReady(run);
    ASSERT_EQ(0, run.RealClick(run.Frame(), "Install"));
    ASSERT_TRUE(run.WaitText(kTitle)) << WalkLogTail(product);
}

// The copy and the install run go on by themselves; Finish ends the run.
DWORD FinishInstall(CWizardRun& run, const CTestProduct& product)
{
    if (run.Do("waittext", run.Frame(), "Setup is complete", "60000") != 0 ||
        run.RealClick(run.Frame(), "Finish") != 0)
    {
        ADD_FAILURE() << "the install did not reach its end\n" << WalkLogTail(product);
    }
    return run.Finish();
}

// What follows the prefix in each log line that starts with it.
std::vector<std::string> Starting(const std::vector<std::string>& log, const std::string& prefix)
{
    std::vector<std::string> rests;
    for (const std::string& line : log)
    {
        if (line.compare(0, prefix.size(), prefix) == 0)
        {
            rests.push_back(line.substr(prefix.size()));
        }
    }
    return rests;
}

// The port the run's printers were given last ("" when none).
std::string PortSet(const std::vector<std::string>& log)
{
    const std::vector<std::string> ports = Starting(log, "Set all printer port as ");
    return ports.empty() ? std::string() : ports.back();
}

bool WentWithoutPrinter(const std::vector<std::string>& log)
{
    return !Starting(log, "Call Command : Type = CT_OPEN_DLG, Param1=NORMAL.NO_PRINTER").empty();
}
}  // namespace

class DeviceConnectWalkTest : public ::testing::Test
{
protected:
    // Setup.exe started with no printer connected, walked to the device dialog.
    void Start()
    {
        product.UseDeviceSimulation();
        Device(product, "");
        m_run.reset(new CWizardRun(product, "", ""));
        WalkToDevice(*m_run, product);
    }
    CWizardRun& Run() { return *m_run; }
    std::vector<std::string> Log() const { return ReadLog(product.LogPath()); }

    CRunProduct product;

private:
    std::unique_ptr<CWizardRun> m_run;
};

TEST_F(DeviceConnectWalkTest, UsbArrival_GoesOnByItselfAfterTheSettleWait_OnTheDevicesPort)
{
    Start();
    CWizardRun& run = Run();
    run.Picture(run.Frame(), "test_device_connect");
    Device(product, "USB001");
    ASSERT_EQ(0, run.Do("arrive", run.Frame()));
    EXPECT_EQ(0u, FinishInstall(run, product));
    const std::vector<std::string> log = Log();
    EXPECT_TRUE(Contains(log, "Waiting PNP Process started !!"));
    EXPECT_TRUE(Contains(log, "Waiting PNP Process End !!"));
    EXPECT_TRUE(Contains(log, "Terminate Thread (Polling Thread)")) << "the arrival ends the polling";
    EXPECT_TRUE(Contains(log, "Check Device Connection polling Thread ended!!!"));
    EXPECT_EQ("USB001 , 1", PortSet(log)) << "the printers go on the port the device reported";
    EXPECT_FALSE(WentWithoutPrinter(log));
}

TEST_F(DeviceConnectWalkTest, PrinterOnLpt_FoundByPolling_GoesOnByItself)
{
    Start();
    CWizardRun& run = Run();
    Device(product, "LPT1:");
    EXPECT_EQ(0u, FinishInstall(run, product));
    const std::vector<std::string> log = Log();
    EXPECT_TRUE(Contains(log, "A printer was detected on LPT"));
    EXPECT_EQ("LPT1: , 1", PortSet(log));
    EXPECT_FALSE(Contains(log, "Waiting PNP Process started !!")) << "no arrival, no settle wait";
}

TEST_F(DeviceConnectWalkTest, NextWithoutPrinter_AsksAgainOnYes_NoGoesToTheAlternative)
{
    Start();
    CWizardRun& run = Run();
    ASSERT_EQ(0, run.RealClick(run.Frame(), "Next >"));
    ASSERT_TRUE(run.WaitText(product.ProgramName(), "Yes")) << WalkLogTail(product);
    EXPECT_NE(std::string::npos, run.Listing(product.ProgramName()).find(kWarning));
    run.Picture(product.ProgramName(), "test_device_warning");
    ASSERT_EQ(0, run.RealClick(product.ProgramName(), "Yes"));
    ASSERT_TRUE(run.WaitText(product.ProgramName(), "No")) << "still nothing connected: asked again\n"
                                                           << WalkLogTail(product);
    ASSERT_EQ(0, run.RealClick(product.ProgramName(), "No"));
    ASSERT_TRUE(run.WaitText("Installing without the printer")) << "the alternative target\n" << WalkLogTail(product);
    ASSERT_EQ(0, run.RealClick(run.Frame(), "Next >"));
    EXPECT_EQ(0u, FinishInstall(run, product));
    const std::vector<std::string> log = Log();
    EXPECT_EQ("", PortSet(log)) << "no device, no device port";
    EXPECT_TRUE(Contains(log, "Terminate Thread (Polling Thread) End"));
}

TEST_F(DeviceConnectWalkTest, NextWithoutPrinter_YesAfterConnecting_GoesOn)
{
    Start();
    CWizardRun& run = Run();
    ASSERT_EQ(0, run.RealClick(run.Frame(), "Next >"));
    ASSERT_TRUE(run.WaitText(product.ProgramName(), "Yes")) << WalkLogTail(product);
    Device(product, "USB001");
    ASSERT_EQ(0, run.RealClick(product.ProgramName(), "Yes"));
    EXPECT_EQ(0u, FinishInstall(run, product));
    const std::vector<std::string> log = Log();
    EXPECT_EQ("USB001 , 1", PortSet(log));
    EXPECT_FALSE(WentWithoutPrinter(log));
}

TEST_F(DeviceConnectWalkTest, ArrivalWhileAsking_ClosesTheQuestion_TheUsualNextDialog)
{
    Start();
    CWizardRun& run = Run();
    ASSERT_EQ(0, run.RealClick(run.Frame(), "Next >"));
    ASSERT_TRUE(run.WaitText(product.ProgramName(), "Yes")) << WalkLogTail(product);
    Device(product, "USB001");
    ASSERT_EQ(0, run.Do("arrive", run.Frame())) << "the wizard hears it while the question is open";
    EXPECT_EQ(0u, FinishInstall(run, product));
    const std::vector<std::string> log = Log();
    EXPECT_TRUE(Contains(log, "Waiting PNP Process End !!"));
    EXPECT_FALSE(WentWithoutPrinter(log))
        << "the question closed by the arrival is not a No";
    EXPECT_EQ("USB001 , 1", PortSet(log));
}

TEST_F(DeviceConnectWalkTest, UsbOnly_NothingPolls_NextFindsTheUsbPrinter)
{
    product.SetDataKey("OPTION", "USB_ONLY", "1");
    Start();
    CWizardRun& run = Run();
    Device(product, "USB001");
    ASSERT_EQ(0, run.RealClick(run.Frame(), "Next >"));
    EXPECT_EQ(0u, FinishInstall(run, product));
    const std::vector<std::string> log = Log();
    EXPECT_FALSE(Contains(log, "Check Device Connection polling Thread started!!!"));
    EXPECT_EQ("USB001 , 1", PortSet(log));
}

TEST_F(DeviceConnectWalkTest, Back_StopsThePolling_ShownAgainItPollsAgain)
{
    Start();
    CWizardRun& run = Run();
    ASSERT_EQ(0, run.RealClick(run.Frame(), "< Back"));
    ASSERT_TRUE(run.WaitText("Setup is ready")) << WalkLogTail(product);
    const std::vector<std::string> log = Log();
    EXPECT_EQ((std::vector<std::string>{"", " End"}), Starting(log, "Terminate Thread (Polling Thread)"))
        << WalkLogTail(product);
    EXPECT_TRUE(Contains(log, "Check Device Connection polling Thread ended!!!"));
    ASSERT_EQ(0, run.RealClick(run.Frame(), "Install"));
    ASSERT_TRUE(run.WaitText(kTitle)) << "shown again, it polls again";
    Device(product, "LPT1:");
    EXPECT_EQ(0u, FinishInstall(run, product));
    EXPECT_EQ("LPT1: , 1", PortSet(ReadLog(product.LogPath())));
}
