// Setup.exe in every run mode on the Windows version this test program runs as (Setup.exe's copy is
// presented as the same version): the demo product refuses Windows 95 and NT 4 for a first install with
// its message, and every run ends through the shutdown line without crashing.

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "app/AppTestSupport.h"

using namespace AppTest;

namespace
{
const char kEnd[] = "End of installation";
const std::string kWizardEnd = CTestProduct::kWizardEnd;

bool IsWindows64()
{
#if defined(_WIN64)
    return true;
#else
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
#endif
}

// The demo's OS define string for a Wine version ("" is the prefix's default, Windows 7).
std::string DemoOsDefine(const std::string& version)
{
    const std::map<std::string, std::pair<const char*, const char*>> defines = {
        {"win95", {"W95", "W95"}},     {"win98", {"W98", "W98"}},       {"winme", {"WME", "WME"}},
        {"nt40", {"NT4", "NT4"}},      {"win2k", {"W2K", "W2K"}},       {"winxp", {"WXP", "WXP"}},
        {"win2003", {"W2K3", "W2K3_64"}}, {"vista", {"VISTA", "VISTA64"}}, {"win7", {"WIN7", "WIN7_64"}},
    };
    const auto found = defines.find(version.empty() ? "win7" : version);
    if (found == defines.end())
    {
        return "?";
    }
    return IsWindows64() ? found->second.second : found->second.first;
}
}  // namespace

TEST(SetupVersionTest, EveryRunMode_DemoProduct_EndsCleanly)
{
    CTestProduct product;
    product.EndWizardAtStart();
    const SetupRun probe = product.Run("/S /D");
    ASSERT_EQ(0u, probe.exitCode) << "a silent delete-all does nothing and succeeds";
    const std::string osDefine = ValueAfter(probe.log, "OS Define String = ");
    EXPECT_EQ(DemoOsDefine(OwnWineVersion()), osDefine)
        << "Setup.exe runs as Wine version '" << OwnWineVersion() << "'";
    const bool refused = osDefine == "W95" || osDefine == "NT4";   // the demo's UNSUPPORTED_OS

    struct Row
    {
        const char* arguments;
        std::string lastLine;                                 // the line before the shutdown line
        bool firstInstall;
    };
    const std::string refusal = "This system could not satisfy the installer Minimum Requirement!";
    const Row rows[] = {
        {"/S", "The install run is not part of this build: the silent install is not carried out", true},
        {"", kWizardEnd, true},
        {"/S /U", "The install run is not part of this build: the silent uninstall is not carried out", false},
        {"/S /R", "The install run is not part of this build: the silent reinstall is not carried out", false},
        {"/U", kWizardEnd, false},
        {"/S /D", "Parameter : /S /D", false},
    };
    for (const Row& row : rows)
    {
        const bool expectBox = refused && row.firstInstall;
        std::unique_ptr<CBoxAnswerer> user;
        if (expectBox)
        {
            user.reset(new CBoxAnswerer(product.ProgramName(), product.Folder() + "\\box.txt"));
        }
        const SetupRun run = product.Run(row.arguments);
        EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 1)
            << "'" << row.arguments << "' ended with " << std::hex << run.exitCode;
        ASSERT_GE(run.log.size(), 2u) << row.arguments;
        EXPECT_EQ(kEnd, run.log.back()) << row.arguments;
        if (row.lastLine == kWizardEnd && !expectBox)
        {
            EXPECT_TRUE(Has(run.log, kWizardEnd)) << row.arguments << ": the wizard starts and its start command ends it";
        }
        else
        {
            EXPECT_EQ(expectBox ? refusal : row.lastLine, run.log[run.log.size() - 2]) << row.arguments;
        }
        std::string text;
        if (user)
        {
            EXPECT_TRUE(user->Wait(text)) << "the refusal's message box, answered from outside";
            EXPECT_NE(std::string::npos, text.find("is not supported")) << text;
        }
    }
    if (!refused)
    {
        (void)product.Run("/S");
        const DWORD osVer = osDefine == "W98" || osDefine == "WME" ? 1 : 3;
        EXPECT_EQ(osVer, product.InstallingNumber("OS_Ver")) << osDefine;
    }
}
