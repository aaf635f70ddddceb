#include "engine/SettleRecords.h"

#include "engine/SetAsidePlan.h"
#include "runtime/FileSystem.h"
#include "runtime/Text.h"

#include <algorithm>
#include <map>
#include <set>

namespace engine {

namespace {

constexpr std::size_t kEntriesNamed = 5;

// Removes the folders of those records in their order, each only while it is still the
// run's own (or, made but not yet recorded as made, an empty folder) and empty.
void RemoveFoldersMade(const std::vector<JournalRecord>& folders);

bool IsStill(const std::string& path, const os::Identity& identity) {
    os::Identity now;
    return rt::ReadIdentity(path, os::FinalLink::NotFollowed, now) && now == identity;
}

bool IsThere(const std::string& path) {
    std::uint32_t attributes = 0;
    return rt::ReadAttributes(path, attributes);
}

// A set-aside name that holds something, but not the object set aside: on a volume whose
// identities change with a rename (FAT, exFAT) it may be the earlier file, or it may be
// another's; either way it is left as it is, and named.
void NoteUnconfirmed(const JournalRecord& setAside, LeftBehind& left) {
    if (!IsStill(setAside.aside, setAside.identity) && IsThere(setAside.aside))
        left.unconfirmed.push_back({setAside.path, setAside.aside});
}

JournalRecord RecordOf(RecordKind kind, const std::string& path, const os::Identity& identity) {
    JournalRecord record;
    record.kind = kind;
    record.path = path;
    record.identity = identity;
    return record;
}

// A path as it reads once from (it, or a folder it is in) is renamed to to.
std::string Moved(const std::string& path, const std::string& from, const std::string& to) {
    return path == from || rt::IsInsideFolder(path, from) ? to + path.substr(from.size()) : path;
}

bool IsPlainFile(const std::string& path) {
    std::uint32_t attributes = 0;
    return rt::ReadAttributes(path, attributes) &&
           !(attributes & (os::kAttrDirectory | os::kAttrReparsePoint));
}

bool IsFolder(const std::string& path) {
    std::uint32_t attributes = 0;
    return rt::ReadAttributes(path, attributes) && (attributes & os::kAttrDirectory) &&
           !(attributes & os::kAttrReparsePoint);
}

bool DeleteFile(const std::string& path) {
    rt::FileSetAttr(path, 0);
    return rt::RemoveFile(path);
}

// Folders still leading where they led when the run first wrote into them: only there
// does a path still name what the run wrote.
std::set<std::string> FoldersStillAsWrittenInto(const std::vector<JournalRecord>& records) {
    std::set<std::string> still;
    for (const JournalRecord& record : records) {
        if (record.kind != RecordKind::FolderWrittenInto)
            continue;
        os::Identity now;
        if (rt::IsLink(record.path) == record.link &&
            rt::ReadIdentity(record.path, os::FinalLink::Followed, now) && now == record.identity)
            still.insert(record.path);
    }
    return still;
}

// Creating records with no Made or CreationFailed after them: the run was stopped
// between asking for the file (or planning it, in the set-aside batch) and recording
// what it got.
std::vector<bool> UnsettledCreations(const std::vector<JournalRecord>& records) {
    std::vector<bool> unsettled(records.size(), false);
    std::map<std::string, std::vector<std::size_t>> open;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const JournalRecord& record = records[i];
        if (record.kind == RecordKind::Creating) {
            open[record.path].push_back(i);
            unsettled[i] = true;
        } else if (record.kind == RecordKind::Made || record.kind == RecordKind::CreationFailed) {
            for (const std::size_t creating : open[record.path])
                unsettled[creating] = false;
            open.erase(record.path);
        }
    }
    return unsettled;
}

// Whether a file holds nothing: empty, or zeros only (what a power cut leaves of data
// that never reached the disk).
bool HoldsNothing(const std::string& path) {
    std::string bytes;
    return rt::ReadWholeFile(path, bytes) == 0 &&
           std::all_of(bytes.begin(), bytes.end(), [](char byte) { return byte == 0; });
}

// What stood at each path before the run set it aside.
std::map<std::string, os::Identity> Originals(const std::vector<JournalRecord>& records) {
    std::map<std::string, os::Identity> originals;
    for (const JournalRecord& record : records)
        if (record.kind == RecordKind::SettingAside)
            originals.emplace(record.path, record.identity);
    return originals;
}

bool IsAncestorOrSame(const std::string& folder, const std::string& of) {
    return of == folder || rt::IsInsideFolder(of, folder);
}

// The undo of a run by its records, newest first.
class Rollback {
  public:
    Rollback(const std::vector<JournalRecord>& records, const std::string& journalFolder,
             const BytesOfTheRun& bytesOfTheRun, const RecordFirst& recordFirst)
        : records_(records), journalFolder_(journalFolder), bytesOfTheRun_(bytesOfTheRun),
          recordFirst_(recordFirst), enterable_(FoldersStillAsWrittenInto(records)),
          unsettled_(UnsettledCreations(records)), originals_(Originals(records)) {}

