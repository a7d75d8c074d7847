// The language resource library: copied from its data file into the Windows folder, loaded
// from there for the rest of the process, and the source of every template and string.
#pragma once

#include <string>

#include "script/Project.h"
// LoadLanguageLibrary and FreeLanguageLibrary: loading lives with the record, below the
// uninstaller, which loads the library its command names.
#include "state/Messages.h"

// Puts the project's library into the Windows folder and loads it.
bool InstallLanguageLibrary(const Project& project, const std::string& programFolder);
