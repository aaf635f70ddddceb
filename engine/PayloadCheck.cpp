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

void AppendDigestOf(const Blob& blob, std::string& digests) {
    const os::Sha256Digest digest = rt::Sha256Of(blob.Data(), blob.Size());
    digests.append(reinterpret_cast<const char*>(digest.data()), digest.size());
}

} // namespace

bool PayloadIsWhole(const PayloadStore& store) {
    try {
        const Blob recorded = store.Open(kDigestsName, kDigestsType);
        // The manifest first: only the manifest tells which blobs there must be.
        const Blob manifest = store.Open(kManifestName, kManifestType);
        std::string digests;
        AppendDigestOf(manifest, digests);
        for (const std::string& line : LinesOf(manifest)) {
            const ManifestEntry entry = SplitManifestLine(line);
            AppendDigestOf(store.Open(entry.name, entry.type), digests);
        }
        const os::Sha256Digest whole = rt::Sha256Of(digests.data(), digests.size());
        return recorded.Size() == whole.size() &&
               std::memcmp(recorded.Data(), whole.data(), whole.size()) == 0;
    } catch (const rt::IoError&) {
        throw; // the hash provider failed: that says nothing of the payload
    } catch (const rt::Error&) {
        return false; // a blob, or the digest, missing
    }
}

} // namespace engine
