#include "env/Platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/Scoped.h"
#include "log/Log.h"
#include "support/TempDir.h"
#include "support/WineRun.h"

namespace
{
OsVersionInfo Version(DWORD platform, DWORD major, DWORD minor, const char* servicePack = "",
                      BYTE productType = 0, bool extended = true, bool windows64 = false)
{
    OsVersionInfo info;
    info.platformId = platform;
    info.majorVersion = major;
    info.minorVersion = minor;
    info.servicePack = servicePack;
    info.productType = productType;
    info.hasExtendedInfo = extended;
    info.windows64 = windows64;
    return info;
}

struct Presented
{
    const char* version;
    const char* osDefineKey;
    int osCode;
    int osClass;
};

// What Wine presents for each version mode, and what the classifier must make of it.
const Presented kPresented[] = {
    {"win95", "0X00010400", OS_WIN95, OSCLASS_9X},    {"win98", "0X0001040A", OS_WIN98_SE, OSCLASS_9X},
    {"winme", "0X0001045A", OS_WINME, OSCLASS_9X},    {"nt40", "0X00020400", OS_NT4, OSCLASS_NT4},
    {"win2k", "0X00020500", OS_WIN2000, OSCLASS_NT5}, {"winxp", "0X00020501", OS_WINXP, OSCLASS_NT5},
    {"winxp64", "0X00020502", OS_WINXP, OSCLASS_NT5}, {"win2003", "0X00020502", OS_WIN2003, OSCLASS_NT5},
    {"vista", "0X00020600", OS_VISTA, OSCLASS_NT5},   {"win7", "0X00020601", OS_VISTA, OSCLASS_NT5},
};

const Presented* FindPresented(const std::string& version)
{
    for (const Presented& presented : kPresented)
    {
        if (version == presented.version)
        {
            return &presented;
        }
    }
    return nullptr;
}

BOOL WINAPI RefuseExtendedQuery(LPOSVERSIONINFOA info)
{
    if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA))
    {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    info->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    info->dwMajorVersion = 4;
    info->dwMinorVersion = 10;
    std::strcpy(info->szCSDVersion, " A ");
    return TRUE;
}

BOOL WINAPI RefuseEveryQuery(LPOSVERSIONINFOA)
{
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

// An OS_DEFINE section that records the keys asked for.
struct COsDefineSection
{
    std::map<std::string, std::string> keys;
    std::vector<std::string> asked;
    OsDefineLookup Lookup()
    {
        return [this](const std::string& key) -> std::optional<std::string> {
            asked.push_back(key);
            const auto found = keys.find(key);
            return found == keys.end() ? std::nullopt : std::optional<std::string>(found->second);
        };
    }
};

// A test-only key under HKEY_CURRENT_USER without subkeys, so that RegDeleteKeyA removes it in the 9x
// and the NT version modes alike. Its name carries the process id: the runs for several Windows
// versions share one prefix and may run at the same time.
const std::string kTestKeyName = "Software\\KvEnvPlatformTest" + std::to_string(::GetCurrentProcessId());
const char* const kTestKey = kTestKeyName.c_str();

class CTestKey
{
public:
    CTestKey()
    {
        ::RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          m_key.Receive(), nullptr);
    }
    ~CTestKey()
    {
        m_key.Reset();
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
    }
    bool Set(const char* name, DWORD type, const void* data, DWORD size)
    {
        const BYTE* bytes = static_cast<const BYTE*>(data);
        return ::RegSetValueExA(m_key.Get(), name, 0, type, bytes, size) == ERROR_SUCCESS;
    }
    bool SetText(const char* name, const std::string& text)
    {
        return Set(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }

private:
    CRegKey m_key;
};

// Reads "VersionNumber" from the test key instead of the system's key.
MachineTextReader TestKeyReader(const char* valueName)
{
    return [valueName](const char*, const char*) -> std::optional<std::string> {
        std::string text;
        if (ReadRegistryText(HKEY_CURRENT_USER, kTestKey, valueName, text) != ERROR_SUCCESS)
        {
            return std::nullopt;
        }
        return text;
    };
}
}  // namespace

