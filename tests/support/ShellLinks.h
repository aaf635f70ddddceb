// Reading shell link files back through the shell, for tests.
#pragma once

#include <string>

namespace testing_support {

struct LinkContent {
    std::string path; // "<no link>" when the file cannot be loaded
    std::string workingDirectory;
};

LinkContent ReadLink(const std::string& linkPath);

} // namespace testing_support
