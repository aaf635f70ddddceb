#include "wizard/untInstall03.h"

#include "engine/ResourceStore.h"
#include "framework/Application.h"
#include "shell/untlink.h"
#include "wizard/untInstall02.h"
#include "wizard/untInstall04.h"
#include "wizard/untVar.h"

bool CancelRequested = false;
TfrmInstall03* frmInstall03 = nullptr;

namespace {

const engine::ResourceStore& Payload() {
    static const engine::ResourceStore store;
    return store;
}

// The run's shortcut requests go to frmLink, which is created after this page.
class ShortcutsOfFrmLink : public engine::ShortcutMaker {
  public:
    void CreateProgramsShortcut(std::string TargetPath, std::string LinkName,
                                engine::RunJournal& journal) override {
        frmLink->CreateProgramsShortcut(std::move(TargetPath), std::move(LinkName), journal);
    }
    void CreateDesktopShortcut(std::string TargetPath, std::string LinkName,
                               engine::RunJournal& journal) override {
        frmLink->CreateDesktopShortcut(std::move(TargetPath), std::move(LinkName), journal);
    }
};

ShortcutsOfFrmLink& Shortcuts() {
    static ShortcutsOfFrmLink shortcuts;
    return shortcuts;
}

} // namespace

TfrmInstall03::TfrmInstall03()
    : TPageFrame(63), run_(InstallDir, CancelRequested, *this, Shortcuts(), Payload()) {
    CheckBox1.SetText("在桌面创建快捷方式");
    Place(CheckBox1, InBody(14, 191, 147, 17));
    CheckBox1.SetChecked(true);
    Button2.SetText("取消");
    Place(Button2, ButtonAt(393, 296));
    Button1.SetText("安装");
    Place(Button1, ButtonAt(293, 296));
    Button3.SetText("<  上一步");
    Place(Button3, ButtonAt(192, 297));
    Place(sttProgress, InBody(2, 65, 485, 40));
    Place(Animate1, InBody(2, 105, 485, 60));
    Place(ProgressBar1, InBody(2, 165, 485, 12));
    SetDefaultButton(Button1);
    FinishLayout();
    Button1.OnClick = [this] { Button1Click(); };
    Button2.OnClick = [this] { Button2Click(); };
    Button3.OnClick = [this] { Button3Click(); };
    FormCreate();
}

void TfrmInstall03::FormCreate() {
    StaticText1.SetText("\r    安装Marluxa，请点击安装");
    CancelRequested = false;
}

void TfrmInstall03::Button1Click() {
    StaticText1.SetText("\r    安装程序正在安装  Marluxa  到您的电脑中，请等待......");
    Button1.SetEnabled(false);
    Button3.SetEnabled(false);
    state_ = State::Stopped; // until the run ends one of its two ways
    Animate1.Show();
    Animate1.Play();
    Install();
}

void TfrmInstall03::Install() {
    state_ = State::Installing;
    try {
        run_.Install();
    } catch (...) {
        EnterStoppedState(); // before the error report, so that its way out is there
        throw;
    }
    if (state_ == State::Installing)
        EnterStoppedState(); // the folders could not be created
}

void TfrmInstall03::EnterStoppedState() {
    state_ = State::Stopped;
    ShowAgainIfHidden();
}

void TfrmInstall03::ShowAgainIfHidden() {
    if (!IsWindowVisible(Handle()))
        Show();
}

void TfrmInstall03::Button2Click() {
    if (state_ == State::Stopped)
        AbandonStoppedRun();
    else
        CancelRequested = true;
}

void TfrmInstall03::ApplicationCloseRequested() {
    if (state_ == State::Installing || state_ == State::Stopped)
        Button2Click();
    else
        framework::App().Terminate();
}

void TfrmInstall03::Button3Click() {
    frmInstall02->Show();
    Hide();
}

void TfrmInstall03::FormClose() {
    switch (state_) {
    case State::Ready:
        framework::App().Terminate();
        break;
    case State::Installing:
        Hide(); // the run goes on and shows the finish page when it succeeds
        break;
    case State::Stopped:
        AbandonStoppedRun();
        break;
    case State::Ended:
        break;
    }
}

void TfrmInstall03::AbandonStoppedRun() {
    if (askingToAbandon_)
        return;
    askingToAbandon_ = true;
    const int answer = AskOnPage(engine::kCancelQuestionText, engine::kCancelQuestionCaption,
                                 engine::kStyleOkCancelInformation);
    askingToAbandon_ = false;
    if (answer != engine::kButtonOk)
        return;
    state_ = State::Ended;
    run_.RollBack();
    framework::App().Terminate();
}

void TfrmInstall03::SetProgressText(const std::string& text) {
    sttProgress.SetText(text);
}

void TfrmInstall03::SetProgressRange(long minimum, long maximum) {
    ProgressBar1.SetRange(minimum, maximum);
}

long TfrmInstall03::ProgressPosition() const {
    return ProgressBar1.Position();
}

void TfrmInstall03::SetProgressPosition(long position) {
    ProgressBar1.SetPosition(position);
}

bool TfrmInstall03::DesktopShortcutChecked() const {
    return CheckBox1.Checked();
}

void TfrmInstall03::ProcessMessages() {
    framework::App().ProcessMessages();
}

int TfrmInstall03::AskOnPage(const std::string& text, const std::string& caption, unsigned style) {
    ShowAgainIfHidden(); // a question about the run is asked on its page
    return MessageBoxA(Handle(), text.c_str(), caption.c_str(), style);
}

int TfrmInstall03::ShowOnFocusWindow(const std::string& text, const std::string& caption, unsigned style) {
    return MessageBoxA(GetFocus(), text.c_str(), caption.c_str(), style);
}

void TfrmInstall03::ShowFinishPage() {
    state_ = State::Ended;
    Hide();
    frmInstall04->Show();
}

void TfrmInstall03::Terminate() {
    state_ = State::Ended;
    framework::App().Terminate();
}
