// The installation as the user waits for it: from Next on the last page before the progress
// page until the progress page's Next is enabled, for 2,000 files of 4 KiB and 20 of 8 MiB,
// against a bare CopyFileA loop over the same data files in the same run, in rounds. Each
// timed part starts once the host has written back what earlier
// parts left dirty (the wizard unpacks every Application file beside the program before its
// first page), so that no part pays for another's writes.
#include <windows.h>

#include <cstdio>
#include <string>

#include "engine/InstallFile.h"
#include "engine/UninstallEntry.h"
#include "script/Project.h"
#include "support/BigPackage.h"
#include "support/TestEnv.h"
#include "support/Wizard.h"
#include "win/Files.h"

namespace {

using bench::kFiles;
using bench::kFirstData;
using bench::WaitForQuietDisk;

constexpr int kRounds = 3;

double CopyAll(const testenv::Package& package, const std::string& target, int* failures) {
    testenv::DeleteTree(target);
    CreateDirectoryA(target.c_str(), nullptr);
    WaitForQuietDisk();
    const LARGE_INTEGER start = bench::Now();
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = target + "\\file" + std::to_string(i) + ".bin";
        if (!CopyFileA(package.DataPath(kFirstData + i).c_str(), name.c_str(), FALSE)) ++*failures;
    }
    return bench::SecondsSince(start);
}

// One run of setup.exe through the wizard; `seconds` is the time from Next on the destination
// page until the progress page's Next is enabled, or negative. Returns setup's exit code.
int RunWizard(const testenv::Package& package, double* seconds) {
    ui::SetupProcess setup;
    HWND welcome = testenv::StartWizard(&setup, package);
    HWND destination = welcome ? testenv::PressAndWait(setup.ProcessId(), welcome, testenv::kNextButton,
                                                       testenv::kDestinationMark)
                               : nullptr;
    if (!destination) return setup.WaitForExit(1000);
    WaitForQuietDisk();
    const LARGE_INTEGER start = bench::Now();
    HWND progress =
        testenv::PressAndWait(setup.ProcessId(), destination, testenv::kNextButton, testenv::kProgressMark);
    const bool over = progress && testenv::WaitForInstallationEnd(setup, progress);
    const double elapsed = bench::SecondsSince(start);
    if (over) {
        *seconds = elapsed;
        ui::SetupProcess::PressId(progress, testenv::kNextButton);
    }
    return setup.WaitForExit(60000);
}

}  // namespace

int main() {
    const std::string root = win::TempFolder() + "bench_install_wizard";
    testenv::DeleteTree(root);
    CreateDirectoryA(root.c_str(), nullptr);
    testenv::Package package(root + "\\package");
    const std::string installed = root + "\\installed";
    // An existing folder: the destination page asks nothing.
    CreateDirectoryA(installed.c_str(), nullptr);
    if (!bench::WriteBigPackage(package, installed, kReplaceAlways)) {
        std::printf("could not lay out the package in %s\n", package.Folder().c_str());
        return 1;
    }

    // Rounds of copy loop and wizard in turn; the fastest of each stands for what the
    // machine can do when nothing else gets in the way.
    int failures = 0;
    int exitCode = 0;
    double bestWizard = -1;
    double bestCopy = -1;
    for (int round = 1; round <= kRounds; ++round) {
        const double copy = CopyAll(package, root + "\\copied", &failures);
        // New files on both sides, as the copy loop writes into a fresh folder too.
        testenv::DeleteTree(installed);
        CreateDirectoryA(installed.c_str(), nullptr);
        double wizard = -1;
        exitCode = RunWizard(package, &wizard);
        std::printf("round %d: wizard, Next to installation over: %.3f s; CopyFileA loop: %.3f s\n", round, wizard,
                    copy);
        if (wizard < 0) break;
        if (bestWizard < 0 || wizard < bestWizard) bestWizard = wizard;
        if (bestCopy < 0 || copy < bestCopy) bestCopy = copy;
    }
    std::printf("files: %d (2000 x 4 KiB, 20 x 8 MiB), copy failures: %d, last setup exit code: %d\n",
                kFiles, failures, exitCode);
    std::printf("fastest wizard %.3f s, fastest copy loop %.3f s, ratio %.2f\n", bestWizard, bestCopy,
                bestCopy > 0 && bestWizard > 0 ? bestWizard / bestCopy : 0.0);

    Project project;
    if (project.Load(package.PathOf("00000001"), false) == 0)
        testenv::DeleteRegistryTree(HKEY_LOCAL_MACHINE,
                                    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                                        UninstallDisplayName(project));
    testenv::DeleteTree(root);
    return failures == 0 && bestWizard > 0 ? 0 : 1;
}
