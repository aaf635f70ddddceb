#include "framework/Controls.h"

#include "framework/AccessibleRole.h"
#include "framework/Dpi.h"
#include "framework/PackedBitmap.h"
#include "framework/SystemLibraries.h"
#include "runtime/Errors.h"

#include <commctrl.h>
#include <oleacc.h>

#include <iterator>
#include <string>

namespace framework {

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr int kShellFileCopyClip = 160;
constexpr const char* kFontProperty = "SetupFont";             // the font a speed button draws with
constexpr const char* kSystemProcProperty = "SetupSystemProc"; // a text box's own window procedure

Control* ControlOf(HWND window) {
    return reinterpret_cast<Control*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// Custom controls tell their form of a click as a button would.
void NotifyClick(HWND window) {
    SendMessageA(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), BN_CLICKED),
                 reinterpret_cast<LPARAM>(window));
}

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

class PaintScope {
  public:
    explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintScope() { EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC Dc() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_;
    HDC dc_;
};

} // namespace

void Control::CreateWindowOf(const char* windowClass, DWORD style, DWORD exStyle, HWND parent, int id,
                             Bounds bounds) {
    id_ = id;
    window_ = CreateWindowExA(exStyle, windowClass, DisplayText(text_).c_str(), style, bounds.left,
                              bounds.top, bounds.width, bounds.height, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                              nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Control::~Control() {
    if (window_) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
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
        SetWindowTextA(window_, DisplayText(text).c_str());
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

void Control::SetFont(const char* face, int height, int weight, bool italic, BYTE charset) {
    fontSpec_ = {face, height, weight, italic, charset};
    font_.Reset(nullptr);
}

HFONT Control::OwnFont(int dpi) {
    if (fontSpec_.height == 0)
        return nullptr;
    font_.Reset(CreateFontA(-Scaled(fontSpec_.height, dpi), 0, 0, 0, fontSpec_.weight, fontSpec_.italic,
                            FALSE, FALSE, fontSpec_.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, fontSpec_.face.c_str()));
    return font_.Get();
}

// PaintedControl, Panel, Image

void PaintedControl::Create(HWND parent, int id, Bounds bounds) {
    CreateWindowOf("SetupPainted", kChild, 0, parent, id, bounds);
}

LRESULT CALLBACK PaintedControl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PaintScope paint(window);
        RECT area;
        GetClientRect(window, &area);
        if (const auto* control = static_cast<const PaintedControl*>(ControlOf(window)))
            control->Paint(paint.Dc(), area);
        return 0;
    }
    case WM_GETOBJECT: { // a picture that opens something is a link; a plain panel groups others
        const Control* control = ControlOf(window);
        return AccessibleObjectWithRole(
            window, wParam, lParam, control && control->OnClick ? ROLE_SYSTEM_LINK : ROLE_SYSTEM_GROUPING);
    }
    case WM_ERASEBKGND:
        return 1; // painted whole in WM_PAINT
    case WM_LBUTTONUP:
        NotifyClick(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void Panel::Paint(HDC dc, const RECT& area) const {
    Brush fill(CreateSolidBrush(color_));
    FillRect(dc, &area, fill.Get());
    RECT edge = area;
    DrawEdge(dc, &edge, bevel_ == Bevel::Etched ? EDGE_ETCHED : BDR_RAISEDINNER, BF_RECT);
}

namespace {

// The display scales the artwork is drawn for, in per cent, and the icon's image sizes.
constexpr int kDrawnScales[] = {100, 125, 150, 200};
constexpr int kIconSizes[] = {16, 20, 24, 32, 40, 48, 64, 256};

// The scale drawn for dpi: the nearest at or above it, the largest beyond them all.
int DrawnScaleFor(int dpi) {
    for (const int scale : kDrawnScales)
        if (scale * kDesignDpi >= dpi * 100)
            return scale;
    return kDrawnScales[std::size(kDrawnScales) - 1];
}

int IconSizeFor(int size) {
    for (const int drawn : kIconSizes)
        if (drawn >= size)
            return drawn;
    return kIconSizes[std::size(kIconSizes) - 1];
}

} // namespace

void Image::LoadBitmapResource(const char* name) {
    bitmapName_ = name;
    bitmap_.Reset(LoadPackedBitmap(name));
    BITMAP info = {};
    GetObjectA(bitmap_.Get(), sizeof info, &info);
    designSize_ = {info.bmWidth, info.bmHeight};
    loadedFor_ = kDesignDpi;
}

void Image::LoadIconResource(int id, int size) {
    iconId_ = id;
    iconSize_ = size;
    loadedFor_ = 0;
}

void Image::LoadDrawingsForDpi() const {
    if (loadedFor_ == Dpi())
        return;
    loadedFor_ = Dpi();
    if (!bitmapName_.empty()) {
        const int scale = DrawnScaleFor(Dpi());
        bitmap_.Reset(LoadPackedBitmap(scale == 100 ? bitmapName_ : bitmapName_ + std::to_string(scale)));
    }
    if (iconId_) {
        const int size = IconSizeFor(Scaled(iconSize_, Dpi()));
        icon_.Reset(static_cast<HICON>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId_), IMAGE_ICON, size, size, 0)));
    }
}

