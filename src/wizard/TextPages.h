// The welcome page (with the author's readme) and the licence page (plain or RTF text that
// the user accepts before going on).
#pragma once

#include <windows.h>

#include "state/SetupState.h"

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK LicencePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Whether the script of `run` names a licence text that is not empty: its data file opens and has a
// size. Draws nothing: the page list asks before any page exists.
bool HasLicenceText(const SetupState& run);
