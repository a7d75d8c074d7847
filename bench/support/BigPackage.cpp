#include "support/BigPackage.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "script/ScriptWriter.h"
#include "support/TestEnv.h"
#include "win/UniqueHandle.h"

namespace bench {

namespace {

// The host's page cache not yet on disk (dirty or being written back), read through Wine's
// view of the Linux file system; -1 when it cannot be read (not under Wine).
long UnwrittenKilobytes() {
    const std::string meminfo = testenv::ReadFile("Z:\\proc\\meminfo");
    long total = 0;
    for (const char* field : {"\nDirty:", "\nWriteback:"}) {
        const size_t at = meminfo.find(field);
        if (at == std::string::npos) return -1;
        total += std::strtol(meminfo.c_str() + at + std::strlen(field), nullptr, 10);
    }
    return total;
}

}  // namespace

bool WriteBigPackage(const testenv::Package& package, const std::string& installFolder, int replaceMode,
                     bool failAtEnd) {
    CreateDirectoryA(package.Folder().c_str(), nullptr);
    script::ScriptWriter script;
    script.Set("Title", "Bench");
    script.Set("Company", testenv::UniqueName("Bench"));
    script.Set("LanguageDLLIndex", 2);
    script.Set("DefTargetDir", installFolder);
    int folder = script.AddFolder(kSectionApplication, "");
    std::string bytes;
    for (int i = 0; i < kFiles; ++i) {
        bytes.assign(i < kSmallFiles ? 4096 : 8u << 20, '\0');
        for (size_t b = 0; b < bytes.size(); b += 64) bytes[b] = static_cast<char>(i + b / 64);
        script::ScriptFile file{"file" + std::to_string(i) + ".bin", folder, kFirstData + i};
        file.replaceMode = replaceMode;
        script.AddFile(kSectionApplication, file);
        if (!package.WriteData(kFirstData + i, bytes)) return false;
    }
    if (failAtEnd) {
        const int conduits = script.AddFolder(kSectionConduit, installFolder + "_conduit");
        script.AddFile(kSectionConduit, {"missing.bin", conduits, kFirstData + kFiles});
    }
    return package.WriteScript(script.Text()) && package.AddSetup() && package.AddLanguageLibrary(2);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

double SecondsSince(const LARGE_INTEGER& from) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(Now().QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void WaitForQuietDisk() {
    for (int i = 0; i < 300; ++i) {
        if (UnwrittenKilobytes() < 16 * 1024) return;
        Sleep(100);
    }
}

double TimeProcess(std::string commandLine, DWORD expectedCode) {
    WaitForQuietDisk();
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    const LARGE_INTEGER start = Now();
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
    const double seconds = SecondsSince(start);
    DWORD code = 1;
    if (!GetExitCodeProcess(process.get(), &code) || code != expectedCode) {
        std::printf("  %s ended with %lu\n", commandLine.c_str(), static_cast<unsigned long>(code));
        return -1;
    }
    return seconds;
}

}  // namespace bench
