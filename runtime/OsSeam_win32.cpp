// The OS seam over kernel32's wide calls: files and folders, the product's
// implementation. What an object's owner and access list allow is in
// ObjectGuard_win32.cpp, the folder claim in FolderClaim_win32.cpp, texts, messages and
// the hash in SystemServices_win32.cpp.
#include "runtime/OsSeam.h"
#include "runtime/SystemFunction.h"
#include "runtime/Text.h"
#include "runtime/Win32Seam.h"

#include <windows.h>

#include <sddl.h> // after windows.h, which it needs

#include <map>

namespace os {

using win32::AsHandle;
using win32::DescriptorFrom;
using win32::OwnedDescriptor;
using win32::Result;
using win32::WidePath;

namespace win32 {

OwnedDescriptor DescriptorFrom(const char* text) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1, &descriptor, nullptr);
    return OwnedDescriptor(descriptor, &LocalFree);
}

} // namespace win32

namespace {

unsigned OpenFile(const std::string& path, DWORD access, DWORD share, DWORD disposition, FileHandle& file) {
    file = kNoFile;
    const WidePath wide(path);
    if (wide.Code())
        return wide.Code();
    HANDLE handle =
        CreateFileW(wide.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    file = reinterpret_cast<FileHandle>(handle);
    return 0;
}

void Fill(const WIN32_FIND_DATAW& data, FoundEntry& entry) {
    entry.name = Narrowed(data.cFileName);
    entry.attributes = data.dwFileAttributes;
    FILETIME local;
    WORD dosDate, dosTime;
    entry.lastWriteFitsDosTime = FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) &&
                                 FileTimeToDosDateTime(&local, &dosDate, &dosTime);
}

// NtQueryInformationFile's FileInternalInformation: the file's index on its volume, from
// the open handle alone (GetFileInformationByHandle asks for much more).
constexpr int kFileInternalInformation = 6;

win32::QueryInformationFile QueryFileInformation() {
    static const auto function =
        SystemFunction<win32::QueryInformationFile>("ntdll.dll", "NtQueryInformationFile");
    return function;
}

} // namespace

unsigned OpenForReading(const std::string& path, FileHandle& file) {
    return OpenFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, file);
}

unsigned CreateNewForWriting(const std::string& path, FileHandle& file) {
    return OpenFile(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW, file);
}

unsigned Read(FileHandle file, void* buffer, std::size_t size, std::size_t& read) {
    DWORD count = 0;
    const unsigned code = Result(ReadFile(AsHandle(file), buffer, static_cast<DWORD>(size), &count, nullptr));
    read = count;
    return code;
}

unsigned Write(FileHandle file, const void* data, std::size_t size, std::size_t& written) {
    DWORD count = 0;
    const unsigned code = Result(WriteFile(AsHandle(file), data, static_cast<DWORD>(size), &count, nullptr));
    written = count;
    return code;
}

unsigned Flush(FileHandle file) {
    return Result(FlushFileBuffers(AsHandle(file)));
}

void Close(FileHandle file) {
    if (file != kNoFile)
        CloseHandle(AsHandle(file));
}

