// Recording stand-ins for the run's observer and its shortcut maker, for tests of the
// installation run.
#pragma once

#include "engine/RunObserver.h"
#include "runtime/Errors.h"
#include "tests/support/TempFolder.h"

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

class RecordingObserver : public engine::RunObserver {
  public:
    void RangeKnown(long max) override { maximum = max; }
    void EntryStarting(const std::string& path) override {
        currentEntry = path;
        ++entriesStarted;
    }
    void DailyEntryWritten() override { ++position; }
    bool MayGoOn() override { return ++checks != stopAtCheck; }
    bool DesktopShortcutWanted() override {
        if (onDesktopChoice)
            onDesktopChoice();
        ++desktopChoiceReads;
        return desktopWanted;
    }

    long maximum = -1;
    std::string currentEntry;
    int entriesStarted = 0;
    long position = 0;
    int checks = 0;
    int stopAtCheck = 0; // the cancel check that says no (none when 0)
    bool desktopWanted = true;
    int desktopChoiceReads = 0;
    std::function<void()> onDesktopChoice;
};

class FakeShortcuts : public engine::ShortcutMaker {
  public:
    void CreateProgramsShortcut(const std::string& target, const std::string& name,
                                rt::CreationRecorder& recorder) override {
        calls.push_back("programs " + target + " " + name);
        if (!linkFolder.empty())
            WriteLink(linkFolder + "\\" + name + ".lnk", target, recorder);
    }
    void CreateDesktopShortcut(const std::string& target, const std::string& name,
                               rt::CreationRecorder& recorder) override {
        calls.push_back("desktop " + target + " " + name);
        if (!linkFolder.empty())
            WriteLink(linkFolder + name + ".lnk", target, recorder);
        if (failDesktop)
            throw rt::Error("the shell failed");
    }
    std::vector<std::string> calls;
    // When set, the links are written as files there, as the shell would, recorded.
    std::string linkFolder;
    bool failDesktop = false;

  private:
    static void WriteLink(const std::string& path, const std::string& target,
                          rt::CreationRecorder& recorder) {
        if (!recorder.PrepareForeignFile(path))
            return;
        PutFile(path, target);
        recorder.AdoptWrittenFile(path);
    }
};

} // namespace testing_support
