// What the installation run tells and asks while it goes. The run knows nothing of
// windows: the progress page is its observer and decides what the screen does; tests
// hand it a recording one.
#pragma once

#include "engine/InterruptedRun.h"

#include <string>
#include <vector>

namespace engine {

class RunObserver {
  public:
    virtual ~RunObserver() = default;

    // The daily entries are about to be written: the bar runs from 0 to maximum.
    virtual void RangeKnown(long maximum) = 0;
    // The file about to be written, for every entry.
    virtual void EntryStarting(const std::string& path) = 0;
    // Between parts of one file's bytes, and after each file flushed at the end: work on
    // the file at path, which can take seconds, goes on. The page keeps its window
    // answering and shows the file; a cancel is still answered only before the next daily
    // entry.
    virtual void StillWorking(const std::string& path) = 0;
    // A daily entry was written whole: one step along the bar.
    virtual void DailyEntryWritten() = 0;
    // Asked before each daily entry: false ends the run the cancel way.
    virtual bool MayGoOn() = 0;
    // Whether a desktop shortcut is wanted; read once, when the shortcuts are made.
    virtual bool DesktopShortcutWanted() = 0;
    // Folders of the installation that other users of the computer may change, and that
    // the run could not take for the administrators: true installs into them as they are.
    // Asked before anything is written.
    virtual bool MayInstallIntoFoldersOthersCanChange(const std::vector<std::string>& folders) = 0;
    // An interrupted run into the folder was undone, completed, or found unreadable; the
    // run goes on when this returns.
    virtual void InterruptedRunRecovered(const Recovery& recovery) = 0;
};

} // namespace engine
