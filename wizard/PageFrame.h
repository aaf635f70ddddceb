// The frame every wizard page shares: the white banner (Panel1 with the artwork, the
// setup picture and the version label, all opening the product web site), the
// bevelled body panel with the page's introduction text, and the button row.
#pragma once

#include "framework/Controls.h"
#include "framework/Form.h"

class TPageFrame : public framework::Form {
  public:
    framework::Panel Panel1{framework::Panel::Bevel::RaisedOuter, framework::kWhite};
    framework::Image Image1;
    framework::Image Image2;
    framework::Label StaticText2;
    framework::Panel Panel2{framework::Panel::Bevel::Etched, GetSysColor(COLOR_BTNFACE)};
    framework::Label StaticText1;

  protected:
    // Places the banner, the body and the introduction label of the given height.
    explicit TPageFrame(int introductionHeight);

    // Positions within the body panel, and of the buttons along the bottom edge.
    static framework::Bounds InBody(int left, int top, int width, int height);
    static framework::Bounds ButtonAt(int left, int top);
    // The author line at the bottom left (agreement and finish pages).
    void PlaceAuthorLine(framework::Label& label, int left);
    // Puts the panels beneath the controls once every control is placed.
    void FinishLayout();

    void Panel1Click();
};

// The page caption and the application title.
extern const char* const kSetupTitle; // "Marluxa安装程序"
