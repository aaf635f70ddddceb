#include "runtime/FolderClaim.h"

#include "runtime/Errors.h"
#include "runtime/Text.h"

namespace rt {

namespace {

// The folder as the system names it: the final path of the folder, or of its nearest
// existing ancestor followed by the rest of the path as spelt. The same before and after
// a run makes the folder, so that a second run sees the claim of the first; the spelling
// itself only where no part of the path can be found.
std::string SystemsName(const std::string& path) {
    std::string ancestor = path, rest;
    for (;;) {
        std::string finalPath;
        if (os::FinalPath(ancestor, finalPath) == 0) {
            while (EndsWithSeparator(finalPath)) // a drive root's, as of any other folder
                finalPath.pop_back();
            return finalPath + rest;
        }
        const std::string parent = ContainingFolder(ancestor);
        if (parent.empty() || parent == ancestor)
            return path;
        rest = "\\" + FileNamePart(ancestor) + rest;
        ancestor = parent;
    }
}

} // namespace

std::string FolderClaim::NameOf(const std::string& folder) {
    std::string path = os::FullPathName(StripBlanks(folder));
    while (path.size() > 3 && EndsWithSeparator(path))
        path.pop_back();
    path = FoldCase(SystemsName(path));
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a: a short name of fixed form
    for (const char byte : path)
        hash = (hash ^ static_cast<unsigned char>(byte)) * 1099511628211ull;
    return Format("SetupFolder-%08lx%08lx", static_cast<unsigned long>(hash >> 32),
                  static_cast<unsigned long>(hash & 0xFFFFFFFFu));
}

bool FolderClaim::Take(const std::string& folder) {
    Release();
    return os::TakeClaim(NameOf(folder), claim_) == 0;
}

void FolderClaim::Release() {
    os::ReleaseClaim(claim_);
    claim_ = os::kNoClaim;
}

} // namespace rt
