#include "framework/Controls.h"

#include "framework/ControlWindows.h"

#include "framework/AccessibleRole.h"
#include "framework/Dpi.h"
#include "framework/Fonts.h"
#include "framework/PackedBitmap.h"
#include "framework/SystemLibraries.h"
#include "runtime/Errors.h"
#include "runtime/OsSeam.h"
#include "runtime/SystemFunction.h"

#include <commctrl.h>
#include <oleacc.h>

#include <iterator>
#include <string>
#include <vector>

namespace framework {

using controls::ControlOf;
using controls::kChild;
using controls::NotifyClick;

namespace {

constexpr int kShellFileCopyClip = 160;
constexpr const wchar_t* kSystemProcProperty = L"SetupSystemProc"; // a text box's own window procedure

// Turns each CR that is not followed by LF into CR LF, as the system controls break
// lines only there.
std::string WithLineBreaks(const std::string& text) {
    std::string shown;
    shown.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        shown += text[i];
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))
            shown += '\n';
    }
    return shown;
}

} // namespace

void Control::CreateWindowOf(const wchar_t* windowClass, DWORD style, DWORD exStyle, HWND parent, int id,
                             Bounds bounds) {
    id_ = id;
    window_ = CreateWindowExW(exStyle, windowClass, os::Widened(DisplayText(text_)).c_str(), style,
                              bounds.left, bounds.top, bounds.width, bounds.height, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                              nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Control::~Control() {
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void Control::MoveTo(Bounds bounds) {
    if (window_)
        SetWindowPos(window_, nullptr, bounds.left, bounds.top, bounds.width, bounds.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void Control::SetText(const std::string& text) {
    text_ = text;
    if (window_)
        SetWindowTextW(window_, os::Widened(DisplayText(text)).c_str());
}

void Control::SetEnabled(bool enabled) {
    if (window_)
        EnableWindow(window_, enabled);
}

bool Control::Enabled() const {
    return window_ && IsWindowEnabled(window_);
}

void Control::SetVisible(bool visible) {
    if (window_)
        ShowWindow(window_, visible ? SW_SHOW : SW_HIDE);
}

void Control::SetFocus() {
    if (window_)
        ::SetFocus(window_);
}

void Control::SetBackground(COLORREF color) {
    backgroundColor_ = color;
    background_.Reset(CreateSolidBrush(color));
}

void Control::SetFont(const wchar_t* face, int height, int weight, bool italic, BYTE charset) {
    fontSpec_ = {face, height, weight, italic, charset};
    font_.Reset(nullptr);
}

HFONT Control::OwnFont(int dpi) {
    if (fontSpec_.height == 0)
        return nullptr;
    font_.Reset(FontForChinese(fontSpec_.face, -Scaled(fontSpec_.height, dpi), fontSpec_.weight,
                               fontSpec_.italic, fontSpec_.charset));
    return font_.Get();
}

// Label

void Label::Create(HWND parent, int id, Bounds bounds) {
    CreateWindowOf(L"STATIC", kChild | SS_LEFT | SS_NOTIFY | SS_NOPREFIX, 0, parent, id, bounds);
}

std::string Label::DisplayText(const std::string& text) const {
    return WithLineBreaks(text);
}

// Memo

// TextBox

void TextBox::CreateTextBox(DWORD style, HWND parent, int id, Bounds bounds) {
    CreateWindowOf(L"EDIT", style, WS_EX_CLIENTEDGE, parent, id, bounds);
    // The system's procedure is kept with the window, so that it still gets every message
    // once the control has let go of its window.
    SetPropW(window_, kSystemProcProperty,
             reinterpret_cast<HANDLE>(
                 SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TextBox::WindowProc))));
}

LRESULT CALLBACK TextBox::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto systemProc = reinterpret_cast<WNDPROC>(GetPropW(window, kSystemProcProperty));
    const auto* box = static_cast<const TextBox*>(ControlOf(window));
    if (message == WM_GETOBJECT && box && !box->accessibleName_.empty())
        return AccessibleObjectWithRole(window, wParam, lParam, ROLE_SYSTEM_TEXT, box->accessibleName_);
    if (message == WM_NCDESTROY)
        RemovePropW(window, kSystemProcProperty);
    return CallWindowProcW(systemProc, window, message, wParam, lParam);
}

// Memo

void Memo::Create(HWND parent, int id, Bounds bounds) {
    CreateTextBox(kChild | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, parent, id,
                  bounds);
    SetBackground(GetSysColor(COLOR_WINDOW)); // read-only, but shown as a text box
}

std::string Memo::DisplayText(const std::string& text) const {
    return WithLineBreaks(text);
}

// Edit

void Edit::Create(HWND parent, int id, Bounds bounds) {
    CreateTextBox(kChild | WS_TABSTOP | ES_AUTOHSCROLL, parent, id, bounds);
}

std::string Edit::CurrentText() const {
    std::vector<wchar_t> text(static_cast<std::size_t>(GetWindowTextLengthW(window_)) + 1);
    const int length = GetWindowTextW(window_, text.data(), static_cast<int>(text.size()));
    return os::Narrowed(text.data(), length);
}

// Button

void Button::Create(HWND parent, int id, Bounds bounds) {
    CreateWindowOf(L"BUTTON", kChild | WS_TABSTOP | (default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0, parent,
                   id, bounds);
}

// CheckBox

void CheckBox::Create(HWND parent, int id, Bounds bounds) {
    CreateWindowOf(L"BUTTON", kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0, parent, id, bounds);
}

bool CheckBox::Checked() const {
    return SendMessageW(window_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckBox::SetChecked(bool checked) {
    SendMessageW(window_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// ProgressBar

void ProgressBar::Create(HWND parent, int id, Bounds bounds) {
    CreateWindowOf(PROGRESS_CLASSW, kChild | PBS_SMOOTH, 0, parent, id, bounds);
}

void ProgressBar::SetRange(long minimum, long maximum) {
    SendMessageW(window_, PBM_SETRANGE32, minimum, maximum);
}

long ProgressBar::Position() const {
    return static_cast<long>(SendMessageW(window_, PBM_GETPOS, 0, 0));
}

void ProgressBar::SetPosition(long position) {
    SendMessageW(window_, PBM_SETPOS, position, 0);
}

// Animate

void Animate::Create(HWND parent, int id, Bounds bounds) {
    parent_ = parent;
    id_ = id;
    bounds_ = bounds;
}

void Animate::MoveTo(Bounds bounds) {
    bounds_ = bounds; // where it will be made, if it is not yet
    Control::MoveTo(bounds);
}

void Animate::Show() {
    if (window_)
        return SetVisible(true);
    CreateWindowOf(ANIMATE_CLASSW, kChild | ACS_CENTER | ACS_TRANSPARENT, 0, parent_, id_, bounds_);
    SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    opened_ = SendMessageW(window_, ACM_OPENW, reinterpret_cast<WPARAM>(GetModuleHandleW(L"shell32.dll")),
                           reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(kShellFileCopyClip))) != 0;
}

void Animate::Play() {
    if (!opened_)
        throw rt::Error("Cannot open AVI");
    SendMessageW(window_, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
}

void Animate::StopAndHide() {
    if (!window_)
        return;
    SendMessageW(window_, ACM_STOP, 0, 0);
    SetVisible(false);
}

void InitializeCommonControls() {
    // Loaded from the system folder at run time: comctl32 is not one of the system's
    // known DLLs, so an import would be looked for beside the program first. It stays
    // loaded for the program's life, as its window classes must.
    HMODULE library = LoadSystemLibrary("comctl32.dll");
    using Initialize = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto initialize = os::SystemFunction<Initialize>(library, "InitCommonControlsEx");
    INITCOMMONCONTROLSEX classes = {sizeof classes,
                                    ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS | ICC_WIN95_CLASSES};
    if (initialize)
        initialize(&classes);
}

} // namespace framework
