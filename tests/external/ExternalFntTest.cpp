#include "external/ExternalFnt.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "base/APIFunction.h"
#include "support/LogLines.h"
#include "support/TempDir.h"
#include "support/TestHelpers.h"
#include "support/TestThread.h"

namespace
{
// A table with a real log file in a temporary folder; the texts of the log's timed lines.
class ExternalFntTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_log.OpenLogFile()) << "the log opens in the test folder"; }

    std::vector<std::string> LogTexts() { return ReadLogTexts(m_log); }

    // The log texts written since the last call.
    std::vector<std::string> NewLogTexts()
    {
        const std::vector<std::string> all = LogTexts();
        std::vector<std::string> fresh(all.begin() + static_cast<std::ptrdiff_t>(m_seen), all.end());
        m_seen = all.size();
        return fresh;
    }

    CTempDir m_dir;
    CTempDirOverride m_tmp{m_dir.Path() + "\\"};
    CLog m_log;
    CExternalFnt m_table{m_log};
    size_t m_seen = 0;
};

// The calls the good test library recorded since the last look.
std::string TakeHelperCalls()
{
    CModule helper(::LoadLibraryA(BesideTest("ExtHelperGood.dll").c_str()));
    using TakeCallsFn = DWORD(WINAPI*)(char*, DWORD);
    const auto take = reinterpret_cast<TakeCallsFn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(helper.Get(), "TestTakeCalls")));
    if (take == nullptr)
    {
        return "no TestTakeCalls";
    }
    std::vector<char> buffer(take(nullptr, 0) + 1);
    take(buffer.data(), static_cast<DWORD>(buffer.size()));
    return buffer.data();
}
}  // namespace

TEST_F(ExternalFntTest, Load_LibrariesMissingOrBroken_LogsEachFailureOnce)
{
    ASSERT_TRUE(WriteTestFile(m_dir.File("broken.dll"), "not a library"));
    CExternalFnt::Paths paths;
    paths[kInstallerDll] = m_dir.File("none.dll");
    paths[kRemoteInstallDll] = m_dir.File("broken.dll");
    paths[kTestPageDll] = m_dir.File("none.dll");
    paths[kUninstallerExe] = m_dir.File("KVDelAll.exe");
    m_table.Load(paths);

    const std::vector<std::string> expected = {
        "Load installer DLL fail (" + m_dir.File("none.dll") + ")",   "Error Code = 126 :",
        "Load Utility DLL fail ()",                                    "Error Code = 2 :",
        "Load Remote DLL fail (" + m_dir.File("broken.dll") + ")",     "Error Code = 193 :",
        "Load Diagnosis DLL fail ()",                                  "Error Code = 2 :",
        "Load TestPage DLL fail (" + m_dir.File("none.dll") + ")",     "Error Code = 126 :",
        "Get network Netmanager DLL fail",
        "Load Resource DLL fail ()",                                   "Error Code = 2 :",
        "Load Preinstaller DLL fail ()",                               "Error Code = 2 :",
        "Load SetIP DLL fail ()",                                      "Error Code = 2 :",
    };
    const std::vector<std::string> texts = NewLogTexts();
    ASSERT_EQ(expected.size(), texts.size()) << "one failure line and one error line per library, in load order";
    for (size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(0u, texts[i].find(expected[i])) << "line " << i << " was: " << texts[i];
    }
    EXPECT_EQ(m_dir.File("KVDelAll.exe"), m_table.GetPath(kUninstallerExe)) << "program paths are only kept";
    EXPECT_EQ(nullptr, m_table.GetModule(kInstallerDll));
    EXPECT_FALSE(m_table.HasEntry("MyInstall"));
}

