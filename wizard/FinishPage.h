// The finish page: the installation is complete; on "完成" it opens the web site,
// starts the program and shows the read-me as ticked, each as the desktop's user, says in
// one box what could not be opened, then ends the program.
#pragma once

#include <string>

#include "wizard/PageFrame.h"

namespace wizard {

class FinishPage : public PageFrame {
  public:
    explicit FinishPage(const std::string& installDir);

  private:
    void OpenWhatIsTickedAndEnd();
    void CloseBoxPressed() override; // ends the program without opening anything

    const std::string& installDir_; // the target folder, as the directory page left it
    framework::CheckBox visitSiteBox_;
    framework::CheckBox runProgramBox_;
    framework::CheckBox readReadmeBox_;
    framework::Button finishButton_{true};
    framework::Label authorLine_;
};

} // namespace wizard
