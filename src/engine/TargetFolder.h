// The folder a project installs into, as the destination page proposes it and the install
// driver uses it.
#pragma once

#include <cstddef>
#include <string>

#include "script/Project.h"

// The first rule that gives a folder wins: `chosenFolder` (the user's choice, which only the
// main project takes: pass it empty for a component), the folder of an earlier installation
// of the project, its DefTargetDir expanded, and last the Program Files folder followed by
// Company and Title. False, `folder` untouched, when the folder so found does not fit in
// limit - 1 characters: cut, it would name another folder.
bool TargetFolder(const Project& project, const std::string& chosenFolder, size_t limit, std::string* folder);

// Whether the uninstaller can take back an installation of `project` into `folder`: the install
// log's path stays below kUninstallLogPathLimit, and every Application file of the project and
// of its selected components that use the main folder has a path that fits kPathLimit.
bool FolderFitsUninstall(const Project& project, const std::string& folder);

// The display name of another product whose install log lies in `folder` (its first record
// names the product); false when the folder holds no log or one of `project` itself. An
// installation there would append to that product's log, and its uninstall would remove both.
bool FolderHoldsOtherProduct(const Project& project, const std::string& folder, std::string* otherProduct);

// The folder where `project` is installed: its Uninstall entry names an install log that
// exists. False when it is not installed. An installation elsewhere would take over the one
// entry and leave the first unremovable.
bool InstalledFolder(const Project& project, std::string* folder);

// The version the installed `project` registered ("DisplayVersion"); false when it is not
// installed (see InstalledFolder) or registered none.
bool InstalledVersion(const Project& project, std::string* version);

// Whether `project` may be installed into `folder`, the tests in this order: the folder fits
// the uninstaller's limits; the product is not installed elsewhere (`other` receives that
// folder), which would leave the first installation behind; the folder holds no other
// product's log (`other` receives its name), which this one would take over.
enum class DestinationCheck { kUsable, kTooLong, kInstalledElsewhere, kOtherProduct };
DestinationCheck CheckDestination(const Project& project, const std::string& folder, std::string* other);

// Whether two paths name one folder: as full paths, letter case and final backslashes aside.
bool SameFolder(const std::string& a, const std::string& b);
