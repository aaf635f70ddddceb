// A description of everything under a folder, to compare the disk before and after an
// action: relative path -> "folder", or a file's size, content hash, read-only and
// hidden attributes and last-write time.
#pragma once

#include <map>
#include <string>

namespace testing_support {

using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::string& folder);

} // namespace testing_support
