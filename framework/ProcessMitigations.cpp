#include "framework/ProcessMitigations.h"

#include "runtime/SystemFunction.h"

#include <windows.h>

namespace framework {

namespace {

// Windows 8 and later; looked up, so that the program starts where it is missing.
using SetPolicy = BOOL(WINAPI*)(PROCESS_MITIGATION_POLICY, PVOID, SIZE_T);

// True when the system took the policy. One it does not know is refused: "invalid
// parameter" (before the policy existed), "not supported" (Windows 10 1809 and 1909
// list the redirection trust policy without having it).
template <class Policy> bool TurnOn(SetPolicy set, PROCESS_MITIGATION_POLICY which, Policy policy) {
    return set(which, &policy, sizeof policy) != FALSE;
}

PROCESS_MITIGATION_IMAGE_LOAD_POLICY ImageLoads(bool system32First) {
    PROCESS_MITIGATION_IMAGE_LOAD_POLICY policy = {};
    policy.NoRemoteImages = 1;
    policy.NoLowMandatoryLabelImages = 1;
    policy.PreferSystem32Images = system32First;
    return policy;
}

} // namespace

void TurnOnProcessMitigations() {
    const auto set = os::SystemFunction<SetPolicy>("kernel32.dll", "SetProcessMitigationPolicy");
    if (!set)
        return;
    PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY redirection = {};
    redirection.EnforceRedirectionTrust = 1;
    TurnOn(set, ProcessRedirectionTrustPolicy, redirection);
    // Windows 10 1511 knows the image-load policy without its third flag; should it
    // refuse the three together, it still gets the first two.
    if (!TurnOn(set, ProcessImageLoadPolicy, ImageLoads(true)))
        TurnOn(set, ProcessImageLoadPolicy, ImageLoads(false));
}

} // namespace framework
