// The OS seam over kernel32's ANSI calls (and advapi32's hash provider): the product's
// implementation.
#include "runtime/ChangeRights.h"
#include "runtime/OsSeam.h"
#include "runtime/Text.h"

#include <windows.h>

#include <aclapi.h> // after windows.h, which they need
#include <sddl.h>
#include <wincrypt.h>

#include <cstring>
#include <map>
#include <memory>

// SHA-256 is offered from Windows XP SP3 on; the headers name it only for later targets.
#ifndef CALG_SHA_256
#define CALG_SHA_256 (ALG_CLASS_HASH | ALG_TYPE_ANY | 12)
#endif

namespace os {

namespace {

HANDLE AsHandle(FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

unsigned OpenFile(const std::string& path, DWORD access, DWORD share, DWORD disposition, FileHandle& file) {
    file = kNoFile;
    if (!FitsMaxPath(path))
        return kErrorFilenameTooLong;
    HANDLE handle =
        CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    file = reinterpret_cast<FileHandle>(handle);
    return 0;
}

unsigned Result(BOOL ok) {
    return ok ? 0 : GetLastError();
}

void Fill(const WIN32_FIND_DATAA& data, FoundEntry& entry) {
    entry.name = data.cFileName;
    entry.attributes = data.dwFileAttributes;
    FILETIME local;
    WORD dosDate, dosTime;
    entry.lastWriteFitsDosTime = FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) &&
                                 FileTimeToDosDateTime(&local, &dosDate, &dosTime);
}

// NtQueryInformationFile's FileInternalInformation: the file's index on its volume, from
// the open handle alone (GetFileInformationByHandle asks for much more).
constexpr int kFileInternalInformation = 6;
using QueryInformationFile = LONG(WINAPI*)(HANDLE, void* status, void* information, ULONG length, int kind);

QueryInformationFile QueryFileInformation() {
    static const auto function = reinterpret_cast<QueryInformationFile>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationFile")));
    return function;
}

// NtQueryVolumeInformationFile: what the volume of an open file is, from the handle alone.
constexpr int kFileFsDeviceInformation = 4;
constexpr int kFileFsAttributeInformation = 5;
constexpr ULONG kRemoteDevice = 0x10;       // FILE_REMOTE_DEVICE
constexpr ULONG kPersistentAccessLists = 8; // FILE_PERSISTENT_ACLS

QueryInformationFile QueryVolumeInformation() {
    static const auto function = reinterpret_cast<QueryInformationFile>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryVolumeInformationFile")));
    return function;
}

// The first 32-bit field of a volume information class (a long answer's fixed part is
// filled even when its name does not fit), at the given offset.
bool ReadVolumeField(HANDLE file, int kind, std::size_t offset, ULONG& value) {
    struct {
        ULONG_PTR status;
        ULONG_PTR information;
    } result;
    alignas(8) unsigned char buffer[128] = {};
    if (!QueryVolumeInformation())
        return false;
    const LONG status = QueryVolumeInformation()(file, &result, buffer, sizeof buffer, kind);
    constexpr LONG kBufferOverflow = static_cast<LONG>(0x80000005);
    if (status != 0 && status != kBufferOverflow)
        return false;
    std::memcpy(&value, buffer + offset, sizeof value);
    return true;
}

// The security descriptor a text (SDDL) describes, freed at the end; null when the text
// was refused.
using OwnedDescriptor = std::unique_ptr<void, decltype(&LocalFree)>;
OwnedDescriptor DescriptorFrom(const char* text) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1, &descriptor, nullptr);
    return OwnedDescriptor(descriptor, &LocalFree);
}

} // namespace

unsigned OpenForReading(const std::string& path, FileHandle& file) {
    return OpenFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, file);
}

