#include "startup/Launch.h"

#include <windows.h>
#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>

#include "base/Text.h"
#include "base/Trace.h"
#include "state/Messages.h"
#include "win/UniqueHandle.h"

namespace {

const CLSID kShellWindowsClass = {0x9BA05972, 0xF6A8, 0x11CF, {0xA4, 0x42, 0x00, 0xA0, 0xC9, 0x0A, 0x8F, 0x39}};
const IID kShellWindowsInterface = {0x85CB6900, 0x4D95, 0x11CF, {0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
const IID kServiceProviderInterface = {0x6D5140C1, 0x7436, 0x11CE, {0x80, 0x34, 0x00, 0xAA, 0x00, 0x60, 0x09, 0xFA}};
const GUID kTopLevelBrowserService = {0x4C96BE40, 0x915C, 0x11CF, {0x99, 0xD3, 0x00, 0xAA, 0x00, 0x4A, 0xE8, 0x37}};
const IID kShellBrowserInterface = {0x000214E2, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kDispatchInterface = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kFolderViewInterface = {0xE7A1AF80, 0x4D96, 0x11CF, {0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
const IID kShellDispatch2Interface = {0xA4C6892C, 0x3BA9, 0x11D2, {0x9D, 0xEA, 0x00, 0xC0, 0x4F, 0xB1, 0x61, 0x62}};

// A BSTR of `text` (at most MAX_PATH characters, as the launch command) in the ANSI code page;
// null when it cannot be made.
BSTR ToBstr(const std::string& text) {
    wchar_t wide[MAX_PATH];
    return MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, MAX_PATH) ? SysAllocString(wide) : nullptr;
}

// Hands the file to the desktop's shell, which runs as the signed-in user without the
// installation's elevation, through the desktop folder's view: its Application object
// starts files in the shell's own process. The shell reports its own failures. COM is
// initialised by the caller.
HRESULT StartFromDesktop(const LaunchCommand& launch) {
    win::ComPtr<IShellWindows> windows;
    HRESULT result = CoCreateInstance(kShellWindowsClass, nullptr, CLSCTX_LOCAL_SERVER, kShellWindowsInterface,
                                      windows.put_void());
    VARIANT desktopFolder = {};
    desktopFolder.vt = VT_I4;  // CSIDL_DESKTOP, 0
    VARIANT none = {};
    long window = 0;
    // The desktop, the view's background and the shell's Application object are met in turn
    // as IDispatch: one pointer holds each until the next.
    win::ComPtr<IDispatch> dispatch;
    // S_FALSE: no desktop window is there.
    if (SUCCEEDED(result))
        result = windows->FindWindowSW(&desktopFolder, &none, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, dispatch.put());
    if (result == S_FALSE) result = E_NOINTERFACE;
    win::ComPtr<IServiceProvider> services;
    if (SUCCEEDED(result)) result = dispatch->QueryInterface(kServiceProviderInterface, services.put_void());
    win::ComPtr<IShellBrowser> browser;
    if (SUCCEEDED(result))
        result = services->QueryService(kTopLevelBrowserService, kShellBrowserInterface, browser.put_void());
    win::ComPtr<IShellView> view;
    if (SUCCEEDED(result)) result = browser->QueryActiveShellView(view.put());
    if (SUCCEEDED(result)) result = view->GetItemObject(SVGIO_BACKGROUND, kDispatchInterface, dispatch.put_void());
    win::ComPtr<IShellFolderViewDual> folderView;
    if (SUCCEEDED(result)) result = dispatch->QueryInterface(kFolderViewInterface, folderView.put_void());
    if (SUCCEEDED(result)) result = folderView->get_Application(dispatch.put());
    win::ComPtr<IShellDispatch2> shell;
    if (SUCCEEDED(result)) result = dispatch->QueryInterface(kShellDispatch2Interface, shell.put_void());
    if (FAILED(result)) return result;

    win::UniqueBstr file(ToBstr(launch.file));
    VARIANT parameters = {};
    parameters.vt = VT_BSTR;
    parameters.bstrVal = ToBstr(launch.parameters);
    const win::UniqueBstr ownParameters(parameters.bstrVal);
    VARIANT show = {};
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    if (!file || !parameters.bstrVal) return E_OUTOFMEMORY;
    return shell->ShellExecute(file.get(), parameters, none, none, show);
}

}  // namespace

bool LaunchProgram(const std::string& command) {
    const LaunchCommand launch = SplitLaunchCommand(command);
    // A file the installation put there goes to the desktop's shell; anything else, and a
    // system without that shell, is started from here as before, which reports a failure.
    if (GetFileAttributesA(launch.file.c_str()) != INVALID_FILE_ATTRIBUTES) {
        const HRESULT result = StartFromDesktop(launch);
        if (SUCCEEDED(result)) return true;
        Trace(text::Format("Launch::The desktop cannot start %s (0x%08lX).\n",
                           launch.file.c_str(), static_cast<unsigned long>(result)).c_str());
    }
    const char* parameters = launch.parameters.empty() ? nullptr : launch.parameters.c_str();
    const INT_PTR result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", launch.file.c_str(), parameters, nullptr, SW_SHOWNORMAL));
    if (result > 32) return true;
    ShowFixedMessage(text::Format("Cannot start %s\nError code is %i", launch.file.c_str(), static_cast<int>(result)),
                     SetupCaption(), MB_ICONERROR);
    return false;
}
