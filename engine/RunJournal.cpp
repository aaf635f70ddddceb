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
    Write(bytes);
    Flush();
}

void RunJournal::Append(JournalRecord record) {
    if (file_.IsOpen())
        Write(EncodeRecord(record));
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
    if (const unsigned code = FlushIfPossible())
        throw rt::IoError(code);
}

unsigned RunJournal::FlushIfPossible() {
    madeSinceFlush_ = 0;
    if (!file_.IsOpen() || written_ == checkpointEnd_)
        return 0; // nothing but the last checkpoint was written since it
    if (const unsigned code = os::Flush(file_.Handle()))
        return code;
    // After a write that failed, part of a frame may end the file: a checkpoint after it
    // would make that tail read as damage.
    if (!everyWriteWhole_)
        return 0;
    bool whole = false;
    const unsigned code = AppendBytes(EncodeCheckpoint(written_), whole);
    checkpointEnd_ = written_;
    if (code == 0 && !whole)
        return os::kErrorDiskFull; // a file's write comes up short when its disk is full
    return code;
}

void RunJournal::MarkSucceeded() {
    Flush();
    JournalRecord succeeded;
    succeeded.kind = RecordKind::Succeeded;
    Append(std::move(succeeded));
    if (const unsigned code = FlushIfPossible()) {
        // Whether the success record reached the disk is not known. Completing could drop
        // earlier files, and a power cut then leave no success point: the next run would
        // undo the new files too. Undoing (new files first) could leave earlier files under
        // set-aside names that a next run finding the success point drops. So both are
        // left to the next run, which settles the journal by what the disk holds; the
        // journal and the files stay as they are, and abandoning this run changes nothing.
        CloseLeavingFile();
        throw rt::IoError(code);
    }
}

unsigned RunJournal::AppendBytes(const std::string& bytes, bool& whole) {
    std::size_t written = 0;
    const unsigned code = os::Write(file_.Handle(), bytes.data(), bytes.size(), written);
    written_ += written;
    whole = code == 0 && written == bytes.size();
    everyWriteWhole_ = everyWriteWhole_ && whole;
    return code;
}

void RunJournal::Write(const std::string& bytes) {
    bool whole = false;
    if (const unsigned code = AppendBytes(bytes, whole))
        throw rt::IoError(code);
    if (!whole)
        throw rt::Error("Stream write error");
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
    written_ = checkpointEnd_ = 0;
    everyWriteWhole_ = true;
}

} // namespace engine
