// Whole-file writing: create (or truncate) a file shared with no one, write all its
// bytes with one write, close it on every way out.
#pragma once

#include "runtime/OsSeam.h"

#include <string>
#include <vector>

namespace rt {

// A file created for writing. Creation raises "Cannot create file "%s". %s" with the
// full path and the system's message for the cause.
class NewFile {
  public:
    explicit NewFile(const std::string& path);
    ~NewFile() { os::Close(file_); }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // One write of all the bytes; fewer bytes written raise "Stream write error".
    void WriteAll(const void* data, std::size_t size);

  private:
    os::FileHandle file_ = os::kNoFile;
};

void WriteBytesToFile(const std::string& path, const void* data, std::size_t size);

// Every text followed by CR LF, the last one included; no header, no conversion.
void WriteTextsToFile(const std::string& path, const std::vector<std::string>& texts);

} // namespace rt
