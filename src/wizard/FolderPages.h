// The pages that say where files go: the destination folder on this computer (typed or
// browsed, created before the wizard moves on) and the drive of the handheld's mounted
// storage.
#pragma once

#include <windows.h>

INT_PTR CALLBACK DestinationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DeviceDrivePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Refills the combo box with the drive roots and selects the last removable drive that holds
// a handheld's "BlackBerry" folder but no "home\user" folder (the first root when none does).
void FillDriveList(HWND combo);
