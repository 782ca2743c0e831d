#include "registry/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/APIFunction.h"
#include "registry/KeyPath.h"
#include "registry/RegistryTestSupport.h"

namespace
{
// Reaches the protected helpers.
class CTestRegistry : public CRegistry
{
public:
    using CRegistry::CopyValue;
    using CRegistry::DeleteEmptyParent;
    using CRegistry::DeleteSubKey;
    using CRegistry::SetDaclPermission;
};

// Security functions that are really missing: looked up under names nobody exports.
class CTestAPIFunction : public CAPIFunction
{
public:
    using CAPIFunction::ResolveAs;
};

const char kUntouched[] = "untouched";

// Makes the subkey name below the key at path, the name given on its own: a whole path over MAX_PATH
// characters is refused by the system's ANSI key calls under Wine.
bool MakeSubKey(HKEY root, const std::string& path, const std::string& name)
{
    HKEY parent = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_CREATE_SUB_KEY, &parent) != ERROR_SUCCESS)
    {
        return false;
    }
    HKEY key = nullptr;
    const LONG err = ::RegCreateKeyExA(parent, name.c_str(), 0, nullptr, 0, KEY_READ, nullptr, &key, nullptr);
    ::RegCloseKey(parent);
    if (err == ERROR_SUCCESS)
    {
        ::RegCloseKey(key);
    }
    return err == ERROR_SUCCESS;
}

bool CanRead(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

// The key's DACL as (ACE count, first ACE's type, flags, mask, whether its SID is Everyone).
struct DaclSummary
{
    DWORD count = 0;
    BYTE type = 0xFF;
    BYTE flags = 0;
    DWORD mask = 0;
    bool everyone = false;
};

DaclSummary ReadDacl(HKEY root, const std::string& path)
{
    DaclSummary summary;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, READ_CONTROL, &key) != ERROR_SUCCESS)
    {
        return summary;
    }
    DWORD buffer[256] = {};
    DWORD size = sizeof(buffer);
    const LONG err = ::RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, buffer, &size);
    ::RegCloseKey(key);
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL acl = nullptr;
    if (err != ERROR_SUCCESS || !::GetSecurityDescriptorDacl(buffer, &present, &acl, &defaulted) || !acl)
    {
        return summary;
    }
    summary.count = acl->AceCount;
    void* ace = nullptr;
    if (acl->AceCount > 0 && ::GetAce(acl, 0, &ace))
    {
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        summary.type = allowed->Header.AceType;
        summary.flags = allowed->Header.AceFlags;
        summary.mask = allowed->Mask;
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        PSID everyone = nullptr;
        if (::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        {
            summary.everyone = ::EqualSid(everyone, const_cast<DWORD*>(&allowed->SidStart)) != FALSE;
            ::FreeSid(everyone);
        }
    }
    return summary;
}
}  // namespace

using RegistryTest = RegistryTestBase;

TEST_F(RegistryTest, TextValue_ReadBackWithTypeAndSizeChecks)
{
    const std::string key = Path("Deep\\Er\\Key");
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Name", "abcd", HKEY_LOCAL_MACHINE))
        << "missing intermediate keys are created";
    const RawValue raw = ReadRaw(HKEY_LOCAL_MACHINE, key, "Name");
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), raw.type);

    char text[64];
    std::strcpy(text, kUntouched);
    EXPECT_EQ(0u, CRegistry::GetValue(key.c_str(), "Name", text, HKEY_LOCAL_MACHINE)) << "unchecked size";
    EXPECT_STREQ("abcd", text);

    std::strcpy(text, kUntouched);
    EXPECT_EQ(122u, CRegistry::GetValue(key.c_str(), "Name", text, HKEY_LOCAL_MACHINE, 4))
        << "four bytes cannot hold the text and its zero, even though four bytes are stored";
    EXPECT_STREQ(kUntouched, text) << "a refused read writes nothing";
    EXPECT_EQ(0u, CRegistry::GetValue(key.c_str(), "Name", text, HKEY_LOCAL_MACHINE, 5));
    EXPECT_STREQ("abcd", text) << "five bytes hold text and zero";

    ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, key, "Zeroed", REG_SZ, "abcd", 5));
    std::strcpy(text, kUntouched);
    EXPECT_EQ(122u, CRegistry::GetValue(key.c_str(), "Zeroed", text, HKEY_LOCAL_MACHINE, 4))
        << "an out size below the stored size is refused";
    EXPECT_STREQ(kUntouched, text);

    ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, key, "Expand", REG_EXPAND_SZ, "%TEMP%", 7));
    EXPECT_EQ(87u, CRegistry::GetValue(key.c_str(), "Expand", text, HKEY_LOCAL_MACHINE))
        << "only REG_SZ is a text value";
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Number", 26ul, HKEY_LOCAL_MACHINE));
    EXPECT_EQ(87u, CRegistry::GetValue(key.c_str(), "Number", text, HKEY_LOCAL_MACHINE))
        << "a DWORD value is not read as text";

    const std::string longText(5000, 'x');
    ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, key, "Long", REG_SZ, longText.c_str(), 5001));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), CRegistry::GetValue(key.c_str(), "Long", text, HKEY_LOCAL_MACHINE))
        << "data over 4096 bytes gives the registry's more-data error";
    const std::string fullText(4095, 'y');
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Full", fullText.c_str(), HKEY_LOCAL_MACHINE));
    char big[5000];
    EXPECT_EQ(0u, CRegistry::GetValue(key.c_str(), "Full", big, HKEY_LOCAL_MACHINE, sizeof(big)));
    EXPECT_EQ(fullText, std::string(big)) << "4095 characters are the longest text that is read";

    std::strcpy(text, kUntouched);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              CRegistry::GetValue(key.c_str(), "Missing", text, HKEY_LOCAL_MACHINE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              CRegistry::GetValue(Path("NoKey").c_str(), "Name", text, HKEY_LOCAL_MACHINE));
    EXPECT_STREQ(kUntouched, text) << "a missing value writes nothing";
}