TEST_F(ExternalFntTest, Load_PathsThatAreNotFull_NeverLookedForInTheCurrentFolderOrSearchPath)
{
    // The good test library lies beside the test program and in the current folder: a bare or relative
    // name would find it there.
    const std::string copy = m_dir.File("ExtHelperGood.dll");
    ASSERT_TRUE(::CopyFileA(BesideTest("ExtHelperGood.dll").c_str(), copy.c_str(), FALSE));
    char previous[MAX_PATH + 1] = {};
    ASSERT_NE(0u, ::GetCurrentDirectoryA(MAX_PATH, previous));
    ASSERT_TRUE(::SetCurrentDirectoryA(m_dir.Path().c_str()));
    CExternalFnt::Paths paths;
    paths[kInstallerDll] = "ExtHelperGood.dll";
    paths[kUtilityDll] = ".\\ExtHelperGood.dll";
    paths[kDiagnosisDll] = copy;
    paths[kUninstallerExe] = "KVDelAll.exe";
    paths[kKvOpenExe] = m_dir.File("Kvopen.exe");
    m_table.Load(paths);
    (void)::SetCurrentDirectoryA(previous);

    const std::vector<std::string> texts = NewLogTexts();
    ASSERT_LE(4u, texts.size());
    EXPECT_EQ("Load installer DLL fail (ExtHelperGood.dll)", texts[0].substr(0, texts[0].find(')') + 1));
    EXPECT_EQ(0u, texts[1].find("Error Code = 161 :")) << texts[1];
    EXPECT_EQ("Load Utility DLL fail (.\\ExtHelperGood.dll)", texts[2].substr(0, texts[2].find(')') + 1));
    EXPECT_EQ(nullptr, m_table.GetModule(kInstallerDll)) << "a bare name is not looked for";
    EXPECT_FALSE(m_table.HasEntry("MyInstall"));
    EXPECT_EQ(nullptr, m_table.GetModule(kUtilityDll)) << "nor a path below the current folder";
    EXPECT_NE(nullptr, m_table.GetModule(kDiagnosisDll)) << "the same library by its full path loads";
    EXPECT_EQ("", m_table.GetPath(kUninstallerExe)) << "a program by a bare name is not kept to be started";
    EXPECT_EQ(m_dir.File("Kvopen.exe"), m_table.GetPath(kKvOpenExe));

    ASSERT_TRUE(::SetCurrentDirectoryA(m_dir.Path().c_str()));
    const CModule planted(LoadSystemLibrary("ExtHelperGood.dll"));
    (void)::SetCurrentDirectoryA(previous);
    EXPECT_FALSE(planted.IsValid()) << "a system library's name is looked for in the system folder only";
}

