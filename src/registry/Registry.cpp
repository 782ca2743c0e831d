#include "registry/Registry.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/APIFunction.h"
#include "registry/KeyPath.h"

namespace
{
const DWORD kValueBufferSize = 4096;   // value data is read through this many bytes
const DWORD kNameBufferSize = 260;     // value and subkey names
const DWORD kFirstSubKeyNameSize = 512;  // a 255-character name in a double-byte code page
const DWORD kMaxSubKeyNameSize = 65536;
const int kRawReadAttempts = 4;          // the value may grow between its size query and its read
const BYTE kInheritedContainerAce = CONTAINER_INHERIT_ACE | INHERITED_ACE;
const DWORD kAclExtraBytes = 52;       // ACL header and an object ACE with both GUIDs, without the SID

bool IsEmpty(const char* text)
{
    return text == nullptr || text[0] == '\0';
}

REGSAM ViewBits(REGSAM view)
{
    return view & (KEY_WOW64_64KEY | KEY_WOW64_32KEY);
}

DWORD OpenKey(HKEY root, const char* path, REGSAM access, REGSAM view, CRegKey& key)
{
    return static_cast<DWORD>(::RegOpenKeyExA(root, path, 0, access | ViewBits(view), key.Receive()));
}

DWORD CreateWritableKey(HKEY root, const char* path, REGSAM view, CRegKey& key)
{
    return static_cast<DWORD>(::RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                KEY_WRITE | ViewBits(view), nullptr, key.Receive(), nullptr));
}

DWORD CountEntries(HKEY key, DWORD* subKeys, DWORD* values)
{
    return static_cast<DWORD>(::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, subKeys, nullptr, nullptr,
                                                 values, nullptr, nullptr, nullptr, nullptr));
}

// RegDeleteKeyA works in the program's own view only; the other view needs RegDeleteKeyExA, which
// systems with a single view do not have (the table falls back to RegDeleteKeyA there).
DWORD DeleteOneKey(HKEY root, const char* path, REGSAM view)
{
    if (ViewBits(view) == 0)
    {
        return static_cast<DWORD>(::RegDeleteKeyA(root, path));
    }
    CAPIFunction api;
    (void)api.Load();
    return static_cast<DWORD>(api.RegDeleteKeyExA(root, path, ViewBits(view), 0));
}

// Texts are stored without their terminating zero: the installer's records and its helper libraries
// expect it so.
DWORD WriteText(HKEY key, const char* name, const char* text)
{
    return static_cast<DWORD>(::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                               static_cast<DWORD>(std::strlen(text))));
}

DWORD WriteDword(HKEY key, const char* name, DWORD value)
{
    return static_cast<DWORD>(
        ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)));
}

// A REG_DWORD read through kValueBufferSize bytes: shorter data counts as zero-filled; 87 for another type.
DWORD ReadDword(HKEY key, const char* name, DWORD* value)
{
    BYTE data[kValueBufferSize] = {};
    DWORD type = REG_NONE;
    DWORD stored = sizeof(data);
    const DWORD err = static_cast<DWORD>(::RegQueryValueExA(key, name, nullptr, &type, data, &stored));
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    if (type != REG_DWORD)
    {
        return ERROR_INVALID_PARAMETER;
    }
    std::memcpy(value, data, sizeof(DWORD));
    return ERROR_SUCCESS;
}

// A null value name is the default value, as an empty one is.
const char* ValueName(const char* name)
{
    return name != nullptr ? name : "";
}

// The name of the subkey at index, with a buffer that grows until the name fits.
DWORD EnumSubKeyName(HKEY key, DWORD index, std::string& name)
{
    for (DWORD size = kFirstSubKeyNameSize; size <= kMaxSubKeyNameSize; size *= 2)
    {
        std::vector<char> buffer(size + 1, '\0');
        DWORD length = size;
        const DWORD err = static_cast<DWORD>(
            ::RegEnumKeyExA(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr));
        if (err != ERROR_MORE_DATA)
        {
            if (err == ERROR_SUCCESS)
            {
                name.assign(buffer.data(), length);
            }
            return err;
        }
    }
    return ERROR_MORE_DATA;
}