TEST_F(RegistryTest, DwordValue_WrittenAsFourBytes_OtherTypesRefused)
{
    const std::string key = Path("Key");
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Count", 26ul, HKEY_LOCAL_MACHINE));
    const RawValue raw = ReadRaw(HKEY_LOCAL_MACHINE, key, "Count");
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), raw.type);
    EXPECT_EQ(4u, raw.size);

    DWORD value = 7;
    EXPECT_EQ(0u, CRegistry::GetValue(key.c_str(), "Count", &value, HKEY_LOCAL_MACHINE));
    EXPECT_EQ(26u, value);

    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Text", "26", HKEY_LOCAL_MACHINE));
    value = 7;
    EXPECT_EQ(87u, CRegistry::GetValue(key.c_str(), "Text", &value, HKEY_LOCAL_MACHINE))
        << "a text value is not read as a DWORD";
    EXPECT_EQ(7u, value) << "the out value stays as it was";
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              CRegistry::GetValue(key.c_str(), "Missing", &value, HKEY_LOCAL_MACHINE));
    EXPECT_EQ(7u, value);
}

TEST_F(RegistryTest, OpenValueKey_HeldKeyReadsAndWritesAsThePathCalls_FailsOnceDeleted)
{
    const std::string key = Path("Held\\Deep");
    CRegKey handle;
    EXPECT_EQ(87u, CRegistry::OpenValueKey("", HKEY_LOCAL_MACHINE, handle)) << "never the root itself";
    EXPECT_FALSE(handle.IsValid());
    ASSERT_EQ(0u, CRegistry::OpenValueKey(key.c_str(), HKEY_LOCAL_MACHINE, handle)) << "created with its parents";
    ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, key));

    ASSERT_EQ(0u, CRegistry::SetValue(handle.Get(), "Text", "abcd"));
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "ByPath", "abcd", HKEY_LOCAL_MACHINE));
    const RawValue text = ReadRaw(HKEY_LOCAL_MACHINE, key, "Text");
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), text.type);
    EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, key, "ByPath").size, text.size) << "stored as by path, without its zero";
    EXPECT_EQ("abcd", text.bytes);
    ASSERT_EQ(0u, CRegistry::SetValue(handle.Get(), "Count", 26ul));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), ReadRaw(HKEY_LOCAL_MACHINE, key, "Count").type);
    DWORD value = 7;
    EXPECT_EQ(0u, CRegistry::GetValue(handle.Get(), "Count", &value));
    EXPECT_EQ(26u, value);
    value = 7;
    EXPECT_EQ(87u, CRegistry::GetValue(handle.Get(), "Text", &value)) << "a text is not a number";
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), CRegistry::GetValue(handle.Get(), "Missing", &value));
    EXPECT_EQ(7u, value) << "a refused read writes nothing";
    EXPECT_EQ(87u, CRegistry::SetValue(handle.Get(), "", "x")) << "empty value name";
    EXPECT_EQ(87u, CRegistry::SetValue(handle.Get(), "Name", static_cast<const char*>(nullptr)));
    EXPECT_EQ(87u, CRegistry::SetValue(static_cast<HKEY>(nullptr), "Name", 1ul)) << "no key";

    // A holder learns from its next write that the key is gone, and opens it anew.
    ASSERT_EQ(0u, CRegistry::DeleteKey(key.c_str(), false, HKEY_LOCAL_MACHINE));
    EXPECT_NE(0u, CRegistry::SetValue(handle.Get(), "Late", "x")) << "a write to a deleted key fails";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key)) << "and brings nothing back";
}

