#include "engine/RunJournal.h"

#include "runtime/Errors.h"
#include "runtime/FileSystem.h"
#include "runtime/Text.h"

namespace engine {

namespace {

// Names tried for a file set aside; past the last one the name stays taken.
constexpr int kSetAsideNames = 99;

bool AlreadyThere(unsigned code) {
    return code == os::kErrorFileExists || code == os::kErrorAlreadyExists;
}

std::string SetAsideName(const std::string& path, int attempt) {
    return path + ".bak" + (attempt == 1 ? "" : std::to_string(attempt));
}

// The folder a path lies in, without its closing separator (a drive root keeps it).
std::string ContainingFolder(const std::string& path) {
    std::string folder = rt::FolderPart(path);
    if (folder.size() > 3 && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

// True while path names the very object the run recorded (a link there is not followed).
bool IsStill(const std::string& path, const os::Identity& identity) {
    os::Identity now;
    return rt::ReadIdentity(path, os::FinalLink::NotFollowed, now) && now == identity;
}

bool IsLink(const std::string& path) {
    std::uint32_t attributes = 0;
    return rt::ReadAttributes(path, attributes) && (attributes & os::kAttrReparsePoint);
}

} // namespace

void RunJournal::OpenNewFile(const std::string& path, rt::NewFile& file) {
    NoteContainingFolder(path);
    files_.emplace_back(path);
    FileRecord& record = files_.back();
    unsigned code = file.CreateOnly(path);
    if (AlreadyThere(code)) {
        code = SetAside(record);
        if (code == 0)
            code = file.CreateOnly(path);
    }
    if (code != 0)
        throw rt::CannotCreateFile(path, code);
    record.made = file.ReadIdentity(record.identity);
}

bool RunJournal::PrepareForeignFile(const std::string& path) {
    std::uint32_t attributes = 0;
    const bool occupied = rt::ReadAttributes(path, attributes);
    if (occupied && (attributes & os::kAttrDirectory))
        return false;
    NoteContainingFolder(path);
    files_.emplace_back(path);
    if (occupied && SetAside(files_.back()) != 0) {
        files_.pop_back();
        return false;
    }
    return true;
}

void RunJournal::AdoptWrittenFile(const std::string& path) {
    for (auto record = files_.rbegin(); record != files_.rend(); ++record) {
        if (record->path == path) {
            record->made = rt::ReadIdentity(path, os::FinalLink::NotFollowed, record->identity);
            return;
        }
    }
}

unsigned RunJournal::SetAside(FileRecord& record) {
    std::uint32_t attributes = 0;
    // Replacing these in place is refused by the system; setting them aside must not
    // become a way around that.
    if (!rt::ReadAttributes(record.path, attributes) ||
        (attributes & (os::kAttrDirectory | os::kAttrReadOnly)) ||
        !rt::ReadIdentity(record.path, os::FinalLink::NotFollowed, record.setAsideIdentity))
        return os::kErrorAccessDenied;
    unsigned code = os::kErrorAlreadyExists;
    for (int attempt = 1; attempt <= kSetAsideNames && AlreadyThere(code); ++attempt) {
        const std::string name = SetAsideName(record.path, attempt);
        code = rt::MoveEntry(record.path, name);
        if (code == 0)
            record.setAsideAs = name;
    }
    return code;
}

bool RunJournal::CreateFolders(const std::string& path) {
    std::vector<std::string> made;
    const bool created = rt::ForceDirectories(path, &made);
    for (const std::string& folder : made) {
        folders_.emplace_back(folder);
        folders_.back().made = rt::ReadIdentity(folder, os::FinalLink::NotFollowed, folders_.back().identity);
    }
    return created;
}

void RunJournal::CreateFolder(const std::string& path) {
    folders_.emplace_back(path);
    rt::CreateDir(path);
    folders_.back().made = rt::ReadIdentity(path, os::FinalLink::NotFollowed, folders_.back().identity);
}

bool RunJournal::Look(const std::string& folder, FolderSeen& seen) {
    seen.link = IsLink(folder);
    return rt::ReadIdentity(folder, os::FinalLink::Followed, seen.identity);
}

void RunJournal::NoteContainingFolder(const std::string& path) {
    const std::string folder = ContainingFolder(path);
    FolderSeen seen;
    if (foldersWrittenInto_.find(folder) == foldersWrittenInto_.end() && Look(folder, seen))
        foldersWrittenInto_.emplace(folder, seen);
}

// A folder that leads elsewhere than when the run wrote into it (a link or junction
// put in its place, or retargeted) is not entered.
std::set<std::string> RunJournal::FoldersStillAsWrittenInto() const {
    std::set<std::string> still;
    for (const auto& [folder, seen] : foldersWrittenInto_) {
        FolderSeen now;
        if (Look(folder, now) && now == seen)
            still.insert(folder);
    }
    return still;
}

void RunJournal::DropSetAsideFiles() {
    for (const FileRecord& record : files_) {
        if (record.setAsideAs.empty() || !IsStill(record.setAsideAs, record.setAsideIdentity))
            continue;
        rt::FileSetAttr(record.setAsideAs, 0);
        rt::RemoveFile(record.setAsideAs);
    }
    files_.clear();
    folders_.clear();
    foldersWrittenInto_.clear();
}

int RunJournal::RollBack() {
    int left = 0;
    const std::set<std::string> enterable = FoldersStillAsWrittenInto();
    for (auto record = files_.rbegin(); record != files_.rend(); ++record)
        left += UndoFile(*record, enterable);
    for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder)
        left += UndoFolder(*folder);
    files_.clear();
    folders_.clear();
    foldersWrittenInto_.clear();
    return left;
}

// Each undo step answers how many entries it had to leave (0 or more).
int RunJournal::UndoFile(const FileRecord& record, const std::set<std::string>& enterable) const {
    const bool setAside = !record.setAsideAs.empty();
    if (!enterable.count(ContainingFolder(record.path)))
        return (record.made ? 1 : 0) + (setAside ? 1 : 0);
    int left = 0;
    os::Identity now;
    if (record.made && rt::ReadIdentity(record.path, os::FinalLink::NotFollowed, now)) {
        if (now != record.identity) {
            ++left; // replaced by someone else since: not the run's to delete
        } else {
            rt::FileSetAttr(record.path, 0);
            left += !rt::RemoveFile(record.path);
        }
    }
    if (setAside && rt::MoveEntry(record.setAsideAs, record.path) != 0)
        ++left; // it stays under its set-aside name, whole
    return left;
}

int RunJournal::UndoFolder(const FolderRecord& record) const {
    if (!record.made)
        return 0;
    if (!IsStill(record.path, record.identity) || IsLink(record.path))
        return 1;
    return rt::RemoveDir(record.path) ? 0 : 1;
}

} // namespace engine
