#include "wizard/untInstall02.h"

#include "framework/Application.h"
#include "runtime/Text.h"
#include "shell/ShellServices.h"
#include "wizard/untInstall01.h"
#include "wizard/untInstall03.h"
#include "wizard/untVar.h"

TfrmInstall02* frmInstall02 = nullptr;

namespace {

const char* const kErrorCaption = "错误提示";

} // namespace

TfrmInstall02::TfrmInstall02() : TPageFrame(55) {
    Edit1.SetText("C:\\Program Files\\Quenvale");
    Place(Edit1, InBody(16, 100, 417, 21));
    Button1.SetText("下一步  >");
    Place(Button1, ButtonAt(292, 296));
    Button2.SetText("取消");
    Place(Button2, ButtonAt(393, 296));
    Button3.SetText("<  上一步");
    Place(Button3, ButtonAt(190, 296));
    SpeedButton1.SetText("浏览...");
    SpeedButton1.SetHint("选择目录");
    Place(SpeedButton1, InBody(433, 100, 53, 21));
    SetDefaultButton(Button1);
    FinishLayout();
    SpeedButton1.OnClick = [this] { SpeedButton1Click(); };
    Button1.OnClick = [this] { Button1Click(); };
    Button2.OnClick = [this] { Button2Click(); };
    Button3.OnClick = [this] { Button3Click(); };
    FormCreate();
}

void TfrmInstall02::FormCreate() {
    StaticText1.SetText("\r    请选择程序安装目录\r\r    请选择安装  Marluxa  的文件夹,然后单击下一步。");
    Edit1.SetText(shell::DefaultInstallFolder(shell::SystemDriveLetter()));
}

void TfrmInstall02::SpeedButton1Click() {
    std::string chosen;
    framework::App().RunModal([&chosen] { chosen = shell::BrowseForFolder(framework::App().Handle()); });
    if (!chosen.empty())
        Edit1.SetText(chosen);
    else
        MessageBoxA(Handle(), "您将采用默认目录安装程序", kErrorCaption, MB_OK | MB_ICONINFORMATION);
}

void TfrmInstall02::Button1Click() {
    const std::string typed = Edit1.CurrentText();
    if (rt::StripBlanks(typed).empty()) {
        MessageBoxA(Handle(), "请选择安装目录", kErrorCaption, MB_OK | MB_ICONINFORMATION);
        Edit1.SetFocus();
        return;
    }
    InstallDir = typed;
    Hide();
    frmInstall03->Show();
}

void TfrmInstall02::Button2Click() {
    framework::App().Terminate();
}

void TfrmInstall02::Button3Click() {
    frmInstall01->Show();
    Hide();
}

void TfrmInstall02::FormClose() {
    Button2Click();
}