TEST_F(ExternalFntTest, Calls_LibraryMissing_LogCallAndNullLinesAndGiveFallbacks)
{
    m_table.Load(CExternalFnt::Paths());
    (void)NewLogTexts();

    std::vector<std::string> ports = {"untouched"};
    int count = 99;
    std::string text = "untouched";
    DWORD netCount = 99;
    const struct
    {
        std::function<long long()> call;
        long long fallback;
        std::vector<std::string> lines;
    } cases[] = {
        {[&] { return m_table.MyInstall("K", "K\\Items\\A", 1); }, 0, {"Call MyInstall(0,K,K\\Items\\A,1)"}},
        {[&] { return m_table.MyCreateShortCut("K", "S"); }, 0, {"Call MyCreateShortCut(0,K,S)"}},
        {[&] { return m_table.GetDevicePort("M", "D", "V", &ports, &count); }, 0,
         {"Call GetDevicePort(M,D,V,lpPort,lpdwPortNum)"}},
        {[&] { return m_table.StartPreventPnP("MD"); }, 0, {"Call StartPreventPnP(MD)"}},
        {[&] { return m_table.EndPreventPnP("MD"); }, 0, {"Call EndPreventPnP(MD)"}},
        {[&] { return m_table.SystemRefresh("MD", "V"); }, 0, {"Call SystemRefresh(MD,V)"}},
        {[&] { return m_table.RemoveUnknownDev("MD", "V"); }, 0, {"Call RemoveUnknownDev(MD,V)"}},
        {[&] { return m_table.RemoveHardwareWizardDialog(); }, 0, {}},
        {[&] { return m_table.MySetForegroundNHWdDialog(); }, 0, {}},
        {[&] { return m_table.MyGetDeviceIDFromPort("LPT1:", &text); }, 0, {"Call MyGetDeviceIDFromPort"}},
        {[&] { return m_table.SaveFile("F", "R"); }, 0, {"Call SaveFile(F,R,0)"}},
        {[&] { return m_table.GetDiskFreeSpaceKV(""); }, 0, {"Call GetDiskFreeSpaceKV()"}},
        {[&] { return m_table.Diagnosis("M", "P", "D", "V"); }, 1, {"Call Diagnosis(M,P,D,V)"}},
        {[&] { return m_table.DiagnosisEx("M", "P", "D", "V"); }, 1, {"Call DiagnosisEx(M,P,D,V,0)"}},
        {[&] { return m_table.PrintTestPage("P", "2", "3", "5"); }, -1, {"Call PrintTestPage(P,2,3,,5)"}},
        {[&] { return m_table.MetaTestPage("P", "F"); }, -1, {"Call MetaTestPage(P,F)"}},
        {[&] { return m_table.PrintPrnFile("P", "F"); }, 1, {"Call PrintPrnFile(P,F)"}},
        {[&] { return m_table.MySetNetworkPort("IP_1", "1", "M", "F", "X", 1); }, 0,
         {"Call MySetNetworkPort(IP_1,1,M,F,X,1)"}},
        {[&] { return m_table.MySetNetworkPortEx("IP_1", "1", "E", "I", "M", "F", "X", 0); }, 0,
         {"Call MySetNetworkPortEx(IP_1,1,E,I,M,F,X,0)"}},
        {[&] { return m_table.MyDelNetworkPort("IP_1", "X", 1); }, 0, {"Call MyDelNetworkPort(IP_1,X,1)"}},
        {[&] { return m_table.MyGetPrinterDesc("1.2.3.4", &text, TRUE); }, 4096,
         {"Call MyGetPrinterDesc(1.2.3.4)"}},
        {[&] { return m_table.MyGetIPX("1.2.3.4", &text); }, 0, {"Call MyGetIPX(1.2.3.4)"}},
        {[&] { return m_table.Preinstall("/P x", nullptr); }, -1, {"Call Preinstall(/P x,0)"}},
        {[&] { return m_table.SetIP("1", "2", "3", "4"); }, 1, {"Call SetIP(1,2,3,4)"}},
        {[&] { return m_table.GetNetPrinter(nullptr, 0, &netCount); }, 1, {"Call GetNetPrinter(0,0,99)"}},
    };
    const char* names[] = {"MyInstall", "MyCreateShortCut", "GetDevicePort", "StartPreventPnP", "EndPreventPnP",
                           "SystemRefresh", "RemoveUnknownDev", "RemoveHardwareWizardDialog",
                           "MySetForegroundNHWdDialog", "MyGetDeviceIDFromPort", "SaveFile", "GetDiskFreeSpaceKV",
                           "Diagnosis", "DiagnosisEx", "PrintTestPage", "MetaTestPage", "PrintPrnFile",
                           "MySetNetworkPort", "MySetNetworkPortEx", "MyDelNetworkPort", "MyGetPrinterDesc",
                           "MyGetIPX", "Preinstall", "SetIP", "GetNetPrinter"};
    ASSERT_EQ(std::size(names), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        EXPECT_EQ(cases[i].fallback, cases[i].call()) << names[i] << " gives its fallback";
        std::vector<std::string> expected = cases[i].lines;
        expected.push_back(std::string("Call ") + names[i] + " ==> NULL");
        EXPECT_EQ(expected, NewLogTexts()) << names[i] << ": call line (where it has one), then the NULL line";
    }
    EXPECT_EQ(std::vector<std::string>{"untouched"}, ports) << "outputs stay as they were";
    EXPECT_EQ(99, count);
    EXPECT_EQ("untouched", text);
    EXPECT_EQ(99u, netCount);
}

