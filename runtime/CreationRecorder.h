// What a writer outside the installation run uses to have the files and folders it
// makes recorded, so that the run's rollback can undo them (the shortcut functions
// write shell links this way). The run's journal is the recorder.
#pragma once

#include <string>

namespace rt {

class CreationRecorder {
  public:
    virtual ~CreationRecorder() = default;

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
