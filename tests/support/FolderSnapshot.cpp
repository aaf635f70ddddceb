#include "tests/support/FolderSnapshot.h"

#include "runtime/FileSystem.h"
#include "tests/support/TempFolder.h"

#include <cstdint>
#include <cstdio>

namespace testing_support {

namespace {

std::uint64_t Fnv1a(const std::string& bytes) {
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : bytes)
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

void Walk(const std::string& root, const std::string& relative, Snapshot& snapshot) {
    for (const FolderEntry& entry : ListFolder(relative.empty() ? root : root + "\\" + relative)) {
        const std::string path = relative.empty() ? entry.name : relative + "\\" + entry.name;
        if (entry.attributes & os::kAttrDirectory) {
            snapshot[path] = "folder";
            Walk(root, path, snapshot);
            continue;
        }
        snapshot[path] = DescribeFile(root + "\\" + path);
    }
}

} // namespace

std::string DescribeFile(const std::string& path) {
    std::uint32_t attributes = 0;
    if (!rt::ReadAttributes(path, attributes))
        return "missing";
    const std::string content = FileContent(path);
    char description[128];
    std::snprintf(description, sizeof description, "%zu bytes, hash %016llx, attributes %02x, written %lld",
                  content.size(), static_cast<unsigned long long>(Fnv1a(content)),
                  attributes & (os::kAttrReadOnly | os::kAttrHidden), LastWriteTime(path));
    return description;
}

Snapshot TakeSnapshot(const std::string& folder) {
    Snapshot snapshot;
    Walk(folder, "", snapshot);
    return snapshot;
}

} // namespace testing_support
