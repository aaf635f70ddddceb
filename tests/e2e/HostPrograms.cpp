#include "tests/e2e/HostPrograms.h"

#include "tests/e2e/Driver.h"

#include <windows.h>

namespace e2e {

bool RunOnTheHost(const std::string& program, const std::vector<std::string>& arguments,
                  const std::function<bool()>& done) {
    std::string command = "Z:" + program;
    for (const std::string& argument : arguments)
        command += " \"" + argument + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        return false;
    if (started.hProcess)
        CloseHandle(started.hProcess);
    if (started.hThread)
        CloseHandle(started.hThread);
    return WaitUntil(10000, done);
}

} // namespace e2e
