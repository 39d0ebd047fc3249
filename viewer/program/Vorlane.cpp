// Program entry of Vorlane.
#include <winsock2.h>
#include <windows.h>

#include "Boundary.h"
#include "System.h"
#include "UPTShellStartup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    int code = 0;
    Guarded(L"wWinMain", [&] {
        InitRuntime();
        TPTShellPack shellPack;
        // The main window joins here once the viewer's forms exist; until then the
        // program starts, shows who it is and ends.
        MessageBoxW(nullptr, L"Vorlane: the main window is not built yet.", L"Vorlane", MB_OK | MB_ICONINFORMATION);
    });
    return code;
}
