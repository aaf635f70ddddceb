#include "engine/RunJournal.h"

#include "runtime/Errors.h"
#include "runtime/FileSystem.h"
#include "runtime/Text.h"

namespace engine {

namespace {

constexpr int kFilesPerFlush = 256;

bool AlreadyThere(unsigned code) {
    return code == os::kErrorFileExists || code == os::kErrorAlreadyExists;
}

JournalRecord Record(RecordKind kind, const std::string& path) {
    JournalRecord record;
    record.kind = kind;
    record.path = path;
    return record;
}

JournalRecord Identified(RecordKind kind, const std::string& path, os::FinalLink finalLink) {
    JournalRecord record = Record(kind, path);
    rt::ReadIdentity(path, finalLink, record.identity);
    return record;
}

} // namespace

void RunJournal::FoldersMadeBeforeIt(const std::vector<std::string>& folders) {
    for (const std::string& folder : folders)
        records_.push_back(Identified(RecordKind::FolderMade, folder, os::FinalLink::NotFollowed));
}

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

void RunJournal::Flush() {
    if (file_.IsOpen())
        os::Flush(file_.Handle());
    madeSinceFlush_ = 0;
}

bool RunJournal::CreateFolders(const std::string& path) {
    std::vector<std::string> made;
    const bool created = rt::ForceDirectories(path, &made, kRunsFolders, [this](const std::string& folder) {
        Append(Record(RecordKind::FolderMaking, folder));
    });
    for (const std::string& folder : made)
        Append(Identified(RecordKind::FolderMade, folder, os::FinalLink::NotFollowed));
    return created;
}

void RunJournal::CreateFolder(const std::string& path) {
    CreateFolder(path, rt::FolderRights::Inherited);
}

void RunJournal::CreateFolder(const std::string& path, rt::FolderRights rights) {
    NoteContainingFolder(path);
    Append(Record(RecordKind::FolderMaking, path));
    rt::CreateDir(path, rights);
    Append(Identified(RecordKind::FolderMade, path, os::FinalLink::NotFollowed));
}

void RunJournal::NoteContainingFolder(const std::string& path) {
    const std::string folder = rt::ContainingFolder(path);
    if (!foldersNoted_.insert(folder).second)
        return;
    std::uint32_t attributes = 0;
    JournalRecord record = Identified(RecordKind::FolderWrittenInto, folder, os::FinalLink::Followed);
    record.link = rt::ReadAttributes(folder, attributes) && (attributes & os::kAttrReparsePoint);
    Append(std::move(record));
}

void RunJournal::ClearTheWay(const SetAsidePlan& plan) {
    occupied_.insert(plan.occupied.begin(), plan.occupied.end());
    for (const SetAsidePlan::Move& move : plan.moves) {
        NoteContainingFolder(move.path);
        JournalRecord record = Identified(RecordKind::SettingAside, move.path, os::FinalLink::NotFollowed);
        record.aside = move.aside;
        record.names = move.names;
        Append(std::move(record));
    }
    Flush();
    SetAsidePlan oneByOne;
    for (const SetAsidePlan::Move& move : plan.moves) {
        if (rt::MoveEntry(move.path, move.aside) == 0) {
            if (!move.names.empty())
                CreateFolder(move.path, kRunsFolders); // a new, empty folder in place of the one set aside
        } else if (move.names.empty()) {
            occupied_.insert(move.path); // held open, or its name taken meanwhile: met when reached
        } else {
            // A folder that cannot move (a file in it is open): its files move one by one.
            for (const std::string& name : move.names)
                oneByOne.moves.push_back(
                    {move.path + "\\" + name, SetAsideName(move.path + "\\" + name, 1), {}});
        }
    }
    if (!oneByOne.moves.empty())
        ClearTheWay(oneByOne);
}

unsigned RunJournal::SetAside(const std::string& path) {
    std::uint32_t attributes = 0;
    // Replacing these in place is refused by the system; setting them aside must not
    // become a way around that.
    if (!rt::ReadAttributes(path, attributes) || (attributes & (os::kAttrDirectory | os::kAttrReadOnly)))
        return os::kErrorAccessDenied;
    NoteContainingFolder(path);
    JournalRecord record = Identified(RecordKind::SettingAside, path, os::FinalLink::NotFollowed);
    unsigned code = os::kErrorAlreadyExists;
    for (int attempt = 1; attempt <= kSetAsideNames && AlreadyThere(code); ++attempt) {
        record.aside = SetAsideName(path, attempt);
        if (rt::ReadAttributes(record.aside, attributes))
            continue;
        AppendAndFlush(record);
        code = rt::MoveEntry(path, record.aside);
    }
    occupied_.erase(path);
    return code;
}

unsigned RunJournal::CreateRecorded(const std::string& path, rt::NewFile& file) {
    Append(Record(RecordKind::Creating, path));
    const unsigned code = file.CreateOnly(path);
    if (code != 0) {
        Append(Record(RecordKind::CreationFailed, path));
        return code;
    }
    JournalRecord made = Record(RecordKind::Made, path);
    file.ReadIdentity(made.identity);
    Append(std::move(made));
    if (++madeSinceFlush_ >= kFilesPerFlush)
        Flush();
    return 0;
}

void RunJournal::OpenNewFile(const std::string& path, rt::NewFile& file) {
    NoteContainingFolder(path);
    unsigned code = occupied_.count(path) ? os::kErrorAlreadyExists : CreateRecorded(path, file);
    if (AlreadyThere(code)) {
        code = SetAside(path);
        if (code == 0)
            code = CreateRecorded(path, file);
    }
    if (code != 0)
        throw rt::CannotCreateFile(path, code);
}

bool RunJournal::PrepareForeignFile(const std::string& path) {
    std::uint32_t attributes = 0;
    const bool occupied = rt::ReadAttributes(path, attributes);
    if (occupied && (attributes & os::kAttrDirectory))
        return false;
    NoteContainingFolder(path);
    if (occupied && SetAside(path) != 0)
        return false;
    Append(Record(RecordKind::Creating, path));
    return true;
}

void RunJournal::AdoptWrittenFile(const std::string& path) {
    JournalRecord made = Record(RecordKind::Made, path);
    if (!rt::ReadIdentity(path, os::FinalLink::NotFollowed, made.identity))
        made.kind = RecordKind::CreationFailed;
    Append(std::move(made));
}

void RunJournal::MarkSucceeded() {
    Flush();
    AppendAndFlush(Record(RecordKind::Succeeded, ""));
}

void RunJournal::Remove() {
    if (!file_.IsOpen())
        return;
    file_.Close();
    rt::RemoveFile(path_);
}

LeftBehind RunJournal::Complete() {
    const LeftBehind left = CompleteRecords(records_);
    if (left.Nothing())
        Remove();
    Forget();
    return left;
}

LeftBehind RunJournal::RollBack() {
    std::vector<JournalRecord> foldersAfterJournal;
    const LeftBehind left = UndoRecords(records_, rt::ContainingFolder(path_), foldersAfterJournal);
    if (left.Nothing()) {
        Remove();
        RemoveFoldersMade(foldersAfterJournal);
    }
    Flush();
    Forget();
    return left;
}

void RunJournal::Forget() {
    file_.Close();
    path_.clear();
    records_.clear();
    foldersNoted_.clear();
    occupied_.clear();
    madeSinceFlush_ = 0;
}

} // namespace engine
