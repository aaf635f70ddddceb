#include "engine/RunJournal.h"

#include "runtime/Errors.h"
#include "runtime/FileSystem.h"
#include "runtime/FileWriter.h"

namespace engine {

namespace {

constexpr int kFilesPerFlush = 256;

} // namespace

void RunJournal::Begin(const std::string& journalPath, const std::string& installDir) {
    std::string bytes = EncodeHeader(installDir);
    for (const JournalRecord& record : records_)
        bytes += EncodeRecord(record);
    if (const unsigned code = file_.CreateNewForWriting(journalPath))
        throw rt::CannotCreateFile(journalPath, code);
    path_ = journalPath;
    std::size_t written = 0;
    if (const unsigned code = os::Write(file_.Handle(), bytes.data(), bytes.size(), written))
        throw rt::IoError(code);
    Flush();
}

void RunJournal::Append(JournalRecord record) {
    if (file_.IsOpen()) {
        const std::string bytes = EncodeRecord(record);
        std::size_t written = 0;
        const unsigned code = os::Write(file_.Handle(), bytes.data(), bytes.size(), written);
        if (code != 0)
            throw rt::IoError(code);
        if (written != bytes.size())
            throw rt::Error("Stream write error");
    }
    records_.push_back(std::move(record));
}

void RunJournal::AppendAndFlush(JournalRecord record) {
    Append(std::move(record));
    Flush();
}

void RunJournal::AppendNewFile(JournalRecord made) {
    Append(std::move(made));
    if (++madeSinceFlush_ >= kFilesPerFlush)
        Flush();
}

void RunJournal::Flush() {
    if (file_.IsOpen())
        os::Flush(file_.Handle());
    madeSinceFlush_ = 0;
}

void RunJournal::MarkSucceeded() {
    Flush();
    JournalRecord succeeded;
    succeeded.kind = RecordKind::Succeeded;
    AppendAndFlush(std::move(succeeded));
}

void RunJournal::Delete() {
    if (!file_.IsOpen())
        return;
    file_.Close();
    rt::RemoveFile(path_);
}

void RunJournal::CloseLeavingFile() {
    file_.Close();
    path_.clear();
    records_.clear();
    madeSinceFlush_ = 0;
}

} // namespace engine
