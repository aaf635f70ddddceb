// The application object: the hidden owner window that carries the title and the
// task-bar entry, the message loop with its terminate request, the call that
// processes every waiting message, and the one dispatch point through which every
// event handler runs (where errors end in the default error report).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace framework {

class Application {
  public:
    // Registers the application's window class and creates the owner window.
    void Initialize(HINSTANCE instance);
    HINSTANCE Instance() const { return instance_; }
    HWND Handle() const { return window_; }

    void SetTitle(const std::string& title);

    // Shows the application window, then the first window of the program (showFirst),
    // and dispatches messages until terminate is requested.
    void Run(const std::function<void()>& showFirst);
    // Asks the message loop to end once the current handler has returned.
    void Terminate();
    // Processes every message already waiting, without waiting. A quit request that
    // is not the program's own (posted by another program) is taken as a close
    // request, so that it is neither lost nor ends a run half-way.
    void ProcessMessages();
    // Waits until a message arrives for the program's windows, or at most milliseconds.
    void WaitForMessages(DWORD milliseconds);

    // What a request to close the application (the task bar's Close) does; by default
    // it terminates. Runs through the dispatch point.
    void SetCloseRequestHandler(std::function<void()> handler) { closeRequested_ = std::move(handler); }
    void RequestClose();

    // While files are being written or undone the session (log-off, shut-down) may not
    // end: asked, the application says no and gives the system reason to show. Other
    // times it may. When it ends anyway, sessionEnding runs first.
    void BlockSessionEnd(const std::string& reason);
    void AllowSessionEnd();
    void SetSessionEndingHandler(std::function<void()> handler) { sessionEnding_ = std::move(handler); }
    // Answers WM_QUERYENDSESSION and WM_ENDSESSION; true when the message was one of them.
    bool AnswerSessionEnd(UINT message, WPARAM wParam, LRESULT& result);

    // Runs an event handler (or a step of the program's start). Any error it raises ends
    // it and is shown by the default error report; nothing propagates to the caller (a
    // window procedure). False when it ended so.
    bool Dispatch(const std::function<void()>& handler);
    // The default error report: a modal box owned by the application window (owned by
    // none before Initialize), caption the application title, stop icon, one OK button,
    // shown through RunModal.
    void ShowError(const std::string& message);
    // Runs a modal window of the whole application (a box or the folder chooser owned by
    // the application window): every window of the wizard is disabled meanwhile, so no
    // page acts inside the modal window's own message loop, and the focus goes back to
    // the control that had it.
    void RunModal(const std::function<void()>& showModal);

    // Forms register their windows so that the loop can give them dialog keys.
    void AddDialogWindow(HWND window) { dialogWindows_.push_back(window); }
    void RemoveDialogWindow(HWND window);
    void Minimize();

  private:
    void HandleMessage(MSG& message);
    bool IsDialogKey(MSG& message);

    HINSTANCE instance_ = nullptr;
    HWND window_ = nullptr;
    std::string title_;
    bool terminated_ = false;
    bool quitPosted_ = false; // by Terminate, not by another program
    std::function<void()> closeRequested_;
    std::function<void()> sessionEnding_;
    bool sessionEndBlocked_ = false;
    std::vector<HWND> dialogWindows_;
};

// The one application object.
Application& App();

// A message box (MessageBox's owner, style and answer) showing the UTF-8 text and caption
// as the same characters on every system, whatever its code page.
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style);

} // namespace framework
