#include "base/APIFunction.h"

#include <gtest/gtest.h>

#include <string>

#include "support/TempDir.h"
#include "support/TestHelpers.h"

namespace
{
// Reaches the protected look-up overrides, so that fallbacks are tested with functions that are
// really missing.
class CTestAPIFunction : public CAPIFunction
{
public:
    using CAPIFunction::LoadLibraryAs;
    using CAPIFunction::ResolveAs;
};

const char kMissingExport[] = "KvTestNotExportedByAnyone";
const char kMissingLibrary[] = "KvTestNoSuchLibrary.dll";

std::string WriteTestInf(const CTempDir& dir)
{
    const std::string path = dir.File("printer.inf");
    WriteTestFile(path, "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n");
    return path;
}

// Creates a first-level key of this process's own (test programs run side by side in one prefix) and
// removes it again when the test ends, also on failure.
class CTestKey
{
public:
    CTestKey() : m_path("Software\\KvTestApiFunction" + std::to_string(::GetCurrentProcessId()))
    {
        HKEY key = nullptr;
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr) == ERROR_SUCCESS)
        {
            ::RegCloseKey(key);
        }
    }
    ~CTestKey() { (void)::RegDeleteKeyA(HKEY_LOCAL_MACHINE, m_path.c_str()); }
    CTestKey(const CTestKey&) = delete;
    CTestKey& operator=(const CTestKey&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};
}  // namespace

TEST(APIFunctionTest, Load_OnThisSystem_FindsTheLibrariesAndTheWrappersCallThrough)
{
    CAPIFunction api;
    ASSERT_TRUE(api.Load()) << "loading never fails as a whole";
    for (int library = 0; library < CAPIFunction::kLibraryCount; ++library)
    {
        EXPECT_TRUE(api.HasLibrary(static_cast<CAPIFunction::Library>(library)))
            << "every library of the table exists on this system: " << library;
    }
    EXPECT_TRUE(api.HasFunction(CAPIFunction::kMoveFileExA)) << "MoveFileExA is resolved from Kernel32";
    EXPECT_TRUE(api.HasFunction(CAPIFunction::kSetupOpenInfFileA)) << "SetupOpenInfFileA from SetupAPI";
    EXPECT_TRUE(api.HasFunction(CAPIFunction::kFreeSid)) << "FreeSid from the security library";

    CTempDir dir;
    ASSERT_TRUE(WriteTestFile(dir.File("a.txt"), "x"));
    EXPECT_TRUE(api.MoveFileExA(dir.File("a.txt").c_str(), dir.File("b.txt").c_str(), 0))
        << "the wrapper calls the system's MoveFileExA";
    EXPECT_TRUE(TestFileExists(dir.File("b.txt"))) << "the file was really moved";

    const std::string inf = WriteTestInf(dir);
    HINF handle = api.SetupOpenInfFileA(inf.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, handle) << "the INF opens through the wrapper";
    char text[64] = {};
    DWORD needed = 0;
    EXPECT_TRUE(api.SetupGetLineTextA(nullptr, handle, "Version", "Class", text, sizeof(text), &needed));
    EXPECT_STREQ("Printer", text) << "the line text is read from the INF";
    EXPECT_TRUE(api.SetupCloseInfFile(handle)) << "closing reports that the function was called";
}

TEST(APIFunctionTest, SecurityWrappers_BuildAnEveryoneAcl)
{
    CAPIFunction api;
    ASSERT_TRUE(api.Load());
    SECURITY_DESCRIPTOR descriptor = {};
    EXPECT_TRUE(api.InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID sid = nullptr;
    ASSERT_TRUE(api.AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &sid));
    ASSERT_NE(nullptr, sid) << "the Everyone SID was allocated";
    DWORD aclBuffer[64] = {};
    PACL acl = reinterpret_cast<PACL>(aclBuffer);
    EXPECT_TRUE(api.InitializeAcl(acl, sizeof(aclBuffer), ACL_REVISION_DS));
    EXPECT_TRUE(api.AddAccessAllowedAceEx(acl, ACL_REVISION_DS, 0x12, KEY_ALL_ACCESS, sid))
        << "the plain ACE with inheritance flags is accepted";
    EXPECT_EQ(1, acl->AceCount) << "the ACL holds the one ACE";
    EXPECT_TRUE(api.SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE));
    EXPECT_TRUE(api.SetSecurityDescriptorControl(&descriptor, SE_DACL_AUTO_INHERITED, SE_DACL_AUTO_INHERITED));
    EXPECT_EQ(nullptr, api.FreeSid(sid)) << "FreeSid answers null on success";
}