TEST(PlatformTest, ClassifyOsVersion_EveryTableRow)
{
    const struct
    {
        OsVersionInfo info;
        int code;
        int osClass;
    } rows[] = {
        {Version(0, 3, 10), OS_WIN32S, OSCLASS_WIN32S},
        {Version(1, 4, 0, ""), OS_WIN95, OSCLASS_9X},
        {Version(1, 4, 0, " A "), OS_WIN95, OSCLASS_9X},
        {Version(1, 4, 0, " B "), OS_WIN95_OSR2, OSCLASS_9X},
        {Version(1, 4, 0, "c"), OS_WIN95_OSR2, OSCLASS_9X},
        {Version(1, 4, 10, ""), OS_WIN98, OSCLASS_9X},
        {Version(1, 4, 10, " B "), OS_WIN98, OSCLASS_9X},
        {Version(1, 4, 10, " A "), OS_WIN98_SE, OSCLASS_9X},
        {Version(1, 4, 10, "A"), OS_WIN98_SE, OSCLASS_9X},
        {Version(1, 4, 90, " "), OS_WINME, OSCLASS_9X},
        {Version(1, 4, 3), OS_WIN9X_OTHER, OSCLASS_9X},
        {Version(2, 3, 51), OS_NT3, OSCLASS_NT4},
        {Version(2, 4, 0, "Service Pack 6a", 1), OS_NT4, OSCLASS_NT4},
        {Version(2, 5, 0), OS_WIN2000, OSCLASS_NT5},
        {Version(2, 5, 1), OS_WINXP, OSCLASS_NT5},
        {Version(2, 5, 3), OS_WINXP, OSCLASS_NT5},
        {Version(2, 5, 2, "", VER_NT_SERVER), OS_WIN2003, OSCLASS_NT5},
        {Version(2, 5, 2, "", VER_NT_WORKSTATION), OS_WIN2003, OSCLASS_NT5},
        {Version(2, 5, 2, "", VER_NT_WORKSTATION, true, true), OS_WINXP, OSCLASS_NT5},
        {Version(2, 5, 2, "", 0, false, true), OS_WIN2003, OSCLASS_NT5},
        {Version(2, 5, 2, "", VER_NT_SERVER, true, true), OS_WIN2003, OSCLASS_NT5},
        {Version(2, 5, 2, "", VER_NT_DOMAIN_CONTROLLER, true, true), OS_WIN2003, OSCLASS_NT5},
        {Version(2, 6, 0), OS_VISTA, OSCLASS_NT5},
        {Version(2, 6, 1, "", VER_NT_WORKSTATION, true, true), OS_VISTA, OSCLASS_NT5},
        {Version(2, 10, 0), OS_WIN2000, OSCLASS_NT5},
        {Version(2, 2, 0), OS_WIN2000, OSCLASS_NT5},
    };
    for (const auto& row : rows)
    {
        int code = -1;
        int osClass = -1;
        ASSERT_TRUE(ClassifyOsVersion(row.info, code, osClass));
        EXPECT_EQ(row.code, code) << "code for platform " << row.info.platformId << " "
                                  << row.info.majorVersion << "." << row.info.minorVersion << " '"
                                  << row.info.servicePack << "' type " << int(row.info.productType)
                                  << " 64-bit " << row.info.windows64;
        EXPECT_EQ(row.osClass, osClass) << "class for code " << row.code;
    }

    int code = 77;
    int osClass = 78;
    EXPECT_FALSE(ClassifyOsVersion(Version(3, 5, 0), code, osClass))
        << "an unknown platform is not classified";
    EXPECT_EQ(77, code) << "outputs stay untouched";
    EXPECT_EQ(78, osClass);
}

