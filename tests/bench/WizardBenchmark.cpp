// The real installation under Wine against its floors, measured in one run with the
// rounds interleaved: the bare write loop (the same bytes to the same paths with the
// same calls), the installation run in this process with an observer that does nothing,
// and Setup.exe from the "安装" click to the finish page. Also the time from process
// start to the first page beside a minimal one-window program's first window, how fast
// the page answers a click on "取消" and on the close box while the run goes, the peak
// working set, the cost of the payload check, and what Setup.exe weighs beyond its
// payload, part by part. Not a test: it prints figures and asserts nothing.
#include "engine/InstallationRun.h"
#include "engine/PayloadCheck.h"
#include "engine/ResourceStore.h"
#include "tests/bench/MappedPayload.h"
#include "tests/bench/PlainLoop.h"
#include "tests/bench/SizeReport.h"
#include "tests/e2e/Driver.h"
#include "tests/support/RecordingObserver.h"
#include "tests/support/TempFolder.h"

#include <commctrl.h>
#include <psapi.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Polls until found() holds, every pollMilliseconds: often enough for the figure, and
// seldom enough not to take the wineserver's time from the program measured.
template <class Found> double MillisecondsUntil(Found found, DWORD pollMilliseconds = 1) {
    const auto start = Clock::now();
    while (!found() && MillisecondsSince(start) < 300000)
        Sleep(pollMilliseconds);
    return MillisecondsSince(start);
}

HWND ToTheProgressPage(const e2e::SetupProcess& setup, const std::string& target) {
    e2e::Click(e2e::ChildWithText(e2e::WaitForPage(setup.Id(), e2e::Page::Agreement), "同意  >"));
    HWND directory = e2e::WaitForPage(setup.Id(), e2e::Page::Directory);
    e2e::Type(e2e::ChildOfClass(directory, "Edit"), target);
    e2e::Click(e2e::ChildWithText(directory, "下一步  >"));
    return e2e::WaitForPage(setup.Id(), e2e::Page::Progress);
}

// Leaves the finish page without starting the program, which would hold its file.
void LeaveWithoutOpening(const e2e::SetupProcess& setup) {
    HWND finish = e2e::WaitForPage(setup.Id(), e2e::Page::Finish, 300000);
    e2e::SetChecked(e2e::ChildWithText(finish, "运行Marluxa"), false);
    e2e::SetChecked(e2e::ChildWithText(finish, "我要阅读说明文件"), false);
    e2e::Click(e2e::ChildWithText(finish, "完成"));
    setup.WaitForExit(10000);
}

// How often the start-up figures look for the first window: the same for both programs.
constexpr DWORD kStartPoll = 2;

BOOL CALLBACK FindVisibleWindowOf(HWND window, LPARAM state) {
    auto* found = reinterpret_cast<std::pair<DWORD, HWND>*>(state);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == found->first && IsWindowVisible(window))
        found->second = window;
    return !found->second;
}

// Closes the window as its close box would and waits for the program to end, so that
// the next round starts on a quiet system.
void CloseAndWait(const e2e::SetupProcess& program, HWND window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    program.WaitForExit(10000);
}

// A minimal one-window program (the sample's main program: one class, one window, one
// message loop) from process start to its window shown: the floor for the first page.
// The second floor is the same window after the start-up the installer must do before
// its first form (COM, the common controls from the system folder).
double StartToOneWindow(const char* executable = ONE_WINDOW_EXE) {
    const auto start = Clock::now();
    e2e::SetupProcess program(executable, "");
    std::pair<DWORD, HWND> found{program.Id(), nullptr};
    MillisecondsUntil(
        [&] {
            EnumWindows(FindVisibleWindowOf, reinterpret_cast<LPARAM>(&found));
            return found.second != nullptr;
        },
        kStartPoll);
    const double shown = MillisecondsSince(start);
    CloseAndWait(program, found.second);
    return shown;
}

// Setup.exe from process start to its first page shown.
double StartToFirstPage() {
    const auto start = Clock::now();
    e2e::SetupProcess setup;
    HWND page = nullptr;
    MillisecondsUntil([&] { return e2e::VisiblePage(setup.Id(), &page) == e2e::Page::Agreement; },
                      kStartPoll);
    const double shown = MillisecondsSince(start);
    CloseAndWait(setup, page);
    return shown;
}

