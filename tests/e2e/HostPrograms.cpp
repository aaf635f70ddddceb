#include "tests/e2e/HostPrograms.h"

#include "runtime/OsSeam.h"
#include "tests/e2e/Driver.h"

#include <windows.h>

namespace e2e {

// From Wine's own call, looked up: only Wine's kernel32 has it.
std::string HostPath(const std::string& path) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix)
        return "";
    char* unixPath = toUnix(os::Widened(path).c_str());
    const std::string hostPath = unixPath ? unixPath : "";
    HeapFree(GetProcessHeap(), 0, unixPath);
    return hostPath;
}

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
