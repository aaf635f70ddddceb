// What the files of the POSIX seam share: the Unix form of a path, the Windows code for
// an errno value, the read-only attribute from the mode. For those files only.
#pragma once

#include "runtime/OsSeam.h"
#include "runtime/SeamChanges.h"

#include <string>
#include <sys/stat.h>

namespace os {
namespace posix {

// "\" becomes "/", a drive prefix the root.
std::string ToUnix(const std::string& path);
// The Windows code the primitives report for an errno value met on unixPath.
unsigned FromErrno(int error, const std::string& unixPath);
// The outcome of a call that answers 0 or sets errno.
unsigned Outcome(int result, const std::string& unixPath);
// A file whose owner may not write it (a folder never is).
bool IsReadOnly(const struct stat& info);
// The Windows attribute bits of what lstat found at unixPath (a link's by what it leads to).
std::uint32_t AttributesOf(const std::string& unixPath, const struct stat& linkInfo);

// Telling the changes the seam makes to whoever listens (runtime/SeamChanges.h): each
// call that makes one tells it; the files open, by the path they were opened by, are
// kept only while someone listens.
void Tell(Change::Kind kind, const std::string& path, const std::string& to = "", std::string bytes = "",
          std::uint32_t attributes = 0);
// Tells of a change when the call that made it succeeded; answers its code.
unsigned Told(unsigned code, Change::Kind kind, const std::string& path, const std::string& to = "",
              std::uint32_t attributes = 0);
// The code a test's refusal answers a flush with (runtime/SeamChanges.h), or 0.
unsigned Refused(Change::Kind kind, const std::string& path);
// Whether flushes are told without being made (runtime/SeamChanges.h).
bool& FlushesPretended();
void RememberOpenPath(FileHandle file, const std::string& path);
void ForgetOpenPath(FileHandle file);
std::string PathOf(FileHandle file);

// Runs an operation on the Unix form of a path that fits; code 206 for one that does not.
template <class Operation> unsigned OnUnixPath(const std::string& path, Operation operation) {
    if (!FitsMaxPath(path))
        return kErrorFilenameTooLong;
    return operation(ToUnix(path));
}

} // namespace posix
} // namespace os
