// Times Project::Load on generated scripts of 1,000 to 80,000 file lines, spread over
// the four file sections with a few folders each, to show how loading grows with the script:
// twice the lines should cost about twice the time.
#include <windows.h>

#include <cstdio>
#include <string>

#include "script/Project.h"
#include "support/ScriptWriter.h"
#include "support/TestEnv.h"
#include "win/Files.h"

namespace {

constexpr int kFoldersPerSection = 8;

std::string GenerateScript(int fileLines) {
    testenv::ScriptWriter script;
    script.Set("Title", "Benchmark");
    script.Set("Company", "Bench");
    for (int s = 0; s < kSectionCount; ++s)
        for (int f = 0; f < kFoldersPerSection; ++f)
            script.AddFolder(static_cast<FileSection>(s), "folder\\sub" + std::to_string(f));
    for (int i = 0; i < fileLines; ++i) {
        const FileSection section = static_cast<FileSection>(i % kSectionCount);
        testenv::ScriptFile file("file" + std::to_string(i) + ".dat", i % kFoldersPerSection, 100 + i);
        file.note = "generated";
        script.AddFile(section, file);
    }
    return script.Text();
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main() {
    const std::string folder = win::TempFolder() + "bench_script_load";
    testenv::DeleteTree(folder);
    if (!CreateDirectoryA(folder.c_str(), nullptr)) {
        std::printf("cannot create %s\n", folder.c_str());
        return 1;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);

    // Each size is loaded five times and the fastest load counts, as the machine may be busy
    // with other work. Between loads the script leaves Wine's profile cache, so that every
    // load reads the file afresh, and no load pays for pushing an earlier script out of it.
    // "x half" is the time over that of half as many lines: near 2 while loading grows with
    // the script.
    constexpr int kRuns = 5;
    int status = 0;
    double previous = 0;
    int previousLines = 0;
    std::printf("%10s %12s %12s %14s %8s\n", "file lines", "bytes", "load (s)", "per line (us)", "x half");
    for (int lines : {1000, 10000, 20000, 40000, 80000}) {
        const std::string path = folder + "\\script" + std::to_string(lines);
        const std::string text = GenerateScript(lines);
        if (!testenv::WriteFile(path, text)) {
            std::printf("cannot write %s\n", path.c_str());
            status = 1;
            break;
        }
        // A shipped script is old; Wine re-reads a profile file younger than two seconds on
        // every call, which would time that quirk instead of the loader.
        testenv::SetFileAge(path, 1);
        double best = 0;
        for (int run = 0; run < kRuns; ++run) {
            Project project;
            LARGE_INTEGER start, end;
            QueryPerformanceCounter(&start);
            int32_t result = project.Load(path, false);
            QueryPerformanceCounter(&end);
            // Three empty arguments release the file from the profile cache.
            WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
            int32_t loaded = 0;
            for (int s = 0; s < kSectionCount; ++s) loaded += project.FileCount(static_cast<FileSection>(s));
            if (result != 0 || loaded != lines) {
                std::printf("load of %d lines failed: 0x%08x, %d files\n", lines, static_cast<unsigned>(result),
                            loaded);
                status = 1;
                break;
            }
            const double seconds = Seconds(start, end, frequency);
            if (run == 0 || seconds < best) best = seconds;
        }
        if (status != 0) break;
        std::printf("%10d %12zu %12.3f %14.1f", lines, text.size(), best, best * 1e6 / lines);
        if (previousLines * 2 == lines) std::printf(" %8.2f", best / previous);
        std::printf("\n");
        previous = best;
        previousLines = lines;
    }
    testenv::DeleteTree(folder);
    return status;
}
