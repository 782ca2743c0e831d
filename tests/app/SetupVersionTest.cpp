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
const char kNoItems[] = "Initialize installed item information fail";   // the test product has no items

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
        DWORD exitCode;
    };
    const std::string refusal = "This system could not satisfy the installer Minimum Requirement!";
    const Row rows[] = {
        {"/S", kNoItems, true, 1603},
        {"", kWizardEnd, true, 0},
        {"/S /U", kNoItems, false, 1603},
        {"/S /R", kNoItems, false, 1603},
        {"/U", kWizardEnd, false, 0},
        {"/S /D", "Parameter : /S /D", false, 0},
    };
    for (const Row& row : rows)
    {
        const bool expectBox = refused && row.firstInstall;
        std::unique_ptr<CBoxAnswerer> user;
        if (expectBox)
        {
            user.reset(new CBoxAnswerer(product.ProgramName(), product.Folder() + "\\box.txt"));
        }
        product.SetWizardItem(row.lastLine == kWizardEnd);
        const SetupRun run = product.Run(row.arguments);
        const DWORD expectedCode = expectBox ? 1633 : row.exitCode;
        ASSERT_GE(run.log.size(), 3u) << row.arguments;
        EXPECT_EQ(kEnd, run.log[run.log.size() - 2]) << row.arguments;
        if (row.lastLine == kWizardEnd && !expectBox)
        {
            // The wizard starts and its start command ends it; the termination steps decide the code.
            EXPECT_TRUE(Contains(run.log, kWizardEnd)) << row.arguments;
        }
        else
        {
            EXPECT_EQ(expectedCode, run.exitCode) << "'" << row.arguments << "' ended with " << run.exitCode;
            EXPECT_EQ(ExitLine(expectedCode), run.log.back()) << row.arguments;
            EXPECT_EQ(expectBox ? refusal : row.lastLine, run.log[run.log.size() - 3]) << row.arguments;
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
