// The selection rules of the components page over a project's component list: exclusive
// groups, a minimum number of free choices, and the counts the page shows. The list box of
// the page is only a view of the components' selected flags; everything it decides is here,
// portable, so that it is fuzzed natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "script/Project.h"
#include "wizard/PageList.h"

// One pass over the component list. Group 0 is a free choice; the components that share any
// other group number exclude each other.
struct SelectionCounts {
    int32_t choices = 0;        // components of group 0 plus distinct non-zero groups
    int32_t groups = 0;         // distinct non-zero groups
    int32_t groupsChosen = 0;   // non-zero groups with exactly one selected member
    int32_t selected = 0;       // selected components
    int32_t selectedFree = 0;   // selected components of group 0
    int32_t components = 0;     // the list's length
    bool anyFree = false;       // some component has group 0
};

SelectionCounts CountSelection(const std::vector<Component>& components);

// Next is allowed when, if there are free components, at least `group0MinComp` of them are
// selected, and every non-zero group has exactly one selected member.
bool SelectionAllowsNext(const SelectionCounts& counts, int32_t group0MinComp);

// Select all makes sense only when no group has two or more members (every component is a
// choice of its own); it is useful while something is left unselected.
bool SelectAllShown(const SelectionCounts& counts);
bool SelectAllEnabled(const SelectionCounts& counts);
bool ClearAllEnabled(const SelectionCounts& counts);

// When the focused component is selected and in a non-zero group, every other member of that
// group is cleared. Returns the indices of those other members (their list items must be
// deselected too); empty when there is no such focus (`focus` out of range included).
std::vector<size_t> KeepFocusAloneInGroup(std::vector<Component>* components, int focus, bool focusSelected);

void SetAllSelected(std::vector<Component>* components, bool selected);

// The description shown for a component: its project's title, ":" and a line break, then its
// description.
std::string ComponentInfoText(const Component& component);

// The folder pages behind the components page follow the choice. On entry the device drive
// page right after `position` is taken out; on Next the folder pages right after it are taken
// out and put back as the choice needs them, the device drive page before the destination
// page, so that going back and forth never leaves a page twice in the list.
void DropDeviceDrivePageAfter(PageList* pages, int position);
void PlaceFolderPagesAfter(PageList* pages, int position, bool needsDestination, bool mountedDeviceFiles);
