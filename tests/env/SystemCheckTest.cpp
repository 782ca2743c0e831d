#include "env/AdminCheck.h"
#include "env/FileSystem.h"
#include "env/ServiceControl.h"
#include "env/SourceMedia.h"
#include "env/SpoolerCheck.h"
#include "env/SystemError.h"
#include "env/WordList.h"

#include <gtest/gtest.h>

#include <winioctl.h>
#include <winspool.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/Scoped.h"
#include "log/Log.h"
#include "support/MessageBoxWatcher.h"
#include "support/TempDir.h"
#include "support/TestHelpers.h"
#include "support/TestPrinterQueue.h"

using namespace SystemCheck;

namespace
{

std::string UniqueName(const char* what)
{
    return std::string("KvTest SysCheck ") + what + " " + std::to_string(::GetCurrentProcessId());
}

bool ThreadHasToken()
{
    HANDLE token = nullptr;
    const bool has = ::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token) != FALSE;
    if (has)
    {
        ::CloseHandle(token);
    }
    return has;
}

bool IsAdministratorsSid(PSID sid)
{
    BYTE admins[SECURITY_MAX_SID_SIZE] = {};
    DWORD size = sizeof(admins);
    return sid != nullptr && ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size) &&
           ::EqualSid(sid, admins);
}

// What the administrator test hands to AccessCheck, and the answer the stand-in gives.
struct AccessCheckRecord
{
    int calls = 0;
    bool adminsOnlyDescriptor = false;     // valid; one allow entry, mask 3, Administrators; owner and group too
    bool impersonationToken = false;
    DWORD desired = 0;
    GENERIC_MAPPING mapping = {};
    BOOL callResult = TRUE;
    BOOL granted = TRUE;
} g_access;

BOOL WINAPI RecordingAccessCheck(PSECURITY_DESCRIPTOR descriptor, HANDLE token, DWORD desired,
                                 PGENERIC_MAPPING mapping, PPRIVILEGE_SET, LPDWORD, LPDWORD granted, LPBOOL status)
{
    ++g_access.calls;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL acl = nullptr;
    void* ace = nullptr;
    PSID owner = nullptr;
    PSID group = nullptr;
    g_access.adminsOnlyDescriptor =
        ::IsValidSecurityDescriptor(descriptor) &&
        ::GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) &&
        present && acl != nullptr && acl->AceCount == 1 && ::GetAce(acl, 0, &ace) &&
        static_cast<ACCESS_ALLOWED_ACE*>(ace)->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
        static_cast<ACCESS_ALLOWED_ACE*>(ace)->Mask == 3 &&
        IsAdministratorsSid(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart) &&
        ::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) && IsAdministratorsSid(owner) &&
        ::GetSecurityDescriptorGroup(descriptor, &group, &defaulted) && IsAdministratorsSid(group);
    TOKEN_TYPE type = TokenPrimary;
    DWORD length = 0;
    g_access.impersonationToken =
        ::GetTokenInformation(token, TokenType, &type, sizeof(type), &length) && type == TokenImpersonation;
    g_access.desired = desired;
    g_access.mapping = *mapping;
    *granted = g_access.granted ? desired : 0;
    *status = g_access.granted;
    return g_access.callResult;
}

// A drive letter of a chosen type made through Wine's mount manager (as winecfg does) and removed again.
// The request exists only under Wine; elsewhere IsDefined() is false.
class CWineDrive
{
public:
    explicit CWineDrive(UINT type)
    {
        const DWORD used = ::GetLogicalDrives();
        for (char letter = 'P'; letter <= 'Y' && m_letter == 0; ++letter)
        {
            m_letter = (used & (1u << (letter - 'A'))) == 0 ? letter : 0;
        }
        m_defined = m_letter != 0 && Define("/tmp", type);   // only the drive's type is looked at
    }
    ~CWineDrive()
    {
        if (m_defined)
        {
            Define(nullptr, DRIVE_NO_ROOT_DIR);
        }
    }
    bool IsDefined() const { return m_defined; }
    std::string Root() const { return std::string(1, m_letter) + ":\\"; }

private:
    struct UnixDrive                                          // Wine's struct mountmgr_unix_drive
    {
        ULONG size, type, fsType;
        DWORD serial;
        ULONGLONG unixDev;
        WCHAR letter;
        USHORT mountPointOffset, deviceOffset, labelOffset;
    };

