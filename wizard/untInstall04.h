// The finish page: the installation is complete; on "完成" it opens the web site,
// starts the program and shows the read-me as ticked, then ends the program.
#pragma once

#include "wizard/PageFrame.h"

class TfrmInstall04 : public TPageFrame {
  public:
    TfrmInstall04();

    framework::CheckBox CheckBox1;
    framework::CheckBox CheckBox2;
    framework::CheckBox CheckBox3;
    framework::Button Button2{true};
    framework::Label StaticText3;

  private:
    void FormCreate();
    void Button2Click();
    void FormClose() override; // ends the program without opening anything
};

extern TfrmInstall04* frmInstall04;
