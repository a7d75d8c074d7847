#include "engine/FilesInUse.h"

#include <windows.h>

#include "base/Limits.h"
#include "base/Text.h"
#include "engine/InstallFile.h"
#include "engine/Section.h"
#include "engine/TargetFolder.h"
#include "win/Files.h"
#include "win/UniqueHandle.h"

namespace {

// A replacement keeps the file under a second name and renames over it: it needs the file
// for writing and deleting, and a program that holds it open in any way may be using it.
bool Held(const std::string& path) {
    win::UniqueFile probe(CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return !probe && GetLastError() == ERROR_SHARING_VIOLATION;
}

struct Walk {
    const SectionPlaces& places;
    const std::string& system;
    const std::string& mainFolder;
    win::ApplicationHolders& holders;
    std::vector<HeldFile> held;

    void Section(const Project& project, FileSection section, const std::string& base) {
        for (const FileEntry& entry : project.files[section]) {
            std::string destination;
            if (!EntryDestination(project, places.mountedDeviceFolder, section, base, entry, &destination)) continue;
            const std::string source = text::PackageFilePath(places.dataFolder, text::DataFileName(entry.dataFile));
            if (!ReplacesExisting(source, destination, entry.replaceMode) || !Held(destination)) continue;
            held.push_back({destination, IsSharedFile(section, destination), holders.Holding(destination)});
        }
    }

    // As the installation walks them: a component into the main folder or a folder of its own.
    void Project(const ::Project& project, const std::string& folder) {
        Section(project, kSectionSystem, system);
        Section(project, kSectionApplication, folder);
        if (!places.mountedDeviceFolder.empty()) Section(project, kSectionMountedDevice, folder);
        Section(project, kSectionConduit, std::string());
        if (!project.multicomp) return;
        for (const Component& component : project.components) {
            if (!component.selected || !component.sub) continue;
            std::string own = mainFolder;
            if (component.useMainFolder == 0 && !TargetFolder(*component.sub, "", kPathLimit, &own)) continue;
            Project(*component.sub, own);
        }
    }
};

}  // namespace

std::vector<HeldFile> FindHeldFiles(const Project& main, const SectionPlaces& places, const std::string& installFolder,
                                    win::ApplicationHolders& holders) {
    const std::string system = win::SystemFolder();
    Walk walk{places, system, installFolder, holders, {}};
    walk.Project(main, installFolder);
    return walk.held;
}

bool AllMayWaitForRestart(const std::vector<HeldFile>& held) {
    for (const HeldFile& file : held)
        if (!file.shared) return false;
    return true;
}

std::string DescribeHeldFiles(const std::vector<HeldFile>& held, const char* separator) {
    std::string text;
    for (const HeldFile& file : held) {
        text += separator + file.path;
        const char* gap = " (held by ";
        for (const std::string& name : file.holders) {
            text += gap + name;
            gap = ", ";
        }
        if (!file.holders.empty()) text += ')';
    }
    return text;
}

std::vector<std::string> HeldPaths(const std::vector<HeldFile>& held) {
    std::vector<std::string> paths;
    for (const HeldFile& file : held) paths.push_back(file.path);
    return paths;
}