    bool Define(const char* unixDir, UINT type) const
    {
        const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        const CHandle manager(::CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE, share,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
        std::vector<char> request(sizeof(UnixDrive) + (unixDir != nullptr ? std::strlen(unixDir) + 1 : 0), 0);
        auto* drive = reinterpret_cast<UnixDrive*>(request.data());
        drive->size = static_cast<ULONG>(request.size());
        drive->type = type;
        drive->letter = static_cast<WCHAR>(m_letter - 'A' + 'a');
        if (unixDir != nullptr)
        {
            drive->mountPointOffset = sizeof(UnixDrive);
            std::strcpy(request.data() + sizeof(UnixDrive), unixDir);
        }
        const DWORD defineUnixDrive = CTL_CODE(0x6d, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
        DWORD returned = 0;
        return manager.IsValid() && ::DeviceIoControl(manager.Get(), defineUnixDrive, request.data(),
                                                      static_cast<DWORD>(request.size()), nullptr, 0, &returned,
                                                      nullptr);
    }

    char m_letter = 0;
    bool m_defined = false;
};

}  // namespace

TEST(SystemCheckTest, CheckAdministrator_RealAndSuppliedAccessCheck)
{
    EXPECT_TRUE(CheckAdministrator()) << "the user is an administrator under Wine";
    EXPECT_FALSE(ThreadHasToken()) << "the impersonation is reverted";

    g_access = AccessCheckRecord();
    g_access.granted = FALSE;
    EXPECT_FALSE(CheckAdministrator(RecordingAccessCheck)) << "access not granted: not an administrator";
    ASSERT_EQ(1, g_access.calls) << "one access check";
    EXPECT_TRUE(g_access.adminsOnlyDescriptor) << "a descriptor allowing mask 3 to built-in Administrators only";
    EXPECT_TRUE(g_access.impersonationToken) << "checked with the thread's impersonation token";
    EXPECT_EQ(1u, g_access.desired) << "read access is asked";
    EXPECT_TRUE(g_access.mapping.GenericRead == 1 && g_access.mapping.GenericWrite == 2 &&
                g_access.mapping.GenericExecute == 0 && g_access.mapping.GenericAll == 3)
        << "generic mapping read 1, write 2, execute 0, all 3";
    EXPECT_FALSE(ThreadHasToken()) << "reverted also when the answer is no";

    g_access = AccessCheckRecord();
    g_access.callResult = FALSE;
    EXPECT_FALSE(CheckAdministrator(RecordingAccessCheck)) << "a failing access check means no administrator";
}

TEST(SystemCheckTest, GetSourceMediaType_RealDrives)
{
    EXPECT_EQ(kMediaFixed, GetSourceMediaType("C:\\windows\\notepad.exe")) << "C: is a fixed disk";
    EXPECT_EQ(kMediaFixed, GetSourceMediaType()) << "the test program's own drive is a fixed disk";
    EXPECT_EQ(kMediaUnknown, GetSourceMediaType("Setup.exe")) << "no backslash";
    EXPECT_EQ(kMediaUnknown, GetSourceMediaType("\\\\kvtest-nosuchserver\\share\\Setup.exe"))
        << "an unreachable share, not the current drive";
    EXPECT_EQ("\\\\server\\share\\", DriveRootOf("\\\\server\\share\\Disk1\\Setup.exe")) << "a share is a root";

    const struct
    {
        UINT driveType;
        int code;
    } cases[] = {{DRIVE_CDROM, kMediaCdRom}, {DRIVE_REMOTE, kMediaRemote}, {DRIVE_REMOVABLE, kMediaRemovable},
                 {DRIVE_RAMDISK, kMediaRamDisk}};
    std::string removedRoot;
    for (const auto& entry : cases)
    {
        CWineDrive drive(entry.driveType);
        if (!drive.IsDefined())
        {
            GTEST_SKIP() << "drives of a chosen type can only be made under Wine";
        }
        EXPECT_EQ(entry.code, GetSourceMediaType((drive.Root() + "Disk1\\Setup.exe").c_str()))
            << "installer on drive type " << entry.driveType;
        removedRoot = drive.Root();
    }
    EXPECT_EQ(kMediaUnknown, GetSourceMediaType((removedRoot + "Setup.exe").c_str())) << "a drive that is gone";
}

TEST(SystemCheckTest, WaitNoPendingInstall_RealSetupApiAndSuppliedWaits)
{
    int helperCalls = 0;
    const auto helper = [&helperCalls] { ++helperCalls; };
    EXPECT_FALSE(WaitNoPendingInstall(helper)) << "nothing is pending under Wine";
    EXPECT_EQ(0, helperCalls) << "the new-hardware window is not raised";
    EXPECT_TRUE(static_cast<bool>(SystemPendingInstallWait())) << "the system's wait is found";
    EXPECT_FALSE(static_cast<bool>(SystemPendingInstallWait("KvNoSuchExport"))) << "Windows 95 and NT 4 have none";

    std::vector<DWORD> timeouts;
    int timeOutsLeft = 0;
    const PendingInstallWait wait = [&](DWORD timeout) -> DWORD {
        timeouts.push_back(timeout);
        return timeOutsLeft-- > 0 ? WAIT_TIMEOUT : WAIT_OBJECT_0;
    };
    timeOutsLeft = 4;
    EXPECT_TRUE(WaitNoPendingInstall(wait, helper)) << "installations were pending";
    EXPECT_EQ(std::vector<DWORD>(5, 1000), timeouts) << "1000 ms waits until nothing is pending";
    EXPECT_EQ(3, helperCalls) << "the helper runs after each further wait that timed out";

    timeouts.clear();
    timeOutsLeft = 1000;
    EXPECT_TRUE(WaitNoPendingInstall(wait, nullptr));
    EXPECT_EQ(61u, timeouts.size()) << "without the helper: the first wait and at most 60 further ones";
    helperCalls = 0;
    timeOutsLeft = 200;
    EXPECT_TRUE(WaitNoPendingInstall(wait, helper));
    EXPECT_EQ(199, helperCalls) << "with the helper the wait goes on far longer";
    helperCalls = 0;
    timeouts.clear();
    timeOutsLeft = 1000000;
    EXPECT_TRUE(WaitNoPendingInstall(wait, helper));
    EXPECT_EQ(1801u, timeouts.size()) << "a window nobody answers: the first wait and 1800 further ones";
    EXPECT_EQ(1800, helperCalls);

    EXPECT_FALSE(WaitNoPendingInstall([](DWORD) -> DWORD { return WAIT_FAILED; }, helper))
        << "a failing wait is no pending installation";
}

TEST(SystemCheckTest, IsPrinterInstalled_RealSpooler_DriverAndPrinter)
{
    CLog log;
    const std::string driverName = UniqueName("Driver");
    EXPECT_FALSE(IsPrinterInstalled(log, driverName.c_str(), false)) << "the driver is not installed yet";

    CTestPrinterQueues driver(driverName);
    ASSERT_TRUE(driver.IsAdded()) << "AddPrinterDriverEx error " << ::GetLastError();
    std::string upper = driverName;
    ::CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
    EXPECT_TRUE(IsPrinterInstalled(log, upper.c_str(), false)) << "the driver is listed; case is ignored";
    EXPECT_FALSE(IsPrinterInstalled(log, driverName.c_str(), true)) << "a driver alone is no printer";

    ASSERT_TRUE(driver.Add(UniqueName("Printer"))) << "AddPrinter error " << ::GetLastError();
    EXPECT_TRUE(IsPrinterInstalled(log, driverName.c_str(), true)) << "a local printer uses the driver";
    EXPECT_FALSE(IsPrinterInstalled(log, (driverName + "x").c_str(), true)) << "names compare whole";
}

TEST(SystemCheckTest, DirectoryChains_EmptyParentsGoUpToTheFirstThatIsNot)
{
    CTempDir top;
    ASSERT_TRUE(WriteTestFile(top.File("keep.txt"), "x")) << "the climb must stop at the test folder";
    const std::string a = top.File("A");
    const std::string b = a + "\\B";
    const std::string c = b + "\\C";
    ASSERT_TRUE(::CreateDirectoryA(a.c_str(), nullptr) && ::CreateDirectoryA(b.c_str(), nullptr) &&
                ::CreateDirectoryA(c.c_str(), nullptr) && WriteTestFile(a + "\\file.txt", "x"));
    EXPECT_TRUE(RemoveDirectoryChain((c + "\\").c_str()));
    EXPECT_FALSE(DirectoryExists(b)) << "C and B removed, also with a trailing backslash";
    EXPECT_TRUE(DirectoryExists(a)) << "A holds a file and stays";
    EXPECT_FALSE(RemoveDirectoryChain("")) << "empty text";

    ASSERT_TRUE(::CreateDirectoryA(b.c_str(), nullptr) && WriteTestFile(b + "\\one.txt", "1") &&
                WriteTestFile(b + "\\two.txt", "2"));
    EXPECT_TRUE(DeleteFileAndEmptyDirs((b + "\\one.txt").c_str(), false));
    EXPECT_FALSE(TestFileExists(b + "\\one.txt")) << "the file is deleted";
    EXPECT_TRUE(DirectoryExists(b)) << "B still holds two.txt";
    EXPECT_FALSE(DeleteFileAndEmptyDirs((b + "\\one.txt").c_str(), false)) << "a missing file fails";
    EXPECT_TRUE(DeleteFileAndEmptyDirs((b + "\\two.txt").c_str(), true));
    EXPECT_TRUE(DirectoryExists(b)) << "kept when asked to keep the directories";
    ASSERT_TRUE(::DeleteFileA((a + "\\file.txt").c_str()) && WriteTestFile(b + "\\three.txt", "3"));
    EXPECT_TRUE(DeleteFileAndEmptyDirs((b + "\\three.txt").c_str(), false));
    EXPECT_FALSE(DirectoryExists(a)) << "B and then A removed once empty";
    EXPECT_TRUE(DirectoryExists(top.Path())) << "the folder holding keep.txt stays";
}

// Changes the system's real setup key of the test prefix; the values found are put back afterwards.
class SetupSourcePathTest : public ::testing::Test
{
protected:
    struct Value
    {
        bool present = false;
        DWORD type = REG_NONE;
        std::string data;
    };

