// The directory page: the target folder, typed or chosen in the shell's folder
// chooser, committed to InstallDir.
#pragma once

#include "wizard/PageFrame.h"

class TfrmInstall02 : public TPageFrame {
  public:
    TfrmInstall02();

    framework::Edit Edit1;
    framework::SpeedButton SpeedButton1;
    framework::Button Button3;
    framework::Button Button1{true};
    framework::Button Button2;

  private:
    void FormCreate();
    void SpeedButton1Click();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void FormClose() override; // as "取消"
};

extern TfrmInstall02* frmInstall02;
