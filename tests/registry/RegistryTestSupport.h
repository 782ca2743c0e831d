#pragma once
// Test support for registry tests: keys under a test-only vendor name in both registry views, removed
// with everything below them when the test ends (also on failure, and also when a test left a key
// that refuses reading), plus direct reads and writes that bypass the class under test.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestHelpers.h"

// The vendor key of this process alone: test programs run side by side in one prefix, and one that
// removes an emptied vendor key must never race another that is creating keys below it.
inline const std::string kTestVendorKey =
    "Software\\KvTestVendor" + std::to_string(::GetCurrentProcessId());

// Windows 9x (and Wine presenting itself as one) keeps no key security and has one registry view.
inline bool IsWindows9x()
{
    return (::GetVersion() & 0x80000000u) != 0;
}

inline bool IsWow64Process32()
{
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

inline bool Is64BitWindows()
{
    return !IsWindows9x() && (sizeof(void*) == 8 || IsWow64Process32());
}

// The raw value: type, the size the system reports and the bytes (for REG_SZ the text up to its first
// zero byte); type REG_NONE when it cannot be read.
struct RawValue
{
    DWORD type = REG_NONE;
    DWORD size = 0;
    std::string bytes;
};

inline RawValue ReadRaw(HKEY root, const std::string& path, const char* name, REGSAM view = 0)
{
    RawValue value;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
    {
        return value;
    }
    char data[16384] = {};
    DWORD size = sizeof(data);
    DWORD type = REG_NONE;
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS)
    {
        value.type = type;
        value.size = size;
        value.bytes = (type == REG_SZ) ? std::string(data) : std::string(data, size);
    }
    ::RegCloseKey(key);
    return value;
}

inline bool WriteRaw(HKEY root, const std::string& path, const char* name, DWORD type, const void* data,
                     DWORD size, REGSAM view = 0)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
    {
        return false;
    }
    const bool ok = ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return ok;
}

inline bool MakeKey(HKEY root, const std::string& path, REGSAM view = 0)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
    {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

// Replaces the key's DACL: null gives everyone full access, otherwise the ACL given.
inline LONG SetKeyDacl(HKEY root, const std::string& path, PACL acl, REGSAM view = 0)
{
    HKEY key = nullptr;
    LONG err = ::RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC | view, &key);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    SECURITY_DESCRIPTOR descriptor = {};
    ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    err = ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
    ::RegCloseKey(key);
    return err;
}

// Gives the key the DACL "deny KEY_READ to Everyone", which makes a tree holding it refuse deletion.
inline LONG DenyReadingToEveryone(HKEY root, const std::string& path, REGSAM view = 0)
{
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
    {
        return static_cast<LONG>(::GetLastError());
    }
    DWORD buffer[64] = {};
    PACL acl = reinterpret_cast<PACL>(buffer);
    ::InitializeAcl(acl, sizeof(buffer), ACL_REVISION);
    ::AddAccessDeniedAce(acl, ACL_REVISION, KEY_READ, everyone);
    const LONG err = SetKeyDacl(root, path, acl, view);
    ::FreeSid(everyone);
    return err;
}

inline void ForceDeleteTree(HKEY root, const std::string& path, REGSAM view)
{
    (void)SetKeyDacl(root, path, nullptr, view);
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
    {
        return;
    }
    std::vector<std::string> names;
    char name[512];
    DWORD length = sizeof(name);
    for (DWORD index = 0; ::RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) ==
                          ERROR_SUCCESS;
         ++index, length = sizeof(name))
    {
        names.push_back(name);
    }
    ::RegCloseKey(key);
    for (const std::string& child : names)
    {
        ForceDeleteTree(root, path + "\\" + child, view);
    }
    (void)::RegDeleteKeyExA(root, path.c_str(), view, 0);
}

// Removes the key when it holds no subkey and no value (the vendor key that test programs share).
inline void RemoveIfEmpty(HKEY root, const std::string& path, REGSAM view)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
    {
        return;
    }
    DWORD subKeys = 1;
    DWORD values = 1;
    const LONG err = ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                                        nullptr, nullptr, nullptr);
    ::RegCloseKey(key);
    if (err == ERROR_SUCCESS && subKeys == 0 && values == 0)
    {
        (void)::RegDeleteKeyExA(root, path.c_str(), view, 0);
    }
}

// Test programs run side by side in one prefix, so each process works in an area of its own:
// "Software\KvTestVendor<process id>\Run<process id>" (which holds a value, so that walks up
// through empty parents stop there), and each test below it in "<area>\<test name>". The area, in
// both views and both roots, and the process's first-level test key go away when the test ends.
class RegistryTestBase : public ::testing::Test
{
protected:
    RegistryTestBase()
        : m_area(std::string(kTestVendorKey) + "\\Run" + std::to_string(::GetCurrentProcessId())),
          m_base(m_area + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name())
    {
        RemoveAll();
        const DWORD id = ::GetCurrentProcessId();
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        {
            for (REGSAM view : kViews)
            {
                (void)WriteRaw(root, m_area, "Owner", REG_DWORD, &id, sizeof(id), view);
            }
        }
    }
    ~RegistryTestBase() override { RemoveAll(); }

    std::string Path(const std::string& relative) const { return m_base + "\\" + relative; }
    const std::string& Base() const { return m_base; }
    // A first-level key under HKEY_CURRENT_USER for this process.
    static std::string TopLevelKey() { return "KvTestVendorTop" + std::to_string(::GetCurrentProcessId()); }

private:
    static constexpr REGSAM kViews[2] = {KEY_WOW64_32KEY, KEY_WOW64_64KEY};

    void RemoveAll() const
    {
        for (REGSAM view : kViews)
        {
            for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
            {
                ForceDeleteTree(root, m_area, view);
                RemoveIfEmpty(root, kTestVendorKey, view);
            }
            ForceDeleteTree(HKEY_CURRENT_USER, TopLevelKey(), view);
        }
    }

    std::string m_area;
    std::string m_base;
};
