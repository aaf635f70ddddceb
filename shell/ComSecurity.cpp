#include "shell/ComSecurity.h"

#include "runtime/Errors.h"
#include "shell/ShellServices.h"

#include <objbase.h>

#include <initializer_list>

namespace shell {

namespace {

// A well-known group or account, by its identifier.
class WellKnownSid {
  public:
    explicit WellKnownSid(WELL_KNOWN_SID_TYPE type) {
        DWORD size = sizeof sid_;
        CreateWellKnownSid(type, nullptr, sid_, &size);
    }
    PSID Get() { return sid_; }

  private:
    BYTE sid_[SECURITY_MAX_SID_SIZE] = {};
};

// Who may call into this process: the system and administrators, in the absolute form
// that CoInitializeSecurity takes, owned by administrators as COM requires an owner and
// a group.
class CallersDescriptor {
  public:
    CallersDescriptor() {
        InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION);
        InitializeAcl(Acl(), sizeof acl_, ACL_REVISION);
        for (WellKnownSid* caller : {&system_, &administrators_})
            AddAccessAllowedAce(Acl(), ACL_REVISION, COM_RIGHTS_EXECUTE | COM_RIGHTS_EXECUTE_LOCAL,
                                caller->Get());
        SetSecurityDescriptorOwner(&descriptor_, administrators_.Get(), FALSE);
        SetSecurityDescriptorGroup(&descriptor_, administrators_.Get(), FALSE);
        SetSecurityDescriptorDacl(&descriptor_, TRUE, Acl(), FALSE);
    }
    CallersDescriptor(const CallersDescriptor&) = delete;
    CallersDescriptor& operator=(const CallersDescriptor&) = delete;
    PSECURITY_DESCRIPTOR Get() { return &descriptor_; }

  private:
    ACL* Acl() { return reinterpret_cast<ACL*>(acl_); }

    WellKnownSid system_{WinLocalSystemSid};
    WellKnownSid administrators_{WinBuiltinAdministratorsSid};
    alignas(DWORD) BYTE acl_[sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE)] = {};
    SECURITY_DESCRIPTOR descriptor_ = {};
};

} // namespace

void SecureComForThisProcess() {
    static CallersDescriptor callers; // kept for the process's life, whether COM copies it or not
    const HRESULT result = CoInitializeSecurity(callers.Get(), -1, nullptr, nullptr,
                                                RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IDENTIFY, nullptr,
                                                EOAC_DISABLE_AAA | EOAC_NO_CUSTOM_MARSHAL, nullptr);
    // RPC_E_TOO_LATE is a failure too: something in the process (a DLL the system loaded
    // into it, an interface already handed out) had COM settle its security first, and
    // those settings, not these, apply to every call.
    if (FAILED(result))
        throw rt::Error(OleErrorMessage(result));
}

} // namespace shell