TEST_F(RegistryTest, ListValues_TextsAndNumbersInOneEnumeration_AsTheSingleReadsGiveThem)
{
    const std::string key = Path("Listed");
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Text", "abcd", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Short", "x", HKEY_LOCAL_MACHINE)) << "after a longer text";
    ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, key, "Zeroed", REG_SZ, "ab\0cd", 6));
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Number", 26ul, HKEY_LOCAL_MACHINE));
    ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, key, "Expand", REG_EXPAND_SZ, "%TEMP%", 7));
    ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, key, "Binary", REG_BINARY, "\1\2", 2));
    const std::string longText(5000, 'x');
    ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, key, "Long", REG_SZ, longText.c_str(), 5001));
    const std::string fullText(4095, 'y');                     // the longest text GetValue reads
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Full", fullText.c_str(), HKEY_LOCAL_MACHINE));
    const std::string longName(300, 'n');
    ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, key, longName.c_str(), REG_SZ, "v", 1));
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Last", "end", HKEY_LOCAL_MACHINE));

    std::vector<CRegistry::ListedValue> values;
    ASSERT_EQ(0u, CRegistry::ListValues(key.c_str(), HKEY_LOCAL_MACHINE, values));
    std::vector<std::string> seen;
    for (const CRegistry::ListedValue& value : values)
    {
        seen.push_back(value.name + "=" + std::to_string(value.type) + ":" +
                       (value.type == REG_DWORD ? std::to_string(value.number) : value.text));
    }
    std::sort(seen.begin(), seen.end());
    const std::vector<std::string> expected = {"Full=1:" + fullText, "Last=1:end", "Number=4:26", "Short=1:x",
                                               "Text=1:abcd", "Zeroed=1:ab"};
    EXPECT_EQ(expected, seen) << "texts up to their first zero, numbers; other types, data over 4096 bytes "
                                 "and overlong names are left out, and the enumeration goes on past them";

    values.assign(1, CRegistry::ListedValue());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              CRegistry::ListValues(Path("NoKey").c_str(), HKEY_LOCAL_MACHINE, values));
    EXPECT_EQ(1u, values.size()) << "a failed listing writes nothing";
    ASSERT_EQ(0u, CRegistry::CreateKey(Path("EmptyListed").c_str(), HKEY_LOCAL_MACHINE, nullptr));
    EXPECT_EQ(0u, CRegistry::ListValues(Path("EmptyListed").c_str(), HKEY_LOCAL_MACHINE, values));
    EXPECT_TRUE(values.empty()) << "a key without values lists none";
}

TEST_F(RegistryTest, ArgumentChecks_NullOrEmptyNamesGive87AndChangeNothing)
{
    const std::string key = Path("Key");
    char text[16] = {};
    DWORD value = 0;
    EXPECT_EQ(87u, CRegistry::SetValue(key.c_str(), "", "x", HKEY_LOCAL_MACHINE)) << "empty value name";
    EXPECT_EQ(87u, CRegistry::SetValue(key.c_str(), nullptr, 1ul, HKEY_LOCAL_MACHINE)) << "null value name";
    EXPECT_EQ(87u, CRegistry::SetValue(key.c_str(), "Name", static_cast<const char*>(nullptr), HKEY_LOCAL_MACHINE))
        << "null text";
    EXPECT_EQ(87u, CRegistry::SetValue("", "Name", "x", HKEY_LOCAL_MACHINE)) << "empty key path";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key)) << "a refused write creates no key";
    EXPECT_EQ(87u, CRegistry::GetValue(key.c_str(), "", text, HKEY_LOCAL_MACHINE));
    EXPECT_EQ(87u, CRegistry::GetValue(nullptr, "Name", &value, HKEY_LOCAL_MACHINE));
    EXPECT_EQ(87u, CRegistry::DeleteKey("", false, HKEY_LOCAL_MACHINE));
    EXPECT_EQ(87u, CRegistry::DeleteKey(nullptr, true, HKEY_LOCAL_MACHINE));
    EXPECT_EQ(87u, CRegistry::CopyKey(key.c_str(), "", true, HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER));
    EXPECT_EQ(87u, CRegistry::CopyKey(nullptr, key.c_str(), true, HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER));
}

TEST_F(RegistryTest, DeleteValue_RemovesOnlyThatValue)
{
    const std::string key = Path("Key");
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Gone", "x", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Kept", "y", HKEY_LOCAL_MACHINE));
    EXPECT_EQ(0u, CRegistry::DeleteValue(key.c_str(), "Gone", HKEY_LOCAL_MACHINE));
    EXPECT_EQ(static_cast<DWORD>(REG_NONE), ReadRaw(HKEY_LOCAL_MACHINE, key, "Gone").type) << "the value is gone";
    EXPECT_EQ("y", ReadRaw(HKEY_LOCAL_MACHINE, key, "Kept").bytes) << "the other value stays";
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), CRegistry::DeleteValue(key.c_str(), "Gone", HKEY_LOCAL_MACHINE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              CRegistry::DeleteValue(Path("NoKey").c_str(), "Kept", HKEY_LOCAL_MACHINE))
        << "the open's error is returned";
}

