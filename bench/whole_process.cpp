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

// Runs `commandLine` as its own process once the disk is quiet; the seconds from its start to
// its end, or -1 when it cannot start, does not end within ten minutes or exits non-zero.
double TimeProcess(std::string commandLine) {
    bench::WaitForQuietDisk();
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    const LARGE_INTEGER start = bench::Now();
    // No application name: the stored quiet command names its program unquoted, as Windows
    // itself runs it.
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return -1;
    win::UniqueKernelHandle thread(info.hThread);
    win::UniqueKernelHandle process(info.hProcess);
    if (WaitForSingleObject(process.get(), 600000) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        return -1;
    }
    const double seconds = bench::SecondsSince(start);
    DWORD code = 1;
    if (!GetExitCodeProcess(process.get(), &code) || code != 0) {
        std::printf("  %s ended with %lu\n", commandLine.c_str(), static_cast<unsigned long>(code));
        return -1;
    }
    return seconds;
}

// Times `ours` and `floor` in the order of the round; false when either failed.
bool TimePair(int round, const std::string& ours, const std::string& floor, double* oursSeconds,
              double* floorSeconds) {
    if (round % 2 == 1) *floorSeconds = TimeProcess(floor);
    *oursSeconds = TimeProcess(ours);
    if (round % 2 == 0) *floorSeconds = TimeProcess(floor);
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

    const std::string loop = Quoted(testenv::BinFolder() + "file_loop.exe");
    const std::string setup = Quoted(package.SetupPath()) + " /S /D=" + installed;
    const std::string copyLoop = loop + " copy " + Quoted(package.Folder()) + " " + std::to_string(bench::kFirstData) +
                                 " " + std::to_string(bench::kFiles) + " " + Quoted(copied);
    const std::string deleteLoop = loop + " delete " + Quoted(copied) + " " + std::to_string(bench::kFiles);

    std::printf("files: %d (2000 x 4 KiB, 20 x 8 MiB), whole processes, %d rounds\n", bench::kFiles, kRounds);
    std::vector<double> installRatios;
    std::vector<double> uninstallRatios;
    bool failed = false;
    for (int round = 1; round <= kRounds && !failed; ++round) {
        // Fresh folders on both sides; the copy loop's folder exists, as setup makes its own.
        testenv::DeleteTree(installed);
        testenv::DeleteTree(copied);
        CreateDirectoryA(copied.c_str(), nullptr);
        double install = -1, copy = -1, uninstall = -1, remove = -1;
        failed = !TimePair(round, setup, copyLoop, &install, &copy);
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
        if (failed) break;
        installRatios.push_back(install / copy);
        uninstallRatios.push_back(uninstall / remove);
        std::printf("round %d: setup /S %.3f s, copy loop %.3f s, ratio %.2f; quiet uninstall %.3f s, "
                    "delete loop %.3f s, ratio %.2f\n",
                    round, install, copy, installRatios.back(), uninstall, remove, uninstallRatios.back());
    }
    if (!failed)
        std::printf("median of the per-round ratios: installation %.2f (goal 1.20), uninstall %.2f (goal 1.30)\n",
                    Median(installRatios), Median(uninstallRatios));

    testenv::DeleteRegistryTree(HKEY_LOCAL_MACHINE, entry);
    testenv::DeleteTree(root);
    return failed ? 1 : 0;
}
