#include "wizard/ProgressPage.h"

#include "framework/Application.h"
#include "payload/ProductInfo.h"
#include "runtime/Errors.h"
#include "wizard/RunMessages.h"

namespace wizard {

namespace {

const char* const kCancelQuestion = "是否真的结束安装?";
const char* const kCancelCaption = "安装提示";
const char* const kFolderFailure = "创建安装目录失败!";
const char* const kFolderFailureCaption = "信息";
const char* const kFileIndent = "    ";
const char* const kPayloadDamaged = "安装程序已损坏，请重新获取安装程序。";
const char* const kPayloadChecking = "正在检查安装程序是否完整，请稍候......";
const char* const kReadyText = "\r    安装" PRODUCT_NAME "，请点击安装";
// Shown by the system beside the program when a log-off or shut-down waits for it.
const char* const kSessionEndBlockReason = "正在安装" PRODUCT_NAME "，请等待安装完成或取消。";

// While it lives, the session may not end: files are being written or undone.
class SessionEndBlocked {
  public:
    SessionEndBlocked() { framework::App().BlockSessionEnd(kSessionEndBlockReason); }
    ~SessionEndBlocked() { framework::App().AllowSessionEnd(); }
    SessionEndBlocked(const SessionEndBlocked&) = delete;
    SessionEndBlocked& operator=(const SessionEndBlocked&) = delete;
};

// How often the page shows the run's progress and handles waiting messages while the
// run goes: about two screen refreshes, so a click is answered well within 50 ms.
constexpr std::chrono::milliseconds kRefreshInterval{33};

// The bar's range while the payload check goes, and how far the check is on it.
constexpr long kCheckBarSteps = 1000;
long CheckBarPosition(const engine::PayloadCheck& check) {
    const unsigned long long done = check.Done(), inAll = check.InAll();
    return inAll == 0 ? 0 : static_cast<long>(done * kCheckBarSteps / inAll);
}

// Names both figures, in megabytes with one decimal.
std::string RoomMessage(const engine::DiskSpace& room) {
    constexpr double kMegabyte = 1024.0 * 1024.0;
    return rt::Format("目标磁盘空间不足：安装需要 %.1f MB，而该磁盘只有 %.1f MB 可用。请选择其他文件夹。",
                      room.needed / kMegabyte, room.free / kMegabyte);
}

} // namespace

ProgressPage::ProgressPage(const std::string& installDir, engine::InstallationRun& run)
    : PageFrame(63), installDir_(installDir), run_(run) {
    PlaceCheckBox(desktopShortcutBox_, "在桌面创建快捷方式", InBody(14, 191, 147, 17), true);
    PlaceButton(cancelButton_, "取消", 393);
    PlaceButton(installButton_, "安装", 293);
    PlaceButton(backButton_, "<  上一步", 192, 297);
    Place(currentFile_, InBody(2, 65, 485, 40));
    Place(copyAnimation_, InBody(2, 105, 485, 60));
    Place(bar_, InBody(2, 165, 485, 12));
    bar_.SetText("安装进度"); // its accessible name: the bar shows no text
    SetDefaultButton(installButton_);
    FinishLayout();
    installButton_.OnClick = [this] { Install(); };
    cancelButton_.OnClick = [this] { Cancel(); };
    backButton_.OnClick = [this] { onBack(); };
    introduction_.SetText(kReadyText);
    // A session that ends anyway (the stopped state, or forced) leaves the journal whole
    // on disk for the next run.
    framework::App().SetSessionEndingHandler([this] { run_.FlushJournal(); });
}

void ProgressPage::Install() {
    introduction_.SetText("\r    安装程序正在安装  " PRODUCT_NAME "  到您的电脑中，请等待......");
    installButton_.SetEnabled(false);
    backButton_.SetEnabled(false);
    stage_ = Stage::Stopped; // so that a clip that cannot play leaves the page stopped
    copyAnimation_.Show();
    copyAnimation_.Play();
    RunAndFollowItsOutcome();
}

void ProgressPage::RunAndFollowItsOutcome() {
    stage_ = Stage::Installing;
    if (!PayloadCheckAwaited()) {
        stage_ = Stage::Ended;
        onQuit(); // nothing was written
        return;
    }
    const engine::RunResult result = RunStoppingOnError();
    BringScreenUpToDate();
    if (engine::StoppedUnfinished(result.outcome))
        StopAfterTheFoldersFailed();
    else
        FollowTheEnding(result);
}

engine::RunResult ProgressPage::RunStoppingOnError() {
    try {
        const SessionEndBlocked writing;
        return run_.Install(installDir_, *this);
    } catch (...) {
        BringScreenUpToDate(); // the stopped page shows the last path and position
        EnterStoppedState();   // before the error report, so that its way out is there
        throw;
    }
}

void ProgressPage::StopAfterTheFoldersFailed() {
    EnterStoppedState(); // first, so that "取消" has its way out while the box is up
    // Owned by the window with the keyboard focus, or by the page when a click
    // left none (the focused button was disabled).
    framework::ShowMessageBox(GetFocus() ? GetFocus() : Handle(), kFolderFailure, kFolderFailureCaption,
                              MB_OK);
}

void ProgressPage::FollowTheEnding(const engine::RunResult& result) {
    switch (result.outcome) {
    case engine::RunOutcome::PayloadDamaged:
        EndForTheDamagedPayload();
        break;
    case engine::RunOutcome::NotEnoughRoom:
        ReturnToReady();
        framework::ShowMessageBox(Handle(), RoomMessage(result.room), SETUP_TITLE,
                                  MB_OK | MB_ICONEXCLAMATION);
        break;
    case engine::RunOutcome::RecoveryNotFinished:
        ReturnToReadyTelling(RecoveryNotFinishedText(result.recovery));
        break;
    case engine::RunOutcome::FolderInUse:
        ReturnToReadyTelling(kFolderInUseText);
        break;
    case engine::RunOutcome::LinkInTheWay:
        ReturnToReadyTelling(LinkInTheWayText(result.refusedAt));
        break;
    case engine::RunOutcome::FolderLeftToOthers:
        ReturnToReady(); // the user's own choice: nothing more to say
        break;
    case engine::RunOutcome::Cancelled:
        EndAfterTheCancel(result.left);
        break;
    case engine::RunOutcome::FoldersNotCreated: // a stopped run (StopAfterTheFoldersFailed)
        break;
    case engine::RunOutcome::Succeeded:
        MoveOnToTheFinish(result.left);
        break;
    }
}

void ProgressPage::EndForTheDamagedPayload() {
    stage_ = Stage::Ended;
    Tell(kPayloadDamaged, MB_ICONSTOP); // shown again if closed while the check went
    // Nothing was written, and nothing can be installed from this program.
    onQuit();
}

void ProgressPage::EndAfterTheCancel(const engine::LeftBehind& left) {
    stage_ = Stage::Ended;
    TellWhatTheUndoLeft(left);
    onQuit();
}

void ProgressPage::MoveOnToTheFinish(const engine::LeftBehind& left) {
    stage_ = Stage::Ended;
    if (!left.atRestart.empty() || !left.Nothing() || !left.keptAside.empty() || !left.unconfirmed.empty())
        Tell(DroppedLaterText(left), MB_ICONINFORMATION);
    onNext();
}

void ProgressPage::ReturnToReadyTelling(const std::string& text) {
    ReturnToReady();
    Tell(text, MB_ICONEXCLAMATION);
}

bool ProgressPage::PayloadCheckAwaited() {
    const engine::PayloadCheck& check = run_.CheckOfItsPayload();
    if (check.Now() != engine::PayloadCheck::State::Running)
        return true;
    currentFile_.SetText(kFileIndent + std::string(kPayloadChecking));
    bar_.SetRange(0, kCheckBarSteps);
    while (check.Now() == engine::PayloadCheck::State::Running) {
        bar_.SetPosition(CheckBarPosition(check));
        framework::App().WaitForMessages(kRefreshInterval.count());
        PumpWaitingMessages();
        if (cancelRequested_ && CancelConfirmed())
            return false;
    }
    currentFile_.SetText("");
    bar_.SetPosition(0); // the run's own steps start from here
    return true;
}

void ProgressPage::TellWhatTheUndoLeft(const engine::LeftBehind& left) {
    if (!left.Nothing() || !left.movedAside.empty() || !left.unconfirmed.empty())
        Tell(UndoLeftText(left), MB_ICONEXCLAMATION);
}

void ProgressPage::Tell(const std::string& text, UINT icon) {
    ShowAgainIfHidden();
    framework::ShowMessageBox(Handle(), text, SETUP_TITLE, MB_OK | icon);
}

void ProgressPage::InterruptedRunRecovered(const engine::Recovery& recovery) {
    Tell(RecoveredText(recovery), MB_ICONINFORMATION);
}

bool ProgressPage::MayInstallIntoFoldersOthersCanChange(const std::vector<std::string>& folders) {
    ShowAgainIfHidden();
    return framework::ShowMessageBox(Handle(), FoldersOpenToOthersQuestion(folders), SETUP_TITLE,
                                     MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void ProgressPage::ReturnToReady() {
    stage_ = Stage::Ready;
    copyAnimation_.StopAndHide();
    introduction_.SetText(kReadyText);
    installButton_.SetEnabled(true);
    backButton_.SetEnabled(true);
}

void ProgressPage::EnterStoppedState() {
    stage_ = Stage::Stopped;
    ShowAgainIfHidden();
}

void ProgressPage::ShowAgainIfHidden() {
    if (!IsWindowVisible(Handle()))
        Show();
}

void ProgressPage::Cancel() {
    if (RunHasStopped())
        AbandonStoppedRun();
    else
        cancelRequested_ = true;
}

void ProgressPage::ApplicationCloseRequested() {
    if (stage_ == Stage::Installing || RunHasStopped())
        Cancel();
    else
        onQuit();
}

void ProgressPage::CloseBoxPressed() {
    switch (stage_) {
    case Stage::Ready:
        onQuit();
        break;
    case Stage::Installing:
        Hide(); // the run goes on and shows the finish page when it succeeds
        break;
    case Stage::Stopped:
        AbandonStoppedRun();
        break;
    case Stage::AbandonAsked:
    case Stage::Ended:
        break;
    }
}

void ProgressPage::AbandonStoppedRun() {
    if (stage_ != Stage::Stopped)
        return; // the question is up already
    stage_ = Stage::AbandonAsked;
    if (!UserConfirmsCancel()) {
        stage_ = Stage::Stopped;
        return;
    }
    stage_ = Stage::Ended;
    engine::LeftBehind left;
    {
        const SessionEndBlocked undoing;
        left = run_.Abandon();
    }
    TellWhatTheUndoLeft(left);
    onQuit();
}

bool ProgressPage::UserConfirmsCancel() {
    ShowAgainIfHidden(); // a question about the run is asked on its page
    return framework::ShowMessageBox(Handle(), kCancelQuestion, kCancelCaption,
                                     MB_OKCANCEL | MB_ICONINFORMATION) == IDOK;
}

void ProgressPage::RangeKnown(long maximum) {
    bar_.SetRange(0, maximum);
}

void ProgressPage::EntryStarting(const std::string& path) {
    currentPath_ = path;
    pathShown_ = false;
}

void ProgressPage::DailyEntryWritten() {
    ++stepsNotShown_;
}

void ProgressPage::StillWorking(const std::string& path) {
    if (path != currentPath_) {
        currentPath_ = path;
        pathShown_ = false;
    }
    MayShowProgress();
}

void ProgressPage::MayShowProgress() {
    if (DisplayUpdateDue()) {
        BringScreenUpToDate();
        PumpWaitingMessages();
    }
}

bool ProgressPage::MayGoOn() {
    MayShowProgress();
    return !cancelRequested_ || !CancelConfirmed();
}

void ProgressPage::BringScreenUpToDate() {
    if (!pathShown_)
        currentFile_.SetText(kFileIndent + currentPath_);
    pathShown_ = true;
    if (stepsNotShown_ > 0)
        bar_.SetPosition(bar_.Position() + stepsNotShown_);
    stepsNotShown_ = 0;
}

bool ProgressPage::DisplayUpdateDue() {
    const auto now = std::chrono::steady_clock::now();
    if (now < nextRefresh_)
        return false;
    nextRefresh_ = now + kRefreshInterval;
    return true;
}

void ProgressPage::PumpWaitingMessages() {
    framework::App().ProcessMessages();
}

bool ProgressPage::CancelConfirmed() {
    BringScreenUpToDate();
    cancelRequested_ = UserConfirmsCancel();
    return cancelRequested_;
}

bool ProgressPage::DesktopShortcutWanted() {
    return desktopShortcutBox_.Checked();
}

} // namespace wizard
