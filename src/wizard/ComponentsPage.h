// The page where the user picks the optional components of a multi-component project.
#pragma once

#include <windows.h>

#include "script/Project.h"

INT_PTR CALLBACK ComponentsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Brings the page's list box and the components' selected flags together and updates the
// page's buttons and texts from the result. `fromModel`: the flags are written into the list
// (with `firstFill`, its items are added first and a single selected component's description
// shown); otherwise the list's selection is read into the flags. Either way the selected
// member of an exclusive group that has the list's focus stays the only one of its group.
// Returns the number of selected components.
int UpdateComponentList(HWND page, Project* project, bool fromModel, bool firstFill);
