// libFuzzer target: the journal reader on any bytes. Beyond what the sanitizers catch,
// it checks what the recovery relies on: only a usable journal is to be acted on, and what
// the reader takes as whole is exactly what the writer writes for those records, with
// the checkpoints where they stand.
//
// Random changes almost never keep a frame's checksums right, so each input is also read
// with the checksums along its chain of frames made right: that is how the fuzzer gets
// past the framing to the decoding of headers, records and checkpoints.
#include "engine/JournalFormat.h"
#include "runtime/OsSeam.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Require(bool holds) {
    if (!holds)
        std::abort(); // reported by libFuzzer as a crash, with the input kept
}

// A header frame's version follows the frame's 14 bytes and the format's 8-byte name.
bool WrittenBeforeUtf8(const std::string& bytes) {
    return bytes.size() > 22 && static_cast<unsigned char>(bytes[22]) == engine::kCodePageJournalVersion;
}

bool IsUtf8(const std::string& text) {
    return os::Widened(text).valid;
}

std::uint32_t Read32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= std::uint32_t(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

// The frames' layout: "JR", the payload's length, the length's FNV-1a checksum and the
// payload's (4 bytes each, little-endian), the payload.
std::uint32_t Fnv1a(const std::string& bytes, std::size_t at, std::size_t size) {
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = at; i < at + size; ++i)
        hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 16777619u;
    return hash;
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// The header, records and checkpoints as the writer writes them for what was read: the
// header of the version read, and (in the version that writes them) each checkpoint that
// stands in bytes where the writing has got to (a checkpoint names its own offset).
std::string WrittenAgain(const engine::ParsedJournal& read, const std::string& bytes) {
    const auto version = static_cast<unsigned char>(bytes[22]);
    std::string again = engine::EncodeHeader(read.installDir);
    again[22] = static_cast<char>(version);
    Put32(again, 10, Fnv1a(again, 14, again.size() - 14));
    const auto checkpoints = [&] {
        for (std::string checkpoint = engine::EncodeCheckpoint(again.size());
             version == engine::kJournalVersion &&
             bytes.compare(again.size(), checkpoint.size(), checkpoint) == 0;
             checkpoint = engine::EncodeCheckpoint(again.size()))
            again += checkpoint;
    };
    checkpoints();
    for (const engine::JournalRecord& record : read.records) {
        again += engine::EncodeRecord(record);
        checkpoints();
    }
    return again;
}

void Check(const std::string& bytes) {
    using engine::ParsedJournal;
    const ParsedJournal read = engine::ParseJournal(bytes);
    if (read.status == ParsedJournal::Status::OtherVersion ||
        (read.installDir.empty() && read.records.empty())) {
        Require(read.records.empty());
        return;
    }
    if (WrittenBeforeUtf8(bytes)) {
        // Read converted from the system's code page, so not written back byte for byte.
        Require(IsUtf8(read.installDir));
        for (const engine::JournalRecord& record : read.records)
            Require(IsUtf8(record.path) && IsUtf8(record.aside));
        return;
    }
    // The header was read: what was read whole is the writer's, and only a whole journal
    // has nothing after it.
    const std::string again = WrittenAgain(read, bytes);
    if (read.status == ParsedJournal::Status::Whole)
        Require(again == bytes);
    else
        Require(again.size() < bytes.size() && bytes.compare(0, again.size(), again) == 0);
}

std::string WithChecksumsMadeRight(std::string bytes) {
    for (std::size_t at = 0; bytes.size() - at >= 14 && bytes.compare(at, 2, "JR") == 0;) {
        const std::uint32_t length = Read32(bytes, at + 2);
        if (length > bytes.size() - at - 14)
            break;
        Put32(bytes, at + 6, Fnv1a(bytes, at + 2, 4));
        Put32(bytes, at + 10, Fnv1a(bytes, at + 14, length));
        at += 14 + length;
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Check(bytes);
    Check(WithChecksumsMadeRight(bytes));
    return 0;
}
