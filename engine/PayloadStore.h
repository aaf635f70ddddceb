// The payload store: read-only blobs identified by (type, name), letter case ignored.
// On Windows it is the executable's own resources (ResourceStore_win32.cpp); the
// tests' folder-backed store (tests/support/FolderStore.h) serves the same interface.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace engine {

// Read access to one blob's bytes. The resource store's blobs point straight into
// the mapped executable; a folder store's blob owns the bytes it read.
class Blob {
  public:
    Blob(const void* data, std::size_t size) : data_(static_cast<const char*>(data)), size_(size) {}
    explicit Blob(std::vector<char> bytes)
        : owned_(std::move(bytes)), data_(owned_.data()), size_(owned_.size()) {}
    Blob(Blob&&) = default;
    Blob& operator=(Blob&&) = default;
    Blob(const Blob&) = delete;
    Blob& operator=(const Blob&) = delete;

    const char* Data() const { return data_; }
    std::size_t Size() const { return size_; }

  private:
    std::vector<char> owned_;
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
