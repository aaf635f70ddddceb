// Whether the payload is whole: the manifest and every blob it names against the
// SHA-256 digest the build recorded for each (tools/make_payload_rc.py), in a resource
// of a type of its own. A damaged or truncated program is found before anything is
// written.
#pragma once

#include "engine/PayloadStore.h"

namespace engine {

// The digests: the manifest's 32-byte digest, then one for the blob each manifest line
// names, in manifest order, with nothing between them.
constexpr const char* kDigestsName = "SHA256";
constexpr const char* kDigestsType = "PAYLOADDIGESTS";

// False when a blob differs from its recorded digest, has none, or is missing, or when
// the digests themselves are missing or do not fit the manifest.
bool PayloadIsWhole(const PayloadStore& store);

} // namespace engine
