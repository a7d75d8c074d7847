// Registration of installed handheld descriptor files (".ALX") with the desktop loader,
// under HKCU\Software\Research In Motion\BlackBerry\Loader\Packages (opened, never created).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/Plan.h"

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

// A descriptor file the desktop loader is told of: the Packages value's name and the path.
struct LoaderEntry {
    std::string name;
    std::string path;
};

// The installed descriptor files of the plan's Application units: a project's first under its
// title, the others under their entry's path.
std::vector<LoaderEntry> DescriptorEntries(const InstallPlan& plan);

// Enters them. A value that cannot be written is passed over.
void RegisterAlxFiles(Journal& journal, const InstallPlan& plan);