namespace {

// Flushes what is open for writing at the path (a device or a file) and closes it.
unsigned FlushOpened(const wchar_t* path, DWORD flags) {
    const HANDLE handle = CreateFileW(path, GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    const unsigned code = Result(FlushFileBuffers(handle));
    CloseHandle(handle);
    return code;
}

} // namespace

// FlushFileBuffers on the volume itself writes out every file the cache holds for it;
// opening the volume for writing takes an administrator. The volume is named by its GUID
// path ("\\?\Volume{...}", without the closing separator, which would name its root
// folder): the one way that reaches a volume mounted in a folder, where "\\.\C:\Mnt\D"
// would be a folder. Where that path cannot be had or opened, a drive's root is tried by
// its letter ("\\.\C:"), unless the letter stands for a folder (a substituted drive,
// whose device is a path: flushing it would flush nothing of the files). A network share
// has no volume here at all: the caller then flushes each file.
unsigned FlushVolume(const std::string& folder) {
    const WidePath wide(folder);
    if (wide.Code())
        return wide.Code();
    wchar_t root[MAX_PATH], volume[MAX_PATH];
    if (!GetVolumePathNameW(wide.c_str(), root, MAX_PATH))
        return GetLastError();
    unsigned code = ERROR_INVALID_FUNCTION;
    if (GetVolumeNameForVolumeMountPointW(root, volume, MAX_PATH)) {
        const std::size_t length = wcslen(volume);
        if (length > 0 && volume[length - 1] == L'\\')
            volume[length - 1] = L'\0';
        code = FlushOpened(volume, 0);
    }
    const std::string rootPath = Narrowed(root); // "C:\" for a drive's root, longer for a folder
    if (code == 0 || rootPath.size() != 3 || rootPath[1] != ':')
        return code;
    wchar_t device[MAX_PATH] = {};
    if (QueryDosDeviceW(Widened(rootPath.substr(0, 2)).c_str(), device, MAX_PATH) &&
        wcsncmp(device, L"\\??\\", 4) == 0)
        return ERROR_INVALID_FUNCTION;
    return FlushOpened(Widened("\\\\.\\" + rootPath.substr(0, 2)).c_str(), 0);
}

unsigned FlushFile(const std::string& path) {
    const WidePath wide(path);
    if (wide.Code())
        return wide.Code();
    return FlushOpened(wide.c_str(), FILE_FLAG_OPEN_REPARSE_POINT);
}

unsigned ReadAttributes(const std::string& path, std::uint32_t& attributes) {
    const WidePath wide(path);
    if (wide.Code())
        return wide.Code();
    const DWORD value = GetFileAttributesW(wide.c_str());
    if (value == INVALID_FILE_ATTRIBUTES)
        return GetLastError();
    attributes = value;
    return 0;
}

unsigned WriteAttributes(const std::string& path, std::uint32_t attributes) {
    const WidePath wide(path);
    return wide.Code() ? wide.Code() : Result(SetFileAttributesW(wide.c_str(), attributes));
}

// Whether the volume that path is (or will be) on keeps access lists.
bool KeepsAccessLists(const WidePath& path) {
    wchar_t volume[MAX_PATH];
    DWORD flags = 0;
    return GetVolumePathNameW(path.c_str(), volume, MAX_PATH) &&
           GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
           (flags & FS_PERSISTENT_ACLS);
}

unsigned MakeFolder(const std::string& path, const std::string& securityDescriptor) {
    const WidePath wide(path);
    if (wide.Code())
        return wide.Code();
    if (securityDescriptor.empty() || !KeepsAccessLists(wide))
        return Result(CreateDirectoryW(wide.c_str(), nullptr));
    const OwnedDescriptor descriptor = DescriptorFrom(securityDescriptor.c_str());
    if (!descriptor)
        return GetLastError();
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
    return Result(CreateDirectoryW(wide.c_str(), &attributes));
}

unsigned MoveEntry(const std::string& from, const std::string& to) {
    const WidePath wideFrom(from), wideTo(to);
    if (wideFrom.Code() || wideTo.Code())
        return wideFrom.Code() ? wideFrom.Code() : wideTo.Code();
    return Result(MoveFileExW(wideFrom.c_str(), wideTo.c_str(), 0));
}

namespace {

// The serial number of the volume whose root begins path ("C:\", or "\\server\share\"),
// asked once per root: a volume query per file costs more than writing a small file under
// Wine. A path that reaches another volume through a mounted folder is counted on its
// root's, the same way each time it is read.
std::uint64_t VolumeOfRoot(const std::string& path) {
    static std::map<std::string, std::uint64_t> volumes;
    std::size_t end = 3;
    if (path.compare(0, 2, "\\\\") == 0) {
        end = path.find('\\', 2);
        end = end == std::string::npos ? path.size() : path.find('\\', end + 1);
        end = end == std::string::npos ? path.size() : end + 1;
    }
    std::string root = rt::FoldCase(path.substr(0, end));
    if (!root.empty() && root.back() != '\\')
        root += '\\';
    const auto known = volumes.find(root);
    if (known != volumes.end())
        return known->second;
    DWORD serial = 0;
    GetVolumeInformationW(Widened(root).c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0);
    return volumes[root] = serial;
}

} // namespace

unsigned ReadIdentity(FileHandle file, const std::string& path, Identity& identity) {
    identity = Identity();
    struct {
        ULONG_PTR status;
        ULONG_PTR information;
    } result;
    LARGE_INTEGER index;
    if (QueryFileInformation() && QueryFileInformation()(AsHandle(file), &result, &index, sizeof index,
                                                         kFileInternalInformation) == 0) {
        identity.index = static_cast<std::uint64_t>(index.QuadPart);
    } else {
        BY_HANDLE_FILE_INFORMATION information;
        if (!GetFileInformationByHandle(AsHandle(file), &information))
            return GetLastError();
        identity.index = (std::uint64_t(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    }
    identity.volume = VolumeOfRoot(os::FullPathName(path));
    return 0;
}

unsigned ReadIdentity(const std::string& path, FinalLink finalLink, Identity& identity) {
    const WidePath wide(path);
    if (wide.Code())
        return wide.Code();
    // No access asked for, every sharing allowed: reading an identity never gets in
    // anyone's way. Folders open only with backup semantics.
    const DWORD flags =
        FILE_FLAG_BACKUP_SEMANTICS | (finalLink == FinalLink::NotFollowed ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    HANDLE handle = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    const unsigned code = ReadIdentity(reinterpret_cast<FileHandle>(handle), path, identity);
    CloseHandle(handle);
    return code;
}

unsigned RemoveFolder(const std::string& path) {
    const WidePath wide(path);
    return wide.Code() ? wide.Code() : Result(RemoveDirectoryW(wide.c_str()));
}

unsigned RemoveFile(const std::string& path) {
    const WidePath wide(path);
    return wide.Code() ? wide.Code() : Result(DeleteFileW(wide.c_str()));
}

unsigned DeleteAtRestart(const std::string& path) {
    const WidePath wide(path);
    return wide.Code() ? wide.Code()
                       : Result(MoveFileExW(wide.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
}

unsigned FindFirst(const std::string& pattern, SearchHandle& search, FoundEntry& entry) {
    search = kNoSearch;
    const WidePath wide(pattern);
    if (wide.Code())
        return wide.Code();
    WIN32_FIND_DATAW data;
    HANDLE handle = FindFirstFileW(wide.c_str(), &data);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    search = reinterpret_cast<SearchHandle>(handle);
    Fill(data, entry);
    return 0;
}

unsigned FindNext(SearchHandle search, FoundEntry& entry) {
    WIN32_FIND_DATAW data;
    if (!FindNextFileW(reinterpret_cast<HANDLE>(search), &data))
        return GetLastError();
    Fill(data, entry);
    return 0;
}

void FindClose(SearchHandle search) {
    if (search != kNoSearch)
        ::FindClose(reinterpret_cast<HANDLE>(search));
}

unsigned FreeSpace(const std::string& folder, std::uint64_t& freeBytes, std::uint64_t& unitBytes) {
    const WidePath withSeparator(rt::EndsWithSeparator(folder) ? folder : folder + "\\");
    if (withSeparator.Code())
        return withSeparator.Code();
    ULARGE_INTEGER available;
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceExW(withSeparator.c_str(), &available, nullptr, nullptr) ||
        !GetDiskFreeSpaceW(withSeparator.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &clusters))
        return GetLastError();
    freeBytes = available.QuadPart;
    unitBytes = static_cast<std::uint64_t>(sectorsPerCluster) * bytesPerSector;
    return 0;
}

} // namespace os
