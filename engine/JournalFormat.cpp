#include "engine/JournalFormat.h"

#include <algorithm>
#include <cstring>

namespace engine {

namespace {

constexpr char kMarker[2] = {'J', 'R'};
constexpr std::size_t kFrameHead = 14; // marker, length, the length's checksum, the payload's checksum
constexpr std::uint32_t kLargestPayload = 16u << 20;
constexpr char kHeaderName[8] = {'S', 'E', 'T', 'U', 'P', 'J', 'N', 'L'};
constexpr std::uint8_t kCheckpointKind = 0xFF; // the first byte of a checkpoint; no record's kind

std::uint32_t Checksum(const char* data, std::size_t size) {
    std::uint32_t hash = 2166136261u; // FNV-1a: any one changed byte changes the result
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ static_cast<unsigned char>(data[i])) * 16777619u;
    return hash;
}

class PayloadWriter {
  public:
    void Byte(std::uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
    void Number(std::uint64_t value, int size) {
        for (int i = 0; i < size; ++i)
            Byte(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void Text(const std::string& text) {
        Number(text.size(), 4);
        bytes_ += text;
    }
    // The payload framed: marker, length, the length's checksum, the payload's checksum,
    // payload. The length is checked apart, so that a damaged length is never trusted.
    std::string Frame() const {
        PayloadWriter frame;
        frame.bytes_.assign(kMarker, sizeof kMarker);
        frame.Number(bytes_.size(), 4);
        frame.Number(Checksum(frame.bytes_.data() + 2, 4), 4);
        frame.Number(Checksum(bytes_.data(), bytes_.size()), 4);
        return frame.bytes_ + bytes_;
    }
    std::string bytes_;
};

// Reads a payload; every read past its end fails the whole payload.
class PayloadReader {
  public:
    PayloadReader(const char* data, std::size_t size) : data_(data), size_(size) {}
    bool Number(std::uint64_t& value, int size) {
        if (!Has(static_cast<std::size_t>(size)))
            return false;
        value = 0;
        for (int i = 0; i < size; ++i)
            value |= std::uint64_t(static_cast<unsigned char>(data_[at_ + i])) << (8 * i);
        at_ += static_cast<std::size_t>(size);
        return true;
    }
    bool Text(std::string& text) {
        std::uint64_t length = 0;
        if (!Number(length, 4) || !Has(length))
            return false;
        text.assign(data_ + at_, length);
        at_ += length;
        return true;
    }
    bool AtEnd() const { return at_ == size_; }

  private:
    bool Has(std::uint64_t count) const { return count <= size_ - at_; }
    const char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

std::uint32_t Read32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= std::uint32_t(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

// A frame head at offset at whose length is its own, or false.
bool HeadAt(const std::string& bytes, std::size_t at, std::size_t& payloadSize) {
    if (bytes.size() - at < kFrameHead || bytes.compare(at, 2, kMarker, 2) != 0 ||
        Checksum(bytes.data() + at + 2, 4) != Read32(bytes, at + 6))
        return false;
    payloadSize = Read32(bytes, at + 2);
    return payloadSize <= kLargestPayload;
}

// The payload of a whole frame at offset at, or false when none starts there.
bool FrameAt(const std::string& bytes, std::size_t at, std::size_t& payloadSize) {
    return HeadAt(bytes, at, payloadSize) && payloadSize <= bytes.size() - at - kFrameHead &&
           Checksum(bytes.data() + at + kFrameHead, payloadSize) == Read32(bytes, at + 10);
}

// Where the run of zero bytes that ends the file begins (the file's size when its last
// byte is not zero).
std::size_t ZeroTailStart(const std::string& bytes) {
    std::size_t start = bytes.size();
    while (start > 0 && bytes[start - 1] == 0)
        --start;
    return start;
}

// Whether what follows the last whole frame is what a write cut short leaves: part of a
// head, a frame whose own head is whole and whose payload runs to the end of the file or
// past it, or a frame that runs into zeros that go on to the end of the file (after a
// power cut a file may keep its length and lose its last data, which reads as zeros).
bool IsCutShort(const std::string& bytes, std::size_t at) {
    if (bytes.size() - at < kFrameHead)
        return true;
    std::size_t size = 0;
    const bool head = HeadAt(bytes, at, size);
    if (head && size >= bytes.size() - at - kFrameHead)
        return true;
    const std::size_t frameEnd = at + kFrameHead + (head ? size : 0);
    return ZeroTailStart(bytes) < frameEnd;
}

// Whether the payload of the whole frame at offset at is a checkpoint that names it.
bool IsCheckpoint(const std::string& bytes, std::size_t at, std::size_t size) {
    PayloadReader reader(bytes.data() + at + kFrameHead, size);
    std::uint64_t kind = 0, offset = 0;
    return reader.Number(kind, 1) && kind == kCheckpointKind && reader.Number(offset, 8) && reader.AtEnd() &&
           offset == at;
}

// Whether a whole frame lies somewhere after offset from (a checkpoint, when
// checkpointOnly), wherever the frames before it may have been damaged.
bool WholeFrameAfter(const std::string& bytes, std::size_t from, bool checkpointOnly) {
    std::size_t size = 0;
    for (std::size_t at = from + 1; bytes.size() - at >= kFrameHead; ++at)
        if (FrameAt(bytes, at, size) && (!checkpointOnly || IsCheckpoint(bytes, at, size)))
            return true;
    return false;
}

// Whether the frame at offset at, which does not read whole, is a tail that never reached
// the disk whole rather than damage. Cut short, it is. With checkpoints, so is any
// damage after the last checkpoint found whole: only what was flushed before one is
// known to have been on the disk (the sectors written since may each be lost or kept).
bool IsTornTail(const std::string& bytes, std::size_t at, bool checkpointed) {
    return IsCutShort(bytes, at) || (checkpointed && !WholeFrameAfter(bytes, at, true));
}

bool DecodeRecord(const char* data, std::size_t size, JournalRecord& record) {
    PayloadReader reader(data, size);
    std::uint64_t kind = 0, link = 0, count = 0;
    if (!reader.Number(kind, 1) || kind < std::uint64_t(RecordKind::FolderMade) ||
        kind > std::uint64_t(RecordKind::Succeeded))
        return false;
    record.kind = static_cast<RecordKind>(kind);
    if (!reader.Text(record.path) || !reader.Text(record.aside) ||
        !reader.Number(record.identity.volume, 8) || !reader.Number(record.identity.index, 8) ||
        !reader.Number(link, 1) || link > 1 || !reader.Number(count, 4) || count > size)
        return false;
    record.link = link == 1;
    for (std::uint64_t i = 0; i < count; ++i) { // each read is checked, so a false count costs nothing
        record.names.emplace_back();
        if (!reader.Text(record.names.back()))
            return false;
    }
    return reader.AtEnd();
}

// Reads the header frame's payload; Damaged unless it is one (installDir then untouched).
ParsedJournal::Status DecodeHeader(const char* data, std::size_t size, std::string& installDir,
                                   std::uint64_t& version) {
    if (size < sizeof kHeaderName || std::memcmp(data, kHeaderName, sizeof kHeaderName) != 0)
        return ParsedJournal::Status::Damaged;
    PayloadReader reader(data + sizeof kHeaderName, size - sizeof kHeaderName);
    if (!reader.Number(version, 4))
        return ParsedJournal::Status::Damaged;
    if (version != kJournalVersion && version != kUncheckpointedJournalVersion &&
        version != kCodePageJournalVersion)
        return ParsedJournal::Status::OtherVersion;
    std::string folder;
    if (!reader.Text(folder) || !reader.AtEnd())
        return ParsedJournal::Status::Damaged;
    installDir = folder; // only a header read whole gives its folder
    return ParsedJournal::Status::Whole;
}

// A version-1 journal's texts, from the system's code page to UTF-8; false when one is
// not text of that code page.
bool ConvertFromSystemCodePage(ParsedJournal& journal) {
    const auto convert = [](std::string& text) { return os::FromSystemCodePage(std::string(text), text); };
    if (!convert(journal.installDir))
        return false;
    for (JournalRecord& record : journal.records) {
        if (!convert(record.path) || !convert(record.aside))
            return false;
        for (std::string& name : record.names)
            if (!convert(name))
                return false;
    }
    return true;
}

} // namespace

std::string EncodeHeader(const std::string& installDir) {
    PayloadWriter payload;
    payload.bytes_.assign(kHeaderName, sizeof kHeaderName);
    payload.Number(kJournalVersion, 4);
    payload.Text(installDir);
    return payload.Frame();
}

std::string EncodeCheckpoint(std::uint64_t offset) {
    PayloadWriter payload;
    payload.Byte(kCheckpointKind);
    payload.Number(offset, 8);
    return payload.Frame();
}

std::string EncodeRecord(const JournalRecord& record) {
    PayloadWriter payload;
    payload.Byte(static_cast<std::uint8_t>(record.kind));
    payload.Text(record.path);
    payload.Text(record.aside);
    payload.Number(record.identity.volume, 8);
    payload.Number(record.identity.index, 8);
    payload.Byte(record.link ? 1 : 0);
    payload.Number(record.names.size(), 4);
    for (const std::string& name : record.names)
        payload.Text(name);
    return payload.Frame();
}

ParsedJournal ParseJournal(const std::string& bytes) {
    using Status = ParsedJournal::Status;
    ParsedJournal journal;
    std::size_t size = 0;
    if (!FrameAt(bytes, 0, size)) {
        // A header cut short, or lost with all that followed it: the run was killed or cut
        // off before it recorded anything. A header lost with whole frames after it tells
        // no version, and so nothing of whether they were flushed: damage.
        journal.status =
            IsCutShort(bytes, 0) || !WholeFrameAfter(bytes, 0, false) ? Status::TornTail : Status::Damaged;
        return journal;
    }
    std::uint64_t version = 0;
    journal.status = DecodeHeader(bytes.data() + kFrameHead, size, journal.installDir, version);
    if (journal.status != Status::Whole)
        return journal;
    const bool checkpointed = version == kJournalVersion;
    for (std::size_t at = kFrameHead + size; at < bytes.size(); at += kFrameHead + size) {
        JournalRecord record;
        if (!FrameAt(bytes, at, size)) {
            journal.status = IsTornTail(bytes, at, checkpointed) ? Status::TornTail : Status::Damaged;
            break;
        }
        if (checkpointed && IsCheckpoint(bytes, at, size))
            continue;
        if (!DecodeRecord(bytes.data() + at + kFrameHead, size, record)) {
            journal.status = Status::Damaged; // whole, yet not a record of this version
            break;
        }
        journal.records.push_back(std::move(record));
    }
    if (version == kCodePageJournalVersion && !ConvertFromSystemCodePage(journal)) {
        journal.status = Status::Damaged;
        journal.records.clear(); // not text: nothing to tell from them either
    }
    return journal;
}

} // namespace engine
