// The progress page: starts the installation run, shows the file being written and
// the bar, offers the desktop-shortcut choice and lets the user ask to cancel. It is
// the page the run works on (engine::InstallPage).
#pragma once

#include "engine/InstallPage.h"
#include "engine/InstallationRun.h"
#include "wizard/PageFrame.h"

// Set by "取消"; tested and cleared by the run.
extern bool CancelRequested;

class TfrmInstall03 : public TPageFrame, public engine::InstallPage {
  public:
    TfrmInstall03();

    framework::Label sttProgress;
    framework::Animate Animate1;
    framework::ProgressBar ProgressBar1;
    framework::CheckBox CheckBox1;
    framework::Button Button3;
    framework::Button Button1{true};
    framework::Button Button2;

    // The installation run over this page.
    void Install();

    // A request to close the application (the task bar's Close): while the run goes
    // or has stopped it acts like "取消"; otherwise it ends the program.
    void ApplicationCloseRequested();

    // What the run needs of its page.
    void SetProgressText(const std::string& text) override;
    void SetProgressRange(long minimum, long maximum) override;
    long ProgressPosition() const override;
    void SetProgressPosition(long position) override;
    bool DesktopShortcutChecked() const override;
    void ProcessMessages() override;
    int AskOnPage(const std::string& text, const std::string& caption, unsigned style) override;
    int ShowOnFocusWindow(const std::string& text, const std::string& caption, unsigned style) override;
    void ShowFinishPage() override;
    void Terminate() override;

  private:
    enum class State {
        Ready,      // shown from the directory page
        Installing, // the run is active
        Stopped,    // the run returned without finishing
        Ended,      // an ending left the page
    };

    void FormCreate();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void FormClose() override;
    // In the stopped state: asks the cancel question; on OK undoes what the run did
    // and ends the program. Once only, however often "取消" or Close arrive.
    void AbandonStoppedRun();
    // The run stopped without finishing; the page is shown again if it was closed.
    void EnterStoppedState();
    // The page comes back when the run needs it and it was closed meanwhile.
    void ShowAgainIfHidden();

    State state_ = State::Ready;
    bool askingToAbandon_ = false;
    engine::InstallationRun run_;
};

extern TfrmInstall03* frmInstall03;
