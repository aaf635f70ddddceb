// The rule by which the uninstaller tells what it may act on, over security descriptors
// written in the system's text form. Wine keeps no access lists on files, so only this
// shows the rule on owners and lists other than the ones Wine makes up.
#include "runtime/ChangeRights.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <string>

namespace {

const char* const kProcessUser = "S-1-5-21-1-2-3-1001";
const std::string kTrustedInstaller = "S-1-5-80-956008885-3459464862-3012530209-2232232525-2280786346";

// The rule applied to the owner and access list that descriptor (SDDL) gives.
bool OnlyTrustedMayChange(const std::string& descriptor) {
    PSID user = nullptr;
    PSECURITY_DESCRIPTOR parsed = nullptr;
    if (!ConvertStringSidToSidA(kProcessUser, &user) ||
        !ConvertStringSecurityDescriptorToSecurityDescriptorA(descriptor.c_str(), SDDL_REVISION_1, &parsed,
                                                              nullptr)) {
        ADD_FAILURE() << "cannot parse " << descriptor;
        LocalFree(user);
        return false;
    }
    PSID owner = nullptr;
    PACL list = nullptr;
    BOOL defaulted = FALSE, present = FALSE;
    GetSecurityDescriptorOwner(parsed, &owner, &defaulted);
    GetSecurityDescriptorDacl(parsed, &present, &list, &defaulted);
    const bool only = rt::OnlyTrustedMayChange(owner, present ? list : nullptr, rt::TrustedAccounts(user));
    LocalFree(parsed);
    LocalFree(user);
    return only;
}

} // namespace

TEST(OnlyTrustedMayChange, TrustsOnlyObjectsThatAdministratorsAndTheSystemAloneMayChange) {
    const struct {
        std::string descriptor;
        bool trusted;
    } cases[] = {
        // The installer's own folders: users may read and run.
        {"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)", true},
        {"O:SYD:(A;;FA;;;SY)", true},
        {"O:" + kTrustedInstaller + "D:(A;;FA;;;" + kTrustedInstaller + ")", true},
        {"O:" + std::string(kProcessUser) + "D:(A;;FA;;;" + kProcessUser + ")", true},
        // What Wine makes up for modes 755 and 777: Everyone may read and run, or modify.
        {"O:BAD:(A;;0x1200a9;;;WD)", true},
        {"O:BAD:(A;;0x1301ff;;;WD)", false},
        // Owners that may rewrite the list whatever it says.
        {"O:BUD:(A;;FA;;;BA)", false},
        {"O:S-1-5-21-1-2-3-1002D:(A;;FA;;;BA)", false},
        // Entries passed on only to what is made inside do not apply to the object.
        {"O:BAD:(A;;FA;;;BA)(A;OICIIO;GA;;;CO)", true},
        {"O:BAD:(A;OICIIO;GA;;;BU)", true},
        {"O:BAD:(A;;GA;;;CO)", false},
        {"O:BAD:(A;;0x1301bf;;;AU)", false},
        // A denying entry grants nothing.
        {"O:BAD:(D;;FA;;;BU)(A;;FA;;;BA)", true},
        // No list at all: everyone may do everything.
        {"O:BA", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OnlyTrustedMayChange(c.descriptor), c.trusted) << c.descriptor;
}

TEST(OnlyTrustedMayChange, EveryChangeRightAloneIsAChange) {
    const DWORD rights[] = {FILE_WRITE_DATA,   FILE_APPEND_DATA, FILE_WRITE_EA,  FILE_WRITE_ATTRIBUTES,
                            FILE_DELETE_CHILD, DELETE,           WRITE_DAC,      WRITE_OWNER,
                            GENERIC_WRITE,     GENERIC_ALL,      MAXIMUM_ALLOWED};
    for (const DWORD right : rights) {
        char descriptor[64];
        wsprintfA(descriptor, "O:BAD:(A;;0x%lx;;;BU)", static_cast<unsigned long>(right));
        EXPECT_FALSE(OnlyTrustedMayChange(descriptor)) << descriptor;
    }
}
