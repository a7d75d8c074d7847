#include "wizard/ProgressPage.h"

#include <commctrl.h>

#include "state/SetupState.h"
#include "wizard/Pages.h"

namespace {

constexpr int kIdProgressBar = 1022;

}  // namespace

INT_PTR CALLBACK ProgressPageProc(HWND page, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_INITDIALOG:
            InitPage(page);
            // Posted, so that the page is shown before the work starts.
            PostMessageA(page, WM_SETUP_START, 0, 0);
            return FALSE;
        case WM_SETUP_START:
            SendDlgItemMessageA(page, kIdProgressBar, PBM_SETPOS, 100, 0);
            return 0;
        case WM_COMMAND:
            if (HandleCancelOrBack(LOWORD(wParam))) return TRUE;
            if (LOWORD(wParam) == kIdNext) EndDialog(page, kPageNext);
            return 0;
        case WM_CTLCOLORSTATIC:
            return PageBrushResult();
        default:
            return 0;
    }
}
