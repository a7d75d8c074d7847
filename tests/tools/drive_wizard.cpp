// A person at the wizard, for the main job: starts setup.exe in a package folder, walks it
// through its pages with every default accepted, and prints what it met and what was
// installed (the install folder from the uninstall entry, and the installation log).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/UninstallEntry.h"
#include "log/InstallLog.h"
#include "script/Project.h"
#include "support/TestEnv.h"
#include "support/Wizard.h"
#include "win/Registry.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: drive_wizard PACKAGE-FOLDER\n");
        return 2;
    }
    const std::string package = argv[1];
    ui::SetupProcess setup;
    if (!setup.Start(package + "\\setup.exe", "", package)) {
        std::printf("setup.exe could not be started in %s\n", package.c_str());
        return 1;
    }
    const testenv::WizardWalk walk = testenv::WalkWizard(setup);
    for (std::string step : walk.seen) {
        std::replace(step.begin(), step.end(), '\n', ' ');
        std::printf("  %s\n", step.c_str());
    }
    std::printf("setup.exe exited with code %d\n", walk.exitCode);

    Project project;
    if (project.Load(package + "\\00000001", false) != 0) return 1;
    const std::string name = UninstallDisplayName(project);
    std::string folder;
    win::UniqueKey key;
    if (!win::OpenKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name,
                      KEY_READ, &key) ||
        !win::ReadString(key.get(), "InstallPath", MAX_PATH, &folder)) {
        std::printf("Nothing was installed: no uninstall entry \"%s\"\n", name.c_str());
        return 1;
    }
    std::printf("Installed \"%s\" into %s; its install log:\n", name.c_str(), folder.c_str());
    for (const std::string& line : SplitLogLines(testenv::ReadFile(folder + "\\" + kInstallLogName)))
        std::printf("  %s\n", line.c_str());
    return walk.exitCode;
}