TEST_F(RegistryTest, DeleteKey_Tree_RemovesTheTreeAndParentsLeftEmpty)
{
    ASSERT_EQ(0u, CRegistry::SetValue(Path("A\\B\\C\\D").c_str(), "V", "x", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue(Path("A\\B\\C").c_str(), "V", 1ul, HKEY_LOCAL_MACHINE));
    ASSERT_TRUE(MakeKey(HKEY_LOCAL_MACHINE, Path("A\\Other")));

    EXPECT_EQ(0u, CRegistry::DeleteKey(Path("A\\B\\C").c_str(), false, HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Path("A\\B\\C"))) << "the key and its subtree are gone";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Path("A\\B"))) << "B held nothing else and went with it";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Path("A"))) << "A holds another key and stays";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Path("A\\Other")));

    ASSERT_EQ(0u, CRegistry::SetValue(Path("V\\W").c_str(), "V", "x", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue(Path("V").c_str(), "Keep", "me", HKEY_LOCAL_MACHINE));
    EXPECT_EQ(0u, CRegistry::DeleteKey((Path("V\\W") + "\\").c_str(), false, HKEY_LOCAL_MACHINE))
        << "a trailing backslash names the same key";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Path("V"))) << "a parent with a value stays";

    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              CRegistry::DeleteKey(Path("Missing").c_str(), false, HKEY_LOCAL_MACHINE));
}

TEST_F(RegistryTest, DeleteKey_Tree_NeverRemovesAFirstLevelKey)
{
    const std::string key = TopLevelKey() + "\\X";
    ASSERT_EQ(0u, CRegistry::SetValue((key + "\\Y").c_str(), "V", "x", HKEY_CURRENT_USER));
    EXPECT_EQ(0u, CRegistry::DeleteKey(key.c_str(), false, HKEY_CURRENT_USER));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, TopLevelKey())) << "the empty first-level key stays";
}

TEST_F(RegistryTest, DeleteKey_ThisKeyOnly_RefusesAKeyWithSubkeysOnEverySystem)
{
    ASSERT_EQ(0u, CRegistry::SetValue(Path("K\\Sub").c_str(), "V", "x", HKEY_LOCAL_MACHINE));
    EXPECT_EQ(5u, CRegistry::DeleteKey(Path("K").c_str(), true, HKEY_LOCAL_MACHINE))
        << "a key with subkeys is refused as NT refuses it (Windows 9x would delete the tree)";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Path("K\\Sub"))) << "nothing below the key is lost";

    EXPECT_EQ(0u, CRegistry::DeleteKey(Path("K\\Sub").c_str(), true, HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Path("K\\Sub")));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Path("K"))) << "only the key itself goes, no empty parent";
    EXPECT_EQ(0u, CRegistry::DeleteKey(Path("K").c_str(), true, HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Path("K")));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Base()));
}

TEST_F(RegistryTest, DeleteKey_ChildRefusesReading_GrantsEveryoneAndRemovesTheTree)
{
    if (IsWindows9x())
    {
        GTEST_SKIP() << "Windows 9x keeps no key security";
    }
    const std::string tree = Path("Tree");
    const std::string locked = tree + "\\Locked";
    ASSERT_EQ(0u, CRegistry::SetValue((locked + "\\Inner").c_str(), "V", "x", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue(locked.c_str(), "V", "x", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(ERROR_SUCCESS, DenyReadingToEveryone(HKEY_LOCAL_MACHINE, locked));
    ASSERT_FALSE(CanRead(HKEY_LOCAL_MACHINE, locked)) << "precondition: the child refuses reading";
    HKEY handle = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, tree.c_str(), 0, KEY_ALL_ACCESS, &handle));
    // A later system's tree deletion, looked up as the installer looks up every later function.
    using DeleteTree = LONG(WINAPI*)(HKEY, LPCSTR);
    const auto deleteTree = reinterpret_cast<DeleteTree>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleA("advapi32.dll"), "RegDeleteTreeA")));
    ASSERT_NE(nullptr, deleteTree);
    const LONG plain = deleteTree(handle, nullptr);
    ::RegCloseKey(handle);
    ASSERT_EQ(ERROR_ACCESS_DENIED, plain) << "precondition: the tree refuses deletion";

    EXPECT_EQ(0u, CRegistry::DeleteKey(tree.c_str(), false, HKEY_LOCAL_MACHINE))
        << "the refusing key is given to Everyone and the tree deleted";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, tree)) << "the whole tree is gone";
}

