// A payload store backed by a payload folder, for tests and benchmarks: the manifest
// "Count.dat" at its root and every blob the manifest lists as a file laid out as it
// will be installed (lines 1 to 5 at the root, line 6 in "data", the daily lines in
// "data\day"), named by the file-name part of the line's source path. The build reads
// the same layout.
#pragma once

#include "engine/PayloadStore.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

class FolderStore : public engine::PayloadStore {
  public:
    // Indexes the folder's manifest and records the payload's digest, as the build does;
    // raises the reader's I/O errors. A blob changed afterwards no longer matches it.
    explicit FolderStore(std::string folder);
    // Reads the blob's file when it is first opened and keeps the bytes as long as the
    // store, as a program's resources stay mapped.
    engine::Blob Open(const std::string& name, const std::string& type) const override;

  private:
    using Key = std::pair<std::string, std::string>; // (TYPE, NAME)
    std::string folder_;
    std::map<Key, std::string> files_; // the blob's path
    mutable std::map<Key, std::vector<char>> read_;
    std::string digest_; // served as the digest resource
};

} // namespace testing_support
