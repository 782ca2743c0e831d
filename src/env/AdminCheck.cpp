// Whether the process's token passes a descriptor that admits the built-in Administrators group only.
#include "env/AdminCheck.h"

#include <vector>

#include "base/Scoped.h"

namespace
{
struct SidTraits                                              // SIDs from AllocateAndInitializeSid
{
    using Type = PSID;
    static Type Null() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::FreeSid(h); }
};

using CSid = CScoped<SidTraits>;

// Read 1 and write 2: the rights the Administrators-only descriptor grants.
constexpr DWORD kAccessRead = 1;
constexpr DWORD kAccessWrite = 2;

// Runs as the process's own security context while it lives, so that the thread has a token.
class CSelfImpersonation
{
public:
    CSelfImpersonation() : m_active(::ImpersonateSelf(SecurityImpersonation) != FALSE) {}
    ~CSelfImpersonation()
    {
        if (m_active)
        {
            (void)::RevertToSelf();
        }
    }
    CSelfImpersonation(const CSelfImpersonation&) = delete;
    CSelfImpersonation& operator=(const CSelfImpersonation&) = delete;

private:
    bool m_active;
};

// The parts of a descriptor that admits the built-in Administrators group only; the descriptor points
// into the other members, so the object stays where it was built.
struct AdminDescriptor
{
    CSid sid;
    std::vector<DWORD> acl;                                   // DWORD-aligned ACL memory
    SECURITY_DESCRIPTOR descriptor = {};
};

// The thread's token, or the process's when the thread has none.
bool OpenQueryToken(CHandle& token)
{
    HANDLE handle = nullptr;
    if (::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, FALSE, &handle))
    {
        token.Reset(handle);
        return true;
    }
    if (::GetLastError() != ERROR_NO_TOKEN || !::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &handle))
    {
        return false;
    }
    token.Reset(handle);
    return true;
}

bool BuildAdminDescriptor(AdminDescriptor& admin)
{
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                                    0, 0, 0, &sid))
    {
        return false;
    }
    admin.sid.Reset(sid);
    const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(sid) - sizeof(DWORD);
    admin.acl.assign((aclSize + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
    auto* acl = reinterpret_cast<PACL>(admin.acl.data());
    return ::InitializeAcl(acl, aclSize, ACL_REVISION) != FALSE &&
           ::AddAccessAllowedAce(acl, ACL_REVISION, kAccessRead | kAccessWrite, sid) != FALSE &&
           ::InitializeSecurityDescriptor(&admin.descriptor, SECURITY_DESCRIPTOR_REVISION) != FALSE &&
           ::SetSecurityDescriptorDacl(&admin.descriptor, TRUE, acl, FALSE) != FALSE &&
           ::SetSecurityDescriptorGroup(&admin.descriptor, sid, FALSE) != FALSE &&
           ::SetSecurityDescriptorOwner(&admin.descriptor, sid, FALSE) != FALSE &&
           ::IsValidSecurityDescriptor(&admin.descriptor) != FALSE;
}
}  // namespace

namespace SystemCheck
{
bool CheckAdministrator(AccessCheckFn accessCheck)
{
    CSelfImpersonation impersonation;
    CHandle token;
    AdminDescriptor admin;
    if (!OpenQueryToken(token) || !BuildAdminDescriptor(admin))
    {
        return false;
    }
    GENERIC_MAPPING mapping = {kAccessRead, kAccessWrite, 0, kAccessRead | kAccessWrite};
    PRIVILEGE_SET privileges = {};
    DWORD privilegesSize = sizeof(privileges);
    DWORD granted = 0;
    BOOL status = FALSE;
    if (accessCheck == nullptr ||
        !accessCheck(&admin.descriptor, token.Get(), kAccessRead, &mapping, &privileges, &privilegesSize, &granted,
                     &status))
    {
        return false;
    }
    return status != FALSE;
}
}  // namespace SystemCheck
