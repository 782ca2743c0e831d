#pragma once
// System checks, security: whether the user is an administrator. Reports by its result, never logs.

#include <windows.h>

namespace SystemCheck
{
// The system's AccessCheck, or a stand-in with its signature.
using AccessCheckFn = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, HANDLE, DWORD, PGENERIC_MAPPING, PPRIVILEGE_SET,
                                    LPDWORD, LPDWORD, LPBOOL);

// True when the user's token is granted read access to a descriptor that admits only the built-in
// Administrators group. Any failure on the way gives false; the impersonation is always reverted.
bool CheckAdministrator(AccessCheckFn accessCheck = ::AccessCheck);
}  // namespace SystemCheck
