// The background window, the one top-level window of an installation run with the wizard: it
// fills the work area with the author's image or a plain colour and the product title, owns
// the wizard's pages and runs them as soon as it exists.
#pragma once

#include <windows.h>

#include "base/RunResult.h"
#include "engine/InstallDriver.h"
#include "state/SetupState.h"

// What the wizard's owner does as the progress page starts the installation, with the choices
// made: start-up writes the answer file of /SAVEINF. The owner keeps it for the wizard's length.
class InstallStart {
public:
    virtual void Starting(const SetupState& run) = 0;

protected:
    ~InstallStart() = default;
};

// The wizard from start to end, making the choices of `run`: its pages prepared, the background window's class registered
// and the window made over the work area, then its message loop until the wizard is over.
// Returns the quit message's code, or kExitPackageUnreadable when the Application files cannot
// be unpacked (after saying so) or the window cannot be made. The wizard's libraries, images
// and fonts are freed when it returns. `starting`, when not null, is told as the installation
// starts. `prepared`, when not null, is the installation the caller planned and whose files in
// use it looked at already (a passive run's), which the progress page then carries out as it is.
ExitCode RunWizard(HINSTANCE instance, SetupState& run, InstallStart* starting, const InstallRequest* prepared);