TEST(APIFunctionTest, MissingLibrary_ItsEntriesAnswerTheirFallbacksAndTheRestWorks)
{
    CTestAPIFunction api;
    ASSERT_TRUE(api.Load());
    api.LoadLibraryAs(CAPIFunction::kSetupApi, kMissingLibrary);
    EXPECT_FALSE(api.HasLibrary(CAPIFunction::kSetupApi)) << "a library that does not exist is not loaded";
    EXPECT_FALSE(api.HasFunction(CAPIFunction::kSetupOpenInfFileA)) << "its functions are missing";

    CTempDir dir;
    const std::string inf = WriteTestInf(dir);
    ::SetLastError(0);
    EXPECT_EQ(INVALID_HANDLE_VALUE, api.SetupOpenInfFileA(inf.c_str(), nullptr, INF_STYLE_WIN4, nullptr))
        << "without SetupAPI the INF open answers the invalid handle";
    EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), ::GetLastError()) << "a missing function says so";
    char text[64] = "untouched";
    DWORD needed = 7;
    EXPECT_FALSE(api.SetupCloseInfFile(nullptr));
    EXPECT_FALSE(api.SetupGetLineTextA(nullptr, nullptr, "Version", "Class", text, sizeof(text), &needed));
    EXPECT_STREQ("untouched", text) << "a missing function writes nothing";
    EXPECT_EQ(7u, needed) << "a missing function writes nothing";

    EXPECT_TRUE(api.HasLibrary(CAPIFunction::kKernel32)) << "the other libraries stay loaded";
    ASSERT_TRUE(WriteTestFile(dir.File("a.txt"), "x"));
    EXPECT_TRUE(api.MoveFileExA(dir.File("a.txt").c_str(), dir.File("b.txt").c_str(), 0))
        << "functions of the other libraries still work";
}

TEST(APIFunctionTest, MissingFunctions_EachWrapperAnswersItsFallbackAndDoesNothing)
{
    CTestAPIFunction api;
    ASSERT_TRUE(api.Load());
    for (int function = 0; function < CAPIFunction::kFunctionCount; ++function)
    {
        api.ResolveAs(static_cast<CAPIFunction::Function>(function), kMissingExport);
        EXPECT_FALSE(api.HasFunction(static_cast<CAPIFunction::Function>(function)))
            << "an entry resolved by a name nobody exports is missing: " << function;
    }

    CTempDir dir;
    ASSERT_TRUE(WriteTestFile(dir.File("a.txt"), "x"));
    ::SetLastError(0);
    EXPECT_FALSE(api.MoveFileExA(dir.File("a.txt").c_str(), dir.File("b.txt").c_str(), 0))
        << "as on Windows 9x, the missing MoveFileExA answers 0";
    EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), ::GetLastError());
    EXPECT_TRUE(TestFileExists(dir.File("a.txt"))) << "and nothing was moved";

    SECURITY_DESCRIPTOR descriptor = {};
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID sid = nullptr;
    DWORD aclBuffer[64] = {};
    PACL acl = reinterpret_cast<PACL>(aclBuffer);
    EXPECT_FALSE(api.InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    EXPECT_FALSE(api.AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &sid));
    EXPECT_EQ(nullptr, sid) << "no SID is handed out";
    EXPECT_FALSE(api.InitializeAcl(acl, sizeof(aclBuffer), ACL_REVISION_DS));
    EXPECT_FALSE(api.AddAccessAllowedObjectAce(acl, ACL_REVISION_DS, 0x12, KEY_ALL_ACCESS, nullptr, nullptr, sid));
    EXPECT_FALSE(api.AddAccessAllowedAceEx(acl, ACL_REVISION_DS, 0x12, KEY_ALL_ACCESS, sid));
    EXPECT_FALSE(api.SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE));
    EXPECT_FALSE(api.SetSecurityDescriptorControl(&descriptor, SE_DACL_AUTO_INHERITED, SE_DACL_AUTO_INHERITED));
    EXPECT_EQ(nullptr, api.FreeSid(sid));
    EXPECT_EQ(0, aclBuffer[0]) << "the ACL was never initialised";

    // A system without RegDeleteKeyExA has one registry view: the fallback is the plain delete.
    CTestKey key;
    ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, key.Path()));
    EXPECT_EQ(ERROR_SUCCESS, api.RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key.Path().c_str(), KEY_WOW64_64KEY, 0))
        << "the fallback deletes the key all the same";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key.Path())) << "the key is gone";
}

