// What stands where the run will write, found before anything is written: which files
// (or which whole folder) the run sets aside, and under which names. Listing each
// folder once is how the run knows where nothing stands (so that a file it creates there
// is provably its own) without asking the system about every name.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace engine {

// The name a file or folder in the way is set aside under: its own name plus ".bak",
// ".bak2", ... (attempt 1, 2, ... kSetAsideNames).
std::string SetAsideName(const std::string& path, int attempt);
constexpr int kSetAsideNames = 99;

struct SetAsidePlan {
    struct Move {
        std::string path;               // a file, or a folder moved whole
        std::string aside;              // the free name it moves to
        std::vector<std::string> names; // a folder's entries, as listed
    };
    std::vector<Move> moves;
    // Paths where something stands that is not moved in one batch (a folder, a read-only
    // file): the run meets them one by one, and refuses what cannot be replaced.
    std::set<std::string> occupied;
    // Links (symbolic links, junctions) standing where the run writes: refused.
    std::vector<std::string> links;
};

// Plans for the files the run will write (full paths, in the run's order). A folder
// whose entries are all plain files the run replaces moves aside whole, unless it is
// keepFolder (the one that holds the journal); elsewhere each file in the way moves
// aside beside itself.
SetAsidePlan PlanSetAsides(const std::vector<std::string>& targets, const std::string& keepFolder);

// The longest path the plan makes or later deletes, in UTF-16 units.
std::size_t LongestPathIn(const SetAsidePlan& plan);

} // namespace engine
