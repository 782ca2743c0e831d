#pragma once
// Every registry access of the installer: whether a key or value exists, a key's subkey names, string,
// DWORD and raw values, deletion of values and of key trees with the empty parents they leave, copies
// of key trees, granting Everyone access to a key that refuses deletion, and export to or import from a
// text file in the profile format.
// All operations are static and return a Windows error code (0 = success); out-parameters are written
// only on success. Nothing is logged here: callers decide what a code means.
//
// view: 0 for the program's own registry view: on 64-bit Windows the 32-bit installer's writes to
// HKLM\Software then land where Windows redirects 32-bit programs. KEY_WOW64_64KEY asks for the
// 64-bit view instead (KEY_WOW64_32KEY for the 32-bit one); other bits are ignored.

#include <windows.h>

#include <string>
#include <vector>

#include "base/Scoped.h"

class CAPIFunction;

class CRegistry
{
public:
    static constexpr int kUncheckedSize = -1;

    CRegistry() = default;
    CRegistry(const CRegistry&) = default;
    CRegistry& operator=(const CRegistry&) = default;
    virtual ~CRegistry() = default;

    // A REG_SZ value up to its first zero byte, with the zero. 87 for another type, 122 when size
    // (unless kUncheckedSize) is below the stored size or cannot hold the text and its zero; 234 for
    // data over 4096 bytes. With kUncheckedSize the buffer must hold 4096 bytes.
    // ERROR_SUCCESS when the key exists and opens with access; ERROR_FILE_NOT_FOUND when it is missing;
    // another code when it cannot be opened so. An empty path names root itself, as for the system.
    static DWORD ProbeKey(const char* key, HKEY root, REGSAM access = KEY_READ, REGSAM view = 0);
    // True when the key exists and opens for reading.
    static bool KeyExists(const char* key, HKEY root, REGSAM view = 0);
    // True when the key opens for reading and holds neither values nor subkeys.
    static bool IsEmptyKey(const char* key, HKEY root, REGSAM view = 0);
    // The names of the key's subkeys in the system's order, whole whatever their length (the key opened
    // for reading). names is written only on success; an enumeration that fails gives its error.
    static DWORD GetSubKeyNames(const char* key, HKEY root, std::vector<std::string>& names, REGSAM view = 0);
    // Creates the key unless it exists, asking only to query it; created (may be null) tells whether
    // this call made it. An existing key is left as it is.
    static DWORD CreateKey(const char* key, HKEY root, bool* created, REGSAM view = 0);

    // ERROR_SUCCESS when the value exists (the key opened for querying); ERROR_FILE_NOT_FOUND when the
    // key or the value is missing; another code when it cannot be looked at. A null or empty name is
    // the key's default value, here and for the raw values.
    static DWORD ProbeValue(const char* key, const char* name, HKEY root, REGSAM view = 0);
    // A value of any type and length with its bytes as stored (the key opened for querying); type may be
    // null. data and type are written only on success.
    static DWORD GetRawValue(const char* key, const char* name, HKEY root, std::vector<BYTE>& data, DWORD* type,
                             REGSAM view = 0);
    // Writes size bytes of data as a value of the given type, creating the key path.
    static DWORD SetRawValue(const char* key, const char* name, DWORD type, const BYTE* data, DWORD size, HKEY root,
                             REGSAM view = 0);

    static DWORD GetValue(const char* key, const char* name, char* text, HKEY root, int size = kUncheckedSize,
                          REGSAM view = 0);
    // A REG_DWORD value; 87 for another type. size is not used.
    static DWORD GetValue(const char* key, const char* name, DWORD* value, HKEY root, int size = 0,
                          REGSAM view = 0);
    // Write a REG_SZ (its size given as the text's length without the zero) or a REG_DWORD, creating the
    // key path.
    static DWORD SetValue(const char* key, const char* name, const char* text, HKEY root, REGSAM view = 0);
    static DWORD SetValue(const char* key, const char* name, DWORD value, HKEY root, REGSAM view = 0);
    static DWORD DeleteValue(const char* key, const char* name, HKEY root, REGSAM view = 0);

    // A key kept open for many values (the uninstall records of a run): created unless it exists,
    // opened to query and set values. The calls on an open key below read and write values as the
    // calls by path above do.
    static DWORD OpenValueKey(const char* key, HKEY root, CRegKey& handle, REGSAM view = 0);
    static DWORD GetValue(HKEY key, const char* name, DWORD* value);
    static DWORD SetValue(HKEY key, const char* name, const char* text);
    static DWORD SetValue(HKEY key, const char* name, DWORD value);

    // A value as ListValues gives it: text for REG_SZ, number for REG_DWORD.
    struct ListedValue
    {
        std::string name;
        DWORD type = REG_NONE;
        std::string text;
        DWORD number = 0;
    };
    // Every REG_SZ and REG_DWORD value of the key in one enumeration (the key opened for reading), read
    // as GetValue reads them with kUncheckedSize: a text up to its first zero. Values of other types,
    // with more than 4096 bytes of data or with names of 260 characters or more are left out. values is
    // written only on success.
    static DWORD ListValues(const char* key, HKEY root, std::vector<ListedValue>& values, REGSAM view = 0);
    // thisKeyOnly false: the whole tree, then every parent left empty (never a first-level key).
    // thisKeyOnly true: the key alone; 5 while it has subkeys.
    static DWORD DeleteKey(const char* key, bool thisKeyOnly, HKEY root, REGSAM view = 0);
    // Copies string and DWORD values (with recursive, subkeys first); keys without values are not made.
    static DWORD CopyKey(const char* source, const char* destination, bool recursive, HKEY sourceRoot,
                         HKEY destinationRoot, REGSAM view = 0);
    // Export to a new file: 80 when it exists (the file is left as it is), 50 for a root without a name
    // in the format (HKEY_USERS). When the key cannot be opened the new file stays empty.
    static DWORD SaveToFile(const char* key, const char* file, HKEY root, REGSAM view = 0);
    // Import every section of the file; the result is that of the last line of the last section.
    static DWORD LoadFromFile(const char* file, REGSAM view = 0);

protected:
    static DWORD DeleteSubKey(const char* key, HKEY root, REGSAM view = 0);
    static DWORD DeleteEmptyParent(const char* key, HKEY root, REGSAM view = 0);
    static DWORD CopyValue(HKEY source, DWORD valueCount, const char* destination, HKEY destinationRoot,
                           REGSAM view = 0);
    // Replaces the key's DACL by one ACE that gives Everyone full control (inherited by subkeys).
    static DWORD SetDaclPermission(const char* key, HKEY root, REGSAM view = 0);
    // The same with the security functions of an object the caller has loaded.
    static DWORD SetDaclPermission(const char* key, HKEY root, REGSAM view, CAPIFunction& api);

private:
    static DWORD DeleteKeyItself(const char* key, HKEY root, REGSAM view);
    static DWORD DeleteWithGrant(const char* key, HKEY root, REGSAM view);
    static DWORD OpenWithGrant(const char* key, HKEY root, REGSAM access, REGSAM view, CRegKey& handle);
};
