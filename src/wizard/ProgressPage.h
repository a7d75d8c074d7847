// The last page of the wizard: it runs the installation as soon as it is shown.
#pragma once

#include <windows.h>

INT_PTR CALLBACK ProgressPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