unsigned CreateForWriting(const std::string& path, FileHandle& file) {
    return OpenFile(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, file);
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

// FlushFileBuffers on the volume itself ("\\.\C:") writes out every file the cache
// holds for it; opening the volume for writing takes an administrator.
unsigned FlushVolume(const std::string& folder) {
    char root[MAX_PATH];
    if (!FitsMaxPath(folder) || !GetVolumePathNameA(folder.c_str(), root, MAX_PATH))
        return FitsMaxPath(folder) ? GetLastError() : kErrorFilenameTooLong;
    std::string volume = std::string("\\\\.\\") + root;
    if (rt::EndsWithSeparator(volume))
        volume.pop_back();
    HANDLE handle = CreateFileA(volume.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    const unsigned code = Result(FlushFileBuffers(handle));
    CloseHandle(handle);
    return code;
}

unsigned ReadAttributes(const std::string& path, std::uint32_t& attributes) {
    if (!FitsMaxPath(path))
        return kErrorFilenameTooLong;
    const DWORD value = GetFileAttributesA(path.c_str());
    if (value == INVALID_FILE_ATTRIBUTES)
        return GetLastError();
    attributes = value;
    return 0;
}

unsigned WriteAttributes(const std::string& path, std::uint32_t attributes) {
    if (!FitsMaxPath(path))
        return kErrorFilenameTooLong;
    return Result(SetFileAttributesA(path.c_str(), attributes));
}

// Whether the volume that path is (or will be) on keeps access lists.
bool KeepsAccessLists(const std::string& path) {
    char volume[MAX_PATH];
    DWORD flags = 0;
    return GetVolumePathNameA(path.c_str(), volume, MAX_PATH) &&
           GetVolumeInformationA(volume, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
           (flags & FS_PERSISTENT_ACLS);
}

unsigned MakeFolder(const std::string& path, const std::string& securityDescriptor) {
    if (!FitsMaxPath(path))
        return kErrorFilenameTooLong;
    if (securityDescriptor.empty() || !KeepsAccessLists(path))
        return Result(CreateDirectoryA(path.c_str(), nullptr));
    const OwnedDescriptor descriptor = DescriptorFrom(securityDescriptor.c_str());
    if (!descriptor)
        return GetLastError();
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
    return Result(CreateDirectoryA(path.c_str(), &attributes));
}

unsigned MoveEntry(const std::string& from, const std::string& to) {
    if (!FitsMaxPath(from) || !FitsMaxPath(to))
        return kErrorFilenameTooLong;
    return Result(MoveFileExA(from.c_str(), to.c_str(), 0));
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
    GetVolumeInformationA(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0);
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
    if (!FitsMaxPath(path))
        return kErrorFilenameTooLong;
    // No access asked for, every sharing allowed: reading an identity never gets in
    // anyone's way. Folders open only with backup semantics.
    const DWORD flags =
        FILE_FLAG_BACKUP_SEMANTICS | (finalLink == FinalLink::NotFollowed ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    const unsigned code = ReadIdentity(reinterpret_cast<FileHandle>(handle), path, identity);
    CloseHandle(handle);
    return code;
}

unsigned OpenToInspect(const std::string& path, FileHandle& object) {
    object = kNoFile;
    if (!FitsMaxPath(path))
        return kErrorFilenameTooLong;
    constexpr DWORD kLook = READ_CONTROL | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    const auto open = [&path](DWORD access) {
        return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    };
    HANDLE handle = open(kLook | WRITE_DAC | WRITE_OWNER);
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
        handle = open(kLook); // looking is enough to refuse it
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    object = reinterpret_cast<FileHandle>(handle);
    return 0;
}

unsigned ReadAttributes(FileHandle object, std::uint32_t& attributes) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(AsHandle(object), &information))
        return GetLastError();
    attributes = information.dwFileAttributes;
    return 0;
}

namespace {

// A security identifier in the system's own memory, freed when the owner goes.
using OwnedSid = std::unique_ptr<void, decltype(&LocalFree)>;

OwnedSid SidFromText(const char* text) {
    PSID sid = nullptr;
    ConvertStringSidToSidA(text, &sid);
    return OwnedSid(sid, &LocalFree);
}

// The user the program runs as, read once from its token.
class ProcessUser {
  public:
    ProcessUser() {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
            return;
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        user_.resize(size);
        if (!GetTokenInformation(token, TokenUser, user_.data(), size, &size))
            user_.clear();
        CloseHandle(token);
    }
    PSID Sid() const {
        return user_.empty() ? nullptr : reinterpret_cast<const TOKEN_USER*>(user_.data())->User.Sid;
    }

  private:
    std::vector<unsigned char> user_;
};

bool VolumeKeepsAccessLists(HANDLE object) {
    ULONG device = 0, attributes = 0;
    constexpr std::size_t kCharacteristicsOffset = sizeof(ULONG); // after the device type
    if (ReadVolumeField(object, kFileFsDeviceInformation, kCharacteristicsOffset, device) &&
        (device & kRemoteDevice))
        return false;
    return !ReadVolumeField(object, kFileFsAttributeInformation, 0, attributes) ||
           (attributes & kPersistentAccessLists);
}

} // namespace

unsigned ReadGuard(FileHandle object, Guard& guard) {
    static const ProcessUser user;
    static const rt::TrustedAccounts trusted(user.Sid());
    if (!VolumeKeepsAccessLists(AsHandle(object))) {
        guard = Guard::NotKept;
        return 0;
    }
    PSID owner = nullptr;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (const DWORD code = GetSecurityInfo(AsHandle(object), SE_FILE_OBJECT,
                                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                                           nullptr, &list, nullptr, &descriptor))
        return code;
    const std::unique_ptr<void, decltype(&LocalFree)> owned(descriptor, &LocalFree);
    guard = rt::OnlyTrustedMayChange(owner, list, trusted) ? Guard::Protected : Guard::OpenToOthers;
    return 0;
}

unsigned TakeOver(FileHandle object, const std::string& securityDescriptor) {
    const OwnedDescriptor descriptor = DescriptorFrom(securityDescriptor.c_str());
    BOOL present = FALSE, defaulted = FALSE;
    PACL list = nullptr;
    if (!descriptor || !GetSecurityDescriptorDacl(descriptor.get(), &present, &list, &defaulted))
        return GetLastError();
    const OwnedSid administrators = SidFromText("BA");
    return SetSecurityInfo(AsHandle(object), SE_FILE_OBJECT,
                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                               PROTECTED_DACL_SECURITY_INFORMATION,
                           administrators.get(), nullptr, list, nullptr);
}

unsigned RemoveFolder(const std::string& path) {
    if (!FitsMaxPath(path))
        return kErrorFilenameTooLong;
    return Result(RemoveDirectoryA(path.c_str()));
}

unsigned RemoveFile(const std::string& path) {
    if (!FitsMaxPath(path))
        return kErrorFilenameTooLong;
    return Result(DeleteFileA(path.c_str()));
}

unsigned DeleteAtRestart(const std::string& path) {
    if (!FitsMaxPath(path))
        return kErrorFilenameTooLong;
    return Result(MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
}

unsigned FindFirst(const std::string& pattern, SearchHandle& search, FoundEntry& entry) {
    search = kNoSearch;
    if (!FitsMaxPath(pattern))
        return kErrorFilenameTooLong;
    WIN32_FIND_DATAA data;
    HANDLE handle = FindFirstFileA(pattern.c_str(), &data);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    search = reinterpret_cast<SearchHandle>(handle);
    Fill(data, entry);
    return 0;
}

unsigned FindNext(SearchHandle search, FoundEntry& entry) {
    WIN32_FIND_DATAA data;
    if (!FindNextFileA(reinterpret_cast<HANDLE>(search), &data))
        return GetLastError();
    Fill(data, entry);
    return 0;
}

void FindClose(SearchHandle search) {
    if (search != kNoSearch)
        ::FindClose(reinterpret_cast<HANDLE>(search));
}

namespace {

// A kernel32 function looked up at run time: the program's headers and import libraries
// stop at Windows XP, where the claims' namespace and final paths do not exist.
template <class Function> Function Kernel32(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

// Only the system and administrators may reach the claims' namespace and claims.
constexpr char kClaimsAccess[] = "D:P(A;;GA;;;SY)(A;;GA;;;BA)";
constexpr wchar_t kClaimsNamespaceW[] = L"SetupFolderClaims";
constexpr char kClaimsNamespace[] = "SetupFolderClaims";

// The last error of a call that failed; never 0, even where the call did not set one.
unsigned Refusal() {
    const DWORD code = GetLastError();
    return code != 0 ? code : ERROR_GEN_FAILURE;
}

// A boundary descriptor, deleted at the end.
class Boundary {
  public:
    using Delete = VOID(WINAPI*)(HANDLE);
    Boundary(HANDLE boundary, Delete remove) : boundary_(boundary), remove_(remove) {}
    ~Boundary() {
        if (boundary_)
            remove_(boundary_);
    }
    Boundary(const Boundary&) = delete;
    Boundary& operator=(const Boundary&) = delete;
    HANDLE& Get() { return boundary_; }

  private:
    HANDLE boundary_;
    Delete remove_;
};

// The claims' private namespace, bound to the Administrators group: only a process whose
// token holds that group can create or open it, and its descriptor admits only the system
// and administrators, so no program of a user can make, squat or hold a claim in it.
// Opened once, by whichever installer comes first, and held until the program ends: what
// is named in a private namespace stays reachable only while a handle to it is open.
class ClaimsNamespace {
  public:
    ~ClaimsNamespace() {
        if (handle_)
            Kernel32<BOOLEAN(WINAPI*)(HANDLE, ULONG)>("ClosePrivateNamespace")(handle_, 0);
    }
    // 0 when open; 120 where the system has no private namespaces (before Vista; Wine 8,
    // whose kernel32 lacks all but a stub of CreateBoundaryDescriptorW); any other code
    // when the namespace was refused.
    unsigned Open() {
        if (handle_)
            return 0;
        const auto createBoundary = Kernel32<HANDLE(WINAPI*)(LPCWSTR, ULONG)>("CreateBoundaryDescriptorW");
        const auto addSid = Kernel32<BOOL(WINAPI*)(HANDLE*, PSID)>("AddSIDToBoundaryDescriptor");
        const auto deleteBoundary = Kernel32<Boundary::Delete>("DeleteBoundaryDescriptor");
        const auto create =
            Kernel32<HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR)>("CreatePrivateNamespaceW");
        const auto open = Kernel32<HANDLE(WINAPI*)(LPVOID, LPCWSTR)>("OpenPrivateNamespaceW");
        if (!createBoundary || !addSid || !deleteBoundary || !create || !open ||
            !Kernel32<void*>("ClosePrivateNamespace"))
            return ERROR_CALL_NOT_IMPLEMENTED;
        Boundary boundary(createBoundary(kClaimsNamespaceW, 0), deleteBoundary);
        BYTE administrators[SECURITY_MAX_SID_SIZE];
        DWORD size = sizeof administrators;
        if (!boundary.Get() ||
            !CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) ||
            !addSid(&boundary.Get(), administrators))
            return Refusal();
        const OwnedDescriptor access = DescriptorFrom(kClaimsAccess);
        if (!access)
            return Refusal();
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, access.get(), FALSE};
        handle_ = create(&attributes, boundary.Get(), kClaimsNamespaceW);
        if (!handle_ && GetLastError() == ERROR_ALREADY_EXISTS)
            handle_ = open(boundary.Get(), kClaimsNamespaceW);
        return handle_ ? 0 : Refusal();
    }

  private:
    HANDLE handle_ = nullptr;
};

// Where a claim of the name lives: in the claims' namespace; only where the system has
// none, in the global namespace (every session's), never in this session's alone, which
// another session's installer would not see. There a mutex of the name that exists
// already, whoever made it, and a name that cannot be opened both count as taken: a
// squatter can then keep the installer waiting, but never make it install beside another.
unsigned ClaimPath(const std::string& name, std::string& path) {
    static ClaimsNamespace claims;
    const unsigned opened = claims.Open();
    if (opened == ERROR_CALL_NOT_IMPLEMENTED)
        path = "Global\\" + name;
    else if (opened == 0)
        path = std::string(kClaimsNamespace) + "\\" + name;
    return opened == ERROR_CALL_NOT_IMPLEMENTED ? 0 : opened;
}

} // namespace

unsigned TakeClaim(const std::string& name, ClaimHandle& claim) {
    claim = kNoClaim;
    std::string path;
    if (const unsigned refused = ClaimPath(name, path))
        return refused;
    const OwnedDescriptor access = DescriptorFrom(kClaimsAccess);
    if (!access)
        return GetLastError();
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, access.get(), FALSE};
    SetLastError(0);
    HANDLE mutex = CreateMutexA(&attributes, FALSE, path.c_str());
    if (!mutex)
        return GetLastError();
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return kErrorAlreadyExists;
    }
    claim = reinterpret_cast<ClaimHandle>(mutex);
    return 0;
}

