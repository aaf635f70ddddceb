// The agreement page: the main window. Greets the user, shows the user agreement and
// lets them accept it or leave; sets the application title.
#pragma once

#include "wizard/PageFrame.h"

class TfrmInstall01 : public TPageFrame {
  public:
    TfrmInstall01();

    framework::Memo Memo1;
    framework::Button Button1{true};
    framework::Button Button2;
    framework::Label StaticText3;

  private:
    void FormCreate();
    void Button1Click();
    void Button2Click();
    void FormClose() override; // the main window: closing it ends the program
};

extern TfrmInstall01* frmInstall01;
