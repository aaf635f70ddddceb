// The folders the run finds already there: those on the way to the target folder, the
// target, "data" and "data\day". The run is an administrator's; a folder that another
// user can change would let that user swap a program an administrator later starts, or
// plant a DLL beside it; a folder on the way that they can rename, or a link, would send
// the run's writes elsewhere. So before anything is read, renamed or written, each is
// looked at on an open handle:
//   - a link (symbolic link, junction) at the target, "data" or "data\day" is refused;
//   - a folder on the way whose entries others may rename or delete, and a target,
//     "data" or "data\day" that others may change (or that lies on a volume without
//     access lists, or on another computer), is for the user to decide. None is taken
//     over: a handle opened before a take-over would keep the rights it was opened with,
//     and the new access list would be passed on to files that may be linked from
//     elsewhere.
// From the last look to the run's end the target, "data" and "data\day" are held open,
// so that nobody can rename or replace them: their paths go on naming what was looked at.
#pragma once

#include "runtime/OwnedFile.h"

#include <string>
#include <utility>
#include <vector>

namespace engine {

struct FoundFolders {
    std::string link;                      // the first folder that is a link, if any
    std::vector<std::string> openToOthers; // those others may change (or make lead elsewhere)
};

// The folders the run writes into, held open until released.
class HeldFolders {
  public:
    // Holds an existing folder that is no link; false, holding nothing new, for a link or
    // anything that is not a folder.
    bool Hold(const std::string& folder);
    bool Holds(const std::string& folder) const;
    // Keeps a folder's handle opened with OpenToHold.
    void Keep(const std::string& folder, rt::OwnedFile handle);
    // Lets go of a folder (the run renames it aside itself), or of all.
    void Release(const std::string& folder);
    void ReleaseAll() { held_.clear(); }

  private:
    std::vector<std::pair<std::string, rt::OwnedFile>> held_;
};

// Looks at the folders of installDir that exist (see above), outermost first. With held,
// the target, "data" and "data\day" that are no links stay held in it.
FoundFolders LookAtFoundFolders(const std::string& installDir, HeldFolders* held = nullptr);

} // namespace engine
