#include "engine/InterruptedRun.h"

#include "engine/SetAsidePlan.h"
#include "runtime/FileSystem.h"
#include "runtime/OwnedFile.h"
#include "runtime/Text.h"

#include <algorithm>
#include <set>

namespace engine {

namespace {

// The parts of a path between its separators.
std::vector<std::string> PartsOf(const std::string& path) {
    std::vector<std::string> parts(1);
    for (const char c : path) {
        if (c == '\\')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

// A name of one entry in one folder: no separator of either kind, no stream, not empty,
// "." or "..".
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && PartsOf(name).size() == 1 &&
           name.find_first_of("/:") == std::string::npos;
}

// A path the system takes as it is written: drive-rooted or UNC, each part a plain name,
// no "\\?\" or "\\.\" prefix (which would skip the system's own checks), no stream.
bool IsPlainPath(const std::string& path) {
    if (path.size() < 3 || path.compare(0, 4, "\\\\?\\") == 0 || path.compare(0, 4, "\\\\.\\") == 0)
        return false;
    const bool unc = path.compare(0, 2, "\\\\") == 0;
    if (!unc && (path[1] != ':' || path[2] != '\\'))
        return false;
    std::vector<std::string> parts = PartsOf(path.substr(unc ? 2 : 3));
    if (!parts.empty() && parts.back().empty())
        parts.pop_back(); // a closing separator
    return std::all_of(parts.begin(), parts.end(), IsPlainName);
}

// The path as the system resolves it, without a closing separator.
std::string Full(const std::string& path) {
    std::string full = os::FullPathName(path);
    while (full.size() > 3 && rt::EndsWithSeparator(full))
        full.pop_back();
    return full;
}

// The same, case folded: two spellings of one place compare equal.
std::string Resolved(const std::string& path) {
    return rt::FoldCase(Full(path));
}

bool IsSetAsideNameOf(const std::string& aside, const std::string& path) {
    for (int attempt = 1; attempt <= kSetAsideNames; ++attempt)
        if (aside == SetAsideName(path, attempt))
            return true;
    return false;
}

bool IsLinkFileName(const std::string& path) {
    const std::string folded = rt::FoldCase(path);
    return folded.size() > 4 && folded.compare(folded.size() - 4, 4, ".lnk") == 0;
}

// Whether every record names only places the run writes: inside this run's target
// folder, the folders above it (which the run may have made), and the link folders:
// this run's, and those the journal itself wrote links into (another administrator's
// Programs folder and desktop), where it names only link files. Each path must be plain
// (see IsPlainPath) and is compared as the system resolves it.
class PlacesOfTheRun {
  public:
    PlacesOfTheRun(const std::string& installDir, const std::vector<std::string>& linkPlaces,
                   const std::vector<JournalRecord>& records)
        : target_(Resolved(rt::StripBlanks(installDir))) {
        for (const std::string& place : linkPlaces)
            linkPlaces_.push_back(Resolved(place));
        for (const JournalRecord& record : records)
            if (record.kind == RecordKind::FolderWrittenInto && IsPlainPath(record.path) &&
                HoldsOnlyLinks(Resolved(record.path), records))
                linkPlaces_.push_back(Resolved(record.path));
    }

    bool AllowAll(const std::vector<JournalRecord>& records) const {
        return std::all_of(records.begin(), records.end(),
                           [this](const JournalRecord& r) { return Allows(r); });
    }

    // What the records set aside that still stands under its set-aside name, each at a
    // place the run writes; its attributes are all that is read.
    std::vector<LeftBehind::Entry> StillSetAside(const std::vector<JournalRecord>& records) const {
        std::vector<LeftBehind::Entry> entries;
        std::uint32_t attributes = 0;
        for (const JournalRecord& record : records)
            if (record.kind == RecordKind::SettingAside && Allows(record) &&
                rt::ReadAttributes(record.aside, attributes))
                entries.push_back({record.path, record.aside});
        return entries;
    }

    // The folders the records act through, as the system names them, each once: every
    // folder below the target, or below the link place a path lies in (taken as it is,
    // since it may be a link of its user's), on the way to the folder each path lies in;
    // for a folder set aside whole, whose entries are acted on, that folder and its
    // set-aside name too. For records all of which AllowAll.
    std::set<std::string> FoldersActedThrough(const std::vector<JournalRecord>& records) const {
        std::set<std::string> folders;
        for (const JournalRecord& record : records) {
            if (record.kind == RecordKind::Succeeded)
                continue;
            AddFoldersOnTheWay(rt::ContainingFolder(Full(record.path)), folders);
            if (record.kind == RecordKind::SettingAside && !record.names.empty()) {
                AddFoldersOnTheWay(Full(record.path), folders);
                AddFoldersOnTheWay(Full(record.aside), folders);
            }
        }
        return folders;
    }

  private:
    // Adds each folder on the way from the target, or the link place that holds folder,
    // down to folder itself; none for a folder above the target or a link place itself.
    void AddFoldersOnTheWay(const std::string& folder, std::set<std::string>& folders) const {
        const std::string folded = rt::FoldCase(folder);
        std::size_t below = std::string::npos; // the length of the place the way starts at
        if (rt::IsInsideFolder(folded, target_))
            below = target_.size();
        for (const std::string& place : linkPlaces_)
            if (rt::IsInsideFolder(folded, place))
                below = place.size();
        for (std::size_t end = below; end < folder.size();) {
            end = folder.find('\\', end + 1);
            folders.insert(folder.substr(0, end));
        }
    }

    bool Allows(const JournalRecord& record) const {
        if (record.kind == RecordKind::Succeeded)
            return record.path.empty();
        if (!IsPlainPath(record.path))
            return false;
        const std::string path = Resolved(record.path);
        switch (record.kind) {
        case RecordKind::FolderMade:
        case RecordKind::FolderMaking:
        case RecordKind::FolderWrittenInto:
            return IsFolderOfTheRun(path);
        case RecordKind::SettingAside:
            return IsFileOfTheRun(path) && IsSetAsideNameOf(record.aside, record.path) &&
                   std::all_of(record.names.begin(), record.names.end(), IsPlainName);
        default:
            return IsFileOfTheRun(path);
        }
    }

    bool IsFileOfTheRun(const std::string& path) const {
        return rt::IsInsideFolder(path, target_) || IsLinkPlace(rt::ContainingFolder(path));
    }

    bool IsFolderOfTheRun(const std::string& path) const {
        return OnTheTargetsLine(path) || IsLinkPlace(path);
    }

    // The target itself, a folder above it, or one inside it.
    bool OnTheTargetsLine(const std::string& folder) const {
        return folder == target_ || rt::IsInsideFolder(target_, folder) ||
               rt::IsInsideFolder(folder, target_);
    }

    // A folder outside the target in which the journal names link files only.
    bool HoldsOnlyLinks(const std::string& folder, const std::vector<JournalRecord>& records) const {
        if (OnTheTargetsLine(folder))
            return false;
        return std::all_of(records.begin(), records.end(), [&](const JournalRecord& r) {
            return r.kind == RecordKind::Succeeded || !IsPlainPath(r.path) ||
                   rt::ContainingFolder(Resolved(r.path)) != folder || IsLinkFileName(r.path);
        });
    }

    bool IsLinkPlace(const std::string& folder) const {
        return std::find(linkPlaces_.begin(), linkPlaces_.end(), folder) != linkPlaces_.end();
    }

    const std::string target_;
    std::vector<std::string> linkPlaces_;
};

// The journal lies in this run's target folder, and names that folder in its header:
// a journal copied from elsewhere speaks of other files.
bool BelongsHere(const std::string& journalPath, const std::string& journalsFolder,
                 const std::string& installDir) {
    os::Identity here, named, target;
    return rt::ReadIdentity(rt::ContainingFolder(journalPath), os::FinalLink::NotFollowed, here) &&
           rt::ReadIdentity(rt::StripBlanks(journalsFolder), os::FinalLink::NotFollowed, named) &&
           rt::ReadIdentity(rt::StripBlanks(installDir), os::FinalLink::NotFollowed, target) &&
           here == named && here == target;
}

// Whether the object at path is what it should be (a plain file, or a folder that is no
// link) and nobody but the trusted accounts could have changed it since it was made.
bool IsProtected(const std::string& path, bool folder) {
    rt::OwnedFile held;
    std::uint32_t attributes = 0;
    os::Guard guard = os::Guard::OpenToOthers;
    return held.OpenToInspect(path) == 0 && rt::ReadAttributes(held, path, attributes) &&
           !(attributes & os::kAttrReparsePoint) && ((attributes & os::kAttrDirectory) != 0) == folder &&
           os::ReadGuard(held.Handle(), guard) == 0 && guard == os::Guard::Protected;
}

// Whether none of the folders is a link (a junction, a symbolic link), each looked at
// on the object itself: a path through one would lead the undo elsewhere, where what it
// deletes or moves is not the run's. A folder that is not there is none (the undo looks
// again before each step); one that is there and cannot be looked at is not trusted.
bool NoneIsALink(const std::set<std::string>& folders) {
    return std::all_of(folders.begin(), folders.end(), [](const std::string& folder) {
        rt::OwnedFile held;
        std::uint32_t attributes = 0;
        switch (held.OpenToInspect(folder)) {
        case 0:
            return rt::ReadAttributes(held, folder, attributes) && !(attributes & os::kAttrReparsePoint);
        case os::kErrorFileNotFound:
        case os::kErrorPathNotFound: // a link that leads nowhere may show by its path alone
            return !rt::IsLink(folder);
        default:
            return false;
        }
    });
}

Recovery JournalMovedAside(const std::string& journalPath,
                           Recovery::Outcome why = Recovery::Outcome::Unreadable) {
    Recovery recovery;
    recovery.outcome = why;
    for (int attempt = 1; attempt <= kSetAsideNames; ++attempt) {
        if (rt::MoveEntry(journalPath, SetAsideName(journalPath, attempt)) == 0) {
            recovery.keptAs = SetAsideName(journalPath, attempt);
            return recovery;
        }
    }
    recovery.keptAs = journalPath;
    return recovery;
}

Recovery SettleTrustedJournal(const std::string& journalPath, const ParsedJournal& journal,
                              const BytesOfTheRun& bytesOfTheRun) {
    Recovery recovery;
    const Settled settled = SettleRecords(
        journal.records, rt::ContainingFolder(journalPath), [&journalPath] { rt::RemoveFile(journalPath); },
        bytesOfTheRun);
    recovery.left = settled.left;
    recovery.outcome = !settled.left.Nothing() ? Recovery::Outcome::NotFinished
                       : settled.completed     ? Recovery::Outcome::Completed
                                               : Recovery::Outcome::Undone;
    return recovery;
}

} // namespace

Recovery RecoverInterruptedRun(const std::string& journalPath, const std::string& installDir,
                               const std::vector<std::string>& linkPlaces,
                               const BytesOfTheRun& bytesOfTheRun) {
    Recovery recovery;
    std::uint32_t attributes = 0;
    if (!rt::ReadAttributes(journalPath, attributes))
        return recovery;
    if (!IsProtected(rt::ContainingFolder(journalPath), true) || !IsProtected(journalPath, false))
        return JournalMovedAside(journalPath, Recovery::Outcome::OpenToOthers);
    std::string bytes;
    if (const unsigned code = rt::ReadWholeFile(journalPath, bytes)) {
        if (code == os::kErrorSharingViolation) {
            recovery.outcome = Recovery::Outcome::FolderInUse;
            return recovery;
        }
        return JournalMovedAside(journalPath);
    }
    const ParsedJournal journal = ParseJournal(bytes);
    if (journal.Usable() && journal.records.empty()) {
        rt::RemoveFile(journalPath); // killed before it recorded any change
        return recovery;
    }
    const PlacesOfTheRun places(installDir, linkPlaces, journal.records);
    if (journal.status == ParsedJournal::Status::Damaged) {
        Recovery damaged = JournalMovedAside(journalPath);
        damaged.underOtherNames = places.StillSetAside(journal.records);
        return damaged;
    }
    if (!journal.Usable() || !BelongsHere(journalPath, journal.installDir, installDir) ||
        !places.AllowAll(journal.records) || !NoneIsALink(places.FoldersActedThrough(journal.records)))
        return JournalMovedAside(journalPath);
    return SettleTrustedJournal(journalPath, journal, bytesOfTheRun);
}

} // namespace engine
