// Registration of installed handheld descriptor files (".ALX") with the desktop loader,
// under HKCU\Software\Research In Motion\BlackBerry\Loader\Packages (opened, never created).
#pragma once

#include <cstddef>
#include <string>

#include "script/Project.h"

class Journal;

enum LoaderResult : int {
    kLoaderOk = 0,
    kLoaderKeyMissing = 1,
    kLoaderPackagesMissing = 2,
    kLoaderValueFailed = 3,
};

// Reads a value of the Packages key into at most `limit` bytes; `out` is emptied first.
int ReadLoaderPackage(const std::string& name, std::string* out, size_t limit);
// The value an earlier installation wrote is noted in `journal` first.
int WriteLoaderPackage(Journal& journal, const std::string& name, const std::string& value);

// Where a component that does not use the main install folder put its files: the engine's
// TargetFolder (called with no chosen folder), handed in as the loader lives beside the engine.
using ComponentFolderFn = bool (*)(const Project& component, const std::string& chosenFolder, size_t limit,
                                   std::string* folder);

// Enters every installed descriptor file of `project` and of its selected components: their
// paths under `installFolder`, or under `componentFolder` of a component that installs into a
// folder of its own. A value that cannot be written is passed over.
void RegisterAlxFiles(Journal& journal, const Project& project, const std::string& installFolder,
                      ComponentFolderFn componentFolder);
