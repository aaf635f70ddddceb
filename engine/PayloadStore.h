// The payload store: read-only blobs identified by (type, name), letter case ignored.
// On Windows it is the executable's own resources (ResourceStore_win32.cpp); the
// tests' folder-backed store (tests/support/FolderStore.h) serves the same interface.
#pragma once

#include <cstddef>
#include <string>

namespace engine {

// A view of one blob's bytes, valid as long as the store that gave it. The resource
// store's blobs point straight into the mapped executable.
class Blob {
  public:
    Blob(const void* data, std::size_t size) : data_(static_cast<const char*>(data)), size_(size) {}

    const char* Data() const { return data_; }
    std::size_t Size() const { return size_; }

  private:
    const char* data_;
    std::size_t size_;
};

class PayloadStore {
  public:
    virtual ~PayloadStore() = default;
    // Raises "Resource %s not found" with name as asked when there is no such blob.
    virtual Blob Open(const std::string& name, const std::string& type) const = 0;
};

// The error for a blob the store does not hold.
[[noreturn]] void ThrowResourceNotFound(const std::string& name);

// ASCII upper case, as resource compilers keep names and types.
std::string UpperCase(std::string text);

} // namespace engine
