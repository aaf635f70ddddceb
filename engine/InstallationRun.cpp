#include "engine/InstallationRun.h"

#include "engine/FoundFolders.h"
#include "engine/Manifest.h"
#include "engine/TargetPaths.h"
#include "payload/ProductInfo.h"
#include "runtime/Errors.h"
#include "runtime/FileSystem.h"
#include "runtime/FileWriter.h"
#include "runtime/Text.h"
#include "runtime/TextFile.h"

#include <algorithm>

namespace engine {

InstallationRun::InstallationRun(ShortcutMaker& shortcuts, const PayloadStore& store)
    : shortcuts_(shortcuts), store_(store) {}

RunResult InstallationRun::Install(const std::string& installDir, RunObserver& observer) {
    installDir_ = rt::StripBlanks(installDir); // one text names the target for every check and write
    const RunResult result = Run(observer);
    if (!StoppedUnfinished(result.outcome)) {
        held_.ReleaseAll();
        claim_.Release();
    }
    return result;
}

LeftBehind InstallationRun::Abandon() {
    const LeftBehind left = Undo();
    claim_.Release();
    return left;
}

LeftBehind InstallationRun::Undo() {
    manifestCopy_.Close(); // the undo deletes it
    held_.ReleaseAll();    // and may remove the folders the run made
    return changes_.EndSettlingTheRecords(plan_.ProofOfItsFiles(shortcuts_));
}

RunResult InstallationRun::Run(RunObserver& observer) {
    uninstallList_.clear();
    RunResult result;
    const auto ended = [&result](RunOutcome outcome) {
        result.outcome = outcome;
        return result;
    };
    if (!payloadCheck_.IsWhole())
        return ended(RunOutcome::PayloadDamaged);
    // A target that depends on the current folder or drive is refused: its files and the
    // uninstall list would hold relative paths.
    RunPlan plan(store_, installDir_);
    if (!rt::IsRootedPath(installDir_) || !PartEndingInBlankOrDot(installDir_).empty() ||
        !plan.ListedInTheSystemCodePage())
        return ended(RunOutcome::FoldersNotCreated);
    if (!claim_.Take(installDir_))
        return ended(RunOutcome::FolderInUse);
    plan_ = std::move(plan);
    // The folders are looked at before the recovery reads, renames or deletes anything in
    // them, and again once it has: from then on they are held.
    std::vector<std::string> accepted;
    if (!FoundFoldersAccepted(observer, nullptr, accepted, result.refusedAt))
        return ended(result.refusedAt.empty() ? RunOutcome::FolderLeftToOthers : RunOutcome::LinkInTheWay);
    if (!RecoverAnyInterruptedRun(observer, result.recovery))
        return ended(result.recovery.outcome == Recovery::Outcome::FolderInUse
                         ? RunOutcome::FolderInUse
                         : RunOutcome::RecoveryNotFinished);
    if (!FoundFoldersAccepted(observer, &held_, accepted, result.refusedAt))
        return ended(result.refusedAt.empty() ? RunOutcome::FolderLeftToOthers : RunOutcome::LinkInTheWay);
    const SetAsidePlan setAsides =
        PlanSetAsides(plan_.Paths(), rt::ContainingFolder(JournalPath(installDir_)));
    result.refusedAt = FirstLinkInTheWay(setAsides);
    if (!result.refusedAt.empty())
        return ended(RunOutcome::LinkInTheWay);
    if (!plan_.TargetCanHoldTheInstallation(setAsides))
        return ended(RunOutcome::FoldersNotCreated);
    if (!plan_.TargetHasRoom(setAsides, result.room))
        return ended(RunOutcome::NotEnoughRoom);
    if (!CreateFolders())
        return ended(RunOutcome::FoldersNotCreated);
    for (const SetAsidePlan::Move& move : setAsides.moves)
        held_.Release(move.path); // a folder set aside whole is renamed by the run itself
    changes_.ClearTheWay(setAsides, plan_.Creations(setAsides));
    HoldFolder(DailyFolder(installDir_)); // the new one, in place of one set aside
    CopyManifest();
    observer.RangeKnown(CountManifestLines() - 1);
    if (!ExtractEntries(observer)) {
        uninstallList_.clear();
        result.left = Undo();
        return ended(RunOutcome::Cancelled);
    }
    result.left = SucceedEnding(observer);
    return ended(RunOutcome::Succeeded);
}

// Looks at the folders the run finds (holding them in held, when given): false for a
// link (named in link) or when the user does not want to install into folders others
// can change that they were not asked about yet (accepted: those they were).
bool InstallationRun::FoundFoldersAccepted(RunObserver& observer, HeldFolders* held,
                                           std::vector<std::string>& accepted, std::string& link) {
    const FoundFolders found = LookAtFoundFolders(installDir_, held);
    link = found.link;
    if (!link.empty())
        return false;
    std::vector<std::string> unasked;
    for (const std::string& folder : found.openToOthers)
        if (std::find(accepted.begin(), accepted.end(), folder) == accepted.end())
            unasked.push_back(folder);
    if (!unasked.empty() && !observer.MayInstallIntoFoldersOthersCanChange(unasked))
        return false;
    accepted.insert(accepted.end(), unasked.begin(), unasked.end());
    return true;
}

bool InstallationRun::RecoverAnyInterruptedRun(RunObserver& observer, Recovery& recovery) {
    recovery = engine::RecoverInterruptedRun(JournalPath(installDir_), installDir_, shortcuts_.LinkPlaces(),
                                             plan_.ProofOfItsFiles(shortcuts_));
    switch (recovery.outcome) {
    case Recovery::Outcome::NothingFound:
        return true;
    case Recovery::Outcome::NotFinished:
    case Recovery::Outcome::FolderInUse:
        return false;
    default:
        observer.InterruptedRunRecovered(recovery);
        return true;
    }
}

// The first link where the run would write through it or rename it: an entry in the
// way, or the product's Programs folder (which the run makes, and an undo removes).
// Renaming a link moves the link, not what it names, but a link there is not the
// installation's and is left for its owner. The desktop folder itself may be a link
// of its user's (Wine links it to the Unix desktop): it is the user's, not a place
// below the target.
std::string InstallationRun::FirstLinkInTheWay(const SetAsidePlan& setAsides) const {
    if (!setAsides.links.empty())
        return setAsides.links.front();
    const std::string programs = shortcuts_.ProductProgramsFolder();
    return !programs.empty() && rt::IsLink(programs) ? programs : "";
}

// The target folder (and its missing parents) comes first, as the journal lives in it;
// the folders it made are the journal's first records.
bool InstallationRun::CreateFolders() {
    try {
        if (!rt::DirectoryExists(installDir_) && !changes_.CreateTargetFolder(installDir_))
            return false;
    } catch (const rt::Error&) {
        return false; // a chain of parents that ends in an empty name ("//server/share" written with "/")
    }
    HoldFolder(installDir_); // before the journal is written into it
    journal_.Begin(JournalPath(installDir_), installDir_);
    for (const std::string& folder : {DataFolder(installDir_), DailyFolder(installDir_)}) {
        if (!rt::DirectoryExists(folder) && !changes_.CreateFolders(folder))
            return false;
        HoldFolder(folder);
    }
    return true;
}

// Holds a folder of the run's, unless it is held already; a link found there now (made
// since the folders were looked at, or in place of one the run made) stops the run
// before anything is written through it.
void InstallationRun::HoldFolder(const std::string& folder) {
    if (!held_.Holds(folder) && !held_.Hold(folder))
        throw rt::Error("The folder \"" + folder + "\" was replaced while the installation was running");
}

// The copy is read twice from disk (counted, then followed), so it is held open from
// its writing until it is deleted: others may read it, but not change, rename or
// delete it. Between the writing and the holding it is the run's own file or nothing.
void InstallationRun::CopyManifest() {
    const Blob manifest = store_.Open(kManifestName, kManifestType);
    const std::string path = ManifestCopyPath(installDir_);
    os::Identity written, held;
    WriteNewFile(path, manifest.Data(), manifest.Size(), nullptr, &written);
    const unsigned code = manifestCopy_.OpenForReading(path);
    if (code != 0)
        throw rt::IoError(code);
    if (os::ReadIdentity(manifestCopy_.Handle(), path, held) != 0 || held != written)
        throw ManifestCopyChanged();
}

rt::Error InstallationRun::ManifestCopyChanged() const {
    return rt::Error("The file list \"" + ManifestCopyPath(installDir_) +
                     "\" was changed while the installation was running");
}

long InstallationRun::CountManifestLines() {
    rt::TextFile manifest(ManifestCopyPath(installDir_));
    manifest.Reset();
    long count = 0;
    for (; !manifest.Eof(); ++count)
        manifest.ReadLn();
    manifest.Close();
    // The manifest copy, one file a line, and the uninstall list.
    if (static_cast<std::size_t>(std::max<long>(count, kMinimumManifestLines)) + 1 != plan_.Paths().size())
        throw ManifestCopyChanged();
    return count;
}

bool InstallationRun::ExtractEntries(RunObserver& observer) {
    rt::TextFile manifest(ManifestCopyPath(installDir_));
    manifest.Reset();
    manifest.ReadLn(); // the manifest's own entry
    // Lines 2 to 6 are read without an end-of-text test.
    for (long lineNumber = 2; lineNumber <= kMinimumManifestLines; ++lineNumber)
        ExtractEntry(manifest.ReadLn(), lineNumber, observer);
    for (long lineNumber = kMinimumManifestLines + 1; !manifest.Eof(); ++lineNumber) {
        if (!observer.MayGoOn())
            return false;
        ExtractEntry(manifest.ReadLn(), lineNumber, observer);
        observer.DailyEntryWritten();
    }
    manifest.Close();
    return true;
}

void InstallationRun::ExtractEntry(const std::string& line, long lineNumber, RunObserver& observer) {
    const ManifestEntry entry = SplitManifestLine(line);
    const std::string target = EntryPath(installDir_, ClassOfLine(lineNumber), entry.fileName);
    // Each line must name the file the plan made from the payload's own manifest.
    if (static_cast<std::size_t>(lineNumber) >= plan_.Paths().size() ||
        plan_.Paths()[static_cast<std::size_t>(lineNumber) - 1] != target)
        throw ManifestCopyChanged();
    observer.EntryStarting(target);
    const Blob blob = store_.Open(entry.name, entry.type);
    WriteNewFile(target, blob.Data(), blob.Size(), &observer);
    uninstallList_.push_back(plan_.ListedPaths()[static_cast<std::size_t>(lineNumber) - 1]);
}

void InstallationRun::WriteNewFile(const std::string& path, const char* data, std::size_t size,
                                   RunObserver* observer, os::Identity* written) {
    rt::NewFile file;
    changes_.OpenNewFile(path, file); // from here on the file is the run's, whole or not
    file.WriteAll(data, size, [observer, &path] {
        if (observer)
            observer->StillWorking(path);
    });
    if (written)
        file.ReadIdentity(*written);
}

LeftBehind InstallationRun::SucceedEnding(RunObserver& observer) {
    const std::string uninstallList = rt::JoinLines(uninstallList_);
    WriteNewFile(UninstallListPath(installDir_), uninstallList.data(), uninstallList.size(), &observer);
    shortcuts_.CreateProgramsShortcut(installDir_ + "\\readme.txt", README_LINK_NAME, changes_);
    shortcuts_.CreateProgramsShortcut(installDir_ + "\\UnInstall.exe", UNINSTALL_LINK_NAME, changes_);
    shortcuts_.CreateProgramsShortcut(installDir_ + "\\" PROGRAM_FILE, PRODUCT_NAME, changes_);
    if (observer.DesktopShortcutWanted())
        shortcuts_.CreateDesktopShortcut(installDir_ + "\\" PROGRAM_FILE, PRODUCT_NAME, changes_);
    const bool durable = NewFilesDurable(observer);
    const std::string manifestCopy = ManifestCopyPath(installDir_);
    manifestCopy_.Close();
    if (rt::FileExists(manifestCopy))
        rt::RemoveFile(manifestCopy);
    if (!durable)
        return changes_.EndKeepingWhatWasSetAside();
    journal_.MarkSucceeded(); // nothing can fail any more: the earlier files go
    return changes_.EndSettlingTheRecords();
}

// Whether every file the run wrote has reached the disk, so that a power cut after the
// success point cannot leave the new files as zeros with the earlier ones gone (a fresh
// installation's too: the next run would take it as complete). One flush of the target's
// volume covers every file there; where the volume cannot be flushed (a network share,
// a substituted drive, no right to), each file is flushed. The links lie in the user's
// profile, maybe on another volume: each is flushed after the shell saved it.
bool InstallationRun::NewFilesDurable(RunObserver& observer) const {
    const bool volumeFlushed = os::FlushVolume(installDir_) == 0;
    const std::string manifestCopy = ManifestCopyPath(installDir_);
    bool durable = true;
    for (const JournalRecord& record : journal_.Records()) {
        const bool inTarget = rt::IsInsideFolder(record.path, installDir_);
        if (record.kind == RecordKind::Made && record.path != manifestCopy && !(inTarget && volumeFlushed)) {
            durable = os::FlushFile(record.path) == 0 && durable;
            observer.StillWorking(record.path);
        }
    }
    return durable;
}

} // namespace engine
