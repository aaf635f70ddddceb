// A recording stand-in for the progress page and the shortcut holder, for tests of the
// installation run.
#pragma once

#include "engine/InstallPage.h"
#include "engine/RunJournal.h"
#include "runtime/Errors.h"
#include "tests/support/TempFolder.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

class FakePage : public engine::InstallPage {
  public:
    void SetProgressText(const std::string& text) override {
        progressText = text;
        ++progressTextChanges;
    }
    void SetProgressRange(long min, long max) override {
        minimum = min;
        maximum = max;
    }
    long ProgressPosition() const override { return position; }
    void SetProgressPosition(long value) override { position = value; }
    bool DesktopShortcutChecked() const override {
        ++desktopChoiceReads;
        return desktopChecked;
    }
    void ProcessMessages() override {
        ++pumps;
        if (onPump)
            onPump(pumps);
    }
    int AskOnPage(const std::string& text, const std::string& caption, unsigned style) override {
        boxes.push_back({"page", text, caption, style});
        const int answer = answers.empty() ? engine::kButtonOk : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    }
    int ShowOnFocusWindow(const std::string& text, const std::string& caption, unsigned style) override {
        boxes.push_back({"focus", text, caption, style});
        return engine::kButtonOk;
    }
    void ShowFinishPage() override { finishShown = true; }
    void Terminate() override { terminated = true; }

    struct Box {
        std::string owner, text, caption;
        unsigned style;
    };

    std::string progressText;
    int progressTextChanges = 0;
    long minimum = -1, maximum = -1, position = 0;
    bool desktopChecked = true;
    mutable int desktopChoiceReads = 0;
    int pumps = 0;
    std::function<void(int pump)> onPump;
    std::deque<int> answers; // answers to the cancel question, OK when empty
    std::vector<Box> boxes;
    bool finishShown = false;
    bool terminated = false;
};

class FakeShortcuts : public engine::ShortcutMaker {
  public:
    void CreateProgramsShortcut(std::string target, std::string name, engine::RunJournal& journal) override {
        calls.push_back("programs " + target + " " + name);
        if (!linkFolder.empty())
            WriteLink(linkFolder + "\\" + name + ".lnk", target, journal);
    }
    void CreateDesktopShortcut(std::string target, std::string name, engine::RunJournal& journal) override {
        calls.push_back("desktop " + target + " " + name);
        if (!linkFolder.empty())
            WriteLink(linkFolder + name + ".lnk", target, journal);
        if (failDesktop)
            throw rt::Error("the shell failed");
    }
    std::vector<std::string> calls;
    // When set, the links are written as files there, as the shell would, recorded in
    // the journal.
    std::string linkFolder;
    bool failDesktop = false;

  private:
    static void WriteLink(const std::string& path, const std::string& target, engine::RunJournal& journal) {
        if (!journal.PrepareForeignFile(path))
            return;
        PutFile(path, target);
        journal.AdoptWrittenFile(path);
    }
};

} // namespace testing_support
