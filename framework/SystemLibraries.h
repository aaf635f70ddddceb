// Where DLLs come from. The installer is often started from a downloads folder, where
// anyone may have left a DLL named like a system one: none is to be loaded from the
// program's own folder or the current one, neither for the program nor for the DLLs
// that its DLLs pull in.
#pragma once

#include <windows.h>

namespace framework {

// Start-up's step after the process mitigations: takes the current folder out of the
// DLL search, puts it after the system folders in the search path's order (where the
// system has that mode) and, where the system offers it, confines the default DLL
// search to the system folder. Without that confinement a DLL loaded by name is still
// looked for in the program's own folder first, hence the preloading below.
void ConfineDllSearchToSystemFolder();

// Start-up's next step, before any window: loads by full path, from the system folder,
// the DLLs that system components load by name later on (the visual styles and the
// desktop window manager's), so that those later loads find them already loaded
// instead of searching, even where the search is not confined.
void PreloadLibrariesLoadedByName();

// Loads a DLL of the system folder by its full path, so that its own imports are looked
// for in the system folder too (first, on a system without the confined search);
// nullptr when it cannot be loaded. The library stays loaded for the program's life.
HMODULE LoadSystemLibrary(const char* name);

} // namespace framework
