// A function of a system DLL looked up by its name at run time, typed: for the calls that
// not every system the program runs on has (the program's headers and import libraries
// stop at Windows XP), and for those no import library offers. Win32 builds only.
#pragma once

#include <windows.h>

namespace os {

// The function name exported by library, as Function; nullptr when it exports none.
template <class Function> Function SystemFunction(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// The same in a DLL every process of the program has loaded (kernel32.dll, ntdll.dll,
// user32.dll), named by its file name.
template <class Function> Function SystemFunction(const char* loadedLibrary, const char* name) {
    return SystemFunction<Function>(GetModuleHandleA(loadedLibrary), name);
}

} // namespace os
