#include "wizard/NotOpenedNotice.h"

#include "framework/Application.h"
#include "payload/ProductInfo.h"

namespace wizard {

void TellWhatWasNotOpened(HWND owner, const NotOpened& failed, const std::string& installDir) {
    if (!failed.site && !failed.program && !failed.readme)
        return;
    std::string text = "安装程序无法请桌面（资源管理器）以您的身份打开以下内容。"
                       "安装程序以管理员身份运行，为安全起见不会自行打开它们。";
    if (failed.program)
        text += "\n\n运行" PRODUCT_NAME "：请从“开始”菜单或桌面上的" PRODUCT_NAME "快捷方式启动。";
    if (failed.readme)
        text += "\n\n说明文件：请打开安装目录 " + installDir + " 中的 readme.txt 阅读。";
    if (failed.site)
        text += "\n\n软件官方网站：请在浏览器中访问 " PRODUCT_URL " 。";
    framework::ShowMessageBox(owner, text, SETUP_TITLE, MB_OK | MB_ICONINFORMATION);
}

} // namespace wizard
