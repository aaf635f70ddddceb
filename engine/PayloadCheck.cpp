#include "engine/PayloadCheck.h"

#include "engine/Manifest.h"
#include "runtime/Digest.h"
#include "runtime/Errors.h"
#include "runtime/Text.h"

#include <map>

namespace engine {

namespace {

std::string DigestOf(const Blob& blob) {
    return rt::Sha256Hex(blob.Data(), blob.Size());
}

std::string KeyOf(const std::string& type, const std::string& name) {
    return UpperCase(type) + " " + UpperCase(name);
}

std::vector<std::string> LinesOf(const Blob& blob) {
    return rt::SplitLines(std::string(blob.Data(), blob.Size()));
}

} // namespace

bool PayloadIsWhole(const PayloadStore& store) {
    try {
        std::map<std::string, std::string> recorded;
        for (std::string line : LinesOf(store.Open(kDigestsName, kDigestsType))) {
            std::string type, name;
            SplitToken(line, ' ', type);
            SplitToken(line, ' ', name);
            recorded[KeyOf(type, name)] = line;
        }
        const auto isWhole = [&](const std::string& name, const std::string& type) {
            const auto digest = recorded.find(KeyOf(type, name));
            return digest != recorded.end() && DigestOf(store.Open(name, type)) == digest->second;
        };
        // The manifest first: only a whole manifest tells which blobs there must be.
        if (!isWhole(kManifestName, kManifestType))
            return false;
        for (const std::string& line : LinesOf(store.Open(kManifestName, kManifestType))) {
            const ManifestEntry entry = SplitManifestLine(line);
            if (!isWhole(entry.name, entry.type))
                return false;
        }
        return true;
    } catch (const rt::IoError&) {
        throw; // the hash provider failed: that says nothing of the payload
    } catch (const rt::Error&) {
        return false; // a blob, or the digests, missing
    }
}

} // namespace engine