bool HasSubKeys(HKEY root, const char* path, REGSAM view)
{
    CRegKey key;
    DWORD subKeys = 0;
    return OpenKey(root, path, KEY_QUERY_VALUE, view, key) == ERROR_SUCCESS &&
           CountEntries(key.Get(), &subKeys, nullptr) == ERROR_SUCCESS && subKeys > 0;
}

// The SID of Everyone, freed through the same table that allocated it.
class CEveryoneSid
{
public:
    explicit CEveryoneSid(CAPIFunction& api) : m_api(api)
    {
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        m_error = m_api.AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &m_sid)
                      ? ERROR_SUCCESS
                      : ::GetLastError();
    }
    ~CEveryoneSid()
    {
        if (m_sid != nullptr)
        {
            const DWORD saved = ::GetLastError();
            (void)m_api.FreeSid(m_sid);
            ::SetLastError(saved);
        }
    }
    CEveryoneSid(const CEveryoneSid&) = delete;
    CEveryoneSid& operator=(const CEveryoneSid&) = delete;

    PSID Get() const { return m_sid; }
    DWORD Error() const { return m_error; }
    DWORD Length() const { return 8 + 4 * static_cast<const SID*>(m_sid)->SubAuthorityCount; }

private:
    CAPIFunction& m_api;
    PSID m_sid = nullptr;
    DWORD m_error = ERROR_SUCCESS;
};

// An allowed object ACE without object types grants what a plain allowed ACE grants. Systems that
// lack the object ACE call, or only have a stub that fails (Wine), get the plain ACE with the same
// revision, flags and access.
bool AddEveryoneFullControl(CAPIFunction& api, PACL acl, PSID everyone)
{
    if (api.AddAccessAllowedObjectAce(acl, ACL_REVISION_DS, kInheritedContainerAce, KEY_ALL_ACCESS, nullptr,
                                      nullptr, everyone))
    {
        return true;
    }
    return api.AddAccessAllowedAceEx(acl, ACL_REVISION_DS, kInheritedContainerAce, KEY_ALL_ACCESS, everyone) != FALSE;
}

DWORD ApplyDacl(HKEY root, const char* path, REGSAM view, PSECURITY_DESCRIPTOR descriptor)
{
    CRegKey key;
    const DWORD err = OpenKey(root, path, WRITE_DAC, view, key);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    return static_cast<DWORD>(::RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, descriptor));
}
}  // namespace

