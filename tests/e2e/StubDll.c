/* A stand-in for a common system DLL, planted beside Setup.exe and in the current
   folder by the DLL search test, which looks for it among the modules of a process. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    (void)self;
    (void)reason;
    (void)reserved;
    return TRUE;
}