    LeftBehind Run(std::vector<JournalRecord>& foldersAfterJournal) {
        for (std::size_t i = records_.size(); i-- > 0;) {
            const JournalRecord& record = records_[i];
            switch (record.kind) {
            case RecordKind::Made:
                RemoveMadeFile(record);
                break;
            case RecordKind::Creating:
                if (unsettled_[i])
                    DeleteOrMoveAsideUnrecordedFile(record);
                break;
            case RecordKind::SettingAside:
                PutBack(record);
                break;
            case RecordKind::FolderMade:
            case RecordKind::FolderMaking:
                if (IsAncestorOrSame(record.path, journalFolder_))
                    foldersAfterJournal.push_back(record);
                else if (!HoldsTheOriginal(record.path)) // a folder set aside whole and put back
                    RemoveFoldersMade({record});
                break;
            default:
                break;
            }
        }
        return left_;
    }

  private:
    bool Enterable(const std::string& path) const { return enterable_.count(rt::ContainingFolder(path)) > 0; }

    // True when the earlier object was put back at path already.
    bool HoldsTheOriginal(const std::string& path) const {
        const auto original = originals_.find(path);
        return original != originals_.end() && IsStill(path, original->second);
    }

    void RemoveMadeFile(const JournalRecord& record) {
        if (!Enterable(record.path) || !IsStill(record.path, record.identity))
            return; // gone, or someone else's since
        if (!DeleteFile(record.path))
            left_.Add(record.path);
    }

    // Asked for (or planned) where nothing stood, but what it got was not recorded: a
    // file there now that is not the earlier one may be the run's, or may have been put
    // there since (a link the user made again). Only one that holds nothing is deleted;
    // any other is set aside under a free name and named, never deleted.
    void DeleteOrMoveAsideUnrecordedFile(const JournalRecord& record) {
        if (!Enterable(record.path) || !IsPlainFile(record.path) || HoldsTheOriginal(record.path))
            return;
        if (ProvenTheRuns(record.path) && DeleteFile(record.path))
            return;
        MoveAsideUnproven(record.path);
    }

    // A file whose deletion loses nothing: it holds nothing, or only the run's bytes.
    bool ProvenTheRuns(const std::string& path) const {
        return HoldsNothing(path) || (bytesOfTheRun_ && bytesOfTheRun_(path));
    }

    // Removes a folder that holds nothing but files proven the run's by their bytes;
    // false (and nothing removed) when anything in it is not, or it is no such folder.
    bool RemoveFolderOfTheRunsBytes(const std::string& folder) {
        if (!IsFolder(folder) || rt::IsLink(folder))
            return false;
        const std::vector<os::FoundEntry> entries = rt::ListFolder(folder);
        for (const os::FoundEntry& entry : entries) {
            const std::string path = folder + "\\" + entry.name;
            if (!IsPlainFile(path) || !ProvenTheRuns(path))
                return false;
        }
        for (const os::FoundEntry& entry : entries)
            DeleteFile(folder + "\\" + entry.name);
        return rt::RemoveDir(folder);
    }

