// The wizard at another DPI: each page's client area and every control's rectangle are
// the 96-DPI ones scaled by the one rounding rule, and no caption is cut. Run first at
// 96 DPI to record the layout (SETUP_LAYOUT_MODE=record), then, with the display's DPI
// changed, to compare (SETUP_LAYOUT_MODE=compare); tests/e2e/at-dpi.sh changes it.
#include "framework/Dpi.h"
#include "runtime/OsSeam.h"
#include "tests/e2e/Driver.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace e2e;

namespace {

struct ControlSeen {
    std::string windowClass, text;
    RECT rect; // in the page's client coordinates
};

std::vector<ControlSeen> ControlsOf(HWND page) {
    std::vector<ControlSeen> controls;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        ControlSeen seen;
        char name[64] = {};
        GetClassNameA(child, name, sizeof name);
        seen.windowClass = name;
        seen.text = TextOf(child);
        GetWindowRect(child, &seen.rect);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&seen.rect), 2);
        controls.push_back(seen);
    }
    return controls;
}

// How many lines a label's caption takes, wrapped at its width in its own font: at
// another DPI no more than at 96, or a line would be cut.
int WrappedLines(HWND page, const ControlSeen& control) {
    if (control.windowClass != "Static" || control.text.empty())
        return 0;
    HWND window = ChildWithText(page, control.text);
    HDC dc = GetDC(window);
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    RECT needed = {0, 0, control.rect.right - control.rect.left, 0};
    DrawTextW(dc, os::Widened(control.text).c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    return needed.bottom / metrics.tmHeight;
}

// One line a page and one a control (its class, rectangle and, for a label, the lines
// its caption takes): what the 96-DPI run records and the others compare with.
std::string Layout(HWND page) {
    RECT client;
    GetClientRect(page, &client);
    std::ostringstream out;
    out << "page " << client.right << " " << client.bottom << "\n";
    for (const ControlSeen& control : ControlsOf(page))
        out << control.windowClass << " " << control.rect.left << " " << control.rect.top << " "
            << control.rect.right - control.rect.left << " " << control.rect.bottom - control.rect.top << " "
            << WrappedLines(page, control) << "\n";
    return out.str();
}

// What the layout recorded at 96 DPI becomes at dpi by the rounding rule.
std::string ScaledLayout(const std::string& layout, int dpi) {
    std::istringstream in(layout);
    std::ostringstream out;
    std::string kind;
    while (in >> kind) {
        if (kind == "page") {
            int width, height;
            in >> width >> height;
            out << "page " << framework::Scaled(width, dpi) << " " << framework::Scaled(height, dpi) << "\n";
            continue;
        }
        framework::Bounds bounds;
        int lines;
        in >> bounds.left >> bounds.top >> bounds.width >> bounds.height >> lines;
        const framework::Bounds scaled = framework::Scaled(bounds, dpi);
        out << kind << " " << scaled.left << " " << scaled.top << " " << scaled.width << " " << scaled.height
            << " " << lines << "\n";
    }
    return out.str();
}

// A button's or check box's caption fits on its one line in the control's own font,
// beside the box for a check box.
void ExpectCaptionsFit(HWND page) {
    for (const ControlSeen& control : ControlsOf(page)) {
        if (control.windowClass != "Button" || control.text.empty())
            continue;
        HWND window = ChildWithText(page, control.text);
        HDC dc = GetDC(window);
        const HGDIOBJ previous =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)));
        RECT needed = {0, 0, 0, 0};
        DrawTextW(dc, os::Widened(control.text).c_str(), -1, &needed, DT_CALCRECT | DT_SINGLELINE);
        SelectObject(dc, previous);
        ReleaseDC(window, dc);
        const LONG type = GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK;
        const bool checkBox = type == BS_AUTOCHECKBOX || type == BS_CHECKBOX;
        const int width = control.rect.right - control.rect.left;
        EXPECT_LE(needed.right, checkBox ? width - GetSystemMetrics(SM_CXMENUCHECK) - 4 : width - 4)
            << control.text;
    }
}

