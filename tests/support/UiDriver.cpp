#include "support/UiDriver.h"

namespace ui {

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;  // the static that holds a message box's text
constexpr DWORD kPollMs = 30;

std::string StripAccessKeys(const std::string& value) {
    std::string result;
    for (char c : value)
        if (c != '&') result += c;
    return result;
}

}  // namespace

std::string WindowText(HWND window) {
    // WM_GETTEXT is marshalled across processes, and edit controls answer it with their
    // current content; the timeout keeps a hung window from hanging the test.
    char buffer[4096] = {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof(buffer), reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG,
                             5000, &length))
        return std::string();
    if (length >= sizeof(buffer)) length = sizeof(buffer) - 1;
    return std::string(buffer, static_cast<size_t>(length));
}

std::string ClassName(HWND window) {
    char buffer[256];
    int n = GetClassNameA(window, buffer, sizeof(buffer));
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string ControlText(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    return control ? WindowText(control) : std::string();
}

bool IsControlEnabled(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    return control && IsWindowEnabled(control);
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

bool IsControlVisible(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    return control && (GetWindowLongPtrA(control, GWL_STYLE) & WS_VISIBLE);
}

std::vector<HWND> Children(HWND window) {
    std::vector<HWND> result;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        result.push_back(child);
    return result;
}

namespace {

struct WindowsSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<WindowsSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == s->pid && IsWindowVisible(window)) s->found.push_back(window);
    return TRUE;
}

// Visible top-level windows of a process, in z-order.
std::vector<HWND> ProcessWindows(DWORD processId) {
    WindowsSearch search{processId, {}};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct MessageBoxSearch {
    DWORD pid;
    DWORD tid;
    HWND found;
};

BOOL CALLBACK StopAtMessageBox(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<MessageBoxSearch*>(param);
    DWORD pid = 0;
    DWORD tid = GetWindowThreadProcessId(window, &pid);
    if (pid != s->pid || (s->tid != 0 && tid != s->tid) || !IsWindowVisible(window)) return TRUE;
    if (ClassName(window) != "#32770" || !GetDlgItem(window, kMessageBoxTextId)) return TRUE;
    s->found = window;
    return FALSE;
}

}  // namespace

HWND WaitForDialog(DWORD processId, int controlId, MessageBoxInfo* box, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND found = FindMessageBox(processId)) {
            if (box) ReadMessageBox(found, box);
            return nullptr;
        }
        for (HWND window : ProcessWindows(processId))
            if (ClassName(window) == "#32770" && GetDlgItem(window, controlId)) return window;
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(kPollMs);
    }
}

RECT ControlRect(HWND dialog, int controlId) {
    RECT r = {};
    GetWindowRect(GetDlgItem(dialog, controlId), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

namespace {

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result)) return LB_ERR;
    return static_cast<LRESULT>(result);
}

}  // namespace

std::vector<std::string> ListItems(HWND dialog, int controlId) {
    std::vector<std::string> items;
    HWND list = GetDlgItem(dialog, controlId);
    const LRESULT count = list ? SendWithTimeout(list, LB_GETCOUNT, 0, 0) : 0;
    for (LRESULT i = 0; i < count; ++i) {
        // Wine hands the ANSI LB_GETTEXT of another process the list's wide text unconverted,
        // so the text is read wide and converted here.
        DWORD_PTR length = 0;
        if (!SendMessageTimeoutW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0, SMTO_ABORTIFHUNG, 5000, &length) ||
            static_cast<LRESULT>(length) < 0)
            break;
        std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
        DWORD_PTR got = 0;
        if (!SendMessageTimeoutW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&wide[0]),
                                 SMTO_ABORTIFHUNG, 5000, &got) ||
            static_cast<LRESULT>(got) < 0)
            got = 0;
        wide.resize(static_cast<size_t>(got));
        std::string text(wide.size() * 2 + 1, '\0');
        const int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), &text[0],
                                          static_cast<int>(text.size()), nullptr, nullptr);
        text.resize(n > 0 ? static_cast<size_t>(n) : 0);
        items.push_back(text);
    }
    return items;
}

std::vector<bool> ListSelection(HWND dialog, int controlId) {
    std::vector<bool> selection;
    HWND list = GetDlgItem(dialog, controlId);
    const LRESULT count = list ? SendWithTimeout(list, LB_GETCOUNT, 0, 0) : 0;
    for (LRESULT i = 0; i < count; ++i) selection.push_back(SendWithTimeout(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0);
    return selection;
}

bool ClickListItem(HWND dialog, int controlId, int index) {
    HWND list = GetDlgItem(dialog, controlId);
    if (!list) return false;
    const LRESULT top = SendWithTimeout(list, LB_GETTOPINDEX, 0, 0);
    const LRESULT height = SendWithTimeout(list, LB_GETITEMHEIGHT, 0, 0);
    if (top < 0 || height <= 0 || index < top) return false;
    const LPARAM point = MAKELPARAM(4, (index - top) * height + height / 2);
    return PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point) && PostMessageA(list, WM_LBUTTONUP, 0, point);
}

