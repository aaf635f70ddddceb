#include "framework/SystemLibraries.h"

#include <initializer_list>

namespace framework {

namespace {

// Systems with the LOAD_LIBRARY_SEARCH_* flags (and SetDefaultDllDirectories) export
// AddDllDirectory. A test build acts as a system without them.
bool SearchFlagsOffered() {
#ifdef SETUP_AS_IF_WITHOUT_SEARCH_FLAGS
    return false;
#else
    return GetProcAddress(GetModuleHandleA("kernel32.dll"), "AddDllDirectory") != nullptr;
#endif
}

} // namespace

void ConfineDllSearchToSystemFolder() {
    SetDllDirectoryA("");
    if (!SearchFlagsOffered())
        return;
    using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDirectories>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault)
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