// Every rectangle of the layout at 96 DPI as scaled to dpi; a label's caption in no more
// lines than at 96 DPI.
void ExpectScaled(const std::string& layout, const std::string& at96, int dpi) {
    std::istringstream now(layout), expected(ScaledLayout(at96, dpi));
    for (std::string seen, wanted; std::getline(now, seen) && std::getline(expected, wanted);) {
        const std::size_t cut = seen.rfind(' '), wantedCut = wanted.rfind(' ');
        if (seen.rfind("page", 0) == 0) {
            EXPECT_EQ(seen, wanted) << "at " << dpi << " DPI";
            continue;
        }
        EXPECT_EQ(seen.substr(0, cut), wanted.substr(0, wantedCut)) << "at " << dpi << " DPI";
        EXPECT_LE(std::stoi(seen.substr(cut + 1)), std::stoi(wanted.substr(wantedCut + 1))) << seen;
    }
    EXPECT_EQ(std::count(layout.begin(), layout.end(), '\n'), std::count(at96.begin(), at96.end(), '\n'));
}

// The page moved to a monitor of dpi, as the system tells a window: the new DPI and the
// window rectangle it suggests (the client area scaled, the frame as it is). The
// rectangle is handed over in the page's own process, as the system's would be.
void MoveToAMonitorOf(const SetupProcess& setup, HWND page, int dpi) {
    RECT window, client;
    GetWindowRect(page, &window);
    GetClientRect(page, &client);
    const int frameWidth = (window.right - window.left) - client.right;
    const int frameHeight = (window.bottom - window.top) - client.bottom;
    RECT suggested = {window.left, window.top,
                      window.left + framework::Scaled(client.right, dpi) + frameWidth,
                      window.top + framework::Scaled(client.bottom, dpi) + frameHeight};
    void* there = VirtualAllocEx(setup.Handle(), nullptr, sizeof suggested, MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(there, nullptr);
    ASSERT_TRUE(WriteProcessMemory(setup.Handle(), there, &suggested, sizeof suggested, nullptr));
    SendMessageA(page, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(there));
    VirtualFreeEx(setup.Handle(), there, 0, MEM_RELEASE);
}

} // namespace

TEST(DpiLayout, EveryPageIsItsLayoutAt96DpiScaledAndNoCaptionIsCut) {
    const char* mode = std::getenv("SETUP_LAYOUT_MODE");
    const char* file = std::getenv("SETUP_LAYOUT_FILE");
    ASSERT_TRUE(mode && file) << "SETUP_LAYOUT_MODE and SETUP_LAYOUT_FILE name what to do";
    const int dpi = framework::ScreenDpi();
    testing_support::TempFolder dir;
    SetupProcess setup;
    std::string layout;
    const auto look = [&](HWND page, const char* name) {
        ASSERT_NE(page, nullptr) << name;
        EXPECT_EQ(framework::DpiOf(page), dpi);
        layout += Layout(page);
        ExpectCaptionsFit(page);
        Screenshot(std::string("dpi") + std::to_string(dpi) + "-" + name);
    };
    HWND agreement = WaitForPage(setup.Id(), Page::Agreement);
    look(agreement, "1-agreement");
    HWND directory = GoToDirectoryPage(setup);
    look(directory, "2-directory");
    Type(ChildOfClass(directory, "Edit"), dir / "Quenvale");
    Click(ChildWithText(directory, "下一步  >"));
    HWND progress = WaitForPage(setup.Id(), Page::Progress);
    look(progress, "3-progress");
    Click(ChildWithText(progress, "安装"));
    HWND finish = WaitForPage(setup.Id(), Page::Finish, 120000);
    look(finish, "4-finish");
    if (dpi == framework::kDesignDpi) { // the move to a monitor of another DPI
        const std::string before = Layout(finish);
        MoveToAMonitorOf(setup, finish, 192);
        ExpectScaled(Layout(finish), before, 192);
        Screenshot("dpi96-moved-to-192-finish");
    }
    SetChecked(ChildWithText(finish, "运行Marluxa"), false);
    SetChecked(ChildWithText(finish, "我要阅读说明文件"), false);
    Click(ChildWithText(finish, "完成"));
    EXPECT_TRUE(setup.WaitForExit(20000));

    if (std::string(mode) == "record") {
        ASSERT_EQ(dpi, framework::kDesignDpi);
        std::ofstream(file) << layout;
        return;
    }
    std::ifstream recorded(file);
    ASSERT_TRUE(recorded.good()) << file << " is recorded at 96 DPI first";
    std::stringstream read;
    read << recorded.rdbuf();
    const std::string at96 = read.str();
    ExpectScaled(layout, at96, dpi);
}
