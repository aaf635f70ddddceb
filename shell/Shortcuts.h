// The shortcuts: the two operations that make a link, on the desktop and in the
// product's Programs folder, and what the run asks the shell about links (the folders
// they go into, the product's Programs folder, where a saved link leads). Each operation
// makes one shell link to an existing file, with only its target path and working folder
// set, and has the link file's place (and a folder made for it) prepared and recorded
// through an undoable creation, so that it can be undone. COM must be initialised on the
// calling thread.
#pragma once

#include "runtime/UndoableCreation.h"

#include <string>
#include <vector>

namespace shell {

// Desktop folder + "\" + linkName + ".lnk", the same bare name as in the Programs menu. Nothing is
// written when the target is missing or the shell cannot name the desktop.
void CreateDesktopShortcut(const std::string& target, const std::string& linkName,
                           rt::UndoableCreation& creation);

// Programs folder + "\" + the product's folder + "\" + linkName + ".lnk"; the product
// folder is created when missing (its failure raises the I/O error for the system's
// code). Nothing is written when the target is missing or there is no Programs folder.
void CreateProgramsShortcut(const std::string& target, const std::string& linkName,
                            rt::UndoableCreation& creation);

// The folders those links go into, as far as the shell can name them: the product's
// Programs folder and the desktop folder.
std::vector<std::string> LinkPlaces();

// The path the shell link saved at linkPath leads to, as it was set; "" when the file
// cannot be read as a link. COM must be initialised on the calling thread.
std::string LinkTarget(const std::string& linkPath);

// The product's folder in the Programs menu: Programs folder + "\" + the product's
// folder; "" when the shell names no Programs folder.
std::string ProductProgramsFolder();

} // namespace shell
