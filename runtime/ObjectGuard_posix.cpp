// Looking at a file or folder on an open descriptor, over the POSIX seam: the owner and
// mode stand for the owner and access list Windows would read.
#include "runtime/OsSeam.h"
#include "runtime/PosixSeam.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace os {

using posix::FromErrno;
using posix::IsReadOnly;
using posix::OnUnixPath;

// The object itself, a link included (O_PATH), held by its descriptor. Unix has no
// deletion sharing to deny, so holding it keeps no one from renaming it.
unsigned OpenToInspect(const std::string& path, FileHandle& object) {
    object = kNoFile;
    return OnUnixPath(path, [&](const std::string& unix) {
        const int fd = open(unix.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            return FromErrno(errno, unix);
        object = fd;
        return 0u;
    });
}

unsigned ReadAttributes(FileHandle object, std::uint32_t& attributes) {
    struct stat info;
    if (fstat(static_cast<int>(object), &info) != 0)
        return FromErrno(errno, "");
    attributes = S_ISLNK(info.st_mode)
                     ? kAttrReparsePoint
                     : (S_ISDIR(info.st_mode) ? kAttrDirectory
                                              : kAttrArchive | (IsReadOnly(info) ? kAttrReadOnly : 0));
    return 0;
}

unsigned OpenToHold(const std::string& folder, FileHandle& object) {
    return OpenToInspect(folder, object);
}

// The owner stands for the accounts the program trusts when it is root or the program's
// own user; the group and others' write bits for grants of change to anyone else. In a
// folder with the sticky bit (/tmp) others may rename only their own entries.
unsigned ReadGuard(FileHandle object, Guard& guard, Changes changes) {
    struct stat info;
    if (fstat(static_cast<int>(object), &info) != 0)
        return FromErrno(errno, "");
    const bool trustedOwner = info.st_uid == 0 || info.st_uid == geteuid();
    const bool othersWrite = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    const bool othersRename = othersWrite && !(S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX));
    guard = trustedOwner && !(changes == Changes::Renames ? othersRename : othersWrite) ? Guard::Protected
                                                                                        : Guard::OpenToOthers;
    return 0;
}

} // namespace os
