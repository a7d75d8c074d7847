// A person at the wizard, for the main job: starts setup.exe in a package folder, walks it
// through its pages with every default accepted, and prints what it met and what was
// installed (the install folder from the uninstall entry, and the installation log).
// Given a pictures folder too, it saves each page as it leaves it as "<page>.bmp" there, and
// the whole screen behind the welcome page as "screen.bmp", for the README's pictures.
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

namespace {

// The page and the background window paint in their own process once they are idle: give
// them that moment before the screen is read.
constexpr DWORD kPaintSettleMs = 500;

bool SavePicture(const RECT& area, const std::string& path) {
    const std::string bytes = testenv::ScreenBitmapFileBytes(area);
    const bool saved = !bytes.empty() && testenv::WriteFile(path, bytes);
    std::printf(saved ? "  picture %s\n" : "  picture %s could not be saved\n", path.c_str());
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::printf("usage: drive_wizard PACKAGE-FOLDER [PICTURES-FOLDER]\n");
        return 2;
    }
    const std::string package = argv[1];
    const std::string pictures = argc == 3 ? argv[2] : "";
    bool picturesSaved = true;
    testenv::PageWatcher takePictures = [&](HWND page, const std::string& name) {
        Sleep(kPaintSettleMs);
        RECT area;
        GetWindowRect(page, &area);
        picturesSaved &= SavePicture(area, pictures + "\\" + name + ".bmp");
        if (name != "welcome") return;
        GetWindowRect(GetDesktopWindow(), &area);
        picturesSaved &= SavePicture(area, pictures + "\\screen.bmp");
    };
    ui::SetupProcess setup;
    if (!setup.Start(package + "\\setup.exe", "", package)) {
        std::printf("setup.exe could not be started in %s\n", package.c_str());
        return 1;
    }
    const testenv::WizardWalk walk =
        testenv::WalkWizard(setup, ui::kDefaultTimeoutMs, pictures.empty() ? nullptr : takePictures);
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
    return picturesSaved ? walk.exitCode : 1;
}
