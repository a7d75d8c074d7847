// The uninstaller: the setup program started with the command that the Windows list of
// installed programs holds for a product, "<uninstaller> -u<install log> -l<language library>".
// It undoes the install log from the last record to the first, deletes the log and reports.
// The request's syntax is portable (Uninstaller.cpp); the run itself is not (Uninstaller_win.cpp).
#pragma once

#include <cstddef>
#include <string>

#include "base/Limits.h"


struct UninstallRequest {
    std::string logPath;      // between "-u" and the last " -l"
    std::string libraryPath;  // behind the last " -l", blanks included
};

// Recognises an uninstall request: "-u" at the very start and a later " -l". The split is at
// the LAST " -l", so that an install folder whose path holds " -l" still names its own log.
// False, `out` untouched, for any other argument string.
bool ParseUninstallRequest(const std::string& arguments, UninstallRequest* out);

// Carries out the uninstall request in `arguments`; `commandLine` is the program's whole
// command line, which the Uninstall entry to delete holds as its command. False when there is none (the run goes on
// as an installation); true otherwise, whatever the outcome, with the process's exit code in
// `exitCode`: 0, or for a quiet uninstall (the /S switch) kExitInstallFailed when it did not
// undo everything and kExitRestartNeeded when files wait for the next restart.
bool ServiceUninstallRequest(const std::string& arguments, const std::string& commandLine, int* exitCode);

// Shows `message` in an error box captioned with string 21 of the language library.
void ShowUninstallError(const std::string& message);

