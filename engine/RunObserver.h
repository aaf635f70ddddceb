// What the installation run tells and asks while it goes, and what its success ending
// needs from the shell. The run knows nothing of windows: the progress page is its
// observer and decides what the screen does; tests hand it a recording one.
#pragma once

#include "engine/InterruptedRun.h"
#include "runtime/UndoableCreation.h"

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

// The shortcuts the success ending makes. Each link file, and the product folder made
// for it, goes through the run's changes (what is in the way set aside, each recorded
// before it is made), so that the run's undo removes it again.
class ShortcutMaker {
  public:
    virtual ~ShortcutMaker() = default;
    virtual void CreateProgramsShortcut(const std::string& target, const std::string& linkName,
                                        rt::UndoableCreation& creation) = 0;
    virtual void CreateDesktopShortcut(const std::string& target, const std::string& linkName,
                                       rt::UndoableCreation& creation) = 0;
    // The folders the links go into: the product's Programs folder and the desktop.
    virtual std::vector<std::string> LinkPlaces() = 0;
    // The product's own folder among them, in the Programs menu ("" when there is none).
    virtual std::string ProductProgramsFolder() = 0;
};

} // namespace engine
