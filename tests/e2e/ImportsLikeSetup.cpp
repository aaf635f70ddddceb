// The DLL search test's control: a program that imports the same system DLLs as
// Setup.exe and then loads a DLL by name without confining the search, as a careless
// program would. What it takes from its own folder besides that one, Wine's built-in
// DLLs take on their own, for any program; that one shows that the planted DLLs are
// taken when the search is not confined. It stays a while so that its modules can be
// looked at.
#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // One call into each imported DLL keeps the import.
    CoTaskMemFree(nullptr);
    DragAcceptFiles(nullptr, FALSE);
    GetStockObject(WHITE_BRUSH);
    GetDesktopWindow();
    LoadLibraryA("cryptbase.dll");
    Sleep(60000);
    return 0;
}
