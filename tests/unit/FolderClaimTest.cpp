// The folder claim: one claim per folder however it is reached, and a claim that no
// program of a user can take first or weaken.
#include "runtime/FolderClaim.h"
#include "runtime/FileSystem.h"
#include "runtime/Text.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <sddl.h>

#include "runtime/SystemFunction.h"
#endif

using testing_support::MakeFolderLink;
using testing_support::TempFolder;

// Every spelling of one folder is one claim, the folder made or not yet made: while one
// spelling holds it, no other can take it; different folders are different claims.
TEST(FolderClaim, EverySpellingOfOneFolderIsOneClaim) {
    TempFolder dir;
    rt::CreateDir(dir / "Real Folder");
    ASSERT_TRUE(MakeFolderLink(dir / "Real Folder", dir / "link"));
    const std::string target = dir / "Real Folder\\Quenvale";
    std::vector<std::string> spellings = {
        " " + dir / "REAL FOLDER\\quenvale\\ ",
        dir / "link\\Quenvale",
    };
#ifdef _WIN32
    char shortName[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameA((dir / "Real Folder").c_str(), shortName, MAX_PATH), 0u);
    ASSERT_NE(rt::FileNamePart(shortName), "Real Folder");
    spellings.push_back(std::string(shortName) + "\\QUENVALE");
#endif
    for (const bool made : {false, true}) {
        if (made)
            rt::CreateDir(target);
        rt::FolderClaim claim;
        ASSERT_TRUE(claim.Take(target)) << made;
        for (const std::string& spelling : spellings) {
            rt::FolderClaim second;
            EXPECT_FALSE(second.Take(spelling)) << spelling << (made ? " (made)" : " (not yet made)");
        }
        rt::FolderClaim other;
        EXPECT_TRUE(other.Take(dir / "Real Folder\\Quenvale2"));
    }
    // A run claims the folder before making it; another run, started once it is made,
    // must meet the same claim.
    rt::RemoveDir(target);
    const std::string before = rt::FolderClaim::NameOf(target);
    rt::CreateDir(target);
    EXPECT_EQ(rt::FolderClaim::NameOf(dir / "link\\QUENVALE"), before);
}

#ifdef _WIN32
namespace {

bool SystemHasPrivateNamespaces() {
    return os::SystemFunction<FARPROC>("kernel32.dll", "CreatePrivateNamespaceW") != nullptr;
}

// A mutex that another program made first under a name, with an access list of its
// choosing; closed at the end.
class Squatter {
  public:
    Squatter(const std::string& name, const char* accessList) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ConvertStringSecurityDescriptorToSecurityDescriptorA(accessList, SDDL_REVISION_1, &descriptor,
                                                             nullptr);
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
        mutex_ = CreateMutexA(&attributes, FALSE, name.c_str());
        LocalFree(descriptor);
    }
    ~Squatter() { CloseHandle(mutex_); }
    Squatter(const Squatter&) = delete;
    Squatter& operator=(const Squatter&) = delete;
    bool Made() const { return mutex_ != nullptr; }

  private:
    HANDLE mutex_;
};

// A name a claim could be guessed under: a hash of the folder's spelling, in the global
// namespace, which any user may create first.
std::string PredictableName(const std::string& folder) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char byte : rt::FoldCase(folder))
        hash = (hash ^ static_cast<unsigned char>(byte)) * 1099511628211ull;
    char name[64];
    std::snprintf(name, sizeof name, "Global\\SetupFolder-%08lx%08lx", static_cast<unsigned long>(hash >> 32),
                  static_cast<unsigned long>(hash & 0xFFFFFFFFu));
    return name;
}

bool SessionMutexExists(const std::string& name) {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
    if (mutex)
        CloseHandle(mutex);
    return mutex != nullptr;
}

} // namespace

// A user's program that makes the claim's name first cannot keep the installer out, nor
// make it claim the folder where another session's installer would not look.
TEST(FolderClaim, ANameMadeFirstByAnotherProgramNeverWeakensTheClaim) {
    TempFolder dir;
    const std::string target = dir / "Quenvale";
    const char* const everyoneButAdministrators = "D:(D;;GA;;;BA)(A;;GA;;;WD)";
    {
        const Squatter guessedName(PredictableName(target), "D:(A;;GA;;;WD)");
        ASSERT_TRUE(guessedName.Made());
        rt::FolderClaim claim;
        EXPECT_TRUE(claim.Take(target));
    }
    // The global name of the claim itself, denied to administrators: where the system has
    // private namespaces the claim lives there and the squatter is not in the way; where
    // it has none (Wine, before Vista) the claim counts as taken rather than going elsewhere.
    const std::string name = rt::FolderClaim::NameOf(target);
    const Squatter squatter("Global\\" + name, everyoneButAdministrators);
    ASSERT_TRUE(squatter.Made());
    rt::FolderClaim claim;
    EXPECT_EQ(claim.Take(target), SystemHasPrivateNamespaces());
    EXPECT_FALSE(SessionMutexExists(name)); // this session's namespace
}
#endif
