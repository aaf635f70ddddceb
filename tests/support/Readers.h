// Small readers the tests share: the message of the error an action raises, and the
// lines of a text file.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// The message of the rt::Error the action raises, or "<no error>".
std::string ErrorMessageOf(const std::function<void()>& action);

// The file's lines, read with the installer's own text reader.
std::vector<std::string> FileLines(const std::string& path);

} // namespace testing_support
