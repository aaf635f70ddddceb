#include "runtime/FileSystem.h"

#include "runtime/Errors.h"
#include "runtime/OwnedFile.h"
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

bool ForceDirectories(const std::string& path, std::vector<std::string>* created, FolderRights rights,
                      const std::function<void(const std::string& folder)>& beforeMaking) {
    // Walks up to the first folder that exists, then makes the missing ones downward: a
    // loop rather than a recursion, so that no folder text, however deep, can exhaust
    // the stack. Every folder on the way is a prefix of path; only lengths are kept.
    std::vector<std::size_t> missing; // deepest first
    for (std::string folder = path;;) {
        if (folder.empty())
            throw Error("Unable to create directory");
        if (EndsWithSeparator(folder))
            folder.pop_back();
        std::string parent = FolderPart(folder);
        if (folder.size() < 3 || parent == folder || DirectoryExists(folder))
            break;
        missing.push_back(folder.size());
        folder = std::move(parent);
    }
    const std::string descriptor = SecurityDescriptorFor(rights);
    for (auto length = missing.rbegin(); length != missing.rend(); ++length) {
        const std::string folder = path.substr(0, *length);
        if (beforeMaking)
            beforeMaking(folder);
        if (os::MakeFolder(folder, descriptor) != 0)
            return false;
        if (created)
            created->push_back(folder);
    }
    return true;
}

void CreateDir(const std::string& path, FolderRights rights) {
    if (const unsigned code = os::MakeFolder(path, SecurityDescriptorFor(rights)))
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

std::string NearestExistingFolder(const std::string& path) {
    std::string folder = path;
    while (!DirectoryExists(folder)) {
        const std::string parent =
            FolderPart(EndsWithSeparator(folder) ? folder.substr(0, folder.size() - 1) : folder);
        if (parent.empty() || parent == folder)
            return "";
        folder = parent;
    }
    return folder;
}

bool RoomOnVolume(const std::string& path, std::uint64_t& freeBytes, std::uint64_t& unitBytes) {
    const std::string folder = NearestExistingFolder(path);
    return !folder.empty() && os::FreeSpace(folder, freeBytes, unitBytes) == 0;
}

std::vector<os::FoundEntry> ListFolder(const std::string& folder) {
    std::vector<os::FoundEntry> entries;
    os::SearchHandle search;
    os::FoundEntry entry;
    if (os::FindFirst(folder + "\\*", search, entry) != 0)
        return entries;
    do {
        if (entry.name != "." && entry.name != "..")
            entries.push_back(entry);
    } while (os::FindNext(search, entry) == 0);
    os::FindClose(search);
    return entries;
}

unsigned ReadWholeFile(const std::string& path, std::string& bytes) {
    OwnedFile file;
    if (const unsigned code = file.OpenForReading(path))
        return code;
    bytes.clear();
    char buffer[65536];
    for (;;) {
        std::size_t read = 0;
        if (const unsigned code = os::Read(file.Handle(), buffer, sizeof buffer, read))
            return code;
        if (read == 0)
            return 0;
        bytes.append(buffer, read);
    }
}

bool ReadAttributes(const std::string& path, std::uint32_t& attributes) {
    return os::ReadAttributes(path, attributes) == 0;
}

bool ReadAttributes(const OwnedFile& held, const std::string& path, std::uint32_t& attributes) {
    std::uint32_t byHandle = 0, byPath = 0;
    const bool read = os::ReadAttributes(held.Handle(), byHandle) == 0 && ReadAttributes(path, byPath);
    attributes = byHandle | (byPath & os::kAttrReparsePoint);
    return read;
}

bool IsLink(const std::string& path) {
    std::uint32_t attributes = 0;
    return ReadAttributes(path, attributes) && (attributes & os::kAttrReparsePoint);
}

unsigned FileSetAttr(const std::string& path, std::uint32_t attributes) {
    return os::WriteAttributes(path, attributes);
}

} // namespace rt
