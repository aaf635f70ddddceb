// Starting a program, a document or a web address as the desktop's user. The installer
// runs as an administrator; what it starts itself runs so too (the product's settings
// in the wrong profile, an administrator's file dialogs in the user's session). The
// desktop's own shell (the process that draws the desktop) runs as the user who signed
// in, so what it starts does too. Where that shell cannot be asked, nothing is started:
// the installer never opens anything with its own rights.
#pragma once

#include <string>

namespace shell {

// Asks the desktop's shell to "open" target, a program starting in workingFolder (the
// shell's choice when empty). False when there is no desktop shell to ask or it
// refused: then nothing was started, and the caller tells the user. COM must be
// initialised on the calling thread.
bool OpenAsTheDesktopsUser(const std::string& target, const std::string& workingFolder);

} // namespace shell
