#include "engine/RunPlan.h"

#include "engine/Manifest.h"
#include "engine/TargetPaths.h"
#include "runtime/FileSystem.h"
#include "runtime/FileWriter.h"
#include "runtime/OsSeam.h"
#include "runtime/Text.h"

#include <algorithm>

namespace engine {

namespace {

// Whether path is one of paths, case aside (as the system compares names).
bool IsOneOf(const std::string& path, const std::vector<std::string>& paths) {
    const std::string folded = rt::FoldCase(path);
    return std::any_of(paths.begin(), paths.end(),
                       [&folded](const std::string& each) { return rt::FoldCase(each) == folded; });
}

} // namespace

RunPlan::RunPlan(const PayloadStore& store) : store_(&store) {}

RunPlan::RunPlan(const PayloadStore& store, const std::string& installDir)
    : store_(&store), installDir_(installDir) {
    const std::vector<std::string> lines = ManifestLines();
    files_.push_back({ManifestCopyPath(installDir_), store_->Open(kManifestName, kManifestType).Size()});
    std::size_t uninstallListSize = 0;
    for (std::size_t line = 2; line <= lines.size(); ++line) {
        const ManifestEntry entry = SplitManifestLine(lines[line - 1]);
        const std::string path = EntryPath(installDir_, ClassOfLine(static_cast<long>(line)), entry.fileName);
        files_.push_back({path, store_->Open(entry.name, entry.type).Size()});
        // Its UTF-8 takes at least the bytes of any code page's form the list holds.
        uninstallListSize += path.size() + 2; // and its CR LF
    }
    files_.push_back({UninstallListPath(installDir_), uninstallListSize});
    for (const PlannedFile& file : files_)
        paths_.push_back(file.path);
}

// The payload's own manifest, line by line as the run reads its copy (the first lines
// are read whether they are there or not).
std::vector<std::string> RunPlan::ManifestLines() const {
    const Blob manifest = store_->Open(kManifestName, kManifestType);
    std::vector<std::string> lines = rt::SplitLines(std::string(manifest.Data(), manifest.Size()));
    lines.resize(std::max<std::size_t>(lines.size(), kMinimumManifestLines));
    return lines;
}

bool RunPlan::ListedInTheSystemCodePage() {
    listedPaths_.assign(paths_.size(), "");
    for (std::size_t i = 0; i < paths_.size(); ++i)
        if (!os::InSystemCodePage(paths_[i], listedPaths_[i]))
            return false;
    return true;
}

bool RunPlan::TargetCanHoldTheInstallation(const SetAsidePlan& setAsides) const {
    for (const std::string& path : paths_)
        if (!os::FitsMaxPath(path))
            return false;
    return LongestPathIn(setAsides) <= os::kMaxPathChars && os::FitsMaxPath(JournalPath(installDir_));
}

bool RunPlan::TargetHasRoom(const SetAsidePlan& setAsides, DiskSpace& room) const {
    constexpr std::size_t kRecordBytes = 40; // a record's frame and fixed fields, beside its texts
    std::uint64_t unit = 0;
    if (!rt::RoomOnVolume(installDir_, room.free, unit))
        return true;
    unit = unit ? unit : 1;
    std::uint64_t journal = 0;
    for (const PlannedFile& file : files_) {
        room.needed += (file.size + unit - 1) / unit * unit;
        journal += 2 * (kRecordBytes + file.path.size());
    }
    for (const SetAsidePlan::Move& move : setAsides.moves) {
        journal += kRecordBytes + move.path.size() + move.aside.size();
        for (const std::string& name : move.names)
            journal += 4 + name.size();
    }
    room.needed += (journal + unit - 1) / unit * unit;
    return room.needed <= room.free;
}

std::vector<std::string> RunPlan::Creations(const SetAsidePlan& setAsides) const {
    std::vector<std::string> creations;
    for (const std::string& path : paths_)
        if (!setAsides.occupied.count(path))
            creations.push_back(path);
    return creations;
}

BytesOfTheRun RunPlan::ProofOfItsFiles(ShortcutMaker& shortcuts) const {
    return [this, &shortcuts](const std::string& path) {
        return HoldsOnlyBytesOfTheRun(path) || LinksToAFileOfTheRun(path, shortcuts);
    };
}

// The bytes the run writes at a path: the manifest copy, a blob, or the uninstall list.
bool RunPlan::HoldsOnlyBytesOfTheRun(const std::string& path) const {
    const auto planned = std::find(paths_.begin(), paths_.end(), path);
    if (planned == paths_.end())
        return false;
    std::string expected;
    const std::size_t index = static_cast<std::size_t>(planned - paths_.begin());
    if (index + 1 == paths_.size()) {
        expected =
            rt::JoinLines(std::vector<std::string>(listedPaths_.begin() + 1, listedPaths_.begin() + index));
    } else {
        const ManifestEntry entry = index == 0 ? ManifestEntry{kManifestName, kManifestType, ""}
                                               : SplitManifestLine(ManifestLines()[index]);
        const Blob blob = store_->Open(entry.name, entry.type);
        expected.assign(blob.Data(), blob.Size());
    }
    std::string bytes;
    if (rt::ReadWholeFile(path, bytes) != 0 || bytes.size() > expected.size())
        return false;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] != expected[i] && bytes[i] != 0)
            return false;
    return true;
}

bool RunPlan::LinksToAFileOfTheRun(const std::string& path, ShortcutMaker& shortcuts) const {
    if (IsOneOf(path, paths_))
        return false; // there only the run's bytes prove it
    const std::string target = shortcuts.LinkTarget(path);
    return !target.empty() && IsOneOf(target, paths_);
}

} // namespace engine
