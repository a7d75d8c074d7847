#include "startup/Unattended.h"

#include <windows.h>

#include "base/RunResult.h"
#include "base/Text.h"
#include "engine/InstallDriver.h"
#include "engine/TargetFolder.h"
#include "startup/CommandLine.h"
#include "state/Messages.h"
#include "state/SetupState.h"
#include "wizard/Background.h"
#include "wizard/ComponentSelection.h"
#include "wizard/ProgressPage.h"
#include "win/RestartManager.h"

bool ApplyCommandLineChoices(SetupState& state, const CommandLine& commandLine, bool unattended) {
    if (!commandLine.installFolder.empty()) state.chosenInstallFolder = commandLine.installFolder;
    if (!commandLine.deviceFolder.empty()) state.mountedDeviceFolder = commandLine.deviceFolder;

    Project& project = state.mainProject;
    std::string unknown;
    // Components an answer file chose are named by its line.
    const std::string from = commandLine.componentsLine == 0 ? "/COMPONENTS"
                             : text::Format("%s, line %u", commandLine.loadAnswers.c_str(),
                                            static_cast<unsigned>(commandLine.componentsLine));
    if (commandLine.componentsGiven && project.multicomp == 0)
        return Fail("Setup", "choosing components of the script with", from, ERROR_INVALID_PARAMETER);
    if (commandLine.componentsGiven && !ApplyComponentChoice(commandLine.components, &project.components, &unknown))
        return Fail("Setup", "finding the component",
                    commandLine.componentsLine == 0 ? unknown : unknown + " of " + from, ERROR_NOT_FOUND);
    // The wizard's components page keeps the rules itself; without it they are checked here,
    // for the script's own preselection too.
    if (unattended && project.multicomp != 0 &&
        !SelectionAllowsNext(CountSelection(project.components), project.group0MinComp)) {
        return Fail("Setup", "keeping the script's group rules with", from, ERROR_INVALID_PARAMETER);
    }
    return true;
}

ExitCode CheckUnattendedDestination(const SetupState& state) {
    std::string folder;
    if (!TargetFolder(state.mainProject, state.chosenInstallFolder, kPathLimit, &folder)) {
        Fail("Setup", "fitting the path limit with the install folder of", state.mainProject.title,
             ERROR_FILENAME_EXCED_RANGE);
        return kExitBadCommandLine;
    }
    std::string other;
    switch (CheckDestination(state.mainProject, folder, &other)) {
    case DestinationCheck::kUsable: break;
    case DestinationCheck::kTooLong:
        Fail("Setup", "fitting the uninstaller's path limit with", folder, ERROR_FILENAME_EXCED_RANGE);
        return kExitBadCommandLine;
    case DestinationCheck::kInstalledElsewhere:
        Fail("Setup", ("installing the product into " + folder + " beside its installation in").c_str(), other,
             ERROR_ALREADY_EXISTS);
        return kExitBadCommandLine;
    case DestinationCheck::kOtherProduct:
        Fail("Setup", "installing beside another product's installation into", folder, ERROR_ALREADY_EXISTS);
        return kExitInstallFailed;
    }
    return kGoOn;
}

ExitCode RunUnattended(SetupState& state, const CommandLine& commandLine, InstallStart& starting) {
    Trace("Setup::Installing without the wizard...\n");
    // The person who chose /S accepted the licence the package carries.
    state.licenceAccepted = 1;
    const ExitCode destination = CheckUnattendedDestination(state);
    if (destination != kGoOn) return destination;
    InstallRequest request;
    if (!PrepareInstallation(state, &request)) {
        MessageBoxFromId(kStrInstallFailed, MB_ICONERROR);
        return kExitInstallFailed;
    }
    win::RestartManager holders;
    const std::vector<HeldFile> held = FindHeldFiles(request.plan, holders, commandLine.closeApplications);
    // Shared libraries held open take the restart road (3010), as the wizard's Continue does.
    if (!AllMayWaitForRestart(held)) {
        Fail("Setup", "replacing the files that other programs hold:", DescribeHeldFiles(held, " ").substr(1),
             ERROR_SHARING_VIOLATION);
        return kExitFilesInUse;
    }
    ExitCode ended = kGoOn;
    if (commandLine.passive) {
        // The wizard with its progress page alone, which starts the installation as it shows.
        const ExitCode shown = RunWizard(GetModuleHandleA(nullptr), state, &starting, &request);
        if (shown != kExitSuccess)
            ended = shown;
        else if (state.cancelled)
            ended = kExitCancelled;
        // A page that could not be shown installed nothing, and set no install log either.
        else if (state.abort != 0 || state.installLogPath.empty())
            ended = kExitInstallFailed;
    } else {
        starting.Starting(state);
        InstallResult result;
        const bool installed = DoInstall(request, nullptr, &result);
        TakeInstallResult(state, installed, result);
        if (!installed) ended = kExitInstallFailed;
    }
    holders.RestartClosed();
    if (ended != kGoOn) return ended;
    return Outcome().restartFiles.empty() ? kExitSuccess : kExitRestartNeeded;
}