DWORD CRegistry::ProbeKey(const char* key, HKEY root, REGSAM access, REGSAM view)
{
    if (key == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    CRegKey handle;
    return OpenKey(root, key, access, view, handle);
}

bool CRegistry::KeyExists(const char* key, HKEY root, REGSAM view)
{
    return ProbeKey(key, root, KEY_READ, view) == ERROR_SUCCESS;
}

bool CRegistry::IsEmptyKey(const char* key, HKEY root, REGSAM view)
{
    CRegKey handle;
    DWORD subKeys = 0;
    DWORD values = 0;
    return key != nullptr && OpenKey(root, key, KEY_READ, view, handle) == ERROR_SUCCESS &&
           CountEntries(handle.Get(), &subKeys, &values) == ERROR_SUCCESS && subKeys == 0 && values == 0;
}

DWORD CRegistry::GetSubKeyNames(const char* key, HKEY root, std::vector<std::string>& names, REGSAM view)
{
    if (key == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    CRegKey handle;
    DWORD err = OpenKey(root, key, KEY_READ, view, handle);
    std::vector<std::string> found;
    for (DWORD index = 0; err == ERROR_SUCCESS; ++index)
    {
        std::string name;
        err = EnumSubKeyName(handle.Get(), index, name);
        if (err == ERROR_SUCCESS)
        {
            found.push_back(name);
        }
    }
    if (err != ERROR_NO_MORE_ITEMS)
    {
        return err;
    }
    names.swap(found);
    return ERROR_SUCCESS;
}

DWORD CRegistry::CreateKey(const char* key, HKEY root, bool* created, REGSAM view)
{
    if (key == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    CRegKey handle;
    DWORD disposition = 0;
    const DWORD err = static_cast<DWORD>(::RegCreateKeyExA(root, key, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                           KEY_QUERY_VALUE | ViewBits(view), nullptr,
                                                           handle.Receive(), &disposition));
    if (err == ERROR_SUCCESS && created != nullptr)
    {
        *created = disposition == REG_CREATED_NEW_KEY;
    }
    return err;
}

DWORD CRegistry::ProbeValue(const char* key, const char* name, HKEY root, REGSAM view)
{
    if (key == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    CRegKey handle;
    const DWORD err = OpenKey(root, key, KEY_QUERY_VALUE, view, handle);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    return static_cast<DWORD>(::RegQueryValueExA(handle.Get(), ValueName(name), nullptr, nullptr, nullptr, nullptr));
}

DWORD CRegistry::GetRawValue(const char* key, const char* name, HKEY root, std::vector<BYTE>& data, DWORD* type,
                             REGSAM view)
{
    if (key == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    CRegKey handle;
    DWORD err = OpenKey(root, key, KEY_QUERY_VALUE, view, handle);
    DWORD size = 0;
    DWORD valueType = REG_NONE;
    if (err == ERROR_SUCCESS)
    {
        err = static_cast<DWORD>(
            ::RegQueryValueExA(handle.Get(), ValueName(name), nullptr, &valueType, nullptr, &size));
    }
    std::vector<BYTE> bytes;
    for (int attempt = 0; err == ERROR_SUCCESS && attempt < kRawReadAttempts; ++attempt)
    {
        bytes.assign(size + 1, 0);                            // never a zero-length buffer
        size = static_cast<DWORD>(bytes.size());
        err = static_cast<DWORD>(
            ::RegQueryValueExA(handle.Get(), ValueName(name), nullptr, &valueType, bytes.data(), &size));
        if (err == ERROR_SUCCESS)
        {
            bytes.resize(size);
            data.swap(bytes);
            if (type != nullptr)
            {
                *type = valueType;
            }
            return ERROR_SUCCESS;
        }
        if (err == ERROR_MORE_DATA)
        {
            err = ERROR_SUCCESS;                              // grown meanwhile: size holds its new size
        }
    }
    return err == ERROR_SUCCESS ? static_cast<DWORD>(ERROR_MORE_DATA) : err;
}

DWORD CRegistry::SetRawValue(const char* key, const char* name, DWORD type, const BYTE* data, DWORD size, HKEY root,
                             REGSAM view)
{
    if (key == nullptr || (data == nullptr && size > 0))
    {
        return ERROR_INVALID_PARAMETER;
    }
    CRegKey handle;
    const DWORD err = CreateWritableKey(root, key, view, handle);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    return static_cast<DWORD>(::RegSetValueExA(handle.Get(), ValueName(name), 0, type, data, size));
}

DWORD CRegistry::GetValue(const char* key, const char* name, char* text, HKEY root, int size, REGSAM view)
{
    if (IsEmpty(key) || IsEmpty(name) || text == nullptr || (size < 0 && size != kUncheckedSize))
    {
        return ERROR_INVALID_PARAMETER;
    }
    CRegKey handle;
    DWORD err = OpenKey(root, key, KEY_READ, view, handle);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    char data[kValueBufferSize + 1] = {};                     // one spare zero byte ends a full buffer
    DWORD type = REG_NONE;
    DWORD stored = kValueBufferSize;
    err = static_cast<DWORD>(
        ::RegQueryValueExA(handle.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &stored));
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    if (type != REG_SZ)
    {
        return ERROR_INVALID_PARAMETER;
    }
    // Our own values are stored without their zero, so the stored size alone does not leave room for it.
    const size_t length = std::strlen(data);
    if (size != kUncheckedSize && (static_cast<DWORD>(size) < stored || static_cast<size_t>(size) < length + 1))
    {
        return ERROR_INSUFFICIENT_BUFFER;
    }
    std::memcpy(text, data, length + 1);
    return ERROR_SUCCESS;
}

DWORD CRegistry::GetValue(const char* key, const char* name, DWORD* value, HKEY root, int /*size*/, REGSAM view)
{
    if (IsEmpty(key) || IsEmpty(name) || value == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    CRegKey handle;
    const DWORD err = OpenKey(root, key, KEY_READ, view, handle);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    return ReadDword(handle.Get(), name, value);
}

DWORD CRegistry::SetValue(const char* key, const char* name, const char* text, HKEY root, REGSAM view)
{
    if (IsEmpty(key) || IsEmpty(name) || text == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    CRegKey handle;
    const DWORD err = CreateWritableKey(root, key, view, handle);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    return WriteText(handle.Get(), name, text);
}

DWORD CRegistry::SetValue(const char* key, const char* name, DWORD value, HKEY root, REGSAM view)
{
    if (IsEmpty(key) || IsEmpty(name))
    {
        return ERROR_INVALID_PARAMETER;
    }
    CRegKey handle;
    const DWORD err = CreateWritableKey(root, key, view, handle);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    return WriteDword(handle.Get(), name, value);
}

DWORD CRegistry::DeleteValue(const char* key, const char* name, HKEY root, REGSAM view)
{
    CRegKey handle;
    const DWORD err = OpenKey(root, key, KEY_ALL_ACCESS, view, handle);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    return static_cast<DWORD>(::RegDeleteValueA(handle.Get(), name));
}

DWORD CRegistry::OpenValueKey(const char* key, HKEY root, CRegKey& handle, REGSAM view)
{
    if (IsEmpty(key))
    {
        return ERROR_INVALID_PARAMETER;
    }
    return static_cast<DWORD>(::RegCreateKeyExA(root, key, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                KEY_QUERY_VALUE | KEY_WRITE | ViewBits(view), nullptr,
                                                handle.Receive(), nullptr));
}

DWORD CRegistry::GetValue(HKEY key, const char* name, DWORD* value)
{
    if (key == nullptr || IsEmpty(name) || value == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    return ReadDword(key, name, value);
}

DWORD CRegistry::SetValue(HKEY key, const char* name, const char* text)
{
    if (key == nullptr || IsEmpty(name) || text == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    return WriteText(key, name, text);
}

DWORD CRegistry::SetValue(HKEY key, const char* name, DWORD value)
{
    if (key == nullptr || IsEmpty(name))
    {
        return ERROR_INVALID_PARAMETER;
    }
    return WriteDword(key, name, value);
}

DWORD CRegistry::ListValues(const char* key, HKEY root, std::vector<ListedValue>& values, REGSAM view)
{
    if (key == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    CRegKey handle;
    DWORD err = OpenKey(root, key, KEY_READ, view, handle);
    std::vector<ListedValue> found;
    for (DWORD index = 0; err == ERROR_SUCCESS; ++index)
    {
        char name[kNameBufferSize + 1] = {};
        DWORD nameLength = kNameBufferSize;
        char data[kValueBufferSize + 1] = {};                 // one spare zero byte ends a full buffer
        DWORD stored = kValueBufferSize;
        DWORD type = REG_NONE;
        err = static_cast<DWORD>(::RegEnumValueA(handle.Get(), index, name, &nameLength, nullptr, &type,
                                                 reinterpret_cast<BYTE*>(data), &stored));
        if (err == ERROR_MORE_DATA)
        {
            err = ERROR_SUCCESS;                              // a name or data longer than ours: left out
            continue;
        }
        if (err != ERROR_SUCCESS || (type != REG_SZ && type != REG_DWORD))
        {
            continue;
        }
        ListedValue value;
        value.name.assign(name, nameLength);
        value.type = type;
        if (type == REG_SZ)
        {
            value.text = data;
        }
        else
        {
            std::memcpy(&value.number, data, sizeof(value.number));
        }
        found.push_back(std::move(value));
    }
    if (err != ERROR_NO_MORE_ITEMS)
    {
        return err;
    }
    values.swap(found);
    return ERROR_SUCCESS;
}

DWORD CRegistry::DeleteKey(const char* key, bool thisKeyOnly, HKEY root, REGSAM view)
{
    if (IsEmpty(key))
    {
        return ERROR_INVALID_PARAMETER;
    }
    if (thisKeyOnly)
    {
        return DeleteKeyItself(key, root, view);
    }
    const DWORD err = DeleteSubKey(key, root, view);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    return DeleteEmptyParent(key, root, view);
}

// RegDeleteKeyA deletes a whole subtree on Windows 9x but only an empty key on NT, where a key with
// subkeys gives 5. Asked for the key alone, we refuse a key with subkeys the NT way on every system,
// so nothing below it is lost and its access is not changed for a delete that cannot succeed.
DWORD CRegistry::DeleteKeyItself(const char* key, HKEY root, REGSAM view)
{
    if (HasSubKeys(root, key, view))
    {
        return ERROR_ACCESS_DENIED;
    }
    return DeleteWithGrant(key, root, view);
}

// A key that refuses deletion is given to Everyone and deleted again.
DWORD CRegistry::DeleteWithGrant(const char* key, HKEY root, REGSAM view)
{
    const DWORD err = DeleteOneKey(root, key, view);
    if (err != ERROR_ACCESS_DENIED)
    {
        return err;
    }
    if (SetDaclPermission(key, root, view) != ERROR_SUCCESS)
    {
        return ERROR_ACCESS_DENIED;
    }
    return DeleteOneKey(root, key, view);
}

// A key inside a tree being deleted may refuse to be opened at all (its DACL denies reading); it is
// given to Everyone and opened again, as a refused delete is.
DWORD CRegistry::OpenWithGrant(const char* key, HKEY root, REGSAM access, REGSAM view, CRegKey& handle)
{
    const DWORD err = OpenKey(root, key, access, view, handle);
    if (err != ERROR_ACCESS_DENIED)
    {
        return err;
    }
    if (SetDaclPermission(key, root, view) != ERROR_SUCCESS)
    {
        return ERROR_ACCESS_DENIED;
    }
    return OpenKey(root, key, access, view, handle);
}

DWORD CRegistry::DeleteSubKey(const char* key, HKEY root, REGSAM view)
{
    if (IsEmpty(key))
    {
        return ERROR_INVALID_PARAMETER;
    }
    // Most keys are leaves that go at the first attempt; one with subkeys, or that refuses, is walked.
    DWORD err = DeleteOneKey(root, key, view);
    if (err == ERROR_SUCCESS || err == ERROR_FILE_NOT_FOUND)
    {
        return err;
    }
    CRegKey handle;
    err = OpenWithGrant(key, root, KEY_ALL_ACCESS, view, handle);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    DWORD subKeys = 0;
    err = CountEntries(handle.Get(), &subKeys, nullptr);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    // Always the first remaining subkey: each one is gone before the next round.
    for (DWORD round = 0; round < subKeys; ++round)
    {
        char name[kNameBufferSize] = {};
        DWORD nameLength = kNameBufferSize;
        if (::RegEnumKeyExA(handle.Get(), 0, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        {
            continue;
        }
        err = DeleteSubKey(JoinKeyPath(key, name).c_str(), root, view);
        if (err != ERROR_SUCCESS)
        {
            return err;
        }
    }
    handle.Reset();
    return DeleteWithGrant(key, root, view);
}

DWORD CRegistry::DeleteEmptyParent(const char* key, HKEY root, REGSAM view)
{
    if (IsEmpty(key))
    {
        return ERROR_INVALID_PARAMETER;
    }
    std::string path = TrimKeySeparators(key);
    for (;;)
    {
        const size_t separator = FindLastKeySeparator(path);
        if (separator == std::string::npos)
        {
            return ERROR_SUCCESS;
        }
        path.resize(separator);
        if (path.empty() || FindLastKeySeparator(path) == std::string::npos)
        {
            return ERROR_SUCCESS;                             // a first-level key is never removed
        }
        CRegKey handle;
        const DWORD err = OpenKey(root, path.c_str(), KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, view, handle);
        if (err != ERROR_SUCCESS)
        {
            return err;
        }
        DWORD subKeys = 0;
        DWORD values = 0;
        if (CountEntries(handle.Get(), &subKeys, &values) != ERROR_SUCCESS)
        {
            continue;                                         // this level stays; the walk goes on upward
        }
        if (subKeys > 0 || values > 0)
        {
            return ERROR_SUCCESS;
        }
        handle.Reset();
        const DWORD deleted = DeleteOneKey(root, path.c_str(), view);
        if (deleted != ERROR_SUCCESS)
        {
            return deleted;
        }
    }
}

DWORD CRegistry::CopyKey(const char* source, const char* destination, bool recursive, HKEY sourceRoot,
                         HKEY destinationRoot, REGSAM view)
{
    if (IsEmpty(source) || IsEmpty(destination))
    {
        return ERROR_INVALID_PARAMETER;
    }
    CRegKey handle;
    DWORD err = OpenKey(sourceRoot, source, KEY_READ, view, handle);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    DWORD subKeys = 0;
    DWORD values = 0;
    err = CountEntries(handle.Get(), &subKeys, &values);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    for (DWORD index = 0; recursive && index < subKeys; ++index)
    {
        char name[kNameBufferSize] = {};
        DWORD nameLength = kNameBufferSize;
        err = static_cast<DWORD>(
            ::RegEnumKeyExA(handle.Get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr));
        if (err != ERROR_SUCCESS)
        {
            return err;
        }
        err = CopyKey(JoinKeyPath(source, name).c_str(), JoinKeyPath(destination, name).c_str(), true, sourceRoot,
                      destinationRoot, view);
        if (err != ERROR_SUCCESS)
        {
            return err;
        }
    }
    return CopyValue(handle.Get(), values, destination, destinationRoot, view);
}

DWORD CRegistry::CopyValue(HKEY source, DWORD valueCount, const char* destination, HKEY destinationRoot,
                           REGSAM view)
{
    if (source == nullptr || IsEmpty(destination))
    {
        return ERROR_INVALID_PARAMETER;
    }
    for (DWORD index = 0; index < valueCount; ++index)
    {
        char name[kNameBufferSize] = {};
        DWORD nameLength = kNameBufferSize;
        BYTE data[kValueBufferSize + 1] = {};                 // one spare zero byte ends a full buffer
        DWORD dataSize = kValueBufferSize;
        DWORD type = REG_NONE;
        DWORD err = static_cast<DWORD>(
            ::RegEnumValueA(source, index, name, &nameLength, nullptr, &type, data, &dataSize));
        if (err != ERROR_SUCCESS)
        {
            return err;
        }
        if (type == REG_SZ)
        {
            err = SetValue(destination, name, reinterpret_cast<const char*>(data), destinationRoot, view);
        }
        else if (type == REG_DWORD)
        {
            DWORD number = 0;
            std::memcpy(&number, data, sizeof(number));
            err = SetValue(destination, name, number, destinationRoot, view);
        }
        if (err != ERROR_SUCCESS)
        {
            return err;
        }
    }
    return ERROR_SUCCESS;
}

DWORD CRegistry::SetDaclPermission(const char* key, HKEY root, REGSAM view)
{
    CAPIFunction api;
    if (!api.Load())
    {
        return ERROR_NOT_SUPPORTED;
    }
    return SetDaclPermission(key, root, view, api);
}

DWORD CRegistry::SetDaclPermission(const char* key, HKEY root, REGSAM view, CAPIFunction& api)
{
    if (IsEmpty(key))
    {
        return ERROR_INVALID_PARAMETER;
    }
    SECURITY_DESCRIPTOR descriptor = {};
    if (!api.InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION))
    {
        return ::GetLastError();
    }
    const CEveryoneSid everyone(api);
    if (everyone.Get() == nullptr)
    {
        return everyone.Error();
    }
    const DWORD aclSize = everyone.Length() + kAclExtraBytes;
    std::vector<DWORD> aclBuffer((aclSize + sizeof(DWORD) - 1) / sizeof(DWORD), 0);   // zeroed, DWORD-aligned
    PACL acl = reinterpret_cast<PACL>(aclBuffer.data());
    if (!api.InitializeAcl(acl, aclSize, ACL_REVISION_DS) || !AddEveryoneFullControl(api, acl, everyone.Get()) ||
        !api.SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) ||
        !api.SetSecurityDescriptorControl(&descriptor, SE_DACL_AUTO_INHERITED, SE_DACL_AUTO_INHERITED))
    {
        return ::GetLastError();
    }
    return ApplyDacl(root, key, view, &descriptor);
}
