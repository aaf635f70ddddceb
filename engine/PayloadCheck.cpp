#include "engine/PayloadCheck.h"

#include "engine/Manifest.h"
#include "runtime/Digest.h"
#include "runtime/Errors.h"
#include "runtime/Text.h"

#include <cstring>

namespace engine {

namespace {

std::vector<std::string> LinesOf(const Blob& blob) {
    return rt::SplitLines(std::string(blob.Data(), blob.Size()));
}

// Walks the recorded digests in order, one blob at a time.
class RecordedDigests {
  public:
    explicit RecordedDigests(const Blob& digests) : digests_(digests) {}

    // Whether blob is what the next digest records.
    bool NextMatches(const Blob& blob) {
        const os::Sha256Digest digest = rt::Sha256Of(blob.Data(), blob.Size());
        if (used_ + digest.size() > digests_.Size())
            return false;
        const bool same = std::memcmp(digests_.Data() + used_, digest.data(), digest.size()) == 0;
        used_ += digest.size();
        return same;
    }
    bool AllUsed() const { return used_ == digests_.Size(); }

  private:
    const Blob& digests_;
    std::size_t used_ = 0;
};

} // namespace

bool PayloadIsWhole(const PayloadStore& store) {
    try {
        const Blob digests = store.Open(kDigestsName, kDigestsType);
        RecordedDigests recorded(digests);
        // The manifest first: only a whole manifest tells which blobs there must be.
        const Blob manifest = store.Open(kManifestName, kManifestType);
        if (!recorded.NextMatches(manifest))
            return false;
        for (const std::string& line : LinesOf(manifest)) {
            const ManifestEntry entry = SplitManifestLine(line);
            if (!recorded.NextMatches(store.Open(entry.name, entry.type)))
                return false;
        }
        return recorded.AllUsed();
    } catch (const rt::IoError&) {
        throw; // the hash provider failed: that says nothing of the payload
    } catch (const rt::Error&) {
        return false; // a blob, or the digests, missing
    }
}

} // namespace engine