TEST_F(ExternalFntTest, Calls_LibraryAnswers_PassEveryArgumentAndHandBackTheAnswer)
{
    const std::string good = BesideTest("ExtHelperGood.dll");
    CExternalFnt::Paths paths;
    paths.fill(good);
    paths[kResourceDll] = BesideTest("ExtHelperFault.dll");
    m_table.Load(paths);
    EXPECT_EQ(std::vector<std::string>(), NewLogTexts()) << "loading without failure logs nothing";
    for (const char* unused : {"SystemRefreshOnly", "GetNetworkPrinter", "MyDelNetworkMonitor", "MyVerifyPrinter",
                               "CheckRemoteAdmin", "CheckLogonUser", "VerifyNetworkPrinter", "DoRemoteInstall"})
    {
        EXPECT_TRUE(m_table.HasEntry(unused)) << unused << " is resolved though never called";
    }
    EXPECT_NE(nullptr, m_table.GetModule(kResourceDll)) << "the resource library is loaded for its resources";
    (void)TakeHelperCalls();

    std::vector<std::string> ports;
    int count = 0;
    std::string deviceId, description, ipx;
    DWORD netCount = 0;
    std::vector<BYTE> entries(2 * kNetPrinterEntrySize + 10);
    const std::string resource = paths[kResourceDll];
    const struct
    {
        std::function<long long()> call;
        long long answer;
        std::string line;                                     // the call line, and what the library received
        std::string received;
    } cases[] = {
        {[&] { return m_table.MyInstall("K", "K\\Items\\A", 1); }, 7, "Call MyInstall(0,K,K\\Items\\A,1)",
         "MyInstall(0,K,K\\Items\\A,1)"},
        {[&] { return m_table.MyCreateShortCut("K", "K\\Shortcut\\A"); }, 8,
         "Call MyCreateShortCut(0,K,K\\Shortcut\\A)", "MyCreateShortCut(0,K,K\\Shortcut\\A)"},
        {[&] { return m_table.GetDevicePort("Acme", "P1", "VID_1", &ports, &count); }, 9,
         "Call GetDevicePort(Acme,P1,VID_1,lpPort,lpdwPortNum)", "GetDevicePort(Acme,P1,VID_1)"},
        {[&] { return m_table.StartPreventPnP("AcmeP1"); }, 11, "Call StartPreventPnP(AcmeP1)",
         "StartPreventPnP(AcmeP1)"},
        {[&] { return m_table.EndPreventPnP("AcmeP1"); }, 12, "Call EndPreventPnP(AcmeP1)", "EndPreventPnP(AcmeP1)"},
        {[&] { return m_table.SystemRefresh("AcmeP1", "VID_1"); }, 13, "Call SystemRefresh(AcmeP1,VID_1)",
         "SystemRefresh(AcmeP1,VID_1)"},
        {[&] { return m_table.RemoveUnknownDev("AcmeP1", "VID_1"); }, 14, "Call RemoveUnknownDev(AcmeP1,VID_1)",
         "RemoveUnknownDev(AcmeP1,VID_1)"},
        {[&] { return m_table.RemoveHardwareWizardDialog(); }, 15, "", "RemoveHardwareWizardDialog()"},
        {[&] { return m_table.MySetForegroundNHWdDialog(); }, 16, "", "MySetForegroundNHWdDialog()"},
        {[&] { return m_table.MyGetDeviceIDFromPort("USB001", &deviceId); }, 17, "Call MyGetDeviceIDFromPort",
         "MyGetDeviceIDFromPort(USB001)"},
        {[&] { return m_table.SaveFile("C:\\s.reg", "Software\\Acme"); }, 18,
         "Call SaveFile(C:\\s.reg,Software\\Acme,0)", "SaveFile(C:\\s.reg,Software\\Acme,0)"},
        {[&] { return m_table.GetDiskFreeSpaceKV("100"); }, 301, "Call GetDiskFreeSpaceKV(100)",
         "GetDiskFreeSpaceKV(100)"},
        {[&] { return m_table.Diagnosis("Acme", "Printer", "P1", "VID_1"); }, 19,
         "Call Diagnosis(Acme,Printer,P1,VID_1)", "Diagnosis(Acme,Printer,P1,VID_1)"},
        {[&] { return m_table.DiagnosisEx("Acme", "Printer", "P1", "VID_1"); }, 20,
         "Call DiagnosisEx(Acme,Printer,P1,VID_1,0)", "DiagnosisEx(Acme,Printer,P1,VID_1,0)"},
        {[&] { return m_table.PrintTestPage("Printer", "two", "three", "five"); }, 21,
         "Call PrintTestPage(Printer,two,three," + resource + ",five)",
         "PrintTestPage(Printer,two,three," + resource + ",five)"},
        {[&] { return m_table.MetaTestPage("Printer", "page.emf"); }, 22, "Call MetaTestPage(Printer,page.emf)",
         "MetaTestPage(Printer,page.emf)"},
        {[&] { return m_table.PrintPrnFile("Printer", "page.prn"); }, 23, "Call PrintPrnFile(Printer,page.prn)",
         "PrintPrnFile(Printer,page.prn)"},
        {[&] { return m_table.MySetNetworkPort("IP_1.2.3.4", "1.2.3.4", "Mon", "mon.dll", "Mutex", 1); }, 24,
         "Call MySetNetworkPort(IP_1.2.3.4,1.2.3.4,Mon,mon.dll,Mutex,1)",
         "MySetNetworkPort(IP_1.2.3.4,1.2.3.4,Mon,mon.dll,Mutex,1)"},
        {[&] { return m_table.MySetNetworkPortEx("IP_1", "1.2.3.4", "x", "ipx", "Mon", "mon.dll", "Mutex", 0); },
         25, "Call MySetNetworkPortEx(IP_1,1.2.3.4,x,ipx,Mon,mon.dll,Mutex,0)",
         "MySetNetworkPortEx(IP_1,1.2.3.4,x,ipx,Mon,mon.dll,Mutex,0)"},
        {[&] { return m_table.MyDelNetworkPort("IP_1", "Mutex", 1); }, 26, "Call MyDelNetworkPort(IP_1,Mutex,1)",
         "MyDelNetworkPort(IP_1,Mutex,1)"},
        {[&] { return m_table.MyGetPrinterDesc("1.2.3.4", &description, TRUE); }, 0,
         "Call MyGetPrinterDesc(1.2.3.4)", "MyGetPrinterDesc(1.2.3.4,1)"},
        {[&] { return m_table.MyGetIPX("1.2.3.4", &ipx); }, 27, "Call MyGetIPX(1.2.3.4)", "MyGetIPX(1.2.3.4)"},
        {[&] { return m_table.Preinstall("/P a /S b", reinterpret_cast<HWND>(0x1234)); }, 28,
         "Call Preinstall(/P a /S b,4660)", "Preinstall(/P a /S b,4660)"},
        {[&] { return m_table.SetIP("1.2.3.4", "1.2.3.1", "255.0.0.0", "00AA"); }, 29,
         "Call SetIP(1.2.3.4,1.2.3.1,255.0.0.0,00AA)", "SetIP(1.2.3.4,1.2.3.1,255.0.0.0,00AA)"},
        {[&] { return m_table.GetNetPrinter(nullptr, 0, &netCount); }, 1, "Call GetNetPrinter(0,0,0)",
         "GetNetPrinter(none,0)"},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(c.answer, c.call()) << c.received << ": the library's answer is handed back";
        const std::vector<std::string> lines = c.line.empty() ? std::vector<std::string>()
                                                              : std::vector<std::string>{c.line};
        EXPECT_EQ(lines, NewLogTexts()) << c.received << ": exactly the call line";
        EXPECT_EQ(c.received + "\n", TakeHelperCalls()) << "the library received every argument";
    }
    EXPECT_EQ((std::vector<std::string>{"USB001", "LPT1:"}), ports) << "port names in the library's order";
    EXPECT_EQ(-1, count) << "a count of -1 comes back as -1";
    EXPECT_EQ("MFG:Acme;MDL:USB001;", deviceId);
    EXPECT_EQ("MFG:Acme;MDL:Net 1.2.3.4;", description);
    EXPECT_EQ("00000001:1.2.3.4", ipx);
    EXPECT_EQ(3u, netCount) << "without a buffer: the number of printers";

    EXPECT_EQ(0, m_table.GetNetPrinter(entries.data(), static_cast<DWORD>(entries.size()), &netCount));
    EXPECT_EQ(2u, netCount) << "with a buffer: as many entries as fit";
    EXPECT_EQ('b', entries[kNetPrinterEntrySize]);
    EXPECT_TRUE(m_table.GetDevicePort("fill", "", "", &ports, &count));
    ASSERT_EQ(1u, ports.size()) << "a list filling the whole buffer still ends";
    EXPECT_EQ(std::string(kDevicePortBufferSize, 'A'), ports[0]);
}

