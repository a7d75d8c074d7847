#include "wizard/ProgressPage.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>

#include "ResENU.h"
#include "base/RunResult.h"
#include "base/Text.h"
#include "engine/InstallDriver.h"
#include "loader/Loader.h"
#include "state/Messages.h"
#include "win/Files.h"
#include "wizard/Background.h"
#include "wizard/Pages.h"

namespace {

// The worker posts this when the run is over (wParam 1: installed); it touches nothing of the
// page's afterwards.
constexpr UINT WM_SETUP_DONE = WM_SETUP_START + 1;

// The installation runs on a thread of its own, which owns the run from start to end, so that
// the page keeps answering. The page owns this record: the worker reads `page` and `cancel`
// only, handed to it at its start, and tells the page everything else through its controls'
// messages.
struct PageRun {
    HWND page = nullptr;
    win::UniqueKernelHandle worker;  // set while the installation runs
    std::atomic<bool> cancel{false};
    bool installed = false;
    bool closeHolders = false;
    InstallRequest request;  // the worker's to read while it runs
    InstallResult result;    // the worker's to write while it runs
    win::RestartManager holders;  // what it closed is started again once it installed
};
PageRun g_run;

// Files other programs hold are named before anything changes: Retry looks again, Cancel ends
// the wizard, and Continue, where every one of them may wait for the next restart, installs
// them then. False when the user cancelled.
bool FilesFree() {
    for (;;) {
        const std::vector<HeldFile> held = FindHeldFiles(g_run.request.plan, g_run.holders, g_run.closeHolders);
        if (held.empty()) return true;
        const bool restart = AllMayWaitForRestart(held);
        const std::string text =
            "These files are in use by other programs:\n" + DescribeHeldFiles(held, "\n") +
            "\n\nClose the programs and try again" +
            (restart ? ", or continue: the installation then finishes at the next restart." : ".");
        const int answer = ShowFixedMessage(text, SetupCaption(),
                                            (restart ? MB_CANCELTRYCONTINUE : MB_RETRYCANCEL) | MB_ICONWARNING);
        if (answer == IDCONTINUE) return true;
        if (answer != IDRETRY && answer != IDTRYAGAIN) return false;
    }
}

// The bar counts the files done and the line names the file being copied, both at most every
// kShowIntervalMs: for thousands of small files a message per file would cost more than
// copying them.
constexpr DWORD kShowIntervalMs = 40;

class PageProgress : public InstallProgress {
public:
    explicit PageProgress(const PageRun& run)
        : run_(run),
          bar_(GetDlgItem(run.page, IDC_PROGRESS_BAR)),
          status_(GetDlgItem(run.page, IDC_PROGRESS_STATUS)) {}