TEST(PlatformTest, ClassifyOsVersion_AnyInput_NeverGivesTheUnusedCodes)
{
    for (DWORD platform = 0; platform <= 2; ++platform)
    {
        for (DWORD major = 0; major <= 11; ++major)
        {
            for (DWORD minor : {0u, 1u, 2u, 3u, 10u, 51u, 90u})
            {
                for (int variant = 0; variant < 8; ++variant)
                {
                    const OsVersionInfo info =
                        Version(platform, major, minor, variant % 2 ? " A " : "C",
                                static_cast<BYTE>(variant % 4), variant < 4, variant % 3 == 0);
                    int code = 0;
                    int osClass = 0;
                    ASSERT_TRUE(ClassifyOsVersion(info, code, osClass));
                    EXPECT_TRUE(code != 1 && code != 5 && code != 8 && code != 15 && code != 17 &&
                                code >= 2 && code <= 18)
                        << "code " << code << " is never produced";
                }
            }
        }
    }
}

TEST(PlatformTest, GetOsVersionCode_RealSystem_GivesTheCodeOfThePresentedVersion)
{
    int code = 0;
    int osClass = 0;
    ASSERT_TRUE(GetOsVersionCode(code, osClass)) << "the system answers the version query";
    OsVersionInfo info;
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), QueryOsVersion(info));
    EXPECT_TRUE(info.hasExtendedInfo) << "Wine answers the extended query in every version mode";

    const Presented* presented = FindPresented(PresentedVersion());
    if (presented == nullptr)
    {
        return;  // the unversioned run: whatever the prefix's default version is
    }
    int expectedCode = presented->osCode;
    if (std::string(presented->version) == "winxp64" && !IsWindows64())
    {
        expectedCode = OS_WIN2003;  // 5.2 workstation on 32-bit Windows keeps the table's code
    }
    EXPECT_EQ(expectedCode, code) << "OS code for " << presented->version << " (service pack '"
                                  << info.servicePack << "', product type " << int(info.productType) << ")";
    EXPECT_EQ(presented->osClass, osClass) << "OS class for " << presented->version;
    EXPECT_EQ(presented->osDefineKey, MakeOsDefineKey(info.platformId, info.majorVersion, info.minorVersion))
        << "OS define key for " << presented->version;
}

TEST(PlatformTest, IsWindows64_RealSystem_FollowsThePrefix)
{
    const int prefix64 = PrefixIs64Bit();
    if (prefix64 < 0)
    {
        GTEST_SKIP() << "not run in one of the test prefixes";
    }
    EXPECT_EQ(prefix64 == 1, IsWindows64()) << "64-bit Windows exactly in the 64-bit prefix";
    EXPECT_EQ(prefix64 == 1 && sizeof(void*) == 4, IsWow64()) << "only a 32-bit program runs under WOW64";
    EXPECT_FALSE(IsWow64("Kernel32.dll", "KvNoSuchFunction")) << "a system without IsWow64Process is 32-bit";
    EXPECT_FALSE(IsWow64("KvNoSuchModule.dll", "IsWow64Process")) << "a missing module counts as 32-bit";
}

TEST(PlatformTest, QueryOsVersion_ExtendedRefused_FallsBackToBasicInformation)
{
    OsVersionInfo info;
    info.productType = 9;
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), QueryOsVersion(info, RefuseExtendedQuery));
    EXPECT_FALSE(info.hasExtendedInfo) << "basic information has no product type";
    EXPECT_EQ(0, info.productType);
    EXPECT_EQ(" A ", info.servicePack) << "the service-pack text is kept as reported";
    int code = 0;
    int osClass = 0;
    ASSERT_TRUE(GetOsVersionCode(code, osClass, RefuseExtendedQuery));
    EXPECT_EQ(OS_WIN98_SE, code) << "Windows 98 SE from the basic structure";

    OsVersionInfo untouched = Version(2, 5, 1, "x", 1);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), QueryOsVersion(untouched, RefuseEveryQuery));
    EXPECT_EQ(1u, untouched.minorVersion) << "info is written only on success";
    code = 55;
    osClass = 56;
    EXPECT_FALSE(GetOsVersionCode(code, osClass, RefuseEveryQuery)) << "both queries refused";
    EXPECT_EQ(55, code) << "outputs stay untouched";
    EXPECT_EQ(56, osClass);
}

