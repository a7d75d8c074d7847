#include "wizard/ComponentsPage.h"

#include "wizard/Pages.h"

INT_PTR CALLBACK ComponentsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    return PageFrameProc(page, message, wParam, PageSteps());
}
