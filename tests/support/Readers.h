// Small readers the tests share: the message of the error an action raises, the lines
// of a text file, and where a journal's last checkpoint stands.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// The message of the rt::Error the action raises, or "<no error>".
std::string ErrorMessageOf(const std::function<void()>& action);

// The file's lines, read with the installer's own text reader.
std::vector<std::string> FileLines(const std::string& path);

// Where the last checkpoint in a journal's bytes starts (every byte before it was on the
// disk), or 0 when it holds none.
std::size_t LastCheckpointAt(const std::string& journal);

} // namespace testing_support
