// The frame every wizard page shares: the white banner (the artwork, the setup picture
// and the version label, all opening the product web site), the bevelled body panel
// with the page's introduction text, and the button row. A page tells the navigator
// through its three events that the user moves on, goes back or leaves.
#pragma once

#include "framework/Controls.h"
#include "framework/Form.h"

#include <functional>

namespace wizard {

class PageFrame : public framework::Form {
  public:
    // Set by the navigator.
    std::function<void()> onNext;
    std::function<void()> onBack;
    std::function<void()> onQuit;

  protected:
    // Places the banner, the body and the introduction label of the given height.
    explicit PageFrame(int introductionHeight);

    // Positions within the body panel.
    static framework::Bounds InBody(int left, int top, int width, int height);
    // A button of the row along the bottom edge, with its caption.
    void PlaceButton(framework::Button& button, const char* caption, int left, int top = 296);
    // A check box of the body, with its caption and first state.
    void PlaceCheckBox(framework::CheckBox& box, const char* caption, framework::Bounds bounds, bool checked);
    // The author line at the bottom left (agreement and finish pages).
    void PlaceAuthorLine(framework::Label& label, int left);
    // Puts the panels beneath the controls once every control is placed.
    void FinishLayout();

    framework::Label introduction_;

  private:
    void OpenProductSite();

    framework::Panel banner_{framework::Panel::Bevel::RaisedOuter, framework::kWhite};
    framework::Image artwork_;
    framework::Image setupPicture_;
    framework::Label versionLabel_;
    framework::Panel body_{framework::Panel::Bevel::Etched, GetSysColor(COLOR_BTNFACE)};
};

} // namespace wizard
