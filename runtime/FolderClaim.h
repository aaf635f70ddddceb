// One installation into a folder at a time: a claim on the folder, held across the whole
// system from "安装" until the run is over, that a second run into the same folder (from
// this process or another, however the folder is spelt) cannot take meanwhile.
#pragma once

#include "runtime/OsSeam.h"

#include <string>

namespace rt {

class FolderClaim {
  public:
    FolderClaim() = default;
    ~FolderClaim() { Release(); }
    FolderClaim(const FolderClaim&) = delete;
    FolderClaim& operator=(const FolderClaim&) = delete;

    // Claims the folder (letting go of one held before); false when another holder has it.
    bool Take(const std::string& folder);
    void Release();

    // The claim's name: the same for every spelling of one folder (case, a closing
    // separator, blanks around it, a relative form, a short name, a link or junction on
    // the way, a mapped drive), before and after the folder is made, and different for
    // different folders.
    static std::string NameOf(const std::string& folder);

  private:
    os::ClaimHandle claim_ = os::kNoClaim;
};

} // namespace rt
