#pragma once
// Owners for Windows handles: a handle goes into an owner the moment it is created, and the owner
// closes it exactly once. Closing never changes the caller's last-error value.

#include <windows.h>

template <typename Traits>   // Traits gives: Type, Null(), IsValid(h), Close(h)
class CScoped
{
public:
    using Type = typename Traits::Type;
    CScoped() = default;
    explicit CScoped(Type h) : m_h(h) {}
    ~CScoped() { Reset(); }
    CScoped(CScoped&& other) noexcept : m_h(other.Release()) {}
    CScoped& operator=(CScoped&& other) noexcept
    {
        Reset(other.Release());
        return *this;
    }
    CScoped(const CScoped&) = delete;
    CScoped& operator=(const CScoped&) = delete;

    Type Get() const { return m_h; }
    bool IsValid() const { return Traits::IsValid(m_h); }
    Type* Receive()                                           // for out-parameters
    {
        Reset();
        return &m_h;
    }
    Type Release()
    {
        Type h = m_h;
        m_h = Traits::Null();
        return h;
    }
    void Reset(Type h = Traits::Null())
    {
        if (Traits::IsValid(m_h))
        {
            const DWORD saved = ::GetLastError();
            Traits::Close(m_h);
            ::SetLastError(saved);
        }
        m_h = h;
    }

private:
    Type m_h = Traits::Null();
};

struct HandleTraits                                           // NULL and INVALID_HANDLE_VALUE both mean empty
{
    using Type = HANDLE;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::CloseHandle(h); }
};

struct RegKeyTraits
{
    using Type = HKEY;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::RegCloseKey(h); }
};

struct ModuleTraits
{
    using Type = HMODULE;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::FreeLibrary(h); }
};

struct FindTraits
{
    using Type = HANDLE;
    static Type Null() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::FindClose(h); }
};

struct LocalMemoryTraits                                      // memory returned by LocalAlloc or FormatMessage
{
    using Type = HLOCAL;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::LocalFree(h); }
};

struct ServiceHandleTraits                                    // the service control manager and its services
{
    using Type = SC_HANDLE;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::CloseServiceHandle(h); }
};

using CHandle = CScoped<HandleTraits>;
using CRegKey = CScoped<RegKeyTraits>;
using CModule = CScoped<ModuleTraits>;
using CFindHandle = CScoped<FindTraits>;
using CLocalMemory = CScoped<LocalMemoryTraits>;
using CServiceHandle = CScoped<ServiceHandleTraits>;
