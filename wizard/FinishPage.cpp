#include "wizard/FinishPage.h"

#include "payload/ProductInfo.h"
#include "runtime/FileSystem.h"
#include "runtime/Text.h"
#include "shell/DesktopShellOpen.h"
#include "wizard/NotOpenedNotice.h"

#include <tuple>

namespace wizard {

FinishPage::FinishPage(const std::string& installDir) : PageFrame(79), installDir_(installDir) {
    PlaceCheckBox(visitSiteBox_, "去软件官方网站看看", InBody(32, 128, 185, 17), false);
    PlaceCheckBox(runProgramBox_, "运行" PRODUCT_NAME, InBody(32, 159, 185, 17), true);
    PlaceCheckBox(readReadmeBox_, "我要阅读说明文件", InBody(32, 191, 137, 17), true);
    PlaceButton(finishButton_, "完成", 393);
    PlaceAuthorLine(authorLine_, 8);
    SetDefaultButton(finishButton_);
    FinishLayout();
    finishButton_.OnClick = [this] { OpenWhatIsTickedAndEnd(); };
    introduction_.SetText("\r    " PRODUCT_NAME "  安装完成\r\r    单击完成按钮退出安装程序。");
}

void FinishPage::OpenWhatIsTickedAndEnd() {
    NotOpened failed;
    if (visitSiteBox_.Checked())
        failed.site = !shell::OpenAsTheDesktopsUser(PRODUCT_URL, "");
    for (const auto& [box, file, failure] :
         {std::tuple{&runProgramBox_, "\\" PROGRAM_FILE, &NotOpened::program},
          std::tuple{&readReadmeBox_, "\\readme.txt", &NotOpened::readme}}) {
        const std::string path = installDir_ + file;
        if (box->Checked() && rt::FileExists(path)) // the program finds its data\ in its folder
            failed.*failure = !shell::OpenAsTheDesktopsUser(path, rt::FolderPart(path));
    }
    TellWhatWasNotOpened(Handle(), failed, installDir_);
    onQuit();
}

void FinishPage::CloseBoxPressed() {
    onQuit();
}

} // namespace wizard
