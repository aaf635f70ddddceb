// Whether the payload is whole: the manifest and every blob it names against the
// SHA-256 digests the build recorded (tools/make_payload_rc.py), condensed into one
// digest in a resource of a type of its own. A damaged or truncated program is found
// before anything is written.
#pragma once

#include "engine/PayloadStore.h"

namespace engine {

// The digest of the payload: the SHA-256 of the 32-byte SHA-256 digests of the manifest
// and of the blob each manifest line names, in manifest order. One digest for all
// finds a damaged blob as surely as one digest each, and 1,700 digests would add
// 55 KB to the program.
constexpr const char* kDigestsName = "SHA256";
constexpr const char* kDigestsType = "PAYLOADDIGESTS";

// False when a blob (the manifest included) differs from what the build digested or is
// missing, or when the digest itself is missing.
bool PayloadIsWhole(const PayloadStore& store);

} // namespace engine
