// The navigator: owns what the pages share (the target folder, the payload, the shell's
// shortcuts and the installation run, whose check of the payload it starts at once on a
// thread of its own) and the four pages in their order. It moves between the pages when
// they ask, ends the program when one quits, and hands the task bar's Close to the
// progress page once that page is made. No page names another. The pages after the
// first are made when first reached, so that the first page comes up without waiting
// for the others.
#pragma once

#include <string>

#include "engine/InstallationRun.h"
#include "engine/ResourceStore.h"
#include "framework/WorkerThread.h"
#include "wizard/AgreementPage.h"
#include "wizard/DirectoryPage.h"
#include "wizard/FinishPage.h"
#include "wizard/ProgressPage.h"

#include <memory>

namespace wizard {

class Wizard {
  public:
    // Starts the check of the payload on a thread of its own, so that it is normally
    // done before "安装".
    Wizard();
    // Stops the check if it still runs, and waits for its thread.
    ~Wizard();
    Wizard(const Wizard&) = delete;
    Wizard& operator=(const Wizard&) = delete;

    // Shows the agreement page and runs the message loop until the program ends.
    void Run();

  private:
    // Each later page, made and joined to its neighbours the first time it is asked for.
    DirectoryPage& Directory();
    ProgressPage& Progress();
    FinishPage& Finish();
    // A page's quit request ends the program.
    static void QuitsTheProgram(PageFrame& page);
    // Moving on hides the page first; going back shows the earlier page first.
    static void Forward(PageFrame& from, PageFrame& to);
    static void Back(PageFrame& from, PageFrame& to);

    // The run's shortcuts, made by the shell's two functions.
    class ShellShortcuts : public engine::ShortcutMaker {
      public:
        void CreateProgramsShortcut(const std::string& target, const std::string& linkName,
                                    rt::UndoableCreation& creation) override;
        void CreateDesktopShortcut(const std::string& target, const std::string& linkName,
                                   rt::UndoableCreation& creation) override;
        std::vector<std::string> LinkPlaces() override;
        std::string ProductProgramsFolder() override;
        std::string LinkTarget(const std::string& linkPath) override;
    };

    // The target folder as the user left it in the directory page's field (untrimmed):
    // written only by the directory page; read by the progress page, which hands it to
    // the run, and by the finish page.
    std::string installDir_;
    const engine::ResourceStore payload_{};
    ShellShortcuts shortcuts_;
    engine::InstallationRun run_;
    framework::WorkerThread payloadChecking_;
    AgreementPage agreement_;
    std::unique_ptr<DirectoryPage> directory_;
    std::unique_ptr<ProgressPage> progress_;
    std::unique_ptr<FinishPage> finish_;
};

} // namespace wizard
