// Pixels per inch. The layout is given at 96 DPI; at any other DPI every size is scaled
// by DPI/96 through the one rounding rule here, so that what touches at 96 DPI touches
// at every DPI and nothing is off by a pixel in one place and not in another.
#pragma once

#include "framework/Bounds.h"

#include <windows.h>

namespace framework {

constexpr int kDesignDpi = 96;

// A length given at 96 DPI, at dpi: rounded to the nearest pixel (halves away from zero).
int Scaled(int length, int dpi);
// A rectangle given at 96 DPI, at dpi: its edges scaled, so that neighbours stay neighbours.
Bounds Scaled(const Bounds& bounds, int dpi);

// The DPI of the screen new windows open on.
int ScreenDpi();
// The DPI a window is shown at: its monitor's where the system tells, else the screen's.
int DpiOf(HWND window);

} // namespace framework
