// The OS seam over POSIX, for host tests and the host benchmark: files and folders. What
// an object's owner and mode allow is in ObjectGuard_posix.cpp, the folder claim in
// FolderClaim_posix.cpp, texts and the hash in SystemServices_posix.cpp. It maps the Windows
// view onto a Unix file system: "\" becomes "/", a drive prefix such as "C:" becomes
// the root, errno values become the Windows codes the primitives report, sharing is
// emulated with advisory locks and the read-only attribute with the owner's write bit
// (which is honoured here even for root, as Windows would).
#include "runtime/OsSeam.h"
#include "runtime/PosixSeam.h"
#include "runtime/SeamChanges.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace os {

namespace posix {

std::string ToUnix(const std::string& path) {
    std::string unix = path;
    if (unix.size() >= 2 && unix[1] == ':')
        unix.erase(0, 2);
    for (char& c : unix)
        if (c == '\\')
            c = '/';
    return unix;
}

namespace {

bool ParentExists(const std::string& unixPath) {
    const std::size_t slash = unixPath.find_last_of('/');
    if (slash == std::string::npos)
        return true;
    struct stat info;
    return stat(slash == 0 ? "/" : unixPath.substr(0, slash).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

unsigned FromErrno(int error, const std::string& unixPath) {
    switch (error) {
    case ENOENT:
        return ParentExists(unixPath) ? kErrorFileNotFound : kErrorPathNotFound;
    case ENOTDIR:
        return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return kErrorAccessDenied;
    case EEXIST:
        return kErrorAlreadyExists;
    case ENOSPC:
    case EDQUOT:
        return kErrorDiskFull;
    case ENOTEMPTY:
        return kErrorDirNotEmpty;
    case ENAMETOOLONG:
        return kErrorFilenameTooLong;
    case EWOULDBLOCK:
        return kErrorSharingViolation;
    case EMFILE:
    case ENFILE:
        return 4;
    default:
        return 31; // ERROR_GEN_FAILURE
    }
}

bool IsReadOnly(const struct stat& info) {
    return !S_ISDIR(info.st_mode) && !(info.st_mode & S_IWUSR);
}

unsigned Outcome(int result, const std::string& unixPath) {
    return result == 0 ? 0 : FromErrno(errno, unixPath);
}

std::uint32_t AttributesOf(const std::string& unixPath, const struct stat& linkInfo) {
    if (S_ISLNK(linkInfo.st_mode)) {
        struct stat target;
        const bool toFolder = stat(unixPath.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        return kAttrReparsePoint | (toFolder ? kAttrDirectory : kAttrArchive);
    }
    if (S_ISDIR(linkInfo.st_mode))
        return kAttrDirectory;
    return kAttrArchive | (IsReadOnly(linkInfo) ? kAttrReadOnly : 0);
}

} // namespace posix

using posix::AttributesOf;
using posix::ForgetOpenPath;
using posix::FromErrno;
using posix::IsReadOnly;
using posix::OnUnixPath;
using posix::Outcome;
using posix::PathOf;
using posix::RememberOpenPath;
using posix::Tell;
using posix::Told;
using posix::ToUnix;

namespace {

unsigned OpenFile(const std::string& path, int flags, int lock, FileHandle& file) {
    file = kNoFile;
    if (!FitsMaxPath(path))
        return kErrorFilenameTooLong;
    const std::string unix = ToUnix(path);
    struct stat info;
    if ((flags & O_WRONLY || flags & O_RDWR) && stat(unix.c_str(), &info) == 0 && IsReadOnly(info))
        return kErrorAccessDenied;
    const int fd = open(unix.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0)
        return FromErrno(errno, unix);
    if (flock(fd, lock | LOCK_NB) != 0) {
        close(fd);
        return kErrorSharingViolation;
    }
    file = fd;
    RememberOpenPath(file, path);
    if (flags & O_CREAT)
        Tell(Change::Kind::CreateFile, path);
    return 0;
}

// A file open elsewhere (without delete sharing) can be neither deleted nor renamed
// on Windows; the tests' holders take an advisory lock.
bool InUse(const std::string& unix, const struct stat& info) {
    if (S_ISLNK(info.st_mode) || S_ISDIR(info.st_mode))
        return false;
    const int fd = open(unix.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool inUse = flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);
    return inUse;
}

bool identitiesMoveWithRenames = false;

// The identity of what path names. Where identities move with renames, the name it is
// found under is part of it, as an entry's place is on FAT.
Identity IdentityOf(const struct stat& info, std::string path) {
    Identity identity;
    identity.volume = static_cast<std::uint64_t>(info.st_dev);
    identity.index = static_cast<std::uint64_t>(info.st_ino);
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    if (identitiesMoveWithRenames)
        identity.index ^= std::hash<std::string>()(path.substr(path.find_last_of('\\') + 1)) << 1;
    return identity;
}

// Deletes a file as Windows would: never a folder, a read-only file or one in use.
unsigned RemoveUnixFile(const std::string& unix) {
    struct stat info;
    if (lstat(unix.c_str(), &info) != 0)
        return FromErrno(errno, unix);
    if (S_ISDIR(info.st_mode) || IsReadOnly(info))
        return kErrorAccessDenied;
    if (InUse(unix, info))
        return kErrorSharingViolation;
    return Outcome(unlink(unix.c_str()), unix);
}

} // namespace

unsigned OpenForReading(const std::string& path, FileHandle& file) {
    return OpenFile(path, O_RDONLY, LOCK_SH, file);
}

unsigned CreateNewForWriting(const std::string& path, FileHandle& file) {
    return OpenFile(path, O_RDWR | O_CREAT | O_EXCL, LOCK_EX, file);
}

unsigned Read(FileHandle file, void* buffer, std::size_t size, std::size_t& read) {
    const ssize_t count = ::read(static_cast<int>(file), buffer, size);
    read = count > 0 ? static_cast<std::size_t>(count) : 0;
    return count < 0 ? FromErrno(errno, "") : 0;
}

namespace {

unsigned WriteAll(FileHandle file, const void* data, std::size_t size, std::size_t& written) {
    written = 0;
    while (written < size) {
        const ssize_t count =
            ::write(static_cast<int>(file), static_cast<const char*>(data) + written, size - written);
        if (count <= 0)
            return count < 0 ? FromErrno(errno, "") : kErrorDiskFull;
        written += static_cast<std::size_t>(count);
    }
    return 0;
}

} // namespace

unsigned Write(FileHandle file, const void* data, std::size_t size, std::size_t& written) {
    const unsigned code = WriteAll(file, data, size, written);
    if (code == 0)
        Tell(Change::Kind::Write, PathOf(file), "", std::string(static_cast<const char*>(data), size));
    return code;
}

unsigned Flush(FileHandle file) {
    if (const unsigned refused = posix::Refused(Change::Kind::Flush, PathOf(file)))
        return refused;
    Tell(Change::Kind::Flush, PathOf(file));
    if (posix::FlushesPretended())
        return 0;
    return fsync(static_cast<int>(file)) == 0 ? 0 : FromErrno(errno, "");
}

// The file is closed on every way out: the host tests stop a run inside the flush.
unsigned FlushFile(const std::string& path) {
    struct Closing {
        FileHandle file = kNoFile;
        ~Closing() { Close(file); }
    } opened;
    const unsigned code = OpenFile(path, O_WRONLY | O_NOFOLLOW, LOCK_SH, opened.file);
    return code != 0 ? code : Flush(opened.file);
}

unsigned FlushVolume(const std::string& folder) {
    if (const unsigned refused = posix::Refused(Change::Kind::FlushVolume, folder))
        return refused;
    Tell(Change::Kind::FlushVolume, folder);
    if (posix::FlushesPretended())
        return 0;
    return OnUnixPath(folder, [](const std::string& unix) {
        const int fd = open(unix.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return FromErrno(errno, unix);
        const int result = syncfs(fd);
        close(fd);
        return result == 0 ? 0u : FromErrno(errno, unix);
    });
}

void Close(FileHandle file) {
    if (file != kNoFile)
        close(static_cast<int>(file));
    ForgetOpenPath(file);
}

unsigned ReadAttributes(const std::string& path, std::uint32_t& attributes) {
    return OnUnixPath(path, [&](const std::string& unix) {
        struct stat info;
        if (lstat(unix.c_str(), &info) != 0)
            return FromErrno(errno, unix);
        attributes = AttributesOf(unix, info);
        return 0u;
    });
}

unsigned WriteAttributes(const std::string& path, std::uint32_t attributes) {
    return Told(OnUnixPath(path,
                           [&](const std::string& unix) {
                               struct stat info;
                               if (lstat(unix.c_str(), &info) != 0)
                                   return FromErrno(errno, unix);
                               if (S_ISLNK(info.st_mode) || S_ISDIR(info.st_mode))
                                   return 0u;
                               const mode_t mode = (attributes & kAttrReadOnly) ? (info.st_mode & ~0222)
                                                                                : (info.st_mode | S_IWUSR);
                               return Outcome(chmod(unix.c_str(), mode & 07777), unix);
                           }),
                Change::Kind::SetAttributes, path, "", attributes);
}

// A folder with a security descriptor of its own stands in for one whose users may read
// and run but not write: no write bit for group and others, whatever the umask allows.
unsigned MakeFolder(const std::string& path, const std::string& securityDescriptor) {
    const mode_t mode = securityDescriptor.empty() ? 0777 : 0755;
    return Told(
        OnUnixPath(path,
                   [mode](const std::string& unix) { return Outcome(mkdir(unix.c_str(), mode), unix); }),
        Change::Kind::MakeFolder, path);
}

unsigned MoveEntry(const std::string& from, const std::string& to) {
    if (!FitsMaxPath(from) || !FitsMaxPath(to))
        return kErrorFilenameTooLong;
    const std::string unixFrom = ToUnix(from), unixTo = ToUnix(to);
    struct stat info;
    if (lstat(unixFrom.c_str(), &info) != 0)
        return FromErrno(errno, unixFrom);
    if (InUse(unixFrom, info))
        return kErrorSharingViolation;
    if (lstat(unixTo.c_str(), &info) == 0)
        return kErrorAlreadyExists; // rename() would replace it
    return Told(Outcome(rename(unixFrom.c_str(), unixTo.c_str()), unixTo), Change::Kind::Move, from, to);
}

void IdentitiesMoveWithRenames(bool moving) {
    identitiesMoveWithRenames = moving;
}

unsigned ReadIdentity(FileHandle file, const std::string& path, Identity& identity) {
    struct stat info;
    if (fstat(static_cast<int>(file), &info) != 0)
        return FromErrno(errno, "");
    identity = IdentityOf(info, path);
    return 0;
}

unsigned ReadIdentity(const std::string& path, FinalLink finalLink, Identity& identity) {
    return OnUnixPath(path, [&](const std::string& unix) {
        struct stat info;
        const int result =
            finalLink == FinalLink::Followed ? stat(unix.c_str(), &info) : lstat(unix.c_str(), &info);
        if (result != 0)
            return FromErrno(errno, unix);
        identity = IdentityOf(info, path);
        return 0u;
    });
}

unsigned RemoveFolder(const std::string& path) {
    return Told(OnUnixPath(path,
                           [](const std::string& unix) {
                               struct stat info;
                               // A link to a folder is removed as a link, as Windows removes a junction.
                               if (lstat(unix.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
                                   return Outcome(unlink(unix.c_str()), unix);
                               return Outcome(rmdir(unix.c_str()), unix);
                           }),
                Change::Kind::RemoveFolder, path);
}

unsigned RemoveFile(const std::string& path) {
    return Told(OnUnixPath(path, RemoveUnixFile), Change::Kind::RemoveFile, path);
}

// The host has no restart to wait for: the caller is told the file stays.
unsigned DeleteAtRestart(const std::string&) {
    return kErrorAccessDenied;
}

unsigned FreeSpace(const std::string& folder, std::uint64_t& freeBytes, std::uint64_t& unitBytes) {
    const std::string unixPath = ToUnix(folder);
    struct statvfs volume;
    if (statvfs(unixPath.c_str(), &volume) != 0)
        return FromErrno(errno, unixPath);
    freeBytes = static_cast<std::uint64_t>(volume.f_bavail) * volume.f_frsize;
    unitBytes = volume.f_bsize;
    return 0;
}

} // namespace os
