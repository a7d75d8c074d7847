#include "engine/RunLock.h"

#include <windows.h>

#include <utility>

#include "base/Trace.h"
#include "state/Messages.h"
#include "win/UniqueHandle.h"

namespace {

// In the global namespace: runs from every session of the machine share it.
const char kLockName[] = "Global\\HandheldSetupInstallation";
const char kAnotherRun[] =
    "Another installation or uninstall is in progress.\nPlease wait until it has finished, then try again.";

}  // namespace

bool TakeInstallationLock() {
    static win::UniqueKernelHandle lock;
    if (lock) return true;
    win::UniqueKernelHandle mutex(CreateMutexA(nullptr, FALSE, kLockName));
    if (!mutex) return false;
    // An abandoned mutex (its owner was killed) is ours now; its interrupted run is taken
    // back by the caller.
    const DWORD waited = WaitForSingleObject(mutex.get(), 0);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        Trace("Setup::Another installation is in progress, terminating.\n");
        ShowFixedMessage(kAnotherRun, "Setup", MB_ICONERROR);
        return false;
    }
    lock = std::move(mutex);
    return true;
}
