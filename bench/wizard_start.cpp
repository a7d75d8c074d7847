// Times setup.exe from process start to its welcome page on a small package (a licence, ten
// Application files unpacked next to the program), ten runs, each cancelled on the welcome
// page; the median is the figure to quote. The desktop loader's key is made for the runs when missing, so that its warning does
// not stand between start and page, and removed again afterwards.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/Package.h"
#include "script/ScriptWriter.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"
#include "support/Wizard.h"
#include "win/Files.h"
#include "win/Registry.h"

namespace {

constexpr int kRuns = 10;
const char kVendorKey[] = "Software\\Research In Motion";
const char kPackagesKey[] = "Software\\Research In Motion\\BlackBerry\\Loader\\Packages";

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main() {
    testenv::Package package(win::TempFolder() + "bench_wizard_start");
    testenv::DeleteTree(package.Folder());
    CreateDirectoryA(package.Folder().c_str(), nullptr);
    script::ScriptWriter script;
    script.Set("Title", "Bench");
    script.Set("Company", "Bench");
    script.Set("LanguageDLL", "BenchRes.DLL");
    script.Set("LanguageDLLIndex", 2);
    const int folder = script.AddFolder(kSectionApplication, "docs");
    for (int i = 0; i < 10; ++i) {
        script.AddFile(kSectionApplication, {"file" + std::to_string(i) + ".txt", folder, 10 + i});
        package.WriteData(10 + i, std::string(4096, 'x'));
    }
    script.SetEula(kSectionApplication, 0);
    if (!package.AddSetup() || !package.AddLanguageLibrary(2) || !package.WriteScript(script.Text())) {
        std::printf("cannot lay out the package in %s\n", package.Folder().c_str());
        return 1;
    }

    win::UniqueKey vendor;
    const bool ownsLoaderKey = !win::OpenKey(HKEY_CURRENT_USER, kVendorKey, KEY_READ, &vendor);
    vendor.reset();
    if (ownsLoaderKey) {
        win::UniqueKey packages;
        RegCreateKeyExA(HKEY_CURRENT_USER, kPackagesKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, packages.put(),
                        nullptr);
    }

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    int status = 0;
    std::vector<double> times;
    std::printf("%6s %22s\n", "run", "start to welcome (ms)");
    for (int run = 1; run <= kRuns; ++run) {
        ui::SetupProcess process;
        LARGE_INTEGER from;
        LARGE_INTEGER to;
        QueryPerformanceCounter(&from);
        HWND welcome = testenv::StartWizard(&process, package);
        QueryPerformanceCounter(&to);
        if (!welcome) {
            std::printf("%6d %22s\n", run, "no welcome page");
            status = 1;
            break;
        }
        const double ms = Milliseconds(from, to, frequency);
        times.push_back(ms);
        std::printf("%6d %22.1f\n", run, ms);
        ui::SetupProcess::PressId(welcome, testenv::kCancelButton);
        testenv::AnswerBox(process, "Yes");
        process.WaitForExit();
    }
    if (status == 0) {
        std::sort(times.begin(), times.end());
        std::printf("%6s %22.1f\n%6s %22.1f\n", "min", times.front(), "median", times[times.size() / 2]);
    }

    if (ownsLoaderKey) testenv::DeleteRegistryTree(HKEY_CURRENT_USER, kVendorKey);
    DeleteFileA((win::WindowsFolder() + "\\BenchRes.DLL").c_str());
    testenv::DeleteTree(package.Folder());
    return status;
}
