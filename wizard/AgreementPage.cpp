#include "wizard/AgreementPage.h"

#include "payload/ProductInfo.h"

namespace wizard {

namespace {

const char* const kAgreement =
#include "AgreementText.inc"
    ;

} // namespace

AgreementPage::AgreementPage() : PageFrame(79) {
    agreement_.SetText(kAgreement);
    agreement_.SetAccessibleName(PRODUCT_NAME "用户协议");
    Place(agreement_, InBody(2, 81, 485, 144));
    PlaceButton(agreeButton_, "同意  >", 292);
    PlaceButton(disagreeButton_, "不同意", 393);
    PlaceAuthorLine(authorLine_, 5);
    SetDefaultButton(agreeButton_);
    FinishLayout();
    agreeButton_.OnClick = [this] { onNext(); };
    disagreeButton_.OnClick = [this] { onQuit(); };
    introduction_.SetText("\r    欢迎使用  " PRODUCT_NAME
                          "  安装程序，强烈建议在继续安装程序之前关闭其它正在运行的应用程序，"
                          "这样有助于在安装过程中避免任何冲突。\r\r    许可协议 "
                          "请仔细阅读下面的重要信息，然后继续安装。单击同意继续，不同意退出安装。");
}

void AgreementPage::CloseBoxPressed() {
    onQuit();
}

} // namespace wizard
