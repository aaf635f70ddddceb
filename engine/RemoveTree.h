// Removal of a folder with everything beneath it. Reports by result only.
#pragma once

#include <string>

namespace engine {

// Removes folder (used as given) depth first, clearing each entry's attributes first
// (16 on a folder, 0 on a file). The first entry that cannot be removed stops the
// enumeration; what was removed before stays removed. A link (junction or symbolic
// link) is removed as a link and never descended into. True only when folder itself
// is gone. Raises nothing.
bool RemoveTree(const std::string& folder);

} // namespace engine
