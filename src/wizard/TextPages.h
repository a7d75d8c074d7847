// The welcome page (with the author's readme) and the licence page (plain or RTF text that
// the user accepts before going on).
#pragma once

#include <windows.h>

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK LicencePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The size in bytes of the script's licence text; 0 when the script names none or its data
// file cannot be opened or measured. With a control ID (not 0) the text is also shown in
// that control of the current page: RTF (a text starting with "{") in a rich-edit control
// put in its place, anything else as the control's text.
DWORD ShowLicenceText(int controlId);

// Puts a read-only RichEdit 1.0 control with the same ID in the place of a page's control.
HWND ReplaceWithRichEdit(HWND page, int controlId);