void ReleaseClaim(ClaimHandle claim) {
    if (claim != kNoClaim)
        CloseHandle(reinterpret_cast<HANDLE>(claim));
}

unsigned FinalPath(const std::string& folder, std::string& finalPath) {
    const auto final = Kernel32<DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD)>("GetFinalPathNameByHandleA");
    if (!final)
        return ERROR_CALL_NOT_IMPLEMENTED;
    if (!FitsMaxPath(folder))
        return kErrorFilenameTooLong;
    // No access asked for, every sharing allowed; a folder opens only with backup semantics.
    HANDLE handle = CreateFileA(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    char buffer[2 * MAX_PATH];
    const DWORD length = final(handle, buffer, sizeof buffer, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    const unsigned code = length == 0 ? GetLastError() : length >= sizeof buffer ? kErrorFilenameTooLong : 0;
    CloseHandle(handle);
    if (code == 0)
        finalPath.assign(buffer, length);
    return code;
}

WideText Widened(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    WideText wide;
    if (length > 0) {
        wide.chars.resize(static_cast<std::size_t>(length) + 1);
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.chars.data(), length);
    }
    return wide;
}

std::string FullPathName(const std::string& path) {
    char buffer[MAX_PATH];
    char* filePart = nullptr;
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, &filePart);
    // A result that does not fit (or a failure) leaves the path as it was given:
    // the message that quotes it must not be cut short.
    if (length == 0 || length >= sizeof buffer)
        return path;
    return std::string(buffer, length);
}

