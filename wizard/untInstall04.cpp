#include "wizard/untInstall04.h"

#include "framework/Application.h"
#include "payload/ProductInfo.h"
#include "runtime/FileSystem.h"
#include "runtime/Text.h"
#include "shell/ShellServices.h"
#include "wizard/untVar.h"

TfrmInstall04* frmInstall04 = nullptr;

TfrmInstall04::TfrmInstall04() : TPageFrame(79) {
    CheckBox1.SetText("去软件官方网站看看");
    Place(CheckBox1, InBody(32, 128, 185, 17));
    CheckBox2.SetText("运行Marluxa");
    Place(CheckBox2, InBody(32, 159, 185, 17));
    CheckBox2.SetChecked(true);
    CheckBox3.SetText("我要阅读说明文件");
    Place(CheckBox3, InBody(32, 191, 137, 17));
    CheckBox3.SetChecked(true);
    Button2.SetText("完成");
    Place(Button2, ButtonAt(393, 296));
    PlaceAuthorLine(StaticText3, 8);
    SetDefaultButton(Button2);
    FinishLayout();
    Button2.OnClick = [this] { Button2Click(); };
    FormCreate();
}

void TfrmInstall04::FormCreate() {
    StaticText1.SetText("\r    Marluxa  安装完成\r\r    单击完成按钮退出安装程序。");
}

void TfrmInstall04::Button2Click() {
    if (CheckBox1.Checked())
        shell::OpenInShell(Handle(), PRODUCT_URL);
    for (const auto& [box, file] :
         {std::pair{&CheckBox2, "\\Quenvale.exe"}, std::pair{&CheckBox3, "\\readme.txt"}}) {
        const std::string path = InstallDir + file;
        if (box->Checked() && rt::FileExists(path))
            shell::OpenInShell(Handle(), path, rt::FolderPart(path)); // the program finds its data\ there
    }
    framework::App().Terminate();
}

void TfrmInstall04::FormClose() {
    framework::App().Terminate();
}
