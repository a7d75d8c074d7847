// The uninstaller: the setup program started with the command that the Windows list of
// installed programs holds for a product, "<uninstaller> -u<install log> -l<language library>".
// It undoes the install log from the last record to the first, deletes the log and reports.
// The request's syntax is the log room's (log/UninstallCommand.h); the run is Uninstaller_win.cpp.
#pragma once

#include <cstddef>
#include <string>

#include "base/Limits.h"
#include "log/UninstallCommand.h"



// Carries out the uninstall request in `arguments`; `commandLine` is the program's whole
// command line, which the Uninstall entry to delete holds as its command. False when there is none (the run goes on
// as an installation); true otherwise, whatever the outcome, with the process's exit code in
// `exitCode`: 0, or for a quiet uninstall (the /S switch) kExitInstallFailed when it did not
// undo everything and kExitRestartNeeded when files wait for the next restart.
bool ServiceUninstallRequest(const std::string& arguments, const std::string& commandLine, int* exitCode);

// Shows `message` in an error box captioned with string 21 of the language library.
void ShowUninstallError(const std::string& message);