void SetControlText(HWND dialog, int controlId, const std::string& value) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, controlId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
}

bool WaitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 200; ++i) {
        if (condition()) return true;
        Sleep(20);
    }
    return false;
}

SetupProcess::~SetupProcess() {
    if (Running()) {
        TerminateProcess(process_.get(), static_cast<UINT>(kTimedOut));
        WaitForSingleObject(process_.get(), 5000);
    }
}

bool SetupProcess::Start(const std::string& program, const std::string& arguments, const std::string& workingFolder) {
    std::string commandLine = "\"" + program + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info))
        return false;
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    processId_ = info.dwProcessId;
    return true;
}

void SetupProcess::Kill() {
    if (!process_) return;
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
}

bool SetupProcess::Running() const {
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::vector<HWND> SetupProcess::TopLevelWindows() const { return ProcessWindows(processId_); }

HWND SetupProcess::WaitForWindow(const std::string& className, const std::string& captionPart, DWORD timeoutMs) const {
    DWORD start = GetTickCount();
    for (;;) {
        for (HWND window : TopLevelWindows()) {
            if (!className.empty() && ClassName(window) != className) continue;
            if (!captionPart.empty() && WindowText(window).find(captionPart) == std::string::npos) continue;
            return window;
        }
        if (GetTickCount() - start > timeoutMs) return nullptr;
        if (process_ && WaitForSingleObject(process_.get(), kPollMs) == WAIT_OBJECT_0) return nullptr;
    }
}

HWND FindMessageBox(DWORD processId, DWORD threadId) {
    MessageBoxSearch search{processId, threadId, nullptr};
    EnumWindows(StopAtMessageBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void ReadMessageBox(HWND box, MessageBoxInfo* info) {
    info->window = box;
    info->caption = WindowText(box);
    info->text = ControlText(box, kMessageBoxTextId);
    info->buttons.clear();
    for (HWND child : Children(box))
        if (ClassName(child) == "Button") info->buttons.push_back(StripAccessKeys(WindowText(child)));
}

bool SetupProcess::WaitForMessageBox(MessageBoxInfo* info, DWORD timeoutMs) const {
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND box = FindMessageBox(processId_)) {
            ReadMessageBox(box, info);
            return true;
        }
        if (GetTickCount() - start > timeoutMs) return false;
        if (process_ && WaitForSingleObject(process_.get(), kPollMs) == WAIT_OBJECT_0) return false;
    }
}

bool SetupProcess::PressId(HWND dialog, int controlId) {
    HWND button = GetDlgItem(dialog, controlId);
    if (!button) return false;
    // Posted, not sent: a page's handler may open a modal box or run the whole installation.
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED), reinterpret_cast<LPARAM>(button)) != 0;
}

bool SetupProcess::PressText(HWND dialog, const std::string& buttonText) {
    for (HWND child : Children(dialog)) {
        if (ClassName(child) != "Button" || StripAccessKeys(WindowText(child)) != buttonText) continue;
        return PressId(dialog, GetDlgCtrlID(child));
    }
    return false;
}

int SetupProcess::WaitForExit(DWORD timeoutMs) {
    if (!process_) return kTimedOut;
    if (WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process_.get(), static_cast<UINT>(kTimedOut));
        WaitForSingleObject(process_.get(), 5000);
        return kTimedOut;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return static_cast<int>(code);
}

SingleMessageRun RunExpectingOneMessage(const std::string& program, const std::string& arguments,
                                        const std::string& folder) {
    SingleMessageRun run;
    SetupProcess process;
    if (!process.Start(program, arguments, folder)) return run;
    run.sawBox = process.WaitForMessageBox(&run.box);
    if (run.sawBox) {
        HWND first = nullptr;
        for (HWND child : Children(run.box.window))
            if (ClassName(child) == "Button") {
                first = child;
                break;
            }
        if (first) SetupProcess::PressId(run.box.window, GetDlgCtrlID(first));
    }
    run.exitCode = process.WaitForExit();
    return run;
}

QuietRun RunQuietly(const std::string& program, const std::string& arguments, const std::string& folder) {
    QuietRun run;
    SetupProcess process;
    if (!process.Start(program, arguments, folder)) return run;
    const DWORD start = GetTickCount();
    while (process.Running() && GetTickCount() - start < 60000) {
        if (!process.TopLevelWindows().empty()) run.windowShown = true;
        Sleep(10);
    }
    run.exitCode = process.WaitForExit();
    return run;
}

QuietRun RunQuietUninstall(const std::string& command) {
    const size_t switchAt = command.find(" /S -u");
    if (switchAt == std::string::npos) return QuietRun();
    return RunQuietly(command.substr(0, switchAt), command.substr(switchAt + 1), "");
}

}  // namespace ui