TEST_F(RegistryTest, SetDaclPermission_WritesOneInheritableEveryoneAce_PlainWhenObjectAceFails)
{
    if (IsWindows9x())
    {
        GTEST_SKIP() << "Windows 9x keeps no key security";
    }
    const std::string key = Path("Locked");
    ASSERT_TRUE(MakeKey(HKEY_LOCAL_MACHINE, key));
    ASSERT_EQ(ERROR_SUCCESS, DenyReadingToEveryone(HKEY_LOCAL_MACHINE, key));

    // The object ACE call is missing: the plain ACE stands in with the same flags and access.
    CTestAPIFunction api;
    ASSERT_TRUE(api.Load());
    api.ResolveAs(CAPIFunction::kAddAccessAllowedObjectAce, "KvTestNotExported");
    EXPECT_EQ(0u, CTestRegistry::SetDaclPermission(key.c_str(), HKEY_LOCAL_MACHINE, 0, api));
    EXPECT_TRUE(CanRead(HKEY_LOCAL_MACHINE, key)) << "Everyone may read the key now";
    const DaclSummary dacl = ReadDacl(HKEY_LOCAL_MACHINE, key);
    EXPECT_EQ(1u, dacl.count) << "the DACL is replaced by one ACE";
    EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, dacl.type);
    EXPECT_EQ(0x12, dacl.flags) << "container inherit and inherited";
    EXPECT_EQ(0xF003Fu, dacl.mask) << "KEY_ALL_ACCESS";
    EXPECT_TRUE(dacl.everyone) << "the ACE is for Everyone";

    // With the system's own functions (Wine's object ACE call is a stub that fails) the result is the same.
    ASSERT_EQ(ERROR_SUCCESS, DenyReadingToEveryone(HKEY_LOCAL_MACHINE, key));
    EXPECT_EQ(0u, CTestRegistry::SetDaclPermission(key.c_str(), HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(CanRead(HKEY_LOCAL_MACHINE, key));
    EXPECT_EQ(0xF003Fu, ReadDacl(HKEY_LOCAL_MACHINE, key).mask);

    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              CTestRegistry::SetDaclPermission(Path("Missing").c_str(), HKEY_LOCAL_MACHINE));
}

TEST_F(RegistryTest, SetDaclPermission_NoWayToAddTheAce_ReturnsTheErrorAndLeavesTheKey)
{
    if (IsWindows9x())
    {
        GTEST_SKIP() << "Windows 9x keeps no key security";
    }
    const std::string key = Path("Locked");
    ASSERT_TRUE(MakeKey(HKEY_LOCAL_MACHINE, key));
    ASSERT_EQ(ERROR_SUCCESS, DenyReadingToEveryone(HKEY_LOCAL_MACHINE, key));

    CTestAPIFunction api;
    ASSERT_TRUE(api.Load());
    api.ResolveAs(CAPIFunction::kAddAccessAllowedObjectAce, "KvTestNotExported");
    api.ResolveAs(CAPIFunction::kAddAccessAllowedAceEx, "KvTestNotExported");
    EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND),
              CTestRegistry::SetDaclPermission(key.c_str(), HKEY_LOCAL_MACHINE, 0, api))
        << "a step whose function is missing fails with the missing function's error";
    EXPECT_FALSE(CanRead(HKEY_LOCAL_MACHINE, key)) << "the key's DACL is unchanged";

    CTestAPIFunction noSid;
    ASSERT_TRUE(noSid.Load());
    noSid.ResolveAs(CAPIFunction::kAllocateAndInitializeSid, "KvTestNotExported");
    EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND),
              CTestRegistry::SetDaclPermission(key.c_str(), HKEY_LOCAL_MACHINE, 0, noSid));
    EXPECT_FALSE(CanRead(HKEY_LOCAL_MACHINE, key));
}

TEST_F(RegistryTest, CopyKey_Recursive_CopiesTextAndDwordValuesAcrossRoots)
{
    const std::string source = Path("Source");
    const std::string target = Path("Target");
    ASSERT_EQ(0u, CRegistry::SetValue(source.c_str(), "Text", "hello", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue(source.c_str(), "Number", 26ul, HKEY_LOCAL_MACHINE));
    const BYTE bytes[3] = {1, 2, 3};
    ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, source, "Binary", REG_BINARY, bytes, sizeof(bytes)));
    ASSERT_EQ(0u, CRegistry::SetValue((source + "\\Sub\\Leaf").c_str(), "Deep", 5ul, HKEY_LOCAL_MACHINE));
    ASSERT_TRUE(MakeKey(HKEY_LOCAL_MACHINE, source + "\\Empty\\Leaf"));

    EXPECT_EQ(0u, CRegistry::CopyKey(source.c_str(), target.c_str(), true, HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER));
    char text[16] = {};
    DWORD number = 0;
    EXPECT_EQ(0u, CRegistry::GetValue(target.c_str(), "Text", text, HKEY_CURRENT_USER, sizeof(text)));
    EXPECT_STREQ("hello", text);
    EXPECT_EQ(0u, CRegistry::GetValue(target.c_str(), "Number", &number, HKEY_CURRENT_USER));
    EXPECT_EQ(26u, number);
    EXPECT_EQ(0u, CRegistry::GetValue((target + "\\Sub\\Leaf").c_str(), "Deep", &number, HKEY_CURRENT_USER))
        << "subkeys are copied";
    EXPECT_EQ(5u, number);
    EXPECT_EQ(static_cast<DWORD>(REG_NONE), ReadRaw(HKEY_CURRENT_USER, target, "Binary").type)
        << "other types are not copied";
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, target + "\\Empty")) << "keys without values are not made";
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, target + "\\Sub\\Nothing"));

    const std::string flat = Path("Flat");
    EXPECT_EQ(0u, CRegistry::CopyKey(source.c_str(), flat.c_str(), false, HKEY_LOCAL_MACHINE, HKEY_LOCAL_MACHINE));
    EXPECT_EQ("hello", ReadRaw(HKEY_LOCAL_MACHINE, flat, "Text").bytes) << "the key's own values are copied";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, flat + "\\Sub")) << "without recursion no subkey is copied";

    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              CRegistry::CopyKey(Path("Missing").c_str(), flat.c_str(), true, HKEY_LOCAL_MACHINE, HKEY_LOCAL_MACHINE));
}

