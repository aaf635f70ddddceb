#include "wizard/DirectoryPage.h"

#include "engine/TargetPaths.h"
#include "framework/Application.h"
#include "payload/ProductInfo.h"
#include "runtime/OsSeam.h"
#include "runtime/Text.h"
#include "shell/ShellServices.h"

namespace wizard {

namespace {

const char* const kErrorCaption = "错误提示";
// The uninstall list names every installed file in the system's code page, which the
// uninstaller reads it in: a folder that code page cannot name could not be uninstalled.
const char* const kFolderNotNameable = "安装目录的名称中有本计算机的语言设置（非 Unicode 程序的语言）"
                                       "无法表示的字符，卸载程序将无法找到安装的文件。\n\n请选择其他目录。";

// The system drops a closing blank or dot from a path's last part only: such a folder
// would be one folder when made and another when written into.
std::string PartEndingInBlankOrDotText(const std::string& part) {
    return "安装目录中的文件夹名称不能以空格或句点结尾：“" + part + "”。\n\n请修改安装目录。";
}

} // namespace

DirectoryPage::DirectoryPage(std::string& installDir) : PageFrame(55), installDir_(installDir) {
    folderField_.SetAccessibleName("安装目录");
    Place(folderField_, InBody(16, 100, 417, 21));
    PlaceButton(nextButton_, "下一步  >", 292);
    PlaceButton(cancelButton_, "取消", 393);
    PlaceButton(backButton_, "<  上一步", 190);
    browseButton_.SetText("浏览...");
    browseButton_.SetHint("选择目录");
    Place(browseButton_, InBody(433, 100, 53, 21));
    SetDefaultButton(nextButton_);
    FinishLayout();
    browseButton_.OnClick = [this] { ChooseFolder(); };
    nextButton_.OnClick = [this] { CommitFolderAndGoOn(); };
    cancelButton_.OnClick = [this] { onQuit(); };
    backButton_.OnClick = [this] { onBack(); };
    introduction_.SetText("\r    请选择程序安装目录\r\r    请选择安装  " PRODUCT_NAME
                          "  的文件夹,然后单击下一步。");
    folderField_.SetText(shell::DefaultInstallFolder(shell::SystemDriveLetter()));
}

void DirectoryPage::ChooseFolder() {
    std::string chosen;
    framework::App().RunModal([&chosen] { chosen = shell::BrowseForFolder(framework::App().Handle()); });
    if (!chosen.empty())
        folderField_.SetText(chosen);
    else
        framework::ShowMessageBox(Handle(), "您将采用默认目录安装程序", kErrorCaption,
                                  MB_OK | MB_ICONINFORMATION);
}

void DirectoryPage::CommitFolderAndGoOn() {
    const std::string typed = folderField_.CurrentText();
    if (rt::StripBlanks(typed).empty()) {
        framework::ShowMessageBox(Handle(), "请选择安装目录", kErrorCaption, MB_OK | MB_ICONINFORMATION);
        folderField_.SetFocus();
        return;
    }
    const std::string folder = rt::StripBlanks(typed);
    std::string listed;
    const std::string badPart = engine::PartEndingInBlankOrDot(folder);
    if (!badPart.empty() || !os::InSystemCodePage(folder, listed)) {
        framework::ShowMessageBox(Handle(),
                                  badPart.empty() ? kFolderNotNameable : PartEndingInBlankOrDotText(badPart),
                                  SETUP_TITLE, MB_OK | MB_ICONEXCLAMATION);
        folderField_.SetFocus();
        return;
    }
    installDir_ = folder;
    onNext();
}

void DirectoryPage::CloseBoxPressed() {
    onQuit();
}

} // namespace wizard
