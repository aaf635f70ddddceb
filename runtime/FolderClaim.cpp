#include "runtime/FolderClaim.h"

#include "runtime/Text.h"

#include <cstdio>

namespace rt {

std::string FolderClaim::NameOf(const std::string& folder) {
    std::string path = FoldCase(os::FullPathName(StripBlanks(folder)));
    while (path.size() > 3 && EndsWithSeparator(path))
        path.pop_back();
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a: a short name of fixed form
    for (const char byte : path)
        hash = (hash ^ static_cast<unsigned char>(byte)) * 1099511628211ull;
    char name[40];
    std::snprintf(name, sizeof name, "SetupFolder-%016llx", static_cast<unsigned long long>(hash));
    return name;
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
