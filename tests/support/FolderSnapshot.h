// A description of everything under a folder, to compare the disk before and after an
// action: relative path -> "folder", or a file's size, content hash, read-only and
// hidden attributes and last-write time.
#pragma once

#include <map>
#include <string>

namespace testing_support {

using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::string& folder);
// One file's description as a snapshot gives it; "missing" when there is none.
std::string DescribeFile(const std::string& path);

} // namespace testing_support
