// The folders of the installation that the run finds already there: the target folder,
// "data" and "data\day". The run is an administrator's; a folder that another user can
// change would let that user swap a program an administrator later starts, or plant a
// DLL beside it, and a link there would send the run's writes elsewhere. So before
// anything in them is read or written, each is looked at on an open handle:
//   - a link (symbolic link, junction) is refused;
//   - one that others may change, but that holds only what the run writes or recognises
//     (its own files, their set-aside names, its journal, its folders) and is not a
//     drive's root, is taken: owner Administrators, the protected access list of the
//     folders the run makes;
//   - any other one that others may change (other entries, a drive's root, a volume
//     without access lists, another computer's) is for the user to decide.
#pragma once

#include <string>
#include <vector>

namespace engine {

struct FoundFolders {
    std::string link;                      // the first folder that is a link, if any
    std::vector<std::string> openToOthers; // those others may change that the run left as they are
};

// Looks at the folders of installDir that exist and takes those it may (see above).
// files are every file the run writes, full paths.
FoundFolders SecureFoundFolders(const std::string& installDir, const std::vector<std::string>& files);

} // namespace engine
