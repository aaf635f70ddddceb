#include "runtime/FileSystem.h"
#include "runtime/Errors.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <map>

using namespace rt;
using testing_support::PutFile;
using testing_support::TempFolder;

TEST(Existence, FilesAndFoldersAreToldApart) {
    TempFolder dir;
    PutFile(dir / "f.txt", "x");
    CreateDir(dir / "sub");
    EXPECT_TRUE(FileExists(dir / "f.txt"));
    EXPECT_FALSE(FileExists(dir / "sub"));
    EXPECT_FALSE(FileExists(dir / "missing"));
    EXPECT_TRUE(DirectoryExists(dir / "sub"));
    EXPECT_FALSE(DirectoryExists(dir / "f.txt"));
    EXPECT_FALSE(DirectoryExists(dir / "missing"));
}

TEST(Existence, AFileCountsOnlyWithALastWriteTimeADosDateCanHold) {
    TempFolder dir;
    PutFile(dir / "f", "x");
    testing_support::SetLastWriteYear(dir / "f", 1975);
    EXPECT_FALSE(FileExists(dir / "f"));
    testing_support::SetLastWriteYear(dir / "f", 1980);
    EXPECT_TRUE(FileExists(dir / "f"));
    testing_support::SetLastWriteYear(dir / "f", 2107);
    EXPECT_TRUE(FileExists(dir / "f"));
}

TEST(ForceDirectories, CreatesMissingParentsAndRecordsThem) {
    TempFolder dir;
    std::vector<std::string> created;
    EXPECT_TRUE(ForceDirectories(dir / "a\\b\\c\\", &created));
    EXPECT_TRUE(DirectoryExists(dir / "a\\b\\c"));
    EXPECT_EQ(created, (std::vector<std::string>{dir / "a", dir / "a\\b", dir / "a\\b\\c"}));
    created.clear();
    EXPECT_TRUE(ForceDirectories(dir / "a\\b", &created)); // already there
    EXPECT_TRUE(created.empty());
}

TEST(ForceDirectories, ReportsFailureWithoutRaisingAndRaisesOnlyForAnEmptyName) {
    TempFolder dir;
    PutFile(dir / "file", "x");
    EXPECT_FALSE(ForceDirectories(dir / "file\\X\\data")); // parent cannot be made
    EXPECT_FALSE(DirectoryExists(dir / "file\\X"));
    EXPECT_TRUE(ForceDirectories("C:"));
    EXPECT_TRUE(ForceDirectories("C:\\"));
    try {
        ForceDirectories("");
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Unable to create directory");
    }
    // A bare relative name's chain of parents ends in an empty name.
    EXPECT_THROW(ForceDirectories("Quenvale"), Error);
}

TEST(ForceDirectories, AChineseNameIsMadeAsTyped) {
    TempFolder dir;
    const std::string folder = dir / "new\\淺";
    std::vector<std::string> created;
    EXPECT_TRUE(ForceDirectories(folder, &created));
    const auto entries = testing_support::ListFolder(dir / "new"); // that one folder, nothing beside it
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "淺");
    EXPECT_EQ(created, (std::vector<std::string>{dir / "new", folder}));
}

TEST(ForceDirectories, TooLongAPathFailsCleanly) {
    TempFolder dir;
    EXPECT_FALSE(ForceDirectories(dir / std::string(300, 'a')));
    EXPECT_FALSE(ForceDirectories(dir / (std::string(120, 'b') + "\\" + std::string(150, 'c'))));
    // 15,000 levels: a loop, not one stack frame per level.
    std::string deep;
    for (int level = 0; level < 15000; ++level)
        deep += "a\\";
    EXPECT_FALSE(ForceDirectories(dir / deep));
}

TEST(CreateDir, RaisesTheSystemsCode) {
    TempFolder dir;
    CreateDir(dir / "x");
    try {
        CreateDir(dir / "x");
        FAIL();
    } catch (const IoError& e) {
        EXPECT_STREQ(e.what(), "I/O error 183");
    }
    try {
        CreateDir(dir / "missing\\x");
        FAIL();
    } catch (const IoError& e) {
        EXPECT_STREQ(e.what(), "Invalid filename");
    }
}

TEST(Removal, ReportsByResult) {
    TempFolder dir;
    PutFile(dir / "f", "x");
    CreateDir(dir / "d");
    PutFile(dir / "d\\inner", "x");
    EXPECT_FALSE(RemoveDir(dir / "d")); // not empty
    EXPECT_TRUE(RemoveFile(dir / "d\\inner"));
    EXPECT_TRUE(RemoveDir(dir / "d"));
    EXPECT_TRUE(RemoveFile(dir / "f"));
    EXPECT_FALSE(RemoveFile(dir / "f"));
    EXPECT_FALSE(RemoveDir(dir / "d"));
}

TEST(Attributes, ReadOnlyBlocksDeletionUntilCleared) {
    TempFolder dir;
    PutFile(dir / "ro", "x");
    EXPECT_EQ(FileSetAttr(dir / "ro", os::kAttrReadOnly), 0u);
    EXPECT_FALSE(RemoveFile(dir / "ro"));
    EXPECT_EQ(FileSetAttr(dir / "ro", 0), 0u);
    EXPECT_TRUE(RemoveFile(dir / "ro"));
    EXPECT_NE(FileSetAttr(dir / "missing", 0), 0u);
}

// The folders of an installation, as the system will read their descriptor: protected
// from what the parent gives, passed on to everything inside; administrators and the
// system may do everything; nobody else may write, delete or change permissions; the
// users may read and run.
TEST(FolderRights, UsersMayReadAndRunButNeverChangeTheInstallationsFolders) {
    EXPECT_EQ(SecurityDescriptorFor(FolderRights::Inherited), "");
    const std::string sddl = SecurityDescriptorFor(FolderRights::ReadAndRunForUsers);
    ASSERT_EQ(sddl.rfind("D:PAI(", 0), 0u) << sddl; // an access list of its own, protected
    std::map<std::string, unsigned> granted;
    for (std::size_t at = sddl.find('('); at != std::string::npos; at = sddl.find('(', at + 1)) {
        const std::string ace = sddl.substr(at + 1, sddl.find(')', at) - at - 1); // A;OICI;mask;;;trustee
        ASSERT_EQ(ace.rfind("A;OICI;0x", 0), 0u) << ace;
        granted[ace.substr(ace.rfind(';') + 1)] |=
            std::stoul(ace.substr(7, ace.find(';', 7) - 7), nullptr, 16);
    }
    constexpr unsigned kChanges =
        0x2 | 0x4 | 0x10 | 0x40 | 0x100 | 0x10000 | 0x40000 | 0x80000; // write, append,
    // extended attributes, delete child, attributes, delete, permissions, owner
    for (const char* anyone : {"BU", "AU", "WD", "IU", "BG"})
        EXPECT_EQ(granted[anyone] & kChanges, 0u) << anyone;
    EXPECT_EQ(granted["BU"], 0x1200A9u); // read and run
    EXPECT_EQ(granted["BA"], 0x1F01FFu);
    EXPECT_EQ(granted["SY"], 0x1F01FFu);
}
