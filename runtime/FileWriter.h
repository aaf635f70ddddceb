// Writing a new file: created only where nothing of its name stands, shared with no
// one, all its bytes written with one write, closed on every way out.
#pragma once

#include "runtime/Errors.h"
#include "runtime/OsSeam.h"
#include "runtime/OwnedFile.h"

#include <string>
#include <vector>

namespace rt {

// A file created for writing; none until CreateOnly succeeds. Closed when it goes.
class NewFile {
  public:
    // Creates the file only where no entry of that name exists yet, closing the file
    // held before. Answers 0 or the system's code (80 or 183 when something is there);
    // raises nothing.
    unsigned CreateOnly(const std::string& path);

    // One write of all the bytes; fewer bytes written raise "Stream write error".
    void WriteAll(const void* data, std::size_t size);

    // The identity of the open file; false when the system cannot tell it.
    bool ReadIdentity(os::Identity& identity) const;

  private:
    OwnedFile file_;
    std::string path_; // as it was created
};

// The error a failed creation raises: "Cannot create file "%s". %s" with the full
// path and the system's message for the code.
Error CannotCreateFile(const std::string& path, unsigned code);

// Every text followed by CR LF, the last one included; no header, no conversion.
std::string JoinLines(const std::vector<std::string>& texts);

} // namespace rt
