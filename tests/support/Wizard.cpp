#include "support/Wizard.h"

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

}  // namespace

HWND StartWizard(ui::SetupProcess* process, const Package& package) {
    if (!process->Start(package.SetupPath(), "", package.Folder())) return nullptr;
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

}  // namespace testenv
