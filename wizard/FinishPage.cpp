#include "wizard/FinishPage.h"

#include "payload/ProductInfo.h"
#include "runtime/FileSystem.h"
#include "runtime/Text.h"
#include "shell/ShellServices.h"

namespace wizard {

FinishPage::FinishPage(const SharedState& state) : PageFrame(79), state_(state) {
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
    if (visitSiteBox_.Checked())
        shell::OpenInShell(Handle(), PRODUCT_URL);
    for (const auto& [box, file] :
         {std::pair{&runProgramBox_, "\\" PROGRAM_FILE}, std::pair{&readReadmeBox_, "\\readme.txt"}}) {
        const std::string path = state_.installDir + file;
        if (box->Checked() && rt::FileExists(path))
            shell::OpenInShell(Handle(), path, rt::FolderPart(path)); // the program finds its data\ there
    }
    onQuit();
}

void FinishPage::CloseBoxPressed() {
    onQuit();
}

} // namespace wizard
