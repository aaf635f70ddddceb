#include "engine/FoundFolders.h"

#include "engine/TargetPaths.h"
#include "runtime/FileSystem.h"
#include "runtime/Text.h"

#include <algorithm>

namespace engine {

namespace {

enum class Finding { Missing, Protected, Link, OpenToOthers };

// Opens folder into held and says what it is; changes: what others may not do to it.
Finding LookAt(const std::string& folder, os::Changes changes, rt::OwnedFile& held) {
    std::uint32_t attributes = 0;
    if (held.OpenToHold(folder) != 0) {
        // Nothing there (the run makes it), or something that cannot be looked at: Wine
        // opens no link itself, and a folder that refuses a look is not trusted.
        if (!rt::ReadAttributes(folder, attributes))
            return Finding::Missing;
        return (attributes & os::kAttrReparsePoint) ? Finding::Link : Finding::OpenToOthers;
    }
    rt::ReadAttributes(held, folder, attributes);
    if (attributes & os::kAttrReparsePoint)
        return Finding::Link;
    if (!(attributes & os::kAttrDirectory))
        return Finding::Missing; // a file of that name: making the folder fails as it would have
    os::Guard guard = os::Guard::OpenToOthers;
    return os::ReadGuard(held.Handle(), guard, changes) == 0 && guard == os::Guard::Protected
               ? Finding::Protected
               : Finding::OpenToOthers;
}

// The existing folders that hold the target, outermost (the drive's root) first.
std::vector<std::string> FoldersOnTheWay(const std::string& installDir) {
    std::vector<std::string> folders;
    std::string folder = rt::ContainingFolder(os::FullPathName(installDir));
    while (!folder.empty() && rt::DirectoryExists(folder)) {
        folders.push_back(folder);
        const std::string parent = rt::ContainingFolder(folder);
        if (parent == folder)
            break;
        folder = parent;
    }
    std::reverse(folders.begin(), folders.end());
    return folders;
}

// A target the run will make, on a volume that keeps no access lists (or another
// computer's): what it makes there cannot be protected.
bool WillBeUnprotectable(const std::string& installDir) {
    rt::OwnedFile held;
    os::Guard guard = os::Guard::Protected;
    return held.OpenToInspect(rt::NearestExistingFolder(installDir)) == 0 &&
           os::ReadGuard(held.Handle(), guard) == 0 && guard == os::Guard::NotKept;
}

} // namespace

bool HeldFolders::Hold(const std::string& folder) {
    rt::OwnedFile handle;
    const Finding finding = LookAt(folder, os::Changes::Any, handle);
    if (finding != Finding::Protected && finding != Finding::OpenToOthers)
        return false;
    Keep(folder, std::move(handle));
    return true;
}

bool HeldFolders::Holds(const std::string& folder) const {
    return std::any_of(held_.begin(), held_.end(),
                       [&folder](const auto& one) { return one.first == folder; });
}

void HeldFolders::Keep(const std::string& folder, rt::OwnedFile handle) {
    held_.emplace_back(folder, std::move(handle));
}

void HeldFolders::Release(const std::string& folder) {
    held_.erase(std::remove_if(held_.begin(), held_.end(),
                               [&folder](const auto& one) { return one.first == folder; }),
                held_.end());
}

FoundFolders LookAtFoundFolders(const std::string& installDir, HeldFolders* held) {
    FoundFolders found;
    for (const std::string& folder : FoldersOnTheWay(installDir)) {
        rt::OwnedFile handle;
        if (LookAt(folder, os::Changes::Renames, handle) == Finding::OpenToOthers)
            found.openToOthers.push_back(folder);
    }
    if (!rt::DirectoryExists(installDir) && WillBeUnprotectable(installDir)) {
        found.openToOthers.push_back(installDir);
        return found;
    }
    for (const std::string& folder : {installDir, DataFolder(installDir), DailyFolder(installDir)}) {
        rt::OwnedFile handle;
        const Finding finding = LookAt(folder, os::Changes::Any, handle);
        if (finding == Finding::Link) {
            found.link = folder;
            return found;
        }
        if (finding == Finding::OpenToOthers)
            found.openToOthers.push_back(folder);
        if (held && (finding == Finding::Protected || finding == Finding::OpenToOthers))
            held->Keep(folder, std::move(handle));
    }
    return found;
}

} // namespace engine
