// setup.exe's entry point. The library search is restricted before the C runtime starts and
// before any static object is made: nothing of the process loads a library before that.
#include <windows.h>

#include "startup/Startup.h"
#include "win/SystemLibrary.h"

// The C runtime's own entry, which starts the runtime and calls WinMain.
extern "C" int WinMainCRTStartup();

namespace {
DWORD g_librarySearchError = 0;
}

extern "C" int SetupEntry() {
    g_librarySearchError = win::RestrictLibrarySearch();
    return WinMainCRTStartup();
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR arguments, int /*show*/) {
    return RunSetup(instance, arguments, g_librarySearchError);
}