// The start-up figures, the rounds interleaved: the first page against both floors, so
// that what start-up costs beyond the required work is the last difference.
void PrintStartUp(int rounds) {
    std::vector<double> firstPage, oneWindow, requiredStartUp;
    for (int round = 0; round < rounds; ++round) {
        firstPage.push_back(StartToFirstPage());
        oneWindow.push_back(StartToOneWindow());
        requiredStartUp.push_back(StartToOneWindow(REQUIRED_START_UP_EXE));
    }
    const double setup = bench::Median(firstPage), floor = bench::Median(oneWindow),
                 required = bench::Median(requiredStartUp);
    std::printf("  process start to the first page:          %8.1f ms (median of %d)\n", setup, rounds);
    std::printf("    beside a one-window program's           %8.1f ms: %+.1f ms (target at most +50)\n",
                floor, setup - floor);
    std::printf("    beside it after COM and common controls %8.1f ms: %+.1f ms beyond the required work\n",
                required, setup - required);
}

// From the "安装" click to the finish page. A payload check still going on when the user
// gets to "安装" is waited out first (with checkMilliseconds since the start), as a user
// reading the agreement gives it that time.
double InstallToFinish(const std::string& target, const std::string& program = SETUP_EXE,
                       double checkMilliseconds = 0) {
    const auto start = Clock::now();
    e2e::SetupProcess setup(program, "");
    HWND progress = ToTheProgressPage(setup, target);
    Sleep(static_cast<DWORD>(std::max(0.0, checkMilliseconds - MillisecondsSince(start))));
    const auto click = Clock::now();
    e2e::Click(e2e::ChildWithText(progress, "安装"));
    MillisecondsUntil([&] { return e2e::VisiblePage(setup.Id()) == e2e::Page::Finish; }, 10);
    const double installToFinish = MillisecondsSince(click);
    LeaveWithoutOpening(setup);
    return installToFinish;
}

struct Responses {
    double cancelHandled = 0;
    double cancelToQuestion = 0;
    double closeBoxToHidden = 0;
    double peakWorkingSetMb = 0;
};

// A click on "取消" while the run goes, timed until its handler ran and until the
// question is up, answered "go on"; then the close box, timed until the page is hidden;
// the run then ends on the finish page. The handler runs when the page's thread next
// takes its messages: a message sent right after the click returns at that moment,
// since waiting sent messages are delivered first and the click right after them.
Responses TimeTheResponses(const std::string& target) {
    Responses responses;
    e2e::SetupProcess setup;
    HWND progress = ToTheProgressPage(setup, target);
    e2e::Click(e2e::ChildWithText(progress, "安装"));
    HWND cancelButton = e2e::ChildWithText(progress, "取消"); // found before the clock runs
    e2e::WaitForBarPosition(progress, 300);
    const auto cancel = Clock::now();
    e2e::Click(cancelButton);
    SendMessageTimeoutA(progress, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
    responses.cancelHandled = MillisecondsSince(cancel);
    MillisecondsUntil([&] { return e2e::MessageBoxCount(setup.Id()) > 0; });
    responses.cancelToQuestion = MillisecondsSince(cancel);
    e2e::Answer(e2e::WaitForMessageBox(setup.Id()), IDCANCEL);
    e2e::WaitForBarPosition(progress, 800);
    const auto close = Clock::now();
    PostMessageA(progress, WM_CLOSE, 0, 0);
    MillisecondsUntil([&] { return !IsWindowVisible(progress); });
    responses.closeBoxToHidden = MillisecondsSince(close);
    e2e::WaitForPage(setup.Id(), e2e::Page::Finish, 300000);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(setup.Handle(), &memory, sizeof memory))
        responses.peakWorkingSetMb = memory.PeakWorkingSetSize / (1024.0 * 1024.0);
    LeaveWithoutOpening(setup);
    return responses;
}

// What one run of a program shows while it goes, watched from the "安装" click (made at
// once) to the finish page: how long the page went without a visible change and without
// answering a message, how long its payload check ran from the start, and its peak memory.
struct Feedback {
    double longestUnchanged = 0;
    double unchangedFrom = 0; // since the click
    double clickToFinish = 0;
    double longestUnanswered = 0;
    double checkFromStart = 0;
    double peakWorkingSetMb = 0;
    double peakPrivateMb = 0;
};

// Whether the window's text says that the page waits for the payload check.
bool ShowsThePayloadCheck(HWND window) {
    static const os::WideText checking = os::Widened("正在检查");
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return std::wcsstr(text, checking.c_str()) != nullptr;
}