TEST_F(RegistryTest, CopyKey_TreeWithoutValues_CreatesNothing_LongValueStopsTheCopy)
{
    ASSERT_TRUE(MakeKey(HKEY_LOCAL_MACHINE, Path("Bare\\One\\Two")));
    ASSERT_TRUE(MakeKey(HKEY_LOCAL_MACHINE, Path("Bare\\Three")));
    EXPECT_EQ(0u, CRegistry::CopyKey(Path("Bare").c_str(), Path("Copy").c_str(), true, HKEY_LOCAL_MACHINE,
                                     HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Path("Copy"))) << "a tree of keys without values copies to nothing";

    const std::string longText(5000, 'x');
    ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, Path("Big"), "Long", REG_SZ, longText.c_str(), 5001));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA),
              CRegistry::CopyKey(Path("Big").c_str(), Path("BigCopy").c_str(), false, HKEY_LOCAL_MACHINE,
                                 HKEY_LOCAL_MACHINE))
        << "a value over 4096 bytes fails the copy with the registry's error";
}

TEST_F(RegistryTest, CopyValue_CopiesTheGivenNumberOfValues)
{
    ASSERT_EQ(0u, CRegistry::SetValue(Path("Src").c_str(), "One", "1", HKEY_LOCAL_MACHINE));
    HKEY source = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, Path("Src").c_str(), 0, KEY_READ, &source));
    EXPECT_EQ(0u, CTestRegistry::CopyValue(source, 1, Path("Dst").c_str(), HKEY_LOCAL_MACHINE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS),
              CTestRegistry::CopyValue(source, 2, Path("Dst2").c_str(), HKEY_LOCAL_MACHINE))
        << "asking for more values than there are fails with the enumeration's error";
    ::RegCloseKey(source);
    EXPECT_EQ("1", ReadRaw(HKEY_LOCAL_MACHINE, Path("Dst"), "One").bytes);
    EXPECT_EQ(87u, CTestRegistry::CopyValue(nullptr, 1, Path("Dst").c_str(), HKEY_LOCAL_MACHINE));
}

TEST_F(RegistryTest, Views_ProgramViewByDefault_64BitViewOnRequest)
{
    const std::string key = Path("View");
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Own", "own", HKEY_LOCAL_MACHINE));
    ASSERT_EQ(0u, CRegistry::SetValue(key.c_str(), "Wide", "wide", HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY));
    char text[16] = {};
    EXPECT_EQ(0u, CRegistry::GetValue(key.c_str(), "Wide", text, HKEY_LOCAL_MACHINE, sizeof(text), KEY_WOW64_64KEY));
    EXPECT_STREQ("wide", text) << "a value written in the 64-bit view is read back there";

    if (!Is64BitWindows())
    {
        EXPECT_EQ("wide", ReadRaw(HKEY_LOCAL_MACHINE, key, "Wide").bytes) << "32-bit Windows has one view";
        EXPECT_EQ(0u, CRegistry::DeleteKey(key.c_str(), false, HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));
        return;
    }
    const bool wow64 = IsWow64Process32();
    EXPECT_EQ(wow64 ? "own" : "", ReadRaw(HKEY_LOCAL_MACHINE, key, "Own", KEY_WOW64_32KEY).bytes)
        << "the 32-bit installer's own writes land in the 32-bit view";
    EXPECT_EQ(wow64 ? "" : "own", ReadRaw(HKEY_LOCAL_MACHINE, key, "Own", KEY_WOW64_64KEY).bytes);
    EXPECT_EQ("wide", ReadRaw(HKEY_LOCAL_MACHINE, key, "Wide", KEY_WOW64_64KEY).bytes);
    EXPECT_EQ("", ReadRaw(HKEY_LOCAL_MACHINE, key, "Wide", KEY_WOW64_32KEY).bytes)
        << "a 64-bit view write does not reach the 32-bit view";

    ASSERT_EQ(0u, CRegistry::CopyKey(key.c_str(), Path("ViewCopy").c_str(), false, HKEY_LOCAL_MACHINE,
                                     HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY));
    EXPECT_EQ("wide", ReadRaw(HKEY_LOCAL_MACHINE, Path("ViewCopy"), "Wide", KEY_WOW64_64KEY).bytes)
        << "a copy in the 64-bit view reads and writes there";
    EXPECT_EQ(0u, CRegistry::DeleteValue(Path("ViewCopy").c_str(), "Wide", HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY));
    EXPECT_EQ("", ReadRaw(HKEY_LOCAL_MACHINE, Path("ViewCopy"), "Wide", KEY_WOW64_64KEY).bytes);

    ASSERT_EQ(0u, CRegistry::SetValue((key + "\\Sub").c_str(), "V", 1ul, HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY));
    EXPECT_EQ(0u, CRegistry::DeleteKey(key.c_str(), false, HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY)) << "the 64-bit tree is deleted";
    if (wow64)
    {
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY)) << "the 32-bit key stays";
        EXPECT_EQ(0u, CRegistry::DeleteKey(key.c_str(), true, HKEY_LOCAL_MACHINE));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY)) << "the program's view deletes its own";
    }
}

