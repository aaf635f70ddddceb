// The agreement page, the first the user sees: greets them, shows the user agreement
// and lets them accept it (next) or leave; sets the application title.
#pragma once

#include "wizard/PageFrame.h"

namespace wizard {

class AgreementPage : public PageFrame {
  public:
    AgreementPage();

  private:
    void CloseBoxPressed() override; // the main window: closing it ends the program

    framework::Memo agreement_;
    framework::Button agreeButton_{true};
    framework::Button disagreeButton_;
    framework::Label authorLine_;
};

} // namespace wizard
