#include "wizard/ComponentSelection.h"

SelectionCounts CountSelection(const std::vector<Component>& components) {
    SelectionCounts counts;
    for (size_t i = 0; i < components.size(); ++i) {
        const Component& component = components[i];
        ++counts.components;
        if (component.selected) {
            ++counts.selected;
            if (component.group == 0) ++counts.selectedFree;
        }
        if (component.group == 0) {
            counts.anyFree = true;
            ++counts.choices;
            continue;
        }
        // A group is counted at its first member, with what the Next rule needs to see it
        // chosen exactly once. A page lists few components, so the groups take no table.
        bool first = true;
        for (size_t j = 0; j < i && first; ++j) first = components[j].group != component.group;
        if (!first) continue;
        int32_t chosen = 0;
        for (size_t j = i; j < components.size(); ++j)
            if (components[j].group == component.group && components[j].selected) ++chosen;
        ++counts.groups;
        ++counts.choices;
        if (chosen == 1) ++counts.groupsChosen;
    }
    return counts;
}

bool SelectionAllowsNext(const SelectionCounts& counts, int32_t group0MinComp) {
    if (counts.anyFree && counts.selectedFree < group0MinComp) return false;
    // Counting the selected members of all groups together would let a group that the script
    // starts with two members selected stand in for a group with none.
    return counts.groupsChosen == counts.groups;
}

bool SelectAllShown(const SelectionCounts& counts) { return counts.choices == counts.components; }

bool SelectAllEnabled(const SelectionCounts& counts) { return counts.selected < counts.components; }

bool ClearAllEnabled(const SelectionCounts& counts) { return counts.selected > 0; }

std::vector<size_t> KeepFocusAloneInGroup(std::vector<Component>* components, int focus, bool focusSelected) {
    std::vector<size_t> cleared;
    if (!focusSelected || focus < 0 || static_cast<size_t>(focus) >= components->size()) return cleared;
    const int32_t group = (*components)[focus].group;
    if (group == 0) return cleared;
    for (size_t i = 0; i < components->size(); ++i) {
        Component& component = (*components)[i];
        if (i == static_cast<size_t>(focus) || component.group != group) continue;
        component.selected = 0;
        cleared.push_back(i);
    }
    return cleared;
}

void SetAllSelected(std::vector<Component>* components, bool selected) {
    for (Component& component : *components) component.selected = selected ? 1 : 0;
}

std::string ComponentInfoText(const Component& component) {
    return component.sub->title + ":\r\n" + component.description;
}

void DropDeviceDrivePageAfter(PageList* pages, int position) {
    if (pages->At(position + 1) == kPageDeviceDrive) pages->RemovePageAt(position + 1);
}

void PlaceFolderPagesAfter(PageList* pages, int position, bool needsDestination, bool mountedDeviceFiles) {
    for (PageKind next = pages->At(position + 1); next == kPageDestination || next == kPageDeviceDrive;
         next = pages->At(position + 1))
        pages->RemovePageAt(position + 1);
    if (needsDestination) pages->InsertPageAfter(kPageDestination, position);
    if (mountedDeviceFiles) pages->InsertPageAfter(kPageDeviceDrive, position);
}
