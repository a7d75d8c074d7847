#include "startup/Startup.h"

#include <shlobj.h>

#include <cstring>

#include "base/Text.h"
#include "engine/LogReplay.h"
#include "engine/Rollback.h"
#include "engine/RunLock.h"
#include "engine/Section.h"
#include "log/Journal.h"
#include "startup/CommandLine.h"
#include "startup/Unattended.h"
#include "startup/Language.h"
#include "startup/Launch.h"
#include "startup/PackageCheck.h"
#include "startup/ScriptSeal.h"
#include "startup/TraceLog.h"
#include "state/Messages.h"
#include "state/SetupState.h"
#include "uninstall/Uninstaller.h"
#include "win/Files.h"
#include "win/Registry.h"
#include "win/SystemLibrary.h"
#include "win/UniqueHandle.h"
#include "wizard/Background.h"
#include "wizard/Pages.h"

namespace {

const char kScriptName[] = "00000001";
constexpr int kIconResource = 1000;
// The wizard unpacks the Application files into a folder of the run's (the readme opens from there).
const char kPrepareFailed[] =
    "The setup files could not be prepared in %s.\nThe folder may be read-only, or a file of the package is "
    "missing. Installation will terminate.";
const char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// shell32, loaded before the entry point runs and kept until process exit. Older systems lack
// SHGetSpecialFolderPathA, so it is looked up rather than imported.
class ShellFolderProbe {
public:
    ShellFolderProbe() {
        module_.reset(win::LoadSystemLibrary("shell32.dll"));
        if (!module_) return;
        FARPROC address = GetProcAddress(module_.get(), "SHGetSpecialFolderPathA");
        // GetProcAddress hands out a generic pointer; the entry's real type is the shell's.
        entry_ = reinterpret_cast<SpecialFolderPathFn>(reinterpret_cast<void*>(address));
        loaded_ = true;
    }
    ShellFolderProbe(const ShellFolderProbe&) = delete;
    ShellFolderProbe& operator=(const ShellFolderProbe&) = delete;

    bool loaded() const { return loaded_; }
    SpecialFolderPathFn entry() const { return entry_; }

private:
    bool loaded_ = false;
    win::UniqueModule module_;
    SpecialFolderPathFn entry_ = nullptr;
};

ShellFolderProbe g_shellProbe;

// Steps 3 and 5: the full command line and the program folder. False when the program's own
// path cannot be read whole, or its folder is too long for the data files' paths.
bool RecordCommandLineAndFolder(const char* arguments) {
    SetupState& state = Setup();
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        Trace(text::Format("Setup::The program's own path cannot be read (%lu).\n", GetLastError()).c_str());
        return false;
    }
    const std::string modulePath(path, n);
    state.commandLine = text::Fit(modulePath + " " + text::Fit(arguments, kPathLimit + 1), kPathLimit);

    Trace("-------------------------------------------\n");
    Trace("-         core Setup.exe started          -\n");
    Trace("-------------------------------------------\n");

    state.programPath = modulePath;
    state.programFolder = modulePath.substr(0, modulePath.find_last_of('\\') + 1);
    // The folder limits only what is read from it: a data file's path must fit a path field.
    if (DataFilePath(kScriptName).size() >= kPathLimit) {
        Trace(text::Format("Setup::The package folder %s is too long.\n", state.programFolder.c_str()).c_str());
        return false;
    }
    return true;
}

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

// Step 9: the kernel must load. False when it cannot.
bool ProbeKernel() {
    Trace("Testing kernel for MoveFileEx()...\n");
    win::UniqueModule kernel(win::LoadSystemLibrary("kernel32.dll"));
    return static_cast<bool>(kernel);
}

