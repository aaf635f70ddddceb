#include "engine/RemoveTree.h"
#include "runtime/FileSystem.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

using engine::RemoveTree;
using testing_support::FileContent;
using testing_support::PutFile;
using testing_support::TempFolder;

namespace {

// A tree of the run's shape: files in the folder, data with one file, data\day with many.
std::string MakeRunShapedTree(const TempFolder& dir) {
    const std::string root = dir / "Quenvale";
    rt::ForceDirectories(root + "\\data\\day");
    PutFile(root + "\\Quenvale.exe", "MZ");
    PutFile(root + "\\readme.txt", "read me");
    PutFile(root + "\\data\\sda.d", "data");
    for (int i = 0; i < 40; ++i)
        PutFile(root + "\\data\\day\\" + std::to_string(600000 + i) + ".day", "day");
    return root;
}

// A Unix path of the Windows-style test path, for making links with the host's calls.
bool MakeFolderLink(const std::string& link, const std::string& target) {
#ifdef _WIN32
    // Looked up at run time: the program targets systems older than symbolic links.
    using CreateLink = BOOLEAN(WINAPI*)(LPCSTR, LPCSTR, DWORD);
    const auto create = reinterpret_cast<CreateLink>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkA")));
    const DWORD kFolderLink = 1;
    return create && create(link.c_str(), target.c_str(), kFolderLink);
#else
    auto unix = [](std::string path) {
        path.erase(0, 2);
        for (char& c : path)
            if (c == '\\')
                c = '/';
        return path;
    };
    return symlink(unix(target).c_str(), unix(link).c_str()) == 0;
#endif
}

} // namespace

TEST(RemoveTree, RemovesARunShapedTreeWithProtectedFiles) {
    TempFolder dir;
    const std::string root = MakeRunShapedTree(dir);
    rt::FileSetAttr(root + "\\readme.txt", os::kAttrReadOnly);
    rt::FileSetAttr(root + "\\data\\sda.d", os::kAttrHidden | os::kAttrReadOnly);
    rt::FileSetAttr(root + "\\data", os::kAttrDirectory | os::kAttrReadOnly);
    EXPECT_TRUE(RemoveTree(root));
    EXPECT_FALSE(rt::DirectoryExists(root));
}

TEST(RemoveTree, EmptyAndMissingFolders) {
    TempFolder dir;
    rt::CreateDir(dir / "empty");
    EXPECT_TRUE(RemoveTree(dir / "empty"));
    EXPECT_FALSE(RemoveTree(dir / "empty"));
    EXPECT_TRUE(rt::DirectoryExists(dir.Path()));
}

TEST(RemoveTree, AFileHeldOpenStopsTheRemovalAndFalseTravelsUp) {
    TempFolder dir;
    const std::string root = MakeRunShapedTree(dir);
    const std::string held = root + "\\data\\day\\600020.day";
    os::FileHandle other;
    ASSERT_EQ(os::CreateForWriting(held, other), 0u);
    EXPECT_FALSE(RemoveTree(root));
    os::Close(other);
    EXPECT_TRUE(rt::FileExists(held));
    EXPECT_TRUE(rt::DirectoryExists(root + "\\data\\day"));
    EXPECT_TRUE(rt::DirectoryExists(root));
    // The tree still stands around the held file and can be removed once it is free.
    EXPECT_TRUE(RemoveTree(root));
}

TEST(RemoveTree, ALinkToAFolderOutsideIsRemovedAsALink) {
    TempFolder dir;
    const std::string root = MakeRunShapedTree(dir);
    const std::string outside = dir / "outside";
    rt::CreateDir(outside);
    PutFile(outside + "\\precious.txt", "keep me");
    ASSERT_TRUE(MakeFolderLink(root + "\\data\\link", outside));
    EXPECT_TRUE(RemoveTree(root));
    EXPECT_FALSE(rt::DirectoryExists(root));
    EXPECT_EQ(FileContent(outside + "\\precious.txt"), "keep me");
}
