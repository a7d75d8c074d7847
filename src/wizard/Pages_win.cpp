#include "wizard/Pages.h"

#include <vector>

#include "ResENU.h"
#include "state/Messages.h"

namespace {

constexpr int kSeparatorHeight = 10;  // a child lower than this at 96 DPI is the page's separator line
constexpr size_t kButtonTextLimit = 128;
constexpr size_t kPageCaptionLimit = 128;

WizardState* g_shown = nullptr;

void SetControlText(HWND page, int id, UINT stringId) {
    std::string text;
    if (GetDlgItem(page, id) && LoadPlainString(Language(), stringId, kButtonTextLimit, &text))
        SetDlgItemTextA(page, id, text.c_str());
}

// The top of the page's separator line, the height of the white panel the logo fills; the one
// found on an earlier page when this page has none.
int SeparatorTop(const std::vector<HWND>& children, int separatorHeight, int earlier) {
    for (HWND child : children) {
        const RECT r = RectInParent(child);
        if (r.bottom - r.top < separatorHeight) return r.top;
    }
    return earlier;
}

// Widens the page by the width of the script's logo scaled to the height of the page's panel
// above its separator line, and moves every control but Cancel right to make room.
void FitPageToLogo(HWND page, WizardState& wizard) {
    const WizardLook& look = wizard.look;
    BITMAP logo = {};
    if (!look.logo || look.defaultLogo || !GetObjectA(look.logo.get(), sizeof(logo), &logo)) return;
    if (logo.bmHeight <= 0 || logo.bmWidth <= 0) return;
    const unsigned ratio = static_cast<unsigned>(logo.bmWidth) * 1000u / static_cast<unsigned>(logo.bmHeight);

    const std::vector<HWND> children = ChildWindows(page);
    const int separatorHeight = ScaledToScreen(kSeparatorHeight, look.dpi);
    wizard.separatorTop = SeparatorTop(children, separatorHeight, wizard.separatorTop);
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
    PaintLogoIn(logoWindow, static_cast<HBITMAP>(look.logo.get()));
    ShowWindow(logoWindow, SW_SHOW);
}

// The frame every page shares: fitted around a script's logo, centred, caption string 6,
// Back disabled on the first page, Next labelled string 17 on the last page and string 18
// on the one before, the heading font, the logo control painted; the page's message boxes
// belong to it.
void InitPage(HWND page) {
    WizardState& wizard = Wizard();
    const SetupState& state = RunState();
    FitPageToLogo(page, wizard);
    SetMessageOwner(page);
    CenterOnScreen(page);

    std::string caption;
    if (LoadFormattedString(Language(), &caption, kPageCaptionLimit, kStrPageCaption, state.mainProject.title.c_str()))
        SetWindowTextA(page, caption.c_str());
    if (wizard.pages.CurrentIsFirst()) EnableWindow(GetDlgItem(page, IDC_BACK), FALSE);
    if (wizard.pages.CurrentIsLast()) SetControlText(page, IDC_NEXT, kStrFinishButton);
    if (wizard.pages.CurrentIsBeforeLast()) SetControlText(page, IDC_NEXT, kStrInstallButton);

    if (HWND title = GetDlgItem(page, IDC_PAGE_TITLE))
        SendMessageA(title, WM_SETFONT, reinterpret_cast<WPARAM>(wizard.look.headingFont.get()), FALSE);
    if (HWND logo = GetDlgItem(page, IDC_PAGE_LOGO)) PaintLogoIn(logo, static_cast<HBITMAP>(wizard.look.logo.get()));
}

// Cancel (after the user confirmed it) and Back end the page. True when `id` was one of
// them, whatever the user answered.
bool HandleCancelOrBack(HWND page, int id) {
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

}  // namespace

ShownWizard::ShownWizard(WizardState& wizard) { g_shown = &wizard; }

ShownWizard::~ShownWizard() { g_shown = nullptr; }

WizardState& Wizard() { return *g_shown; }

SetupState& RunState() { return g_shown->run; }

void SetTitledText(HWND page, int id, UINT stringId, size_t limit) {
    std::string text;
    if (LoadFormattedString(Language(), &text, limit, stringId, RunState().mainProject.title.c_str()))
        SetDlgItemTextA(page, id, text.c_str());
}

void KeepFocusUsable(HWND page) {
    HWND focus = GetFocus();
    if (focus && IsWindowEnabled(focus) && IsChild(page, focus)) return;
    HWND next = GetDlgItem(page, IDC_NEXT);
    if (!next || !IsWindowEnabled(next)) next = GetNextDlgTabItem(page, nullptr, FALSE);
    if (next) SendMessageA(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
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
            if (HandleCancelOrBack(page, id)) return TRUE;
            if (id != IDC_NEXT) return FALSE;
            EndDialog(page, kPageNext);
            return TRUE;
        }
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<INT_PTR>(Wizard().look.whiteBrush.get());
        default:
            return FALSE;
    }
}
