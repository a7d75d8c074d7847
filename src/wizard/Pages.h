// The page frame: what every wizard page shares, carried out by PageFrameProc around a page's
// own steps. Each page is a modal dialog from the language library, and its procedure hands
// its messages to the frame:
//
//   WM_INITDIALOG      the frame fits the page to the logo, centres it, sets its caption,
//                      buttons and heading font, then runs the page's `init`, then keeps the
//                      focus on an enabled control; FALSE.
//   WM_COMMAND         the page's `command` first; then Cancel (after the user confirmed it)
//                      and Back end the page; Next ends it with kPageNext. TRUE when handled.
//   WM_CTLCOLORSTATIC  static controls paint on white.
//   anything else      FALSE.
#pragma once

#include <windows.h>

#include "state/SetupState.h"
#include "wizard/Drawing.h"
#include "wizard/PageList.h"

// Posted to a window to start its work once it is shown: the background window's wizard, the
// progress page's installation.
constexpr UINT WM_SETUP_START = WM_USER + 365;  // 1389

// The state of one wizard: its pages and what they are drawn with, and the run it makes the
// choices of. Its owner is the wizard's run; the frame and the pages reach it through Wizard()
// while its pages are shown.
class InstallStart;
struct InstallRequest;

struct WizardState {
    explicit WizardState(SetupState& setupRun) : run(setupRun) {}
    SetupState& run;  // the package, the choices and how the installation ended
    PageList pages;
    WizardLook look;
    int separatorTop = 0;  // height of the logo panel found on the last page
    InstallStart* starting = nullptr;          // may be null
    const InstallRequest* prepared = nullptr;  // planned and checked by the caller; may be null
};

// Hands `wizard` to the frame and the pages for as long as it lives: a page's procedure is
// called by the dialog manager and sees only its page.
class ShownWizard {
public:
    explicit ShownWizard(WizardState& wizard);
    ~ShownWizard();
    ShownWizard(const ShownWizard&) = delete;
    ShownWizard& operator=(const ShownWizard&) = delete;
};

// The wizard whose pages are shown (a ShownWizard lives).
WizardState& Wizard();
// Its run.
SetupState& RunState();

// Sets the text of control `id` to string `stringId` formatted with the current project's
// title, kept to `limit` - 1 characters; left as it is when the string cannot be loaded.
void SetTitledText(HWND page, int id, UINT stringId, size_t limit);

// A disabled control traps the keyboard: when the focus is on none of the page's enabled
// controls, it goes to Next, or when Next is disabled to the first control Tab reaches.
void KeepFocusUsable(HWND page);

// A page's own steps. `init` runs after the frame's set-up. `command` sees each command first
// and returns true when it took it (a page checks Next or Back there before it lets the page
// go); what it leaves goes to the frame.
struct PageSteps {
    void (*init)(HWND page) = nullptr;
    bool (*command)(HWND page, int id) = nullptr;
};
INT_PTR PageFrameProc(HWND page, UINT message, WPARAM wParam, const PageSteps& steps);
