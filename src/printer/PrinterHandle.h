#pragma once
// The owner of a print spooler handle (OpenPrinter, closed by ClosePrinter). Header-only, so that the
// helper programs and libraries, which share no compiled code with the installer, use it too.

#include <windows.h>
#include <winspool.h>

#include "base/Scoped.h"

struct PrinterHandleTraits
{
    using Type = HANDLE;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::ClosePrinter(h); }
};
using CPrinterHandle = CScoped<PrinterHandleTraits>;
