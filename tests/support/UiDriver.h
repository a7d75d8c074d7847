// Drives setup.exe as a person would: starts it, finds the windows of its process, reads
// their texts, presses their buttons and waits for it to end. Every wait has a timeout, and
// a process still running when its SetupProcess goes away is killed, so a hung window fails
// its test instead of hanging the run.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "win/UniqueHandle.h"

namespace ui {

constexpr DWORD kDefaultTimeoutMs = 15000;

struct MessageBoxInfo {
    HWND window = nullptr;
    std::string caption;
    std::string text;
    std::vector<std::string> buttons;  // texts of the push buttons, in child order
};

// Window texts, read through the window manager (works across processes).
std::string WindowText(HWND window);
std::string ClassName(HWND window);
std::string ControlText(HWND dialog, int controlId);
bool IsControlEnabled(HWND dialog, int controlId);
bool IsControlVisible(HWND dialog, int controlId);
// The window with the keyboard focus in the thread of `window`; null when none has it.
HWND FocusOf(HWND window);
std::vector<HWND> Children(HWND window);

// A visible message box of the process (and of one of its threads, when `threadId` is not 0);
// null when there is none.
HWND FindMessageBox(DWORD processId, DWORD threadId = 0);

// Reads a message box's caption, text and push buttons (access-key "&" removed).
void ReadMessageBox(HWND box, MessageBoxInfo* info);

// Waits for a dialog of process `processId` that is not a message box and holds a control
// `controlId` (a wizard page is known by a control only it has). Null on timeout or when a
// message box of the process shows up first; `box` (optional) then receives it.
HWND WaitForDialog(DWORD processId, int controlId, MessageBoxInfo* box = nullptr,
                   DWORD timeoutMs = kDefaultTimeoutMs);

// Window rectangle of a dialog's control in the dialog's client coordinates.
RECT ControlRect(HWND dialog, int controlId);

// A list box of a dialog: the texts and the selection states of its items, in list order.
std::vector<std::string> ListItems(HWND dialog, int controlId);
std::vector<bool> ListSelection(HWND dialog, int controlId);
// Clicks item `index` of a list box as the mouse does (posted, so the page may react at
// leisure); in a multiple-selection list the click toggles the item and moves the focus to it.
bool ClickListItem(HWND dialog, int controlId, int index);

// Sets the text of a control of another process's dialog (an edit box the user types into).
void SetControlText(HWND dialog, int controlId, const std::string& value);

// A pressed button's command is posted: polls until the page has handled it (4 s at most).
bool WaitUntil(const std::function<bool()>& condition);

class SetupProcess {
public:
    SetupProcess() = default;
    ~SetupProcess();
    SetupProcess(const SetupProcess&) = delete;
    SetupProcess& operator=(const SetupProcess&) = delete;

    // Starts `program` with the argument string in `workingFolder` (empty: the program's own).
    bool Start(const std::string& program, const std::string& arguments, const std::string& workingFolder = "");

    // Visible top-level windows of the process, in z-order.
    std::vector<HWND> TopLevelWindows() const;

    // Waits for a visible top-level window of the process whose class is `className` (empty:
    // any) and whose caption contains `captionPart` (empty: any). Null on timeout.
    HWND WaitForWindow(const std::string& className, const std::string& captionPart = "",
                       DWORD timeoutMs = kDefaultTimeoutMs) const;

    HWND WaitForDialog(int controlId, MessageBoxInfo* box = nullptr, DWORD timeoutMs = kDefaultTimeoutMs) const {
        return ui::WaitForDialog(processId_, controlId, box, timeoutMs);
    }

    // Waits for a message box of the process and reads it. False on timeout.
    bool WaitForMessageBox(MessageBoxInfo* info, DWORD timeoutMs = kDefaultTimeoutMs) const;

    // Presses a button of a dialog or message box, by control ID or by its text
    // (the "&" of an access key is ignored).
    static bool PressId(HWND dialog, int controlId);
    static bool PressText(HWND dialog, const std::string& buttonText);

    // Waits for the process to end and returns its exit code; on timeout kills the process
    // and returns kTimedOut.
    static constexpr int kTimedOut = -9999;
    int WaitForExit(DWORD timeoutMs = kDefaultTimeoutMs);

    bool Running() const;
    // Ends the process at once, as a user ending it in the task manager would.
    void Kill();
    DWORD ProcessId() const { return processId_; }

private:
    win::UniqueKernelHandle process_;
    DWORD processId_ = 0;
};

// Runs setup.exe from `folder` with `arguments`, expects exactly one message box, reads it,
// presses its first button and returns the exit code. For start-up failure paths.
struct SingleMessageRun {
    bool sawBox = false;
    MessageBoxInfo box;
    int exitCode = SetupProcess::kTimedOut;
};
SingleMessageRun RunExpectingOneMessage(const std::string& program, const std::string& arguments,
                                        const std::string& folder);

// A run without the user: its exit code, and whether any window of the process showed.
struct QuietRun {
    int exitCode = SetupProcess::kTimedOut;
    bool windowShown = false;
};

// Runs `program` with `arguments` to its end, watching for any window of the process.
QuietRun RunQuietly(const std::string& program, const std::string& arguments, const std::string& folder);

// The registered quiet uninstall: "<uninstaller> /S -u<log> -l<library>", paths unquoted.
QuietRun RunQuietUninstall(const std::string& command);

}  // namespace ui
