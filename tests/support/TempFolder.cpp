#include "tests/support/TempFolder.h"

#include "runtime/FileSystem.h"
#include "runtime/OsSeam.h"
#include "runtime/Text.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>

#ifdef _WIN32
#include "runtime/SystemFunction.h"

#include <windows.h>
#else
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#endif

namespace testing_support {

namespace {

std::string TempRoot() {
#ifdef _WIN32
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, buffer);
    std::string root = os::Narrowed(buffer, static_cast<int>(length));
    if (!root.empty() && root.back() == '\\')
        root.pop_back();
    return root;
#else
    const char* tmp = std::getenv("TMPDIR");
    std::string root = std::string("C:") + (tmp && *tmp ? tmp : "/tmp");
    for (char& c : root)
        if (c == '/')
            c = '\\';
    return root;
#endif
}

int ProcessId() {
#ifdef _WIN32
    return static_cast<int>(GetCurrentProcessId());
#else
    return static_cast<int>(getpid());
#endif
}

} // namespace

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    for (;;) {
        path_ = TempRoot() + "\\setup-test-" + std::to_string(ProcessId()) + "-" + std::to_string(counter++);
        if (os::MakeFolder(path_) == 0)
            break;
    }
}

TempFolder::~TempFolder() {
    RemoveAll(path_);
}

std::vector<FolderEntry> ListFolder(const std::string& folder) {
    std::vector<FolderEntry> entries;
    os::SearchHandle search;
    os::FoundEntry found;
    for (unsigned code = os::FindFirst(folder + "\\*", search, found); code == 0;
         code = os::FindNext(search, found))
        if (found.name != "." && found.name != "..")
            entries.push_back({found.name, found.attributes});
    os::FindClose(search);
    return entries;
}

void RemoveAll(const std::string& folder) {
    for (const FolderEntry& entry : ListFolder(folder)) {
        const std::string path = folder + "\\" + entry.name;
        const bool isFolder = entry.attributes & os::kAttrDirectory;
        if (isFolder && !(entry.attributes & os::kAttrReparsePoint)) {
            RemoveAll(path);
        } else if (isFolder) {
            os::RemoveFolder(path);
        } else {
            os::WriteAttributes(path, 0);
            os::RemoveFile(path);
        }
    }
    os::WriteAttributes(folder, os::kAttrDirectory);
    os::RemoveFolder(folder);
}

void PutFile(const std::string& path, const std::string& bytes) {
    struct Closing { // on every way out, a run stopped inside the write included
        os::FileHandle file = os::kNoFile;
        ~Closing() { os::Close(file); }
    } closing;
    if (OpenToOverwrite(path, closing.file) != 0)
        return;
    std::size_t written;
    os::Write(closing.file, bytes.data(), bytes.size(), written);
}

unsigned OpenToOverwrite(const std::string& path, os::FileHandle& file) {
    file = os::kNoFile;
#ifdef _WIN32
    HANDLE handle = CreateFileW(os::Widened(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    file = reinterpret_cast<os::FileHandle>(handle);
#else
    const int fd = open(HostPath(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return os::kErrorAccessDenied;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return os::kErrorSharingViolation;
    }
    if (ftruncate(fd, 0) != 0) {
        close(fd);
        return os::kErrorAccessDenied;
    }
    file = fd;
#endif
    return 0;
}

void SetLastWriteYear(const std::string& path, int year) {
#ifdef _WIN32
    SYSTEMTIME when = {};
    when.wYear = static_cast<WORD>(year);
    when.wMonth = 6;
    when.wDay = 1;
    FILETIME local, utc;
    SystemTimeToFileTime(&when, &local);
    LocalFileTimeToFileTime(&local, &utc);
    HANDLE file = CreateFileW(os::Widened(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &utc);
    CloseHandle(file);
#else
    std::tm when = {};
    when.tm_year = year - 1900;
    when.tm_mon = 5;
    when.tm_mday = 1;
    when.tm_isdst = -1;
    const timeval times[2] = {{std::mktime(&when), 0}, {std::mktime(&when), 0}};
    utimes(HostPath(path).c_str(), times);
#endif
}

long long LastWriteTime(const std::string& path) {
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(os::Widened(path).c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
#else
    struct stat info;
    if (stat(HostPath(path).c_str(), &info) != 0)
        return 0;
    return static_cast<long long>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
#endif
}

std::string FileContent(const std::string& path) {
    os::FileHandle file;
    if (os::OpenForReading(path, file) != 0)
        return "<missing>";
    std::string content;
    char chunk[4096];
    std::size_t read;
    while (os::Read(file, chunk, sizeof chunk, read) == 0 && read > 0)
        content.append(chunk, read);
    os::Close(file);
    return content;
}

std::string HostPath(const std::string& path) {
#ifdef _WIN32
    // Wine's own call, looked up: only Wine's kernel32 has it.
    using UnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName = os::SystemFunction<UnixName>("kernel32.dll", "wine_get_unix_file_name");
    if (!unixName)
        return "";
    const std::unique_ptr<char, void (*)(char*)> name(unixName(os::Widened(path).c_str()),
                                                      [](char* p) { HeapFree(GetProcessHeap(), 0, p); });
    return name ? name.get() : "";
#else
    std::string host = path.substr(path.size() >= 2 && path[1] == ':' ? 2 : 0);
    std::replace(host.begin(), host.end(), '\\', '/');
    return host;
#endif
}

bool MakeFolderLink(const std::string& target, const std::string& link) {
#ifdef _WIN32
    // Links are made by Wine's own means; the link's own name is not there yet.
    const std::string hostTarget = HostPath(target), hostFolder = HostPath(rt::ContainingFolder(link));
    if (hostTarget.empty() || hostFolder.empty())
        return false;
    std::string command =
        "/bin/ln -s \"" + hostTarget + "\" \"" + hostFolder + "/" + rt::FileNamePart(link) + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // A Unix program's handle does not tell when it ends: the link itself does.
    for (int waited = 0; waited < 200 && !rt::DirectoryExists(link + "\\"); ++waited)
        Sleep(25);
#else
    if (symlink(HostPath(target).c_str(), HostPath(link).c_str()) != 0)
        return false;
#endif
    return rt::DirectoryExists(link + "\\");
}

} // namespace testing_support
