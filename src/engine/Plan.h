// The installation before it happens: the main project and its selected components flattened,
// once, into the ordered units the installation carries out, each with its folders and its
// files' sources and destinations. The page list's file count, the files-in-use check, the
// installation itself, the loader step and /PLAN's document all read the one plan, so that
// what is checked is what is installed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/InstallContext.h"
#include "script/Project.h"

// One file as the installation copies it.
struct PlannedFile {
    const FileEntry* entry = nullptr;   // the script's line, for its replace rule and shortcuts
    std::string source;                 // the data file in the package
    std::string destination;
    bool shared = false;                // keeps a count in the system's shared-library list
    const DataFileSeal* seal = nullptr; // null: the script seals none of its data file
    std::string startupFolder;          // where its Startup shortcut goes; empty: none
};

// One section of one project.
struct PlanUnit {
    const Project* project = nullptr;
    FileSection section = kSectionApplication;
    std::string base;                  // made first; empty for the Conduit section
    std::vector<std::string> folders;  // the section's folders, made before its files
    std::string deviceFolder;          // MountedDevice only: made when it can be, else the copies fail
    std::string menuFolder;            // the Programs-menu folder of its shortcuts; empty: none
    std::vector<PlannedFile> files;
};

struct InstallPlan {
    std::string installFolder;   // the main project's
    std::string shortcutFolder;  // the main project's menu folder; empty: no menu shortcuts
    std::vector<PlanUnit> units;

    int32_t FileCount() const;
};

// The plan of `main` with the choices made (`chosenFolder`, empty: the project's own; the
// device folder in `places`) into the places the run settled, the system folder found. False, traced, when a folder or
// a destination does not fit or names no folder of its section: such a script would put files
// somewhere unintended, so nothing is installed.
bool MakePlan(const Project& main, const std::string& chosenFolder, const SectionPlaces& places, InstallPlan* plan);

// One section of `project` below `base` (ignored for MountedDevice). With `menuFolder` (may be
// empty: no menu folder) its files get their shortcuts; null: no shortcuts at all. False,
// traced, as MakePlan.
bool PlanSection(const Project& project, FileSection section, const std::string& base, const std::string* menuFolder,
                 const SectionPlaces& places, PlanUnit* unit);

