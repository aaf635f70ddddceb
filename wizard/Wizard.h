// The navigator: owns the target folder the pages share, the payload, the installation run and
// the four pages in their order, and moves between the pages when they ask. No page
// names another. The pages after the first are made when first reached, so that the
// first page comes up without waiting for the others.
#pragma once

#include <string>

#include "engine/InstallationRun.h"
#include "engine/ResourceStore.h"
#include "wizard/AgreementPage.h"
#include "wizard/DirectoryPage.h"
#include "wizard/FinishPage.h"
#include "wizard/ProgressPage.h"

#include <memory>

namespace wizard {

class Wizard {
  public:
    Wizard();

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
    AgreementPage agreement_;
    std::unique_ptr<DirectoryPage> directory_;
    std::unique_ptr<ProgressPage> progress_;
    std::unique_ptr<FinishPage> finish_;
};

} // namespace wizard
