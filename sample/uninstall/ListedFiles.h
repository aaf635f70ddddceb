// The removal of what the installation put in the install folder: the files Unini.dat
// lists and the data folders, reached without following any link below the folder.
#pragma once

#include "sample/uninstall/InstallFolder.h"
#include "sample/uninstall/Report.h"

namespace uninstall {

// Removes the files listed in text, Unini.dat's bytes with a final zero: one full path a
// line, in the system's ANSI code page (the installer takes no folder that code page
// cannot spell). self is this program's canonical path, which the copy deletes. What is
// not removed goes into the report.
void RemoveListedFiles(const char* text, const wchar_t* self, const InstallFolder& folder, Report& report);

// Removes the folders the installation made inside the install folder, each when empty.
void RemoveDataFolders(const InstallFolder& folder);

} // namespace uninstall
