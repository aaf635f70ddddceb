#include "framework/Dpi.h"

#include "framework/GdiObjects.h"
#include "runtime/SystemFunction.h"

namespace framework {

int Scaled(int length, int dpi) {
    return MulDiv(length, dpi, kDesignDpi);
}

Bounds Scaled(const Bounds& bounds, int dpi) {
    const int left = Scaled(bounds.left, dpi), top = Scaled(bounds.top, dpi);
    return {left, top, Scaled(bounds.left + bounds.width, dpi) - left,
            Scaled(bounds.top + bounds.height, dpi) - top};
}

int ScreenDpi() {
    const ScreenDc screen;
    const int dpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSX) : kDesignDpi;
    return dpi > 0 ? dpi : kDesignDpi;
}

int DpiOf(HWND window) {
    // From Windows 10 1607 on; looked up, so that the program starts on older systems.
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto dpiForWindow = os::SystemFunction<DpiForWindow>("user32.dll", "GetDpiForWindow");
    const int dpi = dpiForWindow && window ? static_cast<int>(dpiForWindow(window)) : 0;
    return dpi > 0 ? dpi : ScreenDpi();
}

} // namespace framework
