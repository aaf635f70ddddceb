// TfrmLink: the never-shown form that carries the two shortcut operations. Each makes
// one shell link to an existing file, with only its target path and working directory
// set, on the desktop or in the Programs menu's product folder "Marluxa". COM must be
// initialised on the calling thread.
#pragma once

#include "engine/InstallPage.h"
#include "framework/Form.h"

#include <string>

class TfrmLink : public framework::Form, public engine::ShortcutMaker {
  public:
    TfrmLink();

    // Desktop folder + LinkName + ".lnk": LinkName brings its own leading "\".
    void CreateDesktopShortcut(std::string TargetPath, std::string LinkName,
                               engine::RunJournal& journal) override;
    // Programs folder + "\Marluxa\" + LinkName + ".lnk"; the product folder is created
    // when missing (its failure raises the I/O error for the system's code).
    void CreateProgramsShortcut(std::string TargetPath, std::string LinkName,
                                engine::RunJournal& journal) override;
};

extern TfrmLink* frmLink;
