// The owner of one file open through the OS seam, and the one place where the files of
// the primitives are closed: when the owner goes, when it is closed, and before it
// opens another. Move-only, so that a file has one owner and is closed once.
#pragma once

#include "runtime/OsSeam.h"

#include <string>
#include <utility>

namespace rt {

class OwnedFile {
  public:
    OwnedFile() = default;
    ~OwnedFile() { Close(); }
    OwnedFile(OwnedFile&& other) noexcept : file_(std::exchange(other.file_, os::kNoFile)) {}
    OwnedFile& operator=(OwnedFile&& other) noexcept {
        if (this != &other) {
            Close();
            file_ = std::exchange(other.file_, os::kNoFile);
        }
        return *this;
    }
    OwnedFile(const OwnedFile&) = delete;
    OwnedFile& operator=(const OwnedFile&) = delete;

    // Each closes the file held, then opens as the seam's call of the same name does.
    // Answers 0 or the system's code; after a failure no file is held.
    unsigned OpenForReading(const std::string& path) {
        Close();
        return os::OpenForReading(path, file_);
    }
    unsigned CreateNewForWriting(const std::string& path) {
        Close();
        return os::CreateNewForWriting(path, file_);
    }

    unsigned OpenToInspect(const std::string& path) {
        Close();
        return os::OpenToInspect(path, file_);
    }
    unsigned OpenToHold(const std::string& folder) {
        Close();
        return os::OpenToHold(folder, file_);
    }

    bool IsOpen() const { return file_ != os::kNoFile; }
    os::FileHandle Handle() const { return file_; }

    // Closes the file held, if any.
    void Close() {
        os::Close(file_);
        file_ = os::kNoFile;
    }

  private:
    os::FileHandle file_ = os::kNoFile;
};

} // namespace rt