TEST_F(ExternalFntTest, Calls_EntryMissingOrLibraryFaults_LogTheirLineAndGiveFallbacks)
{
    CExternalFnt::Paths paths;
    paths[kUtilityDll] = BesideTest("ExtHelperFault.dll");
    paths[kTestPageDll] = BesideTest("ExtHelperFault.dll");
    m_table.Load(paths);
    (void)NewLogTexts();

    std::vector<std::string> ports = {"untouched"};
    int count = 5;
    EXPECT_FALSE(m_table.GetDevicePort("Acme", "P1", "VID_1", &ports, &count));
    EXPECT_EQ((std::vector<std::string>{"Call GetDevicePort(Acme,P1,VID_1,lpPort,lpdwPortNum)",
                                        "Call GetDevicePort ==> NULL"}),
              NewLogTexts())
        << "an entry the loaded library lacks";
    EXPECT_EQ(std::vector<std::string>{"untouched"}, ports);
    EXPECT_EQ(5, count);

    for (const char* kind : {"access", "divide", "illegal", "stack", "raise", "noncontinuable", "stack", "access"})
    {
        EXPECT_EQ(0u, m_table.GetDiskFreeSpaceKV(kind)) << kind;
        EXPECT_EQ((std::vector<std::string>{std::string("Call GetDiskFreeSpaceKV(") + kind + ")",
                                            "Call GetDiskFreeSpaceKV() ==> GPF!!!!"}),
                  NewLogTexts())
            << kind << ": the call line, then the GPF line";
        EXPECT_EQ(1, m_table.PrintPrnFile("Printer", kind)) << kind << ": PrintPrnFile falls back to 1";
        EXPECT_EQ((std::vector<std::string>{std::string("Call PrintPrnFile(Printer,") + kind + ")",
                                            "Call PrintPrnFile() ==> GPF!!!!"}),
                  NewLogTexts());
    }
    EXPECT_FALSE(m_table.RemoveHardwareWizardDialog());
    EXPECT_EQ(std::vector<std::string>{"Call RemoveHardwareWizardDialog() ==> GPF!!!!"}, NewLogTexts())
        << "no call line, but the GPF line";
    EXPECT_EQ(5u, m_table.GetDiskFreeSpaceKV("handled")) << "an exception the library handles itself is no fault";
    EXPECT_EQ(77u, m_table.GetDiskFreeSpaceKV("none")) << "the library still answers after its faults";
}

