// Line-by-line reading of a text file through a 128-byte buffer. A line ends at LF
// or CR LF; a CR not followed by LF is dropped; byte 0x1A counts as the end of text.
#pragma once

#include "runtime/OwnedFile.h"

#include <string>

namespace rt {

// A reader of one named file. A file still open when the reader goes is closed without
// raising.
class TextFile {
  public:
    TextFile() = default;
    explicit TextFile(std::string name) : name_(std::move(name)) {}
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Opens the named file for reading; others may read but not write it. Raises the
    // I/O error for the system's code, or 102 when no name was given.
    void Reset();
    // True when no byte is left or the next byte is 0x1A. Raises 103 when not open.
    bool Eof();
    // Reads one line without its terminator. Raises 103 when not open.
    std::string ReadLn();
    // Raises 103 when the file is not open.
    void Close();

  private:
    static constexpr std::size_t kBufferSize = 128;
    static constexpr char kEndOfText = 0x1A;

    void RequireOpen() const;
    bool Fill(); // false when no byte is left

    std::string name_;
    OwnedFile file_;
    char buffer_[kBufferSize];
    std::size_t position_ = 0;
    std::size_t end_ = 0;
};

} // namespace rt
