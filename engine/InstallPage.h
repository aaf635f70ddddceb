// What the installation run needs of the page it runs on and of the wizard, as
// operations, so that the run knows nothing of windows. The progress page supplies
// them; tests hand the run a recording fake.
#pragma once

#include <string>

namespace engine {

class RunJournal;

// Buttons and styles of the run's message boxes (the values MessageBoxA uses).
constexpr int kButtonOk = 1;
constexpr unsigned kStyleOk = 0;
constexpr unsigned kStyleOkCancelInformation = 65;

class InstallPage {
  public:
    virtual ~InstallPage() = default;

    // The current-path text above the bar.
    virtual void SetProgressText(const std::string& text) = 0;
    virtual void SetProgressRange(long minimum, long maximum) = 0;
    virtual long ProgressPosition() const = 0;
    virtual void SetProgressPosition(long position) = 0;
    // The desktop-shortcut check box, read when asked.
    virtual bool DesktopShortcutChecked() const = 0;
    // Processes every window message already waiting, without waiting.
    virtual void ProcessMessages() = 0;
    // A message box modal to the page; answers the button chosen.
    virtual int AskOnPage(const std::string& text, const std::string& caption, unsigned style) = 0;
    // A message box owned by the window that has the keyboard focus.
    virtual int ShowOnFocusWindow(const std::string& text, const std::string& caption, unsigned style) = 0;
    // Hides the progress page, then shows the finish page.
    virtual void ShowFinishPage() = 0;
    // Asks the program to end once control is back in the message loop.
    virtual void Terminate() = 0;
};

// The shortcut operations the success ending calls. Each records in the run's journal
// the link file (setting aside one that was there) and the product folder it makes,
// before making them, so that a rollback removes them again.
class ShortcutMaker {
  public:
    virtual ~ShortcutMaker() = default;
    virtual void CreateProgramsShortcut(std::string TargetPath, std::string LinkName,
                                        RunJournal& journal) = 0;
    virtual void CreateDesktopShortcut(std::string TargetPath, std::string LinkName, RunJournal& journal) = 0;
};

} // namespace engine