TEST_F(RegistryTest, KeyPaths_DoubleByteNames_SplitOnlyAtRealBackslashes)
{
    EXPECT_EQ("A\\B", JoinKeyPath("A", "B"));
    EXPECT_EQ("A\\B", JoinKeyPath("A\\", "B")) << "no second backslash";
    EXPECT_EQ("A", TrimKeySeparators("A\\\\"));
    EXPECT_EQ(1u, FindFirstKeySeparator("A\\B\\C"));
    EXPECT_EQ(3u, FindLastKeySeparator("A\\B\\C"));
    for (const char* shortPath : {"", "A", "\\"})                  // never read outside the text
    {
        EXPECT_EQ(shortPath[0] == '\\' ? 0u : std::string::npos, FindFirstKeySeparator(shortPath)) << shortPath;
        EXPECT_EQ(shortPath[0] == '\\' ? 0u : std::string::npos, FindLastKeySeparator(shortPath)) << shortPath;
        EXPECT_EQ(shortPath[0] == 'A' ? "A" : "", TrimKeySeparators(shortPath)) << shortPath;
    }

    if (::GetACP() != 932)
    {
        return;                                               // the rest needs a double-byte code page
    }
    const std::string table = "\x95\x5C";                    // one character whose second byte is 0x5C
    EXPECT_EQ(std::string::npos, FindLastKeySeparator(table)) << "a trail byte is not a separator";
    EXPECT_EQ(table + "\\B", JoinKeyPath(table, "B")) << "a name ending in a trail byte gets its separator";
    EXPECT_EQ(table, TrimKeySeparators(table));

    const std::string deep = Path(table + "\\" + table + "\\Leaf");
    ASSERT_EQ(0u, CRegistry::SetValue(deep.c_str(), "V", "x", HKEY_LOCAL_MACHINE));
    ASSERT_TRUE(MakeKey(HKEY_LOCAL_MACHINE, Base() + "\\Other"));
    EXPECT_EQ(0u, CRegistry::DeleteKey(Path(table).c_str(), false, HKEY_LOCAL_MACHINE))
        << "the tree below a double-byte name is walked and deleted";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Path(table)));
    ASSERT_EQ(0u, CRegistry::SetValue(deep.c_str(), "V", "x", HKEY_LOCAL_MACHINE));
    EXPECT_EQ(0u, CRegistry::DeleteKey(deep.c_str(), false, HKEY_LOCAL_MACHINE))
        << "parents with double-byte names are found and removed";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Path(table))) << "the empty double-byte parents are gone";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Base() + "\\Other"));
}

