#include "framework/Application.h"

#include "framework/ErrorReport.h"
#include "runtime/OsSeam.h"
#include "runtime/SystemFunction.h"

#include <algorithm>
#include <exception>

namespace framework {

namespace {

const wchar_t* const kApplicationClass = L"SetupApplication";

LRESULT CALLBACK ApplicationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        App().RequestClose();
        return 0;
    }
    LRESULT result = 0;
    if (App().AnswerSessionEnd(message, wParam, result))
        return result;
    return DefWindowProcW(window, message, wParam, lParam);
}

// The shut-down block reason calls exist from Windows Vista on; looked up, so that the
// program starts where they do not.
using BlockReasonCreate = BOOL(WINAPI*)(HWND, LPCWSTR);
using BlockReasonDestroy = BOOL(WINAPI*)(HWND);

// Disables every enabled window of this thread but the modal window's owner for its
// lifetime, as a modal box of the application should. The owner is left to the modal
// window, which disables it and enables it again before it goes, so that the
// activation comes back to this program and not to another one.
class ThreadWindowsDisabled {
  public:
    explicit ThreadWindowsDisabled(HWND owner) : owner_(owner) {
        EnumThreadWindows(GetCurrentThreadId(), Disable, reinterpret_cast<LPARAM>(this));
    }
    ~ThreadWindowsDisabled() {
        for (HWND window : disabled_)
            EnableWindow(window, TRUE);
    }
    ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
    ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;

  private:
    static BOOL CALLBACK Disable(HWND window, LPARAM state) {
        auto* self = reinterpret_cast<ThreadWindowsDisabled*>(state);
        if (window != self->owner_ && IsWindowVisible(window) && IsWindowEnabled(window)) {
            EnableWindow(window, FALSE);
            self->disabled_.push_back(window);
        }
        return TRUE;
    }
    HWND owner_;
    std::vector<HWND> disabled_;
};

} // namespace

Application& App() {
    static Application application;
    return application;
}

void Application::BlockSessionEnd(const std::string& reason) {
    sessionEndBlocked_ = true;
    if (auto create = os::SystemFunction<BlockReasonCreate>("user32.dll", "ShutdownBlockReasonCreate"))
        create(window_, os::Widened(reason).c_str());
}

void Application::AllowSessionEnd() {
    sessionEndBlocked_ = false;
    if (auto destroy = os::SystemFunction<BlockReasonDestroy>("user32.dll", "ShutdownBlockReasonDestroy"))
        destroy(window_);
}

bool Application::AnswerSessionEnd(UINT message, WPARAM wParam, LRESULT& result) {
    if (message == WM_QUERYENDSESSION) {
        result = sessionEndBlocked_ ? FALSE : TRUE;
        return true;
    }
    if (message == WM_ENDSESSION) {
        if (wParam && sessionEnding_)
            Dispatch(sessionEnding_);
        result = 0;
        return true;
    }
    return false;
}

void Application::Initialize(HINSTANCE instance) {
    instance_ = instance;
    WNDCLASSW application = {};
    application.lpfnWndProc = ApplicationProc;
    application.hInstance = instance;
    application.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    application.lpszClassName = kApplicationClass;
    RegisterClassW(&application);
    // A visible popup of no size: it carries the task-bar entry and owns the pages.
    window_ = CreateWindowExW(WS_EX_APPWINDOW, kApplicationClass, os::Widened(title_).c_str(),
                              WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, GetSystemMetrics(SM_CXSCREEN) / 2,
                              GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr, nullptr, instance, nullptr);
}

void Application::SetTitle(const std::string& title) {
    title_ = title;
    if (window_)
        SetWindowTextW(window_, os::Widened(title).c_str());
}

void Application::Run(const std::function<void()>& showFirst) {
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    showFirst();
    MSG message;
    while (!terminated_ && GetMessageW(&message, nullptr, 0, 0) > 0)
        HandleMessage(message);
    terminated_ = true;
}

void Application::Terminate() {
    if (terminated_ || quitPosted_)
        return;
    quitPosted_ = true;
    PostQuitMessage(0);
}

void Application::RequestClose() {
    if (closeRequested_)
        Dispatch(closeRequested_);
    else
        Terminate();
}

void Application::WaitForMessages(DWORD milliseconds) {
    MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void Application::ProcessMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message != WM_QUIT) {
            HandleMessage(message);
        } else if (quitPosted_) {
            terminated_ = true;
            return;
        } else {
            RequestClose();
        }
    }
}

void Application::HandleMessage(MSG& message) {
    if (IsDialogKey(message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

bool Application::IsDialogKey(MSG& message) {
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST)
        return false;
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    const bool ours = std::find(dialogWindows_.begin(), dialogWindows_.end(), root) != dialogWindows_.end();
    return ours && IsDialogMessageW(root, &message);
}

void Application::RemoveDialogWindow(HWND window) {
    dialogWindows_.erase(std::remove(dialogWindows_.begin(), dialogWindows_.end(), window),
                         dialogWindows_.end());
}

void Application::Minimize() {
    ShowWindow(window_, SW_MINIMIZE);
}

bool Application::Dispatch(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const std::exception& error) {
        ShowError(error.what());
    } catch (...) {
        ShowError("Unknown error");
    }
    return false;
}

void Application::ShowError(const std::string& message) {
    RunModal([&] { ShowMessageBox(window_, ErrorReportText(message), title_, MB_OK | MB_ICONSTOP); });
}

void Application::RunModal(const std::function<void()>& showModal) {
    HWND focus = GetFocus();
    {
        ThreadWindowsDisabled disabled(window_);
        showModal();
    }
    // Closing the modal window activates its owner, the application window, which has
    // no controls: the page that had the focus gets it back.
    if (focus && IsWindow(focus) && IsWindowVisible(GetAncestor(focus, GA_ROOT))) {
        SetActiveWindow(GetAncestor(focus, GA_ROOT));
        SetFocus(focus);
    }
}

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style) {
    return MessageBoxW(owner, os::Widened(text).c_str(), os::Widened(caption).c_str(), style);
}

} // namespace framework
