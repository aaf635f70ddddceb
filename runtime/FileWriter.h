// Whole-file writing: create (or truncate) a file shared with no one, write all its
// bytes with one write, close it on every way out.
#pragma once

#include "runtime/Errors.h"
#include "runtime/OsSeam.h"

#include <string>
#include <vector>

namespace rt {

// A file created for writing. Creation raises "Cannot create file "%s". %s" with the
// full path and the system's message for the cause.
class NewFile {
  public:
    // Creates the file or truncates an existing one.
    explicit NewFile(const std::string& path);
    // A file not yet created: see CreateOnly.
    NewFile() = default;
    ~NewFile() { os::Close(file_); }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // Creates the file only where no entry of that name exists yet. Answers 0 or the
    // system's code (80 or 183 when something is there); raises nothing.
    unsigned CreateOnly(const std::string& path);

    // One write of all the bytes; fewer bytes written raise "Stream write error".
    void WriteAll(const void* data, std::size_t size);

    // The identity of the open file; false when the system cannot tell it.
    bool ReadIdentity(os::Identity& identity) const;

  private:
    os::FileHandle file_ = os::kNoFile;
};

// The error that file creation raises for path and the system's code.
Error CannotCreateFile(const std::string& path, unsigned code);

void WriteBytesToFile(const std::string& path, const void* data, std::size_t size);

// Every text followed by CR LF, the last one included; no header, no conversion.
std::string JoinLines(const std::vector<std::string>& texts);
void WriteTextsToFile(const std::string& path, const std::vector<std::string>& texts);

} // namespace rt
