// An installation without the wizard (/S): the command line's choices stand in for the pages,
// every question takes its safe answer, and the outcome is the exit code deployment tools read.
#pragma once

#include <vector>

#include "script/Project.h"

struct CommandLine;

// Exit codes of a run, as installers report them to deployment tools.
constexpr int kExitSuccess = 0;
constexpr int kExitPackageUnreadable = 1;      // the script or the language library
constexpr int kExitCancelled = 1602;           // the user cancelled the wizard; taken back
constexpr int kExitInstallFailed = 1603;       // taken back as far as it went
constexpr int kExitLogUnwritable = 1622;       // the /LOG file cannot be opened
constexpr int kExitBadCommandLine = 1639;      // a malformed switch or a choice the rules refuse
constexpr int kExitRestartNeeded = 3010;       // done; a file waits for the next restart

// Makes exactly the numbered components (1-based, in script order) selected. False, the list
// untouched, when a number names no component.
bool ApplyComponentChoice(const std::vector<int>& numbers, std::vector<Component>* components);

// The command line's choices for the run: the install folder, the mounted-device folder and
// the component selection of the main project. False when the selection cannot be made (a
// number outside the list, a project without components) or, for a run without the wizard,
// breaks the group rules that the components page would enforce.
bool ApplyCommandLineChoices(const CommandLine& commandLine, bool unattended);

// Installs without any window: the driver runs at once with the choices applied. Returns the
// exit code.
int RunUnattended();