TEST(PlatformTest, ReadRegistryText_AndWindowsMeTest_ReadTheValueWrittenUnderATestKey)
{
    CTestKey key;
    const std::string longText(1000, 'v');
    ASSERT_TRUE(key.SetText("VersionNumber", "4.90.3000"));
    ASSERT_TRUE(key.SetText("Long", longText));
    ASSERT_TRUE(key.Set("Unterminated", REG_SZ, "4.10.2222", 9));
    const DWORD number = 4;
    ASSERT_TRUE(key.Set("Number", REG_DWORD, &number, sizeof(number)));

    std::string text = "untouched";
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), ReadRegistryText(HKEY_CURRENT_USER, kTestKey, "Long", text));
    EXPECT_EQ(longText, text) << "a value longer than the first buffer is read whole";
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              ReadRegistryText(HKEY_CURRENT_USER, kTestKey, "Unterminated", text));
    EXPECT_EQ("4.10.2222", text) << "data stored without its zero ends at its size";
    text = "untouched";
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATATYPE),
              ReadRegistryText(HKEY_CURRENT_USER, kTestKey, "Number", text));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              ReadRegistryText(HKEY_CURRENT_USER, kTestKey, "None", text));
    EXPECT_EQ(
        static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
        ReadRegistryText(HKEY_CURRENT_USER, "Software\\KvEnvPlatformTestMissing", "VersionNumber", text));
    EXPECT_EQ("untouched", text) << "text is written only on success";

    EXPECT_TRUE(IsWindowsMe(TestKeyReader("VersionNumber"))) << "4.90.3000 is Windows Me";
    EXPECT_FALSE(IsWindowsMe(TestKeyReader("Unterminated"))) << "4.10.2222 is Windows 98";
    EXPECT_FALSE(IsWindowsMe(TestKeyReader("None"))) << "no VersionNumber is not Windows Me";
}

TEST(PlatformTest, ChooseOsDefine_TriesTheKeysInTheirOrder)
{
    const struct
    {
        OsVersionInfo info;
        bool windowsMe;
        std::vector<std::string> keys;
    } cases[] = {
        {Version(2, 5, 1), false, {"0X00020501", "DEF_WIN2KS", "0X00020500"}},
        {Version(2, 5, 2, "", VER_NT_WORKSTATION, true, true),
         false,
         {"0X00020502.64", "0X00020502.64.PRO", "0X00020502", "DEF_WIN2KS", "0X00020500"}},
        {Version(2, 5, 2, "", VER_NT_DOMAIN_CONTROLLER, true, true),
         false,
         {"0X00020502.64", "0X00020502.64.DOM", "0X00020502.64.SER", "0X00020502", "DEF_WIN2KS",
          "0X00020500"}},
        {Version(2, 6, 0, "", VER_NT_SERVER, true, true),
         false,
         {"0X00020600.64", "0X00020600.64.SER", "0X00020600", "DEF_WIN2KS", "0X00020500"}},
        {Version(2, 6, 1, "", 0, false, true),
         false,
         {"0X00020601.64", "0X00020601", "DEF_WIN2KS", "0X00020500"}},
        {Version(2, 4, 0), false, {"0X00020400"}},
        {Version(2, 3, 51), false, {"0X00020333", "DEF_WIN2KS", "0X00020500"}},
        {Version(1, 4, 10), true, {"0X0001045A", "0X0001040A"}},
        {Version(1, 4, 10), false, {"0X0001040A"}},
        {Version(1, 4, 0), true, {"0X00010400", "0X0001040A"}},
        {Version(1, 4, 90), false, {"0X0001045A", "0X0001040A"}},
        {Version(0, 3, 10), false, {"0X0000030A"}},
    };
    for (const auto& c : cases)
    {
        COsDefineSection section;
        std::string osDefine = "untouched";
        EXPECT_FALSE(ChooseOsDefine(c.info, c.windowsMe, section.Lookup(), osDefine)) << "no key exists";
        EXPECT_EQ("untouched", osDefine);
        EXPECT_EQ(c.keys, section.asked) << "keys for " << c.keys.front();
    }

    COsDefineSection section;
    section.keys = {{"0X00020502.64.PRO", "XP64"}, {"0X00020502", "W2003"}, {"DEF_WIN2KS", "W2K"}};
    std::string osDefine;
    ASSERT_TRUE(ChooseOsDefine(Version(2, 5, 2, "", 1, true, true), false, section.Lookup(), osDefine));
    EXPECT_EQ("XP64", osDefine) << "the first key found wins";
    ASSERT_TRUE(ChooseOsDefine(Version(2, 6, 1), false, section.Lookup(), osDefine));
    EXPECT_EQ("W2K", osDefine) << "an NT version without its own key takes DEF_WIN2KS";
}

