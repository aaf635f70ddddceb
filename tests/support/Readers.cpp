#include "tests/support/Readers.h"

#include "engine/JournalFormat.h"
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

std::size_t LastCheckpointAt(const std::string& journal) {
    for (std::size_t at = journal.size(); at-- > 0;) {
        const std::string checkpoint = engine::EncodeCheckpoint(at);
        if (journal.compare(at, checkpoint.size(), checkpoint) == 0)
            return at;
    }
    return 0;
}

} // namespace testing_support
