// The installation run: folders, the manifest copy, the count pass, the extraction
// pass with its cancel check, and the two endings. It runs synchronously on the
// user-interface thread and reaches the page only through InstallPage.
#pragma once

#include "engine/InstallPage.h"
#include "engine/PayloadStore.h"
#include "engine/RunJournal.h"

#include <string>
#include <vector>

namespace engine {

// Texts of the run's own message boxes.
extern const char* const kFolderFailureText; // "创建安装目录失败!"
extern const char* const kFolderFailureCaption;
extern const char* const kCancelQuestionText; // "是否真的结束安装?"
extern const char* const kCancelQuestionCaption;

class InstallationRun {
  public:
    // installDir and cancelRequested are the wizard's shared globals, read (and the
    // flag cleared) while the run goes on.
    InstallationRun(const std::string& installDir, bool& cancelRequested, InstallPage& page,
                    ShortcutMaker& shortcuts, const PayloadStore& store);

    // The whole run. Returns after the folder-creation message or one of the two
    // endings; any other failure leaves as an error, with the page as it stands.
    void Install();

    // Undoes what the run did so far (see RunJournal): removes what it made and is
    // still its own, shortcuts and a file left half-written included, and puts back
    // every file it set aside. Answers how many entries it had to leave in place.
    int RollBack();

  private:
    bool TargetCanHoldTheInstallation() const;
    bool CreateFolders();
    void CopyManifest();
    long CountManifestLines();
    void ExtractEntries();
    void ExtractEntry(const std::string& line, long lineNumber);
    void WriteNewFile(const std::string& path, const char* data, std::size_t size);
    bool KeepGoingAfterCancelCheck();
    void SucceedEnding();
    void CancelEnding();

    const std::string& installDir_;
    bool& cancelRequested_;
    InstallPage& page_;
    ShortcutMaker& shortcuts_;
    const PayloadStore& store_;

    std::vector<std::string> uninstallList_; // files written whole, in order
    RunJournal journal_;
};

} // namespace engine
