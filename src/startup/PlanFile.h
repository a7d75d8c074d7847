// /PLAN: the installation the run's choices make, planned as /S would carry it out and set
// against the machine as it is now, for the plan file. It changes nothing.
#pragma once

#include "base/RunResult.h"
#include "state/SetupState.h"

// Makes the plan of the choices of `state` and writes its document (WritePlanFile). Returns 0, or 1603 when the plan cannot be
// made (traced), as /S would fail.
ExitCode PlanInstallation(const SetupState& state);
