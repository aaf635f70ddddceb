// The rule by which the installer and the uninstaller tell what they may act on, and
// which folders on the way to it nobody else may move, over security descriptors written
// in the system's text form. Wine keeps no access lists on files, so only this shows the
// rule on owners and lists other than the ones Wine makes up.
#include "runtime/ChangeRights.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <string>

namespace {

const char* const kProcessUser = "S-1-5-21-1-2-3-1001";
const std::string kTrustedInstaller = "S-1-5-80-956008885-3459464862-3012530209-2232232525-2280786346";

// The rule, for rights, applied to the owner and access list that descriptor (SDDL) gives.
bool OnlyTrustedMay(const std::string& descriptor, ACCESS_MASK rights) {
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
    const bool only =
        rt::OnlyTrustedMayChange(owner, present ? list : nullptr, rt::TrustedAccounts(user), rights);
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
        EXPECT_EQ(OnlyTrustedMay(c.descriptor, rt::kChangeRights), c.trusted) << c.descriptor;
}

// Each right alone, granted to Users: every one is a change; only those that delete or
// rename the folder or an entry in it, or rewrite who may, make a folder on the way one
// that others could send elsewhere.
TEST(OnlyTrustedMayChange, EveryChangeRightAloneIsAChangeAndSomeARename) {
    const struct {
        DWORD right;
        bool renames;
    } cases[] = {{FILE_WRITE_DATA, false}, {FILE_APPEND_DATA, false},
                 {FILE_WRITE_EA, false},   {FILE_WRITE_ATTRIBUTES, false},
                 {GENERIC_WRITE, false},   {FILE_DELETE_CHILD, true},
                 {DELETE, true},           {WRITE_DAC, true},
                 {WRITE_OWNER, true},      {GENERIC_ALL, true},
                 {MAXIMUM_ALLOWED, true}};
    for (const auto& c : cases) {
        char descriptor[64];
        wsprintfA(descriptor, "O:BAD:(A;;0x%lx;;;BU)", static_cast<unsigned long>(c.right));
        EXPECT_FALSE(OnlyTrustedMay(descriptor, rt::kChangeRights)) << descriptor;
        EXPECT_EQ(OnlyTrustedMay(descriptor, rt::kRenameRights), !c.renames) << descriptor;
    }
}

// Folders on the way to an install folder, as Windows and Wine give them: a default
// drive's root and Program Files pass; so does a folder the installer made; one that
// takes the root's inherited entries, or that a standard user owns, fails.
TEST(OnlyTrustedMayChange, DefaultRootsAndProgramFilesPassAsFoldersOnTheWay) {
    const std::string ti = kTrustedInstaller;
    const struct {
        const char* name;
        std::string descriptor;
        bool passes;
    } cases[] = {
        // Authenticated Users may create folders (LC, 0x4) in the root, and pass Modify on.
        {"drive's root",
         "O:" + ti + "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)" +
             "(A;OICIIO;SDGXGWGR;;;AU)(A;;LC;;;AU)",
         true},
        {"older drive's root",
         "O:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)" +
             std::string("(A;OICIIO;SDGXGWGR;;;AU)(A;;LC;;;AU)(A;OICIIO;GA;;;CO)"),
         true},
        {"Program Files",
         "O:" + ti + "D:PAI(A;;FA;;;" + ti + ")(A;CIIO;GA;;;" + ti +
             ")(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)"
             "(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)(A;;0x1200a9;;;AC)"
             "(A;OICIIO;GXGR;;;AC)(A;;0x1200a9;;;S-1-15-2-2)(A;OICIIO;GXGR;;;S-1-15-2-2)",
         true},
        {"folder the installer made", "O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)", true},
        {"Wine, mode 755",
         "O:" + std::string(kProcessUser) + "D:(A;;FA;;;SY)(A;;FA;;;" + kProcessUser + ")(A;;0x1200a9;;;WD)",
         true},
        // Made in the root by an administrator: Authenticated Users may delete it.
        {"folder made in the root",
         "O:BAD:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)"
         "(A;ID;0x1301bf;;;AU)(A;OICIIOID;SDGXGWGR;;;AU)",
         false},
        {"folder a user made in the root",
         "O:S-1-5-21-1-2-3-1002D:AI(A;ID;FA;;;S-1-5-21-1-2-3-1002)"
         "(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)",
         false},
        {"Wine, mode 777",
         "O:" + std::string(kProcessUser) + "D:(A;;FA;;;SY)(A;;FA;;;" + kProcessUser + ")(A;;0x1301ff;;;WD)",
         false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OnlyTrustedMay(c.descriptor, rt::kRenameRights), c.passes)
            << c.name << ": " << c.descriptor;
}
