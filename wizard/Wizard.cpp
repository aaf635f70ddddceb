#include "wizard/Wizard.h"

#include "framework/Application.h"
#include "shell/Shortcuts.h"

namespace wizard {

Wizard::Wizard() : run_(shortcuts_, payload_), payloadChecking_([this] { run_.CheckOfItsPayload().Run(); }) {
    agreement_.onNext = [this] { Forward(agreement_, Directory()); };
    QuitsTheProgram(agreement_);
    // Only the progress page acts otherwise on the task bar's Close, and only once reached.
    framework::App().SetCloseRequestHandler([this] {
        if (progress_)
            progress_->ApplicationCloseRequested();
        else
            framework::App().Terminate();
    });
}

Wizard::~Wizard() {
    run_.CheckOfItsPayload().RequestStop(); // the program ends: its answer is not needed
}

DirectoryPage& Wizard::Directory() {
    if (!directory_) {
        directory_ = std::make_unique<DirectoryPage>(installDir_);
        directory_->onBack = [this] { Back(*directory_, agreement_); };
        directory_->onNext = [this] { Forward(*directory_, Progress()); };
        QuitsTheProgram(*directory_);
    }
    return *directory_;
}

ProgressPage& Wizard::Progress() {
    if (!progress_) {
        progress_ = std::make_unique<ProgressPage>(installDir_, run_);
        progress_->onBack = [this] { Back(*progress_, Directory()); };
        progress_->onNext = [this] { Forward(*progress_, Finish()); };
        QuitsTheProgram(*progress_);
    }
    return *progress_;
}

FinishPage& Wizard::Finish() {
    if (!finish_) {
        finish_ = std::make_unique<FinishPage>(installDir_);
        QuitsTheProgram(*finish_);
    }
    return *finish_;
}

void Wizard::QuitsTheProgram(PageFrame& page) {
    page.onQuit = [] { framework::App().Terminate(); };
}

void Wizard::Run() {
    framework::App().Run([this] { agreement_.Show(); });
}

void Wizard::Forward(PageFrame& from, PageFrame& to) {
    from.Hide();
    to.Show();
}

void Wizard::Back(PageFrame& from, PageFrame& to) {
    to.Show();
    from.Hide();
}

void Wizard::ShellShortcuts::CreateProgramsShortcut(const std::string& target, const std::string& linkName,
                                                    rt::UndoableCreation& creation) {
    shell::CreateProgramsShortcut(target, linkName, creation);
}

void Wizard::ShellShortcuts::CreateDesktopShortcut(const std::string& target, const std::string& linkName,
                                                   rt::UndoableCreation& creation) {
    shell::CreateDesktopShortcut(target, linkName, creation);
}

std::vector<std::string> Wizard::ShellShortcuts::LinkPlaces() {
    return shell::LinkPlaces();
}

std::string Wizard::ShellShortcuts::ProductProgramsFolder() {
    return shell::ProductProgramsFolder();
}

std::string Wizard::ShellShortcuts::LinkTarget(const std::string& linkPath) {
    return shell::LinkTarget(linkPath);
}

} // namespace wizard
