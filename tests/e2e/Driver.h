// A small driver that uses Setup.exe the way a person would: it starts the program,
// finds the visible page, reads its controls, clicks, types, answers message boxes
// and takes screenshots. Runs under Wine beside the program, on the same desktop.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// A running Setup.exe, ended by force if it is still running when the owner goes.
class SetupProcess {
  public:
    SetupProcess();
    // Another program, or Setup.exe from elsewhere, started in currentFolder.
    SetupProcess(const std::string& program, const std::string& currentFolder);
    ~SetupProcess();
    SetupProcess(const SetupProcess&) = delete;
    SetupProcess& operator=(const SetupProcess&) = delete;

    DWORD Id() const { return info_.dwProcessId; }
    HANDLE Handle() const { return info_.hProcess; }
    bool WaitForExit(DWORD milliseconds) const;
    bool Running() const { return !WaitForExit(0); }
    // Ends the process at once, as a crash or the task manager would.
    void Kill() const;

  private:
    PROCESS_INFORMATION info_ = {};
};

enum class Page { Agreement, Directory, Progress, Finish, None };

// The visible page of the process (by the caption of its primary button).
Page VisiblePage(DWORD processId, HWND* window = nullptr);
// Waits until that page is the visible one; returns its window or nullptr.
HWND WaitForPage(DWORD processId, Page page, DWORD milliseconds = 20000);

// From the agreement page ("同意  >") to the directory page; nullptr when a page did not come.
HWND GoToDirectoryPage(const SetupProcess& setup);
// On to the progress page, with folder typed into the field; nullptr when a page did not come.
HWND GoToProgressPage(const SetupProcess& setup, const std::string& folder);

// A child control of a page by its text (buttons, check boxes, labels).
HWND ChildWithText(HWND page, const std::string& text);
// The n-th child of a window class (0-based), such as the folder field "Edit".
HWND ChildOfClass(HWND page, const std::string& windowClass, int index = 0);
std::string TextOf(HWND window);

// A click as the control's form receives it: the control's command.
void Click(HWND control);
void Type(HWND edit, const std::string& text);
void SetChecked(HWND checkBox, bool checked);
bool Checked(HWND checkBox);
void PressEnter(HWND control);

// A message box of the process.
struct MessageBoxSeen {
    HWND window = nullptr;
    std::string caption;
    std::string text;
    HWND owner = nullptr;
    bool hasIcon = false; // an icon shown beside the text
    int buttons = 0;
};

// Waits for a message box of the process; window is nullptr when none came.
MessageBoxSeen WaitForMessageBox(DWORD processId, DWORD milliseconds = 20000);
void Answer(const MessageBoxSeen& box, int button); // IDOK or IDCANCEL

// The task bar's Close on the process's application window (the owner of the pages).
void CloseFromTaskBar(DWORD processId);
// Waits until the page's progress bar stands at position or beyond; answers where it stands.
long WaitForBarPosition(HWND page, long position, DWORD milliseconds = 60000);
// How many message boxes of the process are up.
int MessageBoxCount(DWORD processId);

// Saves the whole screen as name.bmp in the artefacts folder (name-cp1252.bmp and the like
// at a code page other than 936).
void Screenshot(const std::string& name);

// Waits for a top-level window of a class and title (any process).
HWND WaitForWindow(const char* windowClass, const char* title, DWORD milliseconds);

// The window that has the keyboard focus in the page's thread.
HWND FocusOf(HWND page);

// Asks found() every 25 ms until it answers true (true) or the time is up (false).
template <class Found> bool WaitUntil(DWORD milliseconds, Found found) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (found())
            return true;
        if (GetTickCount() - start > milliseconds)
            return false;
        Sleep(25);
    }
}

// The program file name of the process that started the window's process ("" when it
// cannot be told).
std::string ParentProgramOf(HWND window);

// The processes that the process started (those still running, or ended but not long ago).
std::vector<DWORD> ChildProcesses(DWORD processId);
// Waits until the process has ended (true, also when it had ended already); when it
// has not ended in time, ends it by force, so that it cannot hold up later tests.
bool WaitForProcessEnd(DWORD processId, DWORD milliseconds);

// The full paths of the modules the process has loaded.
std::vector<std::string> ModulesOf(DWORD processId);

// The current folder of the (32-bit) process that owns the window, read from its
// process parameters; "" when it cannot be read.
std::string CurrentFolderOf(HWND window);

} // namespace e2e