    void SetUp() override
    {
        BOOL wow64 = FALSE;
        m_wow64 = ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
        m_saved[0] = Read("SourcePath");
        m_saved[1] = Read("SourcePath_ORG");
    }
    void TearDown() override
    {
        Put("SourcePath", m_saved[0]);
        Put("SourcePath_ORG", m_saved[1]);
    }

    // A value in the view the installer writes: the 64-bit one on 64-bit Windows.
    Value Read(const char* name) const
    {
        Value value;
        CRegKey key;
        char data[1024] = {};
        DWORD size = sizeof(data) - 1;
        value.present = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ | View(), key.Receive()) == 0 &&
                        ::RegQueryValueExA(key.Get(), name, nullptr, &value.type, reinterpret_cast<BYTE*>(data),
                                           &size) == 0;
        value.data = data;
        return value;
    }
    void Put(const char* name, const Value& value) const
    {
        CRegKey key;
        ASSERT_EQ(0, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS | View(), key.Receive()));
        if (value.present)
        {
            ::RegSetValueExA(key.Get(), name, 0, value.type, reinterpret_cast<const BYTE*>(value.data.c_str()),
                             static_cast<DWORD>(value.data.size() + 1));
        }
        else
        {
            ::RegDeleteValueA(key.Get(), name);
        }
    }
    REGSAM View() const { return m_wow64 ? KEY_WOW64_64KEY : 0; }

    static constexpr const char* kKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";
    bool m_wow64 = false;
    Value m_saved[2];
};

