// What a screen reader is told a control is, where the system's own answer falls short. The system's standard
// accessible object of a window takes the name from the window text but calls every
// window of a class it does not know a "client" area; a picture that opens the web site
// is a link, the folder chooser's button a push button. Answered through WM_GETOBJECT.
#pragma once

#include <windows.h>

#include <string>

namespace framework {

// The answer to WM_GETOBJECT for window: the system's standard object for it, with role
// (an MSAA ROLE_SYSTEM_* value) instead of its own and, when name is not empty, that
// name (UTF-8) instead of its window text; 0 for other objects than the
// client's, or where the system's accessibility library is missing.
LRESULT AccessibleObjectWithRole(HWND window, WPARAM flags, LPARAM objectId, long role,
                                 const std::string& name = "");

} // namespace framework
