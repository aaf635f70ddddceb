// Recording stand-ins for the run's observer and its shortcut maker, for tests of the
// installation run.
#pragma once

#include "engine/RunObserver.h"
#include "engine/ShortcutMaker.h"
#include "runtime/Errors.h"
#include "runtime/FileSystem.h"
#include "runtime/FileWriter.h"
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
    void StillWorking(const std::string&) override { ++stillWorking; }
    void DailyEntryWritten() override { ++position; }
    // What ends a run at killAtCheck as if its process had died: nothing after it runs.
    struct Killed {};
    bool MayGoOn() override {
        if (++checks == killAtCheck)
            throw Killed();
        if (onCheck)
            onCheck(checks);
        return checks != stopAtCheck;
    }
    bool DesktopShortcutWanted() override {
        if (onDesktopChoice)
            onDesktopChoice();
        ++desktopChoiceReads;
        return desktopWanted;
    }
    void InterruptedRunRecovered(const engine::Recovery& recovery) override {
        recoveries.push_back(recovery);
    }
    bool MayInstallIntoFoldersOthersCanChange(const std::vector<std::string>& folders) override {
        foldersOpenToOthers = folders;
        if (whileAsked)
            whileAsked();
        return installIntoFoldersOthersCanChange;
    }

    long maximum = -1;
    std::string currentEntry;
    int entriesStarted = 0;
    int stillWorking = 0;
    long position = 0;
    int checks = 0;
    int stopAtCheck = 0; // the cancel check that says no (none when 0)
    int killAtCheck = 0; // the cancel check at which the run dies (none when 0)
    bool desktopWanted = true;
    int desktopChoiceReads = 0;
    std::function<void()> onDesktopChoice;
    std::function<void(int check)> onCheck;
    std::vector<engine::Recovery> recoveries;
    bool installIntoFoldersOthersCanChange = false;
    std::vector<std::string> foldersOpenToOthers; // as last asked
    std::function<void()> whileAsked;             // what others do while the question is up
};

class FakeShortcuts : public engine::ShortcutMaker {
  public:
    void CreateProgramsShortcut(const std::string& target, const std::string& name,
                                rt::UndoableCreation& creation) override {
        calls.push_back("programs " + target + " " + name);
        if (!linkFolder.empty())
            WriteLink(linkFolder + "\\" + name + ".lnk", target, creation);
    }
    void CreateDesktopShortcut(const std::string& target, const std::string& name,
                               rt::UndoableCreation& creation) override {
        calls.push_back("desktop " + target + " " + name);
        if (!linkFolder.empty())
            WriteLink(linkFolder + "\\" + name + ".lnk", target, creation);
        if (failDesktop)
            throw rt::Error("the shell failed");
    }
    std::string ProductProgramsFolder() override { return linkFolder; }
    // A fake link file holds its target's path, as a link saved by the shell leads there.
    std::string LinkTarget(const std::string& linkPath) override {
        std::string target;
        return rt::ReadWholeFile(linkPath, target) == 0 ? target : "";
    }
    std::vector<std::string> LinkPlaces() override {
        return linkFolder.empty() ? std::vector<std::string>{} : std::vector<std::string>{linkFolder};
    }
    std::vector<std::string> calls;
    // When set, the links are written as files there, as the shell would, recorded.
    std::string linkFolder;
    bool failDesktop = false;
    // Where the process dies at the first link: inside the shell's save (the link torn), or
    // just after it, before the link is recorded as made.
    enum class Kill { None, InsideTheSave, AfterTheSave } killAtTheFirstLink = Kill::None;

  private:
    // Writes a link file through the seam, as the shell would, where the run's changes
    // have made room for it (so that what the seam tells of its writes is seen too).
    static void Save(const std::string& path, const std::string& bytes) {
        rt::NewFile file;
        if (file.CreateOnly(path) == 0)
            file.WriteAll(bytes.data(), bytes.size());
    }

    void WriteLink(const std::string& path, const std::string& target, rt::UndoableCreation& creation) {
        if (!creation.PrepareForeignFile(path))
            return;
        Save(path, killAtTheFirstLink == Kill::InsideTheSave ? "torn" : target);
        if (killAtTheFirstLink != Kill::None)
            throw RecordingObserver::Killed();
        creation.AdoptWrittenFile(path);
    }
};

} // namespace testing_support
