// The changes the POSIX seam makes on disk, told as they are made, for the host tests
// that replay a run up to any point and cut the power there (tests/unit/CrashStateTest).
// Host only: the Win32 seam has no listener.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace os {

struct Change {
    enum class Kind {
        CreateFile,    // path: a file made (or emptied) for writing
        Write,         // path: the file written, bytes: what was appended to it
        Flush,         // path: the file whose data was written through to the disk
        FlushVolume,   // every file's data written through to the disk
        MakeFolder,    // path
        Move,          // path to "to"
        RemoveFile,    // path
        RemoveFolder,  // path
        SetAttributes, // path, attributes
    };
    Kind kind = Kind::CreateFile;
    std::string path; // in the Windows form the seam takes
    std::string to;
    std::string bytes;
    std::uint32_t attributes = 0;
};

// Every change the seam makes from now on, successful ones only, is told to listener;
// an empty listener stops the telling.
void ListenToChanges(std::function<void(const Change&)> listener);

// Every flush from now on (of a file or of the volume) is first put to refusal: a code
// other than 0 is the seam's answer and nothing is written through, as a volume that
// cannot be flushed answers; an empty refusal lets every flush through.
void RefuseFlushes(std::function<unsigned(const Change&)> refusal);

// From now on (true) a flush, of a file or of the volume, is told and answered as made
// without asking the system: the tests that cut the power themselves decide what each
// flush kept, and a real one would only cost them time. false: flushes are made again.
void PretendFlushes(bool pretending);

// From now on (true) an object's identity changes when it is renamed, as on FAT and exFAT,
// where it is the place of its directory entry; false: it keeps its identity again.
void IdentitiesMoveWithRenames(bool moving);

} // namespace os
