// The uninstaller (KVDelAll.exe) and the manual viewer (Kvopen.exe), run as the installer runs them,
// from copies in a test folder.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "helpers/HelperTestSupport.h"

namespace
{
struct ProgramFixture
{
    CTempDir dir;
    CTempRedirect temp{dir.Path()};
    std::string Quote(const std::string& path) const { return "\"" + path + "\""; }
};

// A folder like an install folder: files, a sub-folder, a read-only file.
std::string MakeInstallFolder(const std::string& parent)
{
    const std::string product = parent + "\\Maker\\Product";
    const std::string folder = product + "\\Install";
    ::CreateDirectoryA((parent + "\\Maker").c_str(), nullptr);
    ::CreateDirectoryA(product.c_str(), nullptr);
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ::CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
    WriteTestFile(folder + "\\a.txt", "a");
    WriteTestFile(folder + "\\sub\\b.txt", "b");
    WriteTestFile(folder + "\\ro.txt", "r");
    ::SetFileAttributesA((folder + "\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    return folder;
}
}  // namespace

TEST(ProgramHelpersTest, Uninstaller_RefusesWhatItCannotHandle)
{
    ProgramFixture f;
    CHelperCopy program(f.dir.Path(), "KVDelAll.exe", "[WAIT]\r\nPROCESS_SECONDS=1\r\n");
    const std::string folder = MakeInstallFolder(f.dir.Path());
    const std::string release = f.dir.Path() + "\\release";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION busy = {};
    std::string line = f.Quote(ProbePath()) + " waitfor=" + release;
    ASSERT_TRUE(::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &busy));
    char pid[32];
    wsprintfA(pid, " /I0x%lx", busy.dwProcessId);

    const struct
    {
        std::string arguments;
        DWORD exitCode;
    } cases[] = {
        {"", ERROR_INVALID_PARAMETER},
        {"/I0x10", ERROR_INVALID_PARAMETER},
        {"/P\"C:\\\"", ERROR_INVALID_PARAMETER},
        {"/P\"C:\\windows\"", ERROR_INVALID_PARAMETER},
        {"/P" + f.Quote(folder) + pid, ERROR_TIMEOUT},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(c.exitCode, RunAndWait(f.Quote(program.Path()) + " " + c.arguments)) << c.arguments;
        EXPECT_TRUE(TestFileExists(folder + "\\sub\\b.txt")) << c.arguments << ": nothing removed";
    }
    WriteTestFile(release, "");
    ::WaitForSingleObject(busy.hProcess, 60000);
    ::CloseHandle(busy.hThread);
    ::CloseHandle(busy.hProcess);
    EXPECT_TRUE(FileContains(f.dir.Path() + "\\KVDelAll.log", "did not end within 1 seconds; nothing removed"));
    ::SetFileAttributesA((folder + "\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ProgramHelpersTest, Uninstaller_WaitsForTheInstallerThenRemovesTheFolderAndItself)
{
    ProgramFixture f;
    const std::string programDir = f.dir.Path() + "\\run";
    ::CreateDirectoryA(programDir.c_str(), nullptr);
    CHelperCopy program(programDir, "KVDelAll.exe");
    const std::string folder = MakeInstallFolder(f.dir.Path());
    WriteTestFile(f.dir.Path() + "\\Maker\\keep.txt", "the maker's folder is not empty");
    const std::string release = f.dir.Path() + "\\release";

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION installer = {};
    std::string line = f.Quote(ProbePath()) + " waitfor=" + release;
    ASSERT_TRUE(::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &installer));
    char arguments[MAX_PATH + 64];
    wsprintfA(arguments, " /P\"%s\" /I0x%x", folder.c_str(), installer.dwProcessId);
    PROCESS_INFORMATION uninstaller = {};
    line = f.Quote(program.Path()) + arguments;
    ASSERT_TRUE(::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &uninstaller));

    EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(uninstaller.hProcess, 0)) << "waits while the installer runs";
    EXPECT_TRUE(TestFileExists(folder + "\\a.txt")) << "nothing removed while the installer runs";
    WriteTestFile(release, "");
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(uninstaller.hProcess, 60000));
    DWORD code = ~0UL;
    ::GetExitCodeProcess(uninstaller.hProcess, &code);
    EXPECT_EQ(0UL, code);
    EXPECT_FALSE(TestFileExists(folder)) << "the install folder is gone";
    EXPECT_FALSE(TestFileExists(f.dir.Path() + "\\Maker\\Product")) << "the emptied product folder is gone";
    EXPECT_TRUE(TestFileExists(f.dir.Path() + "\\Maker\\keep.txt")) << "a folder with other files stays";
    EXPECT_TRUE(EventuallyTrue([&] { return !TestFileExists(program.Path()); })) << "the uninstaller removed itself";
    for (HANDLE h : {installer.hThread, installer.hProcess, uninstaller.hThread, uninstaller.hProcess})
    {
        ::CloseHandle(h);
    }
    // The batch file that removed the program removes itself too.
    EXPECT_TRUE(EventuallyTrue([&] {
        WIN32_FIND_DATAA found = {};
        HANDLE find = ::FindFirstFileA((f.dir.Path() + "\\KVDelAll_*.bat").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE)
        {
            ::FindClose(find);
        }
        return find == INVALID_HANDLE_VALUE;
    }));
}