// A hash of what the window shows on the screen.
unsigned long long ImageOf(HWND window) {
    RECT area = {};
    GetWindowRect(window, &area);
    const int width = area.right - area.left, height = area.bottom - area.top;
    BITMAPINFO format = {};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    HBITMAP image = CreateDIBSection(memory, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, image);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    unsigned long long hash = 1469598103934665603ull;
    for (int i = 0; bits && i < width * height; ++i)
        hash = (hash ^ static_cast<const unsigned*>(bits)[i]) * 1099511628211ull;
    SelectObject(memory, previous);
    DeleteObject(image);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return hash;
}

BOOL CALLBACK FindCheckText(HWND child, LPARAM found) {
    if (ShowsThePayloadCheck(child))
        *reinterpret_cast<HWND*>(found) = child;
    return TRUE;
}

// The page's line that says it waits for the payload check; nullptr when none says so.
HWND PayloadCheckLine(HWND page) {
    HWND found = nullptr;
    EnumChildWindows(page, FindCheckText, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The time since the last visible change, kept when it is the longest yet.
void NoteUnchanged(Feedback& feedback, Clock::time_point lastChange, Clock::time_point click) {
    const double unchanged = MillisecondsSince(lastChange);
    if (unchanged > feedback.longestUnchanged) {
        feedback.longestUnchanged = unchanged;
        feedback.unchangedFrom = std::chrono::duration<double, std::milli>(lastChange - click).count();
    }
}

Feedback WatchTheRun(const std::string& program, const std::string& target) {
    Feedback feedback;
    const auto start = Clock::now();
    e2e::SetupProcess setup(program, "");
    HWND progress = ToTheProgressPage(setup, target);
    e2e::Click(e2e::ChildWithText(progress, "安装"));
    const auto click = Clock::now();
    auto lastChange = click;
    unsigned long long shown = ImageOf(progress);
    HWND checkLine = nullptr; // the line about the payload check, while it shows
    // Only what asks nothing of the page's thread is looked at often: a message sent to
    // one of its windows waits for its next look at its messages.
    while (IsWindowVisible(progress) && MillisecondsSince(start) < 600000) {
        const auto asked = Clock::now();
        SendMessageTimeoutA(progress, WM_NULL, 0, 0, SMTO_NORMAL, 30000, nullptr);
        feedback.longestUnanswered = std::max(feedback.longestUnanswered, MillisecondsSince(asked));
        if (const unsigned long long now = ImageOf(progress); now != shown) {
            NoteUnchanged(feedback, lastChange, click);
            shown = now;
            lastChange = Clock::now();
        }
        // The line comes when the click is handled, if the check is not over by then.
        if (!checkLine && feedback.checkFromStart == 0 && MillisecondsSince(click) < 300)
            checkLine = PayloadCheckLine(progress);
        else if (checkLine && !ShowsThePayloadCheck(checkLine)) {
            checkLine = nullptr;
            feedback.checkFromStart = MillisecondsSince(start);
        }
        Sleep(20);
    }
    NoteUnchanged(feedback, lastChange, click);
    feedback.clickToFinish = MillisecondsSince(click);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(setup.Handle(), &memory, sizeof memory)) {
        feedback.peakWorkingSetMb = memory.PeakWorkingSetSize / (1024.0 * 1024.0);
        feedback.peakPrivateMb = memory.PeakPagefileUsage / (1024.0 * 1024.0);
    }
    LeaveWithoutOpening(setup);
    return feedback;
}

// A payload built into its own Setup.exe: its wizard against the plain loop writing the
// same files from mapped views of the payload folder, and what the page shows meanwhile.
void PrintLargePayload(const std::string& label, const std::string& folder, const std::string& program,
                       int rounds) {
    const bench::MappedPayload payload(folder);
    testing_support::TempFolder dir;
    const std::string target = dir / "Quenvale";
    const Feedback feedback = WatchTheRun(program, target);
    testing_support::RemoveAll(target);
    std::vector<double> plain, wizard;
    for (int round = 0; round < rounds; ++round) {
        plain.push_back(bench::MillisecondsOf([&] { bench::PlainLoop(payload, target, nullptr); }));
        testing_support::RemoveAll(target);
        wizard.push_back(InstallToFinish(target, program, feedback.checkFromStart));
        testing_support::RemoveAll(target);
    }
    const double bare = bench::Median(plain), run = bench::Median(wizard);
    std::printf("payload %s (%zu files, median of %d interleaved rounds)\n", label.c_str(),
                payload.Entries().size(), rounds);
    std::printf("  bare write loop from mapped files:          %8.1f ms\n", bare);
    std::printf(
        "  Setup.exe, \"安装\" click to the finish page: %8.1f ms  %6.3f x bare (target at most 1.3)\n", run,
        run / bare);
    std::printf("  the payload check, from the start:          %8.1f ms\n", feedback.checkFromStart);
    std::printf("  longest time without a visible change:      %8.1f ms (target at most 500), from %.0f ms "
                "after the click of %.0f\n",
                feedback.longestUnchanged, feedback.unchangedFrom, feedback.clickToFinish);
    std::printf("  longest time the page did not answer:       %8.1f ms\n", feedback.longestUnanswered);
    std::printf("  peak working set / private memory:          %8.1f MB / %.1f MB\n",
                feedback.peakWorkingSetMb, feedback.peakPrivateMb);
}

void RunWithAnObserverThatDoesNothing(const bench::PayloadInMemory& payload, const std::string& target) {
    testing_support::RecordingObserver observer;
    testing_support::FakeShortcuts shortcuts;
    engine::InstallationRun(shortcuts, payload).Install(target, observer);
}

} // namespace