TEST_F(RegistryTest, KeyQuestions_MissingEmptyAndFilledKeys_WithTheirSubKeyNamesWhole)
{
    const HKEY root = HKEY_CURRENT_USER;
    const std::string key = Path("Questions");
    std::vector<std::string> names = {kUntouched};
    EXPECT_FALSE(CRegistry::KeyExists(key.c_str(), root)) << "a missing key";
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), CRegistry::ProbeKey(key.c_str(), root));
    EXPECT_FALSE(CRegistry::IsEmptyKey(key.c_str(), root)) << "a missing key is not an empty one";
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), CRegistry::GetSubKeyNames(key.c_str(), root, names));
    EXPECT_EQ(std::vector<std::string>{kUntouched}, names) << "a failed read leaves the names alone";
    EXPECT_EQ(87u, CRegistry::ProbeKey(nullptr, root)) << "no key path";

    bool created = false;
    ASSERT_EQ(0u, CRegistry::CreateKey((key + "\\Deep\\Er").c_str(), root, &created));
    EXPECT_TRUE(created) << "the missing path is made";
    ASSERT_EQ(0u, CRegistry::CreateKey((key + "\\Deep\\Er").c_str(), root, &created));
    EXPECT_FALSE(created) << "an existing key is only opened";
    EXPECT_TRUE(CRegistry::KeyExists(key.c_str(), root));
    EXPECT_TRUE(CRegistry::IsEmptyKey((key + "\\Deep\\Er").c_str(), root)) << "no values, no subkeys";
    EXPECT_FALSE(CRegistry::IsEmptyKey(key.c_str(), root)) << "a subkey makes a key not empty";
    ASSERT_EQ(0u, CRegistry::SetValue((key + "\\Deep\\Er").c_str(), "V", 1ul, root));
    EXPECT_FALSE(CRegistry::IsEmptyKey((key + "\\Deep\\Er").c_str(), root)) << "a value makes a key not empty";
    ASSERT_EQ(0u, CRegistry::GetSubKeyNames((key + "\\Deep\\Er").c_str(), root, names));
    EXPECT_TRUE(names.empty()) << "a key without subkeys has no names";

    // The longest name a key may have, and in a double-byte code page names longer in bytes than in
    // characters, and one whose character ends in 0x5C, come back whole.
    std::vector<std::string> expected = {"Deep", std::string(255, 'n')};
    if (::GetACP() == 932)
    {
        std::string wide;
        for (int i = 0; i < 200; ++i)
        {
            wide += "\x82\xA0";                               // 400 bytes, 200 characters
        }
        expected.push_back(wide);
        expected.push_back("\x95\x5C" "x");
    }
    for (size_t i = 1; i < expected.size(); ++i)
    {
        ASSERT_TRUE(MakeSubKey(root, key, expected[i])) << "name " << i;
    }
    ASSERT_EQ(0u, CRegistry::GetSubKeyNames(key.c_str(), root, names));
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, names) << "every subkey by its whole name, the tree below not included";
}

TEST_F(RegistryTest, RawValues_AnyTypeAndLengthAsStored_ProbedWithoutReading)
{
    const HKEY root = HKEY_CURRENT_USER;
    const std::string key = Path("Raw\\Values");
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), CRegistry::ProbeValue(key.c_str(), "V", root))
        << "the key is missing";
    const BYTE bytes[] = {1, 0, 2, 0, 0};
    ASSERT_EQ(0u, CRegistry::SetRawValue(key.c_str(), "Binary", REG_BINARY, bytes, sizeof(bytes), root))
        << "the key path is made";
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), CRegistry::ProbeValue(key.c_str(), "V", root))
        << "the value is missing";
    EXPECT_EQ(0u, CRegistry::ProbeValue(key.c_str(), "Binary", root));

    std::vector<BYTE> data;
    DWORD type = REG_NONE;
    ASSERT_EQ(0u, CRegistry::GetRawValue(key.c_str(), "Binary", root, data, &type));
    EXPECT_EQ(std::vector<BYTE>(bytes, bytes + sizeof(bytes)), data) << "zero bytes included";
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);

    ASSERT_EQ(0u, CRegistry::SetRawValue(key.c_str(), "Expand", REG_EXPAND_SZ,
                                         reinterpret_cast<const BYTE*>("%TEMP%"), 7, root));
    EXPECT_EQ(std::string("%TEMP%", 7), ReadRaw(root, key, "Expand").bytes);
    ASSERT_EQ(0u, CRegistry::GetRawValue(key.c_str(), "Expand", root, data, &type));
    EXPECT_EQ(7u, data.size()) << "the text with the zero it was stored with";
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);

    const std::string longData(10000, 'L');
    ASSERT_TRUE(WriteRaw(root, key, "Long", REG_BINARY, longData.c_str(), static_cast<DWORD>(longData.size())));
    ASSERT_EQ(0u, CRegistry::GetRawValue(key.c_str(), "Long", root, data, nullptr)) << "type may be null";
    EXPECT_EQ(longData, std::string(data.begin(), data.end())) << "no length limit, nothing added";

    ASSERT_EQ(0u, CRegistry::SetRawValue(key.c_str(), "Empty", REG_BINARY, nullptr, 0, root));
    ASSERT_EQ(0u, CRegistry::GetRawValue(key.c_str(), "Empty", root, data, &type));
    EXPECT_TRUE(data.empty()) << "a value without data";

    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), CRegistry::ProbeValue(key.c_str(), nullptr, root))
        << "no default value yet";
    ASSERT_EQ(0u,
              CRegistry::SetRawValue(key.c_str(), nullptr, REG_SZ, reinterpret_cast<const BYTE*>("d"), 2, root));
    EXPECT_EQ(0u, CRegistry::ProbeValue(key.c_str(), "", root)) << "null and empty both name the default value";

    data.assign(1, 0xEE);
    type = 0xEE;
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              CRegistry::GetRawValue(key.c_str(), "Missing", root, data, &type));
    EXPECT_EQ(std::vector<BYTE>(1, 0xEE), data) << "a missing value writes nothing";
    EXPECT_EQ(0xEEu, type);
    EXPECT_EQ(87u, CRegistry::SetRawValue(key.c_str(), "V", REG_BINARY, nullptr, 4, root))
        << "no data for four bytes";
}
