// The page where the user picks the optional components of a multi-component project.
#pragma once

#include <windows.h>

INT_PTR CALLBACK ComponentsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