TEST_F(SetupSourcePathTest, SetAndRestore_KeepsTheFirstOriginalAndItsType)
{
    Put("SourcePath", Value{true, REG_EXPAND_SZ, "%SystemRoot%\\I386"});
    Put("SourcePath_ORG", Value());

    ASSERT_EQ(0u, SetSetupSourcePath("C:\\windows\\system32\\drivers\\KvTest", m_wow64));
    const Value kept = Read("SourcePath_ORG");
    EXPECT_TRUE(kept.present && kept.type == REG_EXPAND_SZ && kept.data == "%SystemRoot%\\I386")
        << "the original is kept with its type";
    Value now = Read("SourcePath");
    const char* const expected =
        m_wow64 ? "C:\\WINDOWS\\SYSWOW64\\DRIVERS\\KVTEST" : "C:\\windows\\system32\\drivers\\KvTest";
    EXPECT_EQ(expected, now.data)
        << "the new path; under WOW64 upper-cased, in SysWOW64 and in the 64-bit view";
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), now.type) << "in the type of the old value";
    EXPECT_EQ("E:\\SECOND", SetupSourcePathFor("e:\\second", true)) << "upper-cased for WOW64";
    EXPECT_EQ("e:\\mysystem32\\x", SetupSourcePathFor("e:\\mysystem32\\x", false)) << "unchanged otherwise";

    ASSERT_EQ(0u, SetSetupSourcePath("E:\\SECOND", m_wow64));
    EXPECT_EQ("%SystemRoot%\\I386", Read("SourcePath_ORG").data)
        << "a second call keeps the true original, not the first call's path";

    EXPECT_EQ(0u, RestoreSetupSourcePath(m_wow64)) << "the result of deleting SourcePath_ORG";
    now = Read("SourcePath");
    EXPECT_TRUE(now.type == REG_EXPAND_SZ && now.data == "%SystemRoot%\\I386") << "the original is back";
    EXPECT_FALSE(Read("SourcePath_ORG").present) << "SourcePath_ORG is gone";

    Put("SourcePath", Value());
    ASSERT_EQ(0u, SetSetupSourcePath("F:\\DRIVERS", m_wow64));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), Read("SourcePath").type) << "without an old value: a string";
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), RestoreSetupSourcePath(m_wow64)) << "nothing was kept";
}

