#include "wizard/PageFrame.h"

#include "payload/ProductInfo.h"
#include "shell/ShellServices.h"

const char* const kSetupTitle = "Marluxa安装程序";

namespace {

constexpr int kClientWidth = 489;
constexpr int kClientHeight = 325;
constexpr int kBannerHeight = 65;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kSetupIcon = 1;

} // namespace

TPageFrame::TPageFrame(int introductionHeight) : Form(kSetupTitle, kClientWidth, kClientHeight) {
    Place(Panel1, {0, 0, kClientWidth, kBannerHeight});
    Image1.LoadBitmapResource("BANNER");
    Image1.SetBackground(framework::kWhite);
    Place(Image1, {1, 1, 188, 63});
    Image2.LoadIconResource(kSetupIcon, 32, 32);
    Image2.SetBackground(framework::kWhite);
    Place(Image2, {422, 1, 66, 63});
    StaticText2.SetText("版本 V2.X");
    StaticText2.SetFont("隶书", 29, FW_BOLD, true, GB2312_CHARSET);
    StaticText2.SetTextColor(framework::kBlue);
    StaticText2.SetBackground(framework::kWhite);
    Place(StaticText2, {220, 15, 185, 33});
    Place(Panel2, {0, kBannerHeight, kClientWidth, 227});
    Place(StaticText1, InBody(2, 2, 485, introductionHeight));
    for (framework::Control* banner :
         {static_cast<framework::Control*>(&Panel1), static_cast<framework::Control*>(&Image1),
          static_cast<framework::Control*>(&Image2), static_cast<framework::Control*>(&StaticText2)})
        banner->OnClick = [this] { Panel1Click(); };
}

framework::Bounds TPageFrame::InBody(int left, int top, int width, int height) {
    return {left, kBannerHeight + top, width, height};
}

framework::Bounds TPageFrame::ButtonAt(int left, int top) {
    return {left, top, kButtonWidth, kButtonHeight};
}

void TPageFrame::PlaceAuthorLine(framework::Label& label, int left) {
    label.SetText(AUTHOR_LINE);
    Place(label, {left, 301, 283, 17});
}

void TPageFrame::FinishLayout() {
    SendToBack(Panel2);
    SendToBack(Panel1);
}

void TPageFrame::Panel1Click() {
    shell::OpenInShell(Handle(), PRODUCT_URL);
}
