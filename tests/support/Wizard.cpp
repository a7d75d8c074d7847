#include "support/Wizard.h"

#include "base/Text.h"
#include "transaction/JournalFormat.h"
#include "transaction/RunFiles.h"

#include <commctrl.h>

#include <algorithm>

namespace testenv {

namespace {

const char kLoaderWarningPart[] = "desktop software";

// Presses a message box's button and waits until the box is gone, so that the next wait
// does not find it again.
bool PressAndClose(HWND box, const std::string& button) {
    if (!ui::SetupProcess::PressText(box, button)) return false;
    for (int i = 0; i < 500 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(10);
    return !IsWindow(box) || !IsWindowVisible(box);
}

const struct {
    int mark;
    const char* name;
} kPageMarks[] = {
    {kProgressMark, "progress"},     {kDestinationMark, "destination"}, {kLicenceMark, "licence"},
    {kComponentsMark, "components"}, {kDeviceDriveMark, "device"},      {kWelcomeMark, "welcome"},
};
constexpr int kYesButton = 6;

double Now() {
    LARGE_INTEGER counter;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool Handled(const std::vector<HWND>& handled, HWND window) {
    return std::find(handled.begin(), handled.end(), window) != handled.end();
}

// Waits until the process shows a message box or a page not handled yet. False when the
// process ended or nothing came in time.
bool WaitForUnhandled(const ui::SetupProcess& process, const std::vector<HWND>& handled, DWORD timeoutMs,
                      HWND* page, ui::MessageBoxInfo* box) {
    DWORD start = GetTickCount();
    for (;;) {
        *page = nullptr;
        for (HWND window : process.TopLevelWindows())
            if (!*page && !Handled(handled, window) && ui::ClassName(window) == "#32770" &&
                GetDlgItem(window, kNextButton))
                *page = window;
        box->window = ui::FindMessageBox(process.ProcessId());
        if (box->window && Handled(handled, box->window)) box->window = nullptr;
        if (box->window) ui::ReadMessageBox(box->window, box);
        if (*page || box->window) return true;
        if (!process.Running() || GetTickCount() - start > timeoutMs) return false;
        Sleep(10);
    }
}

}  // namespace

std::string PageName(HWND dialog) {
    for (const auto& page : kPageMarks)
        if (GetDlgItem(dialog, page.mark)) return page.name;
    return "unknown";
}

bool WaitForInstallationEnd(const ui::SetupProcess& process, HWND progressPage, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!ui::IsControlEnabled(progressPage, kNextButton)) {
        if (!IsWindow(progressPage) || !process.Running() || ui::FindMessageBox(process.ProcessId()) ||
            GetTickCount() - start > timeoutMs)
            return false;
        Sleep(10);
    }
    return true;
}

WizardWalk WalkWizard(ui::SetupProcess& process, DWORD timeoutMs, const PageWatcher& beforeNext) {
    WizardWalk walk;
    std::vector<HWND> handled;
    HWND recorded = nullptr;
    double lastPress = Now();
    HWND page = nullptr;
    ui::MessageBoxInfo box;
    while (WaitForUnhandled(process, handled, timeoutMs, &page, &box)) {
        // A page is recorded when it shows, also when a box came up over it at once (a
        // failed installation); it is worked once no box is left.
        if (page && page != recorded) {
            walk.seen.push_back("page:" + PageName(page));
            recorded = page;
        }
        if (box.window) {
            handled.push_back(box.window);
            walk.seen.push_back("box:" + box.text);
            HWND button = GetDlgItem(box.window, kYesButton);
            for (HWND child = GetWindow(box.window, GW_CHILD); !button && child; child = GetWindow(child, GW_HWNDNEXT))
                if (ui::ClassName(child) == "Button") button = child;
            ui::SetupProcess::PressId(box.window, GetDlgCtrlID(button));
            lastPress = Now();
            continue;
        }
        handled.push_back(page);
        const std::string name = PageName(page);
        if (name == "licence" && ui::IsControlEnabled(page, kLicenceMark)) {
            ui::SetupProcess::PressId(page, kLicenceMark);
            for (int i = 0; i < 500 && !ui::IsControlEnabled(page, kNextButton); ++i) Sleep(10);
        }
        if (name == "progress") {
            // A failed installation shows its message instead; the next round answers it.
            if (!WaitForInstallationEnd(process, page)) continue;
            walk.installSeconds = Now() - lastPress;
            HWND bar = GetDlgItem(page, kProgressMark);
            walk.progressPosition = static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0));
            walk.progressRange = static_cast<int>(SendMessageA(bar, PBM_GETRANGE, FALSE, 0));
        }
        if (beforeNext) beforeNext(page, name);
        ui::SetupProcess::PressId(page, kNextButton);
        lastPress = Now();
    }
    walk.exitCode = process.WaitForExit(timeoutMs);
    return walk;
}

std::string UnpackedPath(const ui::SetupProcess& process, const std::string& name) {
    return text::JoinPath(text::JoinPath(RunFilesFolder(), RunFilesName(process.ProcessId())), name);
}

HWND StartWizard(ui::SetupProcess* process, const Package& package, const std::string& arguments) {
    if (!process->Start(package.SetupPath(), arguments, package.Folder())) return nullptr;
    ui::MessageBoxInfo box;
    HWND page = process->WaitForDialog(kWelcomeMark, &box);
    if (page || box.text.find(kLoaderWarningPart) == std::string::npos) return page;
    if (!PressAndClose(box.window, "OK")) return nullptr;
    return process->WaitForDialog(kWelcomeMark);
}

HWND PressAndWait(DWORD processId, HWND page, int buttonId, int nextMark, ui::MessageBoxInfo* box) {
    if (!ui::SetupProcess::PressId(page, buttonId)) return nullptr;
    // The page pressed may itself be the one waited for (a page shown again): let it go first.
    for (int i = 0; i < 100 && IsWindow(page) && IsWindowVisible(page) && GetDlgItem(page, nextMark); ++i) {
        if (ui::FindMessageBox(processId)) break;
        Sleep(20);
    }
    return ui::WaitForDialog(processId, nextMark, box);
}

bool AnswerBox(DWORD processId, const std::string& button, ui::MessageBoxInfo* box) {
    HWND window = nullptr;
    for (DWORD start = GetTickCount(); !(window = ui::FindMessageBox(processId)); Sleep(20))
        if (GetTickCount() - start > ui::kDefaultTimeoutMs) return false;
    ui::MessageBoxInfo found;
    ui::ReadMessageBox(window, &found);
    if (box) *box = found;
    return PressAndClose(window, button);
}

std::string WalkByKeyboard(DWORD processId, HWND page) {
    for (HWND child : ui::Children(page))
        if (ui::ClassName(child) == "Button" && IsWindowVisible(child) &&
            (GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) != BS_GROUPBOX &&
            ui::WindowText(child).find('&') == std::string::npos)
            return "no access key: " + ui::WindowText(child);
    for (int press = 0; press < 8; ++press) {
        HWND focus = ui::FocusOf(page);
        if (!focus || !IsChild(page, focus) || !IsWindowEnabled(focus))
            return "the focus is off the enabled controls after Tab " + std::to_string(press);
        PostMessageA(focus, WM_KEYDOWN, VK_TAB, 0);
        Sleep(50);
    }
    PostMessageA(ui::FocusOf(page), WM_KEYDOWN, VK_ESCAPE, 0);
    ui::MessageBoxInfo box;
    return AnswerBox(processId, "No", &box) && box.text == LibraryString(2) ? "" : "Esc: " + box.text;
}

}  // namespace testenv
