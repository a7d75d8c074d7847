#include "engine/RunLock.h"

#include <windows.h>

#include <utility>

#include "base/RunResult.h"
#include "base/Trace.h"
#include "state/Messages.h"
#include "win/UniqueHandle.h"

namespace {

// In the global namespace: runs from every session of the machine share it.
const char kLockName[] = "Global\\HandheldSetupInstallation";
const char kAnotherRun[] =
    "Another installation or uninstall is in progress.\nPlease wait until it has finished, then try again.";

uint32_t g_wait = 0;

}  // namespace

void SetInstallationLockWait(uint32_t milliseconds) { g_wait = milliseconds; }

bool TakeInstallationLock() {
    static win::UniqueKernelHandle lock;
    if (lock) return true;
    win::UniqueKernelHandle mutex(CreateMutexA(nullptr, FALSE, kLockName));
    if (!mutex) return Fail("Setup", "creating the installation lock", kLockName, GetLastError());
    if (g_wait) Trace("Setup::Waiting for another installation to end...\n");
    // An abandoned mutex (its owner was killed) is ours now; its interrupted run is taken
    // back by the caller.
    const DWORD waited = WaitForSingleObject(mutex.get(), g_wait);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        Fail("Setup", "taking the installation lock", kLockName, waited == WAIT_TIMEOUT ? ERROR_INSTALL_ALREADY_RUNNING : GetLastError());
        ShowFixedMessage(kAnotherRun, "Setup", MB_ICONERROR);
        return false;
    }
    lock = std::move(mutex);
    return true;
}
