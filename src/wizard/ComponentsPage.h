// The page where the user picks the optional components of a multi-component project.
#pragma once

#include <windows.h>

#include "script/Project.h"

INT_PTR CALLBACK ComponentsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Which way the page's list box and the components' selected flags are brought together:
// kFill adds the items, writes the flags into the list and shows a single selected
// component's description; kFromModel writes the flags into the list; kFromList reads the
// list's selection into the flags.
enum class ListUpdate { kFill, kFromModel, kFromList };
// Brings list and flags together and updates the page's buttons and texts from the result.
// In every mode the selected member of an exclusive group that has the list's focus stays the
// only one of its group. Returns the number of selected components.
int UpdateComponentList(HWND page, Project* project, ListUpdate update);
