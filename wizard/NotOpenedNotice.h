// What the finish page or the banner could not open, told in one box. The installer
// runs as an administrator and opens things only through the desktop's shell, as the
// desktop's user; where that shell cannot be asked (the user ended it), nothing is
// opened, and the box says how the user opens each thing instead.
#pragma once

#include <windows.h>

#include <string>

namespace wizard {

struct NotOpened {
    bool site = false;    // the product's web site
    bool program = false; // the installed program
    bool readme = false;  // the read-me in the install folder
};

// One information box owned by owner, naming what failed and the way to open each by
// hand; nothing when nothing failed. installDir is the folder that holds the read-me.
void TellWhatWasNotOpened(HWND owner, const NotOpened& failed, const std::string& installDir);

} // namespace wizard
