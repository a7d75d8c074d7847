// The last page of the wizard: it runs the installation as soon as it is shown.
#pragma once

#include <windows.h>

#include <string>

#include "engine/InstallDriver.h"
#include "state/SetupState.h"

INT_PTR CALLBACK ProgressPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Whether the page, before it installs, asks the applications holding files the installation
// would replace to close (/CLOSEAPPLICATIONS), and starts them again once it is done.
void CloseHoldingApplications(bool close);

// The installation the choices of `state` make: its plan, and what the Uninstall entry names. False,
// traced, when the plan cannot be made: nothing can be installed then.
bool PrepareInstallation(const SetupState& state, InstallRequest* request);

// Carries the installation's result into the run: how it ended, the log it wrote, what to launch.
void TakeInstallResult(SetupState& state, bool installed, const InstallResult& result);