TEST_F(ExternalFntTest, Calls_FaultWithALibraryHandlerFrame_ThreadHandlerChainRestored)
{
    CExternalFnt::Paths paths;
    paths[kUtilityDll] = BesideTest("ExtHelperFault.dll");
    m_table.Load(paths);
    NT_TIB* tib = nullptr;
#if defined(__x86_64__)
    __asm__("movq %%gs:0x30, %0" : "=r"(tib));
#else
    __asm__("movl %%fs:0x18, %0" : "=r"(tib));
#endif
    const void* chain = tib->ExceptionList;
    EXPECT_EQ(0u, m_table.GetDiskFreeSpaceKV("chain"));
    EXPECT_EQ(chain, static_cast<const void*>(tib->ExceptionList))
        << "the library's handler frame, left in its abandoned stack, is off the chain";
    EXPECT_EQ(0u, m_table.GetDiskFreeSpaceKV("raise")) << "a later exception finds a sound chain";
    EXPECT_EQ(77u, m_table.GetDiskFreeSpaceKV("none"));
}

TEST_F(ExternalFntTest, Calls_ManyThreadsFaultingAndAnswering_EachGetsItsOwnAnswer)
{
    CExternalFnt::Paths paths;
    paths[kUtilityDll] = BesideTest("ExtHelperGood.dll");
    paths[kTestPageDll] = BesideTest("ExtHelperFault.dll");
    m_table.Load(paths);
    (void)NewLogTexts();

    const char* kinds[] = {"access", "divide", "illegal", "raise", "stack"};
    constexpr int kThreads = 6;
    constexpr int kRounds = 30;
    std::atomic<int> wrong{0};
    std::atomic<int> faults{0};
    {
        CTestThread threads[kThreads];
        for (int t = 0; t < kThreads; ++t)
        {
            threads[t].Start([&, t]() {
                for (int round = 0; round < kRounds; ++round)
                {
                    const int number = t * 1000 + round;
                    const DWORD expected = static_cast<DWORD>(number * 3 + 1);
                    if (m_table.GetDiskFreeSpaceKV(std::to_string(number).c_str()) != expected)
                    {
                        ++wrong;
                    }
                    const char* kind = kinds[(t + round) % 5];
                    if (std::string(kind) == "stack" && round >= 10)
                    {
                        continue;                                 // two overflows per thread
                    }
                    ++faults;
                    if (m_table.PrintPrnFile("Printer", kind) != 1)
                    {
                        ++wrong;
                    }
                }
            });
        }
    }
    EXPECT_EQ(0, wrong.load()) << "every call on every thread got its own answer or fallback";
    int gpfLines = 0;
    for (const std::string& text : NewLogTexts())
    {
        gpfLines += text == "Call PrintPrnFile() ==> GPF!!!!" ? 1 : 0;
    }
    EXPECT_EQ(faults.load(), gpfLines) << "one GPF line per faulting call";
    (void)TakeHelperCalls();
}
