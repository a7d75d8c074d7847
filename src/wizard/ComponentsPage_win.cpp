#include "wizard/ComponentsPage.h"

#include <string>
#include <vector>

#include "ResENU.h"
#include "base/Text.h"
#include "script/PathTokens.h"
#include "state/Messages.h"
#include "wizard/ComponentSelection.h"
#include "wizard/Pages.h"

namespace {


constexpr size_t kItemTextLimit = 256;
constexpr size_t kSummaryLimit = 256;

// The list shows the component project's window title with its title tokens expanded; a title
// that does not expand is shown as written, and an empty one gives way to the project's title.
std::string ItemText(const Project& sub) {
    std::string text;
    if (!ExpandTitleTokens(sub, sub.winTitle, &text, kItemTextLimit)) text = text::Fit(sub.winTitle, kItemTextLimit);
    if (text.empty()) text = sub.title;
    return text;
}

void ShowInfo(HWND page, const Component& component) {
    SetDlgItemTextA(page, IDC_COMPONENT_INFO, ComponentInfoText(component).c_str());
}

}  // namespace

int UpdateComponentList(HWND page, Project* project, ListUpdate update) {
    const bool firstFill = update == ListUpdate::kFill;
    HWND list = GetDlgItem(page, IDC_COMPONENT_LIST);
    std::vector<Component>& components = project->components;

    // In a multiple-selection list the caret marks the item the user last clicked.
    const int focus = static_cast<int>(SendMessageA(list, LB_GETCARETINDEX, 0, 0));
    const bool focusSelected = focus >= 0 && SendMessageA(list, LB_GETSEL, static_cast<WPARAM>(focus), 0) > 0;

    if (update != ListUpdate::kFromList) {
        KeepFocusAloneInGroup(&components, focus, focusSelected);
        for (size_t i = 0; i < components.size(); ++i) {
            if (firstFill)
                SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ItemText(*components[i].sub).c_str()));
            SendMessageA(list, LB_SETSEL, components[i].selected ? TRUE : FALSE, static_cast<LPARAM>(i));
        }
    } else {
        for (size_t i = 0; i < components.size(); ++i)
            components[i].selected = SendMessageA(list, LB_GETSEL, i, 0) > 0 ? 1 : 0;
        for (size_t i : KeepFocusAloneInGroup(&components, focus, focusSelected))
            SendMessageA(list, LB_SETSEL, FALSE, static_cast<LPARAM>(i));
    }

    const SelectionCounts counts = CountSelection(components);
    if (!firstFill && focus >= 0 && static_cast<size_t>(focus) < components.size())
        ShowInfo(page, components[static_cast<size_t>(focus)]);
    if (firstFill && counts.selected == 1)
        for (const Component& component : components)
            if (component.selected) ShowInfo(page, component);

    EnableWindow(GetDlgItem(page, IDC_NEXT), SelectionAllowsNext(counts, project->group0MinComp));
    HWND selectAll = GetDlgItem(page, IDC_SELECT_ALL);
    ShowWindow(selectAll, SelectAllShown(counts) ? SW_SHOWNORMAL : SW_HIDE);
    if (SelectAllShown(counts)) EnableWindow(selectAll, SelectAllEnabled(counts));
    EnableWindow(GetDlgItem(page, IDC_CLEAR_ALL), ClearAllEnabled(counts));
    KeepFocusUsable(page);

    if (HWND summary = GetDlgItem(page, IDC_SELECTION_COUNT)) {
        std::string text;
        if (LoadFormattedString(Language(), &text, kSummaryLimit, kStrSelectionSummary, counts.selected,
                                counts.choices))
            SetWindowTextA(summary, text.c_str());
    }
    return counts.selected;
}

namespace {

void InitComponents(HWND page) {
    UpdateComponentList(page, &RunState().mainProject, ListUpdate::kFill);
    // The device drive page comes back on Next when the choice still needs it.
    PageList& pages = Wizard().pages;
    DropDeviceDrivePageAfter(&pages, pages.Current());
}

bool ComponentsCommand(HWND page, int id) {
    Project& project = RunState().mainProject;
    switch (id) {
        case IDC_NEXT: {
            PageList& pages = Wizard().pages;
            PlaceFolderPagesAfter(&pages, pages.Current(), NeedsDestination(project), HasMountedDeviceFiles(project));
            return false;  // the frame ends the page
        }
        case IDC_SELECT_ALL:
        case IDC_CLEAR_ALL:
            SetAllSelected(&project.components, id == IDC_SELECT_ALL);
            UpdateComponentList(page, &project, ListUpdate::kFromModel);
            return true;
        default:
            return false;
    }
}

}  // namespace

INT_PTR CALLBACK ComponentsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    // The frame hands a page only the command's ID; the list's notification code is read here.
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_COMPONENT_LIST) {
        if (HIWORD(wParam) != LBN_SELCHANGE) return FALSE;
        UpdateComponentList(page, &RunState().mainProject, ListUpdate::kFromList);
        return TRUE;
    }
    return PageFrameProc(page, message, wParam, PageSteps{InitComponents, ComponentsCommand});
}
