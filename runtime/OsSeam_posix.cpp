// The OS seam over POSIX, for host tests and the host benchmark. It maps the Windows
// view onto a Unix file system: "\" becomes "/", a drive prefix such as "C:" becomes
// the root, errno values become the Windows codes the primitives report, sharing is
// emulated with advisory locks and the read-only attribute with the owner's write bit
// (which is honoured here even for root, as Windows would).
#include "runtime/OsSeam.h"
#include "runtime/SeamChanges.h"
#include "runtime/Text.h"

#include <openssl/sha.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <map>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace os {

namespace {

// Who is told of the changes, and the path each open file was opened by (kept only while
// someone listens).
std::function<void(const Change&)>& Listener() {
    static std::function<void(const Change&)> listener;
    return listener;
}
std::map<FileHandle, std::string>& OpenPaths() {
    static std::map<FileHandle, std::string> paths;
    return paths;
}

void Tell(Change::Kind kind, const std::string& path, const std::string& to = "", std::string bytes = "",
          std::uint32_t attributes = 0) {
    if (Listener())
        Listener()(Change{kind, path, to, std::move(bytes), attributes});
}

std::string PathOf(FileHandle file) {
    const auto found = OpenPaths().find(file);
    return found == OpenPaths().end() ? "" : found->second;
}

// Tells of a change when the call that made it succeeded; answers its code.
unsigned Told(unsigned code, Change::Kind kind, const std::string& path, const std::string& to = "",
              std::uint32_t attributes = 0) {
    if (code == 0)
        Tell(kind, path, to, "", attributes);
    return code;
}

std::string ToUnix(const std::string& path) {
    std::string unix = path;
    if (unix.size() >= 2 && unix[1] == ':')
        unix.erase(0, 2);
    for (std::size_t i = 0; i < unix.size(); ++i) {
        if (rt::IsLeadByte(static_cast<unsigned char>(unix[i])) && i + 1 < unix.size())
            ++i; // a trail byte 0x5C is part of its character, not a separator
        else if (unix[i] == '\\')
            unix[i] = '/';
    }
    return unix;
}

bool ParentExists(const std::string& unixPath) {
    const std::size_t slash = unixPath.find_last_of('/');
    if (slash == std::string::npos)
        return true;
    struct stat info;
    return stat(slash == 0 ? "/" : unixPath.substr(0, slash).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

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
    // Truncate only once the lock is held, as a refused Windows open changes nothing.
    if (flags & O_CREAT && ftruncate(fd, 0) != 0) {
        const int error = errno;
        close(fd);
        return FromErrno(error, unix);
    }
    file = fd;
    if (Listener()) {
        OpenPaths()[file] = path;
        if (flags & O_CREAT)
            Tell(Change::Kind::CreateFile, path);
    }
    return 0;
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

void FillEntry(const std::string& unixPath, const std::string& name, const struct stat& info,
               FoundEntry& entry) {
    entry.name = name;
    entry.attributes = AttributesOf(unixPath, info);
    struct tm local;
    const time_t when = info.st_mtime;
    entry.lastWriteFitsDosTime =
        localtime_r(&when, &local) != nullptr && local.tm_year + 1900 >= 1980 && local.tm_year + 1900 <= 2107;
}

struct Search {
    DIR* dir = nullptr;
    std::string folder;
    std::string mask; // fnmatch pattern
};

bool NextMatch(Search& search, FoundEntry& entry) {
    while (dirent* item = readdir(search.dir)) {
        if (fnmatch(search.mask.c_str(), item->d_name, 0) != 0)
            continue;
        const std::string path = search.folder + "/" + item->d_name;
        struct stat info;
        if (lstat(path.c_str(), &info) != 0)
            continue;
        FillEntry(path, item->d_name, info, entry);
        return true;
    }
    return false;
}

// Runs an operation on the Unix form of a path that fits; code 206 for one that does not.
template <class Operation> unsigned OnUnixPath(const std::string& path, Operation operation) {
    if (!FitsMaxPath(path))
        return kErrorFilenameTooLong;
    return operation(ToUnix(path));
}

// The outcome of a call that answers 0 or sets errno.
unsigned Outcome(int result, const std::string& unixPath) {
    return result == 0 ? 0 : FromErrno(errno, unixPath);
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

Identity IdentityOf(const struct stat& info) {
    Identity identity;
    identity.volume = static_cast<std::uint64_t>(info.st_dev);
    identity.index = static_cast<std::uint64_t>(info.st_ino);
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

unsigned CreateForWriting(const std::string& path, FileHandle& file) {
    return OpenFile(path, O_RDWR | O_CREAT, LOCK_EX, file);
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
    Tell(Change::Kind::Flush, PathOf(file));
    return fsync(static_cast<int>(file)) == 0 ? 0 : FromErrno(errno, "");
}

unsigned FlushVolume(const std::string& folder) {
    Tell(Change::Kind::FlushVolume, folder);
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
    OpenPaths().erase(file);
}

void ListenToChanges(std::function<void(const Change&)> listener) {
    Listener() = std::move(listener);
    OpenPaths().clear();
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

unsigned ReadIdentity(FileHandle file, const std::string&, Identity& identity) {
    struct stat info;
    if (fstat(static_cast<int>(file), &info) != 0)
        return FromErrno(errno, "");
    identity = IdentityOf(info);
    return 0;
}

unsigned ReadIdentity(const std::string& path, FinalLink finalLink, Identity& identity) {
    return OnUnixPath(path, [&](const std::string& unix) {
        struct stat info;
        const int result =
            finalLink == FinalLink::Followed ? stat(unix.c_str(), &info) : lstat(unix.c_str(), &info);
        if (result != 0)
            return FromErrno(errno, unix);
        identity = IdentityOf(info);
        return 0u;
    });
}

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

// The owner stands for the accounts the program trusts when it is root or the program's
// own user; the group and others' write bits for grants of change to anyone else.
unsigned ReadGuard(FileHandle object, Guard& guard) {
    struct stat info;
    if (fstat(static_cast<int>(object), &info) != 0)
        return FromErrno(errno, "");
    const bool trustedOwner = info.st_uid == 0 || info.st_uid == geteuid();
    guard = trustedOwner && !(info.st_mode & (S_IWGRP | S_IWOTH)) ? Guard::Protected : Guard::OpenToOthers;
    return 0;
}

// The program's own user becomes the owner, and the group and others may read and run.
unsigned TakeOver(FileHandle object, const std::string&) {
    const int fd = openat(static_cast<int>(object), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return FromErrno(errno, "");
    const bool taken = fchown(fd, geteuid(), static_cast<gid_t>(-1)) == 0 && fchmod(fd, 0755) == 0;
    const int error = errno;
    close(fd);
    return taken ? 0 : FromErrno(error, "");
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

unsigned FindFirst(const std::string& pattern, SearchHandle& search, FoundEntry& entry) {
    search = kNoSearch;
    if (!FitsMaxPath(pattern))
        return kErrorFilenameTooLong;
    const std::string unix = ToUnix(pattern);
    const std::size_t slash = unix.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : unix.substr(0, slash));
    std::string mask = slash == std::string::npos ? unix : unix.substr(slash + 1);
    if (mask == "*.*")
        mask = "*"; // as on Windows, "*.*" also matches names without a dot
    auto* state = new Search{opendir(folder.c_str()), folder, mask};
    if (!state->dir) {
        const unsigned code = FromErrno(errno, folder + "/x");
        delete state;
        return code == kErrorFileNotFound ? kErrorPathNotFound : code;
    }
    if (!NextMatch(*state, entry)) {
        FindClose(reinterpret_cast<SearchHandle>(state));
        return kErrorFileNotFound;
    }
    search = reinterpret_cast<SearchHandle>(state);
    return 0;
}

unsigned FindNext(SearchHandle search, FoundEntry& entry) {
    return NextMatch(*reinterpret_cast<Search*>(search), entry) ? 0 : kErrorNoMoreFiles;
}

void FindClose(SearchHandle search) {
    if (search == kNoSearch)
        return;
    auto* state = reinterpret_cast<Search*>(search);
    closedir(state->dir);
    delete state;
}

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

// The host's tests use ASCII texts only: each byte stands for itself.
WideText Widened(const std::string& text) {
    WideText wide;
    wide.chars.insert(wide.chars.begin(), text.begin(), text.end());
    return wide;
}

std::string FormattedV(const char* format, std::va_list args) {
    std::va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0)
        std::vsnprintf(&text[0], text.size() + 1, format, args);
    return text;
}

std::string FullPathName(const std::string& path) {
    if (!path.empty() && (path[0] == '\\' || path[0] == '/' || (path.size() >= 2 && path[1] == ':')))
        return path;
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) + "/" + path : path;
}

std::string SystemMessage(unsigned code) {
    switch (code) {
    case kErrorFileNotFound:
        return "The system cannot find the file specified.\r\n";
    case kErrorPathNotFound:
        return "The system cannot find the path specified.\r\n";
    case kErrorAccessDenied:
        return "Access is denied.\r\n";
    case kErrorSharingViolation:
        return "The process cannot access the file because it is being used by another process.\r\n";
    case kErrorDiskFull:
        return "There is not enough space on the disk.\r\n";
    case kErrorAlreadyExists:
        return "Cannot create a file when that file already exists.\r\n";
    case kErrorFilenameTooLong:
        return "The filename or extension is too long.\r\n";
    default:
        return "";
    }
}

unsigned Sha256(const void* data, std::size_t size, Sha256Digest& digest) {
    SHA256(static_cast<const unsigned char*>(data), size, digest.data());
    return 0;
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
