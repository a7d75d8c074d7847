// An installation without the wizard's questions (/S, /PASSIVE): the command line's choices
// stand in for the pages, every question takes its safe answer, and the outcome is the exit
// code deployment tools read.
#pragma once

#include <string>
#include <vector>

#include "base/RunResult.h"
#include "script/Project.h"
#include "state/SetupState.h"

struct CommandLine;
class InstallStart;

// Makes exactly the chosen components selected: each item a number (1-based, in script order)
// or a component's name, matched without regard to case (the first of that name). False, the
// list untouched and `unknown` the item, when an item names no component.
bool ApplyComponentChoice(const std::vector<std::string>& items, std::vector<Component>* components,
                          std::string* unknown);

// Component `index` as a component list names it (ReadComponentItems): its name, in quotes
// when it holds a comma or blank; its number when the name would be read as another component
// or a number, or cannot be written.
std::string ComponentItem(const std::vector<Component>& components, size_t index);

// The answer file (/SAVEINF) for the choices made: a [Setup] section with the install folder
// `folder` and the mounted-device drive `device` when they are not empty, and, for a project with
// components, the selected ones, as a component list names them (ComponentItem). /LOADINF reads
// it back (ReadAnswers).
std::string AnswerFileText(const std::string& folder, const std::string& device, const Project& project);

// The command line's choices for the run: the install folder, the mounted-device folder and
// the component selection of the main project. False when the selection cannot be made (an
// item naming no component, a project without components) or, for a run without the wizard's
// pages, breaks the group rules that the components page would enforce.
bool ApplyCommandLineChoices(SetupState& state, const CommandLine& commandLine, bool unattended);

// Whether the install folder the choices give may take the installation without a question:
// kGoOn; 1639 when it does not fit or the product is installed elsewhere, 1603 when it holds
// another product's installation (traced).
ExitCode CheckUnattendedDestination(const SetupState& state);

// Installs with the choices applied and nothing asked: at once without any window (/S), or on
// the wizard's progress page alone, which Cancel can stop (/PASSIVE); unless files it would
// replace are held by other programs and are not all shared libraries that may wait for the
// next restart (kExitFilesInUse; with /CLOSEAPPLICATIONS the holders are asked to close first,
// and started again once it is done). `starting` is told as the installation starts. Returns
// the exit code.
ExitCode RunUnattended(SetupState& state, const CommandLine& commandLine, InstallStart& starting);
