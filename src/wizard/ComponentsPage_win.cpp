#include "wizard/ComponentsPage.h"

#include "wizard/Pages.h"

INT_PTR CALLBACK ComponentsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_INITDIALOG:
            InitPage(page);
            return FALSE;
        case WM_COMMAND:
            if (HandleCancelOrBack(LOWORD(wParam))) return TRUE;
            if (LOWORD(wParam) == kIdNext) {
                EndDialog(page, kPageNext);
                return TRUE;
            }
            return FALSE;
        case WM_CTLCOLORSTATIC:
            return PageBrushResult();
        default:
            return FALSE;
    }
}
