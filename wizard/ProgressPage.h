// The progress page: starts the installation run, shows the file being written and
// the bar, offers the desktop-shortcut choice and lets the user ask to cancel. It is
// the run's observer, and decides from the run's result what the screen does next;
// the run itself undoes what it made and tells the page what it had to leave.
#pragma once

#include <string>

#include "engine/InstallationRun.h"
#include "wizard/PageFrame.h"

#include <chrono>

namespace wizard {

class ProgressPage : public PageFrame, public engine::RunObserver {
  public:
    ProgressPage(const std::string& installDir, engine::InstallationRun& run);

    // A request to close the application (the task bar's Close): while the run goes
    // or has stopped it acts like "取消"; otherwise it ends the program.
    void ApplicationCloseRequested();

  private:
    enum class Stage {
        Ready,        // shown from the directory page
        Installing,   // the run is active
        Stopped,      // the run returned without finishing
        AbandonAsked, // stopped, and the cancel question is up
        Ended,        // an ending left the page
    };

    void Install();
    // Waits for the check of the payload, runs the installation and does what its outcome
    // asks of the screen.
    void RunAndFollowItsOutcome();
    // The run, with the session's end blocked while it writes; on an error the page shows
    // the stopped state before the error goes on to its report.
    engine::RunResult RunStoppingOnError();
    // A run stopped without finishing: the stopped state, and the folder failure's box.
    void StopAfterTheFoldersFailed();
    // Any other outcome: back to the page as before "安装" (a target refused, with why),
    // or the page's end (the payload damaged, a cancel undone, success).
    void FollowTheEnding(const engine::RunResult& result);
    void EndForTheDamagedPayload();
    void EndAfterTheCancel(const engine::LeftBehind& left);
    // On to the finish page, after saying what the run could not drop, if anything.
    void MoveOnToTheFinish(const engine::LeftBehind& left);
    void ReturnToReadyTelling(const std::string& text);
    // Before the run: while the check of the payload (started with the program) still
    // goes, says so, shows how far it is on the bar and handles waiting messages; a
    // cancel request is answered at once. False when the user confirmed it: nothing was
    // written.
    bool PayloadCheckAwaited();
    // Back to the page as it was before "安装", so that the user can go back and choose
    // another folder.
    void ReturnToReady();
    // "取消": while the run goes (or before it starts) a request that the run's next
    // cancel check answers; in the stopped state the way out.
    void Cancel();
    void CloseBoxPressed() override;
    bool RunHasStopped() const { return stage_ == Stage::Stopped || stage_ == Stage::AbandonAsked; }
    // In the stopped state: asks the cancel question; on OK has the run abandoned, says
    // what it had to leave and ends the program. Asked once at a time, however often
    // "取消" or Close arrive.
    void AbandonStoppedRun();
    // The run stopped without finishing; the page is shown again if it was closed.
    void EnterStoppedState();
    // The page comes back when the run needs it and it was closed meanwhile.
    void ShowAgainIfHidden();
    // The cancel question, modal to this page: true for OK.
    bool UserConfirmsCancel();

    // What the run tells and asks.
    void RangeKnown(long maximum) override;
    void EntryStarting(const std::string& path) override;
    void DailyEntryWritten() override; // counts a step, shown at the next update
    void StillWorking(const std::string& path) override;
    bool MayGoOn() override;
    bool DesktopShortcutWanted() override;
    void InterruptedRunRecovered(const engine::Recovery& recovery) override;
    bool MayInstallIntoFoldersOthersCanChange(const std::vector<std::string>& folders) override;

    // The run's loop, asked before each daily entry (MayGoOn) and told while a long step
    // goes on (StillWorking, with the file worked on): once per display interval the
    // screen is brought up to date and waiting messages are handled (MayShowProgress);
    // before each daily entry a cancel request is then answered.
    void MayShowProgress();
    bool DisplayUpdateDue(); // true once per display interval, which starts the next
    // Brings the current-file text and the bar to the run's true values.
    void BringScreenUpToDate();
    // Handles the page's waiting messages (a click on "取消", the close box, the check
    // box): the run holds the thread, so this is where they are heard while it goes,
    // and their handlers run inside the run's loop.
    void PumpWaitingMessages();
    // Asks the cancel question over the true position: true ends the run; a declined
    // request is answered and forgotten.
    bool CancelConfirmed();

    // Says what an undo had to leave, if anything.
    void TellWhatTheUndoLeft(const engine::LeftBehind& left);
    // A message box of this page under the installer's title.
    void Tell(const std::string& text, UINT icon);

    const std::string& installDir_; // the target folder, as the directory page left it
    engine::InstallationRun& run_;
    Stage stage_ = Stage::Ready;
    // Set by "取消" (or the task bar's Close) while the run goes or before it starts;
    // answered, and cleared when the user goes on, at the run's next cancel check.
    bool cancelRequested_ = false;

    // What the run told since the screen last showed it: no person reads a thousand
    // paths a second, so the page shows them at a display rate, and exactly whenever
    // the user can look closely (the cancel question, a stop, the end).
    std::string currentPath_;
    bool pathShown_ = true;
    long stepsNotShown_ = 0;
    std::chrono::steady_clock::time_point nextRefresh_;

    framework::Label currentFile_;
    framework::Animate copyAnimation_;
    framework::ProgressBar bar_;
    framework::CheckBox desktopShortcutBox_;
    framework::Button backButton_;
    framework::Button installButton_{true};
    framework::Button cancelButton_;
};

} // namespace wizard