void Image::Paint(HDC dc, const RECT& area) const {
    LoadDrawingsForDpi();
    FillRect(dc, &area, BackgroundBrush() ? BackgroundBrush() : GetSysColorBrush(COLOR_BTNFACE));
    if (icon_.Get()) {
        // Stretched to fill the control; the icon's mask keeps its background transparent.
        DrawIconEx(dc, 0, 0, icon_.Get(), area.right, area.bottom, 0, nullptr, DI_NORMAL);
    } else if (bitmap_.Get()) {
        PaintBitmap(dc);
    }
}

// At its 96-DPI size, scaled; clipped to the control.
void Image::PaintBitmap(HDC dc) const {
    MemoryDc source(dc);
    Selection selected(source.Get(), bitmap_.Get());
    BITMAP drawn;
    GetObjectA(bitmap_.Get(), sizeof drawn, &drawn);
    const int width = Scaled(designSize_.cx, Dpi()), height = Scaled(designSize_.cy, Dpi());
    if (drawn.bmWidth == width && drawn.bmHeight == height) {
        BitBlt(dc, 0, 0, width, height, source.Get(), 0, 0, SRCCOPY);
        return;
    }
    SetStretchBltMode(dc, HALFTONE); // averaged, not dropped or doubled pixels
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, 0, 0, width, height, source.Get(), 0, 0, drawn.bmWidth, drawn.bmHeight, SRCCOPY);
}

// Label

void Label::Create(HWND parent, int id, Bounds bounds) {
    CreateWindowOf("STATIC", kChild | SS_LEFT | SS_NOTIFY | SS_NOPREFIX, 0, parent, id, bounds);
}

std::string Label::DisplayText(const std::string& text) const {
    return WithLineBreaks(text);
}

// Memo

// TextBox

void TextBox::CreateTextBox(DWORD style, HWND parent, int id, Bounds bounds) {
    CreateWindowOf("EDIT", style, WS_EX_CLIENTEDGE, parent, id, bounds);
    // The system's procedure is kept with the window, so that it still gets every message
    // once the control has let go of its window.
    SetPropA(window_, kSystemProcProperty,
             reinterpret_cast<HANDLE>(
                 SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TextBox::WindowProc))));
}

LRESULT CALLBACK TextBox::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto systemProc = reinterpret_cast<WNDPROC>(GetPropA(window, kSystemProcProperty));
    const auto* box = static_cast<const TextBox*>(ControlOf(window));
    if (message == WM_GETOBJECT && box && !box->accessibleName_.empty())
        return AccessibleObjectWithRole(window, wParam, lParam, ROLE_SYSTEM_TEXT, box->accessibleName_);
    if (message == WM_NCDESTROY)
        RemovePropA(window, kSystemProcProperty);
    return CallWindowProcA(systemProc, window, message, wParam, lParam);
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
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window_)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window_, &text[0], static_cast<int>(text.size()))));
    return text;
}

// Button

