// What the pages share while the wizard runs.
#pragma once

#include <string>

namespace wizard {

struct SharedState {
    // The target folder as the user left it in the directory page's field (untrimmed).
    // Written only by the directory page; read by the run and the finish page.
    std::string installDir;
    // Set by "取消" (or the task bar's Close) while the run goes; answered and cleared
    // at the run's next cancel check.
    bool cancelRequested = false;
};

} // namespace wizard
