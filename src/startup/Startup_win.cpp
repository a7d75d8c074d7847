#include "startup/Startup.h"

#include <shlobj.h>

#include <cstring>

#include "base/RunResult.h"
#include "base/Text.h"
#include "base/Version.h"
#include "engine/RunLock.h"
#include "engine/Section.h"
#include "engine/TargetFolder.h"
#include "engine/UninstallEntry.h"
#include "startup/CommandLine.h"
#include "startup/Language.h"
#include "startup/Launch.h"
#include "startup/PackageCheck.h"
#include "startup/PlanFile.h"
#include "startup/ScriptSeal.h"
#include "startup/TraceLog.h"
#include "startup/Unattended.h"
#include "state/Messages.h"
#include "state/SetupState.h"
#include "transaction/Rollback.h"
#include "uninstall/LogReplay.h"
#include "uninstall/Uninstaller.h"
#include "win/Account.h"
#include "win/Files.h"
#include "win/Registry.h"
#include "win/SystemLibrary.h"
#include "win/UniqueHandle.h"
#include "wizard/Background.h"
#include "wizard/ProgressPage.h"

namespace {

const char kScriptName[] = "00000001";

// Steps 3 and 5: the full command line and the program folder. False when the program's own
// path cannot be read whole, or its folder is too long for the data files' paths.
bool RecordCommandLineAndFolder(SetupState& state, const char* arguments) {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        const DWORD error = n == 0 ? GetLastError() : ERROR_INSUFFICIENT_BUFFER;
        return Fail("Setup", "reading the program's own path", "", error);
    }
    const std::string modulePath(path, n);
    state.commandLine = text::Fit(modulePath + " " + text::Fit(arguments, kPathLimit + 1), kPathLimit);

    Trace("-------------------------------------------\n");
    Trace("-         core Setup.exe started          -\n");
    Trace("-------------------------------------------\n");

    state.programPath = modulePath;
    state.programFolder = text::ParentFolder(modulePath) + "\\";
    // The folder limits only what is read from it: a data file's path must fit a path field.
    if (state.DataFilePath(kScriptName).size() >= kPathLimit) {
        return Fail("Setup", "finding the data files in", state.programFolder, ERROR_FILENAME_EXCED_RANGE);
    }
    return true;
}

// Step 9: the kernel must load. False when it cannot.
bool ProbeKernel() {
    Trace("Testing kernel for MoveFileEx()...\n");
    win::UniqueModule kernel(win::LoadSystemLibrary("kernel32.dll"));
    return static_cast<bool>(kernel);
}

