// The utility library (Kvutil.dll) loaded from a test folder with the device simulation beside it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "external/HelperApi.h"
#include "helpers/HelperTestSupport.h"

namespace
{
std::vector<std::string> PortList(const char* buffer)
{
    std::vector<std::string> ports;
    for (const char* port = buffer; *port != '\0'; port += std::string(port).size() + 1)
    {
        ports.push_back(port);
    }
    return ports;
}
}  // namespace

TEST(UtilityHelperTest, DeviceQuestions_AnswerFromTheSimulation)
{
    const char* kConnected = "[DEVICE]\r\nCONNECTED=1\r\nMFG=Kestrow\r\nMDL=KP-3100 Series\r\n"
                             "PORTS=USB001, LPT1:\r\nDEVICE_ID=MFG:Kestrow;MDL:KP-3100 Series;\r\n";
    const struct
    {
        const char* name;
        std::string settings;
        const char* mdl;
        std::vector<std::string> ports;
        const char* idOnLpt1;
    } cases[] = {
        {"no simulation", "", "KP-3100 Series", {}, ""},
        {"unplugged", "[DEVICE]\r\nCONNECTED=0\r\nPORTS=USB001\r\n", "KP-3100 Series", {}, ""},
        {"connected", kConnected, "kp-3100 series", {"USB001", "LPT1:"}, "MFG:Kestrow;MDL:KP-3100 Series;"},
        {"another model asked", kConnected, "KP-9", {}, "MFG:Kestrow;MDL:KP-3100 Series;"},
        {"no ports", "[DEVICE]\r\nCONNECTED=1\r\n", "", {}, ""},
    };
    for (const auto& c : cases)
    {
        CTempDir dir;
        CTempRedirect temp(dir.Path());
        CHelperCopy helper(dir.Path(), "Kvutil.dll", c.settings);
        const auto getPorts = helper.Entry<GetDevicePortFn>("GetDevicePort");
        const auto getId = helper.Entry<MyGetDeviceIDFromPortFn>("MyGetDeviceIDFromPort");
        ASSERT_NE(nullptr, getPorts) << c.name;
        ASSERT_NE(nullptr, getId) << c.name;
        std::vector<char> buffer(kDevicePortBufferSize, 'x');
        DWORD count = 99;
        EXPECT_EQ(c.ports.empty() ? FALSE : TRUE, getPorts("Kestrow", c.mdl, "VID_5A7E&PID_3100", buffer.data(), &count))
            << c.name;
        EXPECT_EQ(c.ports.size(), count) << c.name;
        EXPECT_EQ(c.ports, PortList(buffer.data())) << c.name;
        std::vector<char> id(kDeviceIdBufferSize, 'x');
        EXPECT_EQ(*c.idOnLpt1 != '\0' ? TRUE : FALSE, getId("lpt1:", id.data())) << c.name;
        EXPECT_STREQ(c.idOnLpt1, id.data()) << c.name;
        EXPECT_FALSE(getId("COM9:", id.data())) << c.name << ": a port without the device";
        EXPECT_FALSE(getPorts("Kestrow", c.mdl, "", nullptr, &count)) << c.name << ": no buffer is refused";
    }
}

TEST(UtilityHelperTest, GetDiskFreeSpaceKV_RealOrSimulatedMegabytes)
{
    CTempDir dir;
    CTempRedirect temp(dir.Path());
    {
        CHelperCopy helper(dir.Path(), "Kvutil.dll");
        const auto freeSpace = helper.Entry<GetDiskFreeSpaceKVFn>("GetDiskFreeSpaceKV");
        DWORD sectors = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
        ASSERT_TRUE(::GetDiskFreeSpaceA("C:\\", &sectors, &bytesPerSector, &freeClusters, &clusters));
        const DWORD expected =
            static_cast<DWORD>(1ULL * sectors * bytesPerSector * freeClusters / (1024 * 1024));
        // The cluster arithmetic stops at 2 GB on systems presented as Windows 9x.
        if (expected < 2047)
        {
            EXPECT_NEAR(expected, freeSpace("C:\\Windows\\system32"), 16.0) << "the drive of the path";
        }
        else
        {
            EXPECT_GE(freeSpace("C:\\Windows\\system32"), 2047UL) << "the drive of the path";
        }
        EXPECT_GT(freeSpace(""), 0UL) << "an empty path asks for the current drive";
        EXPECT_EQ(0UL, freeSpace("Q:\\nowhere")) << "an absent drive gives 0";
        EXPECT_EQ(0UL, freeSpace("relative")) << "a path without a drive gives 0";

        // The first Windows 95 has no GetDiskFreeSpaceExA: the cluster arithmetic answers.
        CTempDir old;
        CHelperCopy arithmetic(old.Path(), "Kvutil.dll", "[SYSTEM]\r\nMISSING = GetDiskFreeSpaceExA\r\n");
        EXPECT_NEAR(expected, arithmetic.Entry<GetDiskFreeSpaceKVFn>("GetDiskFreeSpaceKV")("C:\\Windows\\system32"),
                    16.0);
    }
    CTempDir other;
    CHelperCopy simulated(other.Path(), "Kvutil.dll", "[DISK]\r\nFREE_MB=150\r\n");
    EXPECT_EQ(150UL, simulated.Entry<GetDiskFreeSpaceKVFn>("GetDiskFreeSpaceKV")("C:\\")) << "the simulated answer";
}

