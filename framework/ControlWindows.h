// What the control files share: the style of every child control, the control a window
// belongs to, a click told as a button tells it, and a paint that always ends. For the
// framework's control files only.
#pragma once

#include <windows.h>

namespace framework {

class Control; // framework/Controls.h; named here only through a pointer

namespace controls {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;

inline Control* ControlOf(HWND window) {
    return reinterpret_cast<Control*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Custom controls tell their form of a click as a button would.
inline void NotifyClick(HWND window) {
    SendMessageW(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), BN_CLICKED),
                 reinterpret_cast<LPARAM>(window));
}

// BeginPaint and its EndPaint on every way out.
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

} // namespace controls
} // namespace framework