TEST_F(SetupSourcePathTest, Wow64_WritesTheKeyOfThe64BitView)
{
    if (!m_wow64)
    {
        GTEST_SKIP() << "one registry view only";
    }
    // The system's own key is one key in both views under Wine, so a key of the 64-bit view alone shows
    // which view is written.
    const std::string testKey = "SOFTWARE\\KvTestSysCheck" + std::to_string(::GetCurrentProcessId());
    CRegKey key;
    ASSERT_EQ(0, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, testKey.c_str(), 0, nullptr, 0,
                                   KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.Receive(), nullptr));
    EXPECT_EQ(0u, SetSetupSourcePath("c:\\windows\\system32\\kv", true, testKey.c_str()))
        << "the key is found in the 64-bit view";
    BYTE data[MAX_PATH] = {};
    DWORD size = sizeof(data);
    EXPECT_EQ(0, ::RegQueryValueExA(key.Get(), "SourcePath", nullptr, nullptr, data, &size)) << "SourcePath is there";
    EXPECT_STREQ("C:\\WINDOWS\\SYSWOW64\\KV", reinterpret_cast<char*>(data)) << "written there";
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), RestoreSetupSourcePath(true, testKey.c_str()));
    key.Reset();
    ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, testKey.c_str(), KEY_WOW64_64KEY, 0);
}