bool QueryShellFoldersValue(int csidl, bool create, std::string* out) {
    HKEY root = HKEY_LOCAL_MACHINE;
    const char* name = nullptr;
    if (csidl == CSIDL_COMMON_STARTUP) {
        name = "Common Startup";
    } else if (csidl == CSIDL_COMMON_PROGRAMS) {
        name = "Common Programs";
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

}  // namespace

bool PrepareShortcutFolders(SetupState& state, SpecialFolderPathFn entry, bool (*runsAsSystem)(bool* system),
                            bool create) {
    bool system = false;
    if (!runsAsSystem(&system))
        Fail("Setup", "reading", "the process token", GetLastError(), Failing::kBestEffort);
    // SYSTEM's own profile is no person's: its shortcuts go to all users' Programs menu and
    // Startup folder, and with those not found there is nowhere right to put them.
    if (system) Trace("Setup::Run as SYSTEM.\n");
    std::string& own = system ? state.programsFolder : state.startupFolder;
    if (QuerySpecialFolder(entry, CSIDL_COMMON_STARTUP, create, &state.commonStartupFolder) &&
        QuerySpecialFolder(entry, system ? CSIDL_COMMON_PROGRAMS : CSIDL_STARTUP, create && !system, &own)) {
        if (system) state.startupFolder = state.commonStartupFolder;
        return true;
    }
    const DWORD error = GetLastError();
    Trace("GetSpecialFolderPathA() could not be used.\n");
    Fail("Setup", "finding", "the Startup folders", error, system ? Failing::kRun : Failing::kBestEffort);
    if (system) return false;
    // A person's run goes on without startup shortcuts.
    MessageBoxFromId(kStrStartupFolders, MB_OK);
    return true;
}

bool QuerySpecialFolder(SpecialFolderPathFn entry, int csidl, bool create, std::string* out) {
    if (!entry) return QueryShellFoldersValue(csidl, create, out);
    char path[MAX_PATH] = {};
    // The shell does not always say why it found no folder.
    SetLastError(ERROR_SUCCESS);
    if (!entry(nullptr, path, csidl, create ? TRUE : FALSE)) {
        if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    // The shell writes at most MAX_PATH characters; a missing terminator means it was cut.
    if (!std::memchr(path, '\0', sizeof(path))) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    *out = path;
    return true;
}

namespace {

const char kHelp[] =
    "setup.exe [/S] [/LOG=<file>] [/RESULT=<file>] [/WAIT[=<seconds>]] [/COMPONENTS=<n,n,...>] "
    "[/DEVICE=<drive root>] [/ALLOWDOWNGRADE] [/CLOSEAPPLICATIONS] [/SAVEINF=<file>] [/LOADINF=<file>] "
    "[/PLAN=<file>] [/D=<folder>]\n\n"
    "/S: no windows. /LOG: the trace, appended. /RESULT: the outcome as JSON. /WAIT: waits for "
    "another installation. /COMPONENTS: the components, from 1. /DEVICE: the handheld's storage. "
    "/ALLOWDOWNGRADE: installs over a newer version. /CLOSEAPPLICATIONS: closes the programs holding "
    "files to replace, and starts them again. /SAVEINF, /LOADINF: the choices to and from "
    "an answer file. /PLAN: what /S would do, as JSON; nothing installed. /D: the install folder, last. /? or /HELP: this text.\n\n"
    "Exit codes: 0 done, 3010 restart needed, 1 package unreadable or damaged, 32 files in use, "
    "1602 cancelled, 1603 failed and taken back, 1618 another installation, 1622 file unwritable, "
    "1638 a newer version installed, 1639 bad command line.\n\n/COMPONENTS also by name.";

// The components of the package beside the program, as /COMPONENTS takes them; empty when its
// script cannot be read or has none. Only their names are read: nothing is installed.
std::string PackageComponents() {
    const std::string program = win::ModulePath(nullptr);
    Project project;
    std::string list = "\n\nComponents, from 1:";
    if (project.Load(text::JoinPath(text::ParentFolder(program), kScriptName), false) != 0 ||
        project.multicomp == 0)
        return std::string();
    for (size_t i = 0; i < project.components.size(); ++i) list += " " + ComponentItem(project.components, i);
    return list;
}

// What the steps of one run share.
struct Run {
    HINSTANCE instance;
    std::string arguments;  // as Windows passed them
    CommandLine commandLine;
    DWORD librarySearchError;
    win::UniqueModule shell;  // shell32, loaded by the system probe and kept for the run
    AnswerFile answers;       // /SAVEINF's, written as the installation starts
    SetupState state;         // the package, the choices, and how the installation ended
};

// /PLAN changes nothing: no lock, no recovery, no language library in the Windows folder, no
// folder made.
bool Planning(const Run& run) { return !run.commandLine.planFile.empty(); }
// Without the wizard's questions: /S, /PASSIVE and /PLAN, which plans what /S would do.
bool Unattended(const Run& run) { return run.commandLine.quiet || run.commandLine.passive || Planning(run); }

// The switches act before anything else, so that the trace file has the whole run.
ExitCode OpenRunFiles(Run& run) {
    const CommandLine& line = run.commandLine;
    run.state.passive = line.passive;
    SetQuietMessages(line.quiet || line.passive || !line.planFile.empty());
    // An uninstall takes the lock too, before the installation's steps.
    SetInstallationLockWait(!line.wait ? 0 : line.waitSeconds ? line.waitSeconds * 1000u : INFINITE);
    // A result file that cannot be had leaves nothing to report to but the exit code.
    ExitCode opened = line.resultFile.empty() ? kExitSuccess : StartResultFile(line.resultFile, line.logFile);
    if (opened != kExitSuccess) return opened;
    if (!line.logFile.empty() && (opened = StartTraceLog(line.logFile)) != kExitSuccess) {
        Fail("Setup", "opening", line.logFile, GetLastError());
        return opened;
    }
    if (!line.planFile.empty() &&
        (opened = StartPlanFile(line.planFile, line.logFile, line.resultFile)) != kExitSuccess) {
        Fail("Setup", "opening", line.planFile, GetLastError());
        return opened;
    }
    if (run.librarySearchError)
        Fail("Setup", "restricting the library search", "", run.librarySearchError, Failing::kBestEffort);
    return kGoOn;
}

ExitCode CheckCommandLine(Run& run) {
    if (!run.commandLine.malformed) return kGoOn;
    Fail("Setup", "reading the switches of", run.arguments, 0);
    return kExitBadCommandLine;
}

// The choices of the /LOADINF file that the command line does not make, then the /SAVEINF file,
// opened after it is read, as both may be one file.
ExitCode TakeAnswerFiles(Run& run) {
    CommandLine& line = run.commandLine;
    std::string text;
    size_t bad = 0;
    if (!line.loadAnswers.empty() && !(win::ReadWholeFile(line.loadAnswers, &text) && ReadAnswers(text, &line, &bad))) {
        const DWORD error = bad ? ERROR_INVALID_DATA : GetLastError();
        Fail("Setup", "reading the answer file",
             bad ? text::Format("%s, line %u", line.loadAnswers.c_str(), static_cast<unsigned>(bad)) : line.loadAnswers,
             error);
        return kExitBadCommandLine;
    }
    const ExitCode opened = line.saveAnswers.empty() ? kExitSuccess : run.answers.Open(line.saveAnswers, line.logFile);
    if (opened == kExitSuccess) return kGoOn;
    Fail("Setup", "opening", line.saveAnswers, GetLastError());
    return opened;
}

ExitCode ShowHelp(Run& run) {
    if (!run.commandLine.help) return kGoOn;
    ShowFixedMessage(kHelp + PackageComponents(), "Setup", MB_OK);
    return kExitSuccess;
}

ExitCode RecordProgram(Run& run) {
    SetErrorMode(SEM_FAILCRITICALERRORS);
    return RecordCommandLineAndFolder(run.state, run.commandLine.arguments.c_str()) ? kGoOn : kExitPackageUnreadable;
}

ExitCode ServeUninstall(Run& run) {
    Trace("Verifying uninstall request...\n");
    int uninstallExitCode = 0;
    if (!ServiceUninstallRequest(run.commandLine.arguments, run.state.commandLine, &uninstallExitCode)) {
        Trace("Continuing installation...\n");
        return kGoOn;
    }
    Trace("Uninstall serviced, exiting.\n");
    return static_cast<ExitCode>(uninstallExitCode);
}

ExitCode Damaged(const std::string& message) {
    Trace("Setup::The package is damaged, terminating.\n");
    Outcome().reason = "damaged-package";
    ShowFixedMessage(message, SetupCaption(), MB_ICONERROR);
    return kExitPackageUnreadable;
}

// The script the signed program vouches for, before anything of it is read, then the script
// and the package its seals describe.
ExitCode LoadPackage(Run& run) {
    SetupState& state = run.state;
    std::string damage;
    if (!MainScriptSealed(state.DataFilePath(kScriptName), &damage)) return Damaged(damage);
    state.mainProject.Reset();
    int32_t loaded = state.mainProject.Load(state.DataFilePath(kScriptName), true);
    if (loaded < 0) {
        // A component's script damaged on its way may be what failed to load: the main script
        // alone, with its seals, tells that apart from a script written wrong.
        state.mainProject.Reset();
        state.mainProject.Load(state.DataFilePath(kScriptName), false);
    }
    // Before anything is put on the machine, the language library in the Windows folder first.
    if (!PackageIntact(state.mainProject, state.programFolder, &damage)) return Damaged(damage);
    if (loaded >= 0) return kGoOn;
    Fail("Setup", text::Format("loading (error code 0x%08X) the script", static_cast<unsigned>(loaded)).c_str(),
         state.DataFilePath(kScriptName), 0);
    Trace("Load project failed, terminating...\n");
    MessageBoxFromId(kStrScriptFailed, MB_OK, static_cast<unsigned>(loaded));
    return kExitPackageUnreadable;
}

// Before anything is put on the machine: a choice the script cannot take ends the run.
ExitCode ApplyChoices(Run& run) {
    return ApplyCommandLineChoices(run.state, run.commandLine, Unattended(run)) ? kGoOn : kExitBadCommandLine;
}

// An older package over a newer installation is a downgrade: asked in the wizard (No by
// default), refused quietly unless /ALLOWDOWNGRADE, before anything changes. A version that is
// no dotted number on either side is neither newer nor older.
ExitCode CheckVersion(Run& run) {
    const Project& project = run.state.mainProject;
    std::string installed;
    if (run.commandLine.allowDowngrade || !InstalledVersion(project, &installed) ||
        ComparePackageVersion(project.version, installed) != VersionOrder::kOlder)
        return kGoOn;
    const char* mine = project.version.c_str();
    if (!Unattended(run) &&
        ShowFixedMessage(text::Format("Version %s of %s is installed, newer than version %s in this package.\n"
                                      "Do you want to replace it with the older version?",
                                      installed.c_str(), project.title.c_str(), mine),
                         "Setup", MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) == IDYES)
        return kGoOn;
    Fail("Setup", text::Format("installing version %s over the newer version %s of", mine, installed.c_str()).c_str(),
         UninstallDisplayName(project), ERROR_PRODUCT_VERSION);
    return kExitDowngrade;
}

// From here on the run changes the machine: one run at a time, and whatever a killed run left
// half done is taken back first.
ExitCode TakeLock(Run& run) {
    if (Planning(run)) return kGoOn;
    if (!TakeInstallationLock()) return kExitAnotherInstallation;
    RecoverInterruptedRuns();
    return kGoOn;
}

ExitCode LoadLanguage(Run& run) {
    if (Planning(run)) return kGoOn;
    Trace("Loading language resource...\n");
    if (InstallLanguageLibrary(run.state.mainProject, run.state.programFolder)) return kGoOn;
    Trace("Loading language resource failed.\n");
    MessageBoxFromId(kStrLanguageFailed, MB_OK);
    return kExitPackageUnreadable;
}

ExitCode ProbeSystem(Run& run) {
    if (!ProbeKernel()) {
        Fail("Setup", "loading", "kernel32.dll", GetLastError());
        MessageBoxFromId(kStrKernelProbe, MB_ICONWARNING);
        return kExitPackageUnreadable;
    }
    Trace("Testing shell32...\n");
    run.shell.reset(win::LoadSystemLibrary("shell32.dll"));
    if (!run.shell) {
        Fail("Setup", "loading", "shell32.dll", GetLastError());
        Trace("Testing shell32 failed, exiting.\n");
        MessageBoxFromId(kStrShellProbe, MB_ICONWARNING);
        return kExitPackageUnreadable;
    }
    // Older systems lack SHGetSpecialFolderPathA, so it is looked up rather than imported.
    FARPROC address = GetProcAddress(run.shell.get(), "SHGetSpecialFolderPathA");
    // GetProcAddress hands out a generic pointer; the entry's real type is the shell's.
    const auto entry = reinterpret_cast<SpecialFolderPathFn>(reinterpret_cast<void*>(address));
    return PrepareShortcutFolders(run.state, entry, win::RunsAsSystem, !Planning(run)) ? kGoOn : kExitPackageUnreadable;
}

// The wizard, or the installation without its questions (/S, /PASSIVE).
ExitCode Install(Run& run) {
    if (Planning(run)) {
        const ExitCode destination = CheckUnattendedDestination(run.state);
        return destination != kGoOn ? destination : PlanInstallation(run.state);
    }
    SetupState& state = run.state;
    const bool quiet = Unattended(run);
    // Held until the wizard is over: the shortcuts of the installation are COM objects.
    win::ComInit com;
    // S_FALSE (COM was already started on this thread) is a success and needs the matching
    // uninitialisation all the same.
    if (FAILED(com.result())) {
        Fail("Setup", "starting", "COM", static_cast<unsigned long>(com.result()));
        MessageBoxFromId(kStrComFailed, MB_OK);
        return kExitPackageUnreadable;
    }
    CloseHoldingApplications(run.commandLine.closeApplications);
    ExitCode exitCode = quiet ? RunUnattended(state, run.commandLine, run.answers)
                              : RunWizard(run.instance, state, &run.answers, nullptr);

    // Shut-down, in the order the resources were taken: the wizard's (freed as it returned),
    // the project's lists, then COM as `com` goes out of scope, after the launch, which asks
    // the desktop's shell through COM. An unattended installation starts nothing: no window
    // may appear, and a passive one has nobody to use what it would start.
    state.mainProject.Release();
    if (!quiet && state.abort == 0 && !state.launchCommand.empty()) LaunchProgram(state.launchCommand);
    // A script that starts the wizard tells a failed installation by its exit code too.
    if (!quiet && state.installFailed) exitCode = kExitInstallFailed;
    if (!quiet && state.cancelled) exitCode = kExitCancelled;
    if (exitCode == kExitSuccess && !Outcome().restartFiles.empty()) exitCode = kExitRestartNeeded;
    return exitCode;
}

using Step = ExitCode (*)(Run& run);
// The run, step by step: each either lets the next one run (kGoOn) or ends the run.
const Step kSteps[] = {OpenRunFiles, CheckCommandLine, TakeAnswerFiles, ShowHelp,    RecordProgram, ServeUninstall,
                       LoadPackage,  ApplyChoices,     CheckVersion,    TakeLock,    LoadLanguage,  ProbeSystem,
                       Install};

}  // namespace

int RunSetup(HINSTANCE instance, const char* arguments, DWORD librarySearchError) {
    Run run{instance, arguments ? arguments : "", ParseCommandLine(arguments ? arguments : ""), librarySearchError, {}, {}, {}};
    ExitCode exitCode = kGoOn;
    for (const Step step : kSteps)
        if ((exitCode = step(run)) != kGoOn) break;

    const SetupState& state = run.state;
    // Folders the destination page made for an installation that never happened stay empty.
    RemoveFoldersLeft(state.pageCreatedFolders);
    if (!state.unpackFolder.empty() && !win::DeleteTree(state.unpackFolder.substr(0, state.unpackFolder.size() - 1)))
        Fail("Setup", "removing the unpacked files in", state.unpackFolder, GetLastError(), Failing::kBestEffort);
    Trace(text::Format("Setup::Exit code %d (%s).\n", static_cast<int>(exitCode), ReasonWord(exitCode)).c_str());
    DiscardPlanFile();
    FinishResultFile(exitCode);
    return exitCode;
}
