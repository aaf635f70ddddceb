// libFuzzer target: the journal reader on any bytes. Beyond what the sanitizers catch,
// it checks what the recovery relies on: only a usable journal gives records, and what
// the reader takes as whole is exactly what the writer writes for those records.
//
// Random changes almost never keep a frame's checksum right, so each input is also read
// with the checksums along its chain of frames made right: that is how the fuzzer gets
// past the framing to the decoding of headers and records.
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

void Check(const std::string& bytes) {
    using engine::ParsedJournal;
    const ParsedJournal read = engine::ParseJournal(bytes);
    if (!read.Usable()) {
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
    std::string again = engine::EncodeHeader(read.installDir);
    for (const engine::JournalRecord& record : read.records)
        again += engine::EncodeRecord(record);
    if (read.status == ParsedJournal::Status::Whole)
        Require(again == bytes);
    else if (!read.installDir.empty() ||
             !read.records.empty()) // the header was read: the tail is what is left
        Require(again.size() < bytes.size() && bytes.compare(0, again.size(), again) == 0);
}

std::uint32_t Read32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= std::uint32_t(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

// The frames' layout: "JR", the payload's length and its FNV-1a checksum (4 bytes each,
// little-endian), the payload.
std::string WithChecksumsMadeRight(std::string bytes) {
    for (std::size_t at = 0; bytes.size() - at >= 10 && bytes.compare(at, 2, "JR") == 0;) {
        const std::uint32_t length = Read32(bytes, at + 2);
        if (length > bytes.size() - at - 10)
            break;
        std::uint32_t hash = 2166136261u;
        for (std::size_t i = at + 10; i < at + 10 + length; ++i)
            hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 16777619u;
        for (int i = 0; i < 4; ++i)
            bytes[at + 6 + i] = static_cast<char>(hash >> (8 * i));
        at += 10 + length;
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
