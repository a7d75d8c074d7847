// The installation as the user waits for it: from Next on the last page before the progress
// page until the progress page's Next is enabled, for 2,000 files of 4 KiB and 20 of 8 MiB,
// against a bare CopyFileA loop over the same data files in the same run, in rounds. Each
// timed part starts once the host has written back what earlier
// parts left dirty (the wizard unpacks every Application file beside the program before its
// first page), so that no part pays for another's writes.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/UninstallEntry.h"
#include "script/Project.h"
#include "support/Package.h"
#include "script/ScriptWriter.h"
#include "support/TestEnv.h"
#include "support/Wizard.h"
#include "win/Files.h"

namespace {

constexpr int kFirstData = 3;
constexpr int kSmallFiles = 2000;
constexpr int kLargeFiles = 20;
constexpr int kRounds = 3;

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The host's dirty page cache, read through Wine's view of the Linux file system; -1 when
// it cannot be read (not under Wine).
long DirtyKilobytes() {
    const std::string meminfo = testenv::ReadFile("Z:\\proc\\meminfo");
    const size_t at = meminfo.find("Dirty:");
    return at == std::string::npos ? -1 : std::strtol(meminfo.c_str() + at + 6, nullptr, 10);
}

void WaitForQuietDisk() {
    for (int i = 0; i < 300; ++i) {
        const long dirty = DirtyKilobytes();
        if (dirty < 16 * 1024) return;
        Sleep(100);
    }
}

double CopyAll(const testenv::Package& package, const std::string& target, int* failures) {
    testenv::DeleteTree(target);
    CreateDirectoryA(target.c_str(), nullptr);
    WaitForQuietDisk();
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    for (int i = 0; i < kSmallFiles + kLargeFiles; ++i) {
        const std::string name = target + "\\file" + std::to_string(i) + ".bin";
        if (!CopyFileA(package.DataPath(kFirstData + i).c_str(), name.c_str(), FALSE)) ++*failures;
    }
    QueryPerformanceCounter(&t1);
    return Seconds(t0, t1);
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
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    HWND progress =
        testenv::PressAndWait(setup.ProcessId(), destination, testenv::kNextButton, testenv::kProgressMark);
    const bool over = progress && testenv::WaitForInstallationEnd(setup, progress);
    QueryPerformanceCounter(&t1);
    if (over) {
        *seconds = Seconds(t0, t1);
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
    CreateDirectoryA(package.Folder().c_str(), nullptr);
    const std::string installed = root + "\\installed";
    // An existing folder: the destination page asks nothing.
    CreateDirectoryA(installed.c_str(), nullptr);

    script::ScriptWriter script;
    script.Set("Title", "Bench");
    script.Set("Company", testenv::UniqueName("Bench"));
    script.Set("LanguageDLLIndex", 2);
    script.Set("DefTargetDir", installed);
    int folder = script.AddFolder(kSectionApplication, "");
    std::string bytes;
    for (int i = 0; i < kSmallFiles + kLargeFiles; ++i) {
        bytes.assign(i < kSmallFiles ? 4096 : 8u << 20, '\0');
        for (size_t b = 0; b < bytes.size(); b += 64) bytes[b] = static_cast<char>(i + b / 64);
        script::ScriptFile file{"file" + std::to_string(i) + ".bin", folder, kFirstData + i};
        file.replaceMode = 2;
        script.AddFile(kSectionApplication, file);
        if (!package.WriteData(kFirstData + i, bytes)) {
            std::printf("could not write the data files in %s\n", package.Folder().c_str());
            return 1;
        }
    }
    if (!package.WriteScript(script.Text()) || !package.AddSetup() || !package.AddLanguageLibrary(2)) {
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
                kSmallFiles + kLargeFiles, failures, exitCode);
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
