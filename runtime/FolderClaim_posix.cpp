// The claim on a folder over the POSIX seam: a lock file in the system's temporary
// folder, and the path with every link resolved.
#include "runtime/OsSeam.h"
#include "runtime/PosixSeam.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <unistd.h>

namespace os {

using posix::FromErrno;
using posix::OnUnixPath;

// A lock on a file of the name's in the system's temporary folder: another open
// description of it, in this process or another, cannot take it too.
unsigned TakeClaim(const std::string& name, ClaimHandle& claim) {
    claim = kNoClaim;
    const std::string path = "/tmp/setup-claim-" + name;
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return FromErrno(errno, path);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return kErrorAlreadyExists;
    }
    claim = fd + 1; // 0 is no claim
    return 0;
}

void ReleaseClaim(ClaimHandle claim) {
    if (claim != kNoClaim)
        close(static_cast<int>(claim - 1));
}

// The path with every link resolved, in the seam's form ("\\" separators).
unsigned FinalPath(const std::string& folder, std::string& finalPath) {
    return OnUnixPath(folder, [&](const std::string& unix) {
        const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(unix.c_str(), nullptr),
                                                                   &std::free);
        if (!resolved)
            return FromErrno(errno, unix);
        finalPath = resolved.get();
        for (char& c : finalPath)
            c = c == '/' ? '\\' : c;
        return 0u;
    });
}

} // namespace os
