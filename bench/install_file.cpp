// Cost of InstallFile over a bare copy: 2,000 files of 4 KiB and 20 of 8 MiB, installed with
// ReplaceAlways and logging on into one tree, and copied with CopyFileA into another.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/InstallFile.h"
#include "support/InstallRun.h"
#include "support/TestEnv.h"
#include "win/Files.h"

namespace {

struct Item {
    std::string source;
    std::string name;
};

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool Generate(const std::string& folder, int count, size_t size, const char* prefix, std::vector<Item>* items) {
    std::string bytes(size, '\0');
    for (int i = 0; i < count; ++i) {
        for (size_t b = 0; b < size; b += 64) bytes[b] = static_cast<char>(i + b / 64);
        Item item{folder + "\\" + prefix + std::to_string(i), std::string(prefix) + std::to_string(i) + ".bin"};
        if (!testenv::WriteFile(item.source, bytes)) return false;
        items->push_back(item);
    }
    return true;
}

}  // namespace

int main() {
    const std::string root = win::TempFolder() + "bench_install_file";
    testenv::DeleteTree(root);
    const std::string data = root + "\\data";
    const std::string installed = root + "\\installed";
    const std::string copied = root + "\\copied";
    for (const std::string& folder : {root, data, installed, copied}) CreateDirectoryA(folder.c_str(), nullptr);

    std::vector<Item> items;
    if (!Generate(data, 2000, 4096, "s", &items) || !Generate(data, 20, 8u << 20, "l", &items)) {
        std::printf("could not generate the data files in %s\n", data.c_str());
        return 1;
    }
    InstallRun run(root, root + "\\install.log");

    // Interleaved file by file, so the disk's write-back of one pass does not land on the
    // other's clock.
    double install = 0;
    double copy = 0;
    int failures = 0;
    for (const Item& item : items) {
        LARGE_INTEGER t0, t1, t2;
        QueryPerformanceCounter(&t0);
        if (!InstallFile(run.context, item.source, installed + "\\" + item.name, kReplaceAlways, Count::kNone,
                         Logging::kRecord))
            ++failures;
        QueryPerformanceCounter(&t1);
        if (!CopyFileA(item.source.c_str(), (copied + "\\" + item.name).c_str(), FALSE)) ++failures;
        QueryPerformanceCounter(&t2);
        install += Seconds(t0, t1);
        copy += Seconds(t1, t2);
    }
    // The per-record open, seek, write and close of the log alone, for comparison.
    LARGE_INTEGER t3, t4;
    LogWriter records;
    records.Open(root + "\\records.log", LogWriter::Start::kEmpty);
    QueryPerformanceCounter(&t3);
    for (const Item& item : items) records.Record("CopyFile: %s", (installed + "\\" + item.name).c_str());
    QueryPerformanceCounter(&t4);

    std::printf("files: %zu (2000 x 4 KiB, 20 x 8 MiB), failures: %d\n", items.size(), failures);
    std::printf("InstallFile (ReplaceAlways, logged): %.3f s\n", install);
    std::printf("CopyFileA loop:                      %.3f s\n", copy);
    std::printf("ratio: %.2f\n", copy > 0 ? install / copy : 0.0);
    std::printf("of which the log records alone:      %.3f s\n", Seconds(t3, t4));
    testenv::DeleteTree(root);
    return failures == 0 ? 0 : 1;
}