void Button::Create(HWND parent, int id, Bounds bounds) {
    CreateWindowOf("BUTTON", kChild | WS_TABSTOP | (default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0, parent,
                   id, bounds);
}

// SpeedButton

void SpeedButton::Create(HWND parent, int id, Bounds bounds) {
    CreateWindowOf("SetupSpeedButton", kChild, 0, parent, id, bounds);
    HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.uFlags = TTF_SUBCLASS | TTF_IDISHWND;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(window_);
    tool.lpszText = const_cast<char*>(hint_.c_str());
    SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

LRESULT CALLBACK SpeedButton::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PaintScope paint(window);
        RECT area;
        GetClientRect(window, &area);
        const bool pressed = GetCapture() == window;
        FillRect(paint.Dc(), &area, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(paint.Dc(), &area, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        char caption[64];
        GetWindowTextA(window, caption, sizeof caption);
        Selection font(paint.Dc(), GetPropA(window, kFontProperty));
        SetBkMode(paint.Dc(), TRANSPARENT);
        if (pressed)
            OffsetRect(&area, 1, 1);
        DrawTextA(paint.Dc(), caption, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        return 0;
    }
    case WM_GETOBJECT:
        return AccessibleObjectWithRole(window, wParam, lParam, ROLE_SYSTEM_PUSHBUTTON);
    case WM_SETFONT:
        SetPropA(window, kFontProperty, reinterpret_cast<HANDLE>(wParam));
        return 0;
    case WM_NCDESTROY:
        RemovePropA(window, kFontProperty);
        break;
    case WM_LBUTTONDOWN: // no focus taken: the button has no place in the tab order
        SetCapture(window);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_LBUTTONUP: {
        if (GetCapture() != window)
            return 0;
        ReleaseCapture();
        InvalidateRect(window, nullptr, FALSE);
        RECT area;
        GetClientRect(window, &area);
        const POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (PtInRect(&area, at))
            NotifyClick(window);
        return 0;
    }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// CheckBox

void CheckBox::Create(HWND parent, int id, Bounds bounds) {
    CreateWindowOf("BUTTON", kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0, parent, id, bounds);
}

bool CheckBox::Checked() const {
    return SendMessageA(window_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckBox::SetChecked(bool checked) {
    SendMessageA(window_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// ProgressBar

void ProgressBar::Create(HWND parent, int id, Bounds bounds) {
    CreateWindowOf(PROGRESS_CLASSA, kChild | PBS_SMOOTH, 0, parent, id, bounds);
}

void ProgressBar::SetRange(long minimum, long maximum) {
    SendMessageA(window_, PBM_SETRANGE32, minimum, maximum);
}

long ProgressBar::Position() const {
    return static_cast<long>(SendMessageA(window_, PBM_GETPOS, 0, 0));
}

void ProgressBar::SetPosition(long position) {
    SendMessageA(window_, PBM_SETPOS, position, 0);
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
    CreateWindowOf(ANIMATE_CLASSA, kChild | ACS_CENTER | ACS_TRANSPARENT, 0, parent_, id_, bounds_);
    SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    opened_ = SendMessageA(window_, ACM_OPENA, reinterpret_cast<WPARAM>(GetModuleHandleA("shell32.dll")),
                           reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(kShellFileCopyClip))) != 0;
}

void Animate::Play() {
    if (!opened_)
        throw rt::Error("Cannot open AVI");
    SendMessageA(window_, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
}

void Animate::StopAndHide() {
    if (!window_)
        return;
    SendMessageA(window_, ACM_STOP, 0, 0);
    SetVisible(false);
}

void InitializeCommonControls() {
    // Loaded from the system folder at run time: comctl32 is not one of the system's
    // known DLLs, so an import would be looked for beside the program first. It stays
    // loaded for the program's life, as its window classes must.
    HMODULE library = LoadSystemLibrary("comctl32.dll");
    using Initialize = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto initialize = reinterpret_cast<Initialize>(
        reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControlsEx")));
    INITCOMMONCONTROLSEX classes = {sizeof classes,
                                    ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS | ICC_WIN95_CLASSES};
    if (initialize)
        initialize(&classes);
}

} // namespace framework
