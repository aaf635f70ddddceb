// A fresh folder for one test, removed with everything in it afterwards. Paths are in
// the Windows form the primitives take ("C:\..."), on the host as well.
#pragma once

#include "runtime/OsSeam.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Path + "\" + relative.
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

  private:
    std::string path_;
};

// One entry of a folder as the system lists it.
struct FolderEntry {
    std::string name;
    std::uint32_t attributes = 0;
};
// Every entry of folder but "." and "..", in the system's order; none when it cannot
// be listed.
std::vector<FolderEntry> ListFolder(const std::string& folder);
// Removes folder with everything beneath it, read-only files included; a link is
// removed as a link, never followed. Test clean-up only: raises nothing, asserts nothing.
void RemoveAll(const std::string& folder);
// Writes bytes to a file (test set-up; raises nothing, asserts nothing).
void PutFile(const std::string& path, const std::string& bytes);
// Opens a file for writing as another program would that replaces its bytes: created or
// emptied, shared with no one (on the host, an exclusive advisory lock, as the seam's
// own opens take). Answers 0 or the system's code; the file is closed with os::Close.
// The installer itself never overwrites a file.
unsigned OpenToOverwrite(const std::string& path, os::FileHandle& file);
// Sets the file's last-write time to 1 June of the given year, local time.
void SetLastWriteYear(const std::string& path, int year);
// The file's last-write time in the system's own units (0 when it cannot be read).
long long LastWriteTime(const std::string& path);
// The file's bytes, or "<missing>" when it cannot be read.
std::string FileContent(const std::string& path);
// The host system's path of a path in the Windows form. Under Wine, Wine's own name for it
// ("" when Wine does not tell, or the program does not run under Wine); on the host, the
// path without its drive, with "/" for "\" (the host's C:\ is its root).
std::string HostPath(const std::string& path);
// Makes link a symbolic link to the folder target, which Wine shows as a junction: on
// the host by symlink, under Wine by the host's ln, which Wine starts like any program.
// False when the link does not lead to the folder.
bool MakeFolderLink(const std::string& target, const std::string& link);

} // namespace testing_support