TEST(UtilityHelperTest, SaveFile_WritesTheKeyTreeAsRegistryText)
{
    CTempDir dir;
    CTempRedirect temp(dir.Path());
    CHelperCopy helper(dir.Path(), "Kvutil.dll");
    const auto save = helper.Entry<SaveFileFn>("SaveFile");
    CTestRegistry registry;
    const std::string key = registry.Root() + "\\Remote_Info";
    registry.SetText(key, "User_Name", "ad\"min\\x");
    registry.SetNumber(key, "NumOfPCs", 10);
    registry.SetText(key + "\\Child", "", "default");
    const std::string file = dir.Path() + "\\RtReg.reg";

    ASSERT_TRUE(save(file.c_str(), key.c_str(), 0));
    const std::string text = ReadTestFile(file);
    const std::string head = "[HKEY_LOCAL_MACHINE\\" + key + "]\r\n";
    for (const std::string& expected : {std::string("REGEDIT4\r\n\r\n") + head, std::string("\"User_Name\"=\"ad\\\"min\\\\x\""),
                                        std::string("\"NumOfPCs\"=dword:0000000a"),
                                        "[HKEY_LOCAL_MACHINE\\" + key + "\\Child]\r\n@=\"default\""})
    {
        EXPECT_NE(std::string::npos, text.find(expected)) << "expected " << expected << " in\n" << text;
    }
    EXPECT_FALSE(save(file.c_str(), (registry.Root() + "\\Absent").c_str(), 0)) << "a missing key";
    EXPECT_FALSE(save((dir.Path() + "\\no\\such\\folder.reg").c_str(), key.c_str(), 0)) << "an unwritable file";
    EXPECT_FALSE(save(nullptr, key.c_str(), 0)) << "no file";
}

TEST(UtilityHelperTest, HousekeepingEntries_SucceedOrReportNoWindow)
{
    CTempDir dir;
    CTempRedirect temp(dir.Path());
    CHelperCopy helper(dir.Path(), "Kvutil.dll", "[HARDWARE_WIZARD]\r\nTITLE=KvTest no such window\r\n");
    EXPECT_TRUE(helper.Entry<StartPreventPnPFn>("StartPreventPnP")("Kestrow KP"));
    EXPECT_TRUE(helper.Entry<EndPreventPnPFn>("EndPreventPnP")("Kestrow KP"));
    EXPECT_TRUE(helper.Entry<SystemRefreshFn>("SystemRefresh")("Kestrow KP", "VID"));
    EXPECT_TRUE(helper.Entry<RemoveUnknownDevFn>("RemoveUnknownDev")("Kestrow KP", "VID"));
    EXPECT_TRUE(helper.Entry<BOOL(WINAPI*)()>("SystemRefreshOnly")());
    EXPECT_FALSE(helper.Entry<RemoveHardwareWizardDialogFn>("RemoveHardwareWizardDialog")()) << "no such window";
    EXPECT_FALSE(helper.Entry<MySetForegroundNHWdDialogFn>("MySetForegroundNHWdDialog")()) << "no such window";
    EXPECT_TRUE(FileContains(dir.Path() + "\\Kvutil.log", "SystemRefresh(Kestrow KP,VID)"));
}
