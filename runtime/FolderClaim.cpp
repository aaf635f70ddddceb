#include "runtime/FolderClaim.h"

#include "runtime/Errors.h"
#include "runtime/Text.h"

namespace rt {

std::string FolderClaim::NameOf(const std::string& folder) {
    std::string path = FoldCase(os::FullPathName(StripBlanks(folder)));
    while (path.size() > 3 && EndsWithSeparator(path))
        path.pop_back();
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
