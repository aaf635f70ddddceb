// A payload store backed by a payload folder, for tests and benchmarks: the manifest
// "Count.dat" at its root and every blob the manifest lists as a file laid out as it
// will be installed (lines 1 to 5 at the root, line 6 in "data", the daily lines in
// "data\day"), named by the file-name part of the line's source path. The build reads
// the same layout.
#pragma once

#include "engine/PayloadStore.h"

#include <map>
#include <utility>

namespace testing_support {

class FolderStore : public engine::PayloadStore {
  public:
    // Indexes the folder's manifest; raises the reader's I/O errors.
    explicit FolderStore(std::string folder);
    engine::Blob Open(const std::string& name, const std::string& type) const override;

  private:
    std::string folder_;
    std::map<std::pair<std::string, std::string>, std::string> files_; // (TYPE, NAME) -> path
};

} // namespace testing_support
