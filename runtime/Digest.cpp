#include "runtime/Digest.h"

#include "runtime/Errors.h"

namespace rt {

os::Sha256Digest Sha256Of(const void* data, std::size_t size) {
    os::Sha256Digest digest;
    if (const unsigned code = os::Sha256(data, size, digest))
        throw IoError(code);
    return digest;
}

} // namespace rt
