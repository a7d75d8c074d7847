// Cost of the uninstall over bare deletion: 2,000 files of 4 KiB and 20 of 8 MiB installed
// through InstallFile with logging, then taken away by replaying their log in this process and
// by the quiet uninstaller as its own process, against a DeleteFileA loop over the same files
// in a third tree. Then the replay of logs of 10,000 and 100,000 records whose files are gone,
// which must grow linearly.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/InstallFile.h"
#include "support/InstallRun.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"
#include "uninstall/LogReplay.h"
#include "win/Files.h"

namespace {

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Since(const LARGE_INTEGER& from) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return Seconds(from, now);
}

// Installs the 2,020 files into `folder`, each copy logged to `log`. The names, in order.
bool InstallTree(const std::string& small, const std::string& large, const std::string& folder,
                 const std::string& log, std::vector<std::string>* files) {
    CreateDirectoryA(folder.c_str(), nullptr);
    InstallRun run(folder, log);
    files->clear();
    for (int i = 0; i < 2020; ++i) {
        const bool isLarge = i >= 2000;
        files->push_back(folder + "\\" + (isLarge ? "l" : "s") + std::to_string(i) + ".bin");
        if (!InstallFile(run.context, isLarge ? large : small, files->back(), kReplaceAlways, Count::kNone,
                         Logging::kRecord))
            return false;
    }
    return true;
}

// One of the record kinds whose undo touches only the file system, for a path that is gone.
std::string Record(const std::string& folder, int i) {
    static const char* const kKinds[] = {"CopyFile: ", "CreateShortcut: ", "CreateFolder: ", "Register: ",
                                         "InstallConduit: "};
    return kKinds[i % 5] + folder + "\\f" + std::to_string(i) + "\r\n";
}

}  // namespace

int main() {
    const std::string root = win::TempFolder() + "bench_uninstall";
    testenv::DeleteTree(root);
    CreateDirectoryA(root.c_str(), nullptr);
    const std::string small = root + "\\small.bin";
    const std::string large = root + "\\large.bin";
    if (!testenv::WriteFile(small, std::string(4096, 's')) || !testenv::WriteFile(large, std::string(8u << 20, 'l'))) {
        std::printf("could not write the source files in %s\n", root.c_str());
        return 1;
    }

    // The machine is shared and its disk flushes when it likes: each way is measured in three
    // rounds on freshly installed trees, and the best round counts.
    std::vector<std::string> files;
    const std::string replayLog = root + "\\replayed\\install.log";
    const std::string processLog = root + "\\process\\install.log";
    const std::string bin = testenv::BinFolder();
    double bare = 1e9;
    double replay = 1e9;
    double process = 1e9;
    int failures = 0;
    LARGE_INTEGER start;
    for (int round = 0; round < 3; ++round) {
        if (!InstallTree(small, large, root + "\\replayed", replayLog, &files) ||
            !InstallTree(small, large, root + "\\process", processLog, &files) ||
            !InstallTree(small, large, root + "\\deleted", root + "\\deleted.log", &files)) {
            std::printf("could not install the files\n");
            return 1;
        }

        QueryPerformanceCounter(&start);
        for (const std::string& file : files)
            if (!DeleteFileA(file.c_str())) ++failures;
        bare = std::min(bare, Since(start));

        QueryPerformanceCounter(&start);
        std::string log;
        ReplayContext context;
        if (!win::ReadWholeFile(replayLog, &log) || !ReplayLog(log, &context)) ++failures;
        replay = std::min(replay, Since(start));

        QueryPerformanceCounter(&start);
        ui::SetupProcess uninstaller;
        if (!uninstaller.Start(bin + "setup.exe", "/S -u" + processLog + " -l" + bin + "ResENU.DLL") ||
            uninstaller.WaitForExit(600000) != 0)
            ++failures;
        process = std::min(process, Since(start));
        if (win::FileExists(root + "\\process\\s0.bin") || win::FileExists(processLog)) ++failures;
    }

    std::printf("files: %zu (2000 x 4 KiB, 20 x 8 MiB), failures: %d; best of 3 rounds\n", files.size(), failures);
    std::printf("DeleteFileA loop:                      %.3f s\n", bare);
    std::printf("replay of the log in this process:     %.3f s (ratio %.2f)\n", replay,
                bare > 0 ? replay / bare : 0.0);
    std::printf("quiet uninstaller, process included:   %.3f s (ratio %.2f)\n", process,
                bare > 0 ? process / bare : 0.0);

    const std::string gone = root + "\\gone";
    double perRecord[2] = {};
    const int sizes[2] = {10000, 100000};
    for (int n = 0; n < 2; ++n) {
        std::string records;
        for (int i = 0; i < sizes[n]; ++i) records += Record(gone, i);
        ReplayContext replayContext;
        QueryPerformanceCounter(&start);
        if (!ReplayLog(records, &replayContext)) ++failures;
        const double seconds = Since(start);
        perRecord[n] = seconds / sizes[n];
        std::printf("replay of %6d records: %.3f s, %.1f us a record\n", sizes[n], seconds, perRecord[n] * 1e6);
    }
    std::printf("growth from 10,000 to 100,000 records: %.1f x the records, %.2f x the time a record\n", 10.0,
                perRecord[0] > 0 ? perRecord[1] / perRecord[0] : 0.0);

    testenv::DeleteTree(root);
    return failures == 0 ? 0 : 1;
}
