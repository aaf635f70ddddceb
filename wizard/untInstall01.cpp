#include "wizard/untInstall01.h"

#include "framework/Application.h"
#include "wizard/untInstall02.h"

TfrmInstall01* frmInstall01 = nullptr;

namespace {

const char* const kAgreement =
#include "AgreementText.inc"
    ;

} // namespace

TfrmInstall01::TfrmInstall01() : TPageFrame(79) {
    Memo1.SetText(kAgreement);
    Place(Memo1, InBody(2, 81, 485, 144));
    Button1.SetText("同意  >");
    Place(Button1, ButtonAt(292, 296));
    Button2.SetText("不同意");
    Place(Button2, ButtonAt(393, 296));
    PlaceAuthorLine(StaticText3, 5);
    SetDefaultButton(Button1);
    FinishLayout();
    Button1.OnClick = [this] { Button1Click(); };
    Button2.OnClick = [this] { Button2Click(); };
    FormCreate();
}

void TfrmInstall01::FormCreate() {
    framework::App().SetTitle(kSetupTitle);
    StaticText1.SetText(
        "\r    欢迎使用  Marluxa  安装程序，强烈建议在继续安装程序之前关闭其它正在运行的应用程序，"
        "这样有助于在安装过程中避免任何冲突。\r\r    许可协议 "
        "请仔细阅读下面的重要信息，然后继续安装。单击同意继续，不同意退出安装。");
}

void TfrmInstall01::Button1Click() {
    Hide();
    frmInstall02->Show();
}

void TfrmInstall01::Button2Click() {
    framework::App().Terminate();
}

void TfrmInstall01::FormClose() {
    framework::App().Terminate();
}
