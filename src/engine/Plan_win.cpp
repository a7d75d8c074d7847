#include "engine/Plan.h"

#include <windows.h>

#include "base/RunResult.h"
#include "base/Text.h"
#include "engine/Section.h"
#include "engine/TargetFolder.h"
#include "script/PathTokens.h"

namespace {

struct Planner {
    const SectionPlaces& places;
    InstallPlan& plan;

    bool Unit(const Project& project, FileSection section, const std::string& base, const std::string* menuFolder) {
        plan.units.emplace_back();
        return PlanSection(project, section, base, menuFolder, places, &plan.units.back());
    }

    // As the installation has always gone: the system files, the project's own folder and
    // files with their shortcuts, the device's, the conduits, then each selected component
    // into the main folder or a folder of its own.
    bool Project(const ::Project& project, const std::string& folder, const std::string& menuFolder) {
        if (!Unit(project, kSectionSystem, places.systemFolder, nullptr) || !Unit(project, kSectionApplication, folder, &menuFolder))
            return false;
        if (!places.mountedDeviceFolder.empty() && !Unit(project, kSectionMountedDevice, folder, nullptr))
            return false;
        // Conduit files of the components count too: the step runs for this project even when
        // only they have any.
        if (CountConduitFiles(project) > 0 && !Unit(project, kSectionConduit, std::string(), nullptr))
            return false;
        if (!project.multicomp) return true;
        for (const Component& component : project.components) {
            if (!component.selected || !component.sub) continue;
            const ::Project& sub = *component.sub;
            if (component.useMainFolder != 0) {
                if (!Project(sub, plan.installFolder, plan.shortcutFolder)) return false;
                continue;
            }
            std::string own;
            if (!TargetFolder(sub, "", kPathLimit, &own))
                return Fail("PCInstall", "fitting the path limit with the install folder of", sub.title,
                            ERROR_FILENAME_EXCED_RANGE);
            if (!Project(sub, own, ShortcutFolder(sub, places.programsFolder))) return false;
        }
        return true;
    }
};

}  // namespace

bool PlanSection(const Project& project, FileSection section, const std::string& base, const std::string* menuFolder,
                 const SectionPlaces& places, PlanUnit* unit) {
    unit->project = &project;
    unit->section = section;
    unit->base = base;
    if (menuFolder) unit->menuFolder = *menuFolder;
    if (!unit->menuFolder.empty() && unit->menuFolder.back() == '\\') unit->menuFolder.pop_back();
    if (section == kSectionMountedDevice) {
        std::string device;
        if (project.FileCount(section) > 0 && !places.mountedDeviceFolder.empty() &&
            ExpandPath(project, text::JoinPath(places.mountedDeviceFolder, project.defMountedDir), &device, nullptr,
                       kPathLimit))
            unit->deviceFolder = device;
    } else {
        for (const std::string& name : project.folders[section])
            if (!name.empty()) unit->folders.push_back(SectionFolder(base, name));
    }
    for (const FileEntry& entry : project.files[section]) {
        PlannedFile file;
        file.entry = &entry;
        if (!EntryDestination(project, places.mountedDeviceFolder, section, base, entry, &file.destination))
            return Fail("InstallSection", "finding the destination of the entry", entry.path, ERROR_BAD_PATHNAME);
        file.source = text::PackageFilePath(places.dataFolder, text::DataFileName(entry.dataFile));
        file.shared = IsSharedFile(section, file.destination);
        file.seal = project.SealOf(entry.dataFile);
        if (menuFolder && (entry.startupShortcut == 1 || entry.startupShortcut == 2))
            file.startupFolder = entry.startupShortcut == 1 ? places.startupFolder : places.commonStartupFolder;
        unit->files.push_back(std::move(file));
    }
    return true;
}

bool MakePlan(const Project& main, const std::string& chosenFolder, const SectionPlaces& places, InstallPlan* plan) {
    *plan = InstallPlan();
    if (!TargetFolder(main, chosenFolder, kPathLimit, &plan->installFolder))
        return Fail("DoInstall", "fitting the path limit with the install folder of", main.title,
                    ERROR_FILENAME_EXCED_RANGE);
    plan->shortcutFolder = ShortcutFolder(main, places.programsFolder);
    Planner planner{places, *plan};
    return planner.Project(main, plan->installFolder, plan->shortcutFolder);
}

int32_t InstallPlan::FileCount() const {
    int32_t count = 0;
    for (const PlanUnit& unit : units) count += static_cast<int32_t>(unit.files.size());
    return count;
}
