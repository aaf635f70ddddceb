// Where a form first appears: centred on the screen, whatever part of it a task bar takes.
#include "framework/Form.h"

#include <gtest/gtest.h>

TEST(FormPlacement, CentredOnTheScreenBothWaysNotInTheWorkArea) {
    // A task bar along the top and the left: the work area's centre then differs from
    // the screen's both ways (the work area is this process's own under Wine).
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RECT whole, taskBarsAside = {120, 90, screenWidth, screenHeight};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &whole, 0);
    SystemParametersInfoA(SPI_SETWORKAREA, 0, &taskBarsAside, 0);
    RECT frame;
    {
        framework::Form form("placed", 489, 325);
        form.Show();
        GetWindowRect(form.Handle(), &frame);
    }
    SystemParametersInfoA(SPI_SETWORKAREA, 0, &whole, 0);
    EXPECT_NEAR((frame.left + frame.right) / 2, screenWidth / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, screenHeight / 2, 1);
}