// The payload check as the product runs it, over this program's own copy of the
// payload resources: the median of a few rounds.
double PayloadCheckMilliseconds() {
    const engine::ResourceStore resources;
    std::vector<double> rounds;
    for (int round = 0; round < 5; ++round)
        rounds.push_back(bench::MillisecondsOf([&] {
            if (!engine::PayloadIsWhole(resources))
                std::printf("the benchmark's own payload is not whole\n");
        }));
    return bench::Median(rounds);
}

// With "--size", only the size report; with "--start", only the start-up figures; with
// "--payload LABEL FOLDER SETUP_EXE [ROUNDS]", only that payload's figures (3 rounds).
int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    if (only == "--payload" && (argc == 5 || argc == 6)) {
        PrintLargePayload(argv[2], argv[3], argv[4], argc == 6 ? std::atoi(argv[5]) : 3);
        return 0;
    }
    if (only == "--size") {
        bench::PrintSizeReport(SETUP_EXE);
        return 0;
    }
    if (only == "--start") {
        PrintStartUp(21);
        return 0;
    }
    const double payloadCheck = PayloadCheckMilliseconds();
    const bench::PayloadInMemory payload(SAMPLE_PAYLOAD_DIR);
    testing_support::TempFolder dir;
    const std::string target = dir / "Quenvale";
    constexpr int kRounds = 5;
    std::vector<double> plain, run, wizard;
    for (int round = 0; round < kRounds; ++round) {
        plain.push_back(bench::MillisecondsOf([&] { bench::PlainLoop(payload, target, nullptr); }));
        testing_support::RemoveAll(target);
        run.push_back(bench::MillisecondsOf([&] { RunWithAnObserverThatDoesNothing(payload, target); }));
        testing_support::RemoveAll(target);
        wizard.push_back(InstallToFinish(target));
        testing_support::RemoveAll(target);
    }
    const Responses responses = TimeTheResponses(target);
    testing_support::RemoveAll(target);

    const double bare = bench::Median(plain);
    std::printf("wizard benchmark under Wine (%zu files, median of %d interleaved rounds)\n",
                payload.Entries().size(), kRounds);
    std::printf("  bare write loop:                          %8.1f ms\n", bare);
    std::printf("  run with an observer that does nothing:   %8.1f ms  %6.3f x bare\n", bench::Median(run),
                bench::Median(run) / bare);
    std::printf(
        "  Setup.exe, \"安装\" click to the finish page: %8.1f ms  %6.3f x bare (target at most 1.3)\n",
        bench::Median(wizard), bench::Median(wizard) / bare);
    std::printf("  the payload check (SHA-256 of every blob): %7.1f ms\n", payloadCheck);
    PrintStartUp(11);
    std::printf("  a click on \"取消\" to its handler:          %8.1f ms (target at most 50)\n",
                responses.cancelHandled);
    std::printf("  a click on \"取消\" to the question shown:   %8.1f ms\n", responses.cancelToQuestion);
    std::printf("  the close box to the page hidden:          %8.1f ms (target at most 50)\n",
                responses.closeBoxToHidden);
    std::printf("  peak working set of Setup.exe:             %8.1f MB\n", responses.peakWorkingSetMb);
    bench::PrintSizeReport(SETUP_EXE);
    return 0;
}
