// The directory page: the target folder, typed or chosen in the shell's folder
// chooser, committed to the shared target folder when the user moves on.
#pragma once

#include <string>

#include "wizard/PageFrame.h"

namespace wizard {

class DirectoryPage : public PageFrame {
  public:
    // installDir: the target folder, which this page alone writes.
    explicit DirectoryPage(std::string& installDir);

  private:
    void ChooseFolder();
    void CommitFolderAndGoOn();
    void CloseBoxPressed() override; // as "取消"

    std::string& installDir_;
    framework::Edit folderField_;
    framework::SpeedButton browseButton_;
    framework::Button backButton_;
    framework::Button nextButton_{true};
    framework::Button cancelButton_;
};

} // namespace wizard
