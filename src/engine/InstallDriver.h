// The installation that the progress page runs: the temporary install log, the install folder,
// the main project and every selected component section by section, then the loader and
// uninstall registrations and the installation log in the install folder.
//
// The file count is portable (InstallDriver.cpp); the run itself (InstallDriver_win.cpp) is
// top code: it reads and sets the run-wide state, points Setup().current at each component
// while it installs it, and hands folders and paths down to the sections.
#pragma once

#include <cstdint>
#include <string>

#include "engine/FilesInUse.h"
#include "engine/Section.h"
#include "script/Project.h"

// The number of files a run copies: the System, Application and Conduit sections of
// `project` and, with Multicomp, of each selected component in turn; the MountedDevice
// sections too when `mountedDevice` (a device folder was chosen). The same walk as the run.
int32_t CountInstallFiles(const Project& project, bool mountedDevice);

// Enters the installed descriptor files of `project` and its selected components with the
// handheld's desktop loader. That registration lives in a room beside the engine, so the
// caller hands it in (RegisterAlxFiles).
using RegisterDescriptorsFn = void (*)(Journal& journal, const Project& project, const std::string& installFolder);

// Runs the installation without any user interface: begins `run`'s journal and log, settles
// its places, and sets the install, shortcut and launch values, the upgrade flag and the log
// and journal paths of the run-wide state. Every change is journaled first. After a successful
// installation it registers the descriptor files and the uninstaller and appends the temporary
// log to the installation log, which commits the run. False when a step failed; the journal
// then still holds everything to take back.
bool RunInstallation(InstallContext& run, RegisterDescriptorsFn registerDescriptors);

// The string shown for a failed installation: 38 when the mounted-device files failed, else 9.
int InstallFailureMessage();

// RunInstallation with a journal and log of its own, and on failure the rollback of everything
// the run changed, the failure message (none when the user cancelled: the cancelled flag
// instead) and the abort flag. False on failure. `progress` is optional.
bool DoInstall(InstallProgress* progress, RegisterDescriptorsFn registerDescriptors);

// The files the run-wide state's installation would replace that other programs hold now (see
// FindHeldFiles); with `closeHolders`, the holders are asked to close first and the files are
// looked at again.
std::vector<HeldFile> HeldFilesOfThisRun(win::ApplicationHolders& holders, bool closeHolders);
