// The wizard's run: its state prepared once, then its pages shown one after another, each by
// the procedure of its kind.
#pragma once

#include <windows.h>

#include "wizard/Pages.h"

// Once, before the background window exists: the screen's DPI and the heading font, the
// desktop-loader check, the Application files unpacked into a folder of the run's (the readme
// is opened from there), the page list and the images. False when the Application files
// cannot be unpacked. A passive run gets the progress page alone, and nothing unpacked.
bool PreparePages(WizardState* wizard);

// Shows the pages until the user leaves the last one (true) or the run stops (false; a
// confirmed Cancel sets the abort flag). `owner` is the background window.
bool RunPages(HWND owner, WizardState& wizard);
