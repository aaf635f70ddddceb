/* A stand-in for a common system DLL, planted beside Setup.exe and in the current
   folder by the DLL search test: when loaded it leaves a marker file named after
   itself in the folder that SETUP_DLL_MARKERS names. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char folder[MAX_PATH], module[MAX_PATH], marker[2 * MAX_PATH];
        if (GetEnvironmentVariableA("SETUP_DLL_MARKERS", folder, MAX_PATH) &&
            GetModuleFileNameA(self, module, MAX_PATH)) {
            const char* name = strrchr(module, '\\') ? strrchr(module, '\\') + 1 : module;
            wsprintfA(marker, "%s\\%s.loaded", folder, name);
            HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
            if (file != INVALID_HANDLE_VALUE)
                CloseHandle(file);
        }
    }
    return TRUE;
}
