// What the wizard draws with and the drawing helpers its windows share: bitmaps and fonts,
// lengths at the screen's DPI, window rectangles, the logo control and the background
// window's picture. Knows nothing of pages.
#pragma once

#include <windows.h>

#include "state/SetupState.h"

#include <string>
#include <vector>

#include "win/UniqueHandle.h"

// The wizard's GDI objects, owned here, and the screen's DPI they are drawn at.
struct WizardLook {
    int dpi = 96;                      // the screen's pixels per inch: pixel sizes follow it
    win::UniqueGdiObject headingFont;
    win::UniqueGdiObject whiteBrush;   // made and deleted by the background window
    win::UniqueGdiObject background;   // the script's BackgroundImage; none: plain colour
    int backgroundMode = 0;            // placement of the background image, 0 to 3
    win::UniqueGdiObject logo;         // the script's ProjectLogo, else the library's bitmap
    bool defaultLogo = false;          // the logo is the library's: pages are not widened
};

enum class FontFace {
    TimesNewRoman,  // bold italic: the title on the background
    MsSansSerif,    // bold: the page headings
};

// A length of `pixels` at 96 DPI in pixels of `dpi`: the program is DPI aware, so the system
// no longer scales what it draws in pixels.
int ScaledToScreen(int pixels, int dpi);

// A bold font of `height` logical units. The caller owns it.
HFONT MakeFont(int height, FontFace face);

// The bitmap in the data file of that number of `run`'s package; null for -1 or a file that is
// no bitmap. The caller owns it.
HBITMAP LoadBitmapFile(const SetupState& run, int dataFileNumber);

// Moves the window to the middle of the desktop, keeping its size.
void CenterOnScreen(HWND window);

// A window's rectangle in the client coordinates of its parent.
RECT RectInParent(HWND window);

// The child windows of `parent` in Z order, top first.
std::vector<HWND> ChildWindows(HWND parent);

// Replaces a control's procedure: it erases its background with `logo` stretched over its
// client area and leaves everything else to DefWindowProcA. The bitmap stays the caller's and
// must outlive the control.
void PaintLogoIn(HWND control, HBITMAP logo);

// The background window's picture: the look's image placed as its mode says (or the plain
// colour) and `title` in large white letters with a black shadow.
void PaintBackdrop(HWND window, const WizardLook& look, const std::string& title);