    void Begin(int fileCount) override { PostMessageA(bar_, PBM_SETRANGE32, 0, std::max(fileCount, 1)); }
    // The name is sent, not posted: the page copies it before the run goes on.
    void FileStarting(const std::string& destination) override {
        if (GetTickCount() - lastShown_ < kShowIntervalMs) return;
        lastShown_ = GetTickCount();
        PostMessageA(bar_, PBM_SETPOS, static_cast<WPARAM>(done_), 0);
        if (status_) SetWindowTextA(status_, destination.c_str());
    }
    void FileDone() override { ++done_; }
    bool Cancelled() override { return run_.cancel; }

private:
    const PageRun& run_;
    HWND bar_;
    HWND status_;
    int done_ = 0;
    DWORD lastShown_ = 0;
};

DWORD WINAPI InstallWorker(LPVOID parameter) {
    PageRun& run = *static_cast<PageRun*>(parameter);
    // The shortcuts and self-registrations of the run are COM work on this thread.
    win::ComInit com;
    if (FAILED(com.result()))
        Trace(text::Format("ProgressPage::COM cannot be initialised for the installation: 0x%lx\n",
                           static_cast<unsigned long>(com.result()))
                  .c_str());
    PageProgress progress(run);
    const bool installed = DoInstall(run.request, &progress, &run.result);
    PostMessageA(run.page, WM_SETUP_DONE, installed ? 1 : 0, 0);
    return 0;
}

void StartInstallation(HWND page) {
    const InstallRequest* prepared = Wizard().prepared;
    if (prepared) {
        g_run.request = *prepared;
    } else if (!PrepareInstallation(RunState(), &g_run.request)) {
        MessageBoxFromId(kStrInstallFailed, MB_ICONERROR);
        RunState().installFailed = true;
        RunState().abort = 1;
        EndDialog(page, kPageCancel);
        return;
    }
    if (!prepared && !FilesFree()) {
        // Whatever it closed starts again, whether the installation runs or not.
        g_run.holders.RestartClosed();
        Trace("ProgressPage::The user cancelled before files in use were replaced.\n");
        RunState().cancelled = true;
        RunState().abort = 1;
        EndDialog(page, kPageCancel);
        return;
    }
    // The choices are final now, and the worker does not touch them yet.
    if (Wizard().starting) Wizard().starting->Starting(RunState());
    g_run.page = page;
    g_run.cancel = false;
    g_run.worker.reset(CreateThread(nullptr, 0, InstallWorker, &g_run, 0, nullptr));
    if (g_run.worker) return;
    Trace(text::Format("ProgressPage::The installation's thread cannot be made: error %lu\n", GetLastError()).c_str());
    MessageBoxFromId(kStrInstallFailed, MB_ICONERROR);
    RunState().installFailed = true;
    RunState().abort = 1;
    EndDialog(page, kPageCancel);
}

// The finished state: nothing left to go back to or cancel; Finish is the default button.
void EndInstallation(HWND page, bool installed) {
    // It has posted its last message and touches nothing of ours any more.
    WaitForSingleObject(g_run.worker.get(), INFINITE);
    g_run.worker.reset();
    g_run.holders.RestartClosed();
    TakeInstallResult(RunState(), installed, g_run.result);
    if (!installed) {
        EndDialog(page, kPageCancel);
        return;
    }
    // A passive run asks nothing, Finish included.
    if (RunState().passive) return void(EndDialog(page, kPageNext));
    g_run.installed = true;
    SetTitledText(page, IDC_PAGE_TITLE, kStrFinishedHeading, kPathLimit);
    SetTitledText(page, IDC_PROGRESS_TEXT, kStrFinishedText, kPathLimit);
    HWND bar = GetDlgItem(page, IDC_PROGRESS_BAR);
    SendMessageA(bar, PBM_SETPOS, SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 0);
    SetDlgItemTextA(page, IDC_PROGRESS_STATUS, "");
    HWND next = GetDlgItem(page, IDC_NEXT);
    EnableWindow(next, TRUE);
    SendMessageA(page, DM_SETDEFID, IDC_NEXT, 0);
    SendMessageA(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
    // Last: the page is in its finished state once Cancel is disabled.
    EnableWindow(GetDlgItem(page, IDCANCEL), FALSE);
}

// While it installs, Cancel is the only button: the default, with the focus.
void InitProgress(HWND page) {
    g_run.installed = false;
    EnableWindow(GetDlgItem(page, IDC_BACK), FALSE);
    EnableWindow(GetDlgItem(page, IDC_NEXT), FALSE);
    SendMessageA(page, DM_SETDEFID, IDCANCEL, 0);
    SetFocus(GetDlgItem(page, IDCANCEL));
    // Posted, so that the page is initialised and shown before the work starts.
    PostMessageA(page, WM_SETUP_START, 0, 0);
}

// Cancel, confirmed while the run goes on, stops it at the next file; the journal takes it
// back; a passive run, which asks nothing, stops at once. Once installed, only Finish acts.
bool ProgressCommand(HWND /*page*/, int id) {
    if (g_run.installed) return id != IDC_NEXT;
    if (id == IDCANCEL && g_run.worker && !g_run.cancel &&
        (RunState().passive || AskFromId(IDNO, kStrCancelQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES) &&
        g_run.worker) {
        Trace("ProgressPage::The user cancelled the installation.\n");
        g_run.cancel = true;
    }
    return true;
}

}  // namespace

INT_PTR CALLBACK ProgressPageProc(HWND page, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    if (message == WM_SETUP_START) {
        StartInstallation(page);
        return TRUE;
    }
    if (message == WM_SETUP_DONE) {
        EndInstallation(page, wParam != 0);
        return TRUE;
    }
    return PageFrameProc(page, message, wParam, {InitProgress, ProgressCommand});
}

bool PrepareInstallation(const SetupState& state, InstallRequest* request) {
    SectionPlaces places;
    places.dataFolder = state.programFolder;
    places.systemFolder = win::SystemFolder();
    if (places.systemFolder.empty()) return Fail("PCInstall", "finding the system folder", "", GetLastError());
    places.programsFolder = state.programsFolder;
    places.startupFolder = state.startupFolder;
    places.commonStartupFolder = state.commonStartupFolder;
    places.mountedDeviceFolder = state.mountedDeviceFolder;
    request->project = &state.mainProject;
    request->programPath = state.programPath;
    request->languagePath = Language().path;
    request->pageCreatedFolders = state.pageCreatedFolders;
    request->registerDescriptors = RegisterAlxFiles;
    return MakePlan(state.mainProject, state.chosenInstallFolder, places, &request->plan);
}

void TakeInstallResult(SetupState& state, bool installed, const InstallResult& result) {
    state.installLogPath = result.installLogPath;
    state.launchCommand = result.launchCommand;
    if (installed) return;
    state.cancelled = result.cancelled;
    state.installFailed = !result.cancelled;
    state.abort = 1;
}

void CloseHoldingApplications(bool close) { g_run.closeHolders = close; }
