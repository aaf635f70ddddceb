// What the installation run needs from the shell: the links its success ending makes,
// the folders they go into (where a recovery may act), and where a saved link leads (how
// an undo proves a link the run's).
#pragma once

#include "runtime/UndoableCreation.h"

#include <string>
#include <vector>

namespace engine {

// The shortcuts the success ending makes. Each link file, and the product folder made
// for it, goes through the run's changes (what is in the way set aside, each recorded
// before it is made), so that the run's undo removes it again.
class ShortcutMaker {
  public:
    virtual ~ShortcutMaker() = default;
    virtual void CreateProgramsShortcut(const std::string& target, const std::string& linkName,
                                        rt::UndoableCreation& creation) = 0;
    virtual void CreateDesktopShortcut(const std::string& target, const std::string& linkName,
                                       rt::UndoableCreation& creation) = 0;
    // The folders the links go into: the product's Programs folder and the desktop.
    virtual std::vector<std::string> LinkPlaces() = 0;
    // The product's own folder among them, in the Programs menu ("" when there is none).
    virtual std::string ProductProgramsFolder() = 0;
    // The path the link file at linkPath leads to, as it was saved; "" when the file is no
    // link that can be read.
    virtual std::string LinkTarget(const std::string& linkPath) = 0;
};

} // namespace engine
