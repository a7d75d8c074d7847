// Times Project::Load on generated scripts of 1,000, 10,000 and 20,000 file lines, spread over
// the four file sections with a few folders each, to show how loading grows with the script.
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

    int status = 0;
    std::printf("%10s %12s %12s %14s\n", "file lines", "bytes", "load (s)", "per line (us)");
    for (int lines : {1000, 10000, 20000}) {
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
        Project project;
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        int32_t result = project.Load(path, false);
        QueryPerformanceCounter(&end);
        int32_t loaded = 0;
        for (int s = 0; s < kSectionCount; ++s) loaded += project.FileCount(static_cast<FileSection>(s));
        if (result != 0 || loaded != lines) {
            std::printf("load of %d lines failed: 0x%08x, %d files\n", lines, static_cast<unsigned>(result), loaded);
            status = 1;
            continue;
        }
        const double seconds = Seconds(start, end, frequency);
        std::printf("%10d %12zu %12.3f %14.1f\n", lines, text.size(), seconds, seconds * 1e6 / lines);
    }
    testenv::DeleteTree(folder);
    return status;
}
