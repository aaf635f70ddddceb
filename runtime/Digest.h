// The SHA-256 digest of bytes as lower-case hexadecimal, by the system's hash provider.
#pragma once

#include <cstddef>
#include <string>

namespace rt {

// Raises the I/O error for the system's code when the provider fails.
std::string Sha256Hex(const void* data, std::size_t size);

} // namespace rt
