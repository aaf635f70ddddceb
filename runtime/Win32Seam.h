// What the files of the Win32 seam share: a seam handle as the system's, a call's result
// as the seam's code, a path as the wide calls take it, the type of ntdll's queries on a
// handle, a security descriptor from its text form. For those files only.
#pragma once

#include "runtime/OsSeam.h"

#include <windows.h>

#include <memory>

namespace os {
namespace win32 {

inline HANDLE AsHandle(FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

// 0 when the call succeeded, else the system's code for its failure.
inline unsigned Result(BOOL ok) {
    return ok ? 0 : GetLastError();
}

// A path as the wide calls take it. Code() is 0, or what the seam answers for a path no
// call may be given: 206 when it is longer than MAX_PATH characters, 1113 when it is not
// UTF-8.
class WidePath {
  public:
    explicit WidePath(const std::string& path)
        : text_(Widened(path)),
          code_(!text_.valid                                               ? kErrorNoUnicodeTranslation
                : static_cast<std::size_t>(text_.length()) > kMaxPathChars ? kErrorFilenameTooLong
                                                                           : 0) {}
    unsigned Code() const { return code_; }
    const wchar_t* c_str() const { return text_.c_str(); }

  private:
    WideText text_;
    unsigned code_;
};

// ntdll's NtQueryInformationFile and NtQueryVolumeInformationFile: what a class of
// information (kind) says of an open file or its volume, from the handle alone.
using QueryInformationFile = LONG(WINAPI*)(HANDLE, void* status, void* information, ULONG length, int kind);

// The security descriptor a text (SDDL) describes, freed at the end; null when the text
// was refused.
using OwnedDescriptor = std::unique_ptr<void, decltype(&LocalFree)>;
OwnedDescriptor DescriptorFrom(const char* text);

} // namespace win32
} // namespace os
