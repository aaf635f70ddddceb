// What the files of the Win32 seam share: a seam handle as the system's, a call's result
// as the seam's code, a security descriptor from its text form. For those files only.
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

// The security descriptor a text (SDDL) describes, freed at the end; null when the text
// was refused.
using OwnedDescriptor = std::unique_ptr<void, decltype(&LocalFree)>;
OwnedDescriptor DescriptorFrom(const char* text);

} // namespace win32
} // namespace os
