#include "tests/support/CrashStates.h"

#include "runtime/OsSeam.h"
#include "runtime/Text.h"
#include "tests/support/TempFolder.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace testing_support {

namespace {

void Collect(const std::string& folder, Contents& contents) {
    for (const FolderEntry& entry : ListFolder(folder)) {
        const std::string path = folder + "\\" + entry.name;
        if (entry.attributes & os::kAttrDirectory) {
            contents[path] = "folder";
            Collect(path, contents);
        } else {
            contents[path] = FileContent(path);
        }
    }
}

// A byte range written to a file and not yet flushed.
struct Range {
    std::size_t offset;
    std::size_t size;
};

// Turns the range's bytes to zeros: all of them, or those in the sectors lost.
void Zero(int fd, const Range& range, const std::set<std::size_t>* lost) {
    for (std::size_t at = range.offset, end = range.offset + range.size; at < end;) {
        const std::size_t next = std::min(end, (at / kSector + 1) * kSector);
        if (!lost || lost->count(at / kSector))
            (void)!pwrite(fd, std::string(next - at, '\0').data(), next - at, static_cast<off_t>(at));
        at = next;
    }
}

// Which bytes of which files are not yet flushed, after a sequence of changes.
class Unflushed {
  public:
    void Follow(const os::Change& change) {
        using Kind = os::Change::Kind;
        switch (change.kind) {
        case Kind::CreateFile:
            ranges_[change.path].clear();
            sizes_[change.path] = 0;
            break;
        case Kind::Write:
            ranges_[change.path].push_back({sizes_[change.path], change.bytes.size()});
            sizes_[change.path] += change.bytes.size();
            break;
        case Kind::Flush:
            ranges_.erase(change.path);
            break;
        case Kind::FlushVolume: // the target's; what lies outside it (the links) stands for another volume
            for (auto file = ranges_.begin(); file != ranges_.end();)
                file = rt::IsInsideFolder(file->first, change.path) ? ranges_.erase(file) : std::next(file);
            break;
        case Kind::Move:
            Rename(change.path, change.to);
            break;
        case Kind::RemoveFile:
            ranges_.erase(change.path);
            break;
        default:
            break;
        }
    }

    std::vector<std::size_t> Sectors(const std::string& file) const {
        std::set<std::size_t> sectors;
        const auto found = ranges_.find(file);
        for (const Range& range : found == ranges_.end() ? std::vector<Range>() : found->second)
            for (std::size_t at = range.offset; at < range.offset + range.size;
                 at = (at / kSector + 1) * kSector)
                sectors.insert(at / kSector);
        return {sectors.begin(), sectors.end()};
    }

    void ReadAsZeros(const SectorLoss& sectors) const {
        for (const auto& [file, ranges] : ranges_) {
            const int fd = open(HostPath(file).c_str(), O_WRONLY);
            for (const Range& range : ranges)
                Zero(fd, range, file == sectors.file ? &sectors.lost : nullptr);
            if (file == sectors.file && sectors.endsAt != SIZE_MAX && !ranges.empty())
                (void)!ftruncate(
                    fd, static_cast<off_t>(std::max(ranges.front().offset, sectors.endsAt * kSector)));
            close(fd);
        }
    }

  private:
    // What was not flushed moves with its file, or with the folder that holds it.
    void Rename(const std::string& from, const std::string& to) {
        std::map<std::string, std::vector<Range>> renamed;
        for (auto& [file, ranges] : ranges_) {
            const bool inside = file.compare(0, from.size() + 1, from + "\\") == 0;
            renamed[file == from ? to : inside ? to + file.substr(from.size()) : file] = std::move(ranges);
        }
        ranges_ = std::move(renamed);
    }

    std::map<std::string, std::vector<Range>> ranges_;
    std::map<std::string, std::size_t> sizes_;
};

Unflushed After(const std::vector<os::Change>& changes) {
    Unflushed unflushed;
    for (const os::Change& change : changes)
        unflushed.Follow(change);
    return unflushed;
}

} // namespace

Contents ContentsOf(const std::vector<std::string>& roots) {
    Contents contents;
    for (const std::string& root : roots) {
        std::uint32_t attributes = 0;
        if (os::ReadAttributes(root, attributes) == 0) {
            contents[root] = "folder";
            Collect(root, contents);
        }
    }
    return contents;
}

void LayOut(const std::vector<std::string>& roots, const Contents& contents) {
    for (const std::string& root : roots) {
        RemoveAll(root);
        os::RemoveFolder(root);
    }
    for (const auto& [path, bytes] : contents) { // a folder sorts before what it holds
        if (bytes == "folder")
            mkdir(HostPath(path).c_str(), 0755);
        else
            PutFile(path, bytes);
    }
}

ChangeRecorder::ChangeRecorder(std::size_t limit) {
    os::ListenToChanges([this, limit](const os::Change& change) {
        changes_.push_back(change);
        if (changes_.size() >= limit)
            throw Stopped();
    });
}

ChangeRecorder::~ChangeRecorder() {
    os::ListenToChanges(nullptr);
}

std::vector<std::size_t> UnflushedSectors(const std::vector<os::Change>& changes, const std::string& file) {
    return After(changes).Sectors(file);
}

void LoseUnflushedData(const std::vector<os::Change>& changes, const SectorLoss& sectors) {
    After(changes).ReadAsZeros(sectors);
}

} // namespace testing_support
