// The installation and the uninstall as a user meets them, whole processes side by side:
// setup.exe /S on a package of 2,000 files of 4 KiB and 20 of 8 MiB against file_loop copying
// the same data files, and the registered quiet uninstall against file_loop deleting them,
// each started as its own process and timed from its start to its end. Five rounds, the floor
// first in odd rounds and second in even ones; each round prints its ratios, and the median of
// the per-round ratios stands for the run.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/InstallFile.h"
#include "engine/UninstallEntry.h"
#include "script/Project.h"
#include "support/BigPackage.h"
#include "support/SharedDlls.h"
#include "support/TestEnv.h"
#include "win/Files.h"
#include "win/Registry.h"
#include "win/UniqueHandle.h"

namespace {

constexpr int kRounds = 5;

// Times `ours` and `floor` in the order of the round; false when either failed.
bool TimePair(int round, const std::string& ours, const std::string& floor, double* oursSeconds,
              double* floorSeconds) {
    if (round % 2 == 1) *floorSeconds = bench::TimeProcess(floor);
    *oursSeconds = bench::TimeProcess(ours);
    if (round % 2 == 0) *floorSeconds = bench::TimeProcess(floor);
    return *oursSeconds > 0 && *floorSeconds > 0;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace

int main() {
    const std::string root = win::TempFolder() + "bench_whole_process";
    testenv::DeleteTree(root);
    CreateDirectoryA(root.c_str(), nullptr);
    testenv::Package package(root + "\\package");
    const std::string installed = root + "\\installed";
    const std::string copied = root + "\\copied";
    // The rule most packages carry: an existing file is replaced when it is older.
    if (!bench::WriteBigPackage(package, installed, kReplaceOlder)) {
        std::printf("could not lay out the package in %s\n", package.Folder().c_str());
        return 1;
    }
    Project project;
    if (project.Load(package.PathOf("00000001"), false) != 0) {
        std::printf("could not read back the script of %s\n", package.Folder().c_str());
        return 1;
    }
    // Windows has the shared-library list; a fresh Wine prefix lacks it, and without it every
    // count lookup of the uninstall would fail early and cost less than on a user's machine.
    sharedkey::Create();
    const std::string entry = std::string(kUninstallListKey) + "\\" + UninstallDisplayName(project);

    // The same files replaced, every one (over the installation the round made), and a run that
    // copies them all and then fails, so that its journal takes them back.
    testenv::Package replacing(root + "\\replacing");
    testenv::Package failing(root + "\\failing");
    const std::string failedFolder = root + "\\failed";
    if (!bench::WriteBigPackage(replacing, installed, kReplaceAlways) ||
        !bench::WriteBigPackage(failing, failedFolder, kReplaceAlways, true)) {
        std::printf("could not lay out the packages of the transaction's rounds\n");
        return 1;
    }
    const std::string replace = Quoted(replacing.SetupPath()) + " /S /D=" + installed;
    const std::string fail = Quoted(failing.SetupPath()) + " /S /D=" + failedFolder;

    const std::string loop = Quoted(testenv::BinFolder() + "file_loop.exe");
    const std::string setup = Quoted(package.SetupPath()) + " /S /D=" + installed;
    const std::string copyLoop = loop + " copy " + Quoted(package.Folder()) + " " + std::to_string(bench::kFirstData) +
                                 " " + std::to_string(bench::kFiles) + " " + Quoted(copied);
    const std::string deleteLoop = loop + " delete " + Quoted(copied) + " " + std::to_string(bench::kFiles);

    std::printf("files: %d (2000 x 4 KiB, 20 x 8 MiB), whole processes, %d rounds\n", bench::kFiles, kRounds);
    std::vector<double> installRatios;
    std::vector<double> uninstallRatios;
    std::vector<double> replaceRatios;
    std::vector<double> rollbackRatios;
    bool failed = false;
    for (int round = 1; round <= kRounds && !failed; ++round) {
        // Fresh folders on both sides; the copy loop's folder exists, as setup makes its own.
        testenv::DeleteTree(installed);
        testenv::DeleteTree(copied);
        CreateDirectoryA(copied.c_str(), nullptr);
        double install = -1, copy = -1, uninstall = -1, remove = -1;
        failed = !TimePair(round, setup, copyLoop, &install, &copy);
        // Every file replaced: moved aside, copied, and the copies moved aside deleted at the commit.
        const double replaced = failed ? -1 : bench::TimeProcess(replace);
        failed = failed || replaced < 0;
        std::string quiet;
        win::UniqueKey key;
        if (!failed && !(win::OpenKey(HKEY_LOCAL_MACHINE, entry, KEY_READ, &key) &&
                         win::ReadString(key.get(), "QuietUninstallString", 1024, &quiet))) {
            std::printf("  no QuietUninstallString under HKLM\\%s\n", entry.c_str());
            failed = true;
        }
        key.reset();
        if (!failed) failed = !TimePair(round, quiet, deleteLoop, &uninstall, &remove);
        if (!failed && win::FileExists(installed)) {
            std::printf("  the quiet uninstall left %s\n", installed.c_str());
            failed = true;
        }
        // The failed run copies what the fresh one did, then takes it all back: what it takes
        // longer is the rollback, set against the delete loop.
        testenv::DeleteTree(failedFolder);
        const double failedRun = failed ? -1 : bench::TimeProcess(fail, 1603);
        failed = failed || failedRun < 0;
        if (!failed && win::FileExists(failedFolder + "\\file0.bin")) {
            std::printf("  the failed run left %s\n", failedFolder.c_str());
            failed = true;
        }
        if (failed) break;
        installRatios.push_back(install / copy);
        uninstallRatios.push_back(uninstall / remove);
        replaceRatios.push_back(replaced / install);
        rollbackRatios.push_back((failedRun - install) / remove);
        std::printf("round %d: setup /S %.3f s, copy loop %.3f s, ratio %.2f; quiet uninstall %.3f s, "
                    "delete loop %.3f s, ratio %.2f\n",
                    round, install, copy, installRatios.back(), uninstall, remove, uninstallRatios.back());
        std::printf("         over the installation %.3f s, ratio to fresh %.2f; failed run %.3f s, its rollback "
                    "about %.3f s, ratio to the delete loop %.2f\n",
                    replaced, replaceRatios.back(), failedRun, failedRun - install, rollbackRatios.back());
    }
    if (!failed) {
        std::printf("median of the per-round ratios: installation %.2f (goal 1.20), uninstall %.2f (goal 1.30)\n",
                    Median(installRatios), Median(uninstallRatios));
        std::printf("median of the per-round ratios: every file replaced %.2f of a fresh installation (goal 1.10), "
                    "rollback %.2f of the delete loop\n",
                    Median(replaceRatios), Median(rollbackRatios));
    }

    testenv::DeleteRegistryTree(HKEY_LOCAL_MACHINE, entry);
    testenv::DeleteTree(root);
    return failed ? 1 : 0;
}
