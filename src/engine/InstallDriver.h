// The installation that the progress page or an unattended run starts: its plan carried out
// step by step under one journal, then the loader and uninstall registrations and the install
// log in the install folder, which commits it. Everything it works with is handed in; what it
// found out comes back in its result. Nothing of it is run-wide.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/FilesInUse.h"
#include "engine/Plan.h"
#include "script/Project.h"

class Journal;

// Enters the plan's installed descriptor files with the handheld's desktop loader. That
// registration lives in a room above the engine, so the caller hands it in (RegisterAlxFiles).
using RegisterDescriptorsFn = void (*)(Journal& journal, const InstallPlan& plan);

// What an installation is handed.
struct InstallRequest {
    const Project* project = nullptr;  // the main project, its components chosen
    InstallPlan plan;                  // made from it with the run's choices (MakePlan)
    std::string programPath;           // the running program, copied as the uninstaller
    std::string languagePath;          // the language library the uninstall loads
    // The folder levels the destination page made, outermost first: those the installation
    // goes into become its own.
    std::vector<std::string> pageCreatedFolders;
    RegisterDescriptorsFn registerDescriptors = nullptr;
};

// What it found out and how it ended.
struct InstallResult {
    std::string tempLogPath;     // the run's temporary log in the run files folder
    std::string installLogPath;  // "install.log" in the install folder; empty until settled
    bool upgrade = false;        // the install folder held an install log already
    std::string launchCommand;   // checked; empty: nothing to launch
    int failureMessage = 0;      // string ID of the failure message; 0: the general one
    std::string failureText;     // a built-in text shown instead when set
    bool cancelled = false;      // the user cancelled; taken back, no message
};

// Runs the installation without any user interface, every change journaled first. False when
// a step failed; the journal then still holds everything to take back.
bool RunInstallation(InstallContext& run, const InstallRequest& request, InstallResult* result);

// The string shown for a failed installation: 38 when the mounted-device files failed, else 9.
int InstallFailureMessage(const InstallResult& result);

// RunInstallation with a journal and log of its own, and on failure the rollback of everything
// the run changed and the failure message (none when the user cancelled). False on failure.
// `progress` is optional.
bool DoInstall(const InstallRequest& request, InstallProgress* progress, InstallResult* result);
