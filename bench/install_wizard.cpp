// The installation as the user waits for it: from Next on the last page before the progress
// page until the progress page's Next is enabled, for 2,000 files of 4 KiB and 20 of 8 MiB,
// against a bare CopyFileA loop over the same data files in the same run (once before and
// once after the wizard, so that neither side alone pays for the disk's write-back).
#include <windows.h>

#include <cstdio>
#include <string>

#include "engine/UninstallEntry.h"
#include "script/Project.h"
#include "support/Package.h"
#include "support/ScriptWriter.h"
#include "support/TestEnv.h"
#include "support/Wizard.h"
#include "win/Files.h"

namespace {

constexpr int kFirstData = 3;
constexpr int kSmallFiles = 2000;
constexpr int kLargeFiles = 20;

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double CopyAll(const testenv::Package& package, const std::string& target, int* failures) {
    testenv::DeleteTree(target);
    CreateDirectoryA(target.c_str(), nullptr);
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    for (int i = 0; i < kSmallFiles + kLargeFiles; ++i) {
        const std::string name = target + "\\file" + std::to_string(i) + ".bin";
        if (!CopyFileA(package.DataPath(kFirstData + i).c_str(), name.c_str(), FALSE)) ++*failures;
    }
    QueryPerformanceCounter(&t1);
    return Seconds(t0, t1);
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

    testenv::ScriptWriter script;
    script.Set("Title", "Bench");
    script.Set("Company", testenv::UniqueName("Bench"));
    script.Set("LanguageDLLIndex", 2);
    script.Set("DefTargetDir", installed);
    int folder = script.AddFolder(kSectionApplication, "");
    std::string bytes;
    for (int i = 0; i < kSmallFiles + kLargeFiles; ++i) {
        bytes.assign(i < kSmallFiles ? 4096 : 8u << 20, '\0');
        for (size_t b = 0; b < bytes.size(); b += 64) bytes[b] = static_cast<char>(i + b / 64);
        testenv::ScriptFile file{"file" + std::to_string(i) + ".bin", folder, kFirstData + i};
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

    int failures = 0;
    const double copyBefore = CopyAll(package, root + "\\copied", &failures);

    ui::SetupProcess setup;
    if (!setup.Start(package.SetupPath(), "", package.Folder())) return 1;
    const testenv::WizardWalk walk = testenv::WalkWizard(setup, 60000);
    const double copyAfter = CopyAll(package, root + "\\copied", &failures);
    const double copy = (copyBefore + copyAfter) / 2;

    std::printf("files: %d (2000 x 4 KiB, 20 x 8 MiB), copy failures: %d, setup exit code: %d\n",
                kSmallFiles + kLargeFiles, failures, walk.exitCode);
    std::printf("wizard, Next to installation over: %.3f s\n", walk.installSeconds);
    std::printf("CopyFileA loop (before, after):    %.3f s, %.3f s\n", copyBefore, copyAfter);
    std::printf("ratio to their mean: %.2f\n", copy > 0 ? walk.installSeconds / copy : 0.0);

    Project project;
    if (project.Load(package.PathOf("00000001"), false) == 0)
        testenv::DeleteRegistryTree(HKEY_LOCAL_MACHINE,
                                    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                                        UninstallDisplayName(project));
    testenv::DeleteTree(root);
    return failures == 0 && walk.installSeconds > 0 ? 0 : 1;
}
