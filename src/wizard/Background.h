// The background window, the one top-level window of an installation run: it fills the work
// area with the author's image or a plain colour and the product title, owns the wizard's
// pages and runs them as soon as it exists. Also the drawing services the pages share.
#pragma once

#include <windows.h>

// The window procedure start-up registers for the background window's class.
LRESULT CALLBACK BackgroundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

enum class FontFace {
    TimesNewRoman,  // bold italic: the title on the background
    MsSansSerif,    // bold: the page headings
};

// A length of `pixels` at 96 DPI in pixels of the screen's DPI: the program is DPI aware, so
// the system no longer scales what it draws in pixels.
int ScaledToScreen(int pixels);

// A bold font of `height` logical units. The caller owns it.
HFONT MakeFont(int height, FontFace face);

// Moves the window to the middle of the desktop, keeping its size.
void CenterOnScreen(HWND window);

// Replaces a control's procedure: it erases its background with the logo stretched over its
// client area and leaves everything else to DefWindowProcA.
LRESULT CALLBACK LogoPainter(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
