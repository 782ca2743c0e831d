#include "env/SpoolerCheck.h"

#include <winspool.h>

#include "base/APIFunction.h"
#include "base/Scoped.h"
#include "base/TextRules.h"
#include "log/Log.h"

namespace
{
struct GlobalMemoryTraits
{
    using Type = HGLOBAL;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::GlobalFree(h); }
};

using CGlobalMemory = CScoped<GlobalMemoryTraits>;

constexpr DWORD kPendingInstallWait = 1000;
constexpr int kMaxFurtherPendingWaits = 60;
constexpr int kMaxForegroundPendingWaits = 30 * 60;         // half an hour for the person to answer
constexpr int kSpoolerEnumAttempts = 4;

using SpoolerEnum = BOOL (*)(BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned);

// Runs a spooler enumeration into GlobalAlloc memory, asking again while the list grows in between.
bool EnumerateIntoMemory(CLog& log, SpoolerEnum enumerate, CGlobalMemory& memory, DWORD& count)
{
    DWORD needed = 0;
    DWORD returned = 0;
    BOOL ok = enumerate(nullptr, 0, &needed, &returned);
    DWORD err = ok ? ERROR_SUCCESS : ::GetLastError();
    for (int attempt = 0; !ok && attempt < kSpoolerEnumAttempts; ++attempt)
    {
        if (err != ERROR_INSUFFICIENT_BUFFER || needed == 0)
        {
            return false;
        }
        memory.Reset(::GlobalAlloc(GPTR, needed));
        if (!memory.IsValid())
        {
            log.Write("GlobalAlloc Error [Check Printer Installed]");
            return false;
        }
        ok = enumerate(static_cast<BYTE*>(memory.Get()), needed, &needed, &returned);
        err = ok ? ERROR_SUCCESS : ::GetLastError();
    }
    if (ok)
    {
        count = returned;
    }
    return ok != FALSE;
}

BOOL EnumLocalPrinters(BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned)
{
    return ::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer, size, needed, returned);
}

BOOL EnumDrivers(BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned)
{
    return ::EnumPrinterDriversA(nullptr, nullptr, 3, buffer, size, needed, returned);
}
}  // namespace

namespace SystemCheck
{
bool WaitNoPendingInstall(const PendingInstallWait& wait, const std::function<void()>& foregroundHelper)
{
    if (!wait || wait(kPendingInstallWait) != WAIT_TIMEOUT)
    {
        return false;
    }
    if (foregroundHelper)
    {
        // The user has to answer the new-hardware window, so it is kept in front for as long as that
        // may take; a window nobody answers does not hold the run up for good.
        for (int waits = 0; waits < kMaxForegroundPendingWaits && wait(kPendingInstallWait) == WAIT_TIMEOUT;
             ++waits)
        {
            foregroundHelper();
        }
        return true;
    }
    for (int waits = 0; waits < kMaxFurtherPendingWaits && wait(kPendingInstallWait) == WAIT_TIMEOUT; ++waits)
    {
    }
    return true;
}

PendingInstallWait SystemPendingInstallWait(const char* waitEntry)
{
    // Looked up at run time: Windows 95 and NT 4 have no such function. The library stays loaded for
    // the life of the process, as the wait may be called at any later time.
    using WaitEventsFn = DWORD(WINAPI*)(DWORD);
    HMODULE setupApi = ::GetModuleHandleA("Setupapi.dll");
    if (setupApi == nullptr)
    {
        setupApi = LoadSystemLibrary("Setupapi.dll");
    }
    const auto waitEvents = setupApi != nullptr ? reinterpret_cast<WaitEventsFn>(reinterpret_cast<void (*)()>(
                                                      ::GetProcAddress(setupApi, waitEntry)))
                                                : nullptr;
    if (waitEvents == nullptr)
    {
        return PendingInstallWait();
    }
    return [waitEvents](DWORD timeout) { return waitEvents(timeout); };
}

bool WaitNoPendingInstall(const std::function<void()>& foregroundHelper)
{
    const PendingInstallWait wait = SystemPendingInstallWait();
    return wait ? WaitNoPendingInstall(wait, foregroundHelper) : false;
}

bool IsPrinterInstalled(CLog& log, const char* name, bool byPrinter)
{
    if (name == nullptr)
    {
        return false;
    }
    CGlobalMemory memory;
    DWORD count = 0;
    if (!EnumerateIntoMemory(log, byPrinter ? EnumLocalPrinters : EnumDrivers, memory, count))
    {
        return false;
    }
    for (DWORD i = 0; i < count; ++i)
    {
        const char* listed = byPrinter ? static_cast<const PRINTER_INFO_2A*>(memory.Get())[i].pDriverName
                                       : static_cast<const DRIVER_INFO_3A*>(memory.Get())[i].pName;
        if (listed != nullptr && EqualsSystemNoCase(listed, name))
        {
            return true;
        }
    }
    return false;
}
}  // namespace SystemCheck
