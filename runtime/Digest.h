// The SHA-256 digest of bytes, by the system's hash provider.
#pragma once

#include "runtime/OsSeam.h"

#include <cstddef>

namespace rt {

// Raises the I/O error for the system's code when the provider fails.
os::Sha256Digest Sha256Of(const void* data, std::size_t size);

} // namespace rt
