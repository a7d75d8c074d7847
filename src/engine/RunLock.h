// One installation or uninstall at a time on the machine: two at once would each take the
// other's changes for its own.
#pragma once

#include <cstdint>

#include "base/RunResult.h"

// How long TakeInstallationLock waits for another run to end: 0 (as without /WAIT), a number
// of milliseconds, or 0xFFFFFFFF for as long as it takes. Set once, before the lock is taken.
void SetInstallationLockWait(uint32_t milliseconds);

// Takes the machine-wide lock of installations for the rest of the process's life, waiting as
// SetInstallationLockWait said. A lock left by a run that was killed is taken over. False when
// another run still holds it: the user is told so (a quiet run only traces it).
bool TakeInstallationLock();
