#include "engine/RemoveTree.h"

#include "runtime/FileSystem.h"

namespace engine {

namespace {

bool RemoveEntry(const std::string& path, std::uint32_t attributes) {
    const bool isFolder = attributes & os::kAttrDirectory;
    // A link may lead out of the tree: remove the link itself, touch nothing behind it.
    if (attributes & os::kAttrReparsePoint)
        return isFolder ? rt::RemoveDir(path) : rt::RemoveFile(path);
    if (isFolder) {
        rt::FileSetAttr(path, os::kAttrDirectory);
        return RemoveTree(path);
    }
    rt::FileSetAttr(path, 0);
    return rt::RemoveFile(path);
}

} // namespace

bool RemoveTree(const std::string& folder) {
    rt::FolderListing listing;
    bool removed = true;
    unsigned code = listing.Open(folder + "\\*.*", rt::FolderListing::kAllEntries);
    while (code == 0) {
        const std::string& name = listing.Name();
        if (name != "." && name != "..")
            removed = RemoveEntry(folder + "\\" + name, listing.Attributes());
        if (!removed)
            break; // the first failure ends the enumeration
        code = listing.Next();
    }
    listing.Close();
    return rt::RemoveDir(folder);
}

} // namespace engine
