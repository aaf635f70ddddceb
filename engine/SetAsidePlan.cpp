#include "engine/SetAsidePlan.h"

#include "runtime/FileSystem.h"
#include "runtime/OsSeam.h"
#include "runtime/Text.h"

#include <algorithm>
#include <map>

namespace engine {

namespace {

// A plain file the run may rename: not a folder, a link, or read-only (which replacing
// in place would be refused).
bool IsMovableFile(std::uint32_t attributes) {
    return !(attributes & (os::kAttrDirectory | os::kAttrReparsePoint | os::kAttrReadOnly));
}

struct Folder {
    std::string path;
    std::vector<std::string> targets;
};

// The targets grouped by the folder they lie in, folders in the order first written.
std::vector<Folder> ByFolder(const std::vector<std::string>& targets) {
    std::vector<Folder> folders;
    for (const std::string& target : targets) {
        const std::string folder = rt::ContainingFolder(target);
        auto found =
            std::find_if(folders.begin(), folders.end(), [&](const Folder& f) { return f.path == folder; });
        if (found == folders.end())
            found = folders.insert(folders.end(), Folder{folder, {}});
        found->targets.push_back(target);
    }
    return folders;
}

// The first set-aside name of path that is not taken.
template <class Taken> std::string FreeAsideName(const std::string& path, Taken taken) {
    for (int attempt = 1; attempt <= kSetAsideNames; ++attempt)
        if (!taken(SetAsideName(path, attempt)))
            return SetAsideName(path, attempt);
    return "";
}

// Whether any target lies deeper inside folder than its own files: a folder that holds
// another folder of the run ("data", which holds "data\day") stays where it is, even
// when that folder is missing now (the run makes it there before the set-aside).
bool HoldsAnotherFolderOfTheRun(const Folder& folder, const std::vector<Folder>& all) {
    return std::any_of(all.begin(), all.end(),
                       [&](const Folder& other) { return rt::IsInsideFolder(other.path, folder.path); });
}

bool MovesWhole(const Folder& folder, const std::vector<os::FoundEntry>& entries,
                const std::string& keepFolder, const std::vector<Folder>& all) {
    std::uint32_t attributes = 0;
    if (entries.empty() || folder.path == keepFolder || HoldsAnotherFolderOfTheRun(folder, all) ||
        !rt::ReadAttributes(folder.path, attributes) || (attributes & os::kAttrReparsePoint))
        return false;
    std::set<std::string> planned;
    for (const std::string& target : folder.targets)
        planned.insert(rt::FoldCase(rt::FileNamePart(target)));
    return std::all_of(entries.begin(), entries.end(), [&](const os::FoundEntry& entry) {
        return IsMovableFile(entry.attributes) && planned.count(rt::FoldCase(entry.name));
    });
}

void PlanFolder(const Folder& folder, const std::vector<Folder>& all, const std::string& keepFolder,
                SetAsidePlan& plan) {
    const std::vector<os::FoundEntry> entries = rt::ListFolder(folder.path);
    if (MovesWhole(folder, entries, keepFolder, all)) {
        SetAsidePlan::Move move{folder.path,
                                FreeAsideName(folder.path,
                                              [](const std::string& name) {
                                                  std::uint32_t attributes = 0;
                                                  return rt::ReadAttributes(name, attributes);
                                              }),
                                {}};
        for (const os::FoundEntry& entry : entries)
            move.names.push_back(entry.name);
        if (!move.aside.empty()) {
            plan.moves.push_back(std::move(move));
            return;
        }
    }
    std::map<std::string, std::uint32_t> standing; // folded name -> attributes
    for (const os::FoundEntry& entry : entries)
        standing.emplace(rt::FoldCase(entry.name), entry.attributes);
    for (const std::string& target : folder.targets) {
        const auto found = standing.find(rt::FoldCase(rt::FileNamePart(target)));
        if (found == standing.end())
            continue;
        if (found->second & os::kAttrReparsePoint) {
            plan.links.push_back(target);
            continue;
        }
        std::string aside;
        if (IsMovableFile(found->second))
            aside = FreeAsideName(target, [&](const std::string& name) {
                return standing.count(rt::FoldCase(rt::FileNamePart(name))) > 0;
            });
        if (aside.empty()) {
            plan.occupied.insert(target);
            continue;
        }
        standing.emplace(rt::FoldCase(rt::FileNamePart(aside)), 0); // taken from now on
        plan.moves.push_back({target, aside, {}});
    }
}

} // namespace

std::string SetAsideName(const std::string& path, int attempt) {
    return path + ".bak" + (attempt == 1 ? "" : std::to_string(attempt));
}

SetAsidePlan PlanSetAsides(const std::vector<std::string>& targets, const std::string& keepFolder) {
    SetAsidePlan plan;
    const std::vector<Folder> folders = ByFolder(targets);
    for (const Folder& folder : folders)
        PlanFolder(folder, folders, keepFolder, plan);
    return plan;
}

std::size_t LongestPathIn(const SetAsidePlan& plan) {
    std::size_t longest = 0;
    for (const SetAsidePlan::Move& move : plan.moves) {
        const std::size_t aside = os::WideLength(move.aside);
        longest = std::max(longest, aside);
        for (const std::string& name : move.names)
            longest = std::max(longest, aside + 1 + os::WideLength(name));
    }
    return longest;
}

} // namespace engine
