#include "wizard/Wizard.h"

#include "framework/Application.h"
#include "shell/Shortcuts.h"

namespace wizard {

Wizard::Wizard() : run_(shortcuts_, payload_), directory_(state_), progress_(state_, run_), finish_(state_) {
    agreement_.onNext = [this] { Forward(agreement_, directory_); };
    directory_.onBack = [this] { Back(directory_, agreement_); };
    directory_.onNext = [this] { Forward(directory_, progress_); };
    progress_.onBack = [this] { Back(progress_, directory_); };
    progress_.onNext = [this] { Forward(progress_, finish_); };
    for (PageFrame* page : std::initializer_list<PageFrame*>{&agreement_, &directory_, &progress_, &finish_})
        page->onQuit = [] { framework::App().Terminate(); };
    framework::App().SetCloseRequestHandler([this] { progress_.ApplicationCloseRequested(); });
}

void Wizard::Run() {
    framework::App().Run(agreement_);
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

} // namespace wizard
