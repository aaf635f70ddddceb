// Writing a new file: created only where nothing of its name stands, shared with no
// one, all its bytes written or an error raised, closed on every way out.
#pragma once

#include "runtime/Errors.h"
#include "runtime/OsSeam.h"
#include "runtime/OwnedFile.h"

#include <cstddef>
#include <functional>
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

    // Writes all the bytes, in parts of at most kWritePart; betweenParts, when given, runs
    // after each part but the last, so that a caller can keep its window answering while a
    // large file is written. A part the system does not write whole raises "Stream write
    // error", as one write of every byte would.
    void WriteAll(const void* data, std::size_t size, const std::function<void()>& betweenParts = {});

    // Large enough that the calls cost nothing beside the bytes, small enough that a part
    // takes a fraction of a second on a slow disk.
    static constexpr std::size_t kWritePart = std::size_t{4} << 20;

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
