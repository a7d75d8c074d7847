#include "wizard/Background.h"

#include <string>

#include "ResENU.h"
#include "base/Text.h"
#include "script/PathTokens.h"
#include "state/Messages.h"
#include "win/SystemLibrary.h"
#include "wizard/WizardRun.h"

namespace {

constexpr int kIconResource = 1000;
// The wizard unpacks the Application files into a folder of the run's (the readme opens from there).
const char kPrepareFailed[] =
    "The setup files could not be prepared in %s.\nThe folder may be read-only, or a file of the package is "
    "missing. Installation will terminate.";

// The common controls are loaded for the wizard alone, from the system folder: imported, their
// library's start-up (every control class, the visual styles) would be paid by each uninstall
// and unattended run too. Loaded until process exit, as the pages' controls are its classes.
void InitCommonControlsForWizard() {
    static win::UniqueModule controls;
    if (!controls) {
        controls.reset(win::LoadSystemLibrary("comctl32.dll"));
        if (!controls) return;
    }
    using InitFn = void(WINAPI*)();
    // GetProcAddress hands out a generic pointer; the entry's real type is the library's.
    auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(controls.get(), "InitCommonControls")));
    if (init) init();
}

// The product title as the background shows it: the window title with its tokens put in.
std::string BackdropTitle(const SetupState& run) {
    const Project& project = run.mainProject;
    std::string title;
    if (!ExpandTitleTokens(project, project.winTitle, &title, kPathLimit)) title = project.winTitle;
    return title;
}

// The window's wizard comes with WM_NCCREATE and is let go at WM_DESTROY; messages outside
// that span, and any after the loop ended, go to DefWindowProcA.
LRESULT CALLBACK BackgroundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* wizard = reinterpret_cast<WizardState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!wizard) return DefWindowProcA(window, message, wParam, lParam);
    WizardLook& look = wizard->look;
    switch (message) {
        case WM_CREATE:
            look.whiteBrush.reset(CreateSolidBrush(RGB(255, 255, 255)));
            if (!look.logo) {
                look.defaultLogo = true;
                look.logo.reset(LoadBitmapA(Language().module.get(), MAKEINTRESOURCEA(IDB_DEFAULT_LOGO)));
            }
            PostMessageA(window, WM_SETUP_START, 0, 0);
            return 0;
        case WM_SETUP_START: {
            // The whole wizard runs inside this one message; its result is not looked at,
            // start-up reads the abort flag.
            RunPages(window, *wizard);
            PostMessageA(window, WM_DESTROY, 0, 0);
            return DefWindowProcA(window, message, wParam, lParam);
        }
        case WM_PAINT:
            PaintBackdrop(window, look, BackdropTitle(wizard->run));
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            look.whiteBrush.reset();
            look.logo.reset();
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool RegisterBackgroundClass(HINSTANCE instance, const std::string& className) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = BackgroundWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconResource));
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    windowClass.lpszClassName = className.c_str();
    if (RegisterClassA(&windowClass)) return true;
    Fail("Setup", "registering the window class", className, GetLastError());
    MessageBoxFromId(kStrWindowClassFailed, MB_ICONERROR);
    return false;
}

// The background window over the work area, which runs the wizard, and the message loop until
// the wizard is over. Returns the quit message's code.
ExitCode RunBackgroundWindow(HINSTANCE instance, const std::string& className, WizardState& wizard) {
    std::string title;
    LoadFormattedString(Language(), &title, kPathLimit, kStrWindowTitle, wizard.run.mainProject.title.c_str());

    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    // A caption, a sizing frame and a maximise box, but no system menu: there is no close box.
    HWND window = CreateWindowExA(0, className.c_str(), title.c_str(), WS_CAPTION | WS_THICKFRAME | WS_MAXIMIZEBOX,
                                  work.left, work.top, work.right - work.left, work.bottom - work.top, nullptr,
                                  nullptr, instance, &wizard);
    // Without the window nothing would ever end the message loop.
    if (!window) {
        Fail("Setup", "creating the window", title, GetLastError());
        return kExitPackageUnreadable;
    }
    ShowWindow(window, SW_SHOWMAXIMIZED);
    UpdateWindow(window);
    InvalidateRect(window, nullptr, TRUE);

    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<ExitCode>(message.wParam);
}

}  // namespace

ExitCode RunWizard(HINSTANCE instance, SetupState& state, InstallStart* starting, const InstallRequest* prepared) {
    WizardState wizard(state);
    wizard.starting = starting;
    wizard.prepared = prepared;
    // The licence page's rich-edit control lives in this library; a failure is not fatal.
    // Runs without the wizard do not pay for loading it. Freed before the wizard's images.
    win::UniqueModule richEdit(win::LoadSystemLibrary("riched32.dll"));
    if (!PreparePages(&wizard)) {
        const std::string& folder = state.unpackFolder.empty() ? state.programFolder : state.unpackFolder;
        ShowFixedMessage(text::Format(kPrepareFailed, folder.c_str()), SetupCaption(), MB_ICONERROR);
        return kExitPackageUnreadable;
    }
    const std::string& className = SetupCaption();
    if (!RegisterBackgroundClass(instance, className)) return kExitPackageUnreadable;
    InitCommonControlsForWizard();
    return RunBackgroundWindow(instance, className, wizard);
}