TEST(SystemCheckTest, Services_RealSpoolerStopsAndStarts_MissingAndDisabledGiveTheSystemError)
{
    DWORD initial = 0;
    ASSERT_EQ(0u, QueryServiceState("Spooler", &initial)) << "the spooler service exists";
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), QueryServiceState("Spooler", nullptr)) << "no output";
    DWORD state = 0;
    EXPECT_EQ(0u, StopServiceAndWait("Spooler", &state)) << "stopped";
    EXPECT_TRUE(state == SERVICE_STOPPED && QueryServiceState("Spooler", &state) == 0 && state == SERVICE_STOPPED)
        << "reported stopped, and the service says so";
    EXPECT_EQ(0u, StopServiceAndWait("Spooler", &state)) << "stopping a stopped service succeeds";
    EXPECT_EQ(0u, StartServiceAndWait("Spooler", &state)) << "started";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), state);
    state = 0;
    EXPECT_EQ(0u, StartServiceAndWait("Spooler", &state)) << "a running service needs nothing";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), state);
    if (initial == SERVICE_STOPPED)
    {
        EXPECT_EQ(0u, StopServiceAndWait("Spooler", &state)) << "left as found";
    }

    for (const char* name : {"KvTestNoSuchService", "SharedAccess", "mpssvc"})
    {
        state = 77;
        EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), StartServiceAndWait(name, &state)) << name;
        EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), StopServiceAndWait(name, &state)) << name;
        EXPECT_EQ(77u, state) << "no state without a service";
    }

    const CServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    const std::string name = UniqueName("Disabled");
    const CServiceHandle service(::CreateServiceA(
        manager.Get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_DISABLED,
        SERVICE_ERROR_IGNORE, "C:\\kvtest-missing\\service.exe", nullptr, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(service.IsValid()) << "CreateService error " << ::GetLastError();
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DISABLED), StartServiceAndWait(name.c_str(), &state))
        << "the start's own error is reported";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), state) << "with the state it stayed in";
    ::DeleteService(service.Get());
}

TEST(SystemCheckTest, WaitWhileServicePending_WaitHintAndCheckpoints)
{
    DWORD now = 5000;
    std::vector<DWORD> sleeps;
    std::vector<SERVICE_STATUS> answers;
    size_t queries = 0;
    size_t failAt = 0;
    const ServiceWaitCalls calls = {
        [&](SERVICE_STATUS& status) -> DWORD {
            if (++queries == failAt)
            {
                return ERROR_ACCESS_DENIED;
            }
            status = answers[queries - 1 < answers.size() ? queries - 1 : answers.size() - 1];
            return ERROR_SUCCESS;
        },
        [&](DWORD milliseconds) {
            sleeps.push_back(milliseconds);
            now += milliseconds;
        },
        [&] { return now; },
    };
    const auto pending = [](DWORD checkPoint, DWORD waitHint) {
        SERVICE_STATUS status = {};
        status.dwCurrentState = SERVICE_START_PENDING;
        status.dwCheckPoint = checkPoint;
        status.dwWaitHint = waitHint;
        return status;
    };
    SERVICE_STATUS running = {};
    running.dwCurrentState = SERVICE_RUNNING;

    // Progress within each 500 ms hint, for much longer than the hint: the timer restarts each time.
    for (DWORD checkPoint = 1; checkPoint <= 4; ++checkPoint)
    {
        answers.insert(answers.end(), 4, pending(checkPoint, 500));
    }
    answers.push_back(running);
    SERVICE_STATUS status = pending(0, 9000);
    EXPECT_EQ(0u, WaitWhileServicePending(SERVICE_START_PENDING, status, calls));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), status.dwCurrentState) << "waited until running";
    ASSERT_EQ(17u, sleeps.size()) << "one sleep before each query";
    EXPECT_EQ(900u, sleeps[0]) << "a tenth of the wait hint";
    EXPECT_EQ(100u, sleeps[1]) << "never less than 100 ms";

    sleeps.clear();
    queries = 0;
    answers = {pending(7, 500)};
    status = pending(7, 500);
    EXPECT_EQ(0u, WaitWhileServicePending(SERVICE_START_PENDING, status, calls));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_START_PENDING), status.dwCurrentState) << "given up while pending";
    EXPECT_EQ(6u, sleeps.size()) << "no progress: six rounds of 100 ms pass the 500 ms hint";

    sleeps.clear();
    queries = 0;
    failAt = 2;
    answers = {pending(1, 60000)};
    status = pending(0, 60000);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED),
              WaitWhileServicePending(SERVICE_START_PENDING, status, calls))
        << "a failing query ends the wait with its error";
    EXPECT_EQ(1u, status.dwCheckPoint) << "with the state reached before";
    EXPECT_EQ(1000u, sleeps[0]) << "never more than one second";

    // A service whose checkpoint advances for ever is given up after ten minutes of progress.
    sleeps.clear();
    queries = 0;
    failAt = 0;
    answers.clear();
    for (DWORD checkPoint = 1; checkPoint <= 2000; ++checkPoint)
    {
        answers.push_back(pending(checkPoint, 10000));
    }
    status = pending(0, 10000);
    const DWORD start = now;
    EXPECT_EQ(0u, WaitWhileServicePending(SERVICE_START_PENDING, status, calls));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_START_PENDING), status.dwCurrentState) << "given up while pending";
    EXPECT_EQ(kMaxServiceWaitMs, now - start) << "600 rounds of one second";
    EXPECT_EQ(600u, sleeps.size());
}

