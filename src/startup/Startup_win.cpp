#include "startup/Startup.h"

#include <shlobj.h>

#include <cstring>

#include "base/Text.h"
#include "uninstall/LogReplay.h"
#include "transaction/Rollback.h"
#include "engine/RunLock.h"
#include "engine/Section.h"
#include "transaction/Journal.h"
#include "base/RunResult.h"
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
    if (!win::OpenKey(root, win::kShellFoldersKey, KEY_READ, &key)) return false;
    std::string folder;
    SetLastError(ERROR_SUCCESS);
    if (!win::ReadString(key.get(), name, kPathLimit, &folder) || folder.empty()) {
        // A value of the wrong type leaves no error code of its own.
        if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    if (create && !CreateFolderPath(folder)) {
        if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    key.reset();
    *out = folder;
    SetLastError(ERROR_SUCCESS);
    return true;
}

// Step 11: the Startup folders for startup shortcuts. Best-effort: failing leaves them empty,
// and the run goes on without startup shortcuts.
void PrepareStartupFolders() {
    SetupState& state = Setup();
    SpecialFolderPathFn entry = g_shellProbe.entry();
    if (QuerySpecialFolder(entry, CSIDL_COMMON_STARTUP, true, &state.commonStartupFolder) &&
        QuerySpecialFolder(entry, CSIDL_STARTUP, true, &state.startupFolder))
        return;
    Trace("GetSpecialFolderPathA() could not be used.\n");
    Fail("Setup", "finding", "the Startup folders", GetLastError(), Failing::kBestEffort);
    MessageBoxFromId(kStrStartupFolders, MB_OK);
}

// Steps 14 to 17: the background window over the work area, which runs the wizard, and the
// message loop until the wizard is over. Returns the quit message's code.
ExitCode RunBackgroundWindow(HINSTANCE instance) {
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
        Fail("Setup", "registering the window class", className, GetLastError());
        MessageBoxFromId(kStrWindowClassFailed, MB_ICONERROR);
        return kExitPackageUnreadable;
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

bool QuerySpecialFolder(SpecialFolderPathFn entry, int csidl, bool create, std::string* out) {
    if (!entry) return QueryShellFoldersValue(csidl, create, out);
    char path[MAX_PATH] = {};
    if (!entry(nullptr, path, csidl, create ? TRUE : FALSE)) return false;
    // The shell writes at most MAX_PATH characters; a missing terminator means it was cut.
    if (!std::memchr(path, '\0', sizeof(path))) return false;
    *out = path;
    return true;
}

namespace {

const char kHelp[] =
    "setup.exe [/S] [/LOG=<file>] [/RESULT=<file>] [/WAIT[=<seconds>]] [/COMPONENTS=<n,n,...>] "
    "[/DEVICE=<drive root>] [/D=<folder>]\n\n"
    "/S: no windows. /LOG: the trace, appended. /RESULT: the outcome as JSON. /WAIT: waits for "
    "another installation. /COMPONENTS: the components, from 1. /DEVICE: the handheld's storage. "
    "/D: the install folder, last. /? or /HELP: this text.\n\n"
    "Exit codes: 0 done, 3010 restart needed, 1 package unreadable or damaged, 1602 cancelled, "
    "1603 failed and taken back, 1618 another installation, 1622 file unwritable, 1639 bad command line.";

// What the steps of one run share.
struct Run {
    HINSTANCE instance;
    std::string arguments;  // as Windows passed them
    CommandLine commandLine;
    DWORD librarySearchError;
};

// The switches act before anything else, so that the trace file has the whole run.
ExitCode OpenRunFiles(Run& run) {
    const CommandLine& line = run.commandLine;
    SetQuietMessages(line.quiet);
    // An uninstall takes the lock too, before the installation's steps.
    SetInstallationLockWait(!line.wait ? 0 : line.waitSeconds ? line.waitSeconds * 1000u : INFINITE);
    // A result file that cannot be had leaves nothing to report to but the exit code.
    ExitCode opened = line.resultFile.empty() ? kExitSuccess : StartResultFile(line.resultFile, line.logFile);
    if (opened != kExitSuccess) return opened;
    if (!line.logFile.empty() && (opened = StartTraceLog(line.logFile)) != kExitSuccess) {
        Fail("Setup", "opening", line.logFile, GetLastError());
        return opened;
    }
    if (run.librarySearchError)
        Fail("Setup", "restricting the library search", "", run.librarySearchError, Failing::kBestEffort);
    return kGoOn;
}

ExitCode CheckCommandLine(Run& run) {
    if (!run.commandLine.malformed) return kGoOn;
    Fail("Setup", "reading the switches of", run.arguments, 0);
    Trace("Setup::A command-line switch is unknown or has a value it cannot take, terminating.\n");
    return kExitBadCommandLine;
}

ExitCode ShowHelp(Run& run) {
    if (!run.commandLine.help) return kGoOn;
    ShowFixedMessage(kHelp, "Setup", MB_OK);
    return kExitSuccess;
}

ExitCode RecordProgram(Run& run) {
    SetErrorMode(SEM_FAILCRITICALERRORS);
    if (RecordCommandLineAndFolder(run.commandLine.arguments.c_str())) return kGoOn;
    Fail("Setup", "reading the program's own path", "", GetLastError());
    return kExitPackageUnreadable;
}

ExitCode ServeUninstall(Run& run) {
    Trace("Verifying uninstall request...\n");
    int uninstallExitCode = 0;
    if (!ServiceUninstallRequest(run.commandLine.arguments, &uninstallExitCode)) {
        Trace("Continuing installation...\n");
        return kGoOn;
    }
    Trace("Uninstall serviced, exiting.\n");
    return static_cast<ExitCode>(uninstallExitCode);
}

ExitCode Damaged(const std::string& message) {
    Trace("Setup::The package is damaged, terminating.\n");
    Outcome().reason = "damaged-package";
    ShowFixedMessage(message, Setup().language.caption, MB_ICONERROR);
    return kExitPackageUnreadable;
}

// The script the signed program vouches for, before anything of it is read, then the script
// and the package its seals describe.
ExitCode LoadPackage(Run&) {
    SetupState& state = Setup();
    std::string damage;
    if (!MainScriptSealed(DataFilePath(kScriptName), &damage)) return Damaged(damage);
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
    if (!PackageIntact(state.mainProject, &damage)) return Damaged(damage);
    if (loaded >= 0) return kGoOn;
    Fail("Setup", text::Format("loading (error code 0x%08X) the script", static_cast<unsigned>(loaded)).c_str(),
         DataFilePath(kScriptName), 0);
    Trace("Load project failed, terminating...\n");
    MessageBoxFromId(kStrScriptFailed, MB_OK, static_cast<unsigned>(loaded));
    return kExitPackageUnreadable;
}

// Before anything is put on the machine: a choice the script cannot take ends the run.
ExitCode ApplyChoices(Run& run) {
    return ApplyCommandLineChoices(run.commandLine, run.commandLine.quiet) ? kGoOn : kExitBadCommandLine;
}

// From here on the run changes the machine: one run at a time, and whatever a killed run left
// half done is taken back first.
ExitCode TakeLock(Run&) {
    if (!TakeInstallationLock()) return kExitAnotherInstallation;
    RecoverInterruptedRuns();
    return kGoOn;
}

ExitCode LoadLanguage(Run&) {
    Trace("Loading language resource...\n");
    if (InstallLanguageLibrary(Setup().mainProject)) return kGoOn;
    Trace("Loading language resource failed.\n");
    MessageBoxFromId(kStrLanguageFailed, MB_OK);
    return kExitPackageUnreadable;
}

ExitCode ProbeSystem(Run&) {
    if (!ProbeKernel()) {
        Fail("Setup", "loading", "kernel32.dll", GetLastError());
        MessageBoxFromId(kStrKernelProbe, MB_ICONWARNING);
        return kExitPackageUnreadable;
    }
    Trace("Testing shell32...\n");
    if (!g_shellProbe.loaded()) {
        Fail("Setup", "loading", "shell32.dll", 0);
        Trace("Testing shell32 failed, exiting.\n");
        MessageBoxFromId(kStrShellProbe, MB_ICONWARNING);
        return kExitPackageUnreadable;
    }
    PrepareStartupFolders();
    return kGoOn;
}

// The wizard, or the installation without it (/S).
ExitCode Install(Run& run) {
    SetupState& state = Setup();
    const bool quiet = run.commandLine.quiet;
    // Held until the wizard is over: the shortcuts of the installation are COM objects.
    win::ComInit com;
    if (com.result() != S_OK) {
        Fail("Setup", "starting", "COM", static_cast<unsigned long>(com.result()));
        MessageBoxFromId(kStrComFailed, MB_OK);
        return kExitPackageUnreadable;
    }
    // The licence page's rich-edit control lives in this library; a failure is not fatal.
    // Runs without the wizard do not pay for loading it.
    win::UniqueModule richEdit;
    if (!quiet) richEdit.reset(win::LoadSystemLibrary("riched32.dll"));
    ExitCode exitCode = kExitSuccess;
    if (quiet) {
        exitCode = RunUnattended();
    } else if (PreparePages()) {
        exitCode = RunBackgroundWindow(run.instance);
    } else {
        const std::string& folder = state.unpackFolder.empty() ? state.programFolder : state.unpackFolder;
        ShowFixedMessage(text::Format(kPrepareFailed, folder.c_str()), state.language.caption, MB_ICONERROR);
        exitCode = kExitPackageUnreadable;
    }

    // Shut-down, in the order the resources were taken: RICHED32, the images, the project's
    // lists, then COM as `com` goes out of scope, after the launch, which asks the desktop's
    // shell through COM. An unattended installation starts nothing: no window may appear.
    richEdit.reset();
    ReleaseWizardImages();
    state.mainProject.Release();
    if (!quiet && state.abort == 0 && !state.launchCommand.empty()) LaunchProgram(state.launchCommand);
    // A script that starts the wizard tells a failed installation by its exit code too.
    if (!quiet && state.installFailed) exitCode = kExitInstallFailed;
    if (!quiet && state.cancelled) exitCode = kExitCancelled;
    return exitCode;
}

using Step = ExitCode (*)(Run& run);
// The run, step by step: each either lets the next one run (kGoOn) or ends the run.
const Step kSteps[] = {OpenRunFiles, CheckCommandLine, ShowHelp,     RecordProgram, ServeUninstall, LoadPackage,
                       ApplyChoices, TakeLock,         LoadLanguage, ProbeSystem,   Install};

}  // namespace

int RunSetup(HINSTANCE instance, const char* arguments, DWORD librarySearchError) {
    Run run{instance, arguments ? arguments : "", ParseCommandLine(arguments ? arguments : ""), librarySearchError};
    ExitCode exitCode = kGoOn;
    for (const Step step : kSteps)
        if ((exitCode = step(run)) != kGoOn) break;

    SetupState& state = Setup();
    // Folders the destination page made for an installation that never happened stay empty.
    RemoveFoldersLeft(state.pageCreatedFolders);
    if (!state.unpackFolder.empty() && !win::DeleteTree(state.unpackFolder.substr(0, state.unpackFolder.size() - 1)))
        Fail("Setup", "removing the unpacked files in", state.unpackFolder, GetLastError(), Failing::kBestEffort);
    Trace(text::Format("Setup::Exit code %d (%s).\n", static_cast<int>(exitCode), ReasonWord(exitCode)).c_str());
    FinishResultFile(exitCode);
    return exitCode;
}