    // Moves what stands at path out of the way of the earlier object, to a free set-aside
    // name, and names it; false when it cannot be moved. The files the run made that it
    // holds (or that it is), which could not be deleted, are recorded under their new
    // paths first, for a later settling to remove, and named there as the run's new
    // files; what stood there is named as moved aside unless it is all the run's.
    bool MoveAsideUnproven(const std::string& path) {
        const std::string aside = FreeAsideName(path);
        if (aside.empty())
            return false;
        bool allTheRuns = false;
        const std::vector<JournalRecord> runsFiles = RunsFilesMovedWith(path, aside, allTheRuns);
        if (!runsFiles.empty() && !recordFirst_)
            return false; // nowhere to record where they went: they stay, for a retry
        if (!runsFiles.empty())
            recordFirst_(runsFiles);
        if (rt::MoveEntry(path, aside) != 0)
            return false;
        for (LeftBehind::Entry& left : left_.first) // what it held went with it
            left.path = Moved(left.path, path, aside);
        for (LeftBehind::Entry& moved : left_.movedAside)
            moved.aside = Moved(moved.aside, path, aside);
        if (!allTheRuns)
            left_.movedAside.push_back({path, aside});
        return true;
    }

    std::string FreeAsideName(const std::string& path) const {
        for (int attempt = 1; attempt <= kSetAsideNames; ++attempt) {
            const std::string aside = SetAsideName(path, attempt);
            if (!IsThere(aside) && !IsAsideOfTheRun(aside))
                return aside;
        }
        return "";
    }

    // The records of the files the run made that stand at path, or in the folder there,
    // as they will read once it is moved to aside; for a folder, its own records come
    // first (the one it leads to, and, when the run made it, that it did), so that the
    // files are removed before it. allTheRuns: whatever stands there is the run's.
    std::vector<JournalRecord> RunsFilesMovedWith(const std::string& path, const std::string& aside,
                                                  bool& allTheRuns) const {
        std::vector<JournalRecord> moved;
        for (const JournalRecord& record : records_)
            if (record.kind == RecordKind::Made &&
                (record.path == path || rt::ContainingFolder(record.path) == path) &&
                IsStill(record.path, record.identity))
                moved.push_back(RecordOf(RecordKind::Made, Moved(record.path, path, aside), record.identity));
        os::Identity folder;
        if (moved.empty() || !IsFolder(path) || !rt::ReadIdentity(path, os::FinalLink::NotFollowed, folder)) {
            allTheRuns = !moved.empty();
            return moved;
        }
        allTheRuns = IsFolderOfTheRun(path) && moved.size() == rt::ListFolder(path).size();
        std::vector<JournalRecord> records;
        if (IsFolderOfTheRun(path))
            records.push_back(RecordOf(RecordKind::FolderMade, aside, folder));
        records.push_back(RecordOf(RecordKind::FolderWrittenInto, aside, folder));
        records.insert(records.end(), moved.begin(), moved.end());
        return records;
    }

    // A folder the run made, still the one it made.
    bool IsFolderOfTheRun(const std::string& path) const {
        return std::any_of(records_.begin(), records_.end(), [&](const JournalRecord& r) {
            return r.kind == RecordKind::FolderMade && r.path == path && IsStill(path, r.identity);
        });
    }

    // A name some earlier object of the run was set aside under, and may still come back from.
    bool IsAsideOfTheRun(const std::string& name) const {
        return std::any_of(records_.begin(), records_.end(), [&](const JournalRecord& r) {
            return r.kind == RecordKind::SettingAside && r.aside == name;
        });
    }