TEST(PlatformTest, DetermineOsDefine_RealSystem_AsksForThePresentedVersionsKey)
{
    const Presented* presented = FindPresented(PresentedVersion());
    if (presented == nullptr)
    {
        GTEST_SKIP() << "only in the versioned runs";
    }
    CLog log;
    COsDefineSection section;
    std::string osDefine = "untouched";
    EXPECT_FALSE(DetermineOsDefine(log, section.Lookup(), osDefine));
    ASSERT_FALSE(section.asked.empty());
    const std::string expected = std::string(presented->osDefineKey) + (IsWindows64() ? ".64" : "");
    EXPECT_EQ(expected, section.asked.front()) << "first OS_DEFINE key for " << presented->version;

    if (std::string(presented->version) == "win98")
    {
        CTestKey key;
        ASSERT_TRUE(key.SetText("VersionNumber", "4.90.3000"));
        section.keys = {{"0X0001045A", "ME"}};
        ASSERT_TRUE(
            DetermineOsDefine(log, section.Lookup(), osDefine, nullptr, TestKeyReader("VersionNumber")));
        EXPECT_EQ("ME", osDefine) << "a 4.10 system whose VersionNumber says 4.90 takes the Windows Me key";
    }
}

TEST(PlatformTest, DetermineOsDefine_VersionRefused_LogsAndFails)
{
    CTempDir dir;
    char oldTmp[MAX_PATH + 1] = {};
    const bool hadTmp = ::GetEnvironmentVariableA("TMP", oldTmp, MAX_PATH) != 0;
    ::SetEnvironmentVariableA("TMP", (dir.Path() + "\\").c_str());
    CLog log;
    const bool opened = log.OpenLogFile();
    ::SetEnvironmentVariableA("TMP", hadTmp ? oldTmp : nullptr);
    ASSERT_TRUE(opened && log.IsOpen());

    COsDefineSection section;
    std::string osDefine = "untouched";
    EXPECT_FALSE(DetermineOsDefine(log, section.Lookup(), osDefine, RefuseEveryQuery));
    EXPECT_EQ("untouched", osDefine);
    EXPECT_TRUE(section.asked.empty()) << "no key is looked up without a version";
    const std::string text = ReadTestFile(log.GetFilePath());
    EXPECT_NE(std::string::npos, text.find("]  Get OS Version fail\r\n")) << "log was: " << text;
    EXPECT_NE(std::string::npos, text.find("]  Error Code = 5 :"))
        << "the system error follows; log was: " << text;
}

