// The controls the framework paints itself: panels, pictures (the artwork drawn for the
// display's scale) and the windowless speed button with its hint.
#include "framework/Controls.h"

#include "framework/AccessibleRole.h"
#include "framework/ControlWindows.h"
#include "framework/Dpi.h"
#include "framework/GdiObjects.h"
#include "framework/PackedBitmap.h"
#include "runtime/OsSeam.h"

#include <commctrl.h>
#include <oleacc.h>

#include <iterator>
#include <string>

namespace framework {

using controls::ControlOf;
using controls::kChild;
using controls::NotifyClick;
using controls::PaintScope;

namespace {

constexpr const wchar_t* kFontProperty = L"SetupFont"; // the font a speed button draws with

} // namespace

// PaintedControl, Panel, Image

void PaintedControl::Create(HWND parent, int id, Bounds bounds) {
    CreateWindowOf(L"SetupPainted", kChild, 0, parent, id, bounds);
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
    return DefWindowProcW(window, message, wParam, lParam);
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
    GetObjectW(bitmap_.Get(), sizeof info, &info);
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
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId_), IMAGE_ICON, size, size, 0)));
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
    GetObjectW(bitmap_.Get(), sizeof drawn, &drawn);
    const int width = Scaled(designSize_.cx, Dpi()), height = Scaled(designSize_.cy, Dpi());
    if (drawn.bmWidth == width && drawn.bmHeight == height) {
        BitBlt(dc, 0, 0, width, height, source.Get(), 0, 0, SRCCOPY);
        return;
    }
    SetStretchBltMode(dc, HALFTONE); // averaged, not dropped or doubled pixels
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, 0, 0, width, height, source.Get(), 0, 0, drawn.bmWidth, drawn.bmHeight, SRCCOPY);
}

// SpeedButton

void SpeedButton::Create(HWND parent, int id, Bounds bounds) {
    CreateWindowOf(L"SetupSpeedButton", kChild, 0, parent, id, bounds);
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    os::WideText hint = os::Widened(hint_); // copied by the tooltip
    TOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.uFlags = TTF_SUBCLASS | TTF_IDISHWND;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(window_);
    tool.lpszText = hint.chars.data();
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
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
        wchar_t caption[64];
        GetWindowTextW(window, caption, sizeof caption / sizeof caption[0]);
        Selection font(paint.Dc(), GetPropW(window, kFontProperty));
        SetBkMode(paint.Dc(), TRANSPARENT);
        if (pressed)
            OffsetRect(&area, 1, 1);
        DrawTextW(paint.Dc(), caption, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        return 0;
    }
    case WM_GETOBJECT:
        return AccessibleObjectWithRole(window, wParam, lParam, ROLE_SYSTEM_PUSHBUTTON);
    case WM_SETFONT:
        SetPropW(window, kFontProperty, reinterpret_cast<HANDLE>(wParam));
        return 0;
    case WM_NCDESTROY:
        RemovePropW(window, kFontProperty);
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
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace framework