TEST(SystemCheckTest, IsWordInList_PiecesTrimmedAndComparedWithoutCase)
{
    EXPECT_TRUE(IsWordInList("W95, W98 ,\tME ", "me", ",")) << "pieces trimmed of spaces and tabs";
    EXPECT_TRUE(IsWordInList("a;b c", "C", "; ")) << "any of the separator characters";
    EXPECT_FALSE(IsWordInList("W95,W98", "W9", ",")) << "whole pieces only";
    EXPECT_FALSE(IsWordInList("a,,b", "", ",")) << "empty word";
    EXPECT_FALSE(IsWordInList("a", "a", "")) << "empty separators";
    EXPECT_FALSE(IsWordInList(nullptr, "a", ",")) << "no list";
}

TEST(SystemCheckTest, IsWordInList_DoubleByteCharacters_NeverCut)
{
    if (::GetACP() != 932)
    {
        GTEST_SKIP() << "needs the Japanese code page";
    }
    const char* const word = "A\x95\x5C";                          // the second byte of this character is '\\'
    EXPECT_TRUE(IsWordInList((std::string(word) + "\\B").c_str(), word, "\\"))
        << "only a backslash of its own separates";
    EXPECT_FALSE(IsWordInList(word, "A\x95", "\\")) << "the character is not split";
}

TEST(SystemCheckTest, ShowSystemError_AndFileExists)
{
    CTempDir dir;
    const std::string file = dir.File("a.txt");
    ASSERT_TRUE(WriteTestFile(file, "x"));
    EXPECT_TRUE(FileExists(file.c_str())) << "a readable file";
    EXPECT_FALSE(FileExists(dir.File("missing.txt").c_str()) || FileExists(dir.Path().c_str()) || FileExists(""))
        << "a missing file, a directory, an empty path";
    {
        const CHandle locked(::CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_FALSE(FileExists(file.c_str())) << "a file held without sharing cannot be opened for reading";
    }

    if (!CMessageBoxWatcher::HasDisplay())
    {
        GTEST_SKIP() << "no display for message boxes";
    }
    const std::string caption = UniqueName("Error");
    CMessageBoxWatcher watcher(caption);
    ShowSystemError(0x2000DEADu, caption.c_str());
    ShowSystemError(ERROR_ACCESS_DENIED, caption.c_str());
    const std::vector<std::string> texts = watcher.Texts();
    ASSERT_EQ(1u, texts.size()) << "one box, for the code the system has a text for";
    EXPECT_EQ(SystemErrorText(ERROR_ACCESS_DENIED).substr(0, 8), texts[0].substr(0, 8)) << "the system's text";
}