std::string FormattedV(const char* format, std::va_list args) {
    std::va_list measure;
    va_copy(measure, args);
    const int length = _vscprintf(format, measure);
    va_end(measure);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0)
        _vsnprintf(&text[0], text.size(), format, args);
    return text;
}

std::string SystemMessage(unsigned code) {
    char buffer[256];
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                            FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                        nullptr, code, 0, buffer, sizeof buffer, nullptr);
    return std::string(buffer, length);
}

namespace {

// The system's hash provider, acquired on first use and released at the program's end.
class HashProvider {
  public:
    ~HashProvider() {
        if (handle_)
            CryptReleaseContext(handle_, 0);
    }
    unsigned Acquire() {
        if (!handle_ && !CryptAcquireContextA(&handle_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
            return GetLastError();
        return 0;
    }
    HCRYPTPROV Handle() const { return handle_; }

  private:
    HCRYPTPROV handle_ = 0;
};

} // namespace

unsigned Sha256(const void* data, std::size_t size, Sha256Digest& digest) {
    static HashProvider provider;
    if (const unsigned code = provider.Acquire())
        return code;
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(provider.Handle(), CALG_SHA_256, 0, 0, &hash))
        return GetLastError();
    DWORD length = static_cast<DWORD>(digest.size());
    const bool hashed = CryptHashData(hash, static_cast<const BYTE*>(data), static_cast<DWORD>(size), 0) &&
                        CryptGetHashParam(hash, HP_HASHVAL, digest.data(), &length, 0);
    const unsigned code = hashed ? 0 : GetLastError();
    CryptDestroyHash(hash);
    return code;
}

unsigned FreeSpace(const std::string& folder, std::uint64_t& freeBytes, std::uint64_t& unitBytes) {
    if (!FitsMaxPath(folder + "\\"))
        return kErrorFilenameTooLong;
    const std::string withSeparator = rt::EndsWithSeparator(folder) ? folder : folder + "\\";
    ULARGE_INTEGER available;
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceExA(withSeparator.c_str(), &available, nullptr, nullptr) ||
        !GetDiskFreeSpaceA(withSeparator.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &clusters))
        return GetLastError();
    freeBytes = available.QuadPart;
    unitBytes = static_cast<std::uint64_t>(sectorsPerCluster) * bytesPerSector;
    return 0;
}

} // namespace os
