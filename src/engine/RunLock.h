// One installation or uninstall at a time on the machine: two at once would each take the
// other's changes for its own.
#pragma once

// The exit code of a run that found another one in progress, as deployment tools know it.
constexpr int kExitAnotherInstallation = 1618;

// Takes the machine-wide lock of installations for the rest of the process's life. A lock left
// by a run that was killed is taken over. False when another run holds it: the user is told
// so (a quiet run only traces it).
bool TakeInstallationLock();
