#include "wizard/Pages.h"

#include <vector>

#include "ResENU.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "engine/Section.h"
#include "transaction/Journal.h"
#include "loader/Loader.h"
#include "state/Messages.h"
#include "state/SetupState.h"
#include "win/Gdi.h"
#include "wizard/Background.h"
#include "wizard/ComponentsPage.h"
#include "wizard/FolderPages.h"
#include "wizard/ProgressPage.h"
#include "wizard/TextPages.h"

namespace {

constexpr int kSeparatorHeight = 10;  // a child lower than this at 96 DPI is the page's separator line
constexpr size_t kButtonTextLimit = 128;
constexpr size_t kPageCaptionLimit = 128;

// The loader probe reads this package's value only to learn whether the loader is there.
const char kLoaderProbeValue[] = "net.rim.i386.memopad";

HBITMAP LoadBitmapFile(int dataFileNumber) {
    if (dataFileNumber == -1) return nullptr;
    return static_cast<HBITMAP>(
        LoadImageA(nullptr, DataFilePath(dataFileNumber).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

// A window's rectangle in the client coordinates of its parent.
RECT RectInParent(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

void SetControlText(HWND page, int id, UINT stringId) {
    std::string text;
    if (GetDlgItem(page, id) && LoadPlainString(Setup().language, stringId, kButtonTextLimit, &text))
        SetDlgItemTextA(page, id, text.c_str());
}

}  // namespace

WizardState& Wizard() {
    static WizardState state;
    return state;
}

bool PreparePages() {
    SetupState& state = Setup();
    WizardState& wizard = Wizard();
    state.current = &state.mainProject;
    const Project& project = state.mainProject;

    {
        win::WindowDc screen(nullptr);
        wizard.dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
        wizard.headingFont.reset(MakeFont(-MulDiv(8, wizard.dpi, 72), FontFace::MsSansSerif));
    }

    std::string ignored;
    const int loader = ReadLoaderPackage(kLoaderProbeValue, &ignored, 128);
    if (loader == kLoaderKeyMissing || loader == kLoaderPackagesMissing) MessageBoxFromId(kStrLoaderMissing, MB_OK);

    // The readme is opened from a copy of the Application files, made first. It goes into a new
    // folder of the run's own: the package folder may be read-only, or one whose users could
    // plant links by the files' names for this elevated program to write through.
    const std::string runFolder = journal::RunFilesFolder();
    if (runFolder.empty()) return false;
    const std::string unpack = text::JoinPath(runFolder, RunFilesName(GetCurrentProcessId()));
    if (!CreateDirectoryA(unpack.c_str(), nullptr)) {
        Trace(text::Format("PreparePages::The folder %s cannot be made: error %lu\n", unpack.c_str(), GetLastError())
                  .c_str());
        return false;
    }
    state.unpackFolder = unpack + "\\";
    if (!UnpackSection(project, state.programFolder, state.unpackFolder, kSectionApplication)) return false;

    PlanPages(project, ShowLicenceText(0) > 0, &wizard.pages);

    wizard.background.reset(LoadBitmapFile(project.backgroundImage.dataFile));
    wizard.backgroundMode = project.backgroundImage.mode;
    wizard.logo.reset(LoadBitmapFile(project.logo.dataFile));
    wizard.defaultLogo = false;
    return true;
}

void ReleaseWizardImages() {
    Wizard().background.reset();
    Wizard().logo.reset();
}

DLGPROC PageProcedure(PageKind kind) {
    switch (kind) {
        case kPageWelcome:
            return WelcomePageProc;
        case kPageLicence:
            return LicencePageProc;
        case kPageComponents:
            return ComponentsPageProc;
        case kPageDestination:
            return DestinationPageProc;
        case kPageDeviceDrive:
            return DeviceDrivePageProc;
        case kPageProgress:
            return ProgressPageProc;
        default:
            return nullptr;
    }
}

bool RunPages(HWND owner) {
    SetupState& state = Setup();
    PageList& pages = Wizard().pages;
    pages.Start();
    for (;;) {
        const PageKind kind = pages.CurrentKind();
        DLGPROC procedure = PageProcedure(kind);
        if (!procedure) return false;
        const INT_PTR result =
            DialogBoxParamA(state.language.module.get(), MAKEINTRESOURCEA(kind), owner, procedure, 0);
        Wizard().pageWindow = nullptr;
        SetMessageOwner(nullptr);
        switch (pages.Step(static_cast<int>(result), state.abort != 0)) {
            case PageStep::Show:
                break;
            case PageStep::Finished:
                return true;
            case PageStep::Stopped:
                return false;
            case PageStep::Cancelled:
                state.abort = 1;
                state.cancelled = true;
                return false;
        }
    }
}

void InitPage(HWND page) {
    WizardState& wizard = Wizard();
    const SetupState& state = Setup();
    FitPageToLogo(page);
    wizard.pageWindow = page;
    SetMessageOwner(page);
    CenterOnScreen(page);

    std::string caption;
    if (LoadFormattedString(state.language, &caption, kPageCaptionLimit, kStrPageCaption, state.current->title.c_str()))
        SetWindowTextA(page, caption.c_str());
    if (wizard.pages.CurrentIsFirst()) EnableWindow(GetDlgItem(page, IDC_BACK), FALSE);
    if (wizard.pages.CurrentIsLast()) SetControlText(page, IDC_NEXT, kStrFinishButton);
    if (wizard.pages.CurrentIsBeforeLast()) SetControlText(page, IDC_NEXT, kStrInstallButton);

    if (HWND title = GetDlgItem(page, IDC_PAGE_TITLE))
        SendMessageA(title, WM_SETFONT, reinterpret_cast<WPARAM>(wizard.headingFont.get()), FALSE);
    if (HWND logo = GetDlgItem(page, IDC_PAGE_LOGO))
        SetWindowLongPtrA(logo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LogoPainter));
}

void KeepFocusUsable(HWND page) {
    HWND focus = GetFocus();
    if (focus && IsWindowEnabled(focus) && IsChild(page, focus)) return;
    HWND next = GetDlgItem(page, IDC_NEXT);
    if (!next || !IsWindowEnabled(next)) next = GetNextDlgTabItem(page, nullptr, FALSE);
    if (next) SendMessageA(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
}

void FitPageToLogo(HWND page) {
    WizardState& wizard = Wizard();
    BITMAP logo = {};
    if (!wizard.logo || wizard.defaultLogo || !GetObjectA(wizard.logo.get(), sizeof(logo), &logo)) return;
    if (logo.bmHeight <= 0 || logo.bmWidth <= 0) return;
    const unsigned ratio = static_cast<unsigned>(logo.bmWidth) * 1000u / static_cast<unsigned>(logo.bmHeight);

    // The separator line's top is the height of the white panel the logo fills.
    const std::vector<HWND> children = ChildWindows(page);
    const int separatorHeight = ScaledToScreen(kSeparatorHeight);
    for (HWND child : children) {
        RECT r = RectInParent(child);
        if (r.bottom - r.top < separatorHeight) {
            wizard.separatorTop = r.top;
            break;
        }
    }
    if (wizard.separatorTop <= 0) return;
    const int w = static_cast<int>(static_cast<unsigned>(wizard.separatorTop) * ratio / 1000u);

    // A top-level page is placed in screen coordinates; InitPage centres it right after.
    RECT frame;
    GetWindowRect(page, &frame);
    frame.right += w;
    const int pageWidth = frame.right - frame.left;
    SetWindowPos(page, nullptr, frame.left, frame.top, pageWidth, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);

    HWND panel = nullptr;
    for (HWND child : children) {
        RECT r = RectInParent(child);
        if (r.bottom - r.top < separatorHeight) {
            if (!panel)
                panel = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, pageWidth,
                                        r.top, page, nullptr, nullptr, nullptr);
            r.left = 0;
            r.right = pageWidth;
        } else if (GetDlgCtrlID(child) != IDCANCEL) {
            OffsetRect(&r, w, 0);
        }
        if (!SetWindowPos(child, HWND_BOTTOM, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE))
            break;
    }
    // The white panel lies under every control, which it clips, so it never paints over them.
    if (panel) SetWindowPos(panel, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    HWND logoWindow = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, w, wizard.separatorTop, page, nullptr,
                                      nullptr, nullptr);
    if (!logoWindow) return;
    SetWindowLongPtrA(logoWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LogoPainter));
    ShowWindow(logoWindow, SW_SHOW);
}

bool HandleCancelOrBack(int id) {
    HWND page = Wizard().pageWindow;
    if (id == IDCANCEL) {
        if (AskFromId(IDNO, kStrCancelQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES) EndDialog(page, kPageCancel);
        return true;
    }
    if (id == IDC_BACK) {
        EndDialog(page, kPageBack);
        return true;
    }
    return false;
}

INT_PTR PageFrameProc(HWND page, UINT message, WPARAM wParam, const PageSteps& steps) {
    switch (message) {
        case WM_INITDIALOG:
            InitPage(page);
            if (steps.init) steps.init(page);
            KeepFocusUsable(page);
            return FALSE;
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            if (steps.command && steps.command(page, id)) return TRUE;
            if (HandleCancelOrBack(id)) return TRUE;
            if (id != IDC_NEXT) return FALSE;
            EndDialog(page, kPageNext);
            return TRUE;
        }
        case WM_CTLCOLORSTATIC:
            return PageBrushResult();
        default:
            return FALSE;
    }
}

INT_PTR PageBrushResult() { return reinterpret_cast<INT_PTR>(Wizard().whiteBrush.get()); }
