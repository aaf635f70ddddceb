#include "runtime/Digest.h"

#include "runtime/Errors.h"
#include "runtime/OsSeam.h"

namespace rt {

std::string Sha256Hex(const void* data, std::size_t size) {
    os::Sha256Digest digest;
    if (const unsigned code = os::Sha256(data, size, digest))
        throw IoError(code);
    static const char kHexDigits[] = "0123456789abcdef";
    std::string hex;
    for (const std::uint8_t byte : digest) {
        hex += kHexDigits[byte >> 4];
        hex += kHexDigits[byte & 0x0F];
    }
    return hex;
}

} // namespace rt
