// The wizard: modal dialog pages from the language library, shown one after another by the
// background window, and the contract every page procedure follows:
//
//   WM_INITDIALOG      InitPage(page) first, then the page's own set-up, then
//                      KeepFocusUsable(page); return FALSE.
//   WM_COMMAND         HandleCancelOrBack(LOWORD(wParam)); TRUE when it handled the command.
//                      Next ends the dialog with kPageNext after the page's checks.
//   WM_CTLCOLORSTATIC  PageBrushResult(): static controls paint on white.
//   anything else      FALSE.
//
// PageFrameProc carries the contract out around a page's own steps.
#pragma once

#include <windows.h>

#include "wizard/PageList.h"
#include "win/UniqueHandle.h"

// The wizard's run-wide UI state. The GDI objects are owned here; the page window is the
// dialog being shown (null between pages).
struct WizardState {
    PageList pages;
    HWND pageWindow = nullptr;
    win::UniqueGdiObject headingFont;
    win::UniqueGdiObject whiteBrush;   // made and deleted by the background window
    win::UniqueGdiObject background;   // the script's BackgroundImage; none: plain colour
    int backgroundMode = 0;            // placement of the background image, 0 to 3
    win::UniqueGdiObject logo;         // the script's ProjectLogo, else the library's bitmap
    bool defaultLogo = false;          // the logo is the library's: pages are not widened
    int separatorTop = 0;              // height of the logo panel found on the last page
    int dpi = 96;                      // the screen's pixels per inch: pixel sizes follow it
};

WizardState& Wizard();

// Once, before the background window exists: the heading font, the desktop-loader check,
// the Application files unpacked into the program folder (the readme is opened from there),
// the page list and the images. False when the Application files cannot be unpacked.
bool PreparePages();

// Frees the images PreparePages loaded (start-up's shut-down).
void ReleaseWizardImages();

// Shows the pages until the user leaves the last one (true) or the run stops (false; a
// confirmed Cancel sets the abort flag). `owner` is the background window.
bool RunPages(HWND owner);

// The page procedure of a page kind; null for kPageNone.
DLGPROC PageProcedure(PageKind kind);

// The frame every page shares: fitted around a script's logo, centred, caption string 6,
// Back disabled on the first page, Next labelled string 17 on the last page and string 18
// on the one before, the heading font, the logo control painted; the page's message boxes
// belong to it.
void InitPage(HWND page);

// A disabled control traps the keyboard: when the focus is on none of the page's enabled
// controls, it goes to Next, or when Next is disabled to the first control Tab reaches.
void KeepFocusUsable(HWND page);

// Widens the page by the width of the script's logo scaled to the height of the page's panel
// above its separator line, and moves every control but Cancel right to make room.
void FitPageToLogo(HWND page);

// Cancel (after the user confirmed it) and Back end the current page. True when `id` was
// one of them, whatever the user answered.
bool HandleCancelOrBack(int id);

// A page's own steps. `init` runs after InitPage. `command` sees each command first and
// returns true when it took it (a page checks Next or Back there before it lets the page go);
// what it leaves goes to HandleCancelOrBack, and Next then ends the page.
struct PageSteps {
    void (*init)(HWND page) = nullptr;
    bool (*command)(HWND page, int id) = nullptr;
};
INT_PTR PageFrameProc(HWND page, UINT message, WPARAM wParam, const PageSteps& steps);

// The white brush as a dialog procedure's answer to WM_CTLCOLORSTATIC.
INT_PTR PageBrushResult();

// The page's control, or null when the template lacks it.
inline HWND PageControl(int id) { return GetDlgItem(Wizard().pageWindow, id); }
