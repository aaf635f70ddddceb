// Crash states of a recorded run, on the host: the POSIX seam tells every change a run
// makes (runtime/SeamChanges.h), and any prefix of them is laid again on the disk as it
// was before the run, as a kill or a power cut would leave it.
//
// The power cut follows the model of NTFS that careful databases use: metadata (names,
// creations, renames, deletions, sizes) reaches the disk in order; data written to a
// file reaches it when that file is flushed (or the whole volume is), and data not yet
// flushed may be lost: the file keeps its length and the lost bytes read as zeros.
#pragma once

#include "runtime/SeamChanges.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

// The files and folders under some roots, by full path: a file's bytes, or "folder".
using Contents = std::map<std::string, std::string>;
Contents ContentsOf(const std::vector<std::string>& roots);
// Lays the roots out again exactly as contents describes them.
void LayOut(const std::vector<std::string>& roots, const Contents& contents);

// The changes a run makes, recorded while the recorder lives. With a limit, the run is
// stopped as a kill would stop it once it has made that many: the recorder raises
// Stopped from inside the seam, and nothing of the run takes another step.
class ChangeRecorder {
  public:
    struct Stopped {};
    explicit ChangeRecorder(std::size_t limit = SIZE_MAX);
    ~ChangeRecorder();
    ChangeRecorder(const ChangeRecorder&) = delete;
    ChangeRecorder& operator=(const ChangeRecorder&) = delete;
    const std::vector<os::Change>& Changes() const { return changes_; }

  private:
    std::vector<os::Change> changes_;
};

// A power cut after these changes: every byte written and not yet flushed (its file's
// own flush, or the volume's) reads as zeros; every file keeps its length.
void LoseUnflushedData(const std::vector<os::Change>& changes);

} // namespace testing_support
