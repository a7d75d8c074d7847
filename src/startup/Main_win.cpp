#include <windows.h>

#include "startup/Startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR arguments, int /*show*/) {
    return RunSetup(instance, arguments);
}
