#include "tests/support/Readers.h"

#include "runtime/Errors.h"
#include "runtime/TextFile.h"

namespace testing_support {

std::string ErrorMessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const rt::Error& e) {
        return e.what();
    }
    return "<no error>";
}

std::vector<std::string> FileLines(const std::string& path) {
    rt::TextFile file(path);
    file.Reset();
    std::vector<std::string> lines;
    while (!file.Eof())
        lines.push_back(file.ReadLn());
    file.Close();
    return lines;
}

} // namespace testing_support
