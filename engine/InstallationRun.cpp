#include "engine/InstallationRun.h"

#include "engine/Manifest.h"
#include "engine/TargetPaths.h"
#include "runtime/Errors.h"
#include "runtime/FileSystem.h"
#include "runtime/FileWriter.h"
#include "runtime/TextFile.h"

namespace engine {

const char* const kFolderFailureText = "创建安装目录失败!";
const char* const kFolderFailureCaption = "信息";
const char* const kCancelQuestionText = "是否真的结束安装?";
const char* const kCancelQuestionCaption = "安装提示";

namespace {

const char* const kProgressIndent = "    ";

} // namespace

InstallationRun::InstallationRun(const std::string& installDir, bool& cancelRequested, InstallPage& page,
                                 ShortcutMaker& shortcuts, const PayloadStore& store)
    : installDir_(installDir), cancelRequested_(cancelRequested), page_(page), shortcuts_(shortcuts),
      store_(store) {}

void InstallationRun::Install() {
    uninstallList_.clear();
    if (!CreateFolders()) {
        page_.ShowOnFocusWindow(kFolderFailureText, kFolderFailureCaption, kStyleOk);
        return;
    }
    CopyManifest();
    page_.SetProgressRange(0, CountManifestLines() - 1);
    ExtractEntries();
    if (cancelRequested_)
        CancelEnding();
    else
        SucceedEnding();
}

bool InstallationRun::CreateFolders() {
    try {
        for (const std::string& folder : {installDir_, DataFolder(installDir_), DailyFolder(installDir_)}) {
            if (!rt::DirectoryExists(folder) && !journal_.CreateFolders(folder))
                return false;
        }
        return true;
    } catch (const rt::Error&) {
        return false; // a folder text without a drive ends its chain of parents in an empty name
    }
}

void InstallationRun::CopyManifest() {
    const Blob manifest = store_.Open(kManifestName, kManifestType);
    WriteNewFile(ManifestCopyPath(installDir_), manifest.Data(), manifest.Size());
}

long InstallationRun::CountManifestLines() {
    rt::TextFile manifest(ManifestCopyPath(installDir_));
    manifest.Reset();
    long count = 0;
    for (; !manifest.Eof(); ++count)
        manifest.ReadLn();
    manifest.Close();
    return count;
}

void InstallationRun::ExtractEntries() {
    rt::TextFile manifest(ManifestCopyPath(installDir_));
    manifest.Reset();
    manifest.ReadLn(); // the manifest's own entry
    // Lines 2 to 6 are read without an end-of-text test.
    for (long lineNumber = 2; lineNumber <= kMinimumManifestLines; ++lineNumber)
        ExtractEntry(manifest.ReadLn(), lineNumber);
    for (long lineNumber = kMinimumManifestLines + 1; !manifest.Eof(); ++lineNumber) {
        page_.ProcessMessages();
        if (!KeepGoingAfterCancelCheck())
            break;
        ExtractEntry(manifest.ReadLn(), lineNumber);
        page_.SetProgressPosition(page_.ProgressPosition() + 1);
    }
    manifest.Close();
}

bool InstallationRun::KeepGoingAfterCancelCheck() {
    if (!cancelRequested_)
        return true;
    if (page_.AskOnPage(kCancelQuestionText, kCancelQuestionCaption, kStyleOkCancelInformation) == kButtonOk)
        return false;
    cancelRequested_ = false;
    return true;
}

void InstallationRun::ExtractEntry(const std::string& line, long lineNumber) {
    const ManifestEntry entry = SplitManifestLine(line);
    const std::string target = EntryPath(installDir_, ClassOfLine(lineNumber), entry.fileName);
    page_.SetProgressText(kProgressIndent + target);
    const Blob blob = store_.Open(entry.name, entry.type);
    WriteNewFile(target, blob.Data(), blob.Size());
    uninstallList_.push_back(target);
}

void InstallationRun::WriteNewFile(const std::string& path, const char* data, std::size_t size) {
    rt::NewFile file;
    journal_.OpenNewFile(path, file); // from here on the file is the run's, whole or not
    file.WriteAll(data, size);
}

void InstallationRun::SucceedEnding() {
    const std::string uninstallList = rt::JoinLines(uninstallList_);
    WriteNewFile(UninstallListPath(installDir_), uninstallList.data(), uninstallList.size());
    shortcuts_.CreateProgramsShortcut(installDir_ + "\\readme.txt", "软件说明文件", journal_);
    shortcuts_.CreateProgramsShortcut(installDir_ + "\\UnInstall.exe", "Marluxa卸载", journal_);
    shortcuts_.CreateProgramsShortcut(installDir_ + "\\Quenvale.exe", "Marluxa", journal_);
    if (page_.DesktopShortcutChecked())
        shortcuts_.CreateDesktopShortcut(installDir_ + "\\Quenvale.exe", "\\Marluxa", journal_);
    const std::string manifestCopy = ManifestCopyPath(installDir_);
    if (rt::FileExists(manifestCopy))
        rt::RemoveFile(manifestCopy);
    journal_.DropSetAsideFiles(); // nothing can fail any more: the earlier files go
    page_.ShowFinishPage();
}

void InstallationRun::CancelEnding() {
    uninstallList_.clear();
    RollBack();
    page_.Terminate();
}

int InstallationRun::RollBack() {
    return journal_.RollBack();
}

} // namespace engine
