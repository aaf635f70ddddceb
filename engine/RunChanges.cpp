#include "engine/RunChanges.h"

#include "runtime/Errors.h"
#include "runtime/FileSystem.h"
#include "runtime/Text.h"

namespace engine {

namespace {

// The rights of the folders the run makes for the installation: users may read and run
// what is in them, not change it.
constexpr rt::FolderRights kRunsFolders = rt::FolderRights::ReadAndRunForUsers;

bool AlreadyThere(unsigned code) {
    return code == os::kErrorFileExists || code == os::kErrorAlreadyExists;
}

JournalRecord RecordOf(RecordKind kind, const std::string& path) {
    JournalRecord record;
    record.kind = kind;
    record.path = path;
    return record;
}

JournalRecord RecordWithIdentity(RecordKind kind, const std::string& path, os::FinalLink finalLink) {
    JournalRecord record = RecordOf(kind, path);
    rt::ReadIdentity(path, finalLink, record.identity);
    return record;
}

} // namespace

bool RunChanges::CreateTargetFolder(const std::string& path) {
    std::vector<std::string> made;
    const bool created = rt::ForceDirectories(path, &made, kRunsFolders);
    RecordFoldersMade(made);
    return created;
}

bool RunChanges::CreateFolders(const std::string& path) {
    std::vector<std::string> made;
    const bool created = rt::ForceDirectories(path, &made, kRunsFolders, [this](const std::string& folder) {
        journal_.AppendAndFlush(RecordOf(RecordKind::FolderMaking, folder));
    });
    RecordFoldersMade(made);
    return created;
}

void RunChanges::RecordFoldersMade(const std::vector<std::string>& folders) {
    for (const std::string& folder : folders)
        journal_.Append(RecordWithIdentity(RecordKind::FolderMade, folder, os::FinalLink::NotFollowed));
}

void RunChanges::CreateFolder(const std::string& path) {
    CreateFolder(path, rt::FolderRights::Inherited);
}

void RunChanges::CreateFolder(const std::string& path, rt::FolderRights rights) {
    NoteContainingFolder(path);
    journal_.AppendAndFlush(RecordOf(RecordKind::FolderMaking, path));
    rt::CreateDir(path, rights);
    journal_.Append(RecordWithIdentity(RecordKind::FolderMade, path, os::FinalLink::NotFollowed));
}

void RunChanges::NoteContainingFolder(const std::string& path) {
    const std::string folder = rt::ContainingFolder(path);
    if (!foldersNoted_.insert(folder).second)
        return;
    JournalRecord record = RecordWithIdentity(RecordKind::FolderWrittenInto, folder, os::FinalLink::Followed);
    record.link = rt::IsLink(folder);
    // On the disk before anything is made in the folder: only a folder the journal knows
    // is entered by an undo.
    journal_.AppendAndFlush(std::move(record));
}

void RunChanges::ClearTheWay(const SetAsidePlan& plan, const std::vector<std::string>& creations) {
    occupied_.insert(plan.occupied.begin(), plan.occupied.end());
    for (const SetAsidePlan::Move& move : plan.moves) {
        NoteContainingFolder(move.path);
        JournalRecord record =
            RecordWithIdentity(RecordKind::SettingAside, move.path, os::FinalLink::NotFollowed);
        record.aside = move.aside;
        record.names = move.names;
        journal_.Append(std::move(record));
    }
    // After the moves, so that an undo meets them first (newest first): only once what
    // the run may have made at those names is settled do the earlier files come back.
    for (const std::string& path : creations)
        journal_.Append(RecordOf(RecordKind::Creating, path));
    journal_.Flush();
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
        ClearTheWay(oneByOne, {});
}

unsigned RunChanges::SetAside(const std::string& path) {
    std::uint32_t attributes = 0;
    // Replacing these in place is refused by the system; setting them aside must not
    // become a way around that.
    if (!rt::ReadAttributes(path, attributes) || (attributes & (os::kAttrDirectory | os::kAttrReadOnly)))
        return os::kErrorAccessDenied;
    NoteContainingFolder(path);
    JournalRecord record = RecordWithIdentity(RecordKind::SettingAside, path, os::FinalLink::NotFollowed);
    unsigned code = os::kErrorAlreadyExists;
    for (int attempt = 1; attempt <= kSetAsideNames && AlreadyThere(code); ++attempt) {
        record.aside = SetAsideName(path, attempt);
        if (rt::ReadAttributes(record.aside, attributes))
            continue;
        journal_.AppendAndFlush(record);
        code = rt::MoveEntry(path, record.aside);
    }
    occupied_.erase(path);
    return code;
}

unsigned RunChanges::CreateRecorded(const std::string& path, rt::NewFile& file) {
    journal_.Append(RecordOf(RecordKind::Creating, path));
    const unsigned code = file.CreateOnly(path);
    if (code != 0) {
        journal_.Append(RecordOf(RecordKind::CreationFailed, path));
        return code;
    }
    JournalRecord made = RecordOf(RecordKind::Made, path);
    file.ReadIdentity(made.identity);
    journal_.AppendNewFile(std::move(made));
    return 0;
}

void RunChanges::OpenNewFile(const std::string& path, rt::NewFile& file) {
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

bool RunChanges::PrepareForeignFile(const std::string& path) {
    std::uint32_t attributes = 0;
    const bool occupied = rt::ReadAttributes(path, attributes);
    if (occupied && (attributes & os::kAttrDirectory))
        return false;
    NoteContainingFolder(path);
    if (occupied && SetAside(path) != 0)
        return false;
    journal_.AppendAndFlush(RecordOf(RecordKind::Creating, path)); // known before another writer makes it
    return true;
}

void RunChanges::AdoptWrittenFile(const std::string& path) {
    JournalRecord made = RecordOf(RecordKind::Made, path);
    if (!rt::ReadIdentity(path, os::FinalLink::NotFollowed, made.identity))
        made.kind = RecordKind::CreationFailed;
    journal_.Append(std::move(made));
}

LeftBehind RunChanges::EndSettlingTheRecords(const BytesOfTheRun& bytesOfTheRun) {
    const std::vector<JournalRecord> records = journal_.Records(); // the settling records more
    const Settled settled = SettleRecords(
        records, rt::ContainingFolder(journal_.Path()), [this] { journal_.Delete(); }, bytesOfTheRun,
        [this](const std::vector<JournalRecord>& moved) {
            for (const JournalRecord& record : moved)
                journal_.Append(record);
            // An undo is not stopped half-way by a flush that fails: the records are
            // written, and only a power cut before the system writes them back could
            // leave the moved file unnamed, where it stays (nothing of the user's is lost).
            journal_.FlushIfPossible();
        });
    // What stays, stays whole for the next run. The settle is done: a flush that fails
    // does not undo it or stop it; the next run reads whatever reached the disk.
    journal_.FlushIfPossible();
    StartAfresh();
    return settled.left;
}

LeftBehind RunChanges::EndKeepingWhatWasSetAside() {
    LeftBehind left;
    std::uint32_t attributes = 0;
    for (const JournalRecord& record : journal_.Records())
        if (record.kind == RecordKind::SettingAside && rt::ReadAttributes(record.aside, attributes))
            left.keptAside.push_back({record.path, record.aside});
    journal_.Delete();
    StartAfresh();
    return left;
}

void RunChanges::StartAfresh() {
    journal_.CloseLeavingFile();
    foldersNoted_.clear();
    occupied_.clear();
}

} // namespace engine
