// File and folder queries and operations. Those that report by result never raise;
// the ones that raise say so. Paths are UTF-8.
#pragma once

#include "runtime/FolderRights.h"
#include "runtime/OsSeam.h"
#include "runtime/OwnedFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rt {

// True only for an entry that is not a folder and whose last-write time, as local
// time, can be expressed as a DOS date (1980 to 2107).
bool FileExists(const std::string& path);

// True only when the entry's attributes can be read and carry the directory flag.
bool DirectoryExists(const std::string& path);

// Creates a folder and its missing parents, each with the rights given. Raises "Unable to create directory"
// for an empty name; otherwise reports by result. When created is given, every folder this call made is
// appended to it, outermost first; beforeMaking, when given, is told of each folder just before it is made
// (a journal records it there).
bool ForceDirectories(const std::string& path, std::vector<std::string>* created = nullptr,
                      FolderRights rights = FolderRights::Inherited,
                      const std::function<void(const std::string& folder)>& beforeMaking = nullptr);

// Creates one folder; raises the I/O error for the system's code when that fails.
void CreateDir(const std::string& path, FolderRights rights = FolderRights::Inherited);

bool RemoveFile(const std::string& path);
bool RemoveDir(const std::string& path);

// Renames a file or folder on its volume, never over an existing entry; answers 0 or
// the system's error code.
unsigned MoveEntry(const std::string& from, const std::string& to);

// Reads the identity of the object at path; false when there is nothing there or it
// cannot be read.
bool ReadIdentity(const std::string& path, os::FinalLink finalLink, os::Identity& identity);

// The path itself when it is a folder, else the nearest folder above it that exists;
// "" when none on the way does.
std::string NearestExistingFolder(const std::string& path);

// The room left to this user on the volume that path is (or would be) on, asked of its
// nearest existing folder, and the volume's allocation unit; false when no folder on
// the way exists or the volume cannot be asked (a drive that is not there).
bool RoomOnVolume(const std::string& path, std::uint64_t& freeBytes, std::uint64_t& unitBytes);

// The entries of a folder, "." and ".." left out; none when it cannot be listed.
std::vector<os::FoundEntry> ListFolder(const std::string& folder);

// Reads a whole file into bytes; answers 0 or the system's code.
unsigned ReadWholeFile(const std::string& path, std::string& bytes);

// Reads the entry's attribute bits; false when there is no entry or they cannot be read.
bool ReadAttributes(const std::string& path, std::uint32_t& attributes);
// Reads the attribute bits of an object held open by path, with the link bit of what
// the path names: the handle tells a link on Windows, but under Wine only the path's
// attributes do. False when either cannot be read.
bool ReadAttributes(const OwnedFile& held, const std::string& path, std::uint32_t& attributes);
// Whether the entry at path is itself a link (a symbolic link, a junction): its link bit,
// read without following it; false when there is no entry or it cannot be read.
bool IsLink(const std::string& path);

// Sets the entry's attribute bits; answers 0 or the system's error code.
unsigned FileSetAttr(const std::string& path, std::uint32_t attributes);

} // namespace rt
