// The real installation under Wine: the time from "安装" to the finish page for the
// sample payload, next to two floors measured in the same run: the plain write loop,
// and the same loop doing the page's work per file on a real window (set a label's
// text, step a bar, process waiting messages). Also the time from process start to the
// first page, and what Setup.exe weighs beyond its payload.
#include "tests/bench/PlainLoop.h"
#include "tests/e2e/Driver.h"
#include "tests/support/TempFolder.h"

#include <commctrl.h>
#include <windows.h>

#include <cstdio>

namespace {

// A window with a label and a smooth bar, like the progress page's.
class PageLikeWindow {
  public:
    PageLikeWindow() {
        window_ = CreateWindowExA(0, "STATIC", "floor", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 100, 100,
                                  495, 350, nullptr, nullptr, nullptr, nullptr);
        label_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT, 2, 130, 485, 40, window_,
                                 nullptr, nullptr, nullptr);
        bar_ = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 2, 230, 485, 12,
                               window_, nullptr, nullptr, nullptr);
        SendMessageA(bar_, PBM_SETRANGE32, 0, 1754);
    }
    ~PageLikeWindow() { DestroyWindow(window_); }

    void Step(const std::string& path) {
        SetWindowTextA(label_, ("    " + path).c_str());
        SendMessageA(bar_, PBM_SETPOS, SendMessageA(bar_, PBM_GETPOS, 0, 0) + 1, 0);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

  private:
    HWND window_, label_, bar_;
};

struct WizardTimes {
    double startToFirstPage = 0;
    double installToFinish = 0;
};

WizardTimes TimeTheWizard(const std::string& target) {
    WizardTimes times;
    const auto start = GetTickCount();
    e2e::SetupProcess setup;
    HWND agreement = e2e::WaitForPage(setup.Id(), e2e::Page::Agreement);
    times.startToFirstPage = GetTickCount() - start;
    e2e::Click(e2e::ChildWithText(agreement, "同意  >"));
    HWND directory = e2e::WaitForPage(setup.Id(), e2e::Page::Directory);
    e2e::Type(e2e::ChildOfClass(directory, "Edit"), target);
    e2e::Click(e2e::ChildWithText(directory, "下一步  >"));
    HWND progress = e2e::WaitForPage(setup.Id(), e2e::Page::Progress);
    times.installToFinish = bench::MillisecondsOf([&] {
        e2e::Click(e2e::ChildWithText(progress, "安装"));
        e2e::WaitForPage(setup.Id(), e2e::Page::Finish, 300000);
    });
    // Leave without starting the program: it would hold its file for the next round.
    HWND finish = e2e::WaitForPage(setup.Id(), e2e::Page::Finish);
    e2e::SetChecked(e2e::ChildWithText(finish, "运行Marluxa"), false);
    e2e::SetChecked(e2e::ChildWithText(finish, "我要阅读说明文件"), false);
    e2e::Click(e2e::ChildWithText(finish, "完成"));
    setup.WaitForExit(10000);
    return times;
}

long long FileSize(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

int main() {
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    const bench::PayloadInMemory payload(SAMPLE_PAYLOAD_DIR);
    testing_support::TempFolder dir;
    const std::string target = dir / "Quenvale";
    constexpr int kRounds = 3;
    std::vector<double> plain, paged, wizard, startup;
    for (int round = 0; round < kRounds; ++round) {
        plain.push_back(bench::MillisecondsOf([&] { bench::PlainLoop(payload, target, nullptr); }));
        testing_support::RemoveAll(target);
        {
            PageLikeWindow page;
            paged.push_back(bench::MillisecondsOf([&] {
                bench::PlainLoop(payload, target, [&](const std::string& path) { page.Step(path); });
            }));
        }
        testing_support::RemoveAll(target);
        const WizardTimes times = TimeTheWizard(target);
        wizard.push_back(times.installToFinish);
        startup.push_back(times.startToFirstPage);
        testing_support::RemoveAll(target);
    }
    const double floorPlain = bench::Median(plain), floorPaged = bench::Median(paged),
                 real = bench::Median(wizard);
    std::printf("wizard benchmark under Wine (%zu files, median of %d rounds)\n", payload.Entries().size(),
                kRounds);
    std::printf("  floor 1, plain write loop:            %8.1f ms\n", floorPlain);
    std::printf("  floor 2, loop with page work per file: %7.1f ms\n", floorPaged);
    std::printf("  Setup.exe, from the install click to the finish page: %7.1f ms\n", real);
    std::printf("  ratio Setup.exe/floor 2:               %7.3f (target at most 1.10)\n", real / floorPaged);
    std::printf("  ratio Setup.exe/floor 1:               %7.3f\n", real / floorPlain);
    std::printf("  process start to first page:          %7.1f ms (includes the driver's 25 ms polling)\n",
                bench::Median(startup));
    const long long setupSize = FileSize(SETUP_EXE);
    const long long emptySize = FileSize(EMPTY_WITH_PAYLOAD_EXE);
    std::printf("  Setup.exe: %lld bytes; an empty program with the same payload: %lld bytes\n", setupSize,
                emptySize);
    std::printf("  code and artwork beyond the payload:   %lld bytes (%.1f KB; target at most 350 KB)\n",
                setupSize - emptySize, (setupSize - emptySize) / 1024.0);
    return 0;
}
