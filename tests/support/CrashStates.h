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
#include <set>
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

// The disk's unit of writing: after a power cut each sector of a file's data written
// since its last flush is there or lost on its own, in any order.
constexpr std::size_t kSector = 512;

// What a power cut leaves of one file that is looked at sector by sector (the journal):
// which of its sectors lose their unflushed bytes (a sector's flushed bytes stay), and
// whether the file ends early, at a sector's start (its size reached the disk ahead of
// its data, or behind it), though never before its flushed bytes.
struct SectorLoss {
    std::string file; // none when empty
    std::set<std::size_t> lost;
    std::size_t endsAt = SIZE_MAX;
};

// The sectors, by number from the file's start, that hold bytes of file written and not
// yet flushed after these changes.
std::vector<std::size_t> UnflushedSectors(const std::vector<os::Change>& changes, const std::string& file);

// A power cut after these changes: every byte written and not yet flushed (its file's
// own flush, or the volume's) reads as zeros; every file keeps its length. The file that
// sectors names loses only what it says.
void LoseUnflushedData(const std::vector<os::Change>& changes, const SectorLoss& sectors = {});

} // namespace testing_support
