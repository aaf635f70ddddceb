#include "runtime/FileSystem.h"

#include "runtime/Errors.h"
#include "runtime/Text.h"

namespace rt {

bool FileExists(const std::string& path) {
    os::SearchHandle search;
    os::FoundEntry entry;
    if (os::FindFirst(path, search, entry) != 0)
        return false;
    os::FindClose(search);
    return !(entry.attributes & os::kAttrDirectory) && entry.lastWriteFitsDosTime;
}

bool DirectoryExists(const std::string& path) {
    std::uint32_t attributes = 0;
    return ReadAttributes(path, attributes) && (attributes & os::kAttrDirectory);
}

bool ForceDirectories(std::string path, std::vector<std::string>* created) {
    if (path.empty())
        throw Error("Unable to create directory");
    if (path.back() == '\\')
        path.pop_back();
    const std::string parent = FolderPart(path);
    if (path.size() < 3 || DirectoryExists(path) || parent == path)
        return true;
    if (!ForceDirectories(parent, created))
        return false;
    if (os::MakeFolder(path) != 0)
        return false;
    if (created)
        created->push_back(path);
    return true;
}

void CreateDir(const std::string& path) {
    if (const unsigned code = os::MakeFolder(path))
        throw IoError(code);
}

bool RemoveFile(const std::string& path) {
    return os::RemoveFile(path) == 0;
}

bool RemoveDir(const std::string& path) {
    return os::RemoveFolder(path) == 0;
}

unsigned MoveEntry(const std::string& from, const std::string& to) {
    return os::MoveEntry(from, to);
}

bool ReadIdentity(const std::string& path, os::FinalLink finalLink, os::Identity& identity) {
    return os::ReadIdentity(path, finalLink, identity) == 0;
}

bool ReadAttributes(const std::string& path, std::uint32_t& attributes) {
    return os::ReadAttributes(path, attributes) == 0;
}

unsigned FileSetAttr(const std::string& path, std::uint32_t attributes) {
    return os::WriteAttributes(path, attributes);
}

unsigned FolderListing::Open(const std::string& pattern, std::uint32_t mask) {
    Close();
    excluded_ = ~mask & (os::kAttrHidden | os::kAttrSystem | os::kAttrVolume | os::kAttrDirectory);
    return SkipExcluded(os::FindFirst(pattern, search_, entry_));
}

unsigned FolderListing::Next() {
    return SkipExcluded(os::FindNext(search_, entry_));
}

unsigned FolderListing::SkipExcluded(unsigned code) {
    while (code == 0 && (entry_.attributes & excluded_))
        code = os::FindNext(search_, entry_);
    if (code != 0)
        Close();
    return code;
}

void FolderListing::Close() {
    os::FindClose(search_);
    search_ = os::kNoSearch;
}

} // namespace rt
