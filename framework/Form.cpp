#include "framework/Form.h"

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Dpi.h"
#include "framework/Fonts.h"
#include "runtime/OsSeam.h"

#include <algorithm>
#include <utility>

namespace framework {

namespace {

// The window class of every form.
const wchar_t* const kFormClass = L"SetupForm";
constexpr DWORD kFormStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kFirstControlId = 100;
// Sent from Windows 8.1 on when the window moves to a monitor of another DPI; the
// headers name it only for that target.
constexpr UINT kDpiChanged = 0x02E0; // WM_DPICHANGED

void RegisterControlClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, HBRUSH background) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    RegisterClassW(&windowClass);
}

} // namespace

void Form::RegisterWindowClasses(HINSTANCE instance) {
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    WNDCLASSW form = {};
    form.lpfnWndProc = WindowProc;
    form.hInstance = instance;
    form.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    form.hCursor = LoadCursor(nullptr, IDC_ARROW);
    form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form.lpszClassName = kFormClass;
    RegisterClassW(&form);
    RegisterControlClass(instance, L"SetupPainted", PaintedControl::WindowProc, nullptr);
    RegisterControlClass(instance, L"SetupSpeedButton", SpeedButton::WindowProc,
                         reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
}

Form::Form(const std::string& caption, int clientWidth, int clientHeight) : dpi_(ScreenDpi()) {
    RegisterWindowClasses(App().Instance());
    MakeFont();
    RECT frame = {0, 0, Scaled(clientWidth, dpi_), Scaled(clientHeight, dpi_)};
    AdjustWindowRectEx(&frame, kFormStyle, FALSE, 0);
    window_ = CreateWindowExW(0, kFormClass, os::Widened(caption).c_str(), kFormStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                              App().Handle(), nullptr, App().Instance(), this);
    TakeOwnDpi(clientWidth, clientHeight);
    App().AddDialogWindow(window_);
}

void Form::TakeOwnDpi(int clientWidth, int clientHeight) {
    const int own = DpiOf(window_);
    if (!window_ || own == dpi_)
        return;
    dpi_ = own;
    MakeFont();
    RECT frame = {0, 0, Scaled(clientWidth, dpi_), Scaled(clientHeight, dpi_)};
    AdjustWindowRectEx(&frame, kFormStyle, FALSE, 0);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Form::~Form() {
    App().RemoveDialogWindow(window_);
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void Form::MakeFont() {
    font_.Reset(FontForChinese(L"MS Sans Serif", -Scaled(11, dpi_), FW_NORMAL, false, DEFAULT_CHARSET));
}

void Form::SetFontOf(Control& control) {
    control.dpi_ = dpi_;
    if (!control.Handle())
        return;
    const HFONT own = control.OwnFont(dpi_);
    SendMessageW(control.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(own ? own : font_.Get()), FALSE);
}

void Form::Place(Control& control, Bounds bounds) {
    const int id = kFirstControlId + static_cast<int>(controls_.size());
    controls_.push_back(&control);
    layout_.push_back(bounds);
    control.Create(window_, id, Scaled(bounds, dpi_));
    SetFontOf(control);
}

void Form::ChangeDpi(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    const Font previous(std::move(font_)); // the controls hold it until they have the new one
    MakeFont();
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        controls_[i]->MoveTo(Scaled(layout_[i], dpi_));
        SetFontOf(*controls_[i]);
    }
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN); // pictures too
}

void Form::SendToBack(Control& control) {
    SetWindowPos(control.Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Form::Show() {
    if (!placed_) { // centred on the screen the first time, wherever the task bar is
        RECT frame;
        GetWindowRect(window_, &frame);
        const int width = frame.right - frame.left;
        const int height = frame.bottom - frame.top;
        SetWindowPos(window_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        placed_ = true;
    }
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    BringWindowToTop(window_);
}

void Form::Hide() {
    ShowWindow(window_, SW_HIDE);
}

Control* Form::ControlOf(HWND window) const {
    const auto found = std::find_if(controls_.begin(), controls_.end(),
                                    [window](Control* c) { return c->Handle() == window; });
    return found == controls_.end() ? nullptr : *found;
}

Control* Form::ControlWithId(int id) const {
    const int index = id - kFirstControlId;
    return index >= 0 && index < static_cast<int>(controls_.size()) ? controls_[index] : nullptr;
}

LRESULT Form::ColorStatic(HDC dc, HWND window) {
    const Control* control = ControlOf(window);
    if (control && control->TextColor() != CLR_INVALID)
        ::SetTextColor(dc, control->TextColor());
    if (control && control->BackgroundBrush()) {
        SetBkColor(dc, control->BackgroundColor());
        return reinterpret_cast<LRESULT>(control->BackgroundBrush());
    }
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT CALLBACK Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form || !form->window_)
        return DefWindowProcW(window, message, wParam, lParam);
    return form->HandleMessage(message, wParam, lParam);
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        Control* control = ControlWithId(LOWORD(wParam));
        if (control && HIWORD(wParam) == BN_CLICKED && control->OnClick && control->Enabled())
            App().Dispatch(control->OnClick);
        return 0;
    }
    case WM_CTLCOLORSTATIC:
        return ColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case DM_GETDEFID:
        return defaultButton_ ? MAKELRESULT(defaultButton_->Id(), DC_HASDEFID) : 0;
    case WM_NEXTDLGCTL: // a multi-line edit passes Tab on to its form
        ::SetFocus(GetNextDlgTabItem(window_, GetFocus(), wParam != 0));
        return 0;
    case WM_CLOSE:
        App().Dispatch([this] { CloseBoxPressed(); });
        return 0;
    case kDpiChanged: // moved to a monitor of another scale
        ChangeDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE) {
            App().Minimize(); // the application window carries the task-bar entry
            return 0;
        }
        break;
    }
    LRESULT result = 0;
    if (App().AnswerSessionEnd(message, wParam, result)) // every window of the wizard answers alike
        return result;
    return DefWindowProcW(window_, message, wParam, lParam);
}

} // namespace framework
