// /PLAN and /S as a deployment tool runs them, at 2,000 and at 20,000 small files: each run its
// own process, timed from its start to its end, with the time per file, which must not grow
// with the count; beside them file_loop copying the same files, the floor of what the system
// itself costs at that count. The registered quiet uninstall takes each installation away again.
#include <windows.h>

#include <cstdio>
#include <string>

#include "script/ScriptWriter.h"
#include "support/BigPackage.h"
#include "support/Installed.h"
#include "support/TestEnv.h"

namespace {

// A package of `count` files of 512 bytes in one Application folder, installed into `install`.
bool WriteSmallFiles(const testenv::Package& package, int count, const std::string& company) {
    CreateDirectoryA(package.Folder().c_str(), nullptr);
    script::ScriptWriter script;
    script.Set("Title", "Scale");
    script.Set("Company", company);
    script.Set("LanguageDLLIndex", 2);
    const int folder = script.AddFolder(kSectionApplication, "");
    for (int i = 0; i < count; ++i) {
        script.AddFile(kSectionApplication, {"file" + std::to_string(i) + ".txt", folder, bench::kFirstData + i});
        if (!package.WriteData(bench::kFirstData + i, std::string(512, static_cast<char>('a' + i % 26)))) return false;
    }
    return package.WriteScript(script.Text()) && package.AddSetup() && package.AddLanguageLibrary(2);
}

}  // namespace

int main() {
    for (const int count : {2000, 20000}) {
        const std::string root = testenv::FreshFolder("scale" + std::to_string(count));
        const testenv::Package package(root + "\\package");
        const std::string company = testenv::UniqueName("Scale");
        const std::string install = root + "\\installed";
        if (!WriteSmallFiles(package, count, company)) return 1;
        const std::string program = "\"" + package.SetupPath() + "\" ";
        const double planned = bench::TimeProcess(program + "/PLAN=" + root + "\\plan.json /D=" + install);
        const double installed = bench::TimeProcess(program + "/S /D=" + install);
        const std::string floor = root + "\\floor";
        CreateDirectoryA(floor.c_str(), nullptr);
        const double copied = bench::TimeProcess("\"" + testenv::BinFolder() + "file_loop.exe\" copy " +
                                                 package.Folder() + " " + std::to_string(bench::kFirstData) + " " +
                                                 std::to_string(count) + " " + floor);
        std::printf("%6d files: /PLAN %6.2f s (%.3f ms a file), /S %6.2f s (%.3f ms a file), floor %6.2f s (%.3f ms a file)\n",
                    count, planned, 1000 * planned / count, installed, 1000 * installed / count, copied,
                    1000 * copied / count);
        const std::string entry = std::string(installed::kUninstallKey) + "\\" + company + " Scale for BlackBerry";
        if (planned < 0 || installed < 0 || copied < 0 ||
            bench::TimeProcess(installed::RegistryText(HKEY_LOCAL_MACHINE, entry, "QuietUninstallString")) < 0)
            return 1;
    }
    return 0;
}
