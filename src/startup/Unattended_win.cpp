#include "startup/Unattended.h"

#include <windows.h>

#include "base/RunResult.h"
#include "base/Text.h"
#include "engine/InstallDriver.h"
#include "engine/TargetFolder.h"
#include "startup/CommandLine.h"
#include "state/SetupState.h"
#include "wizard/ComponentSelection.h"
#include "wizard/ProgressPage.h"

bool ApplyCommandLineChoices(const CommandLine& commandLine, bool unattended) {
    SetupState& state = Setup();
    if (!commandLine.installFolder.empty()) state.chosenInstallFolder = commandLine.installFolder;
    if (!commandLine.deviceFolder.empty()) state.mountedDeviceFolder = commandLine.deviceFolder;

    Project& project = state.mainProject;
    if (commandLine.componentsGiven &&
        (project.multicomp == 0 || !ApplyComponentChoice(commandLine.components, &project.components))) {
        Trace("Setup::The component choice names no component of the script.\n");
        return Fail("Setup", "choosing the components", "/COMPONENTS", 0);
    }
    // The wizard's components page keeps the rules itself; without it they are checked here,
    // for the script's own preselection too.
    if (unattended && project.multicomp != 0 &&
        !SelectionAllowsNext(CountSelection(project.components), project.group0MinComp)) {
        Trace("Setup::The component selection breaks the script's group rules.\n");
        return Fail("Setup", "keeping the script's group rules with", "/COMPONENTS", 0);
    }
    return true;
}

ExitCode RunUnattended() {
    Trace("Setup::Installing without the wizard...\n");
    SetupState& state = Setup();
    // The person who chose /S accepted the licence the package carries.
    state.licenceAccepted = 1;
    const std::string folder = TargetFolder(state.mainProject, state.chosenInstallFolder, kPathLimit);
    std::string other;
    switch (CheckDestination(state.mainProject, folder, &other)) {
    case DestinationCheck::kUsable: break;
    case DestinationCheck::kTooLong:
        Trace("Setup::The install folder is too long for the uninstaller to take the installation back.\n");
        Fail("Setup", "fitting the uninstaller's path limit with", folder, ERROR_FILENAME_EXCED_RANGE);
        return kExitBadCommandLine;
    case DestinationCheck::kInstalledElsewhere:
        Trace(text::Format("Setup::The product is installed in %s: installing it in %s too would orphan that one.\n",
                           other.c_str(), folder.c_str())
                  .c_str());
        Fail("Setup", "installing a second copy of the product installed in", other, ERROR_ALREADY_EXISTS);
        return kExitBadCommandLine;
    case DestinationCheck::kOtherProduct:
        Trace(text::Format("Setup::The install folder holds the installation of %s.\n", other.c_str()).c_str());
        Fail("Setup", "installing beside another product's installation into", folder, ERROR_ALREADY_EXISTS);
        return kExitInstallFailed;
    }
    if (!DoInstall(nullptr, RegisterDescriptors)) return kExitInstallFailed;
    return Outcome().restartFiles.empty() ? kExitSuccess : kExitRestartNeeded;
}
