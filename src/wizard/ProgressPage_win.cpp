#include "wizard/ProgressPage.h"

#include <commctrl.h>

#include <algorithm>

#include "ResENU.h"
#include "engine/InstallDriver.h"
#include "engine/TargetFolder.h"
#include "loader/Loader.h"
#include "state/SetupState.h"
#include "wizard/Pages.h"

namespace {


// True while the installation runs inside the page's handling. Commands that reach the page
// then (posted before, or dispatched by a message box's loop) are dropped: leaving the page
// or starting over in the middle of the installation is not possible.
bool g_installing = false;
// Next ends the page only once the installation is over.
bool g_installed = false;

// The bar counts files. The installation holds the thread, so no paint message is handled
// until it ends: between files the bar takes the number of files done, the status line the
// file being copied, and the page and the background window paint what has become invalid.
// At most every kRepaintIntervalMs: a progress bar paints itself at once on every move, and
// for thousands of small files painting after each one would cost more than copying them.
constexpr DWORD kRepaintIntervalMs = 40;

class PageProgress : public InstallProgress {
public:
    explicit PageProgress(HWND page)
        : page_(page), owner_(GetWindow(page, GW_OWNER)), bar_(GetDlgItem(page, IDC_PROGRESS_BAR)),
          status_(GetDlgItem(page, IDC_PROGRESS_STATUS)) {}

    void Begin(int fileCount) override {
        range_ = std::max(fileCount, 1);
        SendMessageA(bar_, PBM_SETRANGE32, 0, range_);
        Show(nullptr);
    }
    void FileStarting(const std::string& destination) override {
        if (Due()) Show(&destination);
    }
    void FileDone() override {
        ++done_;
        if (Due()) Show(nullptr);
    }
    void Complete() {
        done_ = range_;
        const std::string none;
        Show(&none);
    }

private:
    bool Due() const { return GetTickCount() - lastShown_ >= kRepaintIntervalMs; }

    // Paints what is invalid now, children included; nothing else is drawn again.
    void Show(const std::string* file) {
        SendMessageA(bar_, PBM_SETPOS, static_cast<WPARAM>(done_), 0);
        if (file && status_) SetWindowTextA(status_, file->c_str());
        if (owner_) RedrawWindow(owner_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        RedrawWindow(page_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        lastShown_ = GetTickCount();
    }

    HWND page_;
    HWND owner_;
    HWND bar_;
    HWND status_;
    int range_ = 100;
    int done_ = 0;
    DWORD lastShown_ = 0;
};

void EnableButtons(HWND page, bool enable) {
    for (int id : {IDCANCEL, IDC_BACK, IDC_NEXT}) {
        HWND button = GetDlgItem(page, id);
        if (button) EnableWindow(button, enable ? TRUE : FALSE);
    }
}

// Clicks and keys the user gave while the installation held the thread were meant for a page
// that could not take them; they must not land on the buttons enabled afterwards.
void DropQueuedInput() {
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    while (PeekMessageA(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
}

void RunInstallationOnPage(HWND page) {
    // A modal dialog shows itself only once its queue first runs empty, and the start message
    // posted from WM_INITDIALOG comes before that: without this the whole installation would
    // run behind an invisible page.
    if (!IsWindowVisible(page)) {
        ShowWindow(page, SW_SHOW);
        UpdateWindow(page);
    }
    g_installing = true;
    PageProgress progress(page);
    const bool installed = DoInstall(&progress, RegisterDescriptors);
    DropQueuedInput();
    g_installing = false;
    if (!installed) {
        EndDialog(page, kPageCancel);
        return;
    }
    progress.Complete();
    g_installed = true;
    EnableButtons(page, true);
    SetFocus(GetDlgItem(page, IDC_NEXT));
}

void InitProgress(HWND page) {
    // Nothing to press until the installation is over.
    g_installed = false;
    EnableButtons(page, false);
    // Posted, so that the page is initialised before the work starts.
    PostMessageA(page, WM_SETUP_START, 0, 0);
}

bool ProgressCommand(HWND /*page*/, int id) { return g_installing || (id == IDC_NEXT && !g_installed); }

}  // namespace

INT_PTR CALLBACK ProgressPageProc(HWND page, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    if (message != WM_SETUP_START) return PageFrameProc(page, message, wParam, {InitProgress, ProgressCommand});
    // A message box's loop inside the installation dispatches the page's messages too.
    if (!g_installing) RunInstallationOnPage(page);
    return 0;
}

void RegisterDescriptors(const Project& project, const std::string& installFolder) {
    RegisterAlxFiles(project, installFolder, TargetFolder);
}