TEST(PlatformTest, SectionCandidates_FollowTheProductKinds)
{
    const std::vector<std::string> both = {"O.XP.EN.NETWORK.USB", "O.XP.EN.NETWORK", "O.XP.EN.USB", "O.XP.EN",
                                           "O.XP.NETWORK.USB",    "O.XP.NETWORK",    "O.XP.USB",    "O.XP",
                                           "O.EN.NETWORK.USB",    "O.EN.NETWORK",    "O.EN.USB",    "O.EN",
                                           "O.NETWORK.USB",       "O.NETWORK",       "O.USB",       "O"};
    EXPECT_EQ(both, SectionCandidates("o", "xp", "En", true, true)) << "NETWORK and USB";
    const std::vector<std::string> network = {"O.XP.EN.NETWORK", "O.XP.EN", "O.XP.NETWORK", "O.XP",
                                              "O.EN.NETWORK",    "O.EN",    "O.NETWORK",    "O"};
    EXPECT_EQ(network, SectionCandidates("O", "XP", "EN", true, false)) << "NETWORK only";
    const std::vector<std::string> usb = {"O.XP.EN.USB", "O.XP.EN", "O.XP.USB", "O.XP",
                                          "O.EN.USB",    "O.EN",    "O.USB",    "O"};
    EXPECT_EQ(usb, SectionCandidates("O", "XP", "EN", false, true)) << "USB only";
    const std::vector<std::string> neither = {"O.XP.EN", "O.XP", "O.EN", "O"};
    EXPECT_EQ(neither, SectionCandidates("O", "XP", "EN", false, false)) << "neither";
    const std::vector<std::string> noOs = {"O..EN", "O.", "O.EN", "O"};
    EXPECT_EQ(noOs, SectionCandidates("O", "", "EN", false, false))
        << "an OS not yet known leaves an empty part";
}

TEST(PlatformTest, ResolveSection_TakesTheMostSpecificExistingSection)
{
    std::string list =
        "VERSION INSTALL_START_INFO install_start_info.en\tINSTALL_START_INFO.XP  INSTALL_START_INFO.XP.EN";
    std::string resolved;
    const char* expected[] = {"INSTALL_START_INFO.XP.EN", "INSTALL_START_INFO.XP", "INSTALL_START_INFO.EN",
                              "INSTALL_START_INFO"};
    for (const char* name : expected)
    {
        ASSERT_TRUE(ResolveSection("INSTALL_START_INFO", "XP", "EN", false, false, list, resolved));
        EXPECT_EQ(name, resolved) << "most specific of: " << list;
        const size_t at = list.find(name);  // drop the section just found (case as in the list)
        list.erase(at != std::string::npos ? at : list.find("install_start_info.en"), std::strlen(name));
    }

    resolved = "untouched";
    EXPECT_FALSE(ResolveSection("OPTION", "XP", "EN", true, true, list, resolved)) << "no variant at all";
    EXPECT_FALSE(ResolveSection("OPTION", "XP", "EN", true, true, std::string(), resolved)) << "no sections";
    EXPECT_FALSE(
        ResolveSection("OPTION", "XP", "EN", false, false, "OPTION.XP.ENX OPTIONS OPTION.XP.EN.", resolved))
        << "only whole names match";
    EXPECT_EQ("untouched", resolved) << "resolved is written only on success";

    for (int kinds = 0; kinds < 4; ++kinds)
    {
        EXPECT_TRUE(ResolveSection("OPTION", "", "JP", kinds & 1, kinds & 2,
                                   std::vector<std::string>{"Option"}, resolved));
        EXPECT_EQ("OPTION", resolved) << "a configuration with only the base section resolves to it";
    }
    EXPECT_TRUE(ResolveSection("OPTION", "", "EN", false, false, "OPTION OPTION..EN", resolved));
    EXPECT_EQ("OPTION..EN", resolved) << "before the OS is known the empty part is part of the name";
    EXPECT_TRUE(
        ResolveSection("OPTION", "XP", "EN", true, false, "OPTION OPTION.NETWORK OPTION.XP.USB", resolved));
    EXPECT_EQ("OPTION.NETWORK", resolved) << "USB variants are ignored when USB_ONLY is off";
}