TEST(ProgramHelpersTest, Uninstaller_FileInUse_IsRemovedAtTheNextStart)
{
    ProgramFixture f;
    CHelperCopy program(f.dir.Path(), "KVDelAll.exe");
    const std::string folder = MakeInstallFolder(f.dir.Path());
    HKEY session = nullptr;
    ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_ALL_ACCESS,
                    &session);
    std::vector<char> saved(65536);
    DWORD savedSize = static_cast<DWORD>(saved.size());
    const bool hadPending = ::RegQueryValueExA(session, "PendingFileRenameOperations", nullptr, nullptr,
                                               reinterpret_cast<BYTE*>(saved.data()), &savedSize) == ERROR_SUCCESS;
    HANDLE held = ::CreateFileA((folder + "\\a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);

    EXPECT_EQ(3010UL, RunAndWait(f.Quote(program.Path()) + " /P" + f.Quote(folder)));
    EXPECT_TRUE(TestFileExists(folder + "\\a.txt")) << "the file in use stays";
    EXPECT_FALSE(TestFileExists(folder + "\\sub")) << "the rest is gone";
    EXPECT_TRUE(FileContains(f.dir.Path() + "\\KVDelAll.log", "a.txt in use: removed at the next start"));
    ::CloseHandle(held);

    // A system that cannot schedule the removal: the file stays, and that is a failure, not a restart.
    CTempDir other;
    CHelperCopy unscheduled(other.Path(), "KVDelAll.exe", "[SYSTEM]\r\nMISSING = MoveFileExA\r\n");
    const std::string second = MakeInstallFolder(other.Path());
    held = ::CreateFileA((second + "\\a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(1603UL, RunAndWait(f.Quote(unscheduled.Path()) + " /P" + f.Quote(second)));
    EXPECT_TRUE(TestFileExists(second + "\\a.txt"));
    EXPECT_TRUE(FileContains(f.dir.Path() + "\\KVDelAll.log", "a.txt in use: left"));
    ::CloseHandle(held);
    if (hadPending)
    {
        ::RegSetValueExA(session, "PendingFileRenameOperations", 0, REG_MULTI_SZ,
                         reinterpret_cast<BYTE*>(saved.data()), savedSize);
    }
    else
    {
        ::RegDeleteValueA(session, "PendingFileRenameOperations");
    }
    ::RegCloseKey(session);
}

TEST(ProgramHelpersTest, Viewer_OpensTheDocumentWithItsArguments)
{
    ProgramFixture f;
    CHelperCopy viewer(f.dir.Path(), "Kvopen.exe");
    const std::string spaced = f.dir.Path() + "\\manual folder";
    ::CreateDirectoryA(spaced.c_str(), nullptr);
    CHelperCopy document(spaced, "HelperProbe.exe");
    const std::string args = f.dir.Path() + "\\args.txt";
    const struct
    {
        std::string arguments;
        DWORD exitCode;
    } cases[] = {
        {"", ERROR_INVALID_PARAMETER},
        {"/X " + document.Path(), ERROR_INVALID_PARAMETER},
        {"/T " + f.dir.Path() + "\\absent.pdf", ERROR_FILE_NOT_FOUND},
        {"/T " + document.Path() + " args=" + args + " page=3", 0},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(c.exitCode, RunAndWait(f.Quote(viewer.Path()) + " " + c.arguments)) << c.arguments;
    }
    EXPECT_TRUE(EventuallyTrue([&] { return FileContains(args, "page=3"); })) << "the document got its arguments";
}
