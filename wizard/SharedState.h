// What the pages share while the wizard runs.
#pragma once

#include <string>

namespace wizard {

struct SharedState {
    // The target folder as the user left it in the directory page's field (untrimmed).
    // Written only by the directory page; read by the progress page, which hands it to
    // the run, and by the finish page.
    std::string installDir;
};

} // namespace wizard
