// Times Project::Load on generated scripts of 1,000 to 80,000 file lines, spread over
// the four file sections with a few folders each, to show how loading grows with the script:
// twice the lines should cost about twice the time.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "script/Project.h"
#include "script/ScriptWriter.h"
#include "support/TestEnv.h"
#include "win/Files.h"

namespace {

constexpr int kFoldersPerSection = 8;

std::string GenerateScript(int fileLines) {
    script::ScriptWriter script;
    script.Set("Title", "Benchmark");
    script.Set("Company", "Bench");
    for (int s = 0; s < kSectionCount; ++s)
        for (int f = 0; f < kFoldersPerSection; ++f)
            script.AddFolder(static_cast<FileSection>(s), "folder\\sub" + std::to_string(f));
    for (int i = 0; i < fileLines; ++i) {
        const FileSection section = static_cast<FileSection>(i % kSectionCount);
        script::ScriptFile file("file" + std::to_string(i) + ".dat", i % kFoldersPerSection, 100 + i);
        file.note = "generated";
        script.AddFile(section, file);
    }
    return script.Text();
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Processor time of this thread, user and kernel, in seconds.
double ThreadSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
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

    // Each size is loaded again and again, about as many lines in all for every size, and
    // between loads the script leaves Wine's profile cache, so that every load reads the file
    // afresh and none pays for pushing an earlier script out of it. "load (s)" is the fastest
    // load, "cpu (s)" the processor time of one load on average: the machine may be busy with
    // other work, which stretches the first but hardly the second. "x half" is the processor
    // time over that of half as many lines: near 2 while loading grows with the script.
    constexpr int kLinesPerSize = 800000;
    int status = 0;
    double previous = 0;
    int previousLines = 0;
    std::printf("%10s %12s %6s %10s %10s %14s %8s\n", "file lines", "bytes", "loads", "load (s)", "cpu (s)",
                "cpu/line (us)", "x half");
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
        const int runs = std::max(5, kLinesPerSize / lines);
        double best = 0;
        double cpu = 0;
        for (int run = 0; run < runs; ++run) {
            Project project;
            LARGE_INTEGER start, end;
            const double cpuStart = ThreadSeconds();
            QueryPerformanceCounter(&start);
            int32_t result = project.Load(path, false);
            QueryPerformanceCounter(&end);
            cpu += ThreadSeconds() - cpuStart;
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
        cpu /= runs;
        std::printf("%10d %12zu %6d %10.3f %10.4f %14.2f", lines, text.size(), runs, best, cpu, cpu * 1e6 / lines);
        if (previousLines * 2 == lines) std::printf(" %8.2f", cpu / previous);
        std::printf("\n");
        previous = cpu;
        previousLines = lines;
    }
    testenv::DeleteTree(folder);
    return status;
}
