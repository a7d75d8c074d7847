// The package as its scripts seal it, checked before anything is installed: every sealed data
// file must be there with its sealed size, and those the installation does not copy
// (components' scripts, the language library, images, the conduit installer) must have their
// sealed digest too. The files the installation copies are hashed as they are
// copied (engine/InstallFile.h). A script without seals is taken as it is.
#pragma once

#include <string>

#include "script/Project.h"

// True when `project` and every component's sub-project, chosen or not, hold to their seals,
// their data files in the package `folder`; otherwise `message` says which data file is
// damaged and how.
bool PackageIntact(const Project& project, const std::string& folder, std::string* message);
