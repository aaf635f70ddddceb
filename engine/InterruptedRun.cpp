#include "engine/InterruptedRun.h"

#include "engine/SetAsidePlan.h"
#include "runtime/FileSystem.h"
#include "runtime/Text.h"

#include <algorithm>

namespace engine {

namespace {

// The parts of a path between its separators, a two-byte character's trail byte 0x5C
// not counted as one.
std::vector<std::string> PartsOf(const std::string& path) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < path.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(path[i]);
        if (byte == '\\') {
            parts.emplace_back();
        } else {
            parts.back() += path[i];
            if (byte >= 0x81 && byte <= 0xFE && i + 1 < path.size())
                parts.back() += path[++i];
        }
    }
    return parts;
}

bool LeadsUpOrAround(const std::string& path) {
    const std::vector<std::string> parts = PartsOf(path);
    return std::any_of(parts.begin(), parts.end(),
                       [](const std::string& part) { return part == "." || part == ".."; });
}

bool Inside(const std::string& path, const std::string& folder) {
    const std::size_t start = folder.size() + (rt::EndsWithSeparator(folder) ? 0 : 1);
    return path.size() > start && path.compare(0, folder.size(), folder) == 0 &&
           (rt::EndsWithSeparator(folder) || path[folder.size()] == '\\');
}

bool IsSetAsideNameOf(const std::string& aside, const std::string& path) {
    for (int attempt = 1; attempt <= kSetAsideNames; ++attempt)
        if (aside == SetAsideName(path, attempt))
            return true;
    return false;
}

// Whether every record names only places the run writes: inside the target folder (as
// typed, or blank-stripped), the folders above it that it made, and the link folders.
class PlacesOfTheRun {
  public:
    PlacesOfTheRun(const std::string& installDir, const std::vector<std::string>& linkPlaces)
        : targets_{installDir, rt::StripBlanks(installDir)}, linkPlaces_(linkPlaces) {}

    bool AllowAll(const std::vector<JournalRecord>& records) const {
        return std::all_of(records.begin(), records.end(),
                           [this](const JournalRecord& r) { return Allows(r); });
    }

  private:
    bool Allows(const JournalRecord& record) const {
        if (LeadsUpOrAround(record.path))
            return false;
        switch (record.kind) {
        case RecordKind::Succeeded:
            return record.path.empty();
        case RecordKind::FolderMade:
        case RecordKind::FolderMaking:
        case RecordKind::FolderWrittenInto:
            return IsFolderOfTheRun(record.path);
        case RecordKind::SettingAside:
            return IsFileOfTheRun(record.path) && IsSetAsideNameOf(record.aside, record.path);
        default:
            return IsFileOfTheRun(record.path);
        }
    }

    bool IsFileOfTheRun(const std::string& path) const {
        return InsideATarget(path) || std::find(linkPlaces_.begin(), linkPlaces_.end(),
                                                rt::ContainingFolder(path)) != linkPlaces_.end();
    }

    bool IsFolderOfTheRun(const std::string& path) const {
        if (path.empty())
            return false;
        for (const std::string& target : targets_)
            if (path == target || Inside(target, path))
                return true; // the target, or a folder above it
        return InsideATarget(path) ||
               std::find(linkPlaces_.begin(), linkPlaces_.end(), path) != linkPlaces_.end();
    }

    bool InsideATarget(const std::string& path) const {
        return std::any_of(targets_.begin(), targets_.end(),
                           [&](const std::string& t) { return Inside(path, t); });
    }

    const std::vector<std::string> targets_;
    const std::vector<std::string>& linkPlaces_;
};

// The journal's folder is the folder the journal names: a journal copied from elsewhere
// speaks of other files.
bool BelongsHere(const std::string& journalPath, const std::string& installDir) {
    os::Identity here, named;
    return rt::ReadIdentity(rt::ContainingFolder(journalPath), os::FinalLink::Followed, here) &&
           rt::ReadIdentity(rt::StripBlanks(installDir), os::FinalLink::Followed, named) && here == named;
}

Recovery MovedAside(const std::string& journalPath) {
    Recovery recovery;
    recovery.outcome = Recovery::Outcome::Unreadable;
    for (int attempt = 1; attempt <= kSetAsideNames; ++attempt) {
        if (rt::MoveEntry(journalPath, SetAsideName(journalPath, attempt)) == 0) {
            recovery.keptAs = SetAsideName(journalPath, attempt);
            return recovery;
        }
    }
    recovery.keptAs = journalPath;
    return recovery;
}

Recovery Settle(const std::string& journalPath, const ParsedJournal& journal) {
    Recovery recovery;
    const bool succeeded =
        std::any_of(journal.records.begin(), journal.records.end(),
                    [](const JournalRecord& r) { return r.kind == RecordKind::Succeeded; });
    std::vector<JournalRecord> foldersAfterJournal;
    recovery.left =
        succeeded ? CompleteRecords(journal.records)
                  : UndoRecords(journal.records, rt::ContainingFolder(journalPath), foldersAfterJournal);
    if (!recovery.left.Nothing()) {
        recovery.outcome = Recovery::Outcome::NotFinished;
        return recovery;
    }
    rt::RemoveFile(journalPath);
    RemoveFoldersMade(foldersAfterJournal);
    recovery.outcome = succeeded ? Recovery::Outcome::Completed : Recovery::Outcome::Undone;
    return recovery;
}

} // namespace

Recovery RecoverInterruptedRun(const std::string& journalPath, const std::vector<std::string>& linkPlaces) {
    Recovery recovery;
    std::uint32_t attributes = 0;
    if (!rt::ReadAttributes(journalPath, attributes))
        return recovery;
    std::string bytes;
    if (const unsigned code = rt::ReadWholeFile(journalPath, bytes)) {
        if (code == os::kErrorSharingViolation) {
            recovery.outcome = Recovery::Outcome::FolderInUse;
            return recovery;
        }
        return MovedAside(journalPath);
    }
    const ParsedJournal journal = ParseJournal(bytes);
    if (journal.Usable() && journal.records.empty()) {
        rt::RemoveFile(journalPath); // killed before it recorded any change
        return recovery;
    }
    if (!journal.Usable() || !BelongsHere(journalPath, journal.installDir) ||
        !PlacesOfTheRun(journal.installDir, linkPlaces).AllowAll(journal.records))
        return MovedAside(journalPath);
    return Settle(journalPath, journal);
}

} // namespace engine
