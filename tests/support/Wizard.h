// Drives the wizard of a running setup.exe page by page. A page is recognised by a control
// only it has (the marks below).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ResENU.h"
#include "support/Package.h"
#include "support/UiDriver.h"
#include "base/Text.h"
#include "support/TestEnv.h"
#include "win/Files.h"

namespace testenv {

// The buttons every page has.
constexpr int kCancelButton = IDCANCEL;
constexpr int kNextButton = IDC_NEXT;
constexpr int kBackButton = IDC_BACK;

constexpr int kWelcomeMark = IDC_README;          // the readme button
constexpr int kLicenceMark = IDC_ACCEPT;       // the accept button
constexpr int kProgressMark = IDC_PROGRESS_BAR;      // the progress bar
constexpr int kComponentsMark = IDC_COMPONENT_LIST;    // the component list
constexpr int kDestinationMark = IDC_TARGET_DIR;   // the folder edit box
constexpr int kDeviceDriveMark = IDC_DEVICE_DRIVE;   // the drive combo box

// The language library under a name of the test's own in the shared Windows folder, where
// setup.exe puts it; removed when the test ends.
class TestLibrary {
public:
    TestLibrary() : name_(UniqueName("WizL") + ".DLL") {}
    ~TestLibrary() { DeleteFileA(text::JoinPath(win::WindowsFolder(), name_).c_str()); }
    TestLibrary(const TestLibrary&) = delete;
    TestLibrary& operator=(const TestLibrary&) = delete;
    const std::string& Name() const { return name_; }

private:
    std::string name_;
};

// Starts setup.exe in the package and waits for its welcome page. The desktop loader's
// warning, which a prefix without the loader shows first, is answered on the way. Null when
// the page does not come.
HWND StartWizard(ui::SetupProcess* process, const Package& package, const std::string& arguments = "");

// Where the wizard of `process` keeps its copy of the Application file `name` while it runs.
std::string UnpackedPath(const ui::SetupProcess& process, const std::string& name);

// Presses `buttonId` on `page` and waits for the page of process `processId` that has
// `nextMark`. Null when a message box comes instead (`box` receives it) or nothing comes.
HWND PressAndWait(DWORD processId, HWND page, int buttonId, int nextMark, ui::MessageBoxInfo* box = nullptr);
inline HWND PressAndWait(const ui::SetupProcess& process, HWND page, int buttonId, int nextMark,
                         ui::MessageBoxInfo* box = nullptr) {
    return PressAndWait(process.ProcessId(), page, buttonId, nextMark, box);
}

// Waits for a message box of the process, reads it into `box` and presses the button with
// that text; returns once the box is gone.
bool AnswerBox(DWORD processId, const std::string& button, ui::MessageBoxInfo* box = nullptr);
inline bool AnswerBox(const ui::SetupProcess& process, const std::string& button, ui::MessageBoxInfo* box = nullptr) {
    return AnswerBox(process.ProcessId(), button, box);
}

// Tabs around `page` as a person would, the focus read back after each press, then presses Esc
// and answers No. What went wrong, empty when nothing: the focus off the page's enabled
// controls, a button without an access key, Esc without the cancel question.
std::string WalkByKeyboard(DWORD processId, HWND page);

// The page `dialog` is, by its mark: "welcome", "licence", "components", "destination",
// "device" or "progress"; "unknown" for any other window.
std::string PageName(HWND dialog);

// On the progress page: waits until its Next is enabled (true), or until the page is gone or
// a message box of the process shows (false).
bool WaitForInstallationEnd(const ui::SetupProcess& process, HWND progressPage, DWORD timeoutMs = 120000);

// Walks the wizard from whatever shows now to the end of the process, as a person who takes
// every default would: Next on each page, the licence accepted, Yes to questions and the
// first button of any other box, on the progress page a wait until the installation is over,
// then Finish. Records every page and box met, in order. `beforeNext`, when given, sees each
// page as it is left: the licence accepted, the installation over on the progress page.
struct WizardWalk {
    std::vector<std::string> seen;  // "page:welcome", ..., "box:<text>"
    int exitCode = ui::SetupProcess::kTimedOut;
    // From the last press before the progress page (Next on the last input page, or the
    // answer to its question) until the progress page's Next was enabled; negative when the
    // installation did not end that way.
    double installSeconds = -1;
    // The progress bar's position and upper limit when the installation was over.
    int progressPosition = -1;
    int progressRange = -1;
};
using PageWatcher = std::function<void(HWND page, const std::string& name)>;
WizardWalk WalkWizard(ui::SetupProcess& process, DWORD timeoutMs = ui::kDefaultTimeoutMs,
                      const PageWatcher& beforeNext = nullptr);

}  // namespace testenv
