// Folder searches over the POSIX seam: a pattern's folder read with readdir, names
// matched with fnmatch, "*.*" matching names without a dot as on Windows.
#include "runtime/OsSeam.h"
#include "runtime/PosixSeam.h"

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

namespace os {

using posix::AttributesOf;
using posix::FromErrno;
using posix::ToUnix;

namespace {

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

} // namespace

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

} // namespace os
