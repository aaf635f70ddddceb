#include "framework/SystemLibraries.h"

#include "runtime/SystemFunction.h"

#include <initializer_list>

namespace framework {

namespace {

// Systems with the LOAD_LIBRARY_SEARCH_* flags (and SetDefaultDllDirectories) export
// AddDllDirectory. A test build acts as a system without them.
bool SearchFlagsOffered() {
#ifdef SETUP_AS_IF_WITHOUT_SEARCH_FLAGS
    return false;
#else
    return os::SystemFunction<FARPROC>("kernel32.dll", "AddDllDirectory") != nullptr;
#endif
}

} // namespace

void ConfineDllSearchToSystemFolder() {
    // Every system the program runs on has this (XP SP1 on): the current folder out of
    // the search for DLLs.
    SetDllDirectoryW(L"");
    using SetFlags = BOOL(WINAPI*)(DWORD);
    // Windows 7 on (and earlier systems with a security update): the current folder
    // after the system folders when a file is looked for along the search path.
    if (const auto setSearchPathMode = os::SystemFunction<SetFlags>("kernel32.dll", "SetSearchPathMode"))
        setSearchPathMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
    if (!SearchFlagsOffered())
        return;
    if (const auto setDefault = os::SystemFunction<SetFlags>("kernel32.dll", "SetDefaultDllDirectories"))
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void PreloadLibrariesLoadedByName() {
    for (const char* name : {"uxtheme.dll", "dwmapi.dll"})
        LoadSystemLibrary(name); // one the system lacks is simply not there to be taken
}

HMODULE LoadSystemLibrary(const char* name) {
    // The system folder's path, wide whatever its characters; the name is ASCII.
    wchar_t path[2 * MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    wchar_t* end = path + length;
    *end++ = L'\\';
    while (*name && end < path + sizeof path / sizeof path[0] - 1)
        *end++ = static_cast<wchar_t>(*name++);
    *end = L'\0';
    // Without the search flags, a full path with LOAD_WITH_ALTERED_SEARCH_PATH puts the
    // DLL's own folder, the system folder, first in the search for its imports, ahead
    // of the program's folder.
    return LoadLibraryExW(
        path, nullptr, SearchFlagsOffered() ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace framework