    void PutBack(const JournalRecord& record) {
        if (!Enterable(record.path)) {
            if (IsStill(record.aside, record.identity))
                left_.Add(record.path, record.aside);
            return;
        }
        if (!IsStill(record.aside, record.identity)) {
            NoteUnconfirmed(record, left_);
            return; // never moved (the run stopped first), or back already
        }
        // Its name is taken by something whose record was lost (a folder the run made,
        // holding only the run's files, goes), by the run's files that could not be
        // deleted, or by something put there since: those move aside, never deleted.
        if (IsThere(record.path) && !RemoveFolderOfTheRunsBytes(record.path) &&
            !MoveAsideUnproven(record.path)) {
            left_.Add(record.path, record.aside);
            return;
        }
        if (rt::MoveEntry(record.aside, record.path) != 0)
            left_.Add(record.path, record.aside); // it stays whole where it is
    }

    const std::vector<JournalRecord>& records_;
    const std::string& journalFolder_;
    const BytesOfTheRun& bytesOfTheRun_;
    const RecordFirst& recordFirst_;
    const std::set<std::string> enterable_;
    const std::vector<bool> unsettled_;
    const std::map<std::string, os::Identity> originals_;
    LeftBehind left_;
};

void DropSetAside(const std::string& path, LeftBehind& left) {
    if (DeleteFile(path))
        return;
    if (os::DeleteAtRestart(path) == 0)
        left.atRestart.push_back(path);
    else
        left.Add(path);
}

} // namespace

void LeftBehind::Add(const std::string& path, const std::string& aside) {
    ++count;
    if (first.size() < kEntriesNamed)
        first.push_back({path, aside});
}

namespace {

void RemoveFoldersMade(const std::vector<JournalRecord>& folders) {
    for (const JournalRecord& folder : folders) {
        const bool ours = folder.kind == RecordKind::FolderMade ? IsStill(folder.path, folder.identity)
                                                                : IsFolder(folder.path);
        if (ours && !rt::IsLink(folder.path))
            rt::RemoveDir(folder.path); // fails while it holds anything: then it is someone's
    }
}

LeftBehind CompleteRecords(const std::vector<JournalRecord>& records) {
    LeftBehind left;
    for (const JournalRecord& record : records) {
        if (record.kind != RecordKind::SettingAside)
            continue;
        if (!IsStill(record.aside, record.identity)) {
            NoteUnconfirmed(record, left);
            continue;
        }
        if (!IsFolder(record.aside)) {
            DropSetAside(record.aside, left);
            continue;
        }
        // A folder set aside whole: its entries, as they were named when it moved, then
        // itself. What appeared in it between the listing and the move is someone else's:
        // it goes back beside the new files.
        for (const std::string& name : record.names)
            if (IsPlainFile(record.aside + "\\" + name))
                DropSetAside(record.aside + "\\" + name, left);
        for (const os::FoundEntry& newcomer : rt::ListFolder(record.aside))
            rt::MoveEntry(record.aside + "\\" + newcomer.name, record.path + "\\" + newcomer.name);
        if (!rt::RemoveDir(record.aside))
            DropSetAside(record.aside, left);
    }
    return left;
}

} // namespace

Settled SettleRecords(const std::vector<JournalRecord>& records, const std::string& journalFolder,
                      const std::function<void()>& deleteJournal, const BytesOfTheRun& bytesOfTheRun,
                      const RecordFirst& recordFirst) {
    Settled settled;
    settled.completed = std::any_of(records.begin(), records.end(),
                                    [](const JournalRecord& r) { return r.kind == RecordKind::Succeeded; });
    std::vector<JournalRecord> foldersAfterJournal;
    settled.left =
        settled.completed
            ? CompleteRecords(records)
            : Rollback(records, journalFolder, bytesOfTheRun, recordFirst).Run(foldersAfterJournal);
    if (settled.left.Nothing()) {
        deleteJournal();
        RemoveFoldersMade(foldersAfterJournal);
    }
    return settled;
}

} // namespace engine