bool QueryShellFoldersValue(int csidl, bool create, std::string* out) {
    HKEY root = nullptr;
    const char* name = nullptr;
    if (csidl == CSIDL_COMMON_STARTUP) {
        root = HKEY_LOCAL_MACHINE;
        name = "Common Startup";
    } else if (csidl == CSIDL_STARTUP) {
        root = HKEY_CURRENT_USER;
        name = "Startup";
    } else {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }

    win::UniqueKey key;
    if (!win::OpenKey(root, kShellFoldersKey, KEY_READ, &key)) return false;
    std::string folder;
    SetLastError(ERROR_SUCCESS);
    if (!win::ReadString(key.get(), name, kPathLimit, &folder) || folder.empty()) {
        // A value of the wrong type leaves no error code of its own.
        if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    if (create && !CreateFolderPath(folder, false)) {
        if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    key.reset();
    *out = folder;
    SetLastError(ERROR_SUCCESS);
    return true;
}

// Step 11: the Startup folders for startup shortcuts. Failing leaves them empty; the run goes
// on without them.
void PrepareStartupFolders() {
    SetupState& state = Setup();
    SpecialFolderPathFn entry = g_shellProbe.entry();
    if (QuerySpecialFolder(entry, CSIDL_COMMON_STARTUP, true, &state.commonStartupFolder) &&
        QuerySpecialFolder(entry, CSIDL_STARTUP, true, &state.startupFolder))
        return;
    Trace("GetSpecialFolderPathA() could not be used.\n");
    MessageBoxFromId(kStrStartupFolders, MB_OK);
}

// Steps 14 to 17: the background window over the work area, which runs the wizard, and the
// message loop until the wizard is over. Returns the quit message's code (0 when the window
// could not be made).
int RunBackgroundWindow(HINSTANCE instance) {
    const SetupState& state = Setup();
    const std::string& className = state.language.caption;
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = BackgroundWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconResource));
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    windowClass.lpszClassName = className.c_str();
    if (!RegisterClassA(&windowClass)) {
        MessageBoxFromId(kStrWindowClassFailed, MB_ICONERROR);
        return 0;
    }

    InitCommonControlsForWizard();
    std::string title;
    LoadFormattedString(state.language, &title, kPathLimit, kStrWindowTitle, state.current->title.c_str());

    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    // A caption, a sizing frame and a maximise box, but no system menu: there is no close box.
    HWND window = CreateWindowExA(0, className.c_str(), title.c_str(), WS_CAPTION | WS_THICKFRAME | WS_MAXIMIZEBOX,
                                  work.left, work.top, work.right - work.left, work.bottom - work.top, nullptr,
                                  nullptr, instance, nullptr);
    // Without the window nothing would ever end the message loop.
    if (!window) return 0;
    ShowWindow(window, SW_SHOWMAXIMIZED);
    UpdateWindow(window);
    InvalidateRect(window, nullptr, TRUE);

    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

bool QuerySpecialFolder(SpecialFolderPathFn entry, int csidl, bool create, std::string* out) {
    if (!entry) return QueryShellFoldersValue(csidl, create, out);
    char path[MAX_PATH] = {};
    if (!entry(nullptr, path, csidl, create ? TRUE : FALSE)) return false;
    // The shell writes at most MAX_PATH characters; a missing terminator means it was cut.
    if (!std::memchr(path, '\0', sizeof(path))) return false;
    *out = path;
    return true;
}

int RunSetup(HINSTANCE instance, const char* arguments, DWORD librarySearchError) {
    // The switches act before anything else, so that the trace file has the whole run. From
    // here on `arguments` is the argument string without them.
    const CommandLine commandLine = ParseCommandLine(arguments ? arguments : "");
    arguments = commandLine.arguments.c_str();
    SetQuietMessages(commandLine.quiet);
    if (!commandLine.logFile.empty()) {
        const int traceStart = StartTraceLog(commandLine.logFile);
        if (traceStart != kExitSuccess) return traceStart;
    }
    if (librarySearchError)
        Trace(text::Format("Setup::Library search not restricted (error %lu).\n", librarySearchError).c_str());
    if (commandLine.malformed) {
        Trace("Setup::A command-line switch is unknown or has a value it cannot take, terminating.\n");
        return kExitBadCommandLine;
    }
    SetupState& state = Setup();

    SetErrorMode(SEM_FAILCRITICALERRORS);

    if (!RecordCommandLineAndFolder(arguments)) return kExitPackageUnreadable;

    Trace("Verifying uninstall request...\n");
    int uninstallExitCode = 0;
    if (ServiceUninstallRequest(arguments, &uninstallExitCode)) {
        Trace("Uninstall serviced, exiting.\n");
        return uninstallExitCode;
    }
    Trace("Continuing installation...\n");

    // The script the signed program vouches for, before anything of it is read.
    std::string damage;
    if (!MainScriptSealed(DataFilePath(kScriptName), &damage)) {
        Trace("Setup::The main script is not the one the program seals, terminating.\n");
        ShowFixedMessage(damage, state.language.caption, MB_ICONERROR);
        return kExitPackageUnreadable;
    }

    state.mainProject.Reset();
    state.current = &state.mainProject;
    int32_t loaded = state.mainProject.Load(DataFilePath(kScriptName), true);
    if (loaded < 0) {
        // A component's script damaged on its way may be what failed to load: the main script
        // alone, with its seals, tells that apart from a script written wrong.
        state.mainProject.Reset();
        state.mainProject.Load(DataFilePath(kScriptName), false);
    }
    // Before anything is put on the machine, the language library in the Windows folder first.
    if (!PackageIntact(state.mainProject, &damage)) {
        Trace("Setup::The package is damaged, terminating.\n");
        ShowFixedMessage(damage, state.language.caption, MB_ICONERROR);
        return kExitPackageUnreadable;
    }
    if (loaded < 0) {
        Trace("Load project failed, terminating...\n");
        MessageBoxFromId(kStrScriptFailed, MB_OK, static_cast<unsigned>(loaded));
        return kExitPackageUnreadable;
    }
    // Before anything is put on the machine: a choice the script cannot take ends the run.
    if (!ApplyCommandLineChoices(commandLine, commandLine.quiet)) return kExitBadCommandLine;

    // From here on the run changes the machine: one run at a time, and whatever a killed run
    // left half done is taken back first.
    if (!TakeInstallationLock()) return kExitAnotherInstallation;
    RecoverInterruptedRuns();

    Trace("Loading language resource...\n");
    if (!InstallLanguageLibrary(state.mainProject)) {
        Trace("Loading language resource failed.\n");
        MessageBoxFromId(kStrLanguageFailed, MB_OK);
        return kExitPackageUnreadable;
    }

    if (!ProbeKernel()) {
        MessageBoxFromId(kStrKernelProbe, MB_ICONWARNING);
        return 1;
    }

    Trace("Testing shell32...\n");
    if (!g_shellProbe.loaded()) {
        Trace("Testing shell32 failed, exiting.\n");
        MessageBoxFromId(kStrShellProbe, MB_ICONWARNING);
        return 1;
    }

    PrepareStartupFolders();

    int exitCode = 0;
    {
        // Held until the wizard is over: the shortcuts of the installation are COM objects.
        win::ComInit com;
        if (com.result() != S_OK) {
            MessageBoxFromId(kStrComFailed, MB_OK);
            return 0;
        }
        // The licence page's rich-edit control lives in this library; a failure is not fatal.
        // Runs without the wizard do not pay for loading it.
        win::UniqueModule richEdit;
        if (!commandLine.quiet) richEdit.reset(win::LoadSystemLibrary("riched32.dll"));
        if (commandLine.quiet) {
            exitCode = RunUnattended();
        } else if (PreparePages()) {
            exitCode = RunBackgroundWindow(instance);
        } else {
            const std::string& folder = state.unpackFolder.empty() ? state.programFolder : state.unpackFolder;
            ShowFixedMessage(text::Format(kPrepareFailed, folder.c_str()), state.language.caption,
                             MB_ICONERROR);
            exitCode = kExitPackageUnreadable;
        }

        // Shut-down, in the order the resources were taken: RICHED32, the images, the
        // project's lists, then COM as `com` goes out of scope, after the launch, which asks
        // the desktop's shell through COM. An unattended installation starts nothing: no
        // window may appear.
        richEdit.reset();
        ReleaseWizardImages();
        state.mainProject.Release();
        if (!commandLine.quiet && state.abort == 0 && !state.launchCommand.empty()) LaunchProgram(state.launchCommand);
    }
    // Folders the destination page made for an installation that never happened stay empty.
    RemoveFoldersLeft(state.pageCreatedFolders);
    if (!state.unpackFolder.empty() && !win::DeleteTree(state.unpackFolder.substr(0, state.unpackFolder.size() - 1)))
        Trace(text::Format("Setup::The unpacked files in %s are left: error %lu\n", state.unpackFolder.c_str(),
                           GetLastError())
                  .c_str());
    // A script that starts the wizard tells a failed installation by its exit code too.
    if (!commandLine.quiet && state.installFailed) exitCode = kExitInstallFailed;
    if (!commandLine.quiet && state.cancelled) exitCode = kExitCancelled;
    return exitCode;
}
