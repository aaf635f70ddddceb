// What the uninstaller tells the user: its messages, under its own caption, and the
// closing report of what it left.
#pragma once

#include "sample/uninstall/Paths.h"

namespace uninstall {

// A message box under the uninstaller's caption; answers the button chosen.
int ShowMessage(const wchar_t* text, UINT buttonsAndIcon);

// The closing message: "已成功卸载" only when nothing was left, otherwise what was left
// and why, naming the first few entries of each kind and counting the rest.
class Report {
  public:
    enum Kind {
        kNotDeleted,    // still there: held by a running program, or refused; or a line of
                        // Unini.dat the system's code page cannot read, which nothing acts on
        kAtRestart,     // marked for deletion at the next start of the system
        kOutsideFolder, // a line of Unini.dat naming something outside the install folder
        kThroughLink,   // a line of Unini.dat whose path passes a link below the install folder
        kFolderUnsafe,  // the install folder, which others can change or move away (through
                        // a folder above it, or a link on its path): nothing in it was touched
        kKinds
    };

    Report();
    void Add(Kind kind, const wchar_t* path);
    void Show() const;

  private:
    // How many entries of each kind the message names.
    static constexpr int kNamed = 10;

    struct Kept {
        int count;
        wchar_t names[kNamed * kPathSize + 16];
    };
    Kept kept_[kKinds];
};

} // namespace uninstall
