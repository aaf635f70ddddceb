#include "tests/e2e/Driver.h"

#include "runtime/OsSeam.h"

#include <commctrl.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <vector>

namespace e2e {

namespace {

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectVisibleWindow(HWND window, LPARAM state) {
    auto* search = reinterpret_cast<WindowSearch*>(state);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window))
        search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> VisibleTopLevelWindows(DWORD processId) {
    WindowSearch search{processId, {}};
    EnumWindows(CollectVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> MessageBoxes(DWORD processId) {
    std::vector<HWND> boxes;
    for (HWND window : VisibleTopLevelWindows(processId))
        if (ClassOf(window) == "#32770")
            boxes.push_back(window);
    return boxes;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

} // namespace

SetupProcess::SetupProcess() : SetupProcess(SETUP_EXE, "") {}

SetupProcess::SetupProcess(const std::string& program, const std::string& currentFolder) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    os::WideText command = os::Widened("\"" + program + "\"");
    CreateProcessW(nullptr, command.chars.data(), nullptr, nullptr, FALSE, 0, nullptr,
                   currentFolder.empty() ? nullptr : os::Widened(currentFolder).c_str(), &startup, &info_);
}

SetupProcess::~SetupProcess() {
    if (!info_.hProcess)
        return;
    if (Running()) {
        TerminateProcess(info_.hProcess, 1);
        WaitForExit(5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

void SetupProcess::Kill() const {
    TerminateProcess(info_.hProcess, 1);
    WaitForExit(10000);
}

bool SetupProcess::WaitForExit(DWORD milliseconds) const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, milliseconds) == WAIT_OBJECT_0;
}

std::string TextOf(HWND window) {
    // Read wide, as the program shows it: the same characters on every system code page.
    wchar_t text[4096] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, sizeof text / sizeof text[0], reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    return os::Narrowed(text);
}

HWND ChildWithText(HWND page, const std::string& text) {
    for (HWND child : Children(page))
        if (TextOf(child) == text)
            return child;
    return nullptr;
}

HWND ChildOfClass(HWND page, const std::string& windowClass, int index) {
    for (HWND child : Children(page))
        if (_stricmp(ClassOf(child).c_str(), windowClass.c_str()) == 0 && index-- == 0)
            return child;
    return nullptr;
}

Page VisiblePage(DWORD processId, HWND* window) {
    static const std::pair<const char*, Page> kPrimaryButtons[] = {{"同意  >", Page::Agreement},
                                                                   {"下一步  >", Page::Directory},
                                                                   {"安装", Page::Progress},
                                                                   {"完成", Page::Finish}};
    for (HWND candidate : VisibleTopLevelWindows(processId)) {
        if (ClassOf(candidate) != "SetupForm")
            continue;
        for (const auto& [caption, page] : kPrimaryButtons) {
            if (ChildWithText(candidate, caption)) {
                if (window)
                    *window = candidate;
                return page;
            }
        }
    }
    return Page::None;
}

HWND WaitForPage(DWORD processId, Page page, DWORD milliseconds) {
    HWND window = nullptr;
    WaitUntil(milliseconds, [&] { return VisiblePage(processId, &window) == page; });
    return VisiblePage(processId, &window) == page ? window : nullptr;
}

HWND GoToDirectoryPage(const SetupProcess& setup) {
    HWND agreement = WaitForPage(setup.Id(), Page::Agreement);
    if (!agreement)
        return nullptr;
    Click(ChildWithText(agreement, "同意  >"));
    return WaitForPage(setup.Id(), Page::Directory);
}

HWND GoToProgressPage(const SetupProcess& setup, const std::string& folder) {
    HWND directory = GoToDirectoryPage(setup);
    if (!directory)
        return nullptr;
    Type(ChildOfClass(directory, "Edit"), folder);
    Click(ChildWithText(directory, "下一步  >"));
    return WaitForPage(setup.Id(), Page::Progress);
}

void Click(HWND control) {
    PostMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                 reinterpret_cast<LPARAM>(control));
}

void Type(HWND edit, const std::string& text) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(os::Widened(text).c_str()));
}

