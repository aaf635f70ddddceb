#include "tests/e2e/Installation.h"

#include "engine/FolderStore.h"
#include "engine/Manifest.h"
#include "engine/TargetPaths.h"
#include "runtime/FileSystem.h"
#include "runtime/TextFile.h"
#include "shell/ComPtr.h"
#include "shell/ShellServices.h"
#include "tests/support/Readers.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace e2e {

namespace {

std::uint64_t Fnv1a(const std::string& bytes) {
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : bytes)
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

void Walk(const std::string& root, const std::string& relative, Snapshot& snapshot) {
    rt::FolderListing listing;
    const std::string folder = relative.empty() ? root : root + "\\" + relative;
    for (unsigned code = listing.Open(folder + "\\*", rt::FolderListing::kAllEntries); code == 0;
         code = listing.Next()) {
        const std::string name = listing.Name();
        if (name == "." || name == "..")
            continue;
        const std::string path = relative.empty() ? name : relative + "\\" + name;
        const std::uint32_t attributes = listing.Attributes();
        if (attributes & os::kAttrDirectory) {
            snapshot[path] = "folder";
            Walk(root, path, snapshot);
            continue;
        }
        const std::string content = testing_support::FileContent(root + "\\" + path);
        char description[96];
        std::snprintf(description, sizeof description, "%zu bytes, hash %016llx, attributes %02x",
                      content.size(), static_cast<unsigned long long>(Fnv1a(content)),
                      attributes & (os::kAttrReadOnly | os::kAttrHidden));
        snapshot[path] = description;
    }
}

} // namespace

std::string ProductFolder() {
    return shell::SpecialFolderPath(CSIDL_PROGRAMS) + "\\Marluxa";
}

std::string DesktopLink() {
    return shell::SpecialFolderPath(CSIDL_DESKTOPDIRECTORY) + "\\Marluxa.lnk";
}

void RemoveShortcuts() {
    for (const char* name : {"软件说明文件.lnk", "Marluxa卸载.lnk", "Marluxa.lnk"})
        rt::RemoveFile(ProductFolder() + "\\" + name);
    rt::RemoveDir(ProductFolder());
    rt::RemoveFile(ProductFolder());
    rt::RemoveFile(DesktopLink());
}

void ExpectCompleteInstallation(const std::string& target) {
    const engine::FolderStore payload(PAYLOAD_DIR);
    rt::TextFile manifest(std::string(PAYLOAD_DIR) + "\\Count.dat");
    manifest.Reset();
    manifest.ReadLn();
    std::vector<std::string> expected;
    for (long line = 2; !manifest.Eof(); ++line) {
        const engine::ManifestEntry entry = engine::SplitManifestLine(manifest.ReadLn());
        const std::string path = engine::EntryPath(target, engine::ClassOfLine(line), entry.fileName);
        const engine::Blob blob = payload.Open(entry.name, entry.type);
        const std::string installed = testing_support::FileContent(path);
        ASSERT_EQ(installed.size(), blob.Size()) << path;
        ASSERT_EQ(std::memcmp(installed.data(), blob.Data(), blob.Size()), 0) << path;
        expected.push_back(path);
    }
    manifest.Close();
    EXPECT_EQ(testing_support::FileLines(target + "\\Unini.dat"), expected);
    EXPECT_FALSE(rt::FileExists(target + "\\count1.dat"));
}

Snapshot TakeSnapshot(const std::string& folder) {
    Snapshot snapshot;
    Walk(folder, "", snapshot);
    return snapshot;
}

} // namespace e2e
