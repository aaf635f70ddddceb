#include "engine/FoundFolders.h"

#include "engine/TargetPaths.h"
#include "runtime/FileSystem.h"
#include "runtime/FolderRights.h"
#include "runtime/OwnedFile.h"
#include "runtime/Text.h"

#include <algorithm>
#include <cctype>

namespace engine {

namespace {

enum class Finding { Missing, Protected, Link, Takeable, OpenToOthers };

// The names the run writes or keeps directly in folder: its files there, and the
// sub-folders on the way to the others.
std::vector<std::string> NamesOfTheRunIn(const std::string& folder, const std::vector<std::string>& files) {
    std::vector<std::string> names;
    for (const std::string& file : files) {
        if (rt::ContainingFolder(file) == folder)
            names.push_back(rt::FileNamePart(file));
        else if (rt::ContainingFolder(rt::ContainingFolder(file)) == folder)
            names.push_back(rt::FileNamePart(rt::ContainingFolder(file)));
    }
    return names;
}

bool IsDriveRoot(const std::string& folder) {
    std::string full = os::FullPathName(rt::StripBlanks(folder));
    while (rt::EndsWithSeparator(full))
        full.pop_back();
    return full.size() <= 2;
}

// Whether name is one of the given names (the names the run writes into a folder) or a
// set-aside name of one ("readme.txt.bak", "readme.txt.bak2"), case not counted.
bool IsNameOfTheRun(const std::string& name, const std::vector<std::string>& names) {
    const std::string folded = rt::FoldCase(name);
    return std::any_of(names.begin(), names.end(), [&folded](const std::string& own) {
        const std::string base = rt::FoldCase(own), aside = base + ".bak";
        if (folded == base)
            return true;
        if (folded.compare(0, aside.size(), aside) != 0)
            return false;
        return std::all_of(folded.begin() + static_cast<std::ptrdiff_t>(aside.size()), folded.end(),
                           [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
    });
}

bool HoldsOnlyNamesOfTheRun(const std::string& folder, const std::vector<std::string>& names) {
    const std::vector<os::FoundEntry> entries = rt::ListFolder(folder);
    return std::all_of(entries.begin(), entries.end(),
                       [&](const os::FoundEntry& entry) { return IsNameOfTheRun(entry.name, names); });
}

// The attributes of what is held, with the link bit of what its path names: the handle
// tells a link on Windows, but under Wine only the path's attributes do.
std::uint32_t AttributesOf(const rt::OwnedFile& held, const std::string& path) {
    std::uint32_t byHandle = 0, byPath = 0;
    os::ReadAttributes(held.Handle(), byHandle);
    rt::ReadAttributes(path, byPath);
    return byHandle | (byPath & os::kAttrReparsePoint);
}

Finding LookAt(const std::string& folder, const std::vector<std::string>& names) {
    rt::OwnedFile held;
    std::uint32_t attributes = 0;
    if (held.OpenToInspect(folder) != 0) {
        // Nothing there (the run makes it), or something that cannot be looked at: Wine
        // opens no link itself, and a folder that refuses a look is not taken on trust.
        if (!rt::ReadAttributes(folder, attributes))
            return Finding::Missing;
        return (attributes & os::kAttrReparsePoint) ? Finding::Link : Finding::OpenToOthers;
    }
    attributes = AttributesOf(held, folder);
    if (attributes & os::kAttrReparsePoint)
        return Finding::Link;
    if (!(attributes & os::kAttrDirectory))
        return Finding::Missing; // a file of that name: making the folder fails as it would have
    os::Guard guard = os::Guard::OpenToOthers;
    if (os::ReadGuard(held.Handle(), guard) == 0 && guard == os::Guard::Protected)
        return Finding::Protected;
    if (guard == os::Guard::OpenToOthers && !IsDriveRoot(folder) && HoldsOnlyNamesOfTheRun(folder, names) &&
        os::TakeOver(held.Handle(), rt::SecurityDescriptorFor(rt::FolderRights::ReadAndRunForUsers)) == 0)
        return Finding::Takeable;
    return Finding::OpenToOthers;
}

// A target the run will make, on a volume that keeps no access lists (or another
// computer's): what it makes there cannot be protected.
bool WillBeUnprotectable(const std::string& installDir) {
    rt::OwnedFile held;
    os::Guard guard = os::Guard::Protected;
    return held.OpenToInspect(rt::NearestExistingFolder(rt::StripBlanks(installDir))) == 0 &&
           os::ReadGuard(held.Handle(), guard) == 0 && guard == os::Guard::NotKept;
}

} // namespace

FoundFolders SecureFoundFolders(const std::string& installDir, const std::vector<std::string>& files) {
    FoundFolders found;
    if (!rt::DirectoryExists(installDir) && WillBeUnprotectable(installDir)) {
        found.openToOthers.push_back(installDir);
        return found;
    }
    std::vector<std::string> withJournal = files;
    withJournal.push_back(JournalPath(installDir));
    for (const std::string& folder : {installDir, DataFolder(installDir), DailyFolder(installDir)}) {
        switch (LookAt(folder, NamesOfTheRunIn(folder, withJournal))) {
        case Finding::Link:
            found.link = folder;
            return found;
        case Finding::OpenToOthers:
            found.openToOthers.push_back(folder);
            break;
        default:
            break;
        }
    }
    return found;
}

} // namespace engine