TEST(APIFunctionTest, Copy_HoldsItsOwnLibraryReferencesAndTheSameEntries)
{
    if (::GetModuleHandleA("setupapi.dll") != nullptr)
    {
        GTEST_SKIP() << "SetupAPI is loaded by something else in this process; references cannot be observed";
    }
    CTempDir dir;
    const std::string inf = WriteTestInf(dir);
    {
        auto* original = new CTestAPIFunction;
        ASSERT_TRUE(original->Load());
        original->ResolveAs(CAPIFunction::kMoveFileExA, kMissingExport);
        ASSERT_NE(nullptr, ::GetModuleHandleA("setupapi.dll")) << "Load loaded SetupAPI";

        CAPIFunction copy(*original);
        delete original;
        EXPECT_NE(nullptr, ::GetModuleHandleA("setupapi.dll"))
            << "the copy keeps its own reference after the original released its one";
        EXPECT_TRUE(copy.HasFunction(CAPIFunction::kSetupOpenInfFileA)) << "the copy has the original's entries";
        EXPECT_FALSE(copy.HasFunction(CAPIFunction::kMoveFileExA)) << "a missing entry stays missing in the copy";

        HINF handle = copy.SetupOpenInfFileA(inf.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, handle)
            << "the copied entry is callable while only the copy holds the library";
        EXPECT_TRUE(copy.SetupCloseInfFile(handle));

        CAPIFunction assigned;
        ASSERT_TRUE(assigned.Load());
        assigned = copy;
        const CAPIFunction& self = assigned;
        assigned = self;
        EXPECT_TRUE(assigned.HasFunction(CAPIFunction::kSetupOpenInfFileA))
            << "assignment, also to itself, keeps entries";
        EXPECT_FALSE(assigned.HasFunction(CAPIFunction::kMoveFileExA)) << "assignment copies the entries as they are";

        CAPIFunction empty;
        assigned = empty;
        EXPECT_FALSE(assigned.HasLibrary(CAPIFunction::kKernel32)) << "assigning an unloaded object empties it";
        EXPECT_FALSE(assigned.HasFunction(CAPIFunction::kSetupOpenInfFileA));
    }
    EXPECT_EQ(nullptr, ::GetModuleHandleA("setupapi.dll"))
        << "every object released exactly the references it took";
}

// RICHED20.DLL first, RICHED32.DLL where a system has only that one; each library's boxes are made by
// their own class name, and the library stays loaded while the object holds it.
TEST(APIFunctionTest, RichEditLibrary_NewerFirstOlderAsFallbackEachMakesItsBoxes)
{
    const auto makesBox = [](const char* className) {
        HWND box = ::CreateWindowExA(0, className, "", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
        const bool made = box != nullptr;
        if (made)
        {
            (void)::DestroyWindow(box);
        }
        return made;
    };
    {
        CRichEditLibrary richEdit;
        EXPECT_STREQ("", richEdit.ClassName()) << "nothing loaded yet";
        ASSERT_TRUE(richEdit.Load());
        EXPECT_STREQ("RichEdit20A", richEdit.ClassName());
        EXPECT_NE(nullptr, ::GetModuleHandleA("riched20.dll"));
        EXPECT_TRUE(makesBox(richEdit.ClassName()));
        EXPECT_STREQ("RichEdit20A", CRichEditLibrary::RegisteredClassName()) << "what a dialog can make now";
        EXPECT_TRUE(richEdit.Load(kMissingLibrary, kMissingLibrary)) << "a second load keeps the first";
        EXPECT_STREQ("RichEdit20A", richEdit.ClassName());
    }
    {
        CRichEditLibrary older;
        ASSERT_TRUE(older.Load(kMissingLibrary)) << "without the newer library, the older one";
        EXPECT_STREQ("RICHEDIT", older.ClassName());
        EXPECT_NE(nullptr, ::GetModuleHandleA("riched32.dll"));
        EXPECT_TRUE(makesBox(older.ClassName()));
    }
    CRichEditLibrary none;
    EXPECT_FALSE(none.Load(kMissingLibrary, kMissingLibrary)) << "neither library: no box can be made";
    EXPECT_FALSE(none.IsLoaded());
    EXPECT_STREQ("", none.ClassName());
}

TEST(APIFunctionTest, SystemLibraryPath_BareNamesFromTheSystemFolderOnly)
{
    char system[MAX_PATH + 1] = {};
    ASSERT_NE(0u, ::GetSystemDirectoryA(system, MAX_PATH));
    EXPECT_EQ(std::string(system) + "\\printui.dll", SystemLibraryPath("printui.dll"))
        << "a bare name is never looked for beside the program, in the current folder or on the search path";
    EXPECT_EQ("C:\\Kv Test\\x.dll", SystemLibraryPath("C:\\Kv Test\\x.dll")) << "a full path stays as given";
    EXPECT_EQ("\\\\server\\share\\x.dll", SystemLibraryPath("\\\\server\\share\\x.dll"));
    for (const char* relative : {".\\x.dll", "data\\x.dll", "C:x.dll", "\\x.dll", "", "./x.dll"})
    {
        EXPECT_EQ("", SystemLibraryPath(relative)) << relative << ": would depend on the current folder";
    }
    EXPECT_EQ("", SystemLibraryPath(nullptr));

    const CModule kernel(LoadSystemLibrary("kernel32.dll"));
    EXPECT_TRUE(kernel.IsValid()) << "the system's own library loads";
    ::SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(nullptr, LoadSystemLibrary(".\\kernel32.dll"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_PATHNAME), ::GetLastError());
}
