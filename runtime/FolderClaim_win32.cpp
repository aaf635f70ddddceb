// The claim on a folder over the Win32 seam: a mutex in a namespace only administrators
// reach, and the path the system knows the folder by.
#include "runtime/OsSeam.h"
#include "runtime/SystemFunction.h"
#include "runtime/Win32Seam.h"

#include <windows.h>

#include <string>

namespace os {

using win32::DescriptorFrom;
using win32::OwnedDescriptor;

namespace {

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
    using Close = BOOLEAN(WINAPI*)(HANDLE, ULONG);
    ~ClaimsNamespace() {
        if (handle_)
            SystemFunction<Close>("kernel32.dll", "ClosePrivateNamespace")(handle_, 0);
    }
    // 0 when open; 120 where the system has no private namespaces (before Vista; Wine 8,
    // whose kernel32 lacks all but a stub of CreateBoundaryDescriptorW); any other code
    // when the namespace was refused.
    unsigned Open() {
        if (handle_)
            return 0;
        const auto createBoundary =
            SystemFunction<HANDLE(WINAPI*)(LPCWSTR, ULONG)>("kernel32.dll", "CreateBoundaryDescriptorW");
        const auto addSid =
            SystemFunction<BOOL(WINAPI*)(HANDLE*, PSID)>("kernel32.dll", "AddSIDToBoundaryDescriptor");
        const auto deleteBoundary =
            SystemFunction<Boundary::Delete>("kernel32.dll", "DeleteBoundaryDescriptor");
        const auto create = SystemFunction<HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR)>(
            "kernel32.dll", "CreatePrivateNamespaceW");
        const auto open =
            SystemFunction<HANDLE(WINAPI*)(LPVOID, LPCWSTR)>("kernel32.dll", "OpenPrivateNamespaceW");
        if (!createBoundary || !addSid || !deleteBoundary || !create || !open ||
            !SystemFunction<Close>("kernel32.dll", "ClosePrivateNamespace"))
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
    HANDLE mutex = CreateMutexW(&attributes, FALSE, Widened(path).c_str());
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
    const auto final = SystemFunction<DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD)>(
        "kernel32.dll", "GetFinalPathNameByHandleW");
    if (!final)
        return ERROR_CALL_NOT_IMPLEMENTED;
    const win32::WidePath wide(folder);
    if (wide.Code())
        return wide.Code();
    // No access asked for, every sharing allowed; a folder opens only with backup semantics.
    HANDLE handle = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    wchar_t buffer[2 * MAX_PATH];
    const DWORD capacity = sizeof buffer / sizeof buffer[0];
    const DWORD length = final(handle, buffer, capacity, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    const unsigned code = length == 0 ? GetLastError() : length >= capacity ? kErrorFilenameTooLong : 0;
    CloseHandle(handle);
    if (code == 0)
        finalPath = Narrowed(buffer, static_cast<int>(length));
    return code;
}

} // namespace os
