// The language resource library: copied from its data file into the Windows folder, loaded
// from there for the rest of the process, and the source of every template and string.
#pragma once

#include <string>

#include "script/Project.h"

// Puts the project's library into the Windows folder and loads it.
bool InstallLanguageLibrary(const Project& project);

// Loads the library at `path` into the run's record; true when it loaded and holds string 15
// (the setup caption).
bool LoadLanguageLibrary(const std::string& path);

// Frees the library when one is loaded. Also runs at process exit.
void FreeLanguageLibrary();
