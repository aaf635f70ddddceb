// How a writer outside the installation run (the shortcut functions, which write shell
// links) has its files and folders made the run's way: whatever stands in the way set
// aside, and each one recorded before it can be seen, so that the run can undo it. The
// run's changes (engine/RunChanges.h) implement it.
#pragma once

#include <string>

namespace rt {

class UndoableCreation {
  public:
    virtual ~UndoableCreation() = default;

    // Before writing path: sets a file in the way aside and records the path; false when
    // something that cannot be set aside (a folder) is in the way, and then nothing is
    // recorded and nothing is to be written.
    virtual bool PrepareForeignFile(const std::string& path) = 0;
    // After writing path: records what is there as the run's own.
    virtual void AdoptWrittenFile(const std::string& path) = 0;
    // Creates one folder, recorded; raises the I/O error for the system's code.
    virtual void CreateFolder(const std::string& path) = 0;
};

} // namespace rt
