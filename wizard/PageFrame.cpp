#include "wizard/PageFrame.h"

#include "payload/ProductInfo.h"
#include "shell/DesktopShellOpen.h"
#include "wizard/NotOpenedNotice.h"

namespace wizard {

namespace {

constexpr int kClientWidth = 489;
constexpr int kClientHeight = 325;
constexpr int kBannerHeight = 65;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kSetupIcon = 1;
// What a screen reader says of the banner's parts: what a click on them does. They draw
// no text, so their window text is only their accessible name.
const char* const kOpensTheSite = "访问 " PRODUCT_NAME " 网站 " PRODUCT_URL;

} // namespace

PageFrame::PageFrame(int introductionHeight) : Form(SETUP_TITLE, kClientWidth, kClientHeight) {
    Place(banner_, {0, 0, kClientWidth, kBannerHeight});
    artwork_.LoadBitmapResource("BANNER");
    artwork_.SetBackground(framework::kWhite);
    Place(artwork_, {1, 1, 188, 63});
    setupPicture_.LoadIconResource(kSetupIcon, 32);
    setupPicture_.SetBackground(framework::kWhite);
    Place(setupPicture_, {422, 1, 66, 63});
    versionLabel_.SetText("版本 V2.X");
    versionLabel_.SetFont(L"隶书", 29, FW_BOLD, true, GB2312_CHARSET);
    versionLabel_.SetTextColor(framework::kBlue);
    versionLabel_.SetBackground(framework::kWhite);
    Place(versionLabel_, {220, 15, 185, 33});
    Place(body_, {0, kBannerHeight, kClientWidth, 227});
    Place(introduction_, InBody(2, 2, 485, introductionHeight));
    for (framework::Control* part :
         std::initializer_list<framework::Control*>{&banner_, &artwork_, &setupPicture_, &versionLabel_})
        part->OnClick = [this] { OpenProductSite(); };
    for (framework::Control* picture :
         std::initializer_list<framework::Control*>{&banner_, &artwork_, &setupPicture_})
        picture->SetText(kOpensTheSite);
    body_.SetText(SETUP_TITLE); // the area the page's own controls stand on
}

framework::Bounds PageFrame::InBody(int left, int top, int width, int height) {
    return {left, kBannerHeight + top, width, height};
}

void PageFrame::PlaceButton(framework::Button& button, const char* caption, int left, int top) {
    button.SetText(caption);
    Place(button, {left, top, kButtonWidth, kButtonHeight});
}

void PageFrame::PlaceCheckBox(framework::CheckBox& box, const char* caption, framework::Bounds bounds,
                              bool checked) {
    box.SetText(caption);
    Place(box, bounds);
    box.SetChecked(checked);
}

void PageFrame::PlaceAuthorLine(framework::Label& label, int left) {
    label.SetText(AUTHOR_LINE);
    Place(label, {left, 301, 283, 17});
}

void PageFrame::FinishLayout() {
    SendToBack(body_);
    SendToBack(banner_);
}

void PageFrame::OpenProductSite() {
    NotOpened failed;
    failed.site = !shell::OpenAsTheDesktopsUser(PRODUCT_URL, "");
    TellWhatWasNotOpened(Handle(), failed, "");
}

} // namespace wizard
