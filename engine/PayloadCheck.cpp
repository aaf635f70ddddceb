#include "engine/PayloadCheck.h"

#include "engine/Manifest.h"
#include "runtime/Digest.h"
#include "runtime/Errors.h"
#include "runtime/Text.h"

#include <cstring>
#include <vector>

namespace engine {

namespace {

std::vector<std::string> LinesOf(const Blob& blob) {
    return rt::SplitLines(std::string(blob.Data(), blob.Size()));
}

void AppendDigestOf(const Blob& blob, std::string& digests) {
    const os::Sha256Digest digest = rt::Sha256Of(blob.Data(), blob.Size());
    digests.append(reinterpret_cast<const char*>(digest.data()), digest.size());
}

// The manifest first, then the blob of each of its lines: only the manifest tells which
// blobs there must be.
std::vector<Blob> BlobsInDigestOrder(const PayloadStore& store) {
    std::vector<Blob> blobs = {store.Open(kManifestName, kManifestType)};
    for (const std::string& line : LinesOf(blobs.front())) {
        const ManifestEntry entry = SplitManifestLine(line);
        blobs.push_back(store.Open(entry.name, entry.type));
    }
    return blobs;
}

} // namespace

void PayloadCheck::Run() noexcept {
    try {
        Check();
    } catch (...) {
        // Back at NotStarted: whoever needs the answer checks again and meets the error.
    }
}

bool PayloadCheck::IsWhole() {
    if (state_ == State::NotStarted)
        Check();
    if (state_ != State::Whole && state_ != State::Damaged)
        throw rt::Error("The payload check was stopped or is still running");
    return state_ == State::Whole;
}

void PayloadCheck::Check() {
    State expected = State::NotStarted;
    if (stopRequested_ || !state_.compare_exchange_strong(expected, State::Running))
        return;
    try {
        state_ = Verdict();
    } catch (...) {
        state_ = State::NotStarted;
        throw;
    }
}

PayloadCheck::State PayloadCheck::Verdict() {
    done_ = 0;
    inAll_ = 0;
    try {
        const Blob recorded = store_.Open(kDigestsName, kDigestsType);
        const std::vector<Blob> blobs = BlobsInDigestOrder(store_);
        std::size_t inAll = 0;
        for (const Blob& blob : blobs)
            inAll += blob.Size();
        inAll_ = inAll;
        std::string digests;
        for (const Blob& blob : blobs) {
            if (stopRequested_)
                return State::NotStarted;
            AppendDigestOf(blob, digests);
            done_ += blob.Size();
        }
        const os::Sha256Digest whole = rt::Sha256Of(digests.data(), digests.size());
        const bool matches =
            recorded.Size() == whole.size() && std::memcmp(recorded.Data(), whole.data(), whole.size()) == 0;
        return matches ? State::Whole : State::Damaged;
    } catch (const rt::IoError&) {
        throw; // the hash provider failed: that says nothing of the payload
    } catch (const rt::Error&) {
        return State::Damaged; // a blob, or the digest, missing
    }
}

bool PayloadIsWhole(const PayloadStore& store) {
    PayloadCheck check(store);
    return check.IsWhole();
}

} // namespace engine
