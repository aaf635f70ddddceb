// What the pages share while the wizard runs.
#pragma once

#include <string>

namespace wizard {

struct SharedState {
    // The target folder as the user left it in the directory page's field (untrimmed).
    // Written only by the directory page; read by the run and the finish page.
    std::string installDir;
    // Set by "取消" (or the task bar's Close) on the progress page; answered, and cleared
    // when the user goes on, at the run's next cancel check.
    bool cancelRequested = false;
};

} // namespace wizard