void SetChecked(HWND checkBox, bool checked) {
    SendMessageA(checkBox, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Checked(HWND checkBox) {
    return SendMessageA(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void PressEnter(HWND control) {
    PostMessageA(control, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(control, WM_KEYUP, VK_RETURN, 1 | (3u << 30));
}

MessageBoxSeen WaitForMessageBox(DWORD processId, DWORD milliseconds) {
    MessageBoxSeen seen;
    WaitUntil(milliseconds, [&] {
        const std::vector<HWND> boxes = MessageBoxes(processId);
        seen.window = boxes.empty() ? nullptr : boxes.back();
        return seen.window != nullptr;
    });
    if (!seen.window)
        return seen;
    Sleep(100); // let the box finish laying itself out
    seen.caption = TextOf(seen.window);
    seen.text = TextOf(GetDlgItem(seen.window, 0xFFFF));
    seen.owner = GetWindow(seen.window, GW_OWNER);
    for (int iconId : {0x14, 0x440}) { // Windows's and Wine's id of the box's icon
        HWND icon = GetDlgItem(seen.window, iconId);
        seen.hasIcon =
            seen.hasIcon || (icon && IsWindowVisible(icon) && SendMessageA(icon, STM_GETICON, 0, 0));
    }
    for (int id : {IDOK, IDCANCEL, IDYES, IDNO})
        if (GetDlgItem(seen.window, id) && IsWindowVisible(GetDlgItem(seen.window, id)))
            ++seen.buttons;
    return seen;
}

void Answer(const MessageBoxSeen& box, int button) {
    PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.window, button)));
}

int MessageBoxCount(DWORD processId) {
    return static_cast<int>(MessageBoxes(processId).size());
}

void CloseFromTaskBar(DWORD processId) {
    for (HWND window : VisibleTopLevelWindows(processId))
        if (ClassOf(window) == "SetupApplication")
            PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

long WaitForBarPosition(HWND page, long position, DWORD milliseconds) {
    HWND bar = ChildOfClass(page, PROGRESS_CLASSA);
    WaitUntil(milliseconds, [&] { return SendMessageA(bar, PBM_GETPOS, 0, 0) >= position; });
    return static_cast<long>(SendMessageA(bar, PBM_GETPOS, 0, 0));
}

void Screenshot(const std::string& name) {
    Sleep(300); // let the pages paint
    HDC screen = GetDC(nullptr);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    const DWORD stride = (width * 3 + 3) & ~3;
    std::vector<char> pixels(stride * height);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header),
              DIB_RGB_COLORS);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    // Screenshots taken at another code page than 936 are kept beside those, not over them.
    const std::string codePage = GetACP() == 936 ? "" : "-cp" + std::to_string(GetACP());
    const std::string path = std::string(ARTIFACTS_DIR) + "\\" + name + codePage + ".bmp";
    HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(out, &file, sizeof file, &written, nullptr);
    WriteFile(out, &header, sizeof header, &written, nullptr);
    WriteFile(out, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
    CloseHandle(out);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

HWND WaitForWindow(const char* windowClass, const char* title, DWORD milliseconds) {
    HWND window = nullptr;
    const os::WideText wideClass = os::Widened(windowClass), wideTitle = os::Widened(title ? title : "");
    WaitUntil(milliseconds, [&] {
        return (window = FindWindowW(wideClass.c_str(), title ? wideTitle.c_str() : nullptr)) != nullptr;
    });
    return window;
}

namespace {
// When the process started (0 when it cannot be opened, for example because it has ended).
ULONGLONG StartTimeOf(DWORD processId) {
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return 0;
    FILETIME created = {}, exited, kernel, user;
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    CloseHandle(process);
    return ULARGE_INTEGER{{created.dwLowDateTime, created.dwHighDateTime}}.QuadPart;
}
} // namespace

std::vector<DWORD> ChildProcesses(DWORD processId) {
    std::vector<DWORD> children;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return children;
    // Process ids are reused soon: a process that names this id as its parent but is older
    // than it was started by an earlier holder of the id (Wine's services name the
    // session's first program, long gone).
    const ULONGLONG parentStarted = StartTimeOf(processId);
    PROCESSENTRY32 process = {};
    process.dwSize = sizeof process;
    for (BOOL more = Process32First(snapshot, &process); more; more = Process32Next(snapshot, &process))
        if (process.th32ParentProcessID == processId) {
            const ULONGLONG started = StartTimeOf(process.th32ProcessID);
            if (started == 0 || started >= parentStarted)
                children.push_back(process.th32ProcessID);
        }
    CloseHandle(snapshot);
    return children;
}

std::string ParentProgramOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return "";
    PROCESSENTRY32 process = {};
    process.dwSize = sizeof process;
    DWORD parentId = 0;
    std::vector<std::pair<DWORD, std::string>> programs;
    for (BOOL more = Process32First(snapshot, &process); more; more = Process32Next(snapshot, &process)) {
        programs.emplace_back(process.th32ProcessID, process.szExeFile);
        if (process.th32ProcessID == processId)
            parentId = process.th32ParentProcessID;
    }
    CloseHandle(snapshot);
    for (const auto& [id, program] : programs)
        if (id == parentId)
            return program;
    return "";
}

bool WaitForProcessEnd(DWORD processId, DWORD milliseconds) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId);
    if (!process)
        return true;
    const bool ended = WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0;
    if (!ended) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
    return ended;
}

std::vector<std::string> ModulesOf(DWORD processId) {
    std::vector<std::string> modules;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE)
        return modules;
    MODULEENTRY32W module = {};
    module.dwSize = sizeof module;
    for (BOOL more = Module32FirstW(snapshot, &module); more; more = Module32NextW(snapshot, &module))
        modules.push_back(os::Narrowed(module.szExePath));
    CloseHandle(snapshot);
    return modules;
}

HWND FocusOf(HWND page) {
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    return GetGUIThreadInfo(GetWindowThreadProcessId(page, nullptr), &thread) ? thread.hwndFocus : nullptr;
}

std::string CurrentFolderOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process)
        return "";
    // PEB.ProcessParameters at 0x10; its CurrentDirectory.DosPath, a UNICODE_STRING, at 0x24.
    PROCESS_BASIC_INFORMATION basic = {};
    DWORD parameters = 0;
    UNICODE_STRING dosPath = {};
    std::wstring folder;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) == 0 &&
        ReadProcessMemory(process, reinterpret_cast<char*>(basic.PebBaseAddress) + 0x10, &parameters,
                          sizeof parameters, nullptr) &&
        ReadProcessMemory(process, reinterpret_cast<void*>(parameters + 0x24), &dosPath, sizeof dosPath,
                          nullptr)) {
        folder.resize(dosPath.Length / sizeof(wchar_t));
        if (!ReadProcessMemory(process, dosPath.Buffer, &folder[0], dosPath.Length, nullptr))
            folder.clear();
    }
    CloseHandle(process);
    return os::Narrowed(folder.c_str(), static_cast<int>(folder.size()));
}

} // namespace e2e
