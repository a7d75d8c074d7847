// An installation without the wizard (/S): the command line's choices stand in for the pages,
// every question takes its safe answer, and the outcome is the exit code deployment tools read.
#pragma once

#include <vector>

#include "base/RunResult.h"
#include "script/Project.h"

struct CommandLine;

// Makes exactly the numbered components (1-based, in script order) selected. False, the list
// untouched, when a number names no component.
bool ApplyComponentChoice(const std::vector<int>& numbers, std::vector<Component>* components);

// The command line's choices for the run: the install folder, the mounted-device folder and
// the component selection of the main project. False when the selection cannot be made (a
// number outside the list, a project without components) or, for a run without the wizard,
// breaks the group rules that the components page would enforce.
bool ApplyCommandLineChoices(const CommandLine& commandLine, bool unattended);

// Installs without any window: the driver runs at once with the choices applied, unless files
// it would replace are held by other programs and are not all shared libraries that may wait
// for the next restart (kExitFilesInUse; with /CLOSEAPPLICATIONS the holders are asked to close
// first, and started again once it is done). Returns the exit code.
ExitCode RunUnattended(const CommandLine& commandLine);
