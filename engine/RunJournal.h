// The record of what one installation run made and what it set aside, so that the run
// can be undone exactly. Every file and folder is recorded before it is made, and the
// identity of what was made (os::Identity) right after: undoing removes a path
// only while it still names that object, and only through folders that are still the
// ones the run wrote into (a folder turned into a link or junction since is not entered).
//
// A file that stood where the run writes is never overwritten: it is set aside beside
// itself under its name + ".bak" (".bak2", ".bak3", ... when that name is taken), a
// rename on the same volume that keeps its bytes, attributes and time stamps. Undoing
// renames it back; success deletes it. A run that is killed leaves it there.
#pragma once

#include "runtime/CreationRecorder.h"
#include "runtime/FileWriter.h"
#include "runtime/OsSeam.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace engine {

class RunJournal : public rt::CreationRecorder {
  public:
    // Creates path for writing as the run's own file, setting aside a file in the way.
    // A folder or a read-only file in the way is refused as replacing it would be
    // ("Access is denied"), and so is a file held open elsewhere. Raises the
    // file-creation error of rt::NewFile.
    void OpenNewFile(const std::string& path, rt::NewFile& file);

    // For a file that another component writes (a shell link): sets a file in the way
    // aside, as OpenNewFile does, and records the path; false when something that is not
    // set aside (a folder) is in the way, and then nothing is recorded. After the write,
    // AdoptWrittenFile records what is there as the run's own.
    bool PrepareForeignFile(const std::string& path) override;
    void AdoptWrittenFile(const std::string& path) override;

    // Creates a folder and its missing parents, recording each one made; reports as
    // rt::ForceDirectories does.
    bool CreateFolders(const std::string& path);
    // Creates one folder; raises the I/O error for the system's code.
    void CreateFolder(const std::string& path) override;

    // After a successful run: deletes the files set aside. The run's own stay.
    void DropSetAsideFiles();

    // Undoes the run: deletes its files that are still its own, newest first, puts
    // every file set aside back under its name, then removes the folders the run made,
    // deepest first, when they are still its own and empty. Answers how many entries
    // were left as they are (no longer the run's, or not removable, or not put back).
    // The journal is empty afterwards, so a second call does nothing.
    int RollBack();

  private:
    struct FileRecord {
        explicit FileRecord(std::string recordedPath) : path(std::move(recordedPath)) {}
        std::string path;
        bool made = false; // identity holds what the run created at path
        os::Identity identity;
        std::string setAsideAs; // where the file that stood there went, or empty
        os::Identity setAsideIdentity;
    };
    struct FolderRecord {
        explicit FolderRecord(std::string recordedPath) : path(std::move(recordedPath)) {}
        std::string path;
        bool made = false;
        os::Identity identity;
    };

    // A folder as the run found it when it first wrote into it: the identity of the
    // folder the path led to, and whether the path ended in a link then.
    struct FolderSeen {
        os::Identity identity;
        bool link = false;
        bool operator==(const FolderSeen& other) const {
            return identity == other.identity && link == other.link;
        }
    };
    static bool Look(const std::string& folder, FolderSeen& seen);

    // Moves the file at path aside; answers 0 or the system's code.
    unsigned SetAside(FileRecord& record);
    void NoteContainingFolder(const std::string& path);
    // The folders the run wrote into that still lead where they led then.
    std::set<std::string> FoldersStillAsWrittenInto() const;
    int UndoFile(const FileRecord& record, const std::set<std::string>& enterable) const;
    int UndoFolder(const FolderRecord& record) const;

    std::vector<FileRecord> files_;
    std::vector<FolderRecord> folders_; // outermost first
    // Every folder the run wrote a file into.
    std::map<std::string, FolderSeen> foldersWrittenInto_;
};

} // namespace engine
